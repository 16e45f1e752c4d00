#pragma once

// "IP Setting": gives the selected bridge DHCP or a fixed address and mask, with the PC's own
// address beside as a guide and a suggestion next to it. OK logs in, checks, sends one
// configuration request and rescans.

#include "config/IpSettings.h"

#include <QDialog>
#include <optional>

class QGroupBox;
class QLabel;
class QRadioButton;

namespace vantoro {

struct DialogContext;
class HelpPane;
class IpAddressEdit;

class IpSettingDialog : public QDialog {
    Q_OBJECT
public:
    IpSettingDialog(DialogContext& context, QWidget* parent);

    IpMode mode() const { return mode_; }
    HelpPane* helpPane() const { return helpPane_; }

    // The PC's address with the mask and source of the adapter entry that holds it; nullopt
    // when the adapter list overflowed.
    std::optional<PcIpSettings> LookUpPcAddress() const;
    // Switches to a fixed address next to the PC's own.
    void SuggestSettings();
    // The apply step behind the login: checks, sends, tells the user, closes and rescans.
    void ApplyIpSettings();

public Q_SLOTS:
    // OK and Enter: the login sequence, then the apply step.
    void accept() override;

private:
    void BuildControls();
    void FillFromBridge();
    void setMode(IpMode mode);
    void ShowPcSettings(const PcIpSettings& pc);
    void OnStatus();

    DialogContext& context_;
    IpMode mode_ = IpMode::Fixed;
    HelpPane* helpPane_ = nullptr;
    QGroupBox* helpGroup_ = nullptr;
    QRadioButton* automaticRadio_ = nullptr;
    QRadioButton* fixedRadio_ = nullptr;
    IpAddressEdit* maskEdit_ = nullptr;
    IpAddressEdit* addressEdit_ = nullptr;
    QLabel* pcSourceLabel_ = nullptr;
    QLabel* pcAddressLabel_ = nullptr;
    QLabel* pcMaskLabel_ = nullptr;
};

} // namespace vantoro
