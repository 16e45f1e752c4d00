#pragma once

// Whether this machine lets a test make private network namespaces with `ip netns` and work in
// them with `ip -n`: root, iproute2, and a system that allows both (a container or a chroot may
// create a namespace and then refuse to enter it: "mount --make-rslave / failed"). Every test
// that needs a namespace asks here first and skips with the reason; a set-up that fails after
// this said yes is a failure.

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <optional>
#include <unistd.h>

namespace vantoro::test {

// Runs `ip` with arguments; the error text when it fails.
inline std::optional<QString> RunIp(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("ip"), arguments);
    if (process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit &&
        process.exitCode() == 0) {
        return std::nullopt;
    }
    const QString error = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    return QStringLiteral("ip %1: %2").arg(arguments.join(u' '), error);
}

// Why no namespace can be made here; nullopt when they can. Probed once per process.
inline std::optional<QString> NetNamespacesUnavailable() {
    static const std::optional<QString> reason = []() -> std::optional<QString> {
        if (::geteuid() != 0) {
            return QStringLiteral("needs root to create network namespaces");
        }
        if (QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty()) {
            return QStringLiteral("needs the 'ip' command (iproute2) to create network namespaces");
        }
        // A namespace that can be entered, with the kinds of link the tests join them by.
        const QString name = QStringLiteral("vtprobe%1").arg(::getpid());
        std::optional<QString> failed =
            RunIp({QStringLiteral("netns"), QStringLiteral("add"), name});
        if (!failed) {
            for (const char* command : {"link set lo up", "link add vtp0 type veth peer name vtp1",
                                        "link add vtp2 type bridge"}) {
                failed = RunIp(QStringList{QStringLiteral("-n"), name} +
                               QString::fromLatin1(command).split(u' '));
                if (failed) {
                    break;
                }
            }
            RunIp({QStringLiteral("netns"), QStringLiteral("del"), name});
        }
        if (failed) {
            return QStringLiteral("cannot create network namespaces here: ") + *failed;
        }
        return std::nullopt;
    }();
    return reason;
}

} // namespace vantoro::test
