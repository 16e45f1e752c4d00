// vantoro-cli apply over real UDP between two network namespaces: each bridge gets exactly the
// requests its plan needs, wireless before IP, and a second run sends nothing but discovery.

#include "tests/e2e/OverUdpFixture.h"
#include "tests/support/Files.h"

namespace vantoro::e2e {
namespace {

using FleetOverUdp = OverUdpFixture;

// Readable by its owner only, as the credentials must be.
QString Write(const QTemporaryDir& dir, const char* name, const QByteArray& text) {
    QString path = test::WriteFile(dir.filePath(QLatin1String(name)), text);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return path;
}

TEST_F(FleetOverUdp, ApplyChangesWhatEachBridgeNeedsAndNothingTheSecondTime) {
    const QString fleet = Write(dir_, "fleet.json", R"([
        {"macAddress": "02:4B:00:00:00:0A", "ipMode": "static", "ipAddress": "10.60.0.1",
         "ssid": "Old", "country": "US", "userName": "admin", "password": "a1", "version": "2"},
        {"macAddress": "02:4B:00:00:00:0B", "ipMode": "static", "ipAddress": "10.60.0.2",
         "ssid": "Plant", "country": "US", "userName": "admin", "password": "b2", "version": "2"},
        {"macAddress": "02:4B:00:00:00:0C", "ipMode": "dhcp", "ipAddress": "10.60.0.3",
         "ssid": "Old", "country": "US"},
        {"macAddress": "02:4B:00:00:00:0D", "ipMode": "static", "ipAddress": "10.60.0.4",
         "ssid": "Plant", "country": "US"}])");
    const QString plan = Write(dir_, "plan.json", R"({
        "defaults": {"wireless": {"ssid": "Plant"}, "ip": {"netmask": "255.255.255.0"}},
        "bridges": [
            {"mac": "02:4B:00:00:00:0A", "ip": {"address": "10.61.0.1"}},
            {"mac": "02:4B:00:00:00:0B", "ip": {"address": "10.61.0.2"}},
            {"mac": "02:4B:00:00:00:0C"},
            {"mac": "02:4B:00:00:00:0D", "ip": {"address": "10.60.0.4"}}]})");
    const QString credentials = Write(dir_, "credentials.json", R"({
        "02:4B:00:00:00:0A": {"user": "admin", "password": "a1"},
        "*": {"user": "admin", "password": "b2"}})");
    StartSimulator("b", QStringList{QStringLiteral("--fleet"), fleet, QStringLiteral("--reboot-ms"),
                                    QStringLiteral("3000"), QStringLiteral("--log"), log_});
    const QStringList apply{QStringLiteral("apply"), plan, QStringLiteral("--credentials"),
                            credentials};
    const Outcome first = Cli(apply, 60000);
    ASSERT_TRUE(first.finished);
    EXPECT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_EQ(first.out.toStdString(),
              "02:4B:00:00:00:0A  changed  ssid \"Old\" → \"Plant\"; ip 10.60.0.1 → 10.61.0.1\n"
              "02:4B:00:00:00:0B  changed  ip 10.60.0.2 → 10.61.0.2\n"
              "02:4B:00:00:00:0C  changed  ssid \"Old\" → \"Plant\"\n"
              "02:4B:00:00:00:0D  unchanged\n");

    QHash<QString, QStringList> sent; // target: the first item of each configuration, in order
    for (const QJsonObject& entry : ReadLog(log_)) {
        if (CommandOf(entry) == 1002) {
            EXPECT_TRUE(entry.value(QStringLiteral("applied")).toBool());
            sent[entry.value(QStringLiteral("target")).toString()].append(
                QString::fromLatin1(Raw(entry)).section(u' ', 4, 4));
        }
    }
    EXPECT_EQ(sent.value(QStringLiteral("02:4B:00:00:00:0A")),
              (QStringList{"isl_wlg_ssid", "wan_proto"}));
    EXPECT_EQ(sent.value(QStringLiteral("02:4B:00:00:00:0B")), QStringList{"wan_proto"});
    EXPECT_EQ(sent.value(QStringLiteral("02:4B:00:00:00:0C")), QStringList{"isl_wlg_ssid"});
    EXPECT_FALSE(sent.contains(QStringLiteral("02:4B:00:00:00:0D")));

    // The bridges now report the plan: a second run finds nothing to change and sends no
    // configuration.
    const qsizetype logged = ReadLog(log_).size();
    const Outcome second = Cli(apply + QStringList{QStringLiteral("--json")}, 30000);
    EXPECT_EQ(second.exitCode, 0) << second.err.toStdString();
    EXPECT_EQ(second.out.count(QStringLiteral("\"result\":\"unchanged\"")), 4)
        << second.out.toStdString();
    const QList<QJsonObject> log = ReadLog(log_);
    for (qsizetype i = logged; i < log.size(); ++i) {
        EXPECT_EQ(CommandOf(log[i]), 1001);
    }
}

} // namespace
} // namespace vantoro::e2e
