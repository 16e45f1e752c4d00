#include "app/cli/FleetCommands.h"

#include "app/cli/ApplyRun.h"
#include "app/cli/Watch.h"
#include "config/Csv.h"
#include "config/Plan.h"

#include <QJsonArray>
#include <QJsonDocument>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif
#include <cstdio>

namespace vantoro::cli {

bool StderrIsTerminal() {
#ifdef Q_OS_WIN
    return _isatty(_fileno(stderr)) != 0;
#else
    return ::isatty(STDERR_FILENO) != 0;
#endif
}

CommandLine::CommandLine(QLatin1String command, QString usage, QString description)
    : command_(command), usage_(std::move(usage)), description_(std::move(description)) {
    parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser_.addOptions({demo_, interface_, help_});
}

QString CommandLine::Help() const {
    // The option list as the parser writes it, under this command's own usage line.
    const QString generated = parser_.helpText();
    const qsizetype options = generated.indexOf(QLatin1String("Options:"));
    return QStringLiteral("Usage: %1 %2\n\n%3\n\n%4")
        .arg(kProgram, usage_, description_, options < 0 ? QString() : generated.mid(options));
}

ExitStatus CommandLine::Fail(const QString& message, QTextStream& err) const {
    err << kProgram << ": " << message << "\nUsage: " << kProgram << ' ' << usage_ << "\nTry '"
        << kProgram << ' ' << command_ << " --help'.\n"
        << Qt::flush;
    return ExitStatus::Usage;
}

std::optional<ExitStatus> CommandLine::Parse(const QStringList& args, QTextStream& out,
                                             QTextStream& err) {
    if (!parser_.parse(QStringList{kProgram + u' ' + command_} + args.mid(2))) {
        return Fail(parser_.errorText().replace(0, 1, parser_.errorText().left(1).toLower()), err);
    }
    if (parser_.isSet(help_)) {
        out << Help() << Qt::flush;
        return ExitStatus::Ok;
    }
    if (parser_.isSet(interface_) && parser_.isSet(demo_)) {
        return Fail(QStringLiteral("--interface does not apply to the demo LAN"), err);
    }
    return std::nullopt;
}

std::optional<NetworkChoice> CommandLine::Network(const Services& services, QTextStream& err) {
    const NetworkChoice network{parser_.isSet(demo_), parser_.values(interface_)};
    if (!network.demo && !network.interfaces.isEmpty()) {
        const QStringList unknown = UnknownInterfaceNames(
            services.interfaces ? services.interfaces() : std::vector<NetInterface>(),
            network.interfaces);
        if (!unknown.isEmpty()) {
            Fail(QStringLiteral("this PC has no interface named '%1'")
                     .arg(Printable(unknown.first())),
                 err);
            return std::nullopt;
        }
    }
    return network;
}

namespace {

// One discovery scan, then the settings document of the bridges named (all when none is).
class ExportRun : public QObject {
    Q_OBJECT
public:
    ExportRun(Transport& transport, QStringList macs, bool showSecrets, bool csv, QTextStream& out,
              QTextStream& err)
        : scan_(transport), macs_(std::move(macs)), showSecrets_(showSecrets), csv_(csv), out_(out),
          err_(err) {
        connect(&scan_, &DiscoveryScan::ScanFinished, this, &ExportRun::OnScanFinished);
    }

    bool Start() {
        if (scan_.SetUp() != SetupStatus::Ok) {
            err_ << kProgram << ": cannot set up the sockets (is UDP port " << kManagementPort
                 << " taken by another program?)\n"
                 << Qt::flush;
            exitStatus_ = ExitStatus::Usage;
            return false;
        }
        scan_.Begin();
        return true;
    }
    ExitStatus exitStatus() const { return exitStatus_; }

Q_SIGNALS:
    void Finished(vantoro::cli::ExitStatus status);

private:
    void OnScanFinished() {
        QList<const Bridge*> chosen;
        for (int i = 0; i < scan_.rowCount(); ++i) {
            const Bridge& bridge = scan_.table().records[size_t(i)];
            if (macs_.isEmpty() || macs_.contains(bridge.macAddress.toQString())) {
                chosen.append(&bridge);
            }
        }
        for (const QString& mac : macs_) {
            const bool found = std::any_of(chosen.begin(), chosen.end(), [&mac](const Bridge* b) {
                return b->macAddress.toQString() == mac;
            });
            if (!found) {
                err_ << kProgram << ": no answer from bridge " << Printable(mac) << '\n';
                exitStatus_ = ExitStatus::NoAnswer;
            }
        }
        if (csv_) {
            out_ << CsvRecord(PlanCsvHeader(showSecrets_));
            for (const Bridge* bridge : chosen) {
                out_ << CsvRecord(BridgeDocumentCells(*bridge, showSecrets_));
            }
        } else {
            QJsonArray bridges;
            for (const Bridge* bridge : chosen) {
                bridges.append(BridgeDocument(*bridge, showSecrets_));
            }
            out_ << QJsonDocument(QJsonObject{{QStringLiteral("bridges"), bridges}})
                        .toJson(QJsonDocument::Indented);
        }
        out_.flush();
        err_.flush();
        Q_EMIT Finished(exitStatus_);
    }

    DiscoveryScan scan_;
    QStringList macs_;
    bool showSecrets_;
    bool csv_;
    QTextStream& out_;
    QTextStream& err_;
    ExitStatus exitStatus_ = ExitStatus::Ok;
};

ExitStatus RunExport(const QStringList& args, QTextStream& out, QTextStream& err,
                     const Services& services) {
    CommandLine line(kExport, QStringLiteral("export [MAC ...] [options]"),
                     QStringLiteral("One discovery scan, then the settings document of the bridges "
                                    "named (all found when none is), in scan order: what apply "
                                    "reads. Without --show-secrets the keys are left out, so "
                                    "applying the document keeps them."));
    const QCommandLineOption secrets(QStringLiteral("show-secrets"),
                                     QStringLiteral("Include the WEP keys."));
    const QCommandLineOption csv(QStringLiteral("csv"),
                                 QStringLiteral("CSV with a header row instead of JSON."));
    line.parser().addOptions({secrets, csv});
    line.parser().addPositionalArgument(
        QStringLiteral("MAC"), QStringLiteral("A bridge's MAC address, as scan lists it."));
    if (const std::optional<ExitStatus> end = line.Parse(args, out, err)) {
        return *end;
    }
    const QStringList macs = line.parser().positionalArguments();
    for (const QString& mac : macs) {
        if (const QString why = MacAddressError(mac); !why.isEmpty()) {
            return line.Fail(QStringLiteral("'%1': %2").arg(Printable(mac), why), err);
        }
    }
    const std::optional<NetworkChoice> network = line.Network(services, err);
    if (!network) {
        return ExitStatus::Usage;
    }
    const std::unique_ptr<Transport> transport = services.makeTransport(*network);
    ExportRun run(*transport, macs, line.parser().isSet(secrets), line.parser().isSet(csv), out,
                  err);
    return RunCommandToEnd(run);
}

} // namespace

bool IsFleetCommand(const QStringList& args) {
    return args.size() > 1 && (args[1] == kExport || args[1] == kApply || args[1] == kWatch);
}

ExitStatus RunFleetCommand(const QStringList& args, QTextStream& out, QTextStream& err,
                           const Services& services) {
    if (args[1] == kExport) {
        return RunExport(args, out, err, services);
    }
    if (args[1] == kApply) {
        return RunApply(args, out, err, services);
    }
    return RunWatch(args, out, err, services);
}

} // namespace vantoro::cli

#include "FleetCommands.moc"
