#pragma once

// End to end over real UDP: the simulator in one private network namespace, the program in
// another, joined by a veth pair (netns.sh; or the namespaces of another script). Skips where no
// namespace can be made. The namespaces are made and removed by the fixture, so no broadcast
// reaches this machine's own interfaces, and every process it starts is bounded in time.

#include "tests/support/CliIo.h"
#include "tests/support/NetNamespace.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace vantoro::e2e {

using test::Line;

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
    OverUdpFixture() = default;
    // script: the namespaces' set-up under tests/e2e; cliSpace: the namespace vantoro-cli runs in.
    OverUdpFixture(const char* script, const char* cliSpace)
        : script_(QLatin1String(script)), cliSpace_(QLatin1String(cliSpace)) {}

    void SetUp() override {
        if (const auto unavailable = test::NetNamespacesUnavailable()) {
            GTEST_SKIP() << unavailable->toStdString();
        }
        prefix_ = QStringLiteral("vt%1").arg(::getpid() % 100000);
        const Outcome up = RunCommand({Script(), QStringLiteral("up"), prefix_}, 20000);
        if (up.exitCode != 0) {
            RunCommand({Script(), QStringLiteral("down"), prefix_}, 20000);
            FAIL() << Script().toStdString() << " up: " << up.err.toStdString();
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

    QString Script() const { return QStringLiteral(VANTORO_SOURCE_DIR "/tests/e2e/") + script_; }
    // The full name of the script's namespace space ("a", "b"; "pc", "l1", ...).
    QString Space(const QString& space) const { return prefix_ + u'-' + space; }

    // command, run inside namespace space.
    QStringList In(const QString& space, const QStringList& command) const {
        return Line({"ip", "netns", "exec"}) + QStringList{Space(space)} + command;
    }

    // Starts the simulator (bounded to a minute) and waits for its start-up line.
    void StartSimulator(const QString& space, const QStringList& args = {}) {
        auto* process = new QProcess;
        background_.append(process);
        const QStringList command = In(space, QStringList{QStringLiteral(VANTORO_SIM_PATH)} + args +
                                                  Line({"--exit-after", "60"}));
        process->start(command.first(), command.mid(1));
        process->setReadChannel(QProcess::StandardError);
        ASSERT_TRUE(process->waitForReadyRead(10000)) << "simulator did not start";
    }

    // vantoro-cli with args, in the client's namespace.
    Outcome Cli(const QStringList& args, int timeoutMs = 20000,
                const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                const QByteArray& input = QByteArray()) {
        return RunCommand(In(cliSpace_, QStringList{QStringLiteral(VANTORO_CLI_PATH)} + args),
                          timeoutMs, env, input);
    }

    QString script_ = QStringLiteral("netns.sh");
    QString cliSpace_ = QStringLiteral("a");
    QString prefix_;
    bool ready_ = false;
    QList<QProcess*> background_;
    QTemporaryDir dir_;
    QString log_; // where StartSimulator's --log may write
};

} // namespace vantoro::e2e
