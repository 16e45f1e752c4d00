#pragma once

// vantoro-cli: the command line face of the program. The logic lives here, as a library, so the
// tests can run it in-process and drive its timers by hand.

#include "protocol/DiscoveryScan.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QObject>
#include <QStringList>
#include <QTextStream>
#include <QTimer>
#include <functional>
#include <memory>

namespace vantoro::cli {

// What every command's exit status means; scripts rely on these numbers.
enum class ExitStatus {
    Ok = 0,           // done
    Refused = 1,      // refused by one of the program's rules (the rule's message on stderr)
    Usage = 2,        // usage error, or the sockets could not be set up (port 65432 taken)
    LoginRefused = 3, // the user name or password did not match the bridge's
    NoAnswer = 4,     // the bridge did not answer
};

struct ScanOptions {
    bool json = false;
    bool showSecrets = false;
    bool demo = false;
};

struct StatusOptions {
    QByteArray macAddress; // the identifier exactly as given, as 8-bit text
    bool json = false;
    bool showSecrets = false;
    bool demo = false;
};

struct Invocation {
    enum class Kind { Scan, Status, Help, Version, Error };
    Kind kind = Kind::Error;
    ScanOptions scan;
    StatusOptions status;
    QString command; // the command named on the line, empty when none was recognised
    QString text;    // help text, version text or error message
};

// Reads the command line (args[0] is the program name).
Invocation ParseArguments(const QStringList& args);
// The help of one command, or of the whole program for an empty or unknown command.
QString Usage(const QString& command = QString());

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
    // bridge's answer or when the wait is over.
    bool Start();
    // The wait is over (called by the timer, or by tests directly).
    void OnAnswerTimeout();
    void OnDatagram(const QByteArray& datagram);

    ExitStatus exitStatus() const { return exitStatus_; }
    QTimer& answerTimer() { return answerTimer_; }

Q_SIGNALS:
    void Finished(vantoro::cli::ExitStatus status);

private:
    void Finish(ExitStatus status);

    Transport& transport_;
    StatusOptions options_;
    QTextStream& out_;
    QTextStream& err_;
    std::unique_ptr<BridgeTable> table_; // only record 0 is used; 800 KiB, so off the stack
    QTimer answerTimer_;
    bool waiting_ = false;
    ExitStatus exitStatus_ = ExitStatus::Ok;
};

using TransportFactory = std::function<std::unique_ptr<Transport>(bool demo)>;

// The program: parses, runs the event loop for one command, prints. Needs a QCoreApplication.
ExitStatus Run(const QStringList& args, QTextStream& out, QTextStream& err,
               const TransportFactory& makeTransport);

// The transport the real program uses: the demo LAN with --demo, the network otherwise.
std::unique_ptr<Transport> MakeTransport(bool demo);

} // namespace vantoro::cli
