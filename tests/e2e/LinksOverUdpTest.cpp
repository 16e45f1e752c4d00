// Discovery on every interface, over real UDP: a PC namespace with links to several bridge
// namespaces (netns-links.sh), simulators behind them, vantoro-cli in the PC.

#include "tests/e2e/OverUdpFixture.h"

#include <QJsonArray>
#include <map>

namespace vantoro::e2e {
namespace {

class LinksOverUdp : public OverUdpFixture {
protected:
    LinksOverUdp() : OverUdpFixture("netns-links.sh", "pc") {}

    QString Link(int n) const { return prefix_ + QStringLiteral("-p%1").arg(n); }
    QString LogOf(const char* space) const {
        return dir_.filePath(QLatin1String(space) + QStringLiteral(".jsonl"));
    }

    // A simulator in namespace space, logging to LogOf(space).
    void Start(const char* space, const QStringList& args) {
        StartSimulator(QLatin1String(space),
                       args + QStringList{QStringLiteral("--log"), LogOf(space)});
    }

    // scan --json: each bridge's MAC address with the interface it answered on.
    std::multimap<QString, QString> Scan(const QStringList& extra = {}) {
        const Outcome run = Cli(Line({"scan", "--json"}) + extra);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        std::multimap<QString, QString> found;
        for (const QJsonValue bridge : QJsonDocument::fromJson(run.out.toUtf8()).array()) {
            found.emplace(bridge[QStringLiteral("macAddress")].toString(),
                          bridge[QStringLiteral("interface")].toString());
        }
        return found;
    }

    static int Count(const QList<QJsonObject>& log, int command) {
        return int(std::count_if(log.begin(), log.end(), [command](const QJsonObject& e) {
            return CommandOf(e) == command;
        }));
    }
};

TEST_F(LinksOverUdp, EveryLinkIsSearchedAndARequestGoesOnlyWhereItsBridgeIs) {
    Start("l1", {});                                    // the six demo bridges
    Start("l2", Line({"--count", "2"}));                // 02:4B:10:00:00:00 and :01
    Start("l3", Line({"--count", "1", "--seed", "3"})); // behind the link without IPv4

    const std::multimap<QString, QString> found = Scan();
    EXPECT_EQ(found.size(), 8u);
    EXPECT_EQ(found.count(QStringLiteral("02:4B:00:00:00:01")), 1u);
    EXPECT_EQ(found.find(QStringLiteral("02:4B:00:00:00:01"))->second, Link(1));
    ASSERT_EQ(found.count(QStringLiteral("02:4B:10:00:00:01")), 1u);
    EXPECT_EQ(found.find(QStringLiteral("02:4B:10:00:00:01"))->second, Link(2));

    const Outcome status = Cli(Line({"status", "02:4B:10:00:00:01"}));
    EXPECT_EQ(status.exitCode, 0) << status.err.toStdString();
    EXPECT_EQ(Count(ReadLog(LogOf("l2")), 1003), 1);
    EXPECT_EQ(Count(ReadLog(LogOf("l1")), 1003), 0);
    // Nothing leaves by a link the PC has no IPv4 address on.
    EXPECT_TRUE(ReadLog(LogOf("l3")).isEmpty());

    // Limited to the second link, only its bridges answer; an unknown name is a usage error.
    const std::multimap<QString, QString> second = Scan({QStringLiteral("--interface"), Link(2)});
    EXPECT_EQ(second.size(), 2u);
    // A named link without IPv4 stays silent: the limit holds, with no broadcast in its place.
    EXPECT_TRUE(Scan({QStringLiteral("--interface"), Link(3)}).empty());
    EXPECT_TRUE(ReadLog(LogOf("l3")).isEmpty());
    const Outcome unknown = Cli(Line({"scan", "--interface", "nosuch0"}));
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("nosuch0"))) << unknown.err.toStdString();

    // Without any default route the limited broadcast has no way out, but each link still has.
    ASSERT_EQ(RunCommand(Line({"ip", "-n"}) + QStringList{Space("pc")} +
                             Line({"route", "del", "default"}),
                         10000)
                  .exitCode,
              0);
    EXPECT_EQ(Scan().size(), 8u);
}

TEST_F(LinksOverUdp, ABridgeOnTwoLinksIsOneRowAndIsConfiguredOnce) {
    Start("lb", Line({"--reboot-ms", "0"}));
    const std::multimap<QString, QString> found = Scan();
    EXPECT_EQ(found.size(), 6u);
    EXPECT_EQ(found.count(QStringLiteral("02:4B:00:00:00:02")), 1u);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VANTORO_PASSWORD"), QStringLiteral("store02"));
    const Outcome run =
        Cli(Line({"set-wireless", "02:4B:00:00:00:02", "--user", "admin", "--ssid", "Dock"}), 20000,
            env);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QList<QJsonObject> log = ReadLog(LogOf("lb"));
    EXPECT_EQ(Count(log, 1003), 1);
    EXPECT_EQ(Count(log, 1002), 1);
}

} // namespace
} // namespace vantoro::e2e
