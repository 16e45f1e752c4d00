#include "sim/SimBridge.h"

#include <algorithm>

namespace vantoro::sim {

namespace {

quint64 GrownCounter(quint64 base, quint32 perSecond, qint64 bootMs, qint64 nowMs) {
    const qint64 upMs = std::max<qint64>(0, nowMs - bootMs);
    return base + quint64(upMs) / 1000u * perSecond + quint64(upMs) % 1000u * perSecond / 1000u;
}

// At most 32 characters, never holding a CR or NUL that would shift the fields after it.
QByteArray Sanitized(const QByteArray& text) {
    QByteArray out = text.left(kSimFieldChars);
    for (char& c : out) {
        if (c == '\r' || c == '\0' || c == '\n') {
            c = '_';
        }
    }
    return out;
}

// One field as the bridge would send it: sanitized and never empty.
QByteArray Field(const QByteArray& text, std::string_view placeholder = kEmptyFieldPlaceholder) {
    QByteArray out = Sanitized(text);
    if (out.isEmpty()) {
        out = QByteArray(placeholder.data(), qsizetype(placeholder.size()));
    }
    return out;
}

QByteArray Number(qint64 value) {
    return QByteArray::number(value);
}

// Every field of the reply, in wire order. extraNames pads the visible networks for the
// malformed kinds that need more than the state holds.
struct ReplyFields {
    QList<QByteArray> head;  // fields 0..21
    QList<QByteArray> names; // 23..22+N
    QList<QByteArray> tail;  // link quality .. password
    QByteArray version;      // empty: not sent
};

ReplyFields CollectFields(const SimBridgeState& b, Command command, qint64 nowMs) {
    ReplyFields f;
    f.head = {QByteArray(kMagic.data(), qsizetype(kMagic.size())),
              Number(int(command)),
              QByteArray(kReplyMarker.data(), qsizetype(kReplyMarker.size())),
              Field(b.macAddress),
              Field(b.deviceName),
              Field(b.model),
              Field(b.ipMode, "static"),
              Field(b.ipAddress, "0.0.0.0"),
              Field(b.subnetMask, "0.0.0.0"),
              Field(b.gateway, "0.0.0.0"),
              Number(b.networkType),
              Number(b.channel),
              Number(b.profile),
              Field(b.country),
              Number(b.privacy ? 1 : 0),
              Number(b.keyLength),
              Number(b.keyId)};
    for (const QByteArray& key : b.keys) {
        f.head.append(Field(key));
    }
    f.head.append(Field(b.ssid));
    for (qsizetype i = 0; i < std::min<qsizetype>(b.ssidList.size(), kSimMaxSsids); ++i) {
        f.names.append(Field(b.ssidList[i]));
    }
    f.tail = {Number(b.linkQuality), Number(qint64(b.TxPacketsAt(nowMs))),
              Number(qint64(b.RxPacketsAt(nowMs))), Field(b.userName), Field(b.password)};
    f.version = Sanitized(b.version);
    return f;
}

QByteArray Join(const ReplyFields& f, const QByteArray& count) {
    QList<QByteArray> all = f.head;
    all.append(count);
    all.append(f.names);
    all.append(f.tail);
    if (!f.version.isEmpty()) {
        all.append(f.version);
    }
    return all.join('\r');
}

QByteArray Repeat(char c, int n) {
    return QByteArray(n, c);
}

} // namespace

quint64 SimBridgeState::TxPacketsAt(qint64 nowMs) const {
    return GrownCounter(txPackets, txPerSecond, bootTimeMs, nowMs);
}

quint64 SimBridgeState::RxPacketsAt(qint64 nowMs) const {
    return GrownCounter(rxPackets, rxPerSecond, bootTimeMs, nowMs);
}

QByteArray BuildReply(const SimBridgeState& bridge, Command command, qint64 nowMs) {
    ReplyFields f = CollectFields(bridge, command, nowMs);
    QByteArray text = Join(f, Number(f.names.size()));
    // The receiver reads 1023 characters at most; a bridge that sees many long names lists fewer.
    while (text.size() > kMaxReplyTextChars && !f.names.isEmpty()) {
        f.names.removeLast();
        text = Join(f, Number(f.names.size()));
    }
    return text;
}

QByteArray BuildMalformedReply(const SimBridgeState& bridge, Command command, qint64 nowMs,
                               MalformedKind kind, SimRandom& random) {
    ReplyFields f = CollectFields(bridge, command, nowMs);
    switch (kind) {
    case MalformedKind::OverlongFields: {
        f.head[4] = bridge.deviceName + Repeat('L', 40);
        f.head[5] = Repeat('M', 33);
        f.head[13] = Repeat('C', 33);
        f.head[21] = Repeat('S', 64);
        f.tail[3] = Repeat('U', 40);
        f.tail[4] = Repeat('P', 48);
        f.version = Repeat('V', 33);
        return Join(f, Number(f.names.size()));
    }
    case MalformedKind::TooManySsids: {
        f.names.clear();
        for (int i = 0; i < 17; ++i) {
            f.names.append("net" + Number(i));
        }
        return Join(f, Number(17 + random.Below(1000)));
    }
    case MalformedKind::MissingAck:
        f.head[2] = "NAK";
        return Join(f, Number(f.names.size()));
    case MalformedKind::JunkBytes: {
        QByteArray junk(1 + random.Below(300), '\0');
        for (char& c : junk) {
            c = char(random.Below(256));
        }
        return junk;
    }
    case MalformedKind::Oversize: {
        f.names.clear();
        for (int i = 0; i < 16; ++i) {
            f.names.append(Repeat(char('a' + i), 70));
        }
        QByteArray text = Join(f, "16");
        text.append('\r');
        if (text.size() < kMaxDatagramBytes) {
            text.append(Repeat('Z', kMaxDatagramBytes - int(text.size())));
        }
        return text.left(kMaxDatagramBytes);
    }
    case MalformedKind::EmbeddedNul: {
        QByteArray text = Join(f, Number(f.names.size()));
        // Inside the model name (field 5): what follows the NUL must not be read.
        qsizetype at = 1;
        for (int i = 0; i < 5; ++i) {
            at += f.head[i].size() + 1;
        }
        text[at] = '\0';
        return text;
    }
    }
    return {};
}

quint64 SimRandom::Next() {
    quint64 z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

int SimRandom::Below(int bound) {
    if (bound <= 0) {
        return 0;
    }
    return int(Next() % quint64(bound));
}

bool SimRandom::Chance(double probability) {
    if (probability <= 0.0) {
        return false;
    }
    if (probability >= 1.0) {
        return true;
    }
    return double(Next() >> 11) * 0x1.0p-53 < probability;
}

} // namespace vantoro::sim
