#pragma once

// Test doubles for the platform services and a Platform built on them. By default the PC is
// "office-pc" at 192.168.1.10/255.255.255.0 on one fixed-address adapter.

#include "platform/Platform.h"

#include <QHash>
#include <vector>

namespace vantoro::test {

class FakeAdapters : public NetworkAdapters {
public:
    AdapterList list{
        AdapterListState::Ok,
        {Adapter{QStringLiteral("eth0"),
                 true,
                 true,
                 {{QStringLiteral("192.168.1.10"), QStringLiteral("255.255.255.0"), false}}}}};
    AdapterList Adapters() const override { return list; }
};

class FakeHostNames : public HostNames {
public:
    QString hostName = QStringLiteral("office-pc");
    QHash<QString, QStringList> resolves{
        {QStringLiteral("office-pc"), {QStringLiteral("192.168.1.10")}}};

    QString LocalHostName() const override { return hostName; }
    QStringList Ipv4AddressesOf(const QString& name) const override { return resolves.value(name); }
};

class FakeBrowser : public WebBrowser {
public:
    std::vector<QString> opened; // every URL, as text
    void Open(const QUrl& url) override { opened.push_back(url.toString()); }
};

class FakeSounds : public Sounds {
public:
    int beeps = 0;
    void Beep() override { ++beeps; }
};

struct FakeServices {
    FakeAdapters adapters;
    FakeHostNames hostNames;
    FakeBrowser browser;
    FakeSounds sounds;
};

class FakePlatform : public FakeServices, public Platform {
public:
    FakePlatform() : Platform(adapters, hostNames, browser, sounds) {}
};

} // namespace vantoro::test
