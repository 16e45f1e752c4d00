#pragma once

// set-ip and set-wireless: one change of a bridge's settings, on the road a dialog's OK takes.
// The bridge's record comes from one status request; the command's options act on it as a user
// would on the dialog's controls; then the login, the checks, one configuration request, and on
// request the scans that confirm the bridge took the change.

#include "app/cli/Cli.h"

#include <optional>

namespace vantoro {
class Platform;
}

namespace vantoro::cli {

class ChangeRun : public QObject {
    Q_OBJECT
public:
    // How long --wait scans for the bridge's answer with the new settings.
    static constexpr int kConfirmWaitMs = 60000;

    ChangeRun(Transport& transport, ChangeOptions options, PasswordSources& passwords,
              QTextStream& out, QTextStream& err, QObject* parent = nullptr);

    // Opens the sockets and asks for the bridge's record. Returns false (with the exit status in
    // exitStatus()) when the set-up failed; otherwise Finished is emitted once, at the end.
    bool Start();
    ExitStatus exitStatus() const { return exitStatus_; }

    // The record's status request and its 3-second wait.
    StatusRun& statusRun() { return status_; }
    // The scans of --wait and their 60-second limit.
    DiscoveryScan& scan() { return scan_; }
    QTimer& confirmTimer() { return confirmTimer_; }
    // The limit is reached (called by the timer, or by tests directly).
    void OnConfirmTimeout();

Q_SIGNALS:
    void Finished(vantoro::cli::ExitStatus status);

protected:
    // The command's options on the record, before the login; an exit status stops the change.
    virtual std::optional<ExitStatus> ApplyOptions(Bridge& bridge) = 0;
    // The apply step's checks, after the login.
    virtual std::optional<ExitStatus> CheckChange(Bridge& bridge) = 0;
    virtual QList<ConfigItem> Items() const = 0;
    // True when the request would carry exactly what the bridge reports.
    virtual bool Unchanged(const Bridge& reported) const = 0;
    // True when a reply from the bridge shows the change taken.
    virtual bool Confirms(const Bridge& reported) const = 0;

    // A rule refused the change: its message goes to stderr as it is.
    ExitStatus Refuse(const QString& message);
    // A note that is not the command's result.
    void Note(const QString& text);

private:
    void OnStatusFinished(ExitStatus status);
    void Proceed();
    ExitStatus LogIn(const Bridge& bridge);
    void StartConfirming();
    void OnRow(int index);
    void Finish(ExitStatus status);

    Transport& transport_;
    ChangeOptions options_;
    PasswordSources& passwords_;
    QTextStream& out_;
    QTextStream& err_;
    StatusRun status_;
    std::optional<Bridge> bridge_; // as the status request found it, then as the options left it
    DiscoveryScan scan_;
    QTimer confirmTimer_;
    std::optional<Bridge> lastSeen_; // the bridge's latest answer while confirming
    bool confirming_ = false;
    bool finished_ = false;
    ExitStatus exitStatus_ = ExitStatus::Ok;
};

// The IP Setting dialog: the mode, address and mask as the bridge reports them, changed by the
// options in the order mode, suggestion, address and mask.
class SetIpRun final : public ChangeRun {
    Q_OBJECT
public:
    SetIpRun(Transport& transport, SetIpOptions options, PasswordSources& passwords,
             const Platform& platform, QTextStream& out, QTextStream& err,
             QObject* parent = nullptr);

protected:
    std::optional<ExitStatus> ApplyOptions(Bridge& bridge) override;
    std::optional<ExitStatus> CheckChange(Bridge& bridge) override;
    QList<ConfigItem> Items() const override;
    bool Unchanged(const Bridge& reported) const override;
    bool Confirms(const Bridge& reported) const override;

private:
    void Suggest();

    SetIpOptions options_;
    const Platform& platform_;
    IpMode mode_ = IpMode::Fixed;
    Ipv4Octets address_{};
    Ipv4Octets mask_{};
};

// The connection settings dialog: opened on the bridge's record, then the network name, the
// region, the network type with the ad-hoc mode and channel, and the security group, in this
// order, as a user would set them.
class SetWirelessRun final : public ChangeRun {
    Q_OBJECT
public:
    SetWirelessRun(Transport& transport, SetWirelessOptions options, PasswordSources& passwords,
                   QTextStream& out, QTextStream& err, QObject* parent = nullptr);

protected:
    std::optional<ExitStatus> ApplyOptions(Bridge& bridge) override;
    std::optional<ExitStatus> CheckChange(Bridge& bridge) override;
    QList<ConfigItem> Items() const override;
    bool Unchanged(const Bridge& reported) const override;
    bool Confirms(const Bridge& reported) const override;

private:
    std::optional<ExitStatus> ApplyAdHoc(Bridge& bridge);
    std::optional<ExitStatus> ApplySecurity(Bridge& bridge);

    SetWirelessOptions options_;
    RegionCodeText currentRegionCode_;
    BridgeText reportedCountry_;
    WirelessSettings settings_;
    KeyEntry keyEntry_;
};

} // namespace vantoro::cli
