// vantoro-cli status end to end over real UDP: the simulator in one private network namespace,
// the program in another, joined by a veth pair. Needs root and iproute2; skips otherwise. The
// namespaces are made and removed by the test, so no broadcast reaches this machine's own
// interfaces.

#include <QElapsedTimer>
#include <QFile>
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
    QString out;
    QString err;
    qint64 elapsedMs = 0;
};

Outcome RunCommand(const QStringList& command, int timeoutMs) {
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(command.first(), command.mid(1));
    const bool finished = process.waitForFinished(timeoutMs);
    const qint64 elapsed = clock.elapsed();
    if (!finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    return {process.exitCode(), finished, QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError()), elapsed};
}

// The simulator's request log, one object per request.
QList<QJsonObject> ReadLog(const QString& path) {
    QList<QJsonObject> entries;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (!line.isEmpty()) {
            entries.append(QJsonDocument::fromJson(line).object());
        }
    }
    return entries;
}

QByteArray Raw(const QJsonObject& entry) {
    return QByteArray::fromHex(entry.value(QStringLiteral("raw")).toString().toLatin1());
}

class StatusOverUdp : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty()) {
            GTEST_SKIP() << "needs root and the 'ip' command to create network namespaces";
        }
        prefix_ = QStringLiteral("vs%1").arg(::getpid() % 100000);
        const Outcome up = RunCommand({Script(), QStringLiteral("up"), prefix_}, 20000);
        if (up.exitCode != 0) {
            RunCommand({Script(), QStringLiteral("down"), prefix_}, 20000);
            GTEST_SKIP() << "cannot create network namespaces here: " << up.err.toStdString();
        }
        ready_ = true;
        log_ = dir_.filePath(QStringLiteral("requests.jsonl"));
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

    // Starts the demo fleet (bounded to a minute) and waits for its start-up line.
    void StartSimulator(char side, const QStringList& args = {}) {
        auto* process = new QProcess;
        background_.append(process);
        const QStringList command = In(side, QStringList{QStringLiteral(VANTORO_SIM_PATH)} + args +
                                                 Args({"--exit-after", "60"}));
        process->start(command.first(), command.mid(1));
        process->setReadChannel(QProcess::StandardError);
        ASSERT_TRUE(process->waitForReadyRead(10000)) << "simulator did not start";
    }

    Outcome Status(const QStringList& args) {
        return RunCommand(
            In('a', QStringList{QStringLiteral(VANTORO_CLI_PATH), QStringLiteral("status")} + args),
            20000);
    }

    QString prefix_;
    bool ready_ = false;
    QList<QProcess*> background_;
    QTemporaryDir dir_;
    QString log_;
};

TEST_F(StatusOverUdp, OneExactRequestAndTheBridgesFieldsAsTheStatusWindowShowsThem) {
    StartSimulator('b', {QStringLiteral("--log"), log_});
    const Outcome text = Status(Args({"02:4B:00:00:00:02"}));
    ASSERT_TRUE(text.finished);
    EXPECT_EQ(text.exitCode, 0) << text.err.toStdString();
    for (const char* line :
         {"Wireless Settings\n", "  Network Name(SSID) : Stock\n",
          "  Connection Status :  Connected\n", "  Country/Region :     Europe\n",
          "  Channel :            1\n", "  Security :           WEP\n",
          "  Signal Strength :    64\n", "  IP Address :         192.168.1.57\n",
          "  IP Source :          Dhcp\n", "  Bridge Name :        Warehouse\n",
          "  Mac Address :        02:4B:00:00:00:02\n", "  Version :            2.1.4\n"}) {
        EXPECT_TRUE(text.out.contains(QLatin1String(line))) << line << text.out.toStdString();
    }

    // Exactly one request, the identifier as given, and no discovery.
    const QList<QJsonObject> log = ReadLog(log_);
    ASSERT_EQ(log.size(), 1);
    EXPECT_EQ(Raw(log[0]), QByteArray("Torva_MultiAp_mgnt 1003 REQ 02:4B:00:00:00:02 0.0.0.0\r\r"));
    EXPECT_EQ(log[0].value(QStringLiteral("replies")).toInt(), 1);
}

TEST_F(StatusOverUdp, NoAnswerEndsAfterThreeSecondsWithStatusFourAndATakenPortWithTwo) {
    StartSimulator('b', {QStringLiteral("--log"), log_});
    const Outcome lower = Status(Args({"02:4b:00:00:00:01"}));
    ASSERT_TRUE(lower.finished);
    EXPECT_EQ(lower.exitCode, 4);
    EXPECT_TRUE(lower.out.isEmpty());
    EXPECT_TRUE(lower.err.contains(QStringLiteral("02:4b:00:00:00:01"))) << lower.err.toStdString();
    EXPECT_TRUE(lower.err.contains(QStringLiteral("vantoro-cli scan")));
    EXPECT_GE(lower.elapsedMs, 3000);
    EXPECT_LT(lower.elapsedMs, 8000);
    const QList<QJsonObject> log = ReadLog(log_);
    ASSERT_EQ(log.size(), 1);
    EXPECT_EQ(log[0].value(QStringLiteral("replies")).toInt(), 0);

    StartSimulator('a'); // holds port 65432 where the program runs
    const Outcome taken = Status(Args({"02:4B:00:00:00:01"}));
    ASSERT_TRUE(taken.finished);
    EXPECT_EQ(taken.exitCode, 2);
    EXPECT_TRUE(taken.err.contains(QStringLiteral("65432"))) << taken.err.toStdString();
    EXPECT_LT(taken.elapsedMs, 3000);
    EXPECT_EQ(ReadLog(log_).size(), 1) << "a request went out without a listening port";
}

} // namespace
} // namespace vantoro
