#pragma once

// A LAN inside the program: a Transport whose datagrams reach a fleet of simulated bridges and
// whose replies come back after their delay. Nothing is ever sent on a real network.

#include "protocol/Transport.h"
#include "sim/Fleet.h"
#include "sim/SimEngine.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <map>
#include <utility>
#include <vector>

namespace vantoro::sim {

enum class ClockMode {
    RealTime, // a single-shot timer delivers each datagram when it is due
    Manual,   // time stands still until Advance()
};

class SimulatedLan : public vantoro::Transport {
    Q_OBJECT
public:
    SimulatedLan(std::vector<SimBridgeState> fleet, SimOptions options = {},
                 ClockMode mode = ClockMode::RealTime, QObject* parent = nullptr);

    // Returns the status set by setSetupStatus (default Ok). After a failed Open nothing sent
    // reaches the LAN, as with a socket that could not be made.
    SetupStatus Open() override;
    // Both go to every bridge and, like a real broadcast, back to the program itself. Nothing is
    // delivered before control returns to the event loop (or to Advance).
    void SendBroadcast(const QByteArray& text) override;
    // The LAN has no interfaces: every request reaches every bridge, whatever via says.
    void SendRequest(const QByteArray& text, const InterfaceId& via) override;

    void setSetupStatus(SetupStatus status) { setupStatus_ = status; }

    // Manual mode: moves the clock by ms and delivers everything due by then, in time order,
    // datagrams sent from the receiving slots included. Advance(0) delivers what is due now. In
    // RealTime mode it delivers what is due now and leaves the clock alone.
    void Advance(qint64 ms);
    // Delivers what is due now: what the timer does in RealTime mode.
    void DeliverDue();
    qint64 Now() const;

    // A datagram from elsewhere on the LAN (e.g. a broken reply), delivered to the program after
    // delayMs; the bridges do not hear it.
    void InjectDatagram(const QByteArray& datagram, qint64 delayMs = 0);
    // Makes the receive path fail once, after delayMs.
    void InjectReceiveFailure(qint64 delayMs = 0);

    int pendingDeliveries() const { return int(queue_.size()); }
    // Time of the next delivery, or -1 when nothing is queued.
    qint64 NextDeliveryTime() const;

    const std::vector<SimBridgeState>& bridges() const { return engine_.bridges(); }
    const SimEngine& engine() const { return engine_; }
    // One compact JSON line per request the bridges received (see SimEngine.h for the layout).
    QStringList requestLog() const { return requestLog_; }
    // Also hands every log line to sink (e.g. LogToDevice).
    void setLogSink(LogSink sink) { extraLogSink_ = std::move(sink); }

private:
    struct Delivery {
        QByteArray datagram;
        bool failure = false;
    };

    void Send(const QByteArray& text);
    void Enqueue(qint64 at, Delivery delivery);
    void DeliverUntil(qint64 limit, quint64 lastSequence);
    void Reschedule();

    SimEngine engine_;
    ClockMode mode_;
    SetupStatus setupStatus_ = SetupStatus::Ok;
    bool broken_ = false;
    QElapsedTimer elapsed_;
    qint64 manualNow_ = 0;
    quint64 nextSequence_ = 0;
    std::map<std::pair<qint64, quint64>, Delivery> queue_; // (due time, order sent)
    QTimer timer_;
    QStringList requestLog_;
    LogSink extraLogSink_;
};

} // namespace vantoro::sim
