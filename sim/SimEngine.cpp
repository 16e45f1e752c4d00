#include "sim/SimEngine.h"

#include "protocol/ManagementMessage.h"
#include "sim/SimRequest.h"

#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace vantoro::sim {

namespace {

constexpr int kMaxDuplicates = 16;

SimOptions Sanitised(SimOptions o) {
    o.replyDelayMs = std::max(0, o.replyDelayMs);
    o.jitterMs = std::max(0, o.jitterMs);
    o.dropProbability = std::clamp(o.dropProbability, 0.0, 1.0);
    o.duplicateCount = std::clamp(o.duplicateCount, 0, kMaxDuplicates);
    o.duplicateProbability = std::clamp(o.duplicateProbability, 0.0, 1.0);
    o.rebootMs = std::max(0, o.rebootMs);
    return o;
}

QJsonValue TextOrNull(bool present, const QByteArray& text) {
    return present ? QJsonValue(QString::fromLatin1(text)) : QJsonValue(QJsonValue::Null);
}

// The request's line of the log, as it came in; the outcome is added once it is known.
QJsonObject RequestLog(const ParsedRequest& request, const QByteArray& datagram, qint64 nowMs) {
    QJsonObject log;
    log.insert(QStringLiteral("time"), double(nowMs));
    log.insert(QStringLiteral("command"),
               request.command != 0 ? QJsonValue(request.command) : QJsonValue(QJsonValue::Null));
    log.insert(QStringLiteral("target"), TextOrNull(request.hasTarget, request.target));
    if (request.command == int(Command::Discovery) || request.command == int(Command::Status)) {
        log.insert(QStringLiteral("argument"), QString::fromLatin1(request.argument));
    }
    QJsonArray items;
    for (const RequestItem& item : request.items) {
        items.append(
            QJsonArray{QString::fromLatin1(item.key.chopped(1)), QString::fromLatin1(item.value)});
    }
    log.insert(QStringLiteral("items"), items);
    log.insert(QStringLiteral("raw"), QString::fromLatin1(datagram.toHex()));
    return log;
}

} // namespace

LogSink LogToDevice(QIODevice* device) {
    return [device](const QByteArray& line) {
        device->write(line);
        device->write("\n", 1);
    };
}

SimEngine::SimEngine(std::vector<SimBridgeState> fleet, SimOptions options)
    : bridges_(std::move(fleet)), options_(Sanitised(options)), random_(options.seed) {
    byMac_.reserve(qsizetype(bridges_.size()));
    for (int i = int(bridges_.size()) - 1; i >= 0; --i) {
        byMac_.insert(bridges_[size_t(i)].macAddress, i); // the first of equal identifiers wins
    }
}

int SimEngine::FindBridge(const QByteArray& macAddress) const {
    return byMac_.value(macAddress, -1);
}

namespace {

// A bridge that took a change is silent until it has rebooted; its counters start again then.
void StartReboot(SimBridgeState& bridge, qint64 nowMs, qint64 fleetRebootMs) {
    bridge.rebootUntilMs = nowMs + (bridge.rebootMs >= 0 ? bridge.rebootMs : fleetRebootMs);
    bridge.bootTimeMs = bridge.rebootUntilMs;
    bridge.txPackets = 0;
    bridge.rxPackets = 0;
}

} // namespace

std::vector<OutgoingDatagram> SimEngine::HandleDatagram(const QByteArray& datagram, qint64 nowMs) {
    std::vector<OutgoingDatagram> out;
    // Bridges hear each other's replies (and their own) and ignore them.
    if (IsReply(DatagramText(datagram))) {
        return out;
    }
    const ParsedRequest request = ParseRequest(datagram);
    QJsonObject log = RequestLog(request, datagram, nowMs);

    QString reason = request.error;
    const int target = request.hasTarget ? FindBridge(request.target) : -1;
    if (reason.isEmpty() && request.hasTarget && target < 0) {
        reason = QStringLiteral("no bridge has this identifier");
    }
    if (reason.isEmpty() && target >= 0 && bridges_[size_t(target)].IsRebooting(nowMs)) {
        reason = QStringLiteral("bridge is rebooting");
    }
    if (reason.isEmpty()) {
        switch (Command(request.command)) {
        case Command::Discovery:
            for (int i = 0; i < int(bridges_.size()); ++i) {
                if (!bridges_[size_t(i)].IsRebooting(nowMs)) {
                    Schedule(out, i, Command::Discovery, nowMs);
                }
            }
            break;
        case Command::Status:
            Schedule(out, target, Command::Status, nowMs);
            break;
        case Command::Configuration: {
            SimBridgeState& bridge = bridges_[size_t(target)];
            reason = ApplyConfiguration(bridge, request.items);
            if (reason.isEmpty()) {
                StartReboot(bridge, nowMs, options_.rebootMs);
            }
            break;
        }
        }
    }
    if (request.command == int(Command::Configuration)) {
        log.insert(QStringLiteral("applied"), reason.isEmpty());
    }
    if (!reason.isEmpty()) {
        log.insert(QStringLiteral("reason"), reason);
    }
    log.insert(QStringLiteral("replies"), qint64(out.size()));
    if (logSink_) {
        logSink_(QJsonDocument(log).toJson(QJsonDocument::Compact));
    }
    return out;
}

void SimEngine::Schedule(std::vector<OutgoingDatagram>& out, int index, Command command,
                         qint64 nowMs) {
    const SimBridgeState& bridge = bridges_[size_t(index)];
    Emit(out, index, BuildReply(bridge, command, nowMs), nowMs);
    if (options_.malformed) {
        const auto kind = MalformedKind(nextMalformed_);
        nextMalformed_ = (nextMalformed_ + 1) % kMalformedKindCount;
        Emit(out, index, BuildMalformedReply(bridge, command, nowMs, kind, random_), nowMs);
    }
}

void SimEngine::Emit(std::vector<OutgoingDatagram>& out, int index, const QByteArray& bytes,
                     qint64 nowMs) {
    int copies = 1 + options_.duplicateCount;
    if (random_.Chance(options_.duplicateProbability)) {
        ++copies;
    }
    for (int i = 0; i < copies; ++i) {
        if (random_.Chance(options_.dropProbability)) {
            continue;
        }
        const qint64 at = nowMs + options_.replyDelayMs + random_.Below(options_.jitterMs + 1);
        out.push_back({at, bytes, index});
    }
}

} // namespace vantoro::sim
