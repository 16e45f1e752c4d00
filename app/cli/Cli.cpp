#include "app/cli/Cli.h"

#include "config/BridgeStatus.h"
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
namespace {

const QString kProgram = QStringLiteral("vantoro-cli");
const QString kScan = QStringLiteral("scan");
const QString kStatus = QStringLiteral("status");

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
    QCommandLineOption help{QStringList{QStringLiteral("h"), QStringLiteral("help")}};

    void AddTo(QCommandLineParser& parser) const { parser.addOptions({json, secrets, demo, help}); }
};

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
    if (!invocation.text.isEmpty()) {
        return;
    }
    invocation.kind = Invocation::Kind::Scan;
    invocation.scan = {parser.isSet(options.json), parser.isSet(options.secrets),
                       parser.isSet(options.demo)};
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
    if (!invocation.text.isEmpty()) {
        return;
    }
    invocation.kind = Invocation::Kind::Status;
    invocation.status = {positional.first().toLatin1(), parser.isSet(options.json),
                         parser.isSet(options.secrets), parser.isSet(options.demo)};
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

QString Usage(const QString& command) {
    if (command == kScan) {
        return QStringLiteral(
            "Usage: vantoro-cli scan [--json] [--show-secrets] [--demo]\n"
            "\n"
            "Broadcasts three discovery requests over 3.5 seconds and prints every bridge that\n"
            "answered, in the order they answered.\n"
            "\n"
            "Options:\n"
            "  --json          print a JSON array, one object per bridge\n"
            "  --show-secrets  include user names, passwords and WEP keys in the JSON output\n"
            "  --demo          scan the built-in demo LAN of simulated bridges instead of the\n"
            "                  network\n"
            "  -h, --help      show this help\n"
            "\n"
            "Exit status: 0 done; 2 usage error, or port 65432 taken.\n");
    }
    if (command == kStatus) {
        return QStringLiteral(
            "Usage: vantoro-cli status MAC [--json] [--show-secrets] [--demo]\n"
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
            "  -h, --help      show this help\n"
            "\n"
            "Exit status: 0 the bridge answered; 2 usage error, or port 65432 taken;\n"
            "4 no answer within 3 seconds.\n");
    }
    return QStringLiteral(
        "Usage: vantoro-cli scan [--json] [--show-secrets] [--demo]\n"
        "       vantoro-cli status MAC [--json] [--show-secrets] [--demo]\n"
        "       vantoro-cli COMMAND --help\n"
        "\n"
        "Finds the wireless bridges on the LAN, lists them and shows their status.\n"
        "\n"
        "Commands:\n"
        "  scan            broadcast three discovery requests over 3.5 seconds and print\n"
        "                  every bridge that answered, in the order they answered\n"
        "  status MAC      ask the bridge with this MAC address for its status and print\n"
        "                  it as the Bridge Status window shows it\n"
        "\n"
        "Options:\n"
        "  --json          print JSON: scan an array of bridges, status one bridge\n"
        "  --show-secrets  include user names, passwords and WEP keys in the JSON output\n"
        "  --demo          use the built-in demo LAN of simulated bridges instead of the\n"
        "                  network\n"
        "  -h, --help      show this help; after a command, that command's help\n"
        "  -v, --version   show the version\n"
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
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("scan or status"));

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
        invocation.text = QStringLiteral("vantoro-cli 1.10\n");
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
    transport_.SendRequest(BuildStatusRequest(
        std::string_view(options_.macAddress.constData(), size_t(options_.macAddress.size()))));
    return true;
}

void StatusRun::OnDatagram(const QByteArray& datagram) {
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
    const Bridge& bridge = table_->records[size_t(result.index)];
    if (options_.json) {
        out_ << QJsonDocument(
                    BridgeToJson(bridge, row[ColumnModel].ToQString(), options_.showSecrets))
                    .toJson(QJsonDocument::Indented);
    } else {
        out_ << FormatStatus(bridge);
    }
    out_.flush();
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
    answerTimer_.stop();
    exitStatus_ = status;
    Q_EMIT Finished(status);
}

namespace {

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
               const TransportFactory& makeTransport) {
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
    case Invocation::Kind::Scan: {
        const std::unique_ptr<Transport> transport = makeTransport(invocation.scan.demo);
        ScanRun run(*transport, invocation.scan, out, err);
        return RunToEnd(run);
    }
    case Invocation::Kind::Status: {
        const std::unique_ptr<Transport> transport = makeTransport(invocation.status.demo);
        StatusRun run(*transport, invocation.status, out, err);
        return RunToEnd(run);
    }
    }
    return ExitStatus::Usage;
}

std::unique_ptr<Transport> MakeTransport(bool demo) {
    if (demo) {
        return std::make_unique<sim::SimulatedLan>(sim::DemoFleet());
    }
    return std::make_unique<UdpTransport>();
}

} // namespace vantoro::cli
