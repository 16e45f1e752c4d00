#include "platform/Platform.h"

#include <QDesktopServices>
#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QProcess>
#include <utility>

namespace vantoro {

int AdapterListBytes(const std::vector<Adapter>& adapters) {
    qint64 bytes = 0;
    for (const Adapter& adapter : adapters) {
        bytes += kAdapterRecordBytes;
        if (adapter.addresses.size() > 1) {
            bytes += qint64(adapter.addresses.size() - 1) * kAddressRecordBytes;
        }
    }
    return bytes > kAdapterBufferBytes ? kAdapterBufferBytes + 1 : int(bytes);
}

AdapterList FitAdapterBuffer(std::vector<Adapter> adapters) {
    if (AdapterListBytes(adapters) > kAdapterBufferBytes) {
        return AdapterList{true, {}};
    }
    return AdapterList{false, std::move(adapters)};
}

QUrl BrowserUrl(const QString& target) {
    const QString text = target.trimmed();
    if (text.isEmpty()) {
        return {};
    }
    // The text may come from a bridge's reply: only ever a web address, never a file or a script.
    const QUrl url(text.contains(QStringLiteral("://")) ? text : QStringLiteral("http://") + text,
                   QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QStringLiteral("http") && scheme != QStringLiteral("https"))) {
        return {};
    }
    return url;
}

SystemPlatform::SystemPlatform(std::function<void()> beep) : beep_(std::move(beep)) {}

AdapterList SystemPlatform::Adapters() const {
    // The DHCP state of an adapter is not something Qt reports; such adapters count as fixed.
    std::vector<Adapter> adapters;
    for (const QNetworkInterface& netInterface : QNetworkInterface::allInterfaces()) {
        const auto flags = netInterface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) ||
            flags.testFlag(QNetworkInterface::IsLoopBack)) {
            continue;
        }
        Adapter adapter;
        adapter.name = netInterface.humanReadableName();
        for (const QNetworkAddressEntry& entry : netInterface.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol) {
                adapter.addresses.push_back({entry.ip().toString(), entry.netmask().toString()});
            }
        }
        if (!adapter.addresses.empty()) {
            adapters.push_back(std::move(adapter));
        }
    }
    return FitAdapterBuffer(std::move(adapters));
}

QString SystemPlatform::PcAddress() const {
    // A host name of 16 or more characters did not fit the original's buffer: a failed lookup.
    constexpr qsizetype kHostNameChars = 15;
    const QString hostName = QHostInfo::localHostName();
    if (hostName.isEmpty() || hostName.size() > kHostNameChars) {
        return hostName;
    }
    const QHostInfo info = QHostInfo::fromName(hostName);
    for (const QHostAddress& address : info.addresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol) {
            return address.toString();
        }
    }
    return hostName;
}

void SystemPlatform::StartBrowser(const QString& target) {
    const QUrl url = BrowserUrl(target);
    if (!url.isValid()) {
        return;
    }
    if (QDesktopServices::openUrl(url)) {
        return;
    }
#ifndef Q_OS_WIN
    // Without a desktop session the URL handler may be missing; xdg-open is the usual fallback.
    QProcess::startDetached(QStringLiteral("xdg-open"), {url.toString()});
#endif
}

void SystemPlatform::Beep() {
    if (beep_) {
        beep_();
    }
}

} // namespace vantoro
