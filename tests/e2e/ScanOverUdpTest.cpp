// vantoro-cli scan and the window's start over real UDP between two network namespaces.

#include "sim/Fleet.h"
#include "tests/e2e/OverUdpFixture.h"

#include <QJsonArray>
#include <QSet>

namespace vantoro::e2e {
namespace {

QSet<QString> Identifiers(const QJsonArray& bridges) {
    QSet<QString> macs;
    for (const QJsonValue value : bridges) {
        macs.insert(value.toObject().value(QStringLiteral("macAddress")).toString());
    }
    return macs;
}

class OverUdp : public OverUdpFixture {
protected:
    QJsonArray Scan(const QStringList& options) {
        const Outcome scan = Cli(Line({"scan", "--json"}) + options);
        EXPECT_TRUE(scan.finished);
        EXPECT_EQ(scan.exitCode, 0) << scan.err.toStdString();
        return QJsonDocument::fromJson(scan.out.toUtf8()).array(); // invalid: no bridges
    }
};

TEST_F(OverUdp, CliScanListsTheDemoFleetAfterThreeExactDiscoveryRequests) {
    StartSimulator("b", {QStringLiteral("--log"), log_});
    const QJsonArray bridges = Scan(Line({"--show-secrets"}));
    const auto fleet = sim::DemoFleet();
    ASSERT_EQ(bridges.size(), qsizetype(fleet.size()));
    for (const auto& bridge : fleet) {
        EXPECT_TRUE(Identifiers(bridges).contains(QString::fromLatin1(bridge.macAddress)));
    }
    EXPECT_TRUE(bridges.first().toObject().contains(QStringLiteral("password")));

    int discoveries = 0;
    for (const QJsonObject& entry : ReadLog(log_)) {
        if (CommandOf(entry) == 1001) {
            ++discoveries;
            EXPECT_EQ(Raw(entry), QByteArray("Torva_MultiAp_mgnt 1001 REQ 0.0.0.0\r\r"));
        }
    }
    EXPECT_EQ(discoveries, 3);
}

TEST_F(OverUdp, ManyBridgesWithJitterAndDuplicatesAreEachListedOnce) {
    StartSimulator(
        "b", Line({"--count", "120", "--delay", "50", "--jitter", "400", "--duplicates", "2"}));
    const QJsonArray bridges = Scan({});
    EXPECT_EQ(bridges.size(), 120);
    EXPECT_EQ(Identifiers(bridges).size(), 120);
    EXPECT_FALSE(bridges.first().toObject().contains(QStringLiteral("password")));
}

TEST_F(OverUdp, MalformedTrafficLeavesTheListClean) {
    StartSimulator("b", Line({"--malformed"}));
    const QJsonArray bridges = Scan({});
    EXPECT_EQ(Identifiers(bridges).size(), bridges.size()); // no bridge twice
    for (const QJsonValue value : bridges) {
        const QJsonObject bridge = value.toObject();
        for (auto it = bridge.begin(); it != bridge.end(); ++it) {
            EXPECT_LE(it.value().toString().size(), 32) << it.key().toStdString();
        }
        EXPECT_LE(bridge.value(QStringLiteral("ssidList")).toArray().size(), 16);
    }
    for (const auto& bridge : sim::DemoFleet()) {
        EXPECT_TRUE(Identifiers(bridges).contains(QString::fromLatin1(bridge.macAddress)));
    }
}

TEST_F(OverUdp, ASecondProgramOnATakenPortStops) {
    StartSimulator("a", {}); // holds port 65432 in namespace a
    const Outcome cli = Cli(Line({"scan"}), 10000);
    ASSERT_TRUE(cli.finished);
    EXPECT_EQ(cli.exitCode, 2);
    EXPECT_TRUE(cli.err.contains(QStringLiteral("65432"))) << cli.err.toStdString();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const Outcome gui = RunCommand(In("a", Line({VANTORO_GUI_PATH})), 10000, env);
    ASSERT_TRUE(gui.finished) << "the window stayed open on a taken port";
    EXPECT_EQ(gui.exitCode, 0);
}

} // namespace
} // namespace vantoro::e2e
