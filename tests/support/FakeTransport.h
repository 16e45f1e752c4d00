#pragma once

#include "protocol/Transport.h"

#include <QByteArrayList>
#include <vector>

namespace vantoro::test {

// Records what the program sends and lets a test hand it datagrams.
class FakeTransport : public Transport {
public:
    SetupStatus openResult = SetupStatus::Ok;
    int openCalls = 0;
    QByteArrayList broadcasts;
    QByteArrayList requests;
    std::vector<InterfaceId> requestRoutes; // the interface each request was sent on

    int interfaceCount = 0; // what scanInterfaceCount() reports
    int interfaceRefreshes = 0;

    SetupStatus Open() override {
        ++openCalls;
        return openResult;
    }
    void RefreshInterfaces() override { ++interfaceRefreshes; }
    int scanInterfaceCount() const override { return interfaceCount; }
    void SendBroadcast(const QByteArray& text) override { broadcasts.append(text); }
    void SendRequest(const QByteArray& text, const InterfaceId& via) override {
        requests.append(text);
        requestRoutes.push_back(via);
    }

    void Deliver(const QByteArray& datagram, const InterfaceId& via = {}) {
        Q_EMIT DatagramReceived(datagram, via);
    }
    void FailReceive() { Q_EMIT ReceiveFailed(); }
};

// Builds a reply datagram from its fields (field 0 first), joined by CR.
inline QByteArray ReplyOf(const QByteArrayList& fields) {
    return fields.join('\r');
}

// A well-formed reply with the given identifier, name, model and address; N = 0.
inline QByteArray SimpleReply(const QByteArray& mac, const QByteArray& name = "Bridge",
                              const QByteArray& model = "WB-100",
                              const QByteArray& ip = "192.168.1.20") {
    return ReplyOf({"Torva_MultiAp_mgnt",
                    "1001",
                    "ACK",
                    mac,
                    name,
                    model,
                    "static",
                    ip,
                    "255.255.255.0",
                    "192.168.1.1",
                    "1",
                    "6",
                    "1",
                    "US",
                    "1",
                    "10",
                    "2",
                    "0123456789",
                    "NULL",
                    "ABCDEF0123",
                    "NULL",
                    "office",
                    "0",
                    "87",
                    "1200",
                    "3400",
                    "admin",
                    "secret",
                    "1.2.3"});
}

} // namespace vantoro::test
