#pragma once

// The commands for many bridges at once (export, apply, watch) and what their command lines
// share: one parser per command, whose options also make its help.

#include "app/cli/Cli.h"

#include <QCommandLineParser>
#include <QEventLoop>
#include <optional>

namespace vantoro::cli {

inline constexpr QLatin1String kExport{"export"};
inline constexpr QLatin1String kApply{"apply"};
inline constexpr QLatin1String kWatch{"watch"};

// True when args (args[0] is the program) name export, apply or watch.
bool IsFleetCommand(const QStringList& args);
ExitStatus RunFleetCommand(const QStringList& args, QTextStream& out, QTextStream& err,
                           const Services& services);

// Each command's options, in the order its help lists them (--demo, --interface and --help
// last).
QList<QCommandLineOption> FleetCommandOptions(const QString& command);

// The paragraphs of each command's help, before and after its options.
inline constexpr const char* kExportAbout =
    "One discovery scan, then the settings document of the bridges named (all bridges found when "
    "none is), in scan order: what apply reads. Without --show-secrets the WEP keys are left out, "
    "so applying the document keeps the keys a bridge has.";
inline constexpr const char* kExportAfter =
    "Exit status: 0 done; 2 usage error, or port 65432 taken; 4 a bridge named did not answer.";
inline constexpr const char* kApplyAbout =
    "Brings every bridge of PLAN (JSON, or CSV when its name ends in .csv) to the plan's "
    "settings. The whole plan is checked first; one discovery scan finds the bridges; each gets "
    "the windows' checks and the login; the wireless changes go out to all bridges at once and "
    "are confirmed by discovery scans (60 seconds at most), then the IP changes the same way. A "
    "bridge whose settings already match gets no request. One line per bridge, in plan order: "
    "unchanged, changed, not-found, refused, login-refused or not-confirmed.";
inline constexpr const char* kApplyAfter =
    "The password comes from VANTORO_PASSWORD, else with --password-stdin, else from a prompt; "
    "or each bridge's from the credentials file, which must be readable by its owner alone.\n\n"
    "Exit status: the highest of the bridges': 0 unchanged or changed, 1 refused, 3 login "
    "refused, 4 not found or not confirmed; 2 for a usage error or a plan in error (nothing is "
    "sent then).";
inline constexpr const char* kWatchAbout =
    "A discovery scan every S seconds: first every bridge found as '+ MAC name ip', then '+' for "
    "a new bridge, '~ MAC field: old -> new' for a changed setting, '- MAC name' for one that "
    "missed two scans in a row.";
inline constexpr const char* kWatchAfter =
    "Ends with exit status 0 on Ctrl+C or SIGTERM, or after N scans; 2 for a usage error.";

// One command's line, read with the parser its help is made from.
class CommandLine {
public:
    explicit CommandLine(QLatin1String command);
    QCommandLineParser& parser() { return parser_; }
    bool isSet(const char* option) const { return parser_.isSet(QLatin1String(option)); }
    QString value(const char* option) const { return parser_.value(QLatin1String(option)); }
    // Parses args (args[0] the program, args[1] the command). Returns the exit status when the
    // run ends here (help printed, or a usage error), nullopt to go on.
    std::optional<ExitStatus> Parse(const QStringList& args, QTextStream& out, QTextStream& err);
    // Prints a usage error: one line, the usage line, and where the help is.
    ExitStatus Fail(const QString& message, QTextStream& err) const;
    // The transport for --demo and --interface; nullptr after a usage error (printed).
    std::unique_ptr<Transport> MakeNetwork(const Services& services, QTextStream& err) const;

private:
    QLatin1String command_;
    QCommandLineParser parser_;
};

// Runs one command's event loop until it reports its exit status.
template <typename Command> ExitStatus RunCommandToEnd(Command& command) {
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

// True when the standard error stream is a terminal (for progress lines).
bool StderrIsTerminal();

} // namespace vantoro::cli
