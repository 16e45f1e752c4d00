#include "app/cli/Cli.h"

#include "app/cli/ChangeRun.h"
#include "app/cli/FleetCommands.h"
#include "app/demo/DemoLan.h"
#include "config/BridgeStatus.h"
#include "config/Csv.h"
#include "platform/ConsoleInput.h"
#include "platform/Platform.h"
#include "protocol/UdpTransport.h"
#include "sim/SimulatedLan.h"

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
        } else if (c == u'\\') {
            result += QStringLiteral("\\\\");
        } else {
            result += c;
        }
    }
    return result;
}

QByteArray JsonText(const QJsonDocument& document) {
    // Outside strings JSON is plain ASCII, so every such character stands inside a string.
    const QString text = QString::fromUtf8(document.toJson(QJsonDocument::Indented));
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u >= 0x7f && u < 0xa0) {
            escaped += QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0'));
        } else {
            escaped += c;
        }
    }
    return escaped.toUtf8();
}

namespace {

QJsonArray TextArray(const BridgeText* first, int count) {
    QJsonArray array;
    for (int i = 0; i < count; ++i) {
        array.append(first[i].toQString());
    }
    return array;
}

// The options of the commands that print bridges. Each command gets a parser of its own, so a
// later command adds options without touching the others.

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

QString FormatTable(const BridgeTable& table, const QStringList& models) {
    constexpr size_t kColumns = 5;
    const qsizetype rows = models.size();
    QList<std::array<QString, kColumns>> cells;
    cells.append({QStringLiteral("Device Name"), QStringLiteral("Model"),
                  QStringLiteral("IP Address"), QStringLiteral("MAC Address"),
                  QStringLiteral("Version")});
    for (qsizetype i = 0; i < rows; ++i) {
        const Bridge& bridge = table.records[size_t(i)];
        cells.append({Printable(bridge.deviceName.toQString()), Printable(models[i]),
                      Printable(bridge.ipAddress.toQString()),
                      Printable(bridge.macAddress.toQString()),
                      Printable(bridge.version.toQString())});
    }
    std::array<qsizetype, kColumns> widths{};
    for (const auto& row : cells) {
        for (size_t c = 0; c < kColumns; ++c) {
            widths[c] = std::max(widths[c], row[c].size());
        }
    }
    QString text;
    for (const auto& row : cells) {
        QString line;
        for (size_t c = 0; c < kColumns; ++c) {
            line += c + 1 < kColumns ? row[c].leftJustified(widths[c] + 2) : row[c];
        }
        text += line.trimmed() + u'\n';
    }
    return text;
}

QJsonObject BridgeToJson(const Bridge& b, const QString& model, bool showSecrets) {
    QJsonObject o;
    o[QStringLiteral("macAddress")] = b.macAddress.toQString();
    o[QStringLiteral("ipMode")] = b.ipMode.toQString();
    o[QStringLiteral("ipAddress")] = b.ipAddress.toQString();
    o[QStringLiteral("subnetMask")] = b.subnetMask.toQString();
    o[QStringLiteral("gateway")] = b.gateway.toQString();
    o[QStringLiteral("deviceName")] = b.deviceName.toQString();
    o[QStringLiteral("model")] = model;
    o[QStringLiteral("networkType")] = b.networkType.toQString();
    o[QStringLiteral("channel")] = b.channel.toQString();
    o[QStringLiteral("profile")] = b.profile.toQString();
    o[QStringLiteral("country")] = b.country.toQString();
    o[QStringLiteral("privacy")] = b.privacy.toQString();
    o[QStringLiteral("keyLength")] = b.keyLength.toQString();
    o[QStringLiteral("keyId")] = b.keyId.toQString();
    o[QStringLiteral("ssid")] = b.ssid.toQString();
    o[QStringLiteral("ssidCount")] = b.ssidCount.toQString();
    o[QStringLiteral("ssidList")] = TextArray(b.ssidList.data(), b.ssidListSize());
    o[QStringLiteral("linkQuality")] = b.linkQuality.toQString();
    o[QStringLiteral("txPackets")] = b.txPackets.toQString();
    o[QStringLiteral("rxPackets")] = b.rxPackets.toQString();
    o[QStringLiteral("version")] = b.version.toQString();
    // The interface the bridge answered on; null where there is none (the demo LAN).
    o[QStringLiteral("interface")] =
        b.arrivedOn.name.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(b.arrivedOn.name);
    if (showSecrets) {
        o[QStringLiteral("userName")] = b.userName.toQString();
        o[QStringLiteral("password")] = b.password.toQString();
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
    : QObject(parent), scan_(transport), options_(std::move(options)), out_(out), err_(err) {
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
        models_.append(row[ColumnModel].toQString());
    }
}

void ScanRun::OnRowUpdated(int index, const RowText& row) {
    if (index >= 0 && index < models_.size()) {
        models_[index] = row[ColumnModel].toQString();
    }
}

void ScanRun::OnScanFinished() {
    if (options_.json) {
        out_ << JsonText(
            QJsonDocument(BridgesToJson(scan_.table(), models_, options_.showSecrets)));
    } else if (options_.csv) {
        out_ << CsvRecord(BridgeCsvHeader(options_.showSecrets));
        for (qsizetype i = 0; i < models_.size(); ++i) {
            out_ << CsvRecord(BridgeCsvFields(scan_.table().records[size_t(i)], models_[i],
                                              options_.showSecrets));
        }
    } else if (models_.isEmpty()) {
        out_ << "No bridges found.\n";
    } else {
        out_ << FormatTable(scan_.table(), models_);
    }
    out_.flush();
    if (const int unlisted = scan_.unlistedBridges(); unlisted > 0) {
        err_ << kProgram << ": the list is full at " << kBridgeTableSize << " bridges: " << unlisted
             << (unlisted == DiscoveryScan::kMaxUnlistedCounted ? " or more" : "")
             << " further bridges answered and are not listed\n"
             << Qt::flush;
    }
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
    if (SlotView(fields[2]) != kReplyMarker) {
        return;
    }
    if (SlotView(fields[3]) != mac) {
        NoteNearMiss(SlotView(fields[3]));
        return;
    }
    if (searching_) {
        return; // an answer to the search is not an answer to the status request
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
            out_ << JsonText(QJsonDocument(
                BridgeToJson(bridge, row[ColumnModel].toQString(), options_.showSecrets)));
        } else {
            out_ << FormatStatus(bridge);
        }
        out_.flush();
    }
    Finish(ExitStatus::Ok);
}

namespace {

// An identifier as people write it: letter case and the separators : - . do not count.
QByteArray LooseIdentifier(std::string_view identifier) {
    QByteArray loose;
    for (const char c : identifier) {
        if (c != ':' && c != '-' && c != '.') {
            loose += char(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return loose;
}

} // namespace

void StatusRun::NoteNearMiss(std::string_view identifier) {
    const std::string_view mac(options_.macAddress.constData(), size_t(options_.macAddress.size()));
    if (!nearMiss_.isEmpty() || LooseIdentifier(identifier) != LooseIdentifier(mac)) {
        return;
    }
    nearMiss_ = QByteArray(identifier.data(), qsizetype(identifier.size()));
    if (searching_) {
        ReportNoAnswer();
    }
}

void StatusRun::OnAnswerTimeout() {
    if (!waiting_) {
        return;
    }
    if (searching_ || !nearMiss_.isEmpty()) {
        ReportNoAnswer();
        return;
    }
    // One scan, to name a bridge that the given identifier almost names.
    locating_ = false;
    searching_ = true;
    answerTimer_.start(kSearchWaitMs);
    transport_.SendBroadcast(BuildDiscoveryRequest());
}

void StatusRun::ReportNoAnswer() {
    err_ << kProgram << ": no answer from bridge "
         << Printable(QString::fromLatin1(options_.macAddress)) << " within 3 seconds\n";
    if (!nearMiss_.isEmpty()) {
        err_ << kProgram << ": did you mean " << Printable(QString::fromLatin1(nearMiss_))
             << "? identifiers compare exactly\n";
    } else {
        err_ << "Check that the MAC address is written exactly as the bridge reports it, letter "
                "case\nincluded (as 'vantoro-cli scan' lists it), and that the bridge is powered "
                "and on\nthis LAN segment.\n";
    }
    err_ << Qt::flush;
    Finish(ExitStatus::NoAnswer);
}

void StatusRun::Finish(ExitStatus status) {
    waiting_ = false;
    locating_ = false;
    searching_ = false;
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

} // namespace

QString CheckInterfaceNames(const std::vector<NetInterface>& all, const QStringList& names) {
    const QStringList unknown = UnknownInterfaceNames(all, names);
    if (!unknown.isEmpty()) {
        return QStringLiteral("this PC has no interface named '%1'")
            .arg(Printable(unknown.first()));
    }
    for (const QString& name : names) {
        const auto found = std::find_if(all.begin(), all.end(), [&name](const NetInterface& i) {
            return i.name == name || i.label == name;
        });
        if (found == all.end()) {
            continue;
        }
        if (found->loopback) {
            return QStringLiteral("--interface %1: a loopback interface reaches no bridge")
                .arg(Printable(name));
        }
        if (!found->canBroadcast) {
            return QStringLiteral("--interface %1: the interface cannot broadcast (a "
                                  "point-to-point link), and bridges are found by broadcast")
                .arg(Printable(name));
        }
    }
    return QString();
}

ExitStatus Run(const QStringList& args, QTextStream& out, QTextStream& err,
               const Services& services) {
    if (IsFleetCommand(args)) {
        return RunFleetCommand(args, out, err, services);
    }
    const Invocation invocation = ParseArguments(args);
    switch (invocation.kind) {
    case Invocation::Kind::Help:
    case Invocation::Kind::Version:
        out << invocation.text << Qt::flush;
        return ExitStatus::Ok;
    case Invocation::Kind::Error:
        err << UsageError(invocation.command, invocation.text) << Qt::flush;
        return ExitStatus::Usage;
    default:
        break;
    }
    const NetworkChoice network = NetworkOf(invocation);
    if (!network.demo && !network.interfaces.isEmpty()) {
        const QString error = CheckInterfaceNames(services.interfaces ? services.interfaces()
                                                                      : std::vector<NetInterface>(),
                                                  network.interfaces);
        if (!error.isEmpty()) {
            err << UsageError(invocation.command, error) << Qt::flush;
            return ExitStatus::Usage;
        }
    }
    const std::unique_ptr<Transport> transport =
        network.demo ? demo::MakeDemoLan(services.platform) : services.makeTransport(network);
    switch (invocation.kind) {
    case Invocation::Kind::Scan: {
        ScanRun run(*transport, invocation.scan, out, err);
        return RunCommandToEnd(run);
    }
    case Invocation::Kind::Status: {
        StatusRun run(*transport, invocation.status, out, err);
        return RunCommandToEnd(run);
    }
    case Invocation::Kind::SetIp: {
        SetIpRun run(*transport, invocation.setIp, services.passwords, services.platform, out, err);
        return RunCommandToEnd(run);
    }
    case Invocation::Kind::SetWireless: {
        SetWirelessRun run(*transport, invocation.setWireless, services.passwords, out, err);
        return RunCommandToEnd(run);
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
        const SystemPlatform platform;
        return demo::MakeDemoLan(platform);
    }
    auto transport = std::make_unique<UdpTransport>();
    transport->setInterfaceNames(network.interfaces);
    return transport;
}

} // namespace vantoro::cli
