#include "protocol/Transport.h"

namespace vantoro {

Transport::Transport(QObject* parent) : QObject(parent) {
    // Signal spies and queued connections need the interface type by name.
    qRegisterMetaType<InterfaceId>();
}

QString SetupErrorText(SetupStatus status) {
    switch (status) {
    case SetupStatus::StartUpFailed:
        return QStringLiteral("Socket StartUp Error");
    case SetupStatus::ScanSocketOpenFailed:
    case SetupStatus::ListenSocketOpenFailed:
        return QStringLiteral("Socket Open Error");
    case SetupStatus::BroadcastOptionFailed:
        return QStringLiteral("setsockopt: SOCKET_ERROR!\n");
    case SetupStatus::Ok:
    case SetupStatus::BindFailed:
        break;
    }
    return {};
}

} // namespace vantoro
