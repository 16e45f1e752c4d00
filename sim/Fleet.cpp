#include "sim/Fleet.h"

#include "config/Regions.h"
#include "protocol/Latin1.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <algorithm>
#include <array>
#include <iterator>
#include <variant>

namespace vantoro::sim {

namespace {

SimBridgeState DemoBridge(const char* mac, const char* name, const char* model) {
    SimBridgeState b;
    b.macAddress = mac;
    b.deviceName = name;
    b.model = model;
    b.userName = "admin";
    b.version = "2.1.4";
    b.linkQuality = 80;
    b.txPackets = 1200;
    b.rxPackets = 950;
    b.txPerSecond = 35;
    b.rxPerSecond = 42;
    return b;
}

// Up to count free host addresses in the PC's subnet: never its own, the network or the
// broadcast address.
std::vector<quint32> HostsIn(const Subnet& subnet, size_t count) {
    std::vector<quint32> hosts;
    if (!IsContiguousMask(subnet.mask) || subnet.mask == 0) {
        return hosts;
    }
    const quint32 network = subnet.address & subnet.mask;
    const quint32 broadcastOffset = ~subnet.mask;
    for (quint32 offset : {250u, 57u, 251u, 200u, 100u, 10u, 1u, 2u, 3u, 4u, 5u}) {
        const quint32 host = network + offset;
        if (hosts.size() < count && offset < broadcastOffset && host != subnet.address &&
            std::find(hosts.begin(), hosts.end(), host) == hosts.end()) {
            hosts.push_back(host);
        }
    }
    return hosts;
}

bool IsCleanText(const QByteArray& text) {
    return !text.contains('\r') && !text.contains('\n') && !text.contains('\0');
}

// Reads one bridge object; every problem is reported with the key it concerns.
class BridgeReader {
public:
    explicit BridgeReader(const QJsonObject& object) : object_(object) {}

    QString error;

    void Text(const char* key, QByteArray& out) {
        const QJsonValue v = object_.value(QLatin1String(key));
        if (v.isUndefined() || !error.isEmpty()) {
            return;
        }
        if (!v.isString()) {
            Fail(key, QStringLiteral("must be a string"));
            return;
        }
        QByteArray text;
        if (!ToLatin1(v.toString(), text)) {
            Fail(key, QStringLiteral("holds a character outside 8-bit text"));
            return;
        }
        out = text;
    }

    template <typename Int> void Number(const char* key, Int& out, qint64 low, qint64 high) {
        const QJsonValue v = object_.value(QLatin1String(key));
        if (v.isUndefined() || !error.isEmpty()) {
            return;
        }
        qint64 value = 0;
        bool ok = false;
        if (v.isDouble()) {
            const double d = v.toDouble();
            ok = d >= double(low) && d <= double(high) && d == double(qint64(d));
            value = ok ? qint64(d) : 0;
        } else if (v.isString()) {
            value = v.toString().toLongLong(&ok);
            ok = ok && !v.toString().startsWith(QLatin1Char('+'));
        }
        if (!ok || value < low || value > high) {
            Fail(key, QStringLiteral("must be a whole number from %1 to %2").arg(low).arg(high));
            return;
        }
        out = Int(value);
    }

    void Flag(const char* key, bool& out) {
        const QJsonValue v = object_.value(QLatin1String(key));
        if (v.isUndefined() || !error.isEmpty()) {
            return;
        }
        if (v.isBool()) {
            out = v.toBool();
            return;
        }
        int value = 0;
        Number(key, value, 0, 1);
        out = value != 0;
    }

    void TextList(const char* key, QList<QByteArray>& out, int maxCount) {
        const QJsonValue v = object_.value(QLatin1String(key));
        if (v.isUndefined() || !error.isEmpty()) {
            return;
        }
        if (!v.isArray() || v.toArray().size() > maxCount) {
            Fail(key, QStringLiteral("must be a list of at most %1 strings").arg(maxCount));
            return;
        }
        QList<QByteArray> list;
        for (const QJsonValue item : v.toArray()) {
            QByteArray text;
            if (!item.isString() || !ToLatin1(item.toString(), text)) {
                Fail(key, QStringLiteral("must hold only strings of 8-bit text"));
                return;
            }
            list.append(text);
        }
        out = list;
    }

private:
    static bool ToLatin1(const QString& text, QByteArray& out) {
        for (QChar c : text) {
            if (c.unicode() > 0xFF) {
                return false;
            }
        }
        out = text.toLatin1();
        return true;
    }

    void Fail(const char* key, const QString& what) {
        error = QStringLiteral("\"%1\" %2").arg(QLatin1String(key), what);
    }

    const QJsonObject& object_;
};

using KeyList = std::array<QByteArray, kSimKeyCount>;
using FieldMember =
    std::variant<QByteArray SimBridgeState::*, int SimBridgeState::*, quint64 SimBridgeState::*,
                 quint32 SimBridgeState::*, bool SimBridgeState::*, KeyList SimBridgeState::*,
                 QList<QByteArray> SimBridgeState::*>;

// One key of a fleet file and the bridge state it fills.
struct Field {
    const char* key;
    FieldMember member;
    qint64 low = 0;  // numbers: the smallest value
    qint64 high = 0; // numbers: the largest value; lists: the most entries
};

// Every key a fleet file may hold, in the order they are read and checked: the one list of them.
constexpr Field kFields[] = {
    {"macAddress", &SimBridgeState::macAddress},
    {"deviceName", &SimBridgeState::deviceName},
    {"model", &SimBridgeState::model},
    {"ipMode", &SimBridgeState::ipMode},
    {"ipAddress", &SimBridgeState::ipAddress},
    {"subnetMask", &SimBridgeState::subnetMask},
    {"gateway", &SimBridgeState::gateway},
    {"networkType", &SimBridgeState::networkType, 1, 2},
    {"channel", &SimBridgeState::channel, 1, 14},
    {"profile", &SimBridgeState::profile, 0, 255},
    {"country", &SimBridgeState::country},
    {"privacy", &SimBridgeState::privacy},
    {"keyLength", &SimBridgeState::keyLength, 10, 26},
    {"keyId", &SimBridgeState::keyId, 1, 4},
    {"keys", &SimBridgeState::keys, 0, kSimKeyCount},
    {"ssid", &SimBridgeState::ssid},
    {"ssidList", &SimBridgeState::ssidList, 0, kSimMaxSsids},
    {"linkQuality", &SimBridgeState::linkQuality, 0, 100},
    {"txPackets", &SimBridgeState::txPackets, 0, qint64(1) << 53},
    {"rxPackets", &SimBridgeState::rxPackets, 0, qint64(1) << 53},
    {"txPerSecond", &SimBridgeState::txPerSecond, 0, 1000000},
    {"rxPerSecond", &SimBridgeState::rxPerSecond, 0, 1000000},
    {"userName", &SimBridgeState::userName},
    {"password", &SimBridgeState::password},
    {"version", &SimBridgeState::version},
};

template <typename... Fs> struct Overloaded : Fs... { using Fs::operator()...; };
// Redundant in C++20, but clang before 17 cannot deduce an aggregate's template arguments.
template <typename... Fs> Overloaded(Fs...) -> Overloaded<Fs...>;

bool IsKnownKey(const QString& key) {
    return std::any_of(std::begin(kFields), std::end(kFields),
                       [&](const Field& f) { return key == QLatin1String(f.key); });
}

QString ReadBridge(const QJsonObject& object, SimBridgeState& b) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!IsKnownKey(it.key())) {
            return QStringLiteral("unknown key \"%1\"").arg(it.key());
        }
    }
    if (!object.value(QLatin1String("macAddress")).isString()) {
        return QStringLiteral("\"macAddress\" missing");
    }
    BridgeReader r(object);
    for (const Field& f : kFields) {
        std::visit(
            Overloaded{
                [&](QByteArray SimBridgeState::*m) { r.Text(f.key, b.*m); },
                [&](bool SimBridgeState::*m) { r.Flag(f.key, b.*m); },
                [&](KeyList SimBridgeState::*m) {
                    QList<QByteArray> keys;
                    r.TextList(f.key, keys, int(f.high));
                    for (qsizetype i = 0; i < keys.size(); ++i) {
                        (b.*m)[size_t(i)] = keys[i] == "NULL" ? QByteArray() : keys[i];
                    }
                },
                [&](QList<QByteArray> SimBridgeState::*m) { r.TextList(f.key, b.*m, int(f.high)); },
                [&](auto SimBridgeState::*m) { r.Number(f.key, b.*m, f.low, f.high); },
            },
            f.member);
    }
    if (!r.error.isEmpty()) {
        return r.error;
    }
    return CheckBridgeState(b);
}

QJsonValue Latin1(const QByteArray& text) {
    return QString::fromLatin1(text);
}

// The texts go back on the wire as they are: at most 32 characters, no line breaks.
QString CheckTexts(const SimBridgeState& b) {
    for (const Field& f : kFields) {
        const auto* member = std::get_if<QByteArray SimBridgeState::*>(&f.member);
        if (member == nullptr) {
            continue;
        }
        const QByteArray& text = b.*(*member);
        if (text.size() > kSimFieldChars || !IsCleanText(text)) {
            return QStringLiteral("\"%1\" must be at most 32 characters without CR, LF or NUL")
                .arg(QLatin1String(f.key));
        }
    }
    return {};
}

QString CheckIdentityAndAddress(const SimBridgeState& b) {
    if (b.macAddress.isEmpty() || b.macAddress.contains(' ')) {
        return QStringLiteral("\"macAddress\" must be a non-empty text without spaces");
    }
    if (b.country.isEmpty()) {
        return QStringLiteral("\"country\" must not be empty");
    }
    if (b.ipMode != "dhcp" && b.ipMode != "static") {
        return QStringLiteral("\"ipMode\" must be \"dhcp\" or \"static\"");
    }
    if (!ParseIpv4(View(b.ipAddress)) || !ParseIpv4(View(b.gateway))) {
        return QStringLiteral("\"ipAddress\" and \"gateway\" must be dotted-decimal addresses");
    }
    const std::optional<quint32> mask = ParseIpv4(View(b.subnetMask));
    if (!mask || !IsContiguousMask(*mask)) {
        return QStringLiteral("\"subnetMask\" must be a contiguous mask");
    }
    return {};
}

QString CheckNumbersAndKeys(const SimBridgeState& b) {
    if (b.networkType < 1 || b.networkType > 2 || b.channel < 1 || b.channel > 14 ||
        b.profile < 0 || b.profile > 255 || b.linkQuality < 0 || b.linkQuality > 100 ||
        b.keyId < 1 || b.keyId > kSimKeyCount) {
        return QStringLiteral("a number is out of range");
    }
    if (b.keyLength != 10 && b.keyLength != 26) {
        return QStringLiteral("\"keyLength\" must be 10 or 26");
    }
    for (const QByteArray& key : b.keys) {
        if (!key.isEmpty() && (key.size() != b.keyLength || !IsHexText(View(key)))) {
            return QStringLiteral("\"keys\" must be empty or %1 hex digits").arg(b.keyLength);
        }
    }
    return {};
}

QString CheckSsidList(const SimBridgeState& b) {
    if (b.ssidList.size() > kSimMaxSsids) {
        return QStringLiteral("\"ssidList\" holds more than 16 names");
    }
    for (const QByteArray& name : b.ssidList) {
        if (name.isEmpty() || name.size() > kSimFieldChars || !IsCleanText(name)) {
            return QStringLiteral("\"ssidList\" names must hold 1 to 32 characters");
        }
    }
    return {};
}

} // namespace

QString CheckBridgeState(const SimBridgeState& b) {
    // In this order, so a file with several faults names the same one every time.
    for (const auto check :
         {CheckTexts, CheckIdentityAndAddress, CheckNumbersAndKeys, CheckSsidList}) {
        QString error = check(b);
        if (!error.isEmpty()) {
            return error;
        }
    }
    return {};
}

std::vector<SimBridgeState> DemoFleet(std::optional<Subnet> pcSubnet) {
    std::vector<SimBridgeState> fleet;

    SimBridgeState office = DemoBridge("02:4B:00:00:00:01", "Front-Office", "TB-2400");
    office.ipMode = "static";
    office.ipAddress = "192.168.1.250";
    office.subnetMask = "255.255.255.0";
    office.gateway = "192.168.1.1";
    office.channel = 6;
    office.country = "US";
    office.ssid = "Office";
    office.ssidList = {"Office", "Guest-WiFi", "Printers"};
    office.linkQuality = 82;
    office.password = "front01";
    fleet.push_back(office);

    SimBridgeState warehouse = DemoBridge("02:4B:00:00:00:02", "Warehouse", "TB-2400");
    warehouse.ipMode = "dhcp";
    warehouse.ipAddress = "192.168.1.57";
    warehouse.subnetMask = "255.255.255.0";
    warehouse.gateway = "192.168.1.1";
    warehouse.channel = 1;
    warehouse.country = "DE";
    warehouse.privacy = true;
    warehouse.keyLength = 10;
    warehouse.keyId = 2;
    warehouse.keys = {"0A1B2C3D4E", "1122334455", "", ""};
    warehouse.ssid = "Stock";
    warehouse.ssidList = {"Stock", "Loading-Bay"};
    warehouse.linkQuality = 64;
    warehouse.password = "store02";
    fleet.push_back(warehouse);

    SimBridgeState lab = DemoBridge("02:4B:00:00:00:03", "Lab-Annex", "TB-5400G");
    lab.ipMode = "static";
    lab.ipAddress = "10.20.30.40";
    lab.subnetMask = "255.255.255.0";
    lab.gateway = "10.20.30.1";
    lab.channel = 11;
    lab.country = "GB";
    lab.privacy = true;
    lab.keyLength = 26;
    lab.keyId = 1;
    lab.keys = {"00112233445566778899AABBCC", "DEADBEEF0123456789ABCDEF01",
                "0F1E2D3C4B5A69788796A5B4C3", ""};
    lab.ssid = "Lab";
    lab.ssidList = {"Lab", "Lab-Test"};
    lab.linkQuality = 47;
    lab.password = "lab03";
    lab.version = "3.0.2";
    fleet.push_back(lab);

    SimBridgeState paris = DemoBridge("02:4B:00:00:00:04", "Paris-AdHoc", "TB-5400G");
    paris.ipMode = "static";
    paris.ipAddress = "192.168.50.20";
    paris.subnetMask = "255.255.255.0";
    paris.gateway = "192.168.50.1";
    paris.networkType = 2;
    paris.channel = 11;
    paris.profile = 3;
    paris.country = "FR";
    paris.ssid = "Atelier";
    paris.ssidList = {"Atelier"};
    paris.linkQuality = 71;
    paris.password = "paris04";
    paris.version = "3.0.2";
    fleet.push_back(paris);

    SimBridgeState taipei = DemoBridge("02:4B:00:00:00:05", "Taipei-Desk", "TB-2400");
    taipei.ipMode = "dhcp";
    taipei.ipAddress = "172.16.5.23";
    taipei.subnetMask = "255.255.0.0";
    taipei.gateway = "172.16.0.1";
    taipei.channel = 3;
    taipei.country = "TW";
    taipei.ssid = "Desk";
    taipei.linkQuality = 0;
    taipei.userName = "guest";
    taipei.password = "open05";
    taipei.version.clear();
    fleet.push_back(taipei);

    SimBridgeState roof = DemoBridge("02:4B:00:00:00:06", "Roof-Link", "TB-5400G");
    roof.ipMode = "static";
    roof.ipAddress = "192.168.2.10";
    roof.subnetMask = "255.255.255.0";
    roof.gateway = "192.168.2.1";
    roof.channel = 9;
    roof.country = "AU";
    roof.ssid = "Roof-01";
    roof.ssidList = {"Roof-01", "Cafe",  "Library", "Dock-2",   "Bakery", "Studio-5",
                     "Kiosk",   "Hotel", "Gym",     "Pharmacy", "Garage", "Clinic",
                     "Museum",  "Depot", "Florist", "Bistro"};
    roof.linkQuality = 95;
    roof.password = "roof06";
    roof.version = "3.1.0";
    fleet.push_back(roof);

    if (pcSubnet) {
        // The fixed-address bridge first, then the DHCP one if the subnet has room.
        const std::vector<quint32> hosts = HostsIn(*pcSubnet, 2);
        const quint32 network = pcSubnet->address & pcSubnet->mask;
        const bool firstIsTaken =
            std::find(hosts.begin(), hosts.end(), network + 1u) != hosts.end();
        const quint32 gateway = firstIsTaken || network + 1u >= (network | ~pcSubnet->mask)
                                    ? pcSubnet->address
                                    : network + 1u;
        for (size_t i = 0; i < hosts.size(); ++i) {
            fleet[i].ipAddress = FormatIpv4(hosts[i]);
            fleet[i].subnetMask = FormatIpv4(pcSubnet->mask);
            fleet[i].gateway = FormatIpv4(gateway);
        }
    }
    return fleet;
}

std::vector<SimBridgeState> GenerateFleet(int count) {
    count = std::clamp(count, 0, kMaxFleetSize);
    std::vector<SimBridgeState> fleet;
    fleet.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        const quint32 n = quint32(i);
        SimBridgeState b;
        b.macAddress = QString::asprintf("02:4B:10:%02X:%02X:%02X", (n >> 16) & 0xFFu,
                                         (n >> 8) & 0xFFu, n & 0xFFu)
                           .toLatin1();
        b.deviceName = QString::asprintf("Bridge-%05d", i + 1).toLatin1();
        b.model = i % 2 == 0 ? "TB-2400" : "TB-5400G";
        b.ipMode = i % 3 == 0 ? "dhcp" : "static";
        b.ipAddress = FormatIpv4(0x0A400100u + n); // 10.64.1.0 onwards in 10.64.0.0/10
        b.subnetMask = "255.192.0.0";
        b.gateway = "10.64.0.1";
        const RegionEntry& region = kRegionTable[1 + i % (kRegionCount - 1)];
        b.country = region.code;
        b.networkType = i % 5 == 0 ? 2 : 1;
        b.channel = region.firstChannel + i % (region.lastChannel - region.firstChannel + 1);
        b.profile = std::array<int, 3>{0, 1, 3}[size_t(i % 3)];
        b.privacy = i % 4 != 0;
        b.keyLength = (i / 4) % 2 == 0 ? 10 : 26;
        if (b.privacy) {
            const int keyCount = 1 + i % kSimKeyCount;
            for (int k = 0; k < keyCount; ++k) {
                const QByteArray digits = QString::asprintf("%08X%02X", n, k).toLatin1();
                b.keys[size_t(k)] = digits.repeated(3).left(b.keyLength);
            }
            b.keyId = 1 + (i / 2) % keyCount;
        }
        b.ssid = QString::asprintf("Net-%02d", i % 50).toLatin1();
        for (int j = 0; j < i % (kSimMaxSsids + 1); ++j) {
            b.ssidList.append(QString::asprintf("Net-%02d", (i + j) % 50).toLatin1());
        }
        b.linkQuality = i % 101;
        b.txPackets = quint64(n) * 7u;
        b.rxPackets = quint64(n) * 5u;
        b.txPerSecond = 10u + n % 50u;
        b.rxPerSecond = 12u + n % 40u;
        b.userName = "admin";
        b.password = QString::asprintf("pw%05d", i + 1).toLatin1();
        b.version = i % 7 == 0 ? QByteArray() : QByteArray("2.1.4");
        fleet.push_back(std::move(b));
    }
    return fleet;
}

FleetLoadResult FleetFromJson(const QByteArray& json, const QString& sourceName) {
    FleetLoadResult result;
    const QString source = sourceName.isEmpty() ? QStringLiteral("fleet") : sourceName;
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (doc.isNull()) {
        result.error = QStringLiteral("%1: not valid JSON at offset %2: %3")
                           .arg(source)
                           .arg(parseError.offset)
                           .arg(parseError.errorString());
        return result;
    }
    if (!doc.isArray()) {
        result.error = QStringLiteral("%1: expected a JSON array of bridge objects").arg(source);
        return result;
    }
    const QJsonArray array = doc.array();
    if (array.isEmpty() || array.size() > kMaxFleetSize) {
        result.error = QStringLiteral("%1: a fleet holds 1 to %2 bridges, this one %3")
                           .arg(source)
                           .arg(kMaxFleetSize)
                           .arg(array.size());
        return result;
    }
    QSet<QByteArray> seen;
    std::vector<SimBridgeState> fleet;
    fleet.reserve(size_t(array.size()));
    for (qsizetype i = 0; i < array.size(); ++i) {
        SimBridgeState bridge;
        QString error = array[i].isObject() ? ReadBridge(array[i].toObject(), bridge)
                                            : QStringLiteral("must be an object");
        if (error.isEmpty() && seen.contains(bridge.macAddress)) {
            error = QStringLiteral("\"macAddress\" %1 appears twice")
                        .arg(QString::fromLatin1(bridge.macAddress));
        }
        if (!error.isEmpty()) {
            result.error = QStringLiteral("%1: bridge %2: %3").arg(source).arg(i + 1).arg(error);
            return result;
        }
        seen.insert(bridge.macAddress);
        fleet.push_back(std::move(bridge));
    }
    result.fleet = std::move(fleet);
    return result;
}

FleetLoadResult LoadFleet(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        FleetLoadResult result;
        result.error = QStringLiteral("%1: cannot be read: %2").arg(path, file.errorString());
        return result;
    }
    // A fleet of 65536 bridges is well under this; anything bigger is not a fleet file.
    constexpr qint64 kMaxFileBytes = qint64{64} * 1024 * 1024;
    if (file.size() > kMaxFileBytes) {
        FleetLoadResult result;
        result.error = QStringLiteral("%1: larger than 64 MiB").arg(path);
        return result;
    }
    return FleetFromJson(file.readAll(), path);
}

QByteArray FleetToJson(const std::vector<SimBridgeState>& fleet) {
    const auto texts = [](const auto& list) {
        QJsonArray array;
        for (const QByteArray& text : list) {
            array.append(Latin1(text));
        }
        return array;
    };
    QJsonArray array;
    for (const SimBridgeState& b : fleet) {
        QJsonObject object;
        for (const Field& f : kFields) {
            object.insert(
                QLatin1String(f.key),
                std::visit(
                    Overloaded{
                        [&](QByteArray SimBridgeState::*m) -> QJsonValue { return Latin1(b.*m); },
                        [&](int SimBridgeState::*m) -> QJsonValue { return b.*m; },
                        [&](bool SimBridgeState::*m) -> QJsonValue { return b.*m; },
                        [&](KeyList SimBridgeState::*m) -> QJsonValue { return texts(b.*m); },
                        [&](QList<QByteArray> SimBridgeState::*m) -> QJsonValue {
                            return texts(b.*m);
                        },
                        // Counters: JSON numbers are doubles.
                        [&](auto SimBridgeState::*m) -> QJsonValue { return double(b.*m); },
                    },
                    f.member));
        }
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

} // namespace vantoro::sim
