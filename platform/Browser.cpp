#include "platform/Browser.h"

#include "config/Ipv4.h"
#include "protocol/Latin1.h"

#include <QDesktopServices>
#include <QProcess>
#include <utility>

namespace vantoro {
namespace {

// Without a desktop session Qt may have no URL handler; xdg-open is the usual way then. On
// Windows the default browser already goes through the shell, which leaves nothing to fall back
// on.
#ifdef Q_OS_WIN
const char* const kFallbackProgram = nullptr;
#else
const char* const kFallbackProgram = "xdg-open";
#endif

} // namespace

std::optional<QUrl> BridgePageUrl(const QString& ipAddressText) {
    // Only the address's own spelling: a leading zero might be read as octal on the way.
    const QByteArray text = ipAddressText.toLatin1();
    const std::optional<quint32> address = ParseIpv4(View(text));
    if (!address || FormatIpv4(*address) != text || QString::fromLatin1(text) != ipAddressText) {
        return std::nullopt;
    }
    return QUrl(QStringLiteral("http://%1/").arg(ipAddressText), QUrl::StrictMode);
}

std::optional<QUrl> WebSiteUrl(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() ||
        (url.scheme() != QStringLiteral("http") && url.scheme() != QStringLiteral("https"))) {
        return std::nullopt;
    }
    return url;
}

SystemBrowser::SystemBrowser()
    : SystemBrowser([](const QUrl& url) { return QDesktopServices::openUrl(url); },
                    [](const QString& program, const QStringList& arguments) {
                        return QProcess::startDetached(program, arguments);
                    }) {}

SystemBrowser::SystemBrowser(OpenDefault openDefault, StartProgram startProgram)
    : openDefault_(std::move(openDefault)), startProgram_(std::move(startProgram)) {}

void SystemBrowser::Open(const QUrl& url) {
    if (openDefault_(url) || kFallbackProgram == nullptr) {
        return;
    }
    startProgram_(QString::fromLatin1(kFallbackProgram), {url.toString(QUrl::FullyEncoded)});
}

} // namespace vantoro
