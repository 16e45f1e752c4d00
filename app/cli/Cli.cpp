#include "app/cli/Cli.h"

#include "app/cli/ChangeRun.h"
#include "config/BridgeStatus.h"
#include "config/Version.h"
#include "platform/ConsoleInput.h"
#include "platform/Platform.h"
#include "protocol/UdpTransport.h"
#include "sim/SimulatedLan.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <optional>

namespace vantoro::cli {

// Bridge texts come from the network: never let them drive the terminal.
QString Printable(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u < 0x20 || (u >= 0x7f && u < 0xa0)) {
            result += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        } else {
            result += c;
        }
    }
    return result;
}

namespace {

const QString kProgram = QStringLiteral("vantoro-cli");
const QString kScan = QStringLiteral("scan");
const QString kStatus = QStringLiteral("status");
const QString kSetIp = QStringLiteral("set-ip");
const QString kSetWireless = QStringLiteral("set-wireless");

QJsonArray TextArray(const BridgeText* first, int count) {
    QJsonArray array;
    for (int i = 0; i < count; ++i) {
        array.append(first[i].ToQString());
    }
    return array;
}

// The options of the commands that print bridges. Each command gets a parser of its own, so a
// later command adds options without touching the others.
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
    if (invocation.text.isEmpty() && parser.isSet(options.secrets) && !parser.isSet(options.json)) {
        invocation.text = QStringLiteral("--show-secrets only applies to --json output");
    }
    if (invocation.text.isEmpty()) {
        invocation.text = CheckInterfaces(parser, options.interfaceName, options.demo);
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
    if (invocation.text.isEmpty() && parser.isSet(options.secrets) && !parser.isSet(options.json)) {
        invocation.text = QStringLiteral("--show-secrets only applies to --json output");
    }
    if (invocation.text.isEmpty()) {
        invocation.text = CheckInterfaces(parser, options.interfaceName, options.demo);
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
void ParseSetWireless(const QString& program, const QStringList& rest, Invocation& invocation) {
    QCommandLineParser parser;
    const ChangeOptionSet common;
    const QCommandLineOption ssid(QStringLiteral("ssid"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption region(QStringLiteral("region"), QString(), QStringLiteral("CODE"));
    const QCommandLineOption agreeRegion(QStringLiteral("agree-region"));
    const QCommandLineOption infrastructure(QStringLiteral("infrastructure"));
    const QCommandLineOption adHoc(QStringLiteral("adhoc"));
    const QCommandLineOption mode(QStringLiteral("mode"), QString(), QStringLiteral("MODE"));
    const QCommandLineOption channel(QStringLiteral("channel"), QString(), QStringLiteral("N"));
    const QCommandLineOption wep(QStringLiteral("wep"), QString(), QStringLiteral("off|on"));
    const QCommandLineOption keySize(QStringLiteral("key-size"), QString(), QStringLiteral("BITS"));
    const QCommandLineOption passphrase(QStringLiteral("passphrase"), QString(),
                                        QStringLiteral("TEXT"));
    const QCommandLineOption key(QStringLiteral("key"), QString(), QStringLiteral("N=HEX"));
    const QCommandLineOption defaultKey(QStringLiteral("default-key"), QString(),
                                        QStringLiteral("N"));
    parser.addOptions({ssid, region, agreeRegion, infrastructure, adHoc, mode, channel, wep,
                       keySize, passphrase, key, defaultKey});
    common.AddTo(parser);
    SetWirelessOptions options;
    if (!ParseChange(parser, common, program, kSetWireless, rest, invocation, options.change)) {
        return;
    }
    QString& error = invocation.text;
    auto fail = [&error](const QString& text) {
        if (error.isEmpty()) {
            error = text;
        }
    };
    fail(RepeatedOption(
        parser, {&ssid, &region, &mode, &channel, &wep, &keySize, &passphrase, &defaultKey}));

    if (parser.isSet(ssid)) {
        options.networkName = parser.value(ssid);
        fail(WireTextError(*options.networkName, kMaxNetworkNameChars, "--ssid: a network name"));
    }
    if (parser.isSet(region)) {
        const QByteArray code = parser.value(region).toLatin1();
        // A character outside Latin-1 reads as '?', which no code holds.
        if (FindRegion(std::string_view(code.constData(), size_t(code.size()))) == nullptr) {
            fail(QStringLiteral("--region: '%1' is not a region code; the codes are %2")
                     .arg(Printable(parser.value(region)), RegionCodes()));
        }
        options.region = FindRegionIndex(std::string_view(code.constData(), size_t(code.size())));
    } else if (parser.isSet(agreeRegion)) {
        fail(QStringLiteral("--agree-region goes with --region"));
    }
    options.agreeRegion = parser.isSet(agreeRegion);

    if (parser.isSet(infrastructure) && parser.isSet(adHoc)) {
        fail(QStringLiteral("--infrastructure and --adhoc exclude each other"));
    } else if (parser.isSet(infrastructure)) {
        options.networkType = NetworkType::Infrastructure;
        if (parser.isSet(mode) || parser.isSet(channel)) {
            fail(QStringLiteral("--mode and --channel set up an ad-hoc network, not an "
                                "infrastructure one"));
        }
    } else if (parser.isSet(adHoc)) {
        options.networkType = NetworkType::AdHoc;
    }
    if (parser.isSet(mode)) {
        const QString value = parser.value(mode);
        if (value == u"b") {
            options.adHocMode = AdHocMode::B;
        } else if (value == u"g") {
            options.adHocMode = AdHocMode::G;
        } else if (value == u"bg") {
            options.adHocMode = AdHocMode::BG;
        } else {
            fail(QStringLiteral("--mode takes b, g or bg"));
        }
    }
    if (parser.isSet(channel)) {
        bool ok = false;
        const int number = parser.value(channel).toInt(&ok, 10);
        if (!ok) {
            fail(QStringLiteral("--channel takes a channel number"));
        }
        options.channel = number;
    }

    if (parser.isSet(wep)) {
        const QString value = parser.value(wep);
        if (value != u"on" && value != u"off") {
            fail(QStringLiteral("--wep takes off or on"));
        }
        options.useWep = value == u"on";
    }
    if (parser.isSet(keySize)) {
        const QString value = parser.value(keySize);
        if (value != u"64" && value != u"128") {
            fail(QStringLiteral("--key-size takes 64 or 128"));
        }
        options.keySize = value == u"128" ? KeySize::Bits128 : KeySize::Bits64;
    }
    // Neither the passphrase nor a key is ever repeated in a message.
    if (parser.isSet(passphrase)) {
        options.passphrase = parser.value(passphrase);
        fail(WireTextError(*options.passphrase, kMaxPassphraseChars, "--passphrase: a passphrase"));
    }
    for (const QString& value : parser.values(key)) {
        const qsizetype equals = value.indexOf(u'=');
        const std::optional<int> index = KeyNumber(value.left(equals));
        if (equals < 0 || !index) {
            fail(QStringLiteral("--key takes N=HEX, with N from 1 to 4"));
            break;
        }
        options.keys.append(std::pair{*index, value.mid(equals + 1)});
    }
    if (parser.isSet(passphrase) && parser.isSet(key)) {
        fail(QStringLiteral("--passphrase makes the keys: it cannot go with --key"));
    }
    if (parser.isSet(defaultKey)) {
        options.defaultKey = KeyNumber(parser.value(defaultKey));
        if (!options.defaultKey) {
            fail(QStringLiteral("--default-key takes a key number from 1 to 4"));
        }
    }
    if (options.useWep.has_value() && !*options.useWep &&
        (parser.isSet(keySize) || parser.isSet(passphrase) || parser.isSet(key) ||
         parser.isSet(defaultKey))) {
        fail(QStringLiteral("the key options need WEP on, not --wep off"));
    }
    if (!error.isEmpty()) {
        return;
    }
    invocation.kind = Invocation::Kind::SetWireless;
    invocation.setWireless = std::move(options);
}

// How a failed socket set-up is reported, the same for every command.
ExitStatus ReportSetup(SetupStatus status, QTextStream& err) {
    switch (status) {
    case SetupStatus::Ok:
        return ExitStatus::Ok;
    case SetupStatus::BindFailed:
        err << kProgram << ": cannot listen on UDP port " << kManagementPort
            << ": it is already in use by another program (is Vantoro already running?)\n"
            << Qt::flush;
        return ExitStatus::Usage;
    case SetupStatus::StartUpFailed:
    case SetupStatus::ScanSocketOpenFailed:
    case SetupStatus::BroadcastOptionFailed:
    case SetupStatus::ListenSocketOpenFailed:
        break;
    }
    err << kProgram << ": " << SetupErrorText(status).trimmed() << '\n' << Qt::flush;
    return ExitStatus::Usage;
}

// The status window's group boxes, by the first field each holds.
const char* GroupStartingAt(StatusField field) {
    switch (field) {
    case StatusField::NetworkName:
        return "Wireless Settings";
    case StatusField::TxPackets:
        return "Statistics";
    case StatusField::IpAddress:
        return "Bridge IP Settings";
    case StatusField::BridgeName:
        return "Bridge Information";
    default:
        return nullptr;
    }
}

} // namespace

// The close of both change commands' help: where the password comes from and the exit statuses.
constexpr const char* kChangeHelpTail =
    "The password comes from the environment variable VANTORO_PASSWORD, else with\n"
    "--password-stdin, else it is asked on the terminal; never from the command line.\n"
    "\n"
    "Exit status: 0 sent (with --wait: the bridge answers with the new settings);\n"
    "1 refused by a check, whose message is on stderr; 2 usage error, or port 65432\n"
    "taken; 3 login refused; 4 the bridge did not answer.\n";

QString Usage(const QString& command) {
    if (command == kScan) {
        return QStringLiteral(
            "Usage: vantoro-cli scan [--json] [--show-secrets] [--demo] [--interface NAME ...]\n"
            "\n"
            "Broadcasts three discovery requests over 3.5 seconds, on every network interface\n"
            "that can broadcast, and prints every bridge that answered, in the order they\n"
            "answered.\n"
            "\n"
            "Options:\n"
            "  --json          print a JSON array, one object per bridge\n"
            "  --show-secrets  include user names, passwords and WEP keys in the JSON output\n"
            "  --demo          scan the built-in demo LAN of simulated bridges instead of the\n"
            "                  network\n"
            "  --interface NAME  search only this interface (\"eth0\"); repeat it for more\n"
            "  -h, --help      show this help\n"
            "\n"
            "Exit status: 0 done; 2 usage error, an unknown interface, or port 65432 taken.\n");
    }
    if (command == kStatus) {
        return QStringLiteral(
            "Usage: vantoro-cli status MAC [--json] [--show-secrets] [--demo]\n"
            "                          [--interface NAME ...]\n"
            "\n"
            "Sends one status request for the bridge whose MAC address is MAC and prints the\n"
            "bridge's answer as the Bridge Status window shows it. Give MAC exactly as the\n"
            "bridge reports it, as 'vantoro-cli scan' lists it: the bridge compares it\n"
            "character for character. Waits up to 3 seconds; answers from other bridges are\n"
            "ignored.\n"
            "\n"
            "Options:\n"
            "  --json          print the bridge as one JSON object, keyed as scan --json\n"
            "  --show-secrets  include the user name, password and WEP keys in the JSON output\n"
            "  --demo          ask the built-in demo LAN of simulated bridges instead of the\n"
            "                  network\n"
            "  --interface NAME  look for the bridge on this interface only; repeat it for more\n"
            "  -h, --help      show this help\n"
            "\n"
            "Exit status: 0 the bridge answered; 2 usage error, or port 65432 taken;\n"
            "4 no answer within 3 seconds.\n");
    }
    if (command == kSetIp) {
        return QStringLiteral(
                   "Usage: vantoro-cli set-ip MAC [--dhcp | --static] [--address A] [--netmask M]\n"
                   "                          [--suggest] [--user U] [--password-stdin] "
                   "[--dry-run]\n"
                   "                          [--wait] [--demo]\n"
                   "\n"
                   "Gives the bridge whose MAC address is MAC a new IP configuration, as the IP\n"
                   "Setting window does. One status request learns the bridge's settings (3 "
                   "seconds\n"
                   "at most); the options below change them, in this order; then the login, the\n"
                   "checks of the address and mask, and one configuration request. The bridge "
                   "then\n"
                   "reboots, which takes about 20 seconds.\n"
                   "\n"
                   "Options:\n"
                   "  --dhcp            the bridge takes its address from a DHCP server\n"
                   "  --static          the bridge keeps a fixed address\n"
                   "  --suggest         a fixed address next to this PC's own, with the PC's mask\n"
                   "  --address A       the bridge's address, dotted decimal (sent with --dhcp "
                   "too)\n"
                   "  --netmask M       the bridge's subnet mask, dotted decimal\n"
                   "  --user U          the user name, for a bridge that asks for a login\n"
                   "  --password-stdin  read the password from the first line of standard input\n"
                   "  --dry-run         log in and check, then print the request's items instead "
                   "of\n"
                   "                    sending them\n"
                   "  --wait            after sending, scan until the bridge answers with the new\n"
                   "                    settings, for at most 60 seconds\n"
                   "  --demo            change a bridge of the built-in demo LAN instead\n"
                   "  --interface NAME  look for the bridge on this interface only; repeat it\n"
                   "                    for more\n"
                   "  -h, --help        show this help\n"
                   "\n") +
               QLatin1String(kChangeHelpTail);
    }
    if (command == kSetWireless) {
        return QStringLiteral(
                   "Usage: vantoro-cli set-wireless MAC [--ssid NAME] [--region CODE "
                   "[--agree-region]]\n"
                   "           [--infrastructure | --adhoc] [--mode b|g|bg] [--channel N]\n"
                   "           [--wep off|on] [--key-size 64|128] [--passphrase TEXT | --key N=HEX "
                   "...]\n"
                   "           [--default-key N] [--user U] [--password-stdin] [--dry-run] "
                   "[--wait]\n"
                   "           [--demo]\n"
                   "\n"
                   "Changes the wireless settings of the bridge whose MAC address is MAC, as the\n"
                   "Connection Settings window does. One status request learns the bridge's "
                   "settings\n"
                   "(3 seconds at most); the options below change them, in this order; then the\n"
                   "login, the checks, and one configuration request. The bridge then reboots, "
                   "which\n"
                   "takes about 20 seconds.\n"
                   "\n"
                   "Options:\n"
                   "  --ssid NAME       the network name (at most 32 characters)\n"
                   "  --region CODE     the region by its code: ZA, CN, AU, CA, DE, FR, IE, JP, "
                   "ES,\n"
                   "                    GB, US; the channel goes to the region's first one\n"
                   "  --agree-region    agree to the region warning; another region than the\n"
                   "                    bridge's own is sent only with it\n"
                   "  --infrastructure  join an access point's network\n"
                   "  --adhoc           start or join an ad-hoc network\n"
                   "  --mode b|g|bg     ad-hoc: 802.11b, 802.11g or 802.11b/g\n"
                   "  --channel N       ad-hoc: a channel that the region allows\n"
                   "  --wep off|on      WEP encryption\n"
                   "  --key-size 64|128 the key size (a new manual size empties all four keys)\n"
                   "  --passphrase TEXT make the keys from a passphrase (at most 32 characters)\n"
                   "  --key N=HEX       key N (1 to 4): 10 or 26 hex digits, empty to clear it, "
                   "or\n"
                   "                    the asterisks of the mask to leave it as it is\n"
                   "  --default-key N   the key in use, 1 to 4\n"
                   "  --user U          the user name, for a bridge that asks for a login\n"
                   "  --password-stdin  read the password from the first line of standard input\n"
                   "  --dry-run         log in and check, then print the request's items instead "
                   "of\n"
                   "                    sending them\n"
                   "  --wait            after sending, scan until the bridge answers with the new\n"
                   "                    name, region, network type and WEP state, for at most 60\n"
                   "                    seconds\n"
                   "  --demo            change a bridge of the built-in demo LAN instead\n"
                   "  --interface NAME  look for the bridge on this interface only; repeat it\n"
                   "                    for more\n"
                   "  -h, --help        show this help\n"
                   "\n") +
               QLatin1String(kChangeHelpTail);
    }
    return QStringLiteral(
        "Usage: vantoro-cli scan [--json] [--show-secrets] [--demo]\n"
        "       vantoro-cli status MAC [--json] [--show-secrets] [--demo]\n"
        "       vantoro-cli set-ip MAC [--dhcp | --static] [--address A] [--netmask M]\n"
        "                  [--suggest] [--user U] [--password-stdin] [--dry-run] [--wait]\n"
        "       vantoro-cli set-wireless MAC [--ssid NAME] [--region CODE [--agree-region]]\n"
        "                  [--infrastructure | --adhoc] [--mode b|g|bg] [--channel N]\n"
        "                  [--wep off|on] [--key-size 64|128]\n"
        "                  [--passphrase TEXT | --key N=HEX ...] [--default-key N]\n"
        "                  [--user U] [--password-stdin] [--dry-run] [--wait]\n"
        "       vantoro-cli COMMAND --help\n"
        "\n"
        "Finds the wireless bridges on the LAN, lists them, shows their status and changes\n"
        "their settings.\n"
        "\n"
        "Commands:\n"
        "  scan              broadcast three discovery requests over 3.5 seconds and print\n"
        "                    every bridge that answered, in the order they answered\n"
        "  status MAC        ask the bridge with this MAC address for its status and print\n"
        "                    it as the Bridge Status window shows it\n"
        "  set-ip MAC        give the bridge DHCP or a fixed address and mask\n"
        "  set-wireless MAC  change the bridge's network name, region, network type and\n"
        "                    WEP keys\n"
        "\n"
        "Options:\n"
        "  --json            print JSON: scan an array of bridges, status one bridge\n"
        "  --show-secrets    include user names, passwords and WEP keys in the JSON output\n"
        "  --demo            use the built-in demo LAN of simulated bridges instead of the\n"
        "                    network\n"
        "  --interface NAME  use only this network interface; repeat it for more (every\n"
        "                    interface that can broadcast is searched without it)\n"
        "  -h, --help        show this help; after a command, that command's help\n"
        "  -v, --version     show the version\n"
        "\n"
        "A bridge that asks for a login takes its password from the environment variable\n"
        "VANTORO_PASSWORD, else from standard input with --password-stdin, else from a\n"
        "prompt on the terminal; never from the command line.\n"
        "\n"
        "Exit status:\n"
        "  0  done\n"
        "  1  refused by one of the program's rules\n"
        "  2  usage error, or the network could not be set up (port 65432 taken)\n"
        "  3  login refused\n"
        "  4  the bridge did not answer\n");
}

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

QString FormatTable(const BridgeTable& table, const QStringList& models) {
    const qsizetype rows = models.size();
    QList<std::array<QString, kRowColumns>> cells;
    cells.append({QStringLiteral("Device Name"), QStringLiteral("Model"),
                  QStringLiteral("IP Address"), QStringLiteral("MAC Address")});
    for (qsizetype i = 0; i < rows; ++i) {
        const Bridge& bridge = table.records[size_t(i)];
        cells.append({Printable(bridge.deviceName.ToQString()), Printable(models[i]),
                      Printable(bridge.ipAddress.ToQString()),
                      Printable(bridge.macAddress.ToQString())});
    }
    std::array<qsizetype, kRowColumns> widths{};
    for (const auto& row : cells) {
        for (int c = 0; c < kRowColumns; ++c) {
            widths[size_t(c)] = std::max(widths[size_t(c)], row[size_t(c)].size());
        }
    }
    QString text;
    for (const auto& row : cells) {
        QString line;
        for (int c = 0; c < kRowColumns; ++c) {
            line += c + 1 < kRowColumns ? row[size_t(c)].leftJustified(widths[size_t(c)] + 2)
                                        : row[size_t(c)];
        }
        text += line.trimmed() + u'\n';
    }
    return text;
}

QJsonObject BridgeToJson(const Bridge& b, const QString& model, bool showSecrets) {
    QJsonObject o;
    o[QStringLiteral("macAddress")] = b.macAddress.ToQString();
    o[QStringLiteral("ipMode")] = b.ipMode.ToQString();
    o[QStringLiteral("ipAddress")] = b.ipAddress.ToQString();
    o[QStringLiteral("subnetMask")] = b.subnetMask.ToQString();
    o[QStringLiteral("gateway")] = b.gateway.ToQString();
    o[QStringLiteral("deviceName")] = b.deviceName.ToQString();
    o[QStringLiteral("model")] = model;
    o[QStringLiteral("networkType")] = b.networkType.ToQString();
    o[QStringLiteral("channel")] = b.channel.ToQString();
    o[QStringLiteral("profile")] = b.profile.ToQString();
    o[QStringLiteral("country")] = b.country.ToQString();
    o[QStringLiteral("privacy")] = b.privacy.ToQString();
    o[QStringLiteral("keyLength")] = b.keyLength.ToQString();
    o[QStringLiteral("keyId")] = b.keyId.ToQString();
    o[QStringLiteral("ssid")] = b.ssid.ToQString();
    o[QStringLiteral("ssidCount")] = b.ssidCount.ToQString();
    o[QStringLiteral("ssidList")] = TextArray(b.ssidList.data(), b.SsidListSize());
    o[QStringLiteral("linkQuality")] = b.linkQuality.ToQString();
    o[QStringLiteral("txPackets")] = b.txPackets.ToQString();
    o[QStringLiteral("rxPackets")] = b.rxPackets.ToQString();
    o[QStringLiteral("version")] = b.version.ToQString();
    // The interface the bridge answered on; null where there is none (the demo LAN).
    o[QStringLiteral("interface")] =
        b.arrivedOn.name.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(b.arrivedOn.name);
    if (showSecrets) {
        o[QStringLiteral("userName")] = b.userName.ToQString();
        o[QStringLiteral("password")] = b.password.ToQString();
        o[QStringLiteral("keys")] = TextArray(b.keys.data(), kKeyCount);
    }
    return o;
}

QJsonArray BridgesToJson(const BridgeTable& table, const QStringList& models, bool showSecrets) {
    QJsonArray array;
    for (qsizetype i = 0; i < models.size(); ++i) {
        array.append(BridgeToJson(table.records[size_t(i)], models[i], showSecrets));
    }
    return array;
}

QString FormatStatus(const Bridge& bridge) {
    const BridgeStatusView view = DescribeBridgeStatus(bridge);
    qsizetype labelWidth = 0;
    for (const StatusLine& line : view.lines) {
        labelWidth = std::max(labelWidth, line.label.size());
    }
    QString text;
    for (const StatusLine& line : view.lines) {
        if (const char* group = GroupStartingAt(line.field)) {
            text += QString::fromLatin1(group) + u'\n';
        }
        // No padding after a label whose value is empty; a value's own spaces are kept.
        const QString value = Printable(line.value);
        text += QStringLiteral("  ") +
                (value.isEmpty() ? line.label : line.label.leftJustified(labelWidth + 1) + value) +
                u'\n';
    }
    return text;
}

ScanRun::ScanRun(Transport& transport, ScanOptions options, QTextStream& out, QTextStream& err,
                 QObject* parent)
    : QObject(parent), scan_(transport), options_(options), out_(out), err_(err) {
    connect(&scan_, &DiscoveryScan::ScanStarted, this, [this] { models_.clear(); });
    connect(&scan_, &DiscoveryScan::RowAdded, this, &ScanRun::OnRowAdded);
    connect(&scan_, &DiscoveryScan::RowUpdated, this, &ScanRun::OnRowUpdated);
    connect(&scan_, &DiscoveryScan::ScanFinished, this, &ScanRun::OnScanFinished);
    connect(&scan_, &DiscoveryScan::ReceiveFailed, this, [this] {
        err_ << kProgram << ": Socket read error\n" << Qt::flush;
    });
}

bool ScanRun::Start() {
    exitStatus_ = ReportSetup(scan_.SetUp(), err_);
    if (exitStatus_ != ExitStatus::Ok) {
        return false;
    }
    scan_.Begin();
    return true;
}

void ScanRun::OnRowAdded(int index, const RowText& row) {
    if (index == models_.size()) {
        models_.append(row[ColumnModel].ToQString());
    }
}

void ScanRun::OnRowUpdated(int index, const RowText& row) {
    if (index >= 0 && index < models_.size()) {
        models_[index] = row[ColumnModel].ToQString();
    }
}

void ScanRun::OnScanFinished() {
    if (options_.json) {
        out_ << QJsonDocument(BridgesToJson(scan_.table(), models_, options_.showSecrets))
                    .toJson(QJsonDocument::Indented);
    } else if (models_.isEmpty()) {
        out_ << "No bridges found.\n";
    } else {
        out_ << FormatTable(scan_.table(), models_);
    }
    out_.flush();
    Q_EMIT Finished(exitStatus_);
}

StatusRun::StatusRun(Transport& transport, StatusOptions options, QTextStream& out,
                     QTextStream& err, QObject* parent)
    : QObject(parent), transport_(transport), options_(std::move(options)), out_(out), err_(err),
      table_(std::make_unique<BridgeTable>()) {
    answerTimer_.setSingleShot(true);
    // A coarse timer may fire up to 5 % early, cutting short the bridge's 3 seconds.
    answerTimer_.setTimerType(Qt::PreciseTimer);
    answerTimer_.setInterval(kAnswerWaitMs);
    connect(&answerTimer_, &QTimer::timeout, this, &StatusRun::OnAnswerTimeout);
}

bool StatusRun::Start() {
    exitStatus_ = ReportSetup(transport_.Open(), err_);
    if (exitStatus_ != ExitStatus::Ok) {
        return false;
    }
    connect(&transport_, &Transport::DatagramReceived, this, &StatusRun::OnDatagram);
    connect(&transport_, &Transport::ReceiveFailed, this, [this] {
        err_ << kProgram << ": Socket read error\n" << Qt::flush;
    });
    waiting_ = true;
    answerTimer_.start();
    transport_.RefreshInterfaces();
    if (transport_.scanInterfaceCount() > 1) {
        // The bridge may be behind any of them: a status request on all of them would reach it
        // twice where two links lead to it.
        locating_ = true;
        transport_.SendBroadcast(BuildDiscoveryRequest());
        return true;
    }
    SendStatusRequest({});
    return true;
}

void StatusRun::SendStatusRequest(const InterfaceId& via) {
    transport_.SendRequest(BuildStatusRequest(std::string_view(options_.macAddress.constData(),
                                                               size_t(options_.macAddress.size()))),
                           via);
}

void StatusRun::OnDatagram(const QByteArray& datagram, const InterfaceId& via) {
    if (!waiting_) {
        return;
    }
    // Only the asked bridge's answer counts. Field 3 is compared whole: the record keeps just
    // its first 32 characters.
    const std::string_view text = DatagramText(datagram);
    std::array<FieldSlot, kMaxReplyFields> fields{};
    SplitFields(text, kMaxReplyFields, fields.data());
    const std::string_view mac(options_.macAddress.constData(), size_t(options_.macAddress.size()));
    if (SlotView(fields[2]) != kReplyMarker || SlotView(fields[3]) != mac) {
        return;
    }
    RowText row;
    const ReplyResult result = ParseReply(*table_, 0, text, row);
    if (result.kind == ReplyKind::Ignored) {
        return;
    }
    Bridge& bridge = table_->records[size_t(result.index)];
    bridge.arrivedOn = via;
    if (locating_) {
        // Found: now the status request itself, with the full wait for its answer.
        locating_ = false;
        answerTimer_.start();
        SendStatusRequest(via);
        return;
    }
    Q_EMIT Answered(bridge);
    if (options_.printAnswer) {
        if (options_.json) {
            out_ << QJsonDocument(
                        BridgeToJson(bridge, row[ColumnModel].ToQString(), options_.showSecrets))
                        .toJson(QJsonDocument::Indented);
        } else {
            out_ << FormatStatus(bridge);
        }
        out_.flush();
    }
    Finish(ExitStatus::Ok);
}

void StatusRun::OnAnswerTimeout() {
    if (!waiting_) {
        return;
    }
    err_ << kProgram << ": no answer from bridge "
         << Printable(QString::fromLatin1(options_.macAddress)) << " within 3 seconds.\n"
         << "Check that the MAC address is written exactly as the bridge reports it, letter case\n"
            "included (as 'vantoro-cli scan' lists it), and that the bridge is powered and on\n"
            "this LAN segment.\n"
         << Qt::flush;
    Finish(ExitStatus::NoAnswer);
}

void StatusRun::Finish(ExitStatus status) {
    waiting_ = false;
    locating_ = false;
    answerTimer_.stop();
    exitStatus_ = status;
    Q_EMIT Finished(status);
}

namespace {

NetworkChoice NetworkOf(const Invocation& invocation) {
    switch (invocation.kind) {
    case Invocation::Kind::Scan:
        return {invocation.scan.demo, invocation.scan.interfaces};
    case Invocation::Kind::Status:
        return {invocation.status.demo, invocation.status.interfaces};
    case Invocation::Kind::SetIp:
        return {invocation.setIp.change.demo, invocation.setIp.change.interfaces};
    case Invocation::Kind::SetWireless:
        return {invocation.setWireless.change.demo, invocation.setWireless.change.interfaces};
    default:
        return {};
    }
}

// Runs one command's event loop until it reports its exit status.
template <typename Command> ExitStatus RunToEnd(Command& command) {
    QEventLoop loop;
    std::optional<ExitStatus> result;
    QObject::connect(&command, &Command::Finished, &loop, [&result, &loop](ExitStatus status) {
        result = status;
        loop.quit();
    });
    if (!command.Start()) {
        return command.exitStatus();
    }
    if (!result) {
        loop.exec();
    }
    return result.value_or(command.exitStatus());
}

} // namespace

ExitStatus Run(const QStringList& args, QTextStream& out, QTextStream& err,
               const Services& services) {
    const Invocation invocation = ParseArguments(args);
    switch (invocation.kind) {
    case Invocation::Kind::Help:
    case Invocation::Kind::Version:
        out << invocation.text << Qt::flush;
        return ExitStatus::Ok;
    case Invocation::Kind::Error:
        err << kProgram << ": " << invocation.text << "\n\n"
            << Usage(invocation.command) << Qt::flush;
        return ExitStatus::Usage;
    default:
        break;
    }
    const NetworkChoice network = NetworkOf(invocation);
    if (!network.demo && !network.interfaces.isEmpty()) {
        const QStringList unknown = UnknownInterfaceNames(
            services.interfaces ? services.interfaces() : std::vector<NetInterface>(),
            network.interfaces);
        if (!unknown.isEmpty()) {
            err << kProgram << ": this PC has no interface named '" << Printable(unknown.first())
                << "'\n"
                << Qt::flush;
            return ExitStatus::Usage;
        }
    }
    const std::unique_ptr<Transport> transport = services.makeTransport(network);
    switch (invocation.kind) {
    case Invocation::Kind::Scan: {
        ScanRun run(*transport, invocation.scan, out, err);
        return RunToEnd(run);
    }
    case Invocation::Kind::Status: {
        StatusRun run(*transport, invocation.status, out, err);
        return RunToEnd(run);
    }
    case Invocation::Kind::SetIp: {
        SetIpRun run(*transport, invocation.setIp, services.passwords, services.platform, out, err);
        return RunToEnd(run);
    }
    case Invocation::Kind::SetWireless: {
        SetWirelessRun run(*transport, invocation.setWireless, services.passwords, out, err);
        return RunToEnd(run);
    }
    default:
        break;
    }
    return ExitStatus::Usage;
}

ExitStatus Run(const QStringList& args, QTextStream& out, QTextStream& err,
               const TransportFactory& makeTransport) {
    SystemPasswordSources passwords;
    SystemPlatform platform;
    return Run(args, out, err, Services{makeTransport, passwords, platform});
}

std::optional<QString> SystemPasswordSources::FromEnvironment() const {
    if (!qEnvironmentVariableIsSet(kPasswordVariable)) {
        return std::nullopt;
    }
    return qEnvironmentVariable(kPasswordVariable);
}

std::optional<QString> SystemPasswordSources::FromStdin() {
    if (const std::optional<QByteArray> line = ReadStdinLine()) {
        return QString::fromLocal8Bit(*line);
    }
    return std::nullopt;
}

bool SystemPasswordSources::StdinIsTerminal() const {
    return vantoro::StdinIsTerminal();
}

std::optional<QString> SystemPasswordSources::FromPrompt(const QString& prompt) {
    if (const std::optional<QByteArray> line = ReadHiddenLine(prompt.toLocal8Bit())) {
        return QString::fromLocal8Bit(*line);
    }
    return std::nullopt;
}

std::unique_ptr<Transport> MakeTransport(const NetworkChoice& network) {
    if (network.demo) {
        return std::make_unique<sim::SimulatedLan>(sim::DemoFleet());
    }
    auto transport = std::make_unique<UdpTransport>();
    transport->setInterfaceNames(network.interfaces);
    return transport;
}

} // namespace vantoro::cli
