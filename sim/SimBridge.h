#pragma once

// One simulated bridge: its full state and the reply datagrams it sends.

#include "config/Ipv4.h"
#include "protocol/ManagementMessage.h"

#include <QByteArray>
#include <QList>
#include <QtGlobal>
#include <array>
#include <optional>
#include <string_view>

namespace vantoro::sim {

inline constexpr int kSimKeyCount = 4;
inline constexpr int kSimMaxSsids = 16;
inline constexpr int kSimFieldChars = 32;

// Stands in for an empty text field in a reply: fields cannot be empty on the wire (runs of CRs
// collapse), and the bridges already send "NULL" for a missing key. The trailing version is the
// one exception: an empty version ends the reply after the password.
inline constexpr std::string_view kEmptyFieldPlaceholder = "NULL";

struct SimBridgeState {
    // Texts are 8-bit, at most 32 characters, never holding CR, LF or NUL.
    QByteArray macAddress; // identifier, e.g. "02:4B:00:00:00:01"
    QByteArray deviceName;
    QByteArray model;
    QByteArray ipMode = "dhcp"; // "dhcp" or "static"
    QByteArray ipAddress = "0.0.0.0";
    QByteArray subnetMask = "255.255.255.0";
    QByteArray gateway = "0.0.0.0";
    int networkType = 1; // 1 infrastructure, 2 ad-hoc
    int channel = 6;
    int profile = 1; // 802.11 mode value: 0 = b, 1 = b/g, 3 = g
    QByteArray country = "US";
    bool privacy = false;
    int keyLength = 10;                        // hex digits per key: 10 = 64-bit, 26 = 128-bit
    int keyId = 1;                             // default key 1..4
    std::array<QByteArray, kSimKeyCount> keys; // hex digits, empty = no key
    QByteArray ssid;
    QList<QByteArray> ssidList; // networks the bridge sees, at most 16
    int linkQuality = 0;        // 0..100, 0 = not connected
    quint64 txPackets = 0;      // counts at boot time; they grow at the rates below
    quint64 rxPackets = 0;
    quint32 txPerSecond = 20;
    quint32 rxPerSecond = 25;
    QByteArray userName;
    QByteArray password;
    QByteArray version; // empty: the bridge needs no login

    int rebootMs = -1; // silence after a configuration; -1: the engine's

    // Run time, in the engine's clock (ms).
    qint64 bootTimeMs = 0;
    qint64 rebootUntilMs = 0; // silent before this time

    bool IsRebooting(qint64 nowMs) const { return nowMs < rebootUntilMs; }
    quint64 TxPacketsAt(qint64 nowMs) const;
    quint64 RxPacketsAt(qint64 nowMs) const;
};

// The one reply form, for discovery (1001) and status (1003) answers. Text fields are cut to 32
// characters; visible network names are dropped from the end if the text would pass 1023
// characters.
QByteArray BuildReply(const SimBridgeState& bridge, Command command, qint64 nowMs);

// Kinds of broken datagram a bridge sends in malformed mode.
enum class MalformedKind {
    OverlongFields, // reply layout, but texts of 33..64 characters
    TooManySsids,   // N above 16
    MissingAck,     // field 2 is not "ACK"
    JunkBytes,      // random bytes, NULs and CRs included
    Oversize,       // exactly 1514 bytes, no NUL, fields running past 1023 characters
    EmbeddedNul,    // a good reply with a NUL in the middle
};
inline constexpr int kMalformedKindCount = 6;

class SimRandom;
QByteArray BuildMalformedReply(const SimBridgeState& bridge, Command command, qint64 nowMs,
                               MalformedKind kind, SimRandom& random);

// Deterministic generator (splitmix64): the same seed gives the same drops, jitter and junk on
// every platform.
class SimRandom {
public:
    explicit SimRandom(quint64 seed = 1) : state_(seed) {}
    quint64 Next();
    // 0..bound-1; 0 when bound <= 0.
    int Below(int bound);
    bool Chance(double probability);

private:
    quint64 state_;
};

} // namespace vantoro::sim
