// End to end over real UDP: the simulator in one private network namespace, the program in
// another, joined by a veth pair. Needs root and iproute2; skips otherwise. The namespaces are
// made and removed by the test, so no broadcast reaches this machine's own interfaces.

#include "sim/Fleet.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace vantoro {
namespace {

QStringList Args(std::initializer_list<const char*> args) {
    QStringList list;
    for (const char* arg : args) {
        list.append(QString::fromUtf8(arg));
    }
    return list;
}

struct Outcome {
    int exitCode = -1;
    bool finished = false;
    QByteArray out;
    QByteArray err;
};

Outcome RunCommand(const QStringList& command, int timeoutMs,
                   const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(command.first(), command.mid(1));
    const bool finished = process.waitForFinished(timeoutMs);
    if (!finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    return {process.exitCode(), finished, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

QJsonArray ParseArray(const QByteArray& json) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << json.toStdString();
    return doc.array();
}

QSet<QString> Identifiers(const QJsonArray& bridges) {
    QSet<QString> macs;
    for (const QJsonValue& value : bridges) {
        macs.insert(value.toObject().value(QStringLiteral("macAddress")).toString());
    }
    return macs;
}

class OverUdp : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty()) {
            GTEST_SKIP() << "needs root and the 'ip' command to create network namespaces";
        }
        prefix_ = QStringLiteral("vt%1").arg(::getpid() % 100000);
        const Outcome up = RunCommand({Script(), QStringLiteral("up"), prefix_}, 20000);
        if (up.exitCode != 0) {
            RunCommand({Script(), QStringLiteral("down"), prefix_}, 20000);
            GTEST_SKIP() << "cannot create network namespaces here: " << up.err.toStdString();
        }
        ready_ = true;
    }

    void TearDown() override {
        for (QProcess* process : background_) {
            process->kill();
            process->waitForFinished(5000);
            delete process;
        }
        if (ready_) {
            RunCommand({Script(), QStringLiteral("down"), prefix_}, 20000);
        }
    }

    static QString Script() { return QStringLiteral(VANTORO_SOURCE_DIR "/tests/e2e/netns.sh"); }

    QStringList In(char side, const QStringList& command) const {
        return Args({"ip", "netns", "exec"}) + QStringList{prefix_ + u'-' + QLatin1Char(side)} +
               command;
    }

    // Starts the simulator (bounded to a minute) and waits for its start-up line.
    void StartSimulator(char side, const QStringList& args) {
        auto* process = new QProcess;
        background_.append(process);
        const QStringList command = In(side, QStringList{QStringLiteral(VANTORO_SIM_PATH)} + args +
                                                 Args({"--exit-after", "60"}));
        process->start(command.first(), command.mid(1));
        process->setReadChannel(QProcess::StandardError);
        ASSERT_TRUE(process->waitForReadyRead(10000)) << "simulator did not start";
    }

    QJsonArray Scan(const QStringList& options) {
        const Outcome scan =
            RunCommand(In('a', QStringList{QStringLiteral(VANTORO_CLI_PATH), QStringLiteral("scan"),
                                           QStringLiteral("--json")} +
                                   options),
                       20000);
        EXPECT_TRUE(scan.finished);
        EXPECT_EQ(scan.exitCode, 0) << scan.err.toStdString();
        return ParseArray(scan.out);
    }

    QString prefix_;
    bool ready_ = false;
    QList<QProcess*> background_;
};

TEST_F(OverUdp, CliScanListsTheDemoFleetAfterThreeExactDiscoveryRequests) {
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("requests.jsonl"));
    StartSimulator('b', {QStringLiteral("--log"), log});
    const QJsonArray bridges = Scan(Args({"--show-secrets"}));
    const auto fleet = sim::DemoFleet();
    ASSERT_EQ(bridges.size(), qsizetype(fleet.size()));
    for (const auto& bridge : fleet) {
        EXPECT_TRUE(Identifiers(bridges).contains(QString::fromLatin1(bridge.macAddress)));
    }
    EXPECT_TRUE(bridges.first().toObject().contains(QStringLiteral("password")));

    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    int discoveries = 0;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QJsonObject entry = QJsonDocument::fromJson(line).object();
        if (entry.value(QStringLiteral("command")).toInt() == 1001) {
            ++discoveries;
            EXPECT_EQ(QByteArray::fromHex(entry.value(QStringLiteral("raw")).toString().toLatin1()),
                      QByteArray("Torva_MultiAp_mgnt 1001 REQ 0.0.0.0\r\r"));
        }
    }
    EXPECT_EQ(discoveries, 3);
}

TEST_F(OverUdp, ManyBridgesWithJitterAndDuplicatesAreEachListedOnce) {
    StartSimulator(
        'b', Args({"--count", "120", "--delay", "50", "--jitter", "400", "--duplicates", "2"}));
    const QJsonArray bridges = Scan({});
    EXPECT_EQ(bridges.size(), 120);
    EXPECT_EQ(Identifiers(bridges).size(), 120);
    EXPECT_FALSE(bridges.first().toObject().contains(QStringLiteral("password")));
}

TEST_F(OverUdp, MalformedTrafficLeavesTheListClean) {
    StartSimulator('b', Args({"--malformed"}));
    const QJsonArray bridges = Scan({});
    EXPECT_EQ(Identifiers(bridges).size(), bridges.size()); // no bridge twice
    for (const QJsonValue& value : bridges) {
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
    StartSimulator('a', {}); // holds port 65432 in namespace a
    const Outcome cli = RunCommand(In('a', Args({VANTORO_CLI_PATH, "scan"})), 10000);
    ASSERT_TRUE(cli.finished);
    EXPECT_EQ(cli.exitCode, 2);
    EXPECT_TRUE(cli.err.contains("65432")) << cli.err.toStdString();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const Outcome gui = RunCommand(In('a', Args({VANTORO_GUI_PATH})), 10000, env);
    ASSERT_TRUE(gui.finished) << "the window stayed open on a taken port";
    EXPECT_EQ(gui.exitCode, 0);
}

} // namespace
} // namespace vantoro
