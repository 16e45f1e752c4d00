#pragma once

// The thin layer over the operating system: the PC's network adapters, the PC's own address,
// starting a web browser, and the beep. Dialogs and tests see only the Platform interface.

#include <QString>
#include <QUrl>
#include <functional>
#include <vector>

namespace vantoro {

struct AdapterAddress {
    QString ipAddress;  // dotted decimal
    QString subnetMask; // dotted decimal
};

struct Adapter {
    QString name;
    bool dhcpEnabled = false;
    std::vector<AdapterAddress> addresses; // in the order the system lists them
};

// The adapter list is read into a buffer of a fixed size; a list that does not fit it is
// reported as an overflow, and the commands that read it end silently then.
inline constexpr int kAdapterBufferBytes = 6400;
inline constexpr int kAdapterRecordBytes = 640; // one adapter with its first address
inline constexpr int kAddressRecordBytes = 40;  // each further address of an adapter

struct AdapterList {
    bool overflow = false;
    std::vector<Adapter> adapters; // empty on overflow
};

// Bytes the list takes in the adapter buffer.
int AdapterListBytes(const std::vector<Adapter>& adapters);
// The list as a reader with a kAdapterBufferBytes buffer sees it.
AdapterList FitAdapterBuffer(std::vector<Adapter> adapters);

// What the browser is started on: a full address is taken as it is; a bare host or dotted-decimal
// address (as a bridge's IP address is given) opens its web server's default page.
QUrl BrowserUrl(const QString& target);

class Platform {
public:
    virtual ~Platform() = default;

    // The PC's adapters and their IPv4 addresses, in the system's order.
    virtual AdapterList Adapters() const = 0;
    // The PC's own address: the first address its host name resolves to, or the host name
    // itself when the lookup fails.
    virtual QString PcAddress() const = 0;
    // Starts a web browser on target (see BrowserUrl). Failures are not reported.
    virtual void StartBrowser(const QString& target) = 0;
    // The simple warning sound.
    virtual void Beep() = 0;
};

// The real operating system, through Qt's network and desktop services.
class SystemPlatform final : public Platform {
public:
    // beep is the front end's sound (a widget call); without one, Beep does nothing.
    explicit SystemPlatform(std::function<void()> beep = {});

    AdapterList Adapters() const override;
    QString PcAddress() const override;
    void StartBrowser(const QString& target) override;
    void Beep() override;

private:
    std::function<void()> beep_;
};

} // namespace vantoro
