#include "app/cli/ApplyRun.h"

#include "app/cli/FleetCommands.h"
#include "config/Csv.h"
#include "config/Login.h"
#include "config/Strings.h"
#include "protocol/Latin1.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>

namespace vantoro::cli {
namespace {

const char* ResultName(ApplyRun::Result result) {
    switch (result) {
    case ApplyRun::Result::Unchanged:
        return "unchanged";
    case ApplyRun::Result::Changed:
        return "changed";
    case ApplyRun::Result::NotFound:
        return "not-found";
    case ApplyRun::Result::Refused:
        return "refused";
    case ApplyRun::Result::LoginRefused:
        return "login-refused";
    case ApplyRun::Result::NotConfirmed:
        return "not-confirmed";
    }
    return "";
}

ExitStatus StatusOf(ApplyRun::Result result) {
    switch (result) {
    case ApplyRun::Result::Refused:
        return ExitStatus::Refused;
    case ApplyRun::Result::LoginRefused:
        return ExitStatus::LoginRefused;
    case ApplyRun::Result::NotFound:
    case ApplyRun::Result::NotConfirmed:
        return ExitStatus::NoAnswer;
    default:
        return ExitStatus::Ok;
    }
}

// A rule's message on one line: the message boxes break lines with CR LF.
QString OneLine(const QString& message) {
    return QString(message).replace(QStringLiteral("\r\n"), QStringLiteral(" "));
}

QString Shown(const FieldChange& change, const QString& value) {
    return change.quoted ? u'"' + Printable(value) + u'"' : Printable(value);
}

// Keys are never shown, not even in JSON: a secret change keeps the [from, to] shape with nulls.
QJsonObject ChangesJson(const QList<FieldChange>& list) {
    QJsonObject changes;
    for (const FieldChange& change : list) {
        changes.insert(change.field, change.secret ? QJsonArray{QJsonValue::Null, QJsonValue::Null}
                                                   : QJsonArray{change.from, change.to});
    }
    return changes;
}

QString ChangesText(const QList<FieldChange>& list) {
    QStringList parts;
    for (const FieldChange& change : list) {
        parts.append(change.secret ? change.field + QStringLiteral(" changed")
                                   : QStringLiteral("%1 %2 → %3")
                                         .arg(change.field, Shown(change, change.from),
                                              Shown(change, change.to)));
    }
    return parts.join(QStringLiteral("; "));
}

IpWanted WantedIp(const PlanIp& ip) {
    return {ip.mode, ip.address, ip.netmask};
}

WirelessWanted WantedWireless(const PlanWireless& plan) {
    WirelessWanted wanted{plan.ssid,    plan.region,        plan.networkType, plan.adHocMode,
                          plan.channel, plan.wep.enabled,   plan.wep.keySize, plan.wep.passphrase,
                          {},           plan.wep.defaultKey};
    // Key fields imply WEP on, as in the dialog where they are only reachable with it.
    if (!wanted.useWep && !plan.wep.isEmpty()) {
        wanted.useWep = true;
    }
    for (int k = 0; k < kKeyCount; ++k) {
        if (const std::optional<QString>& key = plan.wep.keys[size_t(k)]) {
            wanted.keys.append({k, *key});
        }
    }
    return wanted;
}

// A DHCP server picks the address, so only the mode can be confirmed.
bool IpConfirmed(const Bridge& record, const IpChange& change) {
    if (change.mode == IpMode::Dhcp) {
        return IpModeOf(record.ipMode.view()) == IpMode::Dhcp;
    }
    return IpChanges(record, change.mode, change.address, change.mask).isEmpty();
}

} // namespace

std::optional<CredentialMap> ReadCredentials(const QString& path, QString& error) {
    QFile file(path);
#ifndef Q_OS_WIN
    // The ssh rule for private keys: no access at all for the group or others.
    constexpr QFileDevice::Permissions kOthers = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                 QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                 QFileDevice::WriteOther | QFileDevice::ExeOther;
    if (file.exists() && (file.permissions() & kOthers) != 0) {
        error = QStringLiteral("--credentials %1: other users can read this file; allow its "
                               "owner alone (chmod 600 %1)")
                    .arg(Printable(path));
        return std::nullopt;
    }
#endif
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("--credentials %1: %2").arg(Printable(path), file.errorString());
        return std::nullopt;
    }
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    if (!document.isObject()) {
        error = QStringLiteral("--credentials %1: not a JSON object").arg(Printable(path));
        return std::nullopt;
    }
    CredentialMap map;
    const QJsonObject root = document.object();
    for (auto it = root.begin(); it != root.end(); ++it) {
        const QJsonObject entry = it.value().toObject();
        const QJsonValue user = entry.value(QLatin1String("user"));
        const QJsonValue password = entry.value(QLatin1String("password"));
        if (!it.value().isObject() || !user.isString() || !password.isString() ||
            entry.size() != 2) {
            error = QStringLiteral("--credentials %1: %2: takes {\"user\": \"...\", \"password\": "
                                   "\"...\"}")
                        .arg(Printable(path), Printable(it.key()));
            return std::nullopt;
        }
        map.insert(it.key(), {user.toString(), password.toString()});
    }
    return map;
}

ApplyRun::ApplyRun(Transport& transport, QList<PlanBridge> plan, ApplyOptions options,
                   PasswordSources& passwords, QTextStream& out, QTextStream& err, QObject* parent)
    : QObject(parent), transport_(transport), options_(std::move(options)), passwords_(passwords),
      out_(out), err_(err), scan_(transport) {
    for (PlanBridge& bridge : plan) {
        Entry entry;
        entry.plan = std::move(bridge);
        entries_.append(std::move(entry));
    }
    phaseTimer_.setSingleShot(true);
    phaseTimer_.setTimerType(Qt::PreciseTimer);
    phaseTimer_.setInterval(kConfirmWaitMs);
    connect(&phaseTimer_, &QTimer::timeout, this, &ApplyRun::OnPhaseTimeout);
    connect(&scan_, &DiscoveryScan::ScanFinished, this, &ApplyRun::OnScanFinished);
    connect(&scan_, &DiscoveryScan::RowAdded, this,
            [this](int index, const RowText&) { OnRow(index); });
    connect(&scan_, &DiscoveryScan::RowUpdated, this,
            [this](int index, const RowText&) { OnRow(index); });
}

bool ApplyRun::Start() {
    exitStatus_ = ReportSetup(scan_.SetUp(), err_);
    if (exitStatus_ != ExitStatus::Ok) {
        return false;
    }
    clock_.start();
    scan_.Begin();
    Progress();
    return true;
}

void ApplyRun::OnScanFinished() {
    if (stage_ == Stage::Wireless || stage_ == Stage::Ip) {
        // Bridges are silent while they reboot: scan again until they answer or time is up.
        scan_.StartScan();
        return;
    }
    if (stage_ != Stage::Discovering) {
        return;
    }
    for (Entry& entry : entries_) {
        for (int i = 0; i < scan_.rowCount(); ++i) {
            const Bridge& record = scan_.table().records[size_t(i)];
            if (record.macAddress.view() == View(entry.plan.macAddress)) {
                entry.reported = record;
            }
        }
        Examine(entry);
    }
    for (Entry& entry : entries_) {
        if (const std::optional<ExitStatus> stop = LogIn(entry)) {
            Finish(*stop); // a usage error: nothing has been sent
            return;
        }
    }
    if (options_.dryRun) {
        Report();
        err_ << "dry run: nothing was sent\n";
        Finish(exitStatus_);
        return;
    }
    StartPhase(Stage::Wireless);
}

// What would change, with the dialogs' checks; a refused family refuses the whole bridge.
void ApplyRun::Examine(Entry& entry) {
    if (!entry.reported) {
        entry.result = Result::NotFound;
        entry.message = QStringLiteral("no answer to the discovery scan");
        return;
    }
    const Bridge& reported = *entry.reported;
    std::optional<QString> refusal;
    if (!entry.plan.wireless.isEmpty()) {
        entry.wireless = PrepareWirelessChange(reported, WantedWireless(entry.plan.wireless),
                                               entry.plan.wireless.agreeRegion);
        const QList<FieldChange> changes = WirelessChanges(reported, entry.wireless->settings);
        entry.sendWireless = !changes.isEmpty();
        entry.changes += changes;
        if (entry.sendWireless && entry.wireless->refusal) {
            refusal = OneLine(*entry.wireless->refusal);
            if (entry.wireless->needsRegionAgreement) {
                *refusal += QStringLiteral(" (add \"agreeRegion\": true to agree)");
            }
        }
    }
    if (!entry.plan.ip.isEmpty()) {
        entry.ip = PrepareIpChange(reported, WantedIp(entry.plan.ip));
        const QList<FieldChange> changes =
            IpChanges(reported, entry.ip->mode, entry.ip->address, entry.ip->mask);
        entry.sendIp = !changes.isEmpty();
        entry.changes += changes;
        if (entry.sendIp && !refusal) {
            if (!entry.plan.ip.mode && entry.ip->mode == IpMode::Dhcp) {
                refusal = QStringLiteral("The bridge takes its address by DHCP: a fixed address "
                                         "needs \"mode\": \"static\".");
            } else if (entry.ip->refusal) {
                refusal = OneLine(*entry.ip->refusal);
            }
        }
    }
    if (refusal) {
        entry.result = Result::Refused;
        entry.message = *refusal;
        entry.sendIp = entry.sendWireless = false;
    } else if (entry.sendIp || entry.sendWireless) {
        entry.result = Result::Changed;
    }
}

// The login rule for a bridge that is to get a request. A usage error ends the whole run.
std::optional<ExitStatus> ApplyRun::LogIn(Entry& entry) {
    if (entry.result != Result::Changed || entry.reported->version.isEmpty()) {
        return std::nullopt;
    }
    const QString mac = QString::fromLatin1(entry.plan.macAddress);
    std::optional<Credential> credential;
    if (options_.credentials) {
        const auto found = options_.credentials->constFind(mac);
        if (found != options_.credentials->constEnd()) {
            credential = *found;
        } else if (options_.credentials->contains(QStringLiteral("*"))) {
            credential = options_.credentials->value(QStringLiteral("*"));
        }
    }
    if (!credential && options_.login.userGiven) {
        if (!password_) {
            password_ = passwords_.FromEnvironment();
        }
        if (!password_ && options_.login.passwordStdin) {
            password_ = passwords_.FromStdin();
        }
        if (!password_ && passwords_.StdinIsTerminal()) {
            password_ = passwords_.FromPrompt(QStringLiteral("Password of %1 for the bridges: ")
                                                  .arg(Printable(options_.login.userName)));
        }
        if (!password_) {
            err_ << kProgram << ": the bridges ask for a login: give the password in "
                 << kPasswordVariable << ", with --password-stdin, or on a terminal\n"
                 << Qt::flush;
            return ExitStatus::Usage;
        }
        credential = Credential{options_.login.userName, *password_};
    }
    if (!credential) {
        err_ << kProgram << ": bridge " << Printable(mac)
             << " asks for a login: give --user, or --credentials with an entry for it or \"*\"\n"
             << Qt::flush;
        return ExitStatus::Usage;
    }
    if (!CredentialsMatch(*entry.reported, credential->user, credential->password)) {
        entry.result = Result::LoginRefused;
        entry.message = TableString(kStringInvalidLogin);
        entry.sendIp = entry.sendWireless = false;
    }
    return std::nullopt;
}

// Every request of the phase goes out at once; then scans until each bridge reports it.
void ApplyRun::StartPhase(Stage stage) {
    stage_ = stage;
    if (stage == Stage::Done) {
        Report();
        Finish(exitStatus_);
        return;
    }
    bool any = false;
    for (Entry& entry : entries_) {
        const bool send = stage == Stage::Wireless ? entry.sendWireless : entry.sendIp;
        if (!send || entry.result != Result::Changed) {
            continue;
        }
        const QList<ConfigItem> items = stage == Stage::Wireless
                                            ? WirelessItems(entry.wireless->settings)
                                            : IpChangeItems(*entry.ip);
        const ConfigRequest request = BuildConfigRequest(View(entry.plan.macAddress), items);
        if (!request.ok()) {
            entry.result = Result::Refused;
            entry.message = request.error;
            continue;
        }
        transport_.SendRequest(request.text, entry.reported->arrivedOn);
        entry.pending = true;
        any = true;
    }
    if (!any) {
        StartPhase(stage == Stage::Wireless ? Stage::Ip : Stage::Done);
        return;
    }
    phaseTimer_.start();
    // A scan may still run: its end starts the next one.
    scan_.StartScan();
    Progress();
}

void ApplyRun::OnRow(int index) {
    if (stage_ != Stage::Wireless && stage_ != Stage::Ip) {
        return;
    }
    const Bridge& record = scan_.table().records[size_t(index)];
    bool waiting = false;
    for (Entry& entry : entries_) {
        if (entry.pending && record.macAddress.view() == View(entry.plan.macAddress)) {
            const bool confirmed = stage_ == Stage::Wireless
                                       ? WirelessChanges(record, entry.wireless->settings).isEmpty()
                                       : IpConfirmed(record, *entry.ip);
            entry.pending = !confirmed;
            if (confirmed) {
                Progress();
            }
        }
        waiting = waiting || entry.pending;
    }
    if (!waiting) {
        EndPhase();
    }
}

void ApplyRun::OnPhaseTimeout() {
    if (stage_ != Stage::Wireless && stage_ != Stage::Ip) {
        return;
    }
    for (Entry& entry : entries_) {
        if (entry.pending) {
            entry.pending = false;
            entry.result = Result::NotConfirmed;
            entry.message = QStringLiteral("did not report the new %1 settings within %2 seconds")
                                .arg(QLatin1String(stage_ == Stage::Wireless ? "wireless" : "IP"))
                                .arg(kConfirmWaitMs / 1000);
        }
    }
    EndPhase();
}

void ApplyRun::EndPhase() {
    phaseTimer_.stop();
    StartPhase(stage_ == Stage::Wireless ? Stage::Ip : Stage::Done);
}

void ApplyRun::Progress() {
    if (!options_.progress) {
        return;
    }
    int pending = 0;
    for (const Entry& entry : entries_) {
        pending += entry.pending ? 1 : 0;
    }
    const char* what = stage_ == Stage::Discovering ? "scanning"
                       : stage_ == Stage::Wireless  ? "wireless changes sent"
                                                    : "IP changes sent";
    err_ << "\r\x1b[K" << what << ", " << pending << " bridges to confirm, "
         << clock_.elapsed() / 1000 << " s" << Qt::flush;
}

void ApplyRun::Report() {
    if (options_.progress) {
        err_ << "\r\x1b[K" << Qt::flush;
    }
    for (const Entry& entry : entries_) {
        const QString mac = QString::fromLatin1(entry.plan.macAddress);
        exitStatus_ = std::max(exitStatus_, StatusOf(entry.result));
        if (options_.json) {
            const QJsonObject line{
                {QStringLiteral("mac"), mac},
                {QStringLiteral("result"), QLatin1String(ResultName(entry.result))},
                {QStringLiteral("changes"), ChangesJson(entry.changes)},
                {QStringLiteral("message"), entry.message.isEmpty() ? QJsonValue(QJsonValue::Null)
                                                                    : QJsonValue(entry.message)}};
            out_ << QJsonDocument(line).toJson(QJsonDocument::Compact) << '\n';
            continue;
        }
        QString text = ChangesText(entry.changes);
        if (!entry.message.isEmpty()) {
            text = entry.message + (text.isEmpty() ? QString() : QStringLiteral(": ") + text);
        }
        out_ << Printable(mac) << "  " << ResultName(entry.result)
             << (text.isEmpty() ? QString() : QStringLiteral("  ") + text) << '\n';
    }
    out_.flush();
}

void ApplyRun::Finish(ExitStatus status) {
    if (finished_) {
        return;
    }
    finished_ = true;
    stage_ = Stage::Done;
    phaseTimer_.stop();
    scan_.scanTimer().stop();
    exitStatus_ = status;
    out_.flush();
    err_.flush();
    Q_EMIT Finished(status);
}

ExitStatus RunApply(const QStringList& args, QTextStream& out, QTextStream& err,
                    const Services& services) {
    CommandLine line(kApply);
    if (const std::optional<ExitStatus> end = line.Parse(args, out, err)) {
        return *end;
    }
    const QStringList positional = line.parser().positionalArguments();
    if (positional.size() != 1) {
        return line.Fail(
            positional.isEmpty()
                ? QStringLiteral("apply needs a plan")
                : QStringLiteral("unexpected argument '%1'").arg(Printable(positional[1])),
            err);
    }
    ApplyOptions options;
    options.dryRun = line.isSet("dry-run");
    options.json = line.isSet("json");
    options.login = {line.value("user"), line.isSet("password-stdin"), line.isSet("user")};
    if (line.isSet("credentials")) {
        QString error;
        options.credentials = ReadCredentials(line.value("credentials"), error);
        if (!options.credentials) {
            return line.Fail(error, err);
        }
    }
    const QString& path = positional.first();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return line.Fail(QStringLiteral("%1: %2").arg(Printable(path), file.errorString()), err);
    }
    const QByteArray text = file.readAll();
    PlanReadResult plan;
    if (path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)) {
        QString error;
        const std::optional<QList<QStringList>> rows = ReadCsv(text, &error);
        plan = rows ? ReadCsvPlan(*rows, path)
                    : PlanReadResult{{}, QStringLiteral("%1: %2").arg(path, error)};
    } else {
        plan = ReadJsonPlan(text, path);
    }
    if (!plan.ok()) {
        return line.Fail(Printable(plan.error), err);
    }
    const std::unique_ptr<Transport> transport = line.MakeNetwork(services, err);
    if (!transport) {
        return ExitStatus::Usage;
    }
    options.progress = StderrIsTerminal();
    ApplyRun run(*transport, std::move(plan.bridges), std::move(options), services.passwords, out,
                 err);
    return RunCommandToEnd(run);
}

} // namespace vantoro::cli
