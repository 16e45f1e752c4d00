#pragma once

// set-ip and set-wireless in-process: the demo fleet (and two bridges with odd records) on a LAN
// whose clock the test moves, password sources the test controls, and a driver that runs one
// command line to its end.

#include "app/cli/ChangeRun.h"
#include "sim/SimulatedLan.h"
#include "tests/support/CliIo.h"
#include "tests/support/FakePlatform.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace vantoro::cli::test {

class FakePasswords final : public PasswordSources {
public:
    std::optional<QString> environment;
    std::optional<QString> stdinLine;
    bool terminal = false;
    std::optional<QString> typed; // what the user types at the prompt
    int stdinReads = 0;
    QStringList prompts;

    std::optional<QString> FromEnvironment() const override { return environment; }
    std::optional<QString> FromStdin() override {
        ++stdinReads;
        return stdinLine;
    }
    bool StdinIsTerminal() const override { return terminal; }
    std::optional<QString> FromPrompt(const QString& prompt) override {
        prompts.append(prompt);
        return typed;
    }
};

using vantoro::test::Line;

// The demo fleet with counters that stand still, plus a bridge whose address is no dotted quad
// and one whose password fills the whole login field. The status tests use it too.
inline std::vector<sim::SimBridgeState> ChangeFleet() {
    auto fleet = sim::DemoFleet();
    sim::SimBridgeState odd = fleet.front();
    odd.macAddress = "02:4B:00:00:00:07";
    odd.deviceName = "Odd-Address";
    odd.ipAddress = "unknown";
    odd.version.clear();
    fleet.push_back(odd);
    sim::SimBridgeState full = fleet.front();
    full.macAddress = "02:4B:00:00:00:08";
    full.deviceName = "Full-Login";
    full.password = "0123456789abcdef";
    fleet.push_back(full);
    for (auto& bridge : fleet) {
        bridge.txPerSecond = 0;
        bridge.rxPerSecond = 0;
    }
    return fleet;
}

class ChangeOnDemoLan : public ::testing::Test {
protected:
    sim::SimulatedLan lan_{ChangeFleet(), {}, sim::ClockMode::Manual};
    FakePasswords passwords_;
    vantoro::test::FakePlatform platform_;
    vantoro::test::Captured io_;
    qint64 confirmedAfterMs_ = -1; // how long --wait scanned before the end

    // Runs "vantoro-cli args" to its end: the status answer, then for --wait scan tick after
    // scan tick until the bridge confirms or the 60 seconds are up. Usage errors end at once.
    ExitStatus Change(const QStringList& args) {
        io_.out.clear();
        io_.err.clear();
        const Invocation invocation =
            ParseArguments(QStringList{QStringLiteral("vantoro-cli")} + args);
        std::unique_ptr<ChangeRun> run;
        if (invocation.kind == Invocation::Kind::SetIp) {
            run = std::make_unique<SetIpRun>(lan_, invocation.setIp, passwords_, platform_,
                                             io_.outStream, io_.errStream);
        } else if (invocation.kind == Invocation::Kind::SetWireless) {
            run = std::make_unique<SetWirelessRun>(lan_, invocation.setWireless, passwords_,
                                                   io_.outStream, io_.errStream);
        } else {
            io_.err = invocation.text;
            return ExitStatus::Usage;
        }
        int ends = 0;
        std::optional<ExitStatus> finished;
        QObject::connect(run.get(), &ChangeRun::Finished, [&](ExitStatus status) {
            ++ends;
            finished = status;
        });
        EXPECT_TRUE(run->Start());
        lan_.Advance(0);
        // The wait, then the search for a near miss.
        for (const int waitMs : {StatusRun::kAnswerWaitMs, StatusRun::kSearchWaitMs}) {
            if (run->statusRun().answerTimer().isActive()) {
                lan_.Advance(waitMs);
                run->statusRun().OnAnswerTimeout();
            }
        }
        qint64 waited = 0;
        for (; !finished && waited < ChangeRun::kConfirmWaitMs; waited += DiscoveryScan::kTickMs) {
            lan_.Advance(DiscoveryScan::kTickMs);
            run->scan().OnScanTick();
        }
        if (!finished) {
            run->OnConfirmTimeout();
        }
        confirmedAfterMs_ = waited;
        EXPECT_EQ(ends, 1) << args.join(u' ').toStdString();
        EXPECT_FALSE(run->confirmTimer().isActive());
        EXPECT_FALSE(run->scan().scanTimer().isActive());
        return finished.value_or(ExitStatus::Usage);
    }

    // The configuration requests the bridges received, as raw bytes.
    QByteArrayList Sent() const {
        QByteArrayList sent;
        for (const QString& line : lan_.requestLog()) {
            const QJsonObject entry = QJsonDocument::fromJson(line.toUtf8()).object();
            if (entry.value(QStringLiteral("command")).toInt() == 1002) {
                sent.append(
                    QByteArray::fromHex(entry.value(QStringLiteral("raw")).toString().toLatin1()));
            }
        }
        return sent;
    }

    // What --dry-run printed, one item per line.
    QStringList Items() const { return io_.out.split(u'\n', Qt::SkipEmptyParts); }
};

} // namespace vantoro::cli::test
