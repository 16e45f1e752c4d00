#pragma once

// The narrow way in from the main window for the dialogs that work on the selected bridge: they
// get these few things and never the window itself.

#include <QByteArray>
#include <functional>

namespace vantoro {

struct Bridge;
class LoginState;
class MessageBoxes;
class Platform;
class RegionCodeText;

struct DialogContext {
    // The record at the main list's selection mark; null while no row is selected. Dialogs write
    // only its working fields (the typed keys, the working mode and channel).
    std::function<Bridge*()> selectedBridge;
    // One configuration or status request for the selected bridge, broadcast to the management
    // port on the interface the bridge answered on; errors are silent.
    std::function<void(const QByteArray&)> sendRequest;
    // Set by the receive path when a reply rewrites a listed bridge; the status dialog clears it.
    std::function<bool()> replyArrived;
    std::function<void()> clearReplyArrived;
    // The main window's scan; it does nothing while one runs.
    std::function<void()> startScan;
    LoginState& login;
    RegionCodeText& currentRegionCode;
    MessageBoxes& messages;
    Platform& platform;
};

} // namespace vantoro
