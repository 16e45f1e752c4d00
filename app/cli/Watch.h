#pragma once

// watch: a discovery scan every few seconds, and what changed on the LAN since the last one:
// "+" a bridge that appeared, "~" a setting that changed, "-" a bridge that missed two scans in
// a row.

#include "app/cli/Cli.h"

#include <QDateTime>
#include <QHash>
#include <QJsonObject>
#include <functional>

namespace vantoro::cli {

struct WatchOptions {
    int intervalMs = 15000;
    int count = 0; // scans before the end; 0 runs until stopped
    bool json = false;
    bool allFields = false; // counters and link quality too
};

class WatchRun : public QObject {
    Q_OBJECT
public:
    static constexpr int kMinIntervalMs = 4000;
    // A bridge is gone after this many scans in a row without it.
    static constexpr int kMissedScans = 2;

    using Clock = std::function<QDateTime()>;
    WatchRun(Transport& transport, WatchOptions options, QTextStream& out, QTextStream& err,
             Clock clock = &QDateTime::currentDateTimeUtc, QObject* parent = nullptr);

    bool Start();
    ExitStatus exitStatus() const { return exitStatus_; }
    DiscoveryScan& scan() { return scan_; }
    // The next scan is due (the interval timer's handler; tests call it directly).
    void OnInterval();
    // Ends the watch at once with status 0 (Ctrl+C, SIGTERM).
    void Stop();

Q_SIGNALS:
    void Finished(vantoro::cli::ExitStatus status);

private:
    struct Known {
        QJsonObject fields;
        int missed = 0;
    };

    void OnScanFinished();
    QJsonObject Fields(int row) const;
    void Event(const char* kind, const QJsonObject& values, const QString& text);

    DiscoveryScan scan_;
    WatchOptions options_;
    QTextStream& out_;
    QTextStream& err_;
    Clock clock_;
    QTimer intervalTimer_;
    QTimer signalPoll_;
    QStringList models_;
    QStringList order_; // MAC addresses in the order first seen
    QHash<QString, Known> known_;
    int scans_ = 0;
    bool finished_ = false;
    ExitStatus exitStatus_ = ExitStatus::Ok;
};

ExitStatus RunWatch(const QStringList& args, QTextStream& out, QTextStream& err,
                    const Services& services);

} // namespace vantoro::cli
