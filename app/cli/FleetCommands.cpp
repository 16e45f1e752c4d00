#include "app/cli/FleetCommands.h"

#include "app/cli/ApplyRun.h"
#include "app/cli/ExportRun.h"
#include "app/cli/Watch.h"
#include "app/demo/DemoLan.h"
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

QList<QCommandLineOption> FleetCommandOptions(const QString& command) {
    using Option = QCommandLineOption;
    QList<Option> options;
    if (command == kExport) {
        options = {Option(QStringLiteral("show-secrets"), QStringLiteral("include the WEP keys")),
                   Option(QStringLiteral("csv"),
                          QStringLiteral("write CSV, one bridge per row, instead of JSON"))};
    } else if (command == kApply) {
        options = {
            Option(QStringLiteral("dry-run"),
                   QStringLiteral("print what would change, after the checks and logins; send "
                                  "nothing")),
            Option(QStringLiteral("json"), QStringLiteral("print one JSON object per bridge")),
            Option(QStringLiteral("user"),
                   QStringLiteral("the user name for every bridge that asks for a login"),
                   QStringLiteral("U")),
            Option(QStringLiteral("password-stdin"),
                   QStringLiteral("read the password from the first line of standard input")),
            Option(QStringLiteral("credentials"),
                   QStringLiteral("user name and password per bridge: JSON {\"MAC\": {\"user\": "
                                  "..., \"password\": ...}, \"*\": {...}}"),
                   QStringLiteral("FILE"))};
    } else if (command == kWatch) {
        options = {Option(QStringLiteral("interval"),
                          QStringLiteral("seconds between scans (default 15, at least 4)"),
                          QStringLiteral("S")),
                   Option(QStringLiteral("count"), QStringLiteral("end after N scans"),
                          QStringLiteral("N")),
                   Option(QStringLiteral("json"),
                          QStringLiteral("print one JSON event per line, with its time")),
                   Option(QStringLiteral("all-fields"),
                          QStringLiteral("report packet counts and link quality too"))};
    }
    options += {Option(QStringLiteral("demo"), QStringLiteral("use the built-in demo LAN of "
                                                              "simulated bridges instead of the "
                                                              "network")),
                Option(QStringLiteral("interface"),
                       QStringLiteral("use only this network interface (\"eth0\"); repeat it for "
                                      "more"),
                       QStringLiteral("NAME")),
                Option(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                       QStringLiteral("show this help"))};
    return options;
}

CommandLine::CommandLine(QLatin1String command) : command_(command) {
    parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser_.addOptions(FleetCommandOptions(command_));
}

ExitStatus CommandLine::Fail(const QString& message, QTextStream& err) const {
    err << UsageError(command_, message) << Qt::flush;
    return ExitStatus::Usage;
}

std::optional<ExitStatus> CommandLine::Parse(const QStringList& args, QTextStream& out,
                                             QTextStream& err) {
    if (!parser_.parse(QStringList{kProgram + u' ' + command_} + args.mid(2))) {
        QString message = parser_.errorText();
        return Fail(message.replace(0, 1, message.left(1).toLower()), err);
    }
    if (isSet("help")) {
        out << Usage(command_) << Qt::flush;
        return ExitStatus::Ok;
    }
    if (isSet("interface") && isSet("demo")) {
        return Fail(QStringLiteral("--interface does not apply to the demo LAN"), err);
    }
    return std::nullopt;
}

std::unique_ptr<Transport> CommandLine::MakeNetwork(const Services& services,
                                                    QTextStream& err) const {
    const NetworkChoice network{isSet("demo"), parser_.values(QStringLiteral("interface"))};
    if (network.demo) {
        return demo::MakeDemoLan(services.platform);
    }
    if (!network.interfaces.isEmpty()) {
        const QString error = CheckInterfaceNames(services.interfaces ? services.interfaces()
                                                                      : std::vector<NetInterface>(),
                                                  network.interfaces);
        if (!error.isEmpty()) {
            Fail(error, err);
            return nullptr;
        }
    }
    return services.makeTransport(network);
}

void ExportRun::OnScanFinished() {
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

namespace {

ExitStatus RunExport(const QStringList& args, QTextStream& out, QTextStream& err,
                     const Services& services) {
    CommandLine line(kExport);
    if (const std::optional<ExitStatus> end = line.Parse(args, out, err)) {
        return *end;
    }
    const QStringList macs = line.parser().positionalArguments();
    for (const QString& mac : macs) {
        if (const QString why = MacAddressError(mac); !why.isEmpty()) {
            return line.Fail(QStringLiteral("'%1': %2").arg(Printable(mac), why), err);
        }
    }
    const std::unique_ptr<Transport> transport = line.MakeNetwork(services, err);
    if (!transport) {
        return ExitStatus::Usage;
    }
    ExportRun run(*transport, macs, line.isSet("show-secrets"), line.isSet("csv"), out, err);
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
