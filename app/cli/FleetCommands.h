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

// One command's line: its parser with --demo, --interface and --help added.
class CommandLine {
public:
    CommandLine(QLatin1String command, QString usage, QString description);
    QCommandLineParser& parser() { return parser_; }
    // Parses args (args[0] the program, args[1] the command). Returns the exit status when the
    // run ends here (help printed, or a usage error), nullopt to go on.
    std::optional<ExitStatus> Parse(const QStringList& args, QTextStream& out, QTextStream& err);
    // Prints a usage error: one line, the usage line, and where the help is.
    ExitStatus Fail(const QString& message, QTextStream& err) const;
    // The network named by --demo and --interface, checked against the PC's interfaces.
    std::optional<NetworkChoice> Network(const Services& services, QTextStream& err);
    QString Help() const;

private:
    QLatin1String command_;
    QString usage_;
    QString description_;
    QCommandLineParser parser_;
    QCommandLineOption demo_{QStringLiteral("demo"),
                             QStringLiteral("Work on the built-in demo LAN; nothing is sent.")};
    QCommandLineOption interface_{QStringLiteral("interface"),
                                  QStringLiteral("Only this interface (repeatable)."),
                                  QStringLiteral("NAME")};
    QCommandLineOption help_{QStringList{QStringLiteral("h"), QStringLiteral("help")},
                             QStringLiteral("This help.")};
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
