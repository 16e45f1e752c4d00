#include "app/cli/Cli.h"

#include "protocol/UdpTransport.h"
#include "sim/SimulatedLan.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace vantoro::cli {
namespace {

const QString kProgram = QStringLiteral("vantoro-cli");

QString Usage() {
    return QStringLiteral(
        "Usage: vantoro-cli scan [--json] [--show-secrets] [--demo]\n"
        "\n"
        "Finds the wireless bridges on the LAN and lists them.\n"
        "\n"
        "Commands:\n"
        "  scan            broadcast three discovery requests over 3.5 seconds and print\n"
        "                  every bridge that answered, in the order they answered\n"
        "\n"
        "Options:\n"
        "  --json          print a JSON array, one object per bridge\n"
        "  --show-secrets  include user names, passwords and WEP keys in the JSON output\n"
        "  --demo          scan the built-in demo LAN of simulated bridges instead of the network\n"
        "  -h, --help      show this help\n"
        "  -v, --version   show the version\n");
}

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

} // namespace

Invocation ParseArguments(const QStringList& args) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption secrets(QStringLiteral("show-secrets"));
    const QCommandLineOption demo(QStringLiteral("demo"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOptions({json, secrets, demo, help, version});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("scan"));

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
    if (positional.size() > 1 || positional.first() != QStringLiteral("scan")) {
        invocation.text = QStringLiteral("unknown command '%1'").arg(positional.join(u' '));
        return invocation;
    }
    if (parser.isSet(secrets) && !parser.isSet(json)) {
        invocation.text = QStringLiteral("--show-secrets only applies to --json output");
        return invocation;
    }
    invocation.kind = Invocation::Kind::Scan;
    invocation.scan = {parser.isSet(json), parser.isSet(secrets), parser.isSet(demo)};
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

QJsonArray BridgesToJson(const BridgeTable& table, const QStringList& models, bool showSecrets) {
    QJsonArray array;
    for (qsizetype i = 0; i < models.size(); ++i) {
        const Bridge& b = table.records[size_t(i)];
        QJsonObject o;
        o[QStringLiteral("macAddress")] = b.macAddress.ToQString();
        o[QStringLiteral("ipMode")] = b.ipMode.ToQString();
        o[QStringLiteral("ipAddress")] = b.ipAddress.ToQString();
        o[QStringLiteral("subnetMask")] = b.subnetMask.ToQString();
        o[QStringLiteral("gateway")] = b.gateway.ToQString();
        o[QStringLiteral("deviceName")] = b.deviceName.ToQString();
        o[QStringLiteral("model")] = models[i];
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
        array.append(o);
    }
    return array;
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
    const SetupStatus status = scan_.SetUp();
    if (status == SetupStatus::BindFailed) {
        err_ << kProgram << ": cannot listen on UDP port " << kManagementPort
             << ": it is already in use by another program (is Vantoro already running?)\n"
             << Qt::flush;
        exitStatus_ = ExitUsage;
        return false;
    }
    if (status != SetupStatus::Ok) {
        err_ << kProgram << ": " << SetupErrorText(status).trimmed() << '\n' << Qt::flush;
        exitStatus_ = ExitFailure;
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

int Run(const QStringList& args, QTextStream& out, QTextStream& err,
        const TransportFactory& makeTransport) {
    const Invocation invocation = ParseArguments(args);
    switch (invocation.kind) {
    case Invocation::Kind::Help:
    case Invocation::Kind::Version:
        out << invocation.text << Qt::flush;
        return ExitOk;
    case Invocation::Kind::Error:
        err << kProgram << ": " << invocation.text << "\n\n" << Usage() << Qt::flush;
        return ExitUsage;
    case Invocation::Kind::Scan:
        break;
    }
    const std::unique_ptr<Transport> transport = makeTransport(invocation.scan);
    ScanRun run(*transport, invocation.scan, out, err);
    if (!run.Start()) {
        return run.exitStatus();
    }
    QEventLoop loop;
    QObject::connect(&run, &ScanRun::Finished, &loop, &QEventLoop::exit);
    return loop.exec();
}

std::unique_ptr<Transport> MakeTransport(const ScanOptions& options) {
    if (options.demo) {
        return std::make_unique<sim::SimulatedLan>(sim::DemoFleet());
    }
    return std::make_unique<UdpTransport>();
}

} // namespace vantoro::cli
