#pragma once

// Starting the user's web browser.

#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <optional>

namespace vantoro {

class WebBrowser {
public:
    virtual ~WebBrowser() = default;
    // Opens url in a browser. Failures are not reported.
    virtual void Open(const QUrl& url) = 0;
};

// The page of a bridge whose address text came from the network: http://A.B.C.D/ when the text
// is exactly four decimal octets 0..255 without leading zeros, nothing otherwise.
std::optional<QUrl> BridgePageUrl(const QString& ipAddressText);
// A web address the program itself holds: only http and https with a host.
std::optional<QUrl> WebSiteUrl(const QString& text);

// The desktop's default browser, then a fallback program; each started with an argument vector,
// never through a shell.
class SystemBrowser final : public WebBrowser {
public:
    using OpenDefault = std::function<bool(const QUrl&)>;
    using StartProgram = std::function<bool(const QString& program, const QStringList& arguments)>;

    SystemBrowser();
    // For tests: the two launch steps.
    SystemBrowser(OpenDefault openDefault, StartProgram startProgram);

    void Open(const QUrl& url) override;

private:
    OpenDefault openDefault_;
    StartProgram startProgram_;
};

} // namespace vantoro
