// End to end over real UDP: the simulator in one private network namespace, the program in
// another, joined by a veth pair. Needs root and iproute2; skips otherwise. The namespaces are
// made and removed by the test, so no broadcast reaches this machine's own interfaces.

#include "sim/Fleet.h"

#include <QDir>
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

struct Outcome {
    int exitCode = -1;
    bool finished = false;
    QByteArray out;
    QByteArray err;
};

class OverUdp : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "needs root to create network namespaces";
        }
        if (QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty()) {
            GTEST_SKIP() << "the 'ip' command (iproute2) is not installed";
        }
        prefix_ = QStringLiteral("vt%1").arg(::getpid() % 100000);
        const Outcome up = Run({Script(), QStringLiteral("up"), prefix_}, 20000);
        if (!up.finished || up.exitCode != 0) {
            Run({Script(), QStringLiteral("down"), prefix_}, 20000);
            GTEST_SKIP() << "cannot create network namespaces here: " << up.err.toStdString();
        }
        ready_ = true;
    }

    void TearDown() override {
        for (QProcess* p : background_) {
            p->kill();
            p->waitForFinished(5000);
            delete p;
        }
        background_.clear();
        if (ready_) {
            Run({Script(), QStringLiteral("down"), prefix_}, 20000);
        }
    }

    static QString Script() { return QStringLiteral(VANTORO_SOURCE_DIR "/tests/e2e/netns.sh"); }
    QString Ns(char side) const { return prefix_ + u'-' + QLatin1Char(side); }

    static Outcome Run(const QStringList& command, int timeoutMs,
                       const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(command.first(), command.mid(1));
        Outcome outcome;
        outcome.finished = process.waitForFinished(timeoutMs);
        if (!outcome.finished) {
            process.kill();
            process.waitForFinished(5000);
        }
        outcome.exitCode = process.exitCode();
        outcome.out = process.readAllStandardOutput();
        outcome.err = process.readAllStandardError();
        return outcome;
    }

    Outcome RunIn(char side, const QStringList& command, int timeoutMs,
                  const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
        return Run(QStringList{QStringLiteral("ip"), QStringLiteral("netns"),
                               QStringLiteral("exec"), Ns(side)} +
                       command,
                   timeoutMs, env);
    }

    // Starts the simulator in a namespace and waits (bounded) for its start-up line.
    void StartSimulator(char side, const QStringList& args) {
        auto* process = new QProcess;
        background_.append(process);
        process->start(QStringLiteral("ip"),
                       QStringList{QStringLiteral("netns"), QStringLiteral("exec"), Ns(side),
                                   QStringLiteral(VANTORO_SIM_PATH)} +
                           args +
                           QStringList{QStringLiteral("--exit-after"), QStringLiteral("60")});
        ASSERT_TRUE(process->waitForStarted(5000));
        // The simulator prints one line on stderr once it is listening.
        process->setReadChannel(QProcess::StandardError);
        ASSERT_TRUE(process->waitForReadyRead(10000)) << "simulator did not start";
    }

    QString prefix_;
    bool ready_ = false;
    QList<QProcess*> background_;
    QTemporaryDir dir_;
};

QJsonArray ParseArray(const QByteArray& json) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << json.toStdString();
    return doc.array();
}

TEST_F(OverUdp, CliScanListsTheDemoFleetAsTheBridgesReportIt) {
    const QString log = dir_.filePath(QStringLiteral("requests.jsonl"));
    StartSimulator('b', {QStringLiteral("--log"), log});
    const Outcome scan = RunIn('a',
                               {QStringLiteral(VANTORO_CLI_PATH), QStringLiteral("scan"),
                                QStringLiteral("--json"), QStringLiteral("--show-secrets")},
                               20000);
    ASSERT_TRUE(scan.finished);
    ASSERT_EQ(scan.exitCode, 0) << scan.err.toStdString();

    const QJsonArray bridges = ParseArray(scan.out);
    const auto fleet = sim::DemoFleet();
    ASSERT_EQ(bridges.size(), qsizetype(fleet.size()));
    QStringList listed;
    for (const QJsonValue& value : bridges) {
        listed.append(value.toObject().value(QStringLiteral("macAddress")).toString());
        EXPECT_TRUE(value.toObject().contains(QStringLiteral("password")));
    }
    for (const auto& bridge : fleet) {
        EXPECT_TRUE(listed.contains(QString::fromLatin1(bridge.macAddress)))
            << bridge.macAddress.toStdString();
    }

    // Exactly three discovery requests went over the wire, each byte-exact.
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    int discoveries = 0;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QJsonObject entry = QJsonDocument::fromJson(line).object();
        if (entry.value(QStringLiteral("command")).toInt() == 1001) {
            ++discoveries;
            EXPECT_EQ(entry.value(QStringLiteral("raw")).toString(),
                      QStringLiteral("546f7276615f4d756c746941705f6d676e7420313030312052455120"
                                     "302e302e302e300d0d"));
        }
    }
    EXPECT_EQ(discoveries, 3);
}

TEST_F(OverUdp, ManyBridgesWithJitterAndDuplicatesEachListedOnce) {
    StartSimulator('b',
                   {QStringLiteral("--count"), QStringLiteral("120"), QStringLiteral("--delay"),
                    QStringLiteral("50"), QStringLiteral("--jitter"), QStringLiteral("400"),
                    QStringLiteral("--duplicates"), QStringLiteral("2")});
    const Outcome scan = RunIn(
        'a', {QStringLiteral(VANTORO_CLI_PATH), QStringLiteral("scan"), QStringLiteral("--json")},
        20000);
    ASSERT_EQ(scan.exitCode, 0) << scan.err.toStdString();
    const QJsonArray bridges = ParseArray(scan.out);
    EXPECT_EQ(bridges.size(), 120);
    QSet<QString> unique;
    for (const QJsonValue& value : bridges) {
        unique.insert(value.toObject().value(QStringLiteral("macAddress")).toString());
        EXPECT_FALSE(value.toObject().contains(QStringLiteral("password")));
    }
    EXPECT_EQ(unique.size(), 120);
}

TEST_F(OverUdp, MalformedTrafficLeavesTheListClean) {
    StartSimulator('b', {QStringLiteral("--malformed")});
    const Outcome scan = RunIn(
        'a', {QStringLiteral(VANTORO_CLI_PATH), QStringLiteral("scan"), QStringLiteral("--json")},
        20000);
    ASSERT_EQ(scan.exitCode, 0) << scan.err.toStdString();
    const QJsonArray bridges = ParseArray(scan.out);
    QSet<QString> macs;
    for (const QJsonValue& value : bridges) {
        const QJsonObject bridge = value.toObject();
        macs.insert(bridge.value(QStringLiteral("macAddress")).toString());
        for (auto it = bridge.begin(); it != bridge.end(); ++it) {
            if (it.value().isString()) {
                EXPECT_LE(it.value().toString().size(), 32) << it.key().toStdString();
            }
        }
        EXPECT_LE(bridge.value(QStringLiteral("ssidList")).toArray().size(), 16);
    }
    EXPECT_EQ(macs.size(), bridges.size()); // no bridge twice
    for (const auto& bridge : sim::DemoFleet()) {
        EXPECT_TRUE(macs.contains(QString::fromLatin1(bridge.macAddress)));
    }
}

TEST_F(OverUdp, ASecondProgramOnATakenPortStops) {
    StartSimulator('a', {}); // holds port 65432 in namespace a
    const Outcome cli =
        RunIn('a', {QStringLiteral(VANTORO_CLI_PATH), QStringLiteral("scan")}, 10000);
    ASSERT_TRUE(cli.finished);
    EXPECT_EQ(cli.exitCode, 2);
    EXPECT_TRUE(cli.err.contains("65432")) << cli.err.toStdString();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const Outcome gui = RunIn('a', {QStringLiteral(VANTORO_GUI_PATH)}, 10000, env);
    ASSERT_TRUE(gui.finished) << "the window stayed open on a taken port";
    EXPECT_EQ(gui.exitCode, 0);
}

} // namespace
} // namespace vantoro
