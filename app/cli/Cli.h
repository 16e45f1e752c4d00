#pragma once

// vantoro-cli: the command line face of the program. The logic lives here, as a library, so the
// tests can run it in-process and drive its timers by hand.

#include "config/IpSettings.h"
#include "config/PlanSteps.h"
#include "config/Regions.h"
#include "config/WepKeys.h"
#include "config/WirelessSettings.h"
#include "protocol/DiscoveryScan.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QObject>
#include <QStringList>
#include <QTextStream>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace vantoro {
class Platform;
}

namespace vantoro::cli {

// What every command's exit status means; scripts rely on these numbers.
enum class ExitStatus {
    Ok = 0,           // done
    Refused = 1,      // refused by one of the program's rules (the rule's message on stderr)
    Usage = 2,        // usage error, or the sockets could not be set up (port 65432 taken)
    LoginRefused = 3, // the user name or password did not match the bridge's
    NoAnswer = 4,     // the bridge did not answer
};

// Which network a command works on: the demo LAN, or the PC's interfaces (all of them unless
// names are given).
struct NetworkChoice {
    bool demo = false;
    QStringList interfaces{}; // --interface, in the order given
};

struct ScanOptions {
    bool json = false;
    bool showSecrets = false;
    bool demo = false;
    QStringList interfaces{};
    bool csv = false;
};

struct StatusOptions {
    QByteArray macAddress; // the identifier exactly as given, as 8-bit text
    bool json = false;
    bool showSecrets = false;
    bool demo = false;
    bool printAnswer = true; // off when a change only needs the bridge's record
    QStringList interfaces{};
};

// Who logs in to a bridge that asks for it. The password never comes from the command line.
struct LoginOptions {
    QString userName;
    bool passwordStdin = false; // the first line of standard input holds the password
    bool userGiven = false;     // --user was given (an empty name included)
};

// What every change does besides its own settings.
struct ChangeOptions {
    QByteArray macAddress;
    LoginOptions login;
    bool dryRun = false; // print the request's items instead of sending them
    bool wait = false;   // scan until the bridge answers with the new settings
    bool demo = false;
    QStringList interfaces{};
};

// set-ip: the IP Setting dialog's controls, each left as the bridge reported it when not given.
struct SetIpOptions {
    ChangeOptions change;
    std::optional<IpMode> mode;
    bool suggest = false;
    std::optional<Ipv4Octets> address;
    std::optional<Ipv4Octets> netmask;
};

// set-wireless: the connection settings dialog's controls, each left as the dialog opens when
// not given.
struct SetWirelessOptions {
    ChangeOptions change;
    bool agreeRegion = false;
    WirelessWanted wanted;
};

struct Invocation {
    enum class Kind { Scan, Status, SetIp, SetWireless, Help, Version, Error };
    Kind kind = Kind::Error;
    ScanOptions scan;
    StatusOptions status;
    SetIpOptions setIp;
    SetWirelessOptions setWireless;
    QString command; // the command named on the line, empty when none was recognised
    QString text;    // help text, version text or error message
};

// Why the --interface names cannot be used with these interfaces; empty when they can.
QString CheckInterfaceNames(const std::vector<NetInterface>& all, const QStringList& names);

// Reads the command line (args[0] is the program name).
Invocation ParseArguments(const QStringList& args);
// The help of one command, or of the whole program for an empty or unknown command. Made from
// the options the parsers take.
QString Usage(const QString& command = QString());
// What a usage error prints: "vantoro-cli: MESSAGE", the command's usage line and where its
// help is.
QString UsageError(const QString& command, const QString& message);

inline constexpr QLatin1String kProgram{"vantoro-cli"};
// The commands' names.
inline constexpr QLatin1String kScan{"scan"};
inline constexpr QLatin1String kStatus{"status"};
inline constexpr QLatin1String kSetIp{"set-ip"};
inline constexpr QLatin1String kSetWireless{"set-wireless"};

// Reports a failed socket set-up on err, the same for every command; Usage unless status is Ok.
ExitStatus ReportSetup(SetupStatus status, QTextStream& err);

// A text from the network or the command line made safe for the terminal: control characters
// are shown as \\xNN, and a backslash as two, so that no text can pass for an escape.
QString Printable(const QString& text);
// JSON output that a terminal can show: the C1 controls and DEL, which QJsonDocument leaves
// raw, as \\u00XX.
QByteArray JsonText(const QJsonDocument& document);

// Renders the listed bridges, in table order.
QString FormatTable(const BridgeTable& table, const QStringList& models);
// One bridge as both scan --json and status --json print it.
QJsonObject BridgeToJson(const Bridge& bridge, const QString& model, bool showSecrets);
QJsonArray BridgesToJson(const BridgeTable& table, const QStringList& models, bool showSecrets);
// The bridge's fields with the labels and texts of the status window, group by group.
QString FormatStatus(const Bridge& bridge);

// One scan exactly as the main window runs it, then the bridges found are printed.
class ScanRun : public QObject {
    Q_OBJECT
public:
    ScanRun(Transport& transport, ScanOptions options, QTextStream& out, QTextStream& err,
            QObject* parent = nullptr);

    // Opens the sockets and starts the scan. Returns false (with the exit status in exitStatus())
    // when the set-up failed; otherwise Finished is emitted when the scan ends.
    bool Start();
    ExitStatus exitStatus() const { return exitStatus_; }
    DiscoveryScan& scan() { return scan_; }
    const QStringList& models() const { return models_; }

Q_SIGNALS:
    void Finished(vantoro::cli::ExitStatus status);

private:
    void OnRowAdded(int index, const RowText& row);
    void OnRowUpdated(int index, const RowText& row);
    void OnScanFinished();

    DiscoveryScan scan_;
    ScanOptions options_;
    QTextStream& out_;
    QTextStream& err_;
    QStringList models_; // the model name lives only in the list row, as in the window
    ExitStatus exitStatus_ = ExitStatus::Ok;
};

// One status request for one bridge, then its answer printed, or a timeout.
class StatusRun : public QObject {
    Q_OBJECT
public:
    // The status window's wait: 30 ticks of 100 ms.
    static constexpr int kAnswerWaitMs = 3000;

    StatusRun(Transport& transport, StatusOptions options, QTextStream& out, QTextStream& err,
              QObject* parent = nullptr);

    // Opens the sockets, sends the request and starts the wait. Returns false (with the exit
    // status in exitStatus()) when the set-up failed; otherwise Finished is emitted once, on the
    // bridge's answer or when the wait is over. With more than one interface to search, one
    // discovery request first finds the interface the bridge is on, and the status request goes
    // out on that one alone.
    bool Start();
    // After the wait, one discovery scan looks for a bridge whose identifier differs from the
    // given one only in letter case or separators, to name it.
    static constexpr int kSearchWaitMs = 3500;

    // The wait is over (called by the timer, or by tests directly): the first time the search
    // starts, the second time the run ends.
    void OnAnswerTimeout();
    void OnDatagram(const QByteArray& datagram, const InterfaceId& via);

    ExitStatus exitStatus() const { return exitStatus_; }
    // True while the discovery request that finds the bridge's interface waits for its answer.
    bool locating() const { return locating_; }
    // True while the scan after an unanswered request runs.
    bool searching() const { return searching_; }
    QTimer& answerTimer() { return answerTimer_; }

Q_SIGNALS:
    // The asked bridge answered; emitted just before Finished.
    void Answered(const vantoro::Bridge& bridge);
    void Finished(vantoro::cli::ExitStatus status);

private:
    void SendStatusRequest(const InterfaceId& via);
    void NoteNearMiss(std::string_view identifier);
    void ReportNoAnswer();
    void Finish(ExitStatus status);

    Transport& transport_;
    StatusOptions options_;
    QTextStream& out_;
    QTextStream& err_;
    std::unique_ptr<BridgeTable> table_; // only record 0 is used; 800 KiB, so off the stack
    QTimer answerTimer_;
    bool waiting_ = false;
    bool locating_ = false;
    bool searching_ = false;
    QByteArray nearMiss_; // an answering identifier that differs only in case or separators
    ExitStatus exitStatus_ = ExitStatus::Ok;
};

using TransportFactory = std::function<std::unique_ptr<Transport>(const NetworkChoice& network)>;

// Where a bridge's password comes from; the command line never carries one.
class PasswordSources {
public:
    virtual ~PasswordSources() = default;
    // VANTORO_PASSWORD when it is set, even to the empty text.
    virtual std::optional<QString> FromEnvironment() const = 0;
    // The first line of standard input; nullopt when the input holds none.
    virtual std::optional<QString> FromStdin() = 0;
    virtual bool StdinIsTerminal() const = 0;
    // Asked on the terminal without echo; nullopt when nothing could be read.
    virtual std::optional<QString> FromPrompt(const QString& prompt) = 0;
};

inline constexpr const char* kPasswordVariable = "VANTORO_PASSWORD";

// The real environment, standard input and terminal.
class SystemPasswordSources final : public PasswordSources {
public:
    std::optional<QString> FromEnvironment() const override;
    std::optional<QString> FromStdin() override;
    bool StdinIsTerminal() const override;
    std::optional<QString> FromPrompt(const QString& prompt) override;
};

// What a command takes from the world besides its arguments; tests put fakes in.
struct Services {
    TransportFactory makeTransport;
    PasswordSources& passwords;
    Platform& platform; // the PC's own address, for set-ip --suggest
    // The PC's interfaces, against which --interface names are checked.
    std::function<std::vector<NetInterface>()> interfaces = &SystemInterfaces;
};

// The program: parses, runs the event loop for one command, prints. Needs a QCoreApplication.
ExitStatus Run(const QStringList& args, QTextStream& out, QTextStream& err,
               const Services& services);
// The same with the system's password sources and platform.
ExitStatus Run(const QStringList& args, QTextStream& out, QTextStream& err,
               const TransportFactory& makeTransport);

// The transport the real program uses: the demo LAN with --demo, the network otherwise.
std::unique_ptr<Transport> MakeTransport(const NetworkChoice& network);

} // namespace vantoro::cli
