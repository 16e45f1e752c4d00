#pragma once

// Test doubles for the main window's message boxes and platform; the network is
// tests/support/FakeTransport.h.

#include "platform/Platform.h"
#include "tests/support/FakeTransport.h"
#include "ui/controls/MessageBox.h"

#include <vector>

namespace vantoro::testing {

using test::FakeTransport;

// Records every message box and answers Ok.
class RecordingMessageBoxes : public MessageBoxes {
public:
    std::vector<MessageRequest> shown;

protected:
    QMessageBox::StandardButton Present(QWidget*, const MessageRequest& request) override {
        shown.push_back(request);
        return QMessageBox::Ok;
    }
};

class FakePlatform : public Platform {
public:
    std::vector<QString> browserTargets;

    AdapterList Adapters() const override { return {}; }
    QString PcAddress() const override { return QStringLiteral("192.168.1.10"); }
    void StartBrowser(const QString& target) override { browserTargets.push_back(target); }
    void Beep() override {}
};

} // namespace vantoro::testing
