#include "sim/SimRequest.h"

#include "config/Regions.h"
#include "protocol/Latin1.h"
#include "protocol/ManagementMessage.h"

#include <array>
#include <initializer_list>

namespace vantoro::sim {

namespace {

// Keys in the only order a bridge accepts them.
enum KeyIndex {
    kWanProto,
    kWanIpAddr,
    kWanNetmask,
    kCountry,
    kSsid,
    kNwType,
    kProfile,
    kChannel,
    kPrivacy,
    kKeyId,
    kKey1, // kKey1 + 2 * (k - 1) is key k, the next index its empty_key item
    kEmptyKey4 = kKey1 + 7,
    kKeyCountTotal,
};

constexpr std::array<std::string_view, kKeyCountTotal> kKeys = {
    "wan_proto ",       "wan_ipaddr ",          "wan_netmask ",     "isl_wlg_country ",
    "isl_wlg_ssid ",    "isl_wlg_nw_type ",     "isl_wlg_profile ", "isl_wlg_channel ",
    "isl_wlg_privacy ", "isl_wlg_keyid ",       "isl_wlg_key_1 ",   "isl_wlg_empty_key_1 ",
    "isl_wlg_key_2 ",   "isl_wlg_empty_key_2 ", "isl_wlg_key_3 ",   "isl_wlg_empty_key_3 ",
    "isl_wlg_key_4 ",   "isl_wlg_empty_key_4 ",
};

int KeyIndexOf(std::string_view key) {
    for (int i = 0; i < kKeyCountTotal; ++i) {
        if (kKeys[size_t(i)] == key) {
            return i;
        }
    }
    return -1;
}

QString KeyName(int index) {
    const std::string_view key = kKeys[size_t(index)];
    return QString::fromLatin1(key.data(), qsizetype(key.size() - 1));
}

bool IsDecimal(std::string_view text) {
    if (text.empty() || text.size() > 3) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

// A configuration's items, each ending in its own CR; empty when every item reads.
QString ParseItems(std::string_view rest, QList<RequestItem>& items) {
    while (!rest.empty()) {
        const size_t cr = rest.find('\r');
        const std::string_view item = rest.substr(0, cr);
        rest = rest.substr(cr + 1);
        if (item.empty()) {
            return QStringLiteral("empty item (CR inside a value?)");
        }
        const size_t space = item.find(' ');
        if (space == std::string_view::npos) {
            return QStringLiteral("item \"%1\" has no value")
                .arg(QString::fromLatin1(item.data(), qsizetype(item.size())));
        }
        items.append({QByteArray(item.data(), qsizetype(space + 1)),
                      QByteArray(item.data() + space + 1, qsizetype(item.size() - space - 1))});
    }
    if (items.isEmpty()) {
        return QStringLiteral("configuration without items");
    }
    return {};
}

} // namespace

ParsedRequest ParseRequest(const QByteArray& datagram) {
    ParsedRequest r;
    const std::string_view text = View(datagram);
    const std::string_view magic = kMagic;
    if (text.size() < magic.size() + 1 || text.substr(0, magic.size()) != magic ||
        text[magic.size()] != ' ') {
        r.error = QStringLiteral("not a management request");
        return r;
    }
    std::string_view rest = text.substr(magic.size() + 1);
    if (rest.size() < 4 || !IsDecimal(rest.substr(0, 3)) || rest[3] < '0' || rest[3] > '9') {
        r.error = QStringLiteral("no command number");
        return r;
    }
    r.command = DecimalValue(rest.substr(0, 4));
    rest = rest.substr(4);
    if (rest.substr(0, 5) != " REQ ") {
        r.error = QStringLiteral("no \"REQ\" after the command number");
        return r;
    }
    rest = rest.substr(5);
    if (r.command != int(Command::Discovery) && r.command != int(Command::Configuration) &&
        r.command != int(Command::Status)) {
        r.error = QStringLiteral("unknown command %1").arg(r.command);
        return r;
    }
    if (r.command != int(Command::Discovery)) {
        const size_t space = rest.find(' ');
        if (space == std::string_view::npos || space == 0) {
            r.error = QStringLiteral("no target identifier");
            return r;
        }
        r.hasTarget = true;
        r.target = QByteArray(rest.data(), qsizetype(space));
        rest = rest.substr(space + 1);
    }
    if (rest.size() < 2 || rest.substr(rest.size() - 2) != "\r\r") {
        r.error = QStringLiteral("request does not end in CR CR");
        return r;
    }
    rest.remove_suffix(1);
    if (r.command != int(Command::Configuration)) {
        rest.remove_suffix(1);
        r.argument = QByteArray(rest.data(), qsizetype(rest.size()));
        if (rest.find('\r') != std::string_view::npos) {
            r.error = QStringLiteral("CR inside the argument");
        }
    } else {
        r.error = ParseItems(rest, r.items);
    }
    if (r.ok() && datagram.contains('\0')) {
        r.error = QStringLiteral("NUL byte in the request");
    }
    return r;
}

namespace {

// The items of one request by key, each at most once and in the bridge's order.
class GivenItems {
public:
    // Empty when the keys are known, unrepeated and in order; otherwise why not.
    QString Read(const QList<RequestItem>& items) {
        int last = -1;
        for (const RequestItem& item : items) {
            const int index = KeyIndexOf(View(item.key));
            if (index < 0) {
                return QStringLiteral("unknown key \"%1\"").arg(Latin1(item.key));
            }
            if (index == last) {
                return QStringLiteral("%1 repeated").arg(KeyName(index));
            }
            if (index < last) {
                return QStringLiteral("%1 out of order (after %2)")
                    .arg(KeyName(index), KeyName(last));
            }
            given_[size_t(index)] = &item.value;
            last = index;
        }
        return {};
    }

    bool Has(int index) const { return given_[size_t(index)] != nullptr; }
    bool HasAny(int first, int end) const {
        for (int i = first; i < end; ++i) {
            if (Has(i)) {
                return true;
            }
        }
        return false;
    }
    std::string_view Value(int index) const { return View(*given_[size_t(index)]); }
    const QByteArray& Bytes(int index) const { return *given_[size_t(index)]; }

    // Empty when every one of keys is given; otherwise the first one missing.
    QString Missing(std::initializer_list<int> keys) const {
        for (int i : keys) {
            if (!Has(i)) {
                return QStringLiteral("%1 missing").arg(KeyName(i));
            }
        }
        return {};
    }

private:
    std::array<const QByteArray*, kKeyCountTotal> given_{};
};

QString ApplyIpItems(const GivenItems& given, SimBridgeState& next) {
    if (QString missing = given.Missing({kWanProto, kWanIpAddr, kWanNetmask}); !missing.isEmpty()) {
        return missing;
    }
    const bool dhcp = given.Value(kWanProto) == "dhcp";
    if (!dhcp && given.Value(kWanProto) != "static") {
        return QStringLiteral("wan_proto must be static or dhcp");
    }
    const std::optional<quint32> address = ParseIpv4(given.Value(kWanIpAddr));
    const std::optional<quint32> mask = ParseIpv4(given.Value(kWanNetmask));
    if (!address) {
        return QStringLiteral("wan_ipaddr is not a dotted-decimal address");
    }
    if (!mask || !IsContiguousMask(*mask)) {
        return QStringLiteral("wan_netmask is not a contiguous mask");
    }
    if (!dhcp && (*address == 0 || *address == 0xFFFFFFFFu || *mask == 0)) {
        return QStringLiteral("a fixed address needs a host address and a non-zero mask");
    }
    next.ipMode = given.Bytes(kWanProto);
    // With DHCP the program sends what it has; a bridge keeps its lease over an empty one.
    if (!dhcp || *address != 0) {
        next.ipAddress = FormatIpv4(*address);
    }
    if (!dhcp || *mask != 0) {
        next.subnetMask = FormatIpv4(*mask);
    }
    return {};
}

// Region, network name, network type and the ad-hoc profile and channel.
QString ApplyRadioItems(const GivenItems& given, SimBridgeState& next) {
    if (given.Has(kCountry)) {
        if (FindRegion(given.Value(kCountry)) == nullptr) {
            return QStringLiteral("unknown region \"%1\"").arg(Latin1(given.Bytes(kCountry)));
        }
        next.country = given.Bytes(kCountry);
    }
    if (given.Value(kSsid).empty() || given.Value(kSsid).size() > size_t(kSimFieldChars)) {
        return QStringLiteral("isl_wlg_ssid must hold 1 to 32 characters");
    }
    next.ssid = given.Bytes(kSsid);
    if (given.Value(kNwType) != "1" && given.Value(kNwType) != "2") {
        return QStringLiteral("isl_wlg_nw_type must be 1 or 2");
    }
    next.networkType = given.Value(kNwType) == "2" ? 2 : 1;
    if (next.networkType != 2 && (given.Has(kProfile) || given.Has(kChannel))) {
        return QStringLiteral("profile and channel are only for ad-hoc (nw_type 2)");
    }
    if (given.Has(kProfile)) {
        const std::string_view p = given.Value(kProfile);
        if (p != "0" && p != "1" && p != "3") {
            return QStringLiteral("isl_wlg_profile must be 0, 1 or 3");
        }
        next.profile = DecimalValue(p);
    }
    if (given.Has(kChannel)) {
        // A region the table does not know reads as its first row.
        const RegionEntry& region = kRegionTable[FindRegionIndex(View(next.country))];
        const std::string_view c = given.Value(kChannel);
        if (!IsDecimal(c) || DecimalValue(c) < region.firstChannel ||
            DecimalValue(c) > region.lastChannel) {
            return QStringLiteral("channel %1 is outside %2..%3 of region %4")
                .arg(Latin1(given.Bytes(kChannel)))
                .arg(region.firstChannel)
                .arg(region.lastChannel)
                .arg(Latin1(next.country));
        }
        next.channel = DecimalValue(c);
    }
    return {};
}

// WEP on or off and the default key.
QString ApplyPrivacyItems(const GivenItems& given, SimBridgeState& next) {
    if (given.Value(kPrivacy) != "0" && given.Value(kPrivacy) != "1") {
        return QStringLiteral("isl_wlg_privacy must be 0 or 1");
    }
    next.privacy = given.Value(kPrivacy) == "1";
    if (!next.privacy && given.HasAny(kKeyId, kKeyCountTotal)) {
        return QStringLiteral("key items need isl_wlg_privacy 1");
    }
    if (given.Has(kKeyId)) {
        const std::string_view k = given.Value(kKeyId);
        if (k.size() != 1 || k[0] < '0' || k[0] > '3') {
            return QStringLiteral("isl_wlg_keyid must be 0 to 3");
        }
        next.keyId = k[0] - '0' + 1;
    }
    return {};
}

// The four keys, each with its empty_key item, and the key length they set.
// Key k and its "empty" companion; newLength is the length of the keys given so far (0: none).
QString ApplyKeyItem(const GivenItems& given, int k, int& newLength, SimBridgeState& next) {
    const int keyIndex = kKey1 + 2 * k;
    const int emptyIndex = keyIndex + 1;
    if (given.Has(keyIndex)) {
        const std::string_view key = given.Value(keyIndex);
        if ((key.size() != 10 && key.size() != 26) || !IsHexText(key)) {
            return QStringLiteral("%1 must be 10 or 26 hex digits").arg(KeyName(keyIndex));
        }
        if (newLength != 0 && int(key.size()) != newLength) {
            return QStringLiteral("keys of different lengths");
        }
        newLength = int(key.size());
        if (!given.Has(emptyIndex) || given.Value(emptyIndex) != "1") {
            return QStringLiteral("%1 must follow with 1").arg(KeyName(emptyIndex));
        }
        next.keys[size_t(k)] = given.Bytes(keyIndex);
    } else if (given.Has(emptyIndex)) {
        if (given.Value(emptyIndex) != "empty") {
            return QStringLiteral("%1 alone must be \"empty\"").arg(KeyName(emptyIndex));
        }
        next.keys[size_t(k)].clear();
    }
    return {};
}

QString ApplyKeyItems(const GivenItems& given, SimBridgeState& next) {
    int newLength = 0;
    for (int k = 0; k < kSimKeyCount; ++k) {
        if (QString error = ApplyKeyItem(given, k, newLength, next); !error.isEmpty()) {
            return error;
        }
    }
    if (newLength != 0) {
        // A bridge holds keys of one length: kept keys of the other length are dropped.
        next.keyLength = newLength;
        for (QByteArray& key : next.keys) {
            if (!key.isEmpty() && key.size() != newLength) {
                key.clear();
            }
        }
    }
    return {};
}

} // namespace

QString ApplyConfiguration(SimBridgeState& bridge, const QList<RequestItem>& items) {
    GivenItems given;
    if (QString error = given.Read(items); !error.isEmpty()) {
        return error;
    }
    const bool ipGroup = given.HasAny(kWanProto, kCountry);
    if (ipGroup && given.HasAny(kCountry, kKeyCountTotal)) {
        return QStringLiteral("IP and wireless items in one request");
    }
    // Every check passes before anything changes: a refused request leaves the bridge as it was.
    SimBridgeState next = bridge;
    QString error;
    if (ipGroup) {
        error = ApplyIpItems(given, next);
    } else {
        error = given.Missing({kSsid, kNwType, kPrivacy});
        using Family = QString (*)(const GivenItems&, SimBridgeState&);
        for (Family apply : {ApplyRadioItems, ApplyPrivacyItems, ApplyKeyItems}) {
            if (error.isEmpty()) {
                error = apply(given, next);
            }
        }
    }
    if (!error.isEmpty()) {
        return error;
    }
    bridge = next;
    return {};
}

} // namespace vantoro::sim
