// vantoro-cli set-ip and set-wireless over real UDP between two network namespaces: the bytes
// the simulator receives, and what the bridge answers afterwards.

#include "tests/e2e/OverUdpFixture.h"

#include <QJsonArray>

namespace vantoro::e2e {
namespace {

using ChangeOverUdp = OverUdpFixture;

QList<QJsonObject> Configurations(const QList<QJsonObject>& log) {
    QList<QJsonObject> found;
    for (const QJsonObject& entry : log) {
        if (CommandOf(entry) == 1002) {
            found.append(entry);
        }
    }
    return found;
}

TEST_F(ChangeOverUdp, SetIpWaitsUntilTheBridgeAnswersWithItsNewAddress) {
    StartSimulator("b", Line({"--reboot-ms", "4000"}) + QStringList{QStringLiteral("--log"), log_});
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("VANTORO_PASSWORD"));
    const Outcome run = Cli(Line({"set-ip", "02:4B:00:00:00:01", "--user", "admin",
                                  "--password-stdin", "--address", "10.213.0.77", "--wait"}),
                            30000, env, "front01\n");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith(
        QStringLiteral("The Bridge is now rebooting, please wait about 20 seconds.\n"
                       "The bridge answers with the new settings:\n")))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("  IP Address :         10.213.0.77\n")));
    EXPECT_GE(run.elapsedMs, 4000);
    EXPECT_FALSE((run.out + run.err).contains(QStringLiteral("front01")));

    // A status request, then one configuration request, then the scans.
    const QList<QJsonObject> log = ReadLog(log_);
    ASSERT_GE(log.size(), 3);
    EXPECT_EQ(CommandOf(log[0]), 1003);
    const QList<QJsonObject> changes = Configurations(log);
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(Raw(changes[0]), QByteArray("Torva_MultiAp_mgnt 1002 REQ 02:4B:00:00:00:01 "
                                          "wan_proto static\rwan_ipaddr 10.213.0.77\r"
                                          "wan_netmask 255.255.255.0\r\r"));
    EXPECT_TRUE(changes[0].value(QStringLiteral("applied")).toBool());
    EXPECT_EQ(CommandOf(log.last()), 1001);
}

TEST_F(ChangeOverUdp, SetWirelessChangesWhatTheBridgeReportsNext) {
    StartSimulator("b", Line({"--reboot-ms", "0"}) + QStringList{QStringLiteral("--log"), log_});
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VANTORO_PASSWORD"), QStringLiteral("store02"));
    const Outcome run = Cli(
        Line({"set-wireless", "02:4B:00:00:00:02", "--user", "admin", "--ssid", "Dock", "--region",
              "FR", "--agree-region", "--key", "3=0123456789", "--default-key", "3"}),
        20000, env);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out,
              QStringLiteral("The Bridge is now rebooting, please wait about 20 seconds.\n"));

    const QList<QJsonObject> changes = Configurations(ReadLog(log_));
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(Raw(changes[0]),
              QByteArray("Torva_MultiAp_mgnt 1002 REQ 02:4B:00:00:00:02 isl_wlg_country FR\r"
                         "isl_wlg_ssid Dock\risl_wlg_nw_type 1\risl_wlg_privacy 1\r"
                         "isl_wlg_keyid 2\risl_wlg_key_1 0A1B2C3D4E\risl_wlg_empty_key_1 1\r"
                         "isl_wlg_key_2 1122334455\risl_wlg_empty_key_2 1\r"
                         "isl_wlg_key_3 0123456789\risl_wlg_empty_key_3 1\r"
                         "isl_wlg_empty_key_4 empty\r\r"));

    const Outcome status = Cli(Line({"status", "02:4B:00:00:00:02", "--json", "--show-secrets"}));
    ASSERT_EQ(status.exitCode, 0) << status.err.toStdString();
    const QJsonObject bridge = QJsonDocument::fromJson(status.out.toUtf8()).object();
    EXPECT_EQ(QStringList({bridge["ssid"].toString(), bridge["country"].toString(),
                           bridge["keyId"].toString(), bridge["keys"][2].toString()}),
              QStringList({"Dock", "FR", "3", "0123456789"}));
}

TEST_F(ChangeOverUdp, AChangeThatChangesNothingSendsNothing) {
    StartSimulator("b", {QStringLiteral("--log"), log_});
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VANTORO_PASSWORD"), QStringLiteral("store02"));
    const Outcome run = Cli(Line({"set-wireless", "02:4B:00:00:00:02", "--user", "admin", "--ssid",
                                  "Stock", "--wep", "on", "--default-key", "2"}),
                            20000, env);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out,
              QStringLiteral("Nothing to change: the bridge already has these settings.\n"));
    EXPECT_TRUE(Configurations(ReadLog(log_)).isEmpty());
}

} // namespace
} // namespace vantoro::e2e
