#pragma once

// Test doubles for the main window's message boxes and platform; the network is
// tests/support/FakeTransport.h.

#include "tests/support/FakePlatform.h"
#include "tests/support/FakeTransport.h"
#include "ui/controls/MessageBox.h"

#include <deque>
#include <vector>

namespace vantoro::testing {

using test::FakeTransport;

// Records every message box and answers Ok, or the next of answers when a test set them.
class RecordingMessageBoxes : public MessageBoxes {
public:
    std::vector<MessageRequest> shown;
    std::deque<QMessageBox::StandardButton> answers;

protected:
    QMessageBox::StandardButton Present(QWidget*, const MessageRequest& request) override {
        shown.push_back(request);
        if (answers.empty()) {
            return QMessageBox::Ok;
        }
        const QMessageBox::StandardButton answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// The main window's tests read what the browser was started on.
class FakePlatform : public test::FakePlatform {
public:
    std::vector<QString>& browserTargets = browser.opened;
};

} // namespace vantoro::testing
