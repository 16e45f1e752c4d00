#pragma once

// End to end over real UDP: the simulator in one private network namespace, the program in
// another, joined by a veth pair (netns.sh). Needs root and iproute2; skips otherwise. The
// namespaces are made and removed by the fixture, so no broadcast reaches this machine's own
// interfaces, and every process it starts is bounded in time.

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace vantoro::e2e {

inline QStringList Args(std::initializer_list<const char*> args) {
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

// Runs command to its end, killing it after timeoutMs; input goes to its standard input, which is
// then closed.
inline Outcome RunCommand(const QStringList& command, int timeoutMs,
                          const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                          const QByteArray& input = QByteArray()) {
    QProcess process;
    process.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    process.start(command.first(), command.mid(1));
    if (process.waitForStarted(timeoutMs)) {
        process.write(input);
        process.closeWriteChannel();
    }
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
inline QList<QJsonObject> ReadLog(const QString& path) {
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

// The request exactly as it came over the wire.
inline QByteArray Raw(const QJsonObject& entry) {
    return QByteArray::fromHex(entry.value(QStringLiteral("raw")).toString().toLatin1());
}

inline int CommandOf(const QJsonObject& entry) {
    return entry.value(QStringLiteral("command")).toInt();
}

class OverUdpFixture : public ::testing::Test {
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

    // command, run inside namespace side ('a' or 'b').
    QStringList In(char side, const QStringList& command) const {
        return Args({"ip", "netns", "exec"}) + QStringList{prefix_ + u'-' + QLatin1Char(side)} +
               command;
    }

    // Starts the simulator (bounded to a minute) and waits for its start-up line.
    void StartSimulator(char side, const QStringList& args = {}) {
        auto* process = new QProcess;
        background_.append(process);
        const QStringList command = In(side, QStringList{QStringLiteral(VANTORO_SIM_PATH)} + args +
                                                 Args({"--exit-after", "60"}));
        process->start(command.first(), command.mid(1));
        process->setReadChannel(QProcess::StandardError);
        ASSERT_TRUE(process->waitForReadyRead(10000)) << "simulator did not start";
    }

    // vantoro-cli with args, in namespace a.
    Outcome Cli(const QStringList& args, int timeoutMs = 20000,
                const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                const QByteArray& input = QByteArray()) {
        return RunCommand(In('a', QStringList{QStringLiteral(VANTORO_CLI_PATH)} + args), timeoutMs,
                          env, input);
    }

    QString prefix_;
    bool ready_ = false;
    QList<QProcess*> background_;
    QTemporaryDir dir_;
    QString log_; // where StartSimulator's --log may write
};

} // namespace vantoro::e2e
