#include "platform/Browser.h"

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

bool IsOctet(QStringView part) {
    if (part.isEmpty() || part.size() > 3 || (part.size() > 1 && part.front() == u'0')) {
        return false;
    }
    int value = 0;
    for (const QChar c : part) {
        if (c < u'0' || c > u'9') {
            return false;
        }
        value = value * 10 + (c.unicode() - u'0');
    }
    return value <= 255;
}

} // namespace

std::optional<QUrl> BridgePageUrl(const QString& ipAddressText) {
    const QList<QStringView> parts = QStringView(ipAddressText).split(u'.');
    if (parts.size() != 4) {
        return std::nullopt;
    }
    for (const QStringView part : parts) {
        if (!IsOctet(part)) {
            return std::nullopt;
        }
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
