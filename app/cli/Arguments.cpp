// The command line read into an Invocation: one parser per command, so that a command adds
// options without touching the others. The help and the usage lines are made from the same
// option definitions the parsers use, so they cannot drift from what is accepted.

#include "app/cli/Cli.h"
#include "app/cli/FleetCommands.h"
#include "config/Version.h"
#include "protocol/Latin1.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <iterator>
#include <optional>

namespace vantoro::cli {
namespace {

constexpr qsizetype kHelpWidth = 79;
constexpr qsizetype kOptionColumn = 26;
// A secrets file is a few lines; anything bigger is not one.
constexpr qint64 kMaxSecretsFileBytes = 4096;

QString Dashed(const QString& name) {
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

// "-h, --help" or "--address A".
QString Spelling(const QCommandLineOption& option) {
    QStringList names;
    for (const QString& name : option.names()) {
        names.append(Dashed(name));
    }
    QString text = names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty()) {
        text += u' ' + option.valueName();
    }
    return text;
}

// The words of text in lines of at most kHelpWidth characters; the first line continues a line
// that already holds `used` characters, the others start after `indent` spaces.
QString Wrap(const QString& text, qsizetype indent, qsizetype used) {
    QString wrapped;
    qsizetype column = used;
    bool lineStart = true; // the first word of a line goes without a space before it
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (!lineStart && column + 1 + word.size() > kHelpWidth) {
            wrapped += u'\n' + QString(indent, u' ');
            column = indent;
            lineStart = true;
        }
        if (!lineStart) {
            wrapped += u' ';
            ++column;
        }
        wrapped += word;
        column += word.size();
        lineStart = false;
    }
    return wrapped;
}

QString Paragraphs(const QString& text) {
    QStringList out;
    for (const QString& paragraph : text.split(QStringLiteral("\n\n"))) {
        out.append(Wrap(paragraph, 0, 0));
    }
    return out.join(QStringLiteral("\n\n")) + u'\n';
}

QString OptionEntries(const QList<QCommandLineOption>& options) {
    QString text;
    for (const QCommandLineOption& option : options) {
        QString line = QStringLiteral("  ") + Spelling(option);
        if (line.size() + 1 < kOptionColumn) {
            line = line.leftJustified(kOptionColumn);
        } else {
            line += u'\n' + QString(kOptionColumn, u' ');
        }
        text += line + Wrap(option.description(), kOptionColumn, kOptionColumn) + u'\n';
    }
    return text;
}

// "Usage: vantoro-cli set-ip MAC [--dhcp] ...", wrapped under the command. lead is "Usage: " or
// the spaces of a further form.
QString UsageForm(const QString& lead, const QString& command, const QString& operand,
                  const QList<QCommandLineOption>& options) {
    QString first = lead + kProgram + u' ' + command;
    if (!operand.isEmpty()) {
        first += u' ' + operand;
    }
    QStringList words;
    for (const QCommandLineOption& option : options) {
        if (option.names().contains(QStringLiteral("help"))) {
            continue;
        }
        QString word = QStringLiteral("[") + Dashed(option.names().constLast());
        if (!option.valueName().isEmpty()) {
            word += u' ' + option.valueName();
        }
        words.append(word + u']');
    }
    // Glued with no-break markers so an option and its value stay on one line.
    for (QString& word : words) {
        word.replace(u' ', u'\x01');
    }
    const qsizetype indent = lead.size() + kProgram.size() + 1 + command.size() + 1;
    QString text = first + u' ' + Wrap(words.join(u' '), indent, first.size() + 1);
    text.replace(u'\x01', u' ');
    return text + u'\n';
}

QCommandLineOption HelpOption() {
    return QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                              QStringLiteral("show this help"));
}

// scan's table as a spreadsheet reads it.
QCommandLineOption CsvOption() {
    return QCommandLineOption(QStringLiteral("csv"),
                              QStringLiteral("print CSV with a header row: the fields of --json"));
}

QCommandLineOption InterfaceOption() {
    return QCommandLineOption(QStringLiteral("interface"),
                              QStringLiteral("use only this network interface (\"eth0\"); repeat "
                                             "it for more. Without it every interface that can "
                                             "broadcast is used."),
                              QStringLiteral("NAME"));
}

QCommandLineOption DemoOption(const char* what) {
    return QCommandLineOption(QStringLiteral("demo"), QLatin1String(what));
}

// The options of the commands that print bridges.
struct OutputOptions {
    QCommandLineOption json{QStringLiteral("json"), QStringLiteral("print JSON")};
    QCommandLineOption secrets{QStringLiteral("show-secrets"),
                               QStringLiteral("include user names, passwords and WEP keys in the "
                                              "JSON output")};
    QCommandLineOption demo = DemoOption("use the built-in demo LAN of simulated bridges instead "
                                         "of the network");
    QCommandLineOption interfaceName = InterfaceOption();
    QCommandLineOption help = HelpOption();

    QList<QCommandLineOption> All() const { return {json, secrets, demo, interfaceName, help}; }
    // The usage errors these options can make together; empty when there is none.
    QString Check(const QCommandLineParser& parser) const;
};

// The options every change takes besides its own.
struct ChangeOptionSet {
    QCommandLineOption user{QStringLiteral("user"),
                            QStringLiteral("the user name, for a bridge that asks for a login"),
                            QStringLiteral("U")};
    QCommandLineOption passwordStdin{QStringLiteral("password-stdin"),
                                     QStringLiteral("read the password from the first line of "
                                                    "standard input")};
    QCommandLineOption dryRun{QStringLiteral("dry-run"),
                              QStringLiteral("log in and check, then print the request's items "
                                             "(\"key value\", one a line) instead of sending "
                                             "them")};
    QCommandLineOption wait{QStringLiteral("wait"),
                            QStringLiteral("after sending, scan until the bridge answers with the "
                                           "new settings, for at most 60 seconds")};
    QCommandLineOption demo =
        DemoOption("change a bridge of the built-in demo LAN instead of the network");
    QCommandLineOption interfaceName = InterfaceOption();
    QCommandLineOption help = HelpOption();

    QList<QCommandLineOption> All() const {
        return {user, passwordStdin, dryRun, wait, demo, interfaceName, help};
    }
};

struct IpOptionSet {
    QCommandLineOption dhcp{QStringLiteral("dhcp"),
                            QStringLiteral("the bridge takes its address from a DHCP server")};
    QCommandLineOption fixed{QStringLiteral("static"),
                             QStringLiteral("the bridge keeps a fixed address")};
    QCommandLineOption suggest{QStringLiteral("suggest"),
                               QStringLiteral("a fixed address next to this PC's own, with the "
                                              "PC's mask")};
    QCommandLineOption address{QStringLiteral("address"),
                               QStringLiteral("the bridge's address, dotted decimal (sent with "
                                              "--dhcp too)"),
                               QStringLiteral("A")};
    QCommandLineOption netmask{QStringLiteral("netmask"),
                               QStringLiteral("the bridge's subnet mask, dotted decimal"),
                               QStringLiteral("M")};

    QList<QCommandLineOption> All() const { return {dhcp, fixed, suggest, address, netmask}; }
};

// set-wireless's own options.
struct WirelessOptionSet {
    QCommandLineOption ssid{QStringLiteral("ssid"),
                            QStringLiteral("the network name (at most 32 characters)"),
                            QStringLiteral("NAME")};
    QCommandLineOption region{QStringLiteral("region"),
                              QStringLiteral("the region by its code (ZA, CN, AU, CA, DE, FR, IE, "
                                             "JP, ES, GB, US); the channel goes to the region's "
                                             "first one"),
                              QStringLiteral("CODE")};
    QCommandLineOption agreeRegion{QStringLiteral("agree-region"),
                                   QStringLiteral("agree to the region warning; another region "
                                                  "than the bridge's own is sent only with it")};
    QCommandLineOption infrastructure{QStringLiteral("infrastructure"),
                                      QStringLiteral("join an access point's network")};
    QCommandLineOption adHoc{QStringLiteral("adhoc"),
                             QStringLiteral("start or join an ad-hoc network")};
    QCommandLineOption mode{QStringLiteral("mode"),
                            QStringLiteral("ad-hoc: 802.11b, 802.11g or 802.11b/g"),
                            QStringLiteral("b|g|bg")};
    QCommandLineOption channel{QStringLiteral("channel"),
                               QStringLiteral("ad-hoc: a channel that the region allows"),
                               QStringLiteral("N")};
    QCommandLineOption wep{QStringLiteral("wep"), QStringLiteral("WEP encryption"),
                           QStringLiteral("off|on")};
    QCommandLineOption keySize{QStringLiteral("key-size"),
                               QStringLiteral("the key size (a new size empties all four keys)"),
                               QStringLiteral("64|128")};
    QCommandLineOption passphrase{QStringLiteral("passphrase"),
                                  QStringLiteral("make the keys from a passphrase (at most 32 "
                                                 "characters); other users of this PC can see it, "
                                                 "as every command-line value"),
                                  QStringLiteral("TEXT")};
    QCommandLineOption passphraseFile{QStringLiteral("passphrase-file"),
                                      QStringLiteral("the same, the passphrase being the first "
                                                     "line of FILE"),
                                      QStringLiteral("FILE")};
    QCommandLineOption key{QStringLiteral("key"),
                           QStringLiteral("key N (1 to 4): 10 or 26 hex digits, empty to clear "
                                          "it, or the asterisks of the mask to leave it as it is; "
                                          "other users of this PC can see it"),
                           QStringLiteral("N=HEX")};
    QCommandLineOption keysFile{QStringLiteral("keys-file"),
                                QStringLiteral("the keys as lines N=HEX in FILE"),
                                QStringLiteral("FILE")};
    QCommandLineOption defaultKey{QStringLiteral("default-key"),
                                  QStringLiteral("the key in use, 1 to 4"), QStringLiteral("N")};

    QList<QCommandLineOption> All() const {
        return {ssid, region,  agreeRegion, infrastructure, adHoc, mode,     channel,
                wep,  keySize, passphrase,  passphraseFile, key,   keysFile, defaultKey};
    }
};

// What a command's help says besides its options.
struct CommandText {
    QLatin1String name;
    QLatin1String operand; // "MAC", or empty
    QLatin1String summary; // its entry in the program's command list
    QLatin1String about;   // the paragraphs before the options
    QLatin1String after;   // the paragraphs after them
};

constexpr QLatin1String kChangeAfter{
    "The password comes from the environment variable VANTORO_PASSWORD, else with "
    "--password-stdin, else it is asked on the terminal; never from the command line.\n\n"
    "Exit status: 0 sent, or nothing to change (with --wait: the bridge answers with the new "
    "settings); 1 refused by a check, whose message is on stderr; 2 usage error, or port 65432 "
    "taken; 3 login refused; 4 the bridge did not answer."};

constexpr CommandText kCommands[] = {
    {kScan, QLatin1String(),
     QLatin1String("broadcast three discovery requests over 3.5 seconds "
                   "and print every bridge that answered"),
     QLatin1String("Broadcasts three discovery requests over 3.5 seconds, on every network "
                   "interface that can broadcast, and prints every bridge that answered, in the "
                   "order they answered. --json prints an array, one object per bridge."),
     QLatin1String("Exit status: 0 done; 2 usage error, or port 65432 taken.")},
    {kStatus, QLatin1String("MAC"),
     QLatin1String("ask the bridge with this MAC address for its status and print it"),
     QLatin1String("Sends one status request for the bridge whose MAC address is MAC and prints "
                   "the bridge's answer as the Bridge Status window shows it (--json: one "
                   "object, keyed as scan --json). Give MAC exactly as the bridge reports it, as "
                   "'vantoro-cli scan' lists it: the bridge compares it character for "
                   "character. Waits up to 3 seconds; answers from other bridges are ignored."),
     QLatin1String("Exit status: 0 the bridge answered; 2 usage error, or port 65432 taken; 4 no "
                   "answer within 3 seconds.")},
    {kSetIp, QLatin1String("MAC"),
     QLatin1String("give the bridge DHCP or a fixed address and mask"),
     QLatin1String("Gives the bridge whose MAC address is MAC a new IP configuration, as the IP "
                   "Setting window does. One status request learns the bridge's settings (3 "
                   "seconds at most); the options below change them, in this order; then the "
                   "login, the checks of the address and mask, and one configuration request. "
                   "The bridge then reboots, which takes about 20 seconds. A change that leaves "
                   "every setting as the bridge reports it is not sent."),
     kChangeAfter},
    {kSetWireless, QLatin1String("MAC"),
     QLatin1String("change the bridge's network name, region, network type and WEP keys"),
     QLatin1String("Changes the wireless settings of the bridge whose MAC address is MAC, as the "
                   "Connection Settings window does. One status request learns the bridge's "
                   "settings (3 seconds at most); the options below change them, in this order; "
                   "then the login, the checks, and one configuration request. The bridge then "
                   "reboots, which takes about 20 seconds. A change that leaves every setting as "
                   "the bridge reports it is not sent.\n\n"
                   "Values given on the command line can be seen by other users of this PC: give "
                   "a passphrase or keys in a file that only you can read instead."),
     kChangeAfter},
    {kExport, QLatin1String("[MAC ...]"),
     QLatin1String("write the settings document of the bridges found, for apply"),
     QLatin1String(kExportAbout), QLatin1String(kExportAfter)},
    {kApply, QLatin1String("PLAN"), QLatin1String("bring many bridges to the settings of a plan"),
     QLatin1String(kApplyAbout), QLatin1String(kApplyAfter)},
    {kWatch, QLatin1String(), QLatin1String("scan again and again and report what changed"),
     QLatin1String(kWatchAbout), QLatin1String(kWatchAfter)},
};

const CommandText* FindCommand(const QString& name) {
    const auto* found = std::find_if(std::begin(kCommands), std::end(kCommands),
                                     [&name](const CommandText& c) { return c.name == name; });
    return found == std::end(kCommands) ? nullptr : found;
}

QList<QCommandLineOption> CommandOptions(const QString& command) {
    if (command == kScan) {
        return QList<QCommandLineOption>{CsvOption()} + OutputOptions().All();
    }
    if (command == kStatus) {
        return OutputOptions().All();
    }
    if (command == kSetIp) {
        return IpOptionSet().All() + ChangeOptionSet().All();
    }
    if (command == kSetWireless) {
        return WirelessOptionSet().All() + ChangeOptionSet().All();
    }
    if (IsFleetCommand({kProgram, command})) {
        return FleetCommandOptions(command);
    }
    return {};
}

QCommandLineOption VersionOption() {
    return QCommandLineOption(QStringList{QStringLiteral("v"), QStringLiteral("version")},
                              QStringLiteral("show the version"));
}

QString ProgramUsage() {
    QString text;
    for (const CommandText& command : kCommands) {
        text += UsageForm(text.isEmpty() ? QStringLiteral("Usage: ") : QStringLiteral("       "),
                          command.name, command.operand, CommandOptions(command.name));
    }
    return text + QStringLiteral("       ") + kProgram + QStringLiteral(" COMMAND --help\n");
}

QString ProgramHelp() {
    QString text = ProgramUsage() + u'\n' +
                   Paragraphs(QStringLiteral("Finds the wireless bridges on the LAN, lists them, "
                                             "shows their status and changes their settings.")) +
                   QStringLiteral("\nCommands:\n");
    for (const CommandText& command : kCommands) {
        QString entry = QStringLiteral("  ") + command.name;
        if (!command.operand.isEmpty()) {
            entry += u' ' + command.operand;
        }
        text += entry.leftJustified(kOptionColumn) +
                Wrap(command.summary, kOptionColumn, kOptionColumn) + u'\n';
    }
    text += QStringLiteral("\nOptions:\n") + OptionEntries({HelpOption(), VersionOption()});
    text += u'\n' +
            Paragraphs(QStringLiteral(
                "Each command takes its own options: see 'vantoro-cli COMMAND --help'. A bridge "
                "that asks for a login takes its password from the environment variable "
                "VANTORO_PASSWORD, else from standard input with --password-stdin, else from a "
                "prompt on the terminal; never from the command line. Other values given on the "
                "command line can be seen by other users of this PC.\n\n"
                "Every bridge sends its user name, password and WEP keys to anyone on the LAN "
                "who asks: use this program on networks you trust."));
    text += QStringLiteral("\nExit status:\n"
                           "  0  done\n"
                           "  1  refused by one of the program's rules\n"
                           "  2  usage error, or the network could not be set up (port 65432 "
                           "taken)\n"
                           "  3  login refused\n"
                           "  4  the bridge did not answer\n");
    return text;
}

} // namespace

QString Usage(const QString& command) {
    const CommandText* text = FindCommand(command);
    if (text == nullptr) {
        return ProgramHelp();
    }
    const QList<QCommandLineOption> options = CommandOptions(command);
    return UsageForm(QStringLiteral("Usage: "), text->name, text->operand, options) + u'\n' +
           Paragraphs(text->about) + QStringLiteral("\nOptions:\n") + OptionEntries(options) +
           u'\n' + Paragraphs(text->after);
}

QString UsageError(const QString& command, const QString& message) {
    const CommandText* text = FindCommand(command);
    QString usage;
    if (text == nullptr) {
        QStringList names;
        for (const CommandText& each : kCommands) {
            names.append(each.name);
        }
        usage = QStringLiteral("Usage: ") + kProgram + u' ' + names.join(u'|') +
                QStringLiteral(" ...\n");
    } else {
        usage = QStringLiteral("Usage: ") + kProgram + u' ' + text->name +
                (text->operand.isEmpty() ? QString() : QString(u' ' + text->operand)) +
                QStringLiteral(" [OPTION]...\n");
    }
    const QString help = text == nullptr ? QString() : QString(text->name + u' ');
    return kProgram + QStringLiteral(": ") + message + u'\n' + usage + QStringLiteral("Try '") +
           kProgram + u' ' + help + QStringLiteral("--help'.\n");
}

namespace {

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
    const bool csv = parser.optionNames().contains(QStringLiteral("csv"));
    if (csv && parser.isSet(json)) {
        return QStringLiteral("--json and --csv exclude each other");
    }
    if (parser.isSet(secrets) && !parser.isSet(json) && !csv) {
        return QStringLiteral("--show-secrets only applies to --json or --csv output");
    }
    return CheckInterfaces(parser, interfaceName, demo);
}

// The parser's own messages in the program's style: lower-case, options with their dashes.
QString ParserError(const QCommandLineParser& parser) {
    if (!parser.unknownOptionNames().isEmpty()) {
        return QStringLiteral("unknown option '%1'")
            .arg(Printable(Dashed(parser.unknownOptionNames().constFirst())));
    }
    static const QRegularExpression quoted(QStringLiteral("^(.*) '(.*)'\\.?$"));
    const QRegularExpressionMatch match = quoted.match(parser.errorText());
    if (match.hasMatch()) {
        QString name = match.captured(2).section(u'=', 0, 0);
        while (name.startsWith(u'-')) {
            name.remove(0, 1);
        }
        if (match.captured(1).startsWith(QStringLiteral("Missing value"))) {
            return QStringLiteral("%1 needs a value").arg(Printable(Dashed(name)));
        }
        if (match.captured(1).startsWith(QStringLiteral("Unexpected value"))) {
            return QStringLiteral("%1 takes no value").arg(Printable(Dashed(name)));
        }
    }
    QString text = Printable(parser.errorText());
    if (text.endsWith(u'.')) {
        text.chop(1);
    }
    if (!text.isEmpty()) {
        text[0] = text[0].toLower();
    }
    return text;
}

// Parses what follows the command name; false with invocation.text set on a usage error.
bool ParseCommandLine(QCommandLineParser& parser, const QString& program, const QString& command,
                      const QStringList& rest, Invocation& invocation) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    if (!parser.parse(QStringList{program + u' ' + command} + rest)) {
        invocation.text = ParserError(parser);
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
    if (std::any_of(mac.begin(), mac.end(), [](QChar c) { return c.unicode() > 0xff; })) {
        return QStringLiteral("'%1' holds characters a bridge cannot report").arg(Printable(mac));
    }
    const QByteArray bytes = mac.toLatin1();
    if (!IsUsableIdentifier(View(bytes))) {
        return QStringLiteral("the MAC address '%1' holds a space or a control character")
            .arg(Printable(mac));
    }
    return QString();
}

void ParseOutputCommand(const QString& program, const QString& command, const QStringList& rest,
                        Invocation& invocation) {
    QCommandLineParser parser;
    const OutputOptions options;
    parser.addOptions(options.All());
    const bool needsMac = command == kStatus;
    if (!needsMac) {
        parser.addOption(CsvOption());
    }
    if (!ParseCommandLine(parser, program, command, rest, invocation)) {
        return;
    }
    if (parser.isSet(options.help)) {
        invocation.kind = Invocation::Kind::Help;
        invocation.text = Usage(command);
        return;
    }
    const QStringList positional = parser.positionalArguments();
    if (needsMac && positional.isEmpty()) {
        invocation.text = QStringLiteral("status needs the bridge's MAC address");
        return;
    }
    invocation.text = CheckedPositionals(positional, needsMac ? 1 : 0);
    if (invocation.text.isEmpty() && needsMac) {
        invocation.text = CheckMacAddress(positional.first());
    }
    if (invocation.text.isEmpty()) {
        invocation.text = options.Check(parser);
    }
    if (!invocation.text.isEmpty()) {
        return;
    }
    if (!needsMac) {
        invocation.kind = Invocation::Kind::Scan;
        invocation.scan = {parser.isSet(options.json), parser.isSet(options.secrets),
                           parser.isSet(options.demo), parser.values(options.interfaceName),
                           parser.isSet(QStringLiteral("csv"))};
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
    change.login = {parser.value(common.user), parser.isSet(common.passwordStdin),
                    parser.isSet(common.user)};
    change.dryRun = parser.isSet(common.dryRun);
    change.wait = parser.isSet(common.wait);
    change.demo = parser.isSet(common.demo);
    change.interfaces = parser.values(common.interfaceName);
    return true;
}

// What a person types is read strictly: 192.168.1.300 is a slip, not 192.168.1.44.
std::optional<Ipv4Octets> DottedQuadOption(const QCommandLineParser& parser,
                                           const QCommandLineOption& option, QString& error) {
    if (!parser.isSet(option)) {
        return std::nullopt;
    }
    const QString text = parser.value(option);
    const QByteArray bytes = text.toLatin1();
    const std::optional<quint32> address = ParseIpv4(View(bytes));
    if (!address || QString::fromLatin1(bytes) != text) {
        error = QStringLiteral("--%1: '%2' is not a dotted-decimal IPv4 address (four numbers "
                               "from 0 to 255)")
                    .arg(option.names().constFirst(), Printable(text));
        return std::nullopt;
    }
    return ToOctets(*address);
}

void ParseSetIp(const QString& program, const QStringList& rest, Invocation& invocation) {
    QCommandLineParser parser;
    const ChangeOptionSet common;
    const IpOptionSet ip;
    parser.addOptions(ip.All());
    parser.addOptions(common.All());
    SetIpOptions options;
    if (!ParseChange(parser, common, program, kSetIp, rest, invocation, options.change)) {
        return;
    }
    QString& error = invocation.text;
    if (parser.isSet(ip.dhcp) && parser.isSet(ip.fixed)) {
        error = QStringLiteral("--dhcp and --static exclude each other");
    } else if (parser.isSet(ip.dhcp) && parser.isSet(ip.suggest)) {
        error = QStringLiteral("--suggest sets a fixed address: it cannot go with --dhcp");
    } else {
        error = RepeatedOption(parser, {&ip.address, &ip.netmask});
    }
    if (error.isEmpty()) {
        options.address = DottedQuadOption(parser, ip.address, error);
    }
    if (error.isEmpty()) {
        options.netmask = DottedQuadOption(parser, ip.netmask, error);
    }
    if (!error.isEmpty()) {
        return;
    }
    if (parser.isSet(ip.dhcp)) {
        options.mode = IpMode::Dhcp;
    } else if (parser.isSet(ip.fixed)) {
        options.mode = IpMode::Fixed;
    }
    options.suggest = parser.isSet(ip.suggest);
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

// The first usage error found; later ones are not reported.
struct FirstError {
    QString& text;
    void operator()(const QString& error) const {
        if (text.isEmpty()) {
            text = error;
        }
    }
};

// The lines of a secrets file, read whole: a regular file of a few lines. Its content is never
// repeated in a message.
std::optional<QStringList> SecretsFileLines(const QString& option, const QString& path,
                                            const FirstError& fail) {
    const QFileInfo info(path);
    QFile file(path);
    if (!info.isFile() || info.size() > kMaxSecretsFileBytes || !file.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("--%1: cannot read '%2' (a regular file of at most %3 bytes)")
                 .arg(option, Printable(path))
                 .arg(kMaxSecretsFileBytes));
        return std::nullopt;
    }
    QStringList lines = QString::fromLocal8Bit(file.read(kMaxSecretsFileBytes)).split(u'\n');
    for (QString& line : lines) {
        if (line.endsWith(u'\r')) {
            line.chop(1);
        }
    }
    return lines;
}

// The network name, the region, the network type and the ad-hoc mode and channel.
void ReadNetworkOptions(const QCommandLineParser& parser, const WirelessOptionSet& set,
                        SetWirelessOptions& options, const FirstError& fail) {
    if (parser.isSet(set.ssid)) {
        options.wanted.networkName = parser.value(set.ssid);
        fail(WireTextError(*options.wanted.networkName, kMaxNetworkNameChars,
                           "--ssid: a network name"));
    }
    if (parser.isSet(set.region)) {
        const QByteArray code = parser.value(set.region).toLatin1();
        // A character outside Latin-1 reads as '?', which no code holds.
        if (FindRegion(View(code)) == nullptr) {
            fail(QStringLiteral("--region: '%1' is not a region code; the codes are %2")
                     .arg(Printable(parser.value(set.region)), RegionCodes()));
        }
        options.wanted.region = FindRegionIndex(View(code));
    } else if (parser.isSet(set.agreeRegion)) {
        fail(QStringLiteral("--agree-region goes with --region"));
    }
    options.agreeRegion = parser.isSet(set.agreeRegion);

    if (parser.isSet(set.infrastructure) && parser.isSet(set.adHoc)) {
        fail(QStringLiteral("--infrastructure and --adhoc exclude each other"));
    } else if (parser.isSet(set.infrastructure)) {
        options.wanted.networkType = NetworkType::Infrastructure;
        if (parser.isSet(set.mode) || parser.isSet(set.channel)) {
            fail(QStringLiteral("--mode and --channel set up an ad-hoc network, not an "
                                "infrastructure one"));
        }
    } else if (parser.isSet(set.adHoc)) {
        options.wanted.networkType = NetworkType::AdHoc;
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
            options.wanted.adHocMode = found->second;
        }
    }
    if (parser.isSet(set.channel)) {
        bool ok = false;
        options.wanted.channel = parser.value(set.channel).toInt(&ok, 10);
        if (!ok) {
            fail(QStringLiteral("--channel takes a channel number"));
        }
    }
}

// One N=HEX text of --key or of a keys file into the wanted keys; false when it is not one.
bool AddKey(const QString& value, WirelessWanted& wanted) {
    const qsizetype equals = value.indexOf(u'=');
    const std::optional<int> index = KeyNumber(value.left(equals));
    if (equals < 0 || !index) {
        return false;
    }
    wanted.keys.append(std::pair{*index, value.mid(equals + 1)});
    return true;
}

// The passphrase and the typed keys, from the command line or from files.
void ReadSecrets(const QCommandLineParser& parser, const WirelessOptionSet& set,
                 WirelessWanted& wanted, const FirstError& fail) {
    if (parser.isSet(set.passphrase) && parser.isSet(set.passphraseFile)) {
        fail(QStringLiteral("--passphrase and --passphrase-file exclude each other"));
    }
    if (parser.isSet(set.key) && parser.isSet(set.keysFile)) {
        fail(QStringLiteral("--key and --keys-file exclude each other"));
    }
    if (parser.isSet(set.passphrase)) {
        wanted.passphrase = parser.value(set.passphrase);
    } else if (parser.isSet(set.passphraseFile)) {
        if (const auto lines = SecretsFileLines(QStringLiteral("passphrase-file"),
                                                parser.value(set.passphraseFile), fail)) {
            wanted.passphrase = lines->constFirst();
        }
    }
    if (wanted.passphrase) {
        fail(WireTextError(*wanted.passphrase, kMaxPassphraseChars, "--passphrase: a passphrase"));
    }
    for (const QString& value : parser.values(set.key)) {
        if (!AddKey(value, wanted)) {
            fail(QStringLiteral("--key takes N=HEX, with N from 1 to 4"));
            break;
        }
    }
    if (parser.isSet(set.keysFile)) {
        const auto lines =
            SecretsFileLines(QStringLiteral("keys-file"), parser.value(set.keysFile), fail);
        for (qsizetype i = 0; lines && i < lines->size(); ++i) {
            if (!lines->at(i).trimmed().isEmpty() && !AddKey(lines->at(i).trimmed(), wanted)) {
                fail(QStringLiteral("--keys-file: line %1 is not N=HEX, with N from 1 to 4")
                         .arg(i + 1));
                break;
            }
        }
    }
    if (wanted.passphrase && !wanted.keys.isEmpty()) {
        fail(QStringLiteral("--passphrase makes the keys: it cannot go with --key"));
    }
}

// WEP on or off, the key size, the passphrase or the typed keys, and the key in use. Neither the
// passphrase nor a key is ever repeated in a message.
void ReadSecurityOptions(const QCommandLineParser& parser, const WirelessOptionSet& set,
                         WirelessWanted& wanted, const FirstError& fail) {
    if (parser.isSet(set.wep)) {
        const QString value = parser.value(set.wep);
        if (value != u"on" && value != u"off") {
            fail(QStringLiteral("--wep takes off or on"));
        }
        wanted.useWep = value == u"on";
    }
    if (parser.isSet(set.keySize)) {
        const QString value = parser.value(set.keySize);
        if (value != u"64" && value != u"128") {
            fail(QStringLiteral("--key-size takes 64 or 128"));
        }
        wanted.keySize = value == u"128" ? KeySize::Bits128 : KeySize::Bits64;
    }
    ReadSecrets(parser, set, wanted, fail);
    if (parser.isSet(set.defaultKey)) {
        wanted.defaultKey = KeyNumber(parser.value(set.defaultKey));
        if (!wanted.defaultKey) {
            fail(QStringLiteral("--default-key takes a key number from 1 to 4"));
        }
    }
    const bool keyOptions =
        wanted.keySize || wanted.passphrase || !wanted.keys.isEmpty() || wanted.defaultKey;
    if (wanted.useWep == std::optional<bool>(false) && keyOptions) {
        fail(QStringLiteral("the key options need WEP on, not --wep off"));
    }
}

void ParseSetWireless(const QString& program, const QStringList& rest, Invocation& invocation) {
    QCommandLineParser parser;
    const ChangeOptionSet common;
    const WirelessOptionSet set;
    parser.addOptions(set.All());
    parser.addOptions(common.All());
    SetWirelessOptions options;
    if (!ParseChange(parser, common, program, kSetWireless, rest, invocation, options.change)) {
        return;
    }
    const FirstError fail{invocation.text};
    fail(RepeatedOption(parser,
                        {&set.ssid, &set.region, &set.mode, &set.channel, &set.wep, &set.keySize,
                         &set.passphrase, &set.passphraseFile, &set.keysFile, &set.defaultKey}));
    ReadNetworkOptions(parser, set, options, fail);
    ReadSecurityOptions(parser, set, options.wanted, fail);
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
    const QCommandLineOption help = HelpOption();
    const QCommandLineOption version = VersionOption();
    parser.addOptions({help, version});

    Invocation invocation;
    if (!parser.parse(args)) {
        invocation.text = ParserError(parser);
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
    const QString program = args.isEmpty() ? QString(kProgram) : args.first();
    const QString& command = positional.first();
    if (FindCommand(command) == nullptr) {
        invocation.text = QStringLiteral("unknown command '%1'").arg(Printable(command));
        return invocation;
    }
    invocation.command = command;
    if (command == kScan || command == kStatus) {
        ParseOutputCommand(program, command, positional.mid(1), invocation);
    } else if (command == kSetIp) {
        ParseSetIp(program, positional.mid(1), invocation);
    } else {
        ParseSetWireless(program, positional.mid(1), invocation);
    }
    return invocation;
}

} // namespace vantoro::cli
