#pragma once

// The thin layer over the operating system: the PC's network adapters, the PC's own address,
// starting a web browser, and the beep. Each is a small service with a real implementation and
// a test fake; Platform bundles them so the windows take one object.

#include "platform/Adapters.h"
#include "platform/Browser.h"
#include "platform/PcAddress.h"

#include <QString>
#include <functional>

namespace vantoro {

class Sounds {
public:
    virtual ~Sounds() = default;
    // The simple warning sound.
    virtual void Beep() = 0;
};

class Platform {
public:
    Platform(NetworkAdapters& adapters, HostNames& hostNames, WebBrowser& browser, Sounds& sounds);
    virtual ~Platform() = default;
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;

    // The PC's adapters and their IPv4 addresses, in the system's order.
    AdapterList Adapters() const;
    // The PC's own address (see ChoosePcAddress).
    QString PcAddress() const;
    // Opens one of the program's own web addresses (http or https only).
    void StartBrowser(const QString& site);
    // Opens a bridge's web pages. The text comes from the network: anything but a dotted-quad
    // IPv4 address opens nothing (see BridgePageUrl).
    void StartBrowserOnBridge(const QString& ipAddressText);
    void Beep();

private:
    NetworkAdapters& adapters_;
    HostNames& hostNames_;
    WebBrowser& browser_;
    Sounds& sounds_;
};

namespace detail {
class CallbackSounds final : public Sounds {
public:
    explicit CallbackSounds(std::function<void()> beep) : beep_(std::move(beep)) {}
    void Beep() override {
        if (beep_) {
            beep_();
        }
    }

private:
    std::function<void()> beep_;
};

// Built before the Platform base that refers to them.
struct SystemServices {
    SystemAdapters adapters;
    SystemHostNames hostNames;
    SystemBrowser browser;
    CallbackSounds sounds;
};
} // namespace detail

// The real operating system.
class SystemPlatform final : private detail::SystemServices, public Platform {
public:
    // beep is the front end's sound (a widget call); without one, Beep does nothing.
    explicit SystemPlatform(std::function<void()> beep = {});
};

} // namespace vantoro
