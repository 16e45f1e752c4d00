#include "app/cli/ChangeRun.h"

#include "config/Login.h"
#include "config/PlanSteps.h"
#include "config/Strings.h"
#include "platform/AddressEntries.h"
#include "platform/Platform.h"
#include "protocol/Latin1.h"

#include <algorithm>

namespace vantoro::cli {
ChangeRun::ChangeRun(Transport& transport, ChangeOptions options, PasswordSources& passwords,
                     QTextStream& out, QTextStream& err, QObject* parent)
    : QObject(parent), transport_(transport), options_(std::move(options)), passwords_(passwords),
      out_(out), err_(err),
      status_(transport,
              {options_.macAddress, false, false, options_.demo, false, options_.interfaces}, out,
              err),
      scan_(transport) {
    confirmTimer_.setSingleShot(true);
    confirmTimer_.setTimerType(Qt::PreciseTimer);
    confirmTimer_.setInterval(kConfirmWaitMs);
    connect(&confirmTimer_, &QTimer::timeout, this, &ChangeRun::OnConfirmTimeout);
}

bool ChangeRun::Start() {
    connect(&status_, &StatusRun::Answered, this,
            [this](const Bridge& bridge) { bridge_ = bridge; });
    connect(&status_, &StatusRun::Finished, this, &ChangeRun::OnStatusFinished);
    if (!status_.Start()) {
        exitStatus_ = status_.exitStatus();
        return false;
    }
    return true;
}

void ChangeRun::OnStatusFinished(ExitStatus status) {
    if (status != ExitStatus::Ok || !bridge_) {
        Finish(status == ExitStatus::Ok ? ExitStatus::NoAnswer : status);
        return;
    }
    Proceed();
}

// The dialog's OK, after the user's edits: login, checks, one request.
void ChangeRun::Proceed() {
    Bridge& bridge = *bridge_;
    if (const std::optional<ExitStatus> stop = ApplyOptions(bridge)) {
        Finish(*stop);
        return;
    }
    if (const ExitStatus login = LogIn(bridge); login != ExitStatus::Ok) {
        Finish(login);
        return;
    }
    if (const std::optional<ExitStatus> stop = CheckChange(bridge)) {
        Finish(*stop);
        return;
    }
    if (Unchanged(bridge)) {
        // A reboot is not free: a request that changes nothing is not sent.
        out_ << "Nothing to change: the bridge already has these settings.\n" << Qt::flush;
        Finish(ExitStatus::Ok);
        return;
    }
    const ConfigRequest request = BuildConfigRequest(View(options_.macAddress), Items());
    if (!request.ok()) {
        // A reported text with a line break in it would split the request.
        Finish(Refuse(request.error));
        return;
    }
    if (options_.dryRun) {
        for (const ConfigItem& item : Items()) {
            const QByteArray key = item.key.endsWith(' ') ? item.key.chopped(1) : item.key;
            out_ << Printable(Latin1(key)) << ' ' << Printable(Latin1(item.value)) << '\n';
        }
        Finish(ExitStatus::Ok);
        return;
    }
    transport_.SendRequest(request.text, bridge_->arrivedOn);
    out_ << TableString(kStringRebooting) << '\n' << Qt::flush;
    if (!options_.wait) {
        Finish(ExitStatus::Ok);
        return;
    }
    StartConfirming();
}

// One attempt: a script gets its answer at once, and a wrong password is not tried again.
ExitStatus ChangeRun::LogIn(const Bridge& bridge) {
    if (bridge.version.isEmpty()) {
        return ExitStatus::Ok; // a bridge without a version text asks for no login
    }
    if (!options_.login.userGiven) {
        err_ << kProgram << ": bridge " << Printable(Latin1(options_.macAddress))
             << " asks for a login: give its user name with --user\n"
             << Qt::flush;
        return ExitStatus::Usage;
    }
    std::optional<QString> password = passwords_.FromEnvironment();
    if (!password && options_.login.passwordStdin) {
        password = passwords_.FromStdin();
        if (!password) {
            err_ << "vantoro-cli: --password-stdin: standard input holds no line\n" << Qt::flush;
            return ExitStatus::Usage;
        }
    }
    if (!password && passwords_.StdinIsTerminal()) {
        const QString bridgeName = Printable(Latin1(options_.macAddress));
        password =
            passwords_.FromPrompt(options_.login.userName.isEmpty()
                                      ? QStringLiteral("Password for bridge %1: ").arg(bridgeName)
                                      : QStringLiteral("Password of %1 for bridge %2: ")
                                            .arg(Printable(options_.login.userName), bridgeName));
    }
    if (!password) {
        err_ << "vantoro-cli: bridge " << Printable(Latin1(options_.macAddress))
             << " asks for a login: give its password in " << kPasswordVariable
             << ", with --password-stdin, or on a terminal\n"
             << Qt::flush;
        return ExitStatus::Usage;
    }
    if (!CredentialsMatch(bridge, options_.login.userName, *password)) {
        err_ << TableString(kStringInvalidLogin) << '\n' << Qt::flush;
        return ExitStatus::LoginRefused;
    }
    return ExitStatus::Ok;
}

void ChangeRun::StartConfirming() {
    Note(QStringLiteral("waiting up to %1 seconds for the bridge to answer with the new settings")
             .arg(kConfirmWaitMs / 1000));
    confirming_ = true;
    connect(&transport_, &Transport::DatagramReceived, &scan_, &DiscoveryScan::OnDatagram);
    connect(&scan_, &DiscoveryScan::RowAdded, this,
            [this](int index, const RowText&) { OnRow(index); });
    connect(&scan_, &DiscoveryScan::RowUpdated, this,
            [this](int index, const RowText&) { OnRow(index); });
    // The bridge is silent while it reboots: scan again until it answers or time is up.
    connect(&scan_, &DiscoveryScan::ScanFinished, this, [this] {
        if (confirming_) {
            scan_.StartScan();
        }
    });
    confirmTimer_.start();
    scan_.Begin();
}

void ChangeRun::OnRow(int index) {
    if (!confirming_ || index < 0 || index >= kBridgeTableSize) {
        return;
    }
    const Bridge& record = scan_.table().records[size_t(index)];
    if (record.macAddress.view() != View(options_.macAddress)) {
        return;
    }
    lastSeen_ = record;
    if (!Confirms(record)) {
        return;
    }
    out_ << "The bridge answers with the new settings:\n" << FormatStatus(record);
    Finish(ExitStatus::Ok);
}

void ChangeRun::OnConfirmTimeout() {
    if (!confirming_) {
        return;
    }
    err_ << "vantoro-cli: bridge " << Printable(Latin1(options_.macAddress))
         << " did not answer with the new settings within " << kConfirmWaitMs / 1000
         << " seconds.\n";
    if (lastSeen_) {
        out_ << "Its last answer:\n" << FormatStatus(*lastSeen_);
    } else {
        err_ << "It has not answered since the change was sent.\n";
    }
    Finish(ExitStatus::NoAnswer);
}

ExitStatus ChangeRun::Refuse(const QString& message) {
    // The rules' texts break lines as the message boxes do.
    err_ << QString(message).replace(QStringLiteral("\r\n"), QStringLiteral("\n")) << '\n'
         << Qt::flush;
    return ExitStatus::Refused;
}

void ChangeRun::Note(const QString& text) {
    err_ << text << '\n' << Qt::flush;
}

void ChangeRun::Finish(ExitStatus status) {
    if (finished_) {
        return;
    }
    finished_ = true;
    confirming_ = false;
    confirmTimer_.stop();
    scan_.scanTimer().stop();
    exitStatus_ = status;
    out_.flush();
    err_.flush();
    Q_EMIT Finished(status);
}

SetIpRun::SetIpRun(Transport& transport, SetIpOptions options, PasswordSources& passwords,
                   const Platform& platform, QTextStream& out, QTextStream& err, QObject* parent)
    : ChangeRun(transport, options.change, passwords, out, err, parent),
      options_(std::move(options)), platform_(platform) {}

std::optional<ExitStatus> SetIpRun::ApplyOptions(Bridge& bridge) {
    // Where the IP Setting window starts; a text that does not parse leaves its control blank.
    address_ = ParseDottedQuad(bridge.ipAddress.view()).value_or(Ipv4Octets{});
    mask_ = ParseDottedQuad(bridge.subnetMask.view()).value_or(Ipv4Octets{});
    mode_ = IpModeOf(bridge.ipMode.view());
    if (options_.mode) {
        mode_ = *options_.mode;
    }
    if (options_.suggest) {
        Suggest();
    }
    if (options_.address) {
        address_ = *options_.address;
    }
    if (options_.netmask) {
        mask_ = *options_.netmask;
    }
    return std::nullopt;
}

// Suggest Settings: a fixed address next to the PC's own. When the PC's side cannot be read,
// only the switch to a fixed address takes effect, as in the window.
void SetIpRun::Suggest() {
    mode_ = IpMode::Fixed;
    const std::optional<QList<PcAddressEntry>> entries =
        AddressEntries<PcAddressEntry>(platform_.Adapters());
    if (!entries) {
        Note(QStringLiteral("vantoro-cli: --suggest: the PC's adapter list is too long to read; "
                            "only the fixed mode was set"));
        return;
    }
    const PcIpSettings pc = LookUpPcAddress(platform_.PcAddress(), *entries);
    const std::optional<IpSuggestion> proposal = SuggestSettings(pc);
    if (!proposal) {
        Note(QStringLiteral("vantoro-cli: --suggest: the PC's address '%1' is not an IPv4 "
                            "address; only the fixed mode was set")
                 .arg(Printable(pc.address)));
        return;
    }
    address_ = proposal->address;
    mask_ = proposal->mask;
    Note(QStringLiteral("suggested: address %1, mask %2 (this PC: %3, mask %4, %5)")
             .arg(Latin1(FormatOctets(address_)), Latin1(FormatOctets(mask_)), pc.address, pc.mask,
                  pc.source));
}

std::optional<ExitStatus> SetIpRun::CheckChange(Bridge& bridge) {
    const IpApply step = ApplyIpChange(mode_, address_, mask_);
    if (step.check != IpCheck::Ok) {
        return Refuse(IpCheckMessage(step.check));
    }
    if (!Unchanged(bridge) && LeavesGatewayOutside(bridge, mode_, address_, mask_)) {
        Note(kProgram + QStringLiteral(": ") + GatewayOutsideWarning(bridge));
    }
    return std::nullopt;
}

bool SetIpRun::Unchanged(const Bridge& reported) const {
    return SameIpSettings(reported, mode_, address_, mask_);
}

QList<ConfigItem> SetIpRun::Items() const {
    return IpSettingItems(mode_, address_, mask_);
}

bool SetIpRun::Confirms(const Bridge& reported) const {
    if (IpModeOf(reported.ipMode.view()) != mode_) {
        return false;
    }
    // A DHCP server picks the address, so only the mode can be confirmed.
    return mode_ == IpMode::Dhcp || (ParseDottedQuad(reported.ipAddress.view()) == address_ &&
                                     ParseDottedQuad(reported.subnetMask.view()) == mask_);
}

SetWirelessRun::SetWirelessRun(Transport& transport, SetWirelessOptions options,
                               PasswordSources& passwords, QTextStream& out, QTextStream& err,
                               QObject* parent)
    : ChangeRun(transport, options.change, passwords, out, err, parent),
      options_(std::move(options)) {}

std::optional<ExitStatus> SetWirelessRun::ApplyOptions(Bridge& bridge) {
    // The dialog as it opens on the record.
    WirelessDialogState opened = OpenWirelessDialog(bridge);
    settings_ = opened.settings;
    currentRegionCode_ = opened.regionCode;
    keyEntry_ = opened.keyEntry;
    reportedCountry_ = bridge.country;

    if (options_.wanted.networkName) {
        settings_.networkName = *options_.wanted.networkName;
    }
    // Picking the row already shown is no change, so the region rule does not run for it.
    if (options_.wanted.region && *options_.wanted.region != settings_.region) {
        settings_.region = *options_.wanted.region;
        ApplyRegionChange(settings_.region, bridge, currentRegionCode_);
    }
    if (options_.wanted.networkType) {
        settings_.networkType = *options_.wanted.networkType;
    }
    if (const std::optional<ExitStatus> stop = ApplyAdHoc(bridge)) {
        return stop;
    }
    if (options_.wanted.useWep) {
        settings_.useWep = *options_.wanted.useWep;
    }
    return ApplySecurity(bridge);
}

// The Ad-Hoc dialog's OK, its refusals worded with the options that mend them.
std::optional<ExitStatus> SetWirelessRun::ApplyAdHoc(Bridge& bridge) {
    const AdHocStep step = SetAdHocControls(options_.wanted.adHocMode, options_.wanted.channel,
                                            currentRegionCode_, settings_.networkType, bridge);
    switch (step.refusal) {
    case AdHocRefusal::None:
        return std::nullopt;
    case AdHocRefusal::NotAdHoc:
        return Refuse(QStringLiteral("--mode and --channel set up an ad-hoc network: this bridge "
                                     "is in an infrastructure network (add --adhoc)"));
    case AdHocRefusal::NoChannelOffered:
        return Refuse(QStringLiteral("no channel is offered in the region '%1': choose a "
                                     "region with --region")
                          .arg(Printable(Latin1(currentRegionCode_.view()))));
    case AdHocRefusal::ChannelNotOffered:
        return Refuse(QStringLiteral("channel %1 is not offered in %2: choose a channel from %3 "
                                     "to %4 with --channel")
                          .arg(step.channel)
                          .arg(QLatin1String(step.region->displayName))
                          .arg(step.region->firstChannel)
                          .arg(step.region->lastChannel));
    }
    return std::nullopt;
}

// The security group: passphrase mode makes the keys of the chosen size; manual mode puts each
// given key into its slot, as a key index change would accept it.
std::optional<ExitStatus> SetWirelessRun::ApplySecurity(Bridge& bridge) {
    const bool keyOptions = options_.wanted.keySize || options_.wanted.passphrase ||
                            !options_.wanted.keys.isEmpty() || options_.wanted.defaultKey;
    if (!settings_.useWep) {
        if (keyOptions) {
            return Refuse(
                QStringLiteral("this bridge has WEP off: the key options need --wep on as well"));
        }
        return std::nullopt;
    }
    if (const std::optional<QString> message =
            SetSecurityControls(options_.wanted, bridge, keyEntry_)) {
        return Refuse(*message);
    }
    return std::nullopt;
}

std::optional<ExitStatus> SetWirelessRun::CheckChange(Bridge& bridge) {
    settings_.workProfile = bridge.workProfile;
    settings_.workChannel = bridge.workChannel;
    const WirelessApply step = ApplyWirelessChange(
        settings_, keyEntry_, SlotsFor(bridge, keyEntry_.size), options_.agreeRegion);
    switch (step.stop) {
    case WirelessStop::None:
        return std::nullopt;
    case WirelessStop::NoRegion:
        Refuse(step.message);
        Note(QStringLiteral("give the region with --region CODE --agree-region"));
        return ExitStatus::Refused;
    case WirelessStop::KeyRejected:
        return Refuse(step.message);
    case WirelessStop::RegionWarning:
        Refuse(step.message);
        Note(QStringLiteral("nothing was sent: add --agree-region to agree"));
        return ExitStatus::Refused;
    }
    return std::nullopt;
}

QList<ConfigItem> SetWirelessRun::Items() const {
    return WirelessItems(settings_);
}

bool SetWirelessRun::Unchanged(const Bridge& reported) const {
    return SameWirelessSettings(reported, settings_);
}

bool SetWirelessRun::Confirms(const Bridge& reported) const {
    const std::string_view country =
        ChangesRegion(settings_) ? GetRegionCode(settings_.region) : reportedCountry_.view();
    return reported.ssid.view() == View(NetworkNameBytes(settings_.networkName)) &&
           reported.country.view() == country &&
           ReportedNetworkType(reported.networkType.view()) == settings_.networkType &&
           (DecimalValue(reported.privacy.view()) != 0) == settings_.useWep;
}

} // namespace vantoro::cli
