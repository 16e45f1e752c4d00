#pragma once

// A dialog context over a table of its own, for testing the bridge dialogs without a main window.

#include "config/Login.h"
#include "config/Regions.h"
#include "protocol/Bridge.h"
#include "tests/ui/main/Fakes.h"
#include "ui/config/DialogContext.h"

#include <QByteArrayList>
#include <QStringList>
#include <memory>

namespace vantoro::test {

struct DialogHarness {
    std::unique_ptr<BridgeTable> table = std::make_unique<BridgeTable>();
    int selected = 0; // -1: no row selected
    QByteArrayList requests;
    bool replyArrived = false;
    int scansStarted = 0;
    LoginState login;
    RegionCodeText regionCode;
    testing::RecordingMessageBoxes messages;
    testing::FakePlatform platform;
    DialogContext context{
        [this]() -> Bridge* { return selected < 0 ? nullptr : &table->records[size_t(selected)]; },
        [this](const QByteArray& request) { requests.append(request); },
        [this] { return replyArrived; },
        [this] { replyArrived = false; },
        [this] { ++scansStarted; },
        login,
        regionCode,
        messages,
        platform};

    Bridge& bridge() { return table->records[size_t(selected)]; }
    // The texts of the message boxes shown so far, in order.
    QStringList Messages() const {
        QStringList texts;
        for (const MessageRequest& shown : messages.shown) {
            texts << shown.text;
        }
        return texts;
    }
    // Takes a reply into the table as the receive path does: a bridge already listed at row
    // index is rewritten and the flag is set.
    void Receive(const QByteArray& reply, int rows = 1) {
        RowText row;
        if (ParseReply(*table, rows, DatagramText(reply), row).kind == ReplyKind::Updated) {
            replyArrived = true;
        }
    }
};

} // namespace vantoro::test
