// apply, export and watch in-process on the demo fleet, with a clock the test moves.

#include "app/cli/ApplyRun.h"
#include "app/cli/Watch.h"
#include "tests/app/ChangeTestSupport.h"
#include "tests/support/Files.h"

#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>

namespace vantoro::cli::test {
namespace {

class FleetOnDemoLan : public ChangeOnDemoLan {
protected:
    // Runs apply with plan (JSON text) to its end, scan tick after scan tick.
    ExitStatus Apply(const QByteArray& plan, ApplyOptions options = {}) {
        io_.out.clear();
        io_.err.clear();
        PlanReadResult read = ReadJsonPlan(plan, QStringLiteral("plan.json"));
        EXPECT_TRUE(read.ok()) << read.error.toStdString();
        ApplyRun run(lan_, read.bridges, std::move(options), passwords_, io_.outStream,
                     io_.errStream);
        std::optional<ExitStatus> finished;
        QObject::connect(&run, &ApplyRun::Finished, [&](ExitStatus status) { finished = status; });
        EXPECT_TRUE(run.Start());
        for (int tick = 0; !finished && tick < 400; ++tick) {
            lan_.Advance(DiscoveryScan::kTickMs);
            run.scan().OnScanTick();
        }
        return finished.value_or(ExitStatus::Usage);
    }

    // The configuration requests sent to mac, their "key value" items joined by '|'.
    QStringList SentTo(const char* mac) const {
        const QByteArray head = QByteArray("Torva_MultiAp_mgnt 1002 REQ ") + mac + ' ';
        QStringList sent;
        for (const QByteArray& request : Sent()) {
            if (request.startsWith(head)) {
                sent.append(
                    QString::fromLatin1(request.mid(head.size()).chopped(2)).replace(u'\r', u'|'));
            }
        }
        return sent;
    }
};

TEST_F(FleetOnDemoLan, ApplySendsEachBridgeWhatItsPlanChanges) {
    passwords_.environment = QStringLiteral("front01");
    const QByteArray plan = R"({"bridges": [
        {"mac": "02:4B:00:00:00:01", "ip": {"address": "192.168.1.77"},
         "wireless": {"ssid": "Plant"}},
        {"mac": "02:4B:00:00:00:05", "ip": {"mode": "static", "address": "10.0.0.5",
                                            "netmask": "255.0.0.0"}},
        {"mac": "02:4B:00:00:00:03", "wireless": {"region": "GB", "networkType": "infrastructure"}},
        {"mac": "02:4B:00:00:00:99", "wireless": {"ssid": "x"}}]})";
    ApplyOptions options;
    options.login = {QStringLiteral("admin"), false, true};
    EXPECT_EQ(Apply(plan, options), ExitStatus::NoAnswer);
    EXPECT_EQ(io_.out.toStdString(),
              "02:4B:00:00:00:01  changed  ssid \"Office\" → \"Plant\"; ip 192.168.1.250 → "
              "192.168.1.77\n"
              "02:4B:00:00:00:05  changed  ipMode dhcp → static; ip 172.16.5.23 → 10.0.0.5; "
              "netmask 255.255.0.0 → 255.0.0.0\n"
              "02:4B:00:00:00:03  unchanged\n"
              "02:4B:00:00:00:99  not-found  no answer to the discovery scan\n");
    EXPECT_EQ(SentTo("02:4B:00:00:00:01"),
              (QStringList{"isl_wlg_ssid Plant|isl_wlg_nw_type 1|isl_wlg_privacy 0",
                           "wan_proto static|wan_ipaddr 192.168.1.77|wan_netmask 255.255.255.0"}));
    EXPECT_EQ(SentTo("02:4B:00:00:00:05").size(), 1);
    EXPECT_TRUE(SentTo("02:4B:00:00:00:03").isEmpty());
    // A second run sends nothing: FleetOverUdp.
}

TEST_F(FleetOnDemoLan, RefusalsAndLoginsAreDecidedPerBridge) {
    passwords_.environment = QStringLiteral("store02");
    ApplyOptions options;
    options.json = true;
    options.dryRun = true;
    options.login = {QStringLiteral("admin"), false, true};
    EXPECT_EQ(Apply(R"({"bridges": [
        {"mac": "02:4B:00:00:00:02", "wireless": {"region": "FR"}},
        {"mac": "02:4B:00:00:00:01", "ip": {"address": "192.168.1.0"}},
        {"mac": "02:4B:00:00:00:03", "wireless": {"wep": {"passphrase": "lab"}}}]})",
                    options),
              ExitStatus::LoginRefused);
    const QStringList lines = io_.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0].toStdString(),
              R"({"changes":{"region":["DE","FR"]},"mac":"02:4B:00:00:00:02","message":)"
              R"("Selecting the incorrect region may result in a violation of applicable law. )"
              R"(Do you agree to act in accordance with these settings? (add \"agreeRegion\": )"
              R"x(true to agree)","result":"refused"})x");
    EXPECT_EQ(lines[1].toStdString(),
              R"({"changes":{"ip":["192.168.1.250","192.168.1.0"]},"mac":"02:4B:00:00:00:01",)"
              R"("message":"IP Address is a network address in IP Subnet Mask setting.",)"
              R"("result":"refused"})");
    EXPECT_EQ(lines[2].toStdString(),
              R"({"changes":{"keys":[null,null]},"mac":"02:4B:00:00:00:03","message":)"
              R"("Invalid User name or Password.","result":"login-refused"})");
    EXPECT_TRUE(SentTo("02:4B:00:00:00:03").isEmpty());
}

TEST_F(FleetOnDemoLan, WhatExportWritesAppliesWithoutAChange) {
    DiscoveryScan scan(lan_);
    ASSERT_EQ(scan.SetUp(), SetupStatus::Ok);
    scan.Begin();
    for (int tick = 0; tick <= DiscoveryScan::kLastTick; ++tick) {
        lan_.Advance(DiscoveryScan::kTickMs);
        scan.OnScanTick();
    }
    QJsonArray bridges;
    for (int i = 0; i < scan.rowCount(); ++i) {
        bridges.append(BridgeDocument(scan.table().records[size_t(i)], i % 2 == 0));
    }
    ASSERT_EQ(bridges.size(), 8);
    const qsizetype logged = lan_.requestLog().size();
    EXPECT_EQ(Apply(QJsonDocument(QJsonObject{{QStringLiteral("bridges"), bridges}}).toJson()),
              ExitStatus::Ok);
    EXPECT_EQ(io_.out.count(QStringLiteral("  unchanged\n")), 8) << io_.out.toStdString();
    EXPECT_EQ(lan_.requestLog().size(), logged + 3); // one scan: three discovery requests
}

TEST(Credentials, AFileOthersCanReadIsRefused) {
    QTemporaryDir dir;
    QFile file(::vantoro::test::WriteFile(dir.filePath(QStringLiteral("credentials.json")),
                                          R"({"*": {"user": "admin", "password": "front01"}})"));
    QString error;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    EXPECT_FALSE(ReadCredentials(file.fileName(), error));
    EXPECT_TRUE(error.contains(QStringLiteral("other users can read this file")))
        << error.toStdString();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const std::optional<CredentialMap> map = ReadCredentials(file.fileName(), error);
    ASSERT_TRUE(map);
    EXPECT_EQ(map->value(QStringLiteral("*")).password, QStringLiteral("front01"));
}

// One bridge answers from the second scan on, one changes its network name between the first
// and second scan, one falls silent after the first.
TEST(Watch, ReportsABridgeThatAppearsChangesAndGoes) {
    const std::vector<sim::SimBridgeState> demo = sim::DemoFleet();
    std::vector<sim::SimBridgeState> fleet(demo.begin(), demo.begin() + 3);
    fleet[0].rebootMs = 0;
    fleet[1].rebootMs = 60000;
    fleet[2].rebootUntilMs = 2000;
    sim::SimulatedLan lan(fleet, {}, sim::ClockMode::Manual);
    ::vantoro::test::Captured io;
    WatchRun run(lan, {4000, 3, false, false}, io.outStream, io.errStream);
    ASSERT_TRUE(run.Start());
    for (int t = DiscoveryScan::kTickMs; t <= 12000; t += DiscoveryScan::kTickMs) {
        lan.Advance(DiscoveryScan::kTickMs);
        run.scan().OnScanTick();
        if (t == 3500) {
            for (const char* mac : {"02:4B:00:00:00:01", "02:4B:00:00:00:02"}) {
                lan.SendRequest(BuildConfigRequest(mac, {{"isl_wlg_ssid ", "Dock"},
                                                         {"isl_wlg_nw_type ", "1"},
                                                         {"isl_wlg_privacy ", "0"}})
                                    .text,
                                {});
            }
        }
        if (t % 4000 == 0) {
            run.OnInterval();
        }
    }
    // That it ends by itself after --count scans: WatchOverUdp.
    EXPECT_EQ(io.out.toStdString(), "+ 02:4B:00:00:00:01 Front-Office 192.168.1.250\n"
                                    "+ 02:4B:00:00:00:02 Warehouse 192.168.1.57\n"
                                    "~ 02:4B:00:00:00:01 ssid: Office → Dock\n"
                                    "+ 02:4B:00:00:00:03 Lab-Annex 10.20.30.40\n"
                                    "- 02:4B:00:00:00:02 Warehouse\n");
}

} // namespace
} // namespace vantoro::cli::test
