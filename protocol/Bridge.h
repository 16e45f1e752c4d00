#pragma once

// The record of one bridge and the fixed table of all bridges found since the last scan started.

#include "protocol/ManagementMessage.h"
#include "protocol/NetInterfaces.h"

#include <QString>
#include <array>
#include <string_view>

namespace vantoro {

inline constexpr int kBridgeTextBytes = 33; // 32 characters and a NUL
inline constexpr int kBridgeTextChars = kBridgeTextBytes - 1;
inline constexpr int kBridgeTableSize = 500;
inline constexpr int kMaxSsids = 16;
inline constexpr int kKeyCount = 4;

// A fixed-size NUL-terminated 8-bit text field. Writes are cut to 32 characters.
struct BridgeText {
    std::array<char, kBridgeTextBytes> bytes{};

    BridgeText() = default;
    explicit BridgeText(std::string_view text) { set(text); }
    void set(std::string_view text);
    void Clear() { bytes.fill('\0'); }
    std::string_view view() const { return std::string_view(bytes.data()); }
    bool isEmpty() const { return bytes[0] == '\0'; }
    // Bridges send 8-bit text; Latin-1 maps every byte to one character and loses nothing.
    QString toQString() const {
        return QString::fromLatin1(view().data(), qsizetype(view().size()));
    }
    friend bool operator==(const BridgeText& a, const BridgeText& b) {
        return a.view() == b.view();
    }
    friend bool operator==(const BridgeText& a, std::string_view b) { return a.view() == b; }
};

using KeyTexts = std::array<BridgeText, kKeyCount>;

struct Bridge {
    BridgeText macAddress;  // field 3: identifier, key of the table
    BridgeText ipMode;      // field 6: "dhcp" or a fixed address
    BridgeText ipAddress;   // field 7
    BridgeText subnetMask;  // field 8
    BridgeText gateway;     // field 9
    BridgeText deviceName;  // field 4
    BridgeText networkType; // field 10: "1" infrastructure, other ad-hoc
    BridgeText channel;     // field 11
    BridgeText profile;     // field 12: 802.11 mode value
    BridgeText country;     // field 13: region code
    BridgeText privacy;     // field 14: non-zero = WEP on
    BridgeText keyLength;   // field 15: "10" = 64-bit keys, else 128-bit
    BridgeText keyId;       // field 16: default key "1".."4"
    KeyTexts keys;          // fields 17-20, "NULL" stored as empty
    KeyTexts keys64;        // keys typed in the connection settings (not from the wire)
    KeyTexts keys128;
    BridgeText ssid;      // field 21
    BridgeText ssidCount; // field 22: N
    std::array<BridgeText, kMaxSsids> ssidList;
    BridgeText linkQuality; // 23+N
    BridgeText txPackets;   // 24+N
    BridgeText rxPackets;   // 25+N
    BridgeText userName;    // 26+N
    BridgeText password;    // 27+N
    BridgeText version;     // 28+N; empty = no login needed
    qint32 workProfile = 0;
    qint32 workChannel = 0;
    InterfaceId arrivedOn; // the interface of the latest reply (not from the wire)

    // Number of meaningful ssidList entries: N clamped to 0..16.
    int ssidListSize() const;
};

// Row texts of the bridge list in column order.
enum RowColumn { ColumnDeviceName = 0, ColumnModel = 1, ColumnIpAddress = 2, ColumnMacAddress = 3 };
inline constexpr int kRowColumns = 4;
using RowText = std::array<BridgeText, kRowColumns>;

// Exactly 500 records held by value; only the first rowCount are in use, the rest are leftovers.
struct BridgeTable {
    std::array<Bridge, kBridgeTableSize> records{};
};

enum class ReplyKind { Ignored, New, Updated };
struct ReplyResult {
    ReplyKind kind = ReplyKind::Ignored;
    int index = -1; // record index for New and Updated
};

// Takes one received reply text into the table. rowCount is the number of listed rows; a bridge
// whose identifier matches none of them goes to record rowCount (New), a listed one is rewritten
// in place (Updated). With all 500 rows listed, a further bridge is ignored. Writes rowText for
// every accepted reply; the caller appends or rewrites the list row.
ReplyResult ParseReply(BridgeTable& table, int rowCount, std::string_view text, RowText& rowText);

} // namespace vantoro
