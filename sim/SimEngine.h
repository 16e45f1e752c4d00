#pragma once

// A fleet of simulated bridges as a pure function from (request datagram, time) to the datagrams
// they send back and when. The same engine runs inside the program (SimulatedLan) and on real UDP
// (vantoro-bridge-sim).

#include "sim/SimBridge.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <functional>
#include <vector>

class QIODevice;

namespace vantoro::sim {

struct SimOptions {
    int replyDelayMs = 0;
    int jitterMs = 0;                  // each reply waits delay + 0..jitter ms
    double dropProbability = 0.0;      // per datagram, duplicates included
    int duplicateCount = 0;            // extra copies of every reply
    double duplicateProbability = 0.0; // chance of one further copy
    int rebootMs = 20000;              // silence after a configuration is applied
    bool malformed = false;            // each reply is followed by a broken datagram
    quint64 seed = 1;
};

struct OutgoingDatagram {
    qint64 sendAtMs = 0;
    QByteArray bytes;
    int bridgeIndex = -1;
};

// Where the time comes from: the engine itself only ever takes "now" as an argument.
class SimClock {
public:
    virtual ~SimClock() = default;
    virtual qint64 nowMs() const = 0;
};

class SteadyClock final : public SimClock {
public:
    SteadyClock() { timer_.start(); }
    qint64 nowMs() const override { return timer_.elapsed(); }

private:
    QElapsedTimer timer_;
};

class ManualClock final : public SimClock {
public:
    qint64 nowMs() const override { return now_; }
    void setNowMs(qint64 nowMs) { now_ = nowMs; }

private:
    qint64 now_ = 0;
};

// Every request received (replies from bridges excepted) becomes one compact JSON line:
//   {"time": ms, "command": 1001|1002|1003|other number|null, "target": id|null,
//    "argument": text (1001/1003), "items": [[key, value], ...], "raw": hex of the datagram,
//    "replies": datagrams scheduled, "applied": bool (1002 only), "reason": why not (if ignored)}
// Item keys are logged without their trailing space ("wan_proto"); texts are Latin-1.
using LogSink = std::function<void(const QByteArray& jsonLine)>;
// Writes each line and a newline to device (which must outlive the sink).
LogSink LogToDevice(QIODevice* device);

class SimEngine {
public:
    explicit SimEngine(std::vector<SimBridgeState> fleet, SimOptions options = {});

    // One datagram heard on the LAN at nowMs. Returns what the bridges send, in no particular
    // order; sendAtMs is never before nowMs.
    std::vector<OutgoingDatagram> HandleDatagram(const QByteArray& datagram, qint64 nowMs);

    void setLogSink(LogSink sink) { logSink_ = std::move(sink); }

    const std::vector<SimBridgeState>& bridges() const { return bridges_; }
    const SimOptions& options() const { return options_; }
    // Index of the bridge with this identifier, or -1.
    int FindBridge(const QByteArray& macAddress) const;

private:
    void Schedule(std::vector<OutgoingDatagram>& out, int index, Command command, qint64 nowMs);
    void Emit(std::vector<OutgoingDatagram>& out, int index, const QByteArray& bytes, qint64 nowMs);

    std::vector<SimBridgeState> bridges_;
    QHash<QByteArray, int> byMac_;
    SimOptions options_;
    SimRandom random_;
    int nextMalformed_ = 0;
    LogSink logSink_;
};

} // namespace vantoro::sim
