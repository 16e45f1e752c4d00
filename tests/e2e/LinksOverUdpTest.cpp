// Discovery on every interface, over real UDP: a PC namespace with links to several bridge
// namespaces (netns-links.sh), simulators behind them, vantoro-cli in the PC.

#include "tests/e2e/OverUdpFixture.h"

#include <QJsonArray>
#include <map>

namespace vantoro::e2e {
namespace {

class LinksOverUdp : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty()) {
            GTEST_SKIP() << "needs root and the 'ip' command to create network namespaces";
        }
        prefix_ = QStringLiteral("vl%1").arg(::getpid() % 100000);
        const Outcome up = RunCommand({Script(), QStringLiteral("up"), prefix_}, 20000);
        if (up.exitCode != 0) {
            RunCommand({Script(), QStringLiteral("down"), prefix_}, 20000);
            GTEST_SKIP() << "cannot create network namespaces here: " << up.err.toStdString();
        }
        ready_ = true;
    }

    void TearDown() override {
        for (QProcess* process : simulators_) {
            process->kill();
            process->waitForFinished(5000);
            delete process;
        }
        if (ready_) {
            RunCommand({Script(), QStringLiteral("down"), prefix_}, 20000);
        }
    }

    static QString Script() {
        return QStringLiteral(VANTORO_SOURCE_DIR "/tests/e2e/netns-links.sh");
    }
    QString Space(const char* name) const { return prefix_ + u'-' + QLatin1String(name); }
    QString Link(int n) const { return prefix_ + QStringLiteral("-p%1").arg(n); }
    QString LogOf(const char* space) const {
        return dir_.filePath(QLatin1String(space) + QStringLiteral(".jsonl"));
    }

    // A simulator in namespace space (bounded to a minute), logging to LogOf(space).
    void StartSimulator(const char* space, const QStringList& args) {
        auto* process = new QProcess;
        simulators_.append(process);
        const QStringList command = Args({"ip", "netns", "exec"}) + QStringList{Space(space)} +
                                    QStringList{QStringLiteral(VANTORO_SIM_PATH)} + args +
                                    QStringList{QStringLiteral("--log"), LogOf(space)} +
                                    Args({"--exit-after", "60"});
        process->start(command.first(), command.mid(1));
        process->setReadChannel(QProcess::StandardError);
        ASSERT_TRUE(process->waitForReadyRead(10000)) << "simulator did not start";
    }

    Outcome Cli(const QStringList& args,
                const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
        return RunCommand(Args({"ip", "netns", "exec"}) + QStringList{Space("pc")} +
                              QStringList{QStringLiteral(VANTORO_CLI_PATH)} + args,
                          20000, env);
    }

    // scan --json: each bridge's MAC address with the interface it answered on.
    std::multimap<QString, QString> Scan(const QStringList& extra = {}) {
        const Outcome run = Cli(Args({"scan", "--json"}) + extra);
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

    QString prefix_;
    bool ready_ = false;
    QList<QProcess*> simulators_;
    QTemporaryDir dir_;
};

TEST_F(LinksOverUdp, EveryLinkIsSearchedAndARequestGoesOnlyWhereItsBridgeIs) {
    StartSimulator("l1", {});                                    // the six demo bridges
    StartSimulator("l2", Args({"--count", "2"}));                // 02:4B:10:00:00:00 and :01
    StartSimulator("l3", Args({"--count", "1", "--seed", "3"})); // behind the link without IPv4

    const std::multimap<QString, QString> found = Scan();
    EXPECT_EQ(found.size(), 8u);
    EXPECT_EQ(found.count(QStringLiteral("02:4B:00:00:00:01")), 1u);
    EXPECT_EQ(found.find(QStringLiteral("02:4B:00:00:00:01"))->second, Link(1));
    ASSERT_EQ(found.count(QStringLiteral("02:4B:10:00:00:01")), 1u);
    EXPECT_EQ(found.find(QStringLiteral("02:4B:10:00:00:01"))->second, Link(2));

    const Outcome status = Cli(Args({"status", "02:4B:10:00:00:01"}));
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
    const Outcome unknown = Cli(Args({"scan", "--interface", "nosuch0"}));
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("nosuch0"))) << unknown.err.toStdString();

    // Without any default route the limited broadcast has no way out, but each link still has.
    ASSERT_EQ(RunCommand(Args({"ip", "-n"}) + QStringList{Space("pc")} +
                             Args({"route", "del", "default"}),
                         10000)
                  .exitCode,
              0);
    EXPECT_EQ(Scan().size(), 8u);
}

TEST_F(LinksOverUdp, ABridgeOnTwoLinksIsOneRowAndIsConfiguredOnce) {
    StartSimulator("lb", Args({"--reboot-ms", "0"}));
    const std::multimap<QString, QString> found = Scan();
    EXPECT_EQ(found.size(), 6u);
    EXPECT_EQ(found.count(QStringLiteral("02:4B:00:00:00:02")), 1u);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VANTORO_PASSWORD"), QStringLiteral("store02"));
    const Outcome run =
        Cli(Args({"set-wireless", "02:4B:00:00:00:02", "--user", "admin", "--ssid", "Dock"}), env);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QList<QJsonObject> log = ReadLog(LogOf("lb"));
    EXPECT_EQ(Count(log, 1003), 1);
    EXPECT_EQ(Count(log, 1002), 1);
}

} // namespace
} // namespace vantoro::e2e
