#include "config/Plan.h"

#include "config/Csv.h"
#include "config/Ipv4.h"
#include "protocol/Latin1.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>
#include <QSet>
#include <algorithm>

namespace vantoro {
namespace {

// A value as the error message quotes it: a string in JSON quotes, anything else as JSON.
QString Quoted(const QJsonValue& value) {
    QJsonArray wrapper{value};
    QByteArray json = QJsonDocument(wrapper).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json.mid(1, json.size() - 2));
}

QString TypeError(const QJsonValue& value, const char* expected) {
    return QStringLiteral("%1 is not %2").arg(Quoted(value), QLatin1String(expected));
}

const char* const kModes[] = {"dhcp", "static"};
const char* const kNetworkTypes[] = {"infrastructure", "adhoc"};
const char* const kAdHocModes[] = {"b", "g", "bg"};

// Reads one document (or one CSV row turned into one) and remembers the first error.
class Reader {
public:
    explicit Reader(QString source) : source_(std::move(source)) {}

    bool failed() const { return !error_.isEmpty(); }
    const QString& error() const { return error_; }
    void Fail(const QString& place, const QString& message) {
        if (error_.isEmpty()) {
            error_ = place.isEmpty() ? QStringLiteral("%1: %2").arg(source_, message)
                                     : QStringLiteral("%1: %2: %3").arg(source_, place, message);
        }
    }

    // Every key of object is one of known.
    void OnlyKeys(const QJsonObject& object, const QString& path,
                  std::initializer_list<const char*> known) {
        for (auto it = object.begin(); it != object.end(); ++it) {
            const bool found = std::any_of(known.begin(), known.end(), [&it](const char* key) {
                return it.key() == QLatin1String(key);
            });
            if (!found) {
                Fail(path + it.key(), QStringLiteral("unknown key"));
            }
        }
    }

    std::optional<QJsonObject> Object(const QJsonObject& parent, const char* key,
                                      const QString& path) {
        const QJsonValue value = parent.value(QLatin1String(key));
        if (value.isUndefined()) {
            return std::nullopt;
        }
        if (!value.isObject()) {
            Fail(path + QLatin1String(key), TypeError(value, "an object"));
            return std::nullopt;
        }
        return value.toObject();
    }

    std::optional<QString> String(const QJsonObject& parent, const char* key, const QString& path) {
        const QJsonValue value = parent.value(QLatin1String(key));
        if (value.isUndefined()) {
            return std::nullopt;
        }
        if (!value.isString()) {
            Fail(path + QLatin1String(key), TypeError(value, "a string"));
            return std::nullopt;
        }
        return value.toString();
    }

    std::optional<bool> Bool(const QJsonObject& parent, const char* key, const QString& path) {
        const QJsonValue value = parent.value(QLatin1String(key));
        if (value.isUndefined()) {
            return std::nullopt;
        }
        if (!value.isBool()) {
            Fail(path + QLatin1String(key), TypeError(value, "true or false"));
            return std::nullopt;
        }
        return value.toBool();
    }

    std::optional<int> Integer(const QJsonObject& parent, const char* key, const QString& path) {
        const QJsonValue value = parent.value(QLatin1String(key));
        if (value.isUndefined()) {
            return std::nullopt;
        }
        const double number = value.toDouble(0.5);
        if (!value.isDouble() || number != double(int(number))) {
            Fail(path + QLatin1String(key), TypeError(value, "a whole number"));
            return std::nullopt;
        }
        return int(number);
    }

    // One of names, as its index.
    template <size_t N>
    std::optional<int> Choice(const QJsonObject& parent, const char* key, const QString& path,
                              const char* const (&names)[N]) {
        const std::optional<QString> text = String(parent, key, path);
        if (!text) {
            return std::nullopt;
        }
        for (size_t i = 0; i < N; ++i) {
            if (*text == QLatin1String(names[i])) {
                return int(i);
            }
        }
        QStringList quoted;
        for (const char* name : names) {
            quoted.append(QStringLiteral("\"%1\"").arg(QLatin1String(name)));
        }
        Fail(path + QLatin1String(key),
             QStringLiteral("%1 is not one of %2").arg(Quoted(*text), quoted.join(u", ")));
        return std::nullopt;
    }

    std::optional<Ipv4Octets> Address(const QJsonObject& parent, const char* key,
                                      const QString& path) {
        const std::optional<QString> text = String(parent, key, path);
        if (!text) {
            return std::nullopt;
        }
        const QByteArray bytes = text->toLatin1();
        const std::optional<quint32> value =
            text->size() == bytes.size() ? ParseIpv4(View(bytes)) : std::nullopt;
        if (!value) {
            Fail(path + QLatin1String(key),
                 QStringLiteral("%1 is not an IPv4 address").arg(Quoted(*text)));
            return std::nullopt;
        }
        return ToOctets(*value);
    }

    // A text that goes on the wire as typed.
    std::optional<QString> WireText(const QJsonObject& parent, const char* key, const QString& path,
                                    int maxChars, bool secret) {
        std::optional<QString> text = String(parent, key, path);
        if (text && (text->size() > maxChars || !IsWireText(*text))) {
            Fail(path + QLatin1String(key),
                 QStringLiteral("%1is not at most %2 characters of 8-bit text without control "
                                "characters")
                     .arg(secret ? QString() : Quoted(*text) + u' ')
                     .arg(maxChars));
            return std::nullopt;
        }
        return text;
    }

    void ReadIp(const QJsonObject& object, const QString& path, PlanIp& ip) {
        OnlyKeys(object, path, {"mode", "address", "netmask"});
        if (const std::optional<int> mode = Choice(object, "mode", path, kModes)) {
            ip.mode = *mode == 0 ? IpMode::Dhcp : IpMode::Fixed;
        }
        ip.address = Address(object, "address", path);
        ip.netmask = Address(object, "netmask", path);
        if (ip.mode == IpMode::Dhcp && (ip.address || ip.netmask)) {
            Fail(path + QLatin1String(ip.address ? "address" : "netmask"),
                 QStringLiteral("a DHCP server gives the address and mask: they go with "
                                "\"mode\": \"static\" only"));
        }
    }

    void ReadKeys(const QJsonObject& wep, const QString& path, PlanWep& plan) {
        const QJsonValue value = wep.value(QLatin1String("keys"));
        if (value.isUndefined()) {
            return;
        }
        const QJsonArray keys = value.toArray();
        if (!value.isArray() || keys.size() != kKeyCount) {
            Fail(path + QStringLiteral("keys"), QStringLiteral("is not four strings"));
            return;
        }
        for (int i = 0; i < kKeyCount; ++i) {
            const QJsonValue key = keys[i];
            if (key.isNull()) {
                continue; // a CSV cell left empty
            }
            const QString place = path + QStringLiteral("keys[%1]").arg(i);
            const QString text = key.toString();
            if (!key.isString()) {
                Fail(place, QStringLiteral("is not a string"));
            } else if (!text.isEmpty() &&
                       ((text.size() != kKeyDigits64 && text.size() != kKeyDigits128) ||
                        !IsHexText(View(text.toLatin1())) ||
                        text.toLatin1().size() != text.size())) {
                Fail(place, QStringLiteral("a key is 10 (64-bit) or 26 (128-bit) hex digits, or "
                                           "\"\" for none"));
            }
            plan.keys[size_t(i)] = text;
        }
    }

    void ReadWep(const QJsonObject& wep, const QString& path, PlanWep& plan) {
        OnlyKeys(wep, path, {"enabled", "keySize", "defaultKey", "keys", "passphrase"});
        plan.enabled = Bool(wep, "enabled", path);
        if (const std::optional<int> bits = Integer(wep, "keySize", path)) {
            if (*bits != 64 && *bits != 128) {
                Fail(path + QStringLiteral("keySize"),
                     QStringLiteral("%1 is not 64 or 128").arg(*bits));
            }
            plan.keySize = *bits == 128 ? KeySize::Bits128 : KeySize::Bits64;
        }
        if (const std::optional<int> key = Integer(wep, "defaultKey", path)) {
            if (*key < 1 || *key > kKeyCount) {
                Fail(path + QStringLiteral("defaultKey"),
                     QStringLiteral("%1 is not a key number from 1 to 4").arg(*key));
            }
            plan.defaultKey = *key - 1;
        }
        ReadKeys(wep, path, plan);
        plan.passphrase = WireText(wep, "passphrase", path, kMaxPassphraseChars, true);
        CheckWep(path, plan);
    }

    // The rules between the WEP fields.
    void CheckWep(const QString& path, PlanWep& plan) {
        if (plan.passphrase && plan.hasKeys()) {
            Fail(path + QStringLiteral("passphrase"),
                 QStringLiteral("makes the keys: it cannot go with \"keys\""));
        }
        if (plan.enabled == false &&
            (plan.keySize || plan.defaultKey || plan.hasKeys() || plan.passphrase)) {
            Fail(path + QStringLiteral("enabled"),
                 QStringLiteral("the key fields need WEP on, not false"));
        }
        // The keys' own length gives the size when none is named.
        for (int i = 0; i < kKeyCount; ++i) {
            const std::optional<QString>& key = plan.keys[size_t(i)];
            if (!key || key->isEmpty()) {
                continue;
            }
            const KeySize size = key->size() == kKeyDigits64 ? KeySize::Bits64 : KeySize::Bits128;
            if (!plan.keySize) {
                plan.keySize = size;
            } else if (*plan.keySize != size) {
                Fail(path + QStringLiteral("keys[%1]").arg(i),
                     QStringLiteral("a %1-bit key is %2 hex digits")
                         .arg(*plan.keySize == KeySize::Bits64 ? 64 : 128)
                         .arg(KeyDigits(*plan.keySize)));
            }
        }
    }

    void ReadWireless(const QJsonObject& object, const QString& path, PlanWireless& plan) {
        OnlyKeys(object, path,
                 {"ssid", "region", "agreeRegion", "networkType", "adhocMode", "channel", "wep"});
        plan.ssid = WireText(object, "ssid", path, kMaxNetworkNameChars, false);
        if (const std::optional<QString> code = String(object, "region", path)) {
            const QByteArray bytes = code->toLatin1();
            if (bytes.size() != code->size() || FindRegion(View(bytes)) == nullptr) {
                Fail(path + QStringLiteral("region"),
                     QStringLiteral("%1 is not a region code").arg(Quoted(*code)));
            } else {
                plan.region = FindRegionIndex(View(bytes));
            }
        }
        plan.agreeRegion = Bool(object, "agreeRegion", path).value_or(false);
        if (const std::optional<int> type = Choice(object, "networkType", path, kNetworkTypes)) {
            plan.networkType = NetworkType(*type);
        }
        if (const std::optional<int> mode = Choice(object, "adhocMode", path, kAdHocModes)) {
            plan.adHocMode = AdHocMode(*mode);
        }
        plan.channel = Integer(object, "channel", path);
        if (plan.networkType == NetworkType::Infrastructure && (plan.adHocMode || plan.channel)) {
            Fail(path + QLatin1String(plan.channel ? "channel" : "adhocMode"),
                 QStringLiteral("sets up an ad-hoc network: it goes with \"networkType\": "
                                "\"adhoc\""));
        }
        if (plan.channel && plan.region) {
            const RegionEntry& row = kRegionTable[*plan.region];
            if (*plan.channel < row.firstChannel || *plan.channel > row.lastChannel) {
                Fail(path + QStringLiteral("channel"),
                     QStringLiteral("%1 is not a channel of %2 (%3 to %4)")
                         .arg(*plan.channel)
                         .arg(QLatin1String(row.code))
                         .arg(row.firstChannel)
                         .arg(row.lastChannel));
            }
        }
        if (const std::optional<QJsonObject> wep = Object(object, "wep", path)) {
            ReadWep(*wep, path + QStringLiteral("wep."), plan.wep);
        }
    }

    // A bridge, or the defaults (withMac false).
    void ReadBridge(const QJsonObject& object, const QString& path, PlanBridge& bridge,
                    bool withMac) {
        if (withMac) {
            OnlyKeys(object, path, {"mac", "name", "ip", "wireless"});
            const std::optional<QString> mac = String(object, "mac", path);
            if (!mac && !failed()) {
                Fail(path + QStringLiteral("mac"), QStringLiteral("missing"));
            } else if (mac) {
                if (const QString why = MacAddressError(*mac); !why.isEmpty()) {
                    Fail(path + QStringLiteral("mac"), why);
                }
                bridge.macAddress = mac->toLatin1();
            }
            bridge.name = String(object, "name", path);
        } else {
            OnlyKeys(object, path, {"ip", "wireless"});
        }
        if (const std::optional<QJsonObject> ip = Object(object, "ip", path)) {
            ReadIp(*ip, path + QStringLiteral("ip."), bridge.ip);
        }
        if (const std::optional<QJsonObject> wireless = Object(object, "wireless", path)) {
            ReadWireless(*wireless, path + QStringLiteral("wireless."), bridge.wireless);
        }
    }

private:
    QString source_;
    QString error_;
};

// The defaults under a bridge's own fields. Where the bridge's choice rules out a default
// (DHCP against a fixed address, typed keys against a passphrase, an infrastructure network
// against an ad-hoc channel, WEP off against key fields) the default gives way.
QJsonObject Merged(const QJsonObject& defaults, const QJsonObject& own) {
    QJsonObject result = defaults;
    for (auto it = own.begin(); it != own.end(); ++it) {
        const QJsonValue base = result.value(it.key());
        if (base.isObject() && it.value().isObject()) {
            result.insert(it.key(), Merged(base.toObject(), it.value().toObject()));
        } else {
            result.insert(it.key(), it.value());
        }
    }
    const auto dropIf = [&result, &own](const char* key, const QJsonValue& value,
                                        std::initializer_list<const char*> dropped) {
        if (own.value(QLatin1String(key)) == value) {
            for (const char* name : dropped) {
                if (!own.contains(QLatin1String(name))) {
                    result.remove(QLatin1String(name));
                }
            }
        }
    };
    dropIf("mode", QStringLiteral("dhcp"), {"address", "netmask"});
    dropIf("networkType", QStringLiteral("infrastructure"), {"adhocMode", "channel"});
    dropIf("enabled", false, {"keySize", "defaultKey", "keys", "passphrase"});
    if (own.contains(QLatin1String("keys")) && !own.contains(QLatin1String("passphrase"))) {
        result.remove(QStringLiteral("passphrase"));
    }
    if (own.contains(QLatin1String("passphrase")) && !own.contains(QLatin1String("keys"))) {
        result.remove(QStringLiteral("keys"));
    }
    return result;
}

// Two bridges of one plan with one identifier would get two changes.
void CheckUnique(Reader& reader, const QList<PlanBridge>& bridges, const QStringList& places) {
    QHash<QByteArray, int> seen;
    for (int i = 0; i < bridges.size(); ++i) {
        const auto found = seen.constFind(bridges[i].macAddress);
        if (found != seen.constEnd()) {
            reader.Fail(places[i] + QStringLiteral("mac"),
                        QStringLiteral("\"%1\" is listed twice (also at %2)")
                            .arg(QString::fromLatin1(bridges[i].macAddress), places[*found]));
            return;
        }
        seen.insert(bridges[i].macAddress, i);
    }
}

struct CsvColumn {
    const char* path;
    enum Kind { Text, Number, Boolean } kind;
};

const CsvColumn kCsvColumns[] = {
    {"mac", CsvColumn::Text},
    {"name", CsvColumn::Text},
    {"ip.mode", CsvColumn::Text},
    {"ip.address", CsvColumn::Text},
    {"ip.netmask", CsvColumn::Text},
    {"wireless.ssid", CsvColumn::Text},
    {"wireless.region", CsvColumn::Text},
    {"wireless.agreeRegion", CsvColumn::Boolean},
    {"wireless.networkType", CsvColumn::Text},
    {"wireless.adhocMode", CsvColumn::Text},
    {"wireless.channel", CsvColumn::Number},
    {"wireless.wep.enabled", CsvColumn::Boolean},
    {"wireless.wep.keySize", CsvColumn::Number},
    {"wireless.wep.defaultKey", CsvColumn::Number},
    {"wireless.wep.passphrase", CsvColumn::Text},
    {"wireless.wep.keys[0]", CsvColumn::Text},
    {"wireless.wep.keys[1]", CsvColumn::Text},
    {"wireless.wep.keys[2]", CsvColumn::Text},
    {"wireless.wep.keys[3]", CsvColumn::Text},
};

// A cell as the JSON value the column's type takes; a cell that does not read as that type
// stays a string, so the reader names it in its error.
QJsonValue CellValue(const QString& cell, CsvColumn::Kind kind) {
    if (kind == CsvColumn::Number) {
        bool ok = false;
        const int number = cell.toInt(&ok, 10);
        return ok ? QJsonValue(number) : QJsonValue(cell);
    }
    if (kind == CsvColumn::Boolean && (cell == u"true" || cell == u"false")) {
        return cell == u"true";
    }
    return cell;
}

// Sets value at a dotted path ("wireless.wep.keys[2]") inside object.
void SetAt(QJsonObject& object, QStringView path, const QJsonValue& value) {
    const qsizetype dot = path.indexOf(u'.');
    if (dot >= 0) {
        const QString key = path.left(dot).toString();
        QJsonObject child = object.value(key).toObject();
        SetAt(child, path.mid(dot + 1), value);
        object.insert(key, child);
        return;
    }
    const qsizetype bracket = path.indexOf(u'[');
    if (bracket < 0) {
        object.insert(path.toString(), value);
        return;
    }
    const QString key = path.left(bracket).toString();
    QJsonArray array = object.value(key).toArray();
    while (array.size() < kKeyCount) {
        array.append(QJsonValue(QJsonValue::Null));
    }
    array[path.mid(bracket + 1, 1).toInt()] = value;
    object.insert(key, array);
}

QList<PlanBridge> Finish(Reader& reader, const QList<PlanBridge>& bridges,
                         const QStringList& places) {
    if (!reader.failed()) {
        CheckUnique(reader, bridges, places);
    }
    return reader.failed() ? QList<PlanBridge>{} : bridges;
}

} // namespace

bool PlanWep::hasKeys() const {
    return std::any_of(keys.begin(), keys.end(), [](const auto& key) { return key.has_value(); });
}

bool PlanWep::isEmpty() const {
    return !enabled && !keySize && !defaultKey && !hasKeys() && !passphrase;
}

bool PlanWireless::isEmpty() const {
    return !ssid && !region && !networkType && !adHocMode && !channel && wep.isEmpty();
}

QString MacAddressError(const QString& mac) {
    if (mac.isEmpty()) {
        return QStringLiteral("the MAC address is empty");
    }
    if (mac.size() > kBridgeTextChars) {
        return QStringLiteral("is longer than a bridge's MAC address can be (%1 characters)")
            .arg(kBridgeTextChars);
    }
    for (const QChar c : mac) {
        if (c.unicode() > 0xff || c.isSpace() || !c.isPrint()) {
            return QStringLiteral("a MAC address holds no whitespace, control or non-8-bit "
                                  "characters");
        }
    }
    return {};
}

PlanReadResult ReadJsonPlan(const QByteArray& text, const QString& sourceName) {
    Reader reader(sourceName);
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        reader.Fail(QString(), QStringLiteral("not JSON: %1 at offset %2")
                                   .arg(parseError.errorString())
                                   .arg(parseError.offset));
        return {{}, reader.error()};
    }
    if (!document.isObject()) {
        reader.Fail(QString(), QStringLiteral("the document is not a JSON object"));
        return {{}, reader.error()};
    }
    const QJsonObject root = document.object();
    reader.OnlyKeys(root, QString(), {"defaults", "bridges"});
    const QJsonObject defaults = reader.Object(root, "defaults", QString()).value_or(QJsonObject());
    PlanBridge checkedDefaults;
    reader.ReadBridge(defaults, QStringLiteral("defaults."), checkedDefaults, false);
    const QJsonValue list = root.value(QLatin1String("bridges"));
    if (!list.isArray()) {
        reader.Fail(QStringLiteral("bridges"), list.isUndefined()
                                                   ? QStringLiteral("missing")
                                                   : TypeError(list, "a list of bridges"));
    }
    QList<PlanBridge> bridges;
    QStringList places;
    const QJsonArray array = list.toArray();
    for (qsizetype i = 0; i < array.size() && !reader.failed(); ++i) {
        const QString place = QStringLiteral("bridges[%1].").arg(i);
        if (!array[i].isObject()) {
            reader.Fail(place.chopped(1), TypeError(array[i], "an object"));
            break;
        }
        PlanBridge bridge;
        reader.ReadBridge(Merged(defaults, array[i].toObject()), place, bridge, true);
        bridges.append(std::move(bridge));
        places.append(place);
    }
    return {Finish(reader, bridges, places), reader.error()};
}

PlanReadResult ReadCsvPlan(const QList<QStringList>& rows, const QString& sourceName) {
    Reader reader(sourceName);
    if (rows.isEmpty()) {
        reader.Fail(QString(), QStringLiteral("no header row"));
        return {{}, reader.error()};
    }
    const QStringList& header = rows.first();
    QList<const CsvColumn*> columns;
    for (qsizetype c = 0; c < header.size(); ++c) {
        const auto* found = std::find_if(
            std::begin(kCsvColumns), std::end(kCsvColumns),
            [&](const CsvColumn& column) { return header[c] == QLatin1String(column.path); });
        const QString place = QStringLiteral("row 1, column %1").arg(c + 1);
        if (found == std::end(kCsvColumns)) {
            reader.Fail(place,
                        QStringLiteral("%1 is not a column of a plan").arg(Quoted(header[c])));
        } else if (columns.contains(found)) {
            reader.Fail(place, QStringLiteral("%1 is named twice").arg(Quoted(header[c])));
        }
        columns.append(found);
    }
    QList<PlanBridge> bridges;
    QStringList places;
    for (qsizetype r = 1; r < rows.size() && !reader.failed(); ++r) {
        const QStringList& cells = rows[r];
        if (std::all_of(cells.begin(), cells.end(), [](const QString& c) { return c.isEmpty(); })) {
            continue;
        }
        const QString place = QStringLiteral("row %1: ").arg(r + 1);
        if (cells.size() != header.size()) {
            reader.Fail(
                place.chopped(2),
                QStringLiteral("%1 cells, the header has %2").arg(cells.size()).arg(header.size()));
            break;
        }
        QJsonObject object;
        for (qsizetype c = 0; c < cells.size(); ++c) {
            if (!cells[c].isEmpty()) {
                SetAt(object, QString::fromLatin1(columns[c]->path),
                      CellValue(UninertCell(cells[c]), columns[c]->kind));
            }
        }
        PlanBridge bridge;
        reader.ReadBridge(object, place, bridge, true);
        bridges.append(std::move(bridge));
        places.append(place);
    }
    return {Finish(reader, bridges, places), reader.error()};
}

QStringList PlanCsvHeader(bool showSecrets) {
    QStringList header;
    for (const CsvColumn& column : kCsvColumns) {
        const QLatin1String path(column.path);
        if (path == QLatin1String("wireless.agreeRegion") ||
            path == QLatin1String("wireless.wep.passphrase") ||
            (!showSecrets && path.startsWith(QLatin1String("wireless.wep.keys")))) {
            continue; // export never writes these
        }
        header.append(path);
    }
    return header;
}

QJsonObject BridgeDocument(const Bridge& bridge, bool showSecrets) {
    // A change always carries an address and mask: without readable ones the IP part is left
    // out, so applying the document leaves it alone.
    QJsonObject ip;
    const bool dhcp = IpModeOf(bridge.ipMode.view()) == IpMode::Dhcp;
    const std::optional<quint32> address = ParseIpv4(bridge.ipAddress.view());
    const std::optional<quint32> mask = ParseIpv4(bridge.subnetMask.view());
    if (address && mask) {
        ip.insert(QStringLiteral("mode"), QLatin1String(dhcp ? "dhcp" : "static"));
        if (!dhcp) {
            ip.insert(QStringLiteral("address"), QString::fromLatin1(FormatIpv4(*address)));
            ip.insert(QStringLiteral("netmask"), QString::fromLatin1(FormatIpv4(*mask)));
        }
    }

    QJsonObject wireless;
    if (IsWireText(bridge.ssid.toQString())) {
        wireless.insert(QStringLiteral("ssid"), bridge.ssid.toQString());
    }
    const RegionEntry* region = FindRegion(bridge.country.view());
    if (region != nullptr) {
        wireless.insert(QStringLiteral("region"), Latin1(bridge.country.view()));
    }
    const NetworkType type = ReportedNetworkType(bridge.networkType.view());
    wireless.insert(QStringLiteral("networkType"),
                    QLatin1String(kNetworkTypes[type == NetworkType::AdHoc ? 1 : 0]));
    if (type == NetworkType::AdHoc) {
        const AdHocMode mode = AdHocModeForProfile(DecimalValue(bridge.profile.view()));
        wireless.insert(QStringLiteral("adhocMode"), QLatin1String(kAdHocModes[int(mode)]));
        const int channel = DecimalValue(bridge.channel.view());
        if (region != nullptr && channel >= region->firstChannel &&
            channel <= region->lastChannel) {
            wireless.insert(QStringLiteral("channel"), channel);
        }
    }
    QJsonObject wep;
    const bool enabled = DecimalValue(bridge.privacy.view()) != 0;
    wep.insert(QStringLiteral("enabled"), enabled);
    if (enabled) {
        const KeySize size = ReportedKeySize(bridge.keyLength.view());
        wep.insert(QStringLiteral("keySize"), size == KeySize::Bits64 ? 64 : 128);
        wep.insert(QStringLiteral("defaultKey"), ReportedKeyIndex(bridge.keyId.view()) + 1);
        if (showSecrets) {
            QJsonArray keys;
            for (const BridgeText& key : bridge.keys) {
                keys.append(key.toQString());
            }
            wep.insert(QStringLiteral("keys"), keys);
        }
    }
    wireless.insert(QStringLiteral("wep"), wep);

    QJsonObject document;
    document.insert(QStringLiteral("mac"), bridge.macAddress.toQString());
    document.insert(QStringLiteral("name"), bridge.deviceName.toQString());
    if (!ip.isEmpty()) {
        document.insert(QStringLiteral("ip"), ip);
    }
    document.insert(QStringLiteral("wireless"), wireless);
    return document;
}

QStringList BridgeDocumentCells(const Bridge& bridge, bool showSecrets) {
    const QJsonObject document = BridgeDocument(bridge, showSecrets);
    QStringList cells;
    for (const QString& path : PlanCsvHeader(showSecrets)) {
        QJsonValue value = document;
        for (const QString& part : path.split(u'.')) {
            const qsizetype bracket = part.indexOf(u'[');
            value = value.toObject().value(bracket < 0 ? part : part.left(bracket));
            if (bracket >= 0) {
                value = value.toArray().at(part.mid(bracket + 1, 1).toInt());
            }
        }
        cells.append(value.isString()   ? InertCell(value.toString())
                     : value.isBool()   ? QLatin1String(value.toBool() ? "true" : "false")
                     : value.isDouble() ? QString::number(value.toInt())
                                        : QString());
    }
    return cells;
}

} // namespace vantoro
