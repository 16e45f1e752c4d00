#pragma once

// apply: a checked plan to many bridges at once. One discovery scan learns every listed bridge;
// each gets the dialogs' checks and the list of what would change; then the wireless changes go
// out to all bridges that need one and are confirmed by discovery scans, then the IP changes the
// same way. A bridge whose settings already match gets no request.

#include "app/cli/Cli.h"
#include "config/Plan.h"
#include "config/PlanSteps.h"

#include <QElapsedTimer>
#include <QHash>
#include <optional>

namespace vantoro::cli {

// Who logs in where: the credentials file's entries by MAC address, "*" for any other.
struct Credential {
    QString user;
    QString password;
};
using CredentialMap = QHash<QString, Credential>;

// Reads a credentials file; refuses one that others than its owner may read, as ssh refuses a
// private key. nullopt with error set on any problem.
std::optional<CredentialMap> ReadCredentials(const QString& path, QString& error);

struct ApplyOptions {
    bool dryRun = false;
    bool json = false;
    LoginOptions login;
    std::optional<CredentialMap> credentials;
    bool progress = false; // a progress line on stderr
};

class ApplyRun : public QObject {
    Q_OBJECT
public:
    // How long each phase waits for its bridges to report the new settings.
    static constexpr int kConfirmWaitMs = 60000;

    enum class Result { Unchanged, Changed, NotFound, Refused, LoginRefused, NotConfirmed };

    ApplyRun(Transport& transport, QList<PlanBridge> plan, ApplyOptions options,
             PasswordSources& passwords, QTextStream& out, QTextStream& err,
             QObject* parent = nullptr);

    bool Start();
    ExitStatus exitStatus() const { return exitStatus_; }
    DiscoveryScan& scan() { return scan_; }
    QTimer& phaseTimer() { return phaseTimer_; }
    // The phase's 60 seconds are over (the timer's handler; tests call it directly).
    void OnPhaseTimeout();

Q_SIGNALS:
    void Finished(vantoro::cli::ExitStatus status);

private:
    enum class Stage { Discovering, Wireless, Ip, Done };
    struct Entry {
        PlanBridge plan;
        std::optional<Bridge> reported;
        std::optional<IpChange> ip;
        std::optional<WirelessChange> wireless;
        QList<FieldChange> changes;
        Result result = Result::Unchanged;
        QString message;
        bool sendIp = false;
        bool sendWireless = false;
        bool pending = false; // sent in this phase and not yet confirmed
    };

    void OnScanFinished();
    void Examine(Entry& entry);
    std::optional<ExitStatus> LogIn(Entry& entry);
    void StartPhase(Stage stage);
    void OnRow(int index);
    void EndPhase();
    void Progress();
    void Report();
    void Finish(ExitStatus status);

    Transport& transport_;
    QList<Entry> entries_;
    ApplyOptions options_;
    PasswordSources& passwords_;
    QTextStream& out_;
    QTextStream& err_;
    DiscoveryScan scan_;
    QTimer phaseTimer_;
    QElapsedTimer clock_;
    Stage stage_ = Stage::Discovering;
    std::optional<QString> password_; // asked once for --user
    bool finished_ = false;
    ExitStatus exitStatus_ = ExitStatus::Ok;
};

// apply's own command line and its run, after the plan and the credentials are read.
ExitStatus RunApply(const QStringList& args, QTextStream& out, QTextStream& err,
                    const Services& services);

} // namespace vantoro::cli
