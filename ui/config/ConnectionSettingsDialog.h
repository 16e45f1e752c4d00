#pragma once

// "Connection Settings": the selected bridge's network name, region, network type (with the
// ad-hoc mode and channel) and WEP security. OK logs in, checks, sends one configuration request
// and rescans; Enter does nothing here but press a focused button.

#include "config/WepKeys.h"
#include "config/WirelessSettings.h"
#include "protocol/Bridge.h"

#include <QDialog>
#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vantoro {

struct DialogContext;
class HelpPane;
class KeyEdit;

// How the keys are made: the checked one of the two mode radios.
enum class KeyMode { Passphrase, Manual };

class ConnectionSettingsDialog : public QDialog {
    Q_OBJECT
public:
    ConnectionSettingsDialog(DialogContext& context, QWidget* parent);

    KeyMode keyMode() const { return keyMode_; }
    int keyIndex() const { return keyIndex_; }
    KeySize keySize() const { return keySize_; }
    HelpPane* helpPane() const { return helpPane_; }

    // The apply step behind the login: checks, asks about a region change, sends, tells the
    // user, closes and rescans. Every refusal leaves the dialog open with the edits in place.
    void ApplyConnectionSettings();

public Q_SLOTS:
    // The standard OK (Enter away from a button) does nothing: only the OK button applies.
    void accept() override;

private:
    // The dialog's own copy of the selected record, taken when it opens; null when none was.
    Bridge* working() { return working_ ? &*working_ : nullptr; }
    // Writes the copy's key slots and working mode and channel into the selected record, while
    // it is still the same bridge, so that the record shows what the dialog works with.
    void PublishWorkingFields();
    void BuildControls();
    QGroupBox* BuildNetworkGroup();
    QGroupBox* BuildSecurityGroup();
    void FillFromBridge(Bridge& bridge);
    void StartSecurity(Bridge& bridge);
    void FillNetworkNames(const Bridge& bridge);
    // Selects without running the list's handler, as a program's own selection does.
    static void SelectQuietly(QComboBox* list, int index);
    void SetPassphraseControlsEnabled(bool enabled);
    void SetManualControlsEnabled(bool enabled);
    // Empties the passphrase field; in passphrase mode that regenerates (empties) the keys.
    void ClearPassphrase();
    KeySize manualSize() const;

    void OnNetworkTypeChanged();
    void OnInitiateAdHocClicked();
    void OnStatusClicked();
    void OnOkClicked();
    void OnRegionChanged();
    void OnUseWepClicked();
    void OnPassphraseModeClicked();
    void OnManualModeClicked();
    void OnPassphraseChanged();
    void OnKeyIndexChanged();
    void OnManualKeySizeChanged();
    void OnPassphraseKeySizeChanged();

    DialogContext& context_;
    // A reply rewrites the record under the open dialog and empties its key slots; what is sent
    // is what the user saw and changed, so every handler works on this copy.
    std::optional<Bridge> working_;
    KeyMode keyMode_ = KeyMode::Manual;
    int keyIndex_ = 0;
    KeySize keySize_ = KeySize::Bits64;
    HelpPane* helpPane_ = nullptr;
    QGroupBox* helpGroup_ = nullptr;

    QComboBox* networkNameBox_ = nullptr;
    QComboBox* regionList_ = nullptr;
    QComboBox* networkTypeList_ = nullptr;
    QPushButton* adHocButton_ = nullptr;

    QCheckBox* useWepCheck_ = nullptr;
    QRadioButton* passphraseRadio_ = nullptr;
    QLabel* passphraseLabel_ = nullptr;
    QLineEdit* passphraseEdit_ = nullptr;
    QComboBox* passphraseSizeList_ = nullptr;
    QRadioButton* manualRadio_ = nullptr;
    QComboBox* keyIndexList_ = nullptr;
    KeyEdit* keyEdit_ = nullptr;
    QComboBox* manualSizeList_ = nullptr;
};

} // namespace vantoro
