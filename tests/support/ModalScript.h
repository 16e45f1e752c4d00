#pragma once

// Drives the modal windows a test opens: each window that becomes the active modal one gets the
// next step, in order. The steps run from the modal window's own event loop, so they use real key
// and mouse events on it.

#include "tests/support/Controls.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <utility>
#include <vector>

namespace vantoro::test {

class ModalScript {
public:
    using Step = std::function<void(QWidget&)>;

    explicit ModalScript(std::vector<Step> steps) : steps_(std::move(steps)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        if (!steps_.empty()) {
            timer_.start(0);
        }
    }

    // How many modal windows have been handed to a step.
    size_t handled() const { return next_; }

private:
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        // A window that is gone or hidden has had its step; a new one may reuse its address.
        if (modal == nullptr || !modal->isVisible() || modal == last_.data()) {
            return;
        }
        last_ = modal;
        const size_t step = next_++;
        if (next_ == steps_.size()) {
            timer_.stop();
        }
        steps_[step](*modal);
    }

    std::vector<Step> steps_;
    size_t next_ = 0;
    QPointer<QWidget> last_;
    QTimer timer_;
};

} // namespace vantoro::test
