#include "app/cli/Watch.h"

#include "app/cli/FleetCommands.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <atomic>
#include <csignal>

namespace vantoro::cli {
namespace {

std::atomic<int> stopRequested{0};

extern "C" void OnStopSignal(int /*signal*/) {
    stopRequested = 1;
}

constexpr int kSignalPollMs = 100;

// Fields that change on their own from scan to scan.
const char* const kCounters[] = {"txPackets", "rxPackets", "linkQuality"};

QString Text(const QJsonValue& value) {
    if (value.isArray()) {
        QStringList parts;
        for (const auto& item : value.toArray()) {
            parts.append(item.toString());
        }
        return parts.join(QStringLiteral(", "));
    }
    return value.isNull() ? QString() : value.toString();
}

} // namespace

WatchRun::WatchRun(Transport& transport, WatchOptions options, QTextStream& out, QTextStream& err,
                   Clock clock, QObject* parent)
    : QObject(parent), scan_(transport), options_(options), out_(out), err_(err),
      clock_(std::move(clock)) {
    intervalTimer_.setInterval(options_.intervalMs);
    connect(&intervalTimer_, &QTimer::timeout, this, &WatchRun::OnInterval);
    signalPoll_.setInterval(kSignalPollMs);
    connect(&signalPoll_, &QTimer::timeout, this, [this] {
        if (stopRequested != 0) {
            Stop();
        }
    });
    connect(&scan_, &DiscoveryScan::ScanStarted, this, [this] { models_.clear(); });
    connect(&scan_, &DiscoveryScan::RowAdded, this, [this](int index, const RowText& row) {
        if (index == models_.size()) {
            models_.append(row[ColumnModel].toQString());
        }
    });
    connect(&scan_, &DiscoveryScan::RowUpdated, this, [this](int index, const RowText& row) {
        if (index >= 0 && index < models_.size()) {
            models_[index] = row[ColumnModel].toQString();
        }
    });
    connect(&scan_, &DiscoveryScan::ScanFinished, this, &WatchRun::OnScanFinished);
}

bool WatchRun::Start() {
    exitStatus_ = ReportSetup(scan_.SetUp(), err_);
    if (exitStatus_ != ExitStatus::Ok) {
        return false;
    }
    stopRequested = 0;
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
    signalPoll_.start();
    intervalTimer_.start();
    scan_.Begin();
    return true;
}

void WatchRun::OnInterval() {
    scan_.StartScan();
}

QJsonObject WatchRun::Fields(int row) const {
    QJsonObject fields = BridgeToJson(scan_.table().records[size_t(row)], models_[row], false);
    if (!options_.allFields) {
        for (const char* counter : kCounters) {
            fields.remove(QLatin1String(counter));
        }
    }
    return fields;
}

void WatchRun::Event(const char* kind, const QJsonObject& values, const QString& text) {
    if (options_.json) {
        QJsonObject event{{QStringLiteral("time"), clock_().toString(Qt::ISODateWithMs)},
                          {QStringLiteral("event"), QLatin1String(kind)}};
        for (auto it = values.begin(); it != values.end(); ++it) {
            event.insert(it.key(), it.value());
        }
        out_ << QJsonDocument(event).toJson(QJsonDocument::Compact) << '\n';
    } else {
        out_ << kind << ' ' << text << '\n';
    }
}

void WatchRun::OnScanFinished() {
    QSet<QString> seen;
    for (int i = 0; i < scan_.rowCount() && i < models_.size(); ++i) {
        const QJsonObject fields = Fields(i);
        const QString mac = fields.value(QLatin1String("macAddress")).toString();
        seen.insert(mac);
        const QString name = fields.value(QLatin1String("deviceName")).toString();
        auto known = known_.find(mac);
        if (known == known_.end()) {
            const QString ip = fields.value(QLatin1String("ipAddress")).toString();
            Event("+",
                  {{QStringLiteral("mac"), mac},
                   {QStringLiteral("name"), name},
                   {QStringLiteral("ip"), ip}},
                  QStringLiteral("%1 %2 %3").arg(Printable(mac), Printable(name), Printable(ip)));
            known_.insert(mac, {fields, 0});
            order_.append(mac);
            continue;
        }
        for (auto it = fields.begin(); it != fields.end(); ++it) {
            const QJsonValue old = known->fields.value(it.key());
            if (old != it.value()) {
                Event("~",
                      {{QStringLiteral("mac"), mac},
                       {QStringLiteral("field"), it.key()},
                       {QStringLiteral("from"), old},
                       {QStringLiteral("to"), it.value()}},
                      QStringLiteral("%1 %2: %3 → %4")
                          .arg(Printable(mac), it.key(), Printable(Text(old)),
                               Printable(Text(it.value()))));
            }
        }
        *known = {fields, 0};
    }
    for (qsizetype i = 0; i < order_.size();) {
        const QString mac = order_[i];
        Known& known = known_[mac];
        if (!seen.contains(mac) && ++known.missed >= kMissedScans) {
            const QString name = known.fields.value(QLatin1String("deviceName")).toString();
            Event("-", {{QStringLiteral("mac"), mac}, {QStringLiteral("name"), name}},
                  QStringLiteral("%1 %2").arg(Printable(mac), Printable(name)));
            known_.remove(mac);
            order_.removeAt(i);
            continue;
        }
        ++i;
    }
    out_.flush();
    if (options_.count > 0 && ++scans_ >= options_.count) {
        Stop();
    }
}

void WatchRun::Stop() {
    if (finished_) {
        return;
    }
    finished_ = true;
    intervalTimer_.stop();
    signalPoll_.stop();
    scan_.scanTimer().stop();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    out_.flush();
    Q_EMIT Finished(exitStatus_);
}

ExitStatus RunWatch(const QStringList& args, QTextStream& out, QTextStream& err,
                    const Services& services) {
    CommandLine line(kWatch);
    if (const std::optional<ExitStatus> end = line.Parse(args, out, err)) {
        return *end;
    }
    if (!line.parser().positionalArguments().isEmpty()) {
        return line.Fail(QStringLiteral("unexpected argument '%1'")
                             .arg(Printable(line.parser().positionalArguments().first())),
                         err);
    }
    WatchOptions options;
    options.json = line.isSet("json");
    options.allFields = line.isSet("all-fields");
    if (line.isSet("interval")) {
        bool ok = false;
        const double seconds = line.value("interval").toDouble(&ok);
        if (!ok || seconds * 1000 < WatchRun::kMinIntervalMs || seconds > 86400) {
            return line.Fail(QStringLiteral("--interval takes seconds, at least 4"), err);
        }
        options.intervalMs = int(seconds * 1000);
    }
    if (line.isSet("count")) {
        bool ok = false;
        options.count = line.value("count").toInt(&ok);
        if (!ok || options.count < 1) {
            return line.Fail(QStringLiteral("--count takes a number of scans, at least 1"), err);
        }
    }
    const std::unique_ptr<Transport> transport = line.MakeNetwork(services, err);
    if (!transport) {
        return ExitStatus::Usage;
    }
    WatchRun run(*transport, options, out, err);
    return RunCommandToEnd(run);
}

} // namespace vantoro::cli
