// The command line read into an Invocation: one parser per command, so that a command adds
// options without touching the others.

#include "app/cli/Cli.h"
#include "config/Version.h"

#include <QCommandLineParser>
#include <algorithm>
#include <iterator>
#include <optional>

namespace vantoro::cli {
namespace {

struct OutputOptions {
    QCommandLineOption json{QStringLiteral("json")};
    QCommandLineOption secrets{QStringLiteral("show-secrets")};
    QCommandLineOption demo{QStringLiteral("demo")};
    QCommandLineOption interfaceName{QStringLiteral("interface"), QString(),
                                     QStringLiteral("NAME")};
    QCommandLineOption help{QStringList{QStringLiteral("h"), QStringLiteral("help")}};

    void AddTo(QCommandLineParser& parser) const {
        parser.addOptions({json, secrets, demo, interfaceName, help});
    }
    // The usage errors these options can make together; empty when there is none.
    QString Check(const QCommandLineParser& parser) const;
};

// --interface names a real interface; the demo LAN has none.
QString CheckInterfaces(const QCommandLineParser& parser, const QCommandLineOption& interfaceName,
                        const QCommandLineOption& demo) {
    if (parser.isSet(interfaceName) && parser.isSet(demo)) {
        return QStringLiteral("--interface does not apply to the demo LAN");
    }
    for (const QString& name : parser.values(interfaceName)) {
        if (name.isEmpty()) {
            return QStringLiteral("--interface needs an interface name");
        }
    }
    return QString();
}

QString OutputOptions::Check(const QCommandLineParser& parser) const {
    if (parser.isSet(secrets) && !parser.isSet(json)) {
        return QStringLiteral("--show-secrets only applies to --json output");
    }
    return CheckInterfaces(parser, interfaceName, demo);
}

// Parses what follows the command name; false with invocation.text set on a usage error.
bool ParseCommandLine(QCommandLineParser& parser, const QString& program, const QString& command,
                      const QStringList& rest, Invocation& invocation) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    if (!parser.parse(QStringList{program + u' ' + command} + rest)) {
        invocation.text = parser.errorText();
        return false;
    }
    return true;
}

QString CheckedPositionals(const QStringList& positional, qsizetype expected) {
    if (positional.size() > expected) {
        return QStringLiteral("unexpected argument '%1'").arg(Printable(positional[expected]));
    }
    return QString();
}

// A bridge identifier as the protocol carries it: 8-bit text that fits the record and cannot
// break the request apart. Empty when it is usable, otherwise why not.
QString CheckMacAddress(const QString& mac) {
    if (mac.isEmpty()) {
        return QStringLiteral("the MAC address is empty");
    }
    if (mac.size() > kBridgeTextChars) {
        return QStringLiteral("'%1' is longer than a bridge's MAC address can be (%2 characters)")
            .arg(Printable(mac))
            .arg(kBridgeTextChars);
    }
    for (const QChar c : mac) {
        if (c.unicode() > 0xff) {
            return QStringLiteral("'%1' holds characters a bridge cannot report")
                .arg(Printable(mac));
        }
        if (c == u'\r' || c == u'\n') {
            return QStringLiteral("the MAC address must not contain line breaks");
        }
    }
    return QString();
}

void ParseScan(const QString& program, const QStringList& rest, Invocation& invocation) {
    QCommandLineParser parser;
    const OutputOptions options;
    options.AddTo(parser);
    if (!ParseCommandLine(parser, program, kScan, rest, invocation)) {
        return;
    }
    if (parser.isSet(options.help)) {
        invocation.kind = Invocation::Kind::Help;
        invocation.text = Usage(kScan);
        return;
    }
    invocation.text = CheckedPositionals(parser.positionalArguments(), 0);
    if (invocation.text.isEmpty()) {
        invocation.text = options.Check(parser);
    }
    if (!invocation.text.isEmpty()) {
        return;
    }
    invocation.kind = Invocation::Kind::Scan;
    invocation.scan = {parser.isSet(options.json), parser.isSet(options.secrets),
                       parser.isSet(options.demo), parser.values(options.interfaceName)};
}

void ParseStatus(const QString& program, const QStringList& rest, Invocation& invocation) {
    QCommandLineParser parser;
    const OutputOptions options;
    options.AddTo(parser);
    parser.addPositionalArgument(QStringLiteral("MAC"), QStringLiteral("the bridge's MAC address"));
    if (!ParseCommandLine(parser, program, kStatus, rest, invocation)) {
        return;
    }
    if (parser.isSet(options.help)) {
        invocation.kind = Invocation::Kind::Help;
        invocation.text = Usage(kStatus);
        return;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        invocation.text = QStringLiteral("status needs the bridge's MAC address");
        return;
    }
    invocation.text = CheckedPositionals(positional, 1);
    if (invocation.text.isEmpty()) {
        invocation.text = CheckMacAddress(positional.first());
    }
    if (invocation.text.isEmpty()) {
        invocation.text = options.Check(parser);
    }
    if (!invocation.text.isEmpty()) {
        return;
    }
    invocation.kind = Invocation::Kind::Status;
    invocation.status = {positional.first().toLatin1(),
                         parser.isSet(options.json),
                         parser.isSet(options.secrets),
                         parser.isSet(options.demo),
                         true,
                         parser.values(options.interfaceName)};
}

// The options every change takes besides its own.
struct ChangeOptionSet {
    QCommandLineOption user{QStringLiteral("user"), QString(), QStringLiteral("U")};
    QCommandLineOption passwordStdin{QStringLiteral("password-stdin")};
    QCommandLineOption dryRun{QStringLiteral("dry-run")};
    QCommandLineOption wait{QStringLiteral("wait")};
    QCommandLineOption demo{QStringLiteral("demo")};
    QCommandLineOption interfaceName{QStringLiteral("interface"), QString(),
                                     QStringLiteral("NAME")};
    QCommandLineOption help{QStringList{QStringLiteral("h"), QStringLiteral("help")}};

    void AddTo(QCommandLineParser& parser) const {
        parser.addOptions({user, passwordStdin, dryRun, wait, demo, interfaceName, help});
    }
};

// A value option given twice is a mistake in a script, not a choice of the last one.
QString RepeatedOption(const QCommandLineParser& parser,
                       std::initializer_list<const QCommandLineOption*> options) {
    for (const QCommandLineOption* option : options) {
        if (parser.values(*option).size() > 1) {
            return QStringLiteral("--%1 is given more than once").arg(option->names().constLast());
        }
    }
    return QString();
}

// Reads what every change takes: the bridge and the login, dry run, wait and demo. False when
// invocation holds a usage error, or the help when it was asked for.
bool ParseChange(QCommandLineParser& parser, const ChangeOptionSet& common, const QString& program,
                 const QString& command, const QStringList& rest, Invocation& invocation,
                 ChangeOptions& change) {
    parser.addPositionalArgument(QStringLiteral("MAC"), QStringLiteral("the bridge's MAC address"));
    if (!ParseCommandLine(parser, program, command, rest, invocation)) {
        return false;
    }
    if (parser.isSet(common.help)) {
        invocation.kind = Invocation::Kind::Help;
        invocation.text = Usage(command);
        return false;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        invocation.text = QStringLiteral("%1 needs the bridge's MAC address").arg(command);
        return false;
    }
    invocation.text = CheckedPositionals(positional, 1);
    if (invocation.text.isEmpty()) {
        invocation.text = CheckMacAddress(positional.first());
    }
    if (invocation.text.isEmpty()) {
        invocation.text = RepeatedOption(parser, {&common.user});
    }
    if (invocation.text.isEmpty() && parser.isSet(common.dryRun) && parser.isSet(common.wait)) {
        invocation.text = QStringLiteral("--wait has nothing to wait for after --dry-run");
    }
    if (invocation.text.isEmpty()) {
        invocation.text = CheckInterfaces(parser, common.interfaceName, common.demo);
    }
    if (!invocation.text.isEmpty()) {
        return false;
    }
    change.macAddress = positional.first().toLatin1();
    change.login = {parser.value(common.user), parser.isSet(common.passwordStdin)};
    change.dryRun = parser.isSet(common.dryRun);
    change.wait = parser.isSet(common.wait);
    change.demo = parser.isSet(common.demo);
    change.interfaces = parser.values(common.interfaceName);
    return true;
}

std::optional<Ipv4Octets> DottedQuadOption(const QCommandLineParser& parser,
                                           const QCommandLineOption& option, QString& error) {
    if (!parser.isSet(option)) {
        return std::nullopt;
    }
    const QString text = parser.value(option);
    const QByteArray bytes = text.toLatin1();
    std::optional<Ipv4Octets> octets =
        ParseDottedQuad(std::string_view(bytes.constData(), size_t(bytes.size())));
    if (!octets) {
        error = QStringLiteral("--%1: '%2' is not a dotted-decimal IPv4 address")
                    .arg(option.names().constFirst(), Printable(text));
        return std::nullopt;
    }
    return octets;
}

void ParseSetIp(const QString& program, const QStringList& rest, Invocation& invocation) {
    QCommandLineParser parser;
    const ChangeOptionSet common;
    const QCommandLineOption dhcp(QStringLiteral("dhcp"));
    const QCommandLineOption fixed(QStringLiteral("static"));
    const QCommandLineOption suggest(QStringLiteral("suggest"));
    const QCommandLineOption address(QStringLiteral("address"), QString(), QStringLiteral("A"));
    const QCommandLineOption netmask(QStringLiteral("netmask"), QString(), QStringLiteral("M"));
    parser.addOptions({dhcp, fixed, suggest, address, netmask});
    common.AddTo(parser);
    SetIpOptions options;
    if (!ParseChange(parser, common, program, kSetIp, rest, invocation, options.change)) {
        return;
    }
    QString& error = invocation.text;
    if (parser.isSet(dhcp) && parser.isSet(fixed)) {
        error = QStringLiteral("--dhcp and --static exclude each other");
    } else if (parser.isSet(dhcp) && parser.isSet(suggest)) {
        error = QStringLiteral("--suggest sets a fixed address: it cannot go with --dhcp");
    } else {
        error = RepeatedOption(parser, {&address, &netmask});
    }
    if (error.isEmpty()) {
        options.address = DottedQuadOption(parser, address, error);
    }
    if (error.isEmpty()) {
        options.netmask = DottedQuadOption(parser, netmask, error);
    }
    if (!error.isEmpty()) {
        return;
    }
    if (parser.isSet(dhcp)) {
        options.mode = IpMode::Dhcp;
    } else if (parser.isSet(fixed)) {
        options.mode = IpMode::Fixed;
    }
    options.suggest = parser.isSet(suggest);
    invocation.kind = Invocation::Kind::SetIp;
    invocation.setIp = std::move(options);
}

// "1" to "4" as key index 0..3.
std::optional<int> KeyNumber(const QString& text) {
    if (text.size() == 1 && text[0] >= u'1' && text[0] <= u'4') {
        return text[0].unicode() - u'1';
    }
    return std::nullopt;
}

// What a name or passphrase option says when its text could not go on the wire as typed; empty
// when it can.
QString WireTextError(const QString& text, int maxChars, const char* what) {
    if (text.size() <= maxChars && IsWireText(text)) {
        return {};
    }
    return QStringLiteral("%1 is at most %2 characters of 8-bit text without control characters")
        .arg(QLatin1String(what))
        .arg(maxChars);
}

QString RegionCodes() {
    QStringList codes;
    for (int row = 1; row < kRegionCount; ++row) {
        codes.append(QStringLiteral("%1 (%2)").arg(QLatin1String(kRegionTable[row].code),
                                                   QLatin1String(kRegionTable[row].displayName)));
    }
    return codes.join(QStringLiteral(", "));
}

// The wireless options, each checked on its own; what depends on the bridge is checked later.
// set-wireless's own options.
struct WirelessOptionSet {
    QCommandLineOption ssid{QStringLiteral("ssid"), QString(), QStringLiteral("NAME")};
    QCommandLineOption region{QStringLiteral("region"), QString(), QStringLiteral("CODE")};
    QCommandLineOption agreeRegion{QStringLiteral("agree-region")};
    QCommandLineOption infrastructure{QStringLiteral("infrastructure")};
    QCommandLineOption adHoc{QStringLiteral("adhoc")};
    QCommandLineOption mode{QStringLiteral("mode"), QString(), QStringLiteral("MODE")};
    QCommandLineOption channel{QStringLiteral("channel"), QString(), QStringLiteral("N")};
    QCommandLineOption wep{QStringLiteral("wep"), QString(), QStringLiteral("off|on")};
    QCommandLineOption keySize{QStringLiteral("key-size"), QString(), QStringLiteral("BITS")};
    QCommandLineOption passphrase{QStringLiteral("passphrase"), QString(), QStringLiteral("TEXT")};
    QCommandLineOption key{QStringLiteral("key"), QString(), QStringLiteral("N=HEX")};
    QCommandLineOption defaultKey{QStringLiteral("default-key"), QString(), QStringLiteral("N")};

    void AddTo(QCommandLineParser& parser) const {
        parser.addOptions({ssid, region, agreeRegion, infrastructure, adHoc, mode, channel, wep,
                           keySize, passphrase, key, defaultKey});
    }
};

// The first usage error found; later ones are not reported.
struct FirstError {
    QString& text;
    void operator()(const QString& error) const {
        if (text.isEmpty()) {
            text = error;
        }
    }
};

// The network name, the region, the network type and the ad-hoc mode and channel.
void ReadNetworkOptions(const QCommandLineParser& parser, const WirelessOptionSet& set,
                        SetWirelessOptions& options, const FirstError& fail) {
    if (parser.isSet(set.ssid)) {
        options.networkName = parser.value(set.ssid);
        fail(WireTextError(*options.networkName, kMaxNetworkNameChars, "--ssid: a network name"));
    }
    if (parser.isSet(set.region)) {
        const QByteArray code = parser.value(set.region).toLatin1();
        // A character outside Latin-1 reads as '?', which no code holds.
        if (FindRegion(std::string_view(code.constData(), size_t(code.size()))) == nullptr) {
            fail(QStringLiteral("--region: '%1' is not a region code; the codes are %2")
                     .arg(Printable(parser.value(set.region)), RegionCodes()));
        }
        options.region = FindRegionIndex(std::string_view(code.constData(), size_t(code.size())));
    } else if (parser.isSet(set.agreeRegion)) {
        fail(QStringLiteral("--agree-region goes with --region"));
    }
    options.agreeRegion = parser.isSet(set.agreeRegion);

    if (parser.isSet(set.infrastructure) && parser.isSet(set.adHoc)) {
        fail(QStringLiteral("--infrastructure and --adhoc exclude each other"));
    } else if (parser.isSet(set.infrastructure)) {
        options.networkType = NetworkType::Infrastructure;
        if (parser.isSet(set.mode) || parser.isSet(set.channel)) {
            fail(QStringLiteral("--mode and --channel set up an ad-hoc network, not an "
                                "infrastructure one"));
        }
    } else if (parser.isSet(set.adHoc)) {
        options.networkType = NetworkType::AdHoc;
    }
    if (parser.isSet(set.mode)) {
        const QString value = parser.value(set.mode);
        static const std::pair<QLatin1String, AdHocMode> kModes[] = {
            {QLatin1String("b"), AdHocMode::B},
            {QLatin1String("g"), AdHocMode::G},
            {QLatin1String("bg"), AdHocMode::BG}};
        const auto* found = std::find_if(std::begin(kModes), std::end(kModes),
                                         [&value](const auto& m) { return value == m.first; });
        if (found == std::end(kModes)) {
            fail(QStringLiteral("--mode takes b, g or bg"));
        } else {
            options.adHocMode = found->second;
        }
    }
    if (parser.isSet(set.channel)) {
        bool ok = false;
        options.channel = parser.value(set.channel).toInt(&ok, 10);
        if (!ok) {
            fail(QStringLiteral("--channel takes a channel number"));
        }
    }
}

// WEP on or off, the key size, the passphrase or the typed keys, and the key in use. Neither the
// passphrase nor a key is ever repeated in a message.
void ReadSecurityOptions(const QCommandLineParser& parser, const WirelessOptionSet& set,
                         SetWirelessOptions& options, const FirstError& fail) {
    if (parser.isSet(set.wep)) {
        const QString value = parser.value(set.wep);
        if (value != u"on" && value != u"off") {
            fail(QStringLiteral("--wep takes off or on"));
        }
        options.useWep = value == u"on";
    }
    if (parser.isSet(set.keySize)) {
        const QString value = parser.value(set.keySize);
        if (value != u"64" && value != u"128") {
            fail(QStringLiteral("--key-size takes 64 or 128"));
        }
        options.keySize = value == u"128" ? KeySize::Bits128 : KeySize::Bits64;
    }
    if (parser.isSet(set.passphrase)) {
        options.passphrase = parser.value(set.passphrase);
        fail(WireTextError(*options.passphrase, kMaxPassphraseChars, "--passphrase: a passphrase"));
    }
    for (const QString& value : parser.values(set.key)) {
        const qsizetype equals = value.indexOf(u'=');
        const std::optional<int> index = KeyNumber(value.left(equals));
        if (equals < 0 || !index) {
            fail(QStringLiteral("--key takes N=HEX, with N from 1 to 4"));
            break;
        }
        options.keys.append(std::pair{*index, value.mid(equals + 1)});
    }
    if (parser.isSet(set.passphrase) && parser.isSet(set.key)) {
        fail(QStringLiteral("--passphrase makes the keys: it cannot go with --key"));
    }
    if (parser.isSet(set.defaultKey)) {
        options.defaultKey = KeyNumber(parser.value(set.defaultKey));
        if (!options.defaultKey) {
            fail(QStringLiteral("--default-key takes a key number from 1 to 4"));
        }
    }
    const bool keyOptions = parser.isSet(set.keySize) || parser.isSet(set.passphrase) ||
                            parser.isSet(set.key) || parser.isSet(set.defaultKey);
    if (options.useWep == std::optional<bool>(false) && keyOptions) {
        fail(QStringLiteral("the key options need WEP on, not --wep off"));
    }
}

void ParseSetWireless(const QString& program, const QStringList& rest, Invocation& invocation) {
    QCommandLineParser parser;
    const ChangeOptionSet common;
    const WirelessOptionSet set;
    set.AddTo(parser);
    common.AddTo(parser);
    SetWirelessOptions options;
    if (!ParseChange(parser, common, program, kSetWireless, rest, invocation, options.change)) {
        return;
    }
    const FirstError fail{invocation.text};
    fail(RepeatedOption(parser, {&set.ssid, &set.region, &set.mode, &set.channel, &set.wep,
                                 &set.keySize, &set.passphrase, &set.defaultKey}));
    ReadNetworkOptions(parser, set, options, fail);
    ReadSecurityOptions(parser, set, options, fail);
    if (!invocation.text.isEmpty()) {
        return;
    }
    invocation.kind = Invocation::Kind::SetWireless;
    invocation.setWireless = std::move(options);
}

} // namespace

Invocation ParseArguments(const QStringList& args) {
    // Options up to the command belong to the program; everything after it to the command.
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOptions({help, version});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("scan, status, set-ip or set-wireless"));

    Invocation invocation;
    if (!parser.parse(args)) {
        invocation.text = parser.errorText();
        return invocation;
    }
    if (parser.isSet(help)) {
        invocation.kind = Invocation::Kind::Help;
        invocation.text = Usage();
        return invocation;
    }
    if (parser.isSet(version)) {
        invocation.kind = Invocation::Kind::Version;
        invocation.text = QStringLiteral("vantoro-cli %1\n").arg(QLatin1String(kVersionText));
        return invocation;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        invocation.text = QStringLiteral("no command given");
        return invocation;
    }
    const QString program = args.isEmpty() ? kProgram : args.first();
    const QString& command = positional.first();
    if (command == kScan) {
        invocation.command = command;
        ParseScan(program, positional.mid(1), invocation);
    } else if (command == kStatus) {
        invocation.command = command;
        ParseStatus(program, positional.mid(1), invocation);
    } else if (command == kSetIp) {
        invocation.command = command;
        ParseSetIp(program, positional.mid(1), invocation);
    } else if (command == kSetWireless) {
        invocation.command = command;
        ParseSetWireless(program, positional.mid(1), invocation);
    } else {
        invocation.text = QStringLiteral("unknown command '%1'").arg(Printable(command));
    }
    return invocation;
}

} // namespace vantoro::cli
