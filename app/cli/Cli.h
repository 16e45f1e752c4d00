#pragma once

// vantoro-cli: the command line face of the program. The logic lives here, as a library, so the
// tests can run it in-process and drive its timer by hand.

#include "protocol/DiscoveryScan.h"

#include <QJsonArray>
#include <QObject>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <memory>

namespace vantoro::cli {

enum ExitStatus { ExitOk = 0, ExitFailure = 1, ExitUsage = 2 };

struct ScanOptions {
    bool json = false;
    bool showSecrets = false;
    bool demo = false;
};

struct Invocation {
    enum class Kind { Scan, Help, Version, Error };
    Kind kind = Kind::Error;
    ScanOptions scan;
    QString text; // help text, version text or error message
};

// Reads the command line (args[0] is the program name).
Invocation ParseArguments(const QStringList& args);

// Renders the listed bridges, in table order.
QString FormatTable(const BridgeTable& table, const QStringList& models);
QJsonArray BridgesToJson(const BridgeTable& table, const QStringList& models, bool showSecrets);

// One scan exactly as the main window runs it, then the bridges found are printed.
class ScanRun : public QObject {
    Q_OBJECT
public:
    ScanRun(Transport& transport, ScanOptions options, QTextStream& out, QTextStream& err,
            QObject* parent = nullptr);

    // Opens the sockets and starts the scan. Returns false (with the exit status in exitStatus())
    // when the set-up failed; otherwise Finished is emitted when the scan ends.
    bool Start();
    int exitStatus() const { return exitStatus_; }
    DiscoveryScan& scan() { return scan_; }
    const QStringList& models() const { return models_; }

Q_SIGNALS:
    void Finished(int exitStatus);

private:
    void OnRowAdded(int index, const RowText& row);
    void OnRowUpdated(int index, const RowText& row);
    void OnScanFinished();

    DiscoveryScan scan_;
    ScanOptions options_;
    QTextStream& out_;
    QTextStream& err_;
    QStringList models_; // the model name lives only in the list row, as in the window
    int exitStatus_ = ExitOk;
};

using TransportFactory = std::function<std::unique_ptr<Transport>(const ScanOptions&)>;

// The program: parses, runs the event loop for a scan, prints. Needs a QCoreApplication.
int Run(const QStringList& args, QTextStream& out, QTextStream& err,
        const TransportFactory& makeTransport);

// The transport the real program uses: the demo LAN with --demo, the network otherwise.
std::unique_ptr<Transport> MakeTransport(const ScanOptions& options);

} // namespace vantoro::cli
