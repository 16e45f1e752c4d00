#pragma once

// Test doubles for the main window's seams: the network, the message boxes and the platform.

#include "platform/Platform.h"
#include "protocol/Transport.h"
#include "ui/controls/MessageBox.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <deque>
#include <vector>

namespace vantoro::testing {

// A network that records what is sent and delivers what the test hands it.
class FakeTransport : public Transport {
public:
    SetupStatus openResult = SetupStatus::Ok;
    int openCalls = 0;
    std::vector<QByteArray> broadcasts;
    std::vector<QByteArray> requests;

    SetupStatus Open() override {
        ++openCalls;
        return openResult;
    }
    void SendBroadcast(const QByteArray& text) override { broadcasts.push_back(text); }
    void SendRequest(const QByteArray& text) override { requests.push_back(text); }

    void Deliver(const QByteArray& datagram) { Q_EMIT DatagramReceived(datagram); }
    void FailReceive() { Q_EMIT ReceiveFailed(); }
};

// Records every message box and answers with the scripted buttons (Ok when none is left).
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

class FakePlatform : public Platform {
public:
    AdapterList adapterList;
    QString pcAddress = QStringLiteral("192.168.1.10");
    std::vector<QString> browserTargets;
    int beeps = 0;

    AdapterList Adapters() const override { return adapterList; }
    QString PcAddress() const override { return pcAddress; }
    void StartBrowser(const QString& target) override { browserTargets.push_back(target); }
    void Beep() override { ++beeps; }
};

// A reply as a bridge sends it; an empty ipAddress ends the reply before the address field.
inline QByteArray BridgeReply(const QByteArray& mac, const QByteArray& name,
                              const QByteArray& model, const QByteArray& ipAddress) {
    QByteArray reply =
        "Torva_MultiAp_mgnt 1001 \rRSP\rACK\r" + mac + '\r' + name + '\r' + model + "\rdhcp\r";
    if (!ipAddress.isEmpty()) {
        reply += ipAddress + "\r255.255.255.0\r192.168.1.1\r1\r6\r1\rUS\r0\r10\r1\rNULL\rNULL\r"
                             "NULL\rNULL\rOffice\r0\r80\r100\r200\radmin\rsecret\r1.0\r";
    }
    return reply;
}

} // namespace vantoro::testing
