#include "ui/config/ConnectionSettingsDialog.h"

#include "config/Regions.h"
#include "config/Strings.h"
#include "platform/Platform.h"
#include "protocol/Latin1.h"
#include "ui/config/AdHocDialog.h"
#include "ui/config/DialogContext.h"
#include "ui/config/LoginDialog.h"
#include "ui/controls/DialogButtons.h"
#include "ui/controls/HelpPane.h"
#include "ui/controls/KeyEdit.h"
#include "ui/controls/MessageBox.h"
#include "ui/status/BridgeStatusDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <QValidator>

namespace vantoro {
namespace {

// What the bridge gets is what was typed: a character the 8-bit wire text cannot carry, or a
// control character that would split the request, is refused at the keyboard.
class WireTextValidator final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& /*pos*/) const override {
        return IsWireText(input) ? Acceptable : Invalid;
    }
};

template <typename T> T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QPushButton* MakeButton(const QString& text, const char* name, QWidget* parent) {
    auto* button = Named(new QPushButton(text, parent), name);
    // No button becomes the default: Enter anywhere but on a button does nothing here.
    button->setAutoDefault(false);
    return button;
}

QComboBox* MakeList(const char* name, QWidget* parent, const QStringList& items = {}) {
    auto* list = Named(new QComboBox(parent), name);
    list->addItems(items);
    list->setCurrentIndex(-1);
    return list;
}

const QStringList& SizeItems() {
    static const QStringList items = {QStringLiteral("64 bits"), QStringLiteral("128 bits")};
    return items;
}

} // namespace

ConnectionSettingsDialog::ConnectionSettingsDialog(DialogContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
    setObjectName(QStringLiteral("connectionSettingsDialog"));
    setWindowTitle(QStringLiteral("Connection Settings"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    BuildControls();
    PressFocusedButtonOnEnter(this);
    const Bridge* bridge = context_.selectedBridge();
    if (bridge == nullptr) {
        // Nothing to show: the controls stay as built and no help is loaded.
        return;
    }
    working_ = *bridge;
    FillFromBridge(*working_);
    PublishWorkingFields();
    helpPane_ = LoadHelpFile(helpGroup_, QStringLiteral("Settings.rtf"));
}

QGroupBox* ConnectionSettingsDialog::BuildNetworkGroup() {
    auto* group = Named(new QGroupBox(QStringLiteral("Network"), this), "networkGroup");
    networkNameBox_ = MakeList("networkNameBox", group);
    networkNameBox_->setEditable(true);
    // The box neither completes nor collects what is typed: the text sent is the text typed.
    networkNameBox_->setInsertPolicy(QComboBox::NoInsert);
    networkNameBox_->setCompleter(nullptr);
    networkNameBox_->lineEdit()->setMaxLength(kMaxNetworkNameChars);
    networkNameBox_->lineEdit()->setAccessibleName(QStringLiteral("Network Name"));
    networkNameBox_->setValidator(new WireTextValidator(networkNameBox_));
    regionList_ = MakeList("regionList", group);
    networkTypeList_ = MakeList("networkTypeList", group,
                                {QStringLiteral("Infrastructure"), QStringLiteral("Ad-Hoc")});
    adHocButton_ = MakeButton(QStringLiteral("Initiate Ad-Hoc"), "adHocButton", group);
    // The button keeps its whole caption; the lists take what room is left.
    adHocButton_->setMinimumWidth(adHocButton_->sizeHint().width() +
                                  2 * fontMetrics().averageCharWidth());

    auto* grid = new QGridLayout(group);
    grid->addWidget(
        Named(new QLabel(QStringLiteral("Network Name (SSID) :"), group), "networkNameLabel"), 0,
        0);
    grid->addWidget(networkNameBox_, 0, 1, 1, 2);
    grid->addWidget(Named(new QLabel(QStringLiteral("Country/Region :"), group), "regionLabel"), 1,
                    0);
    grid->addWidget(regionList_, 1, 1, 1, 2);
    grid->addWidget(Named(new QLabel(QStringLiteral("Network Type :"), group), "networkTypeLabel"),
                    2, 0);
    grid->addWidget(networkTypeList_, 2, 1);
    grid->addWidget(adHocButton_, 2, 2);
    grid->setColumnStretch(1, 1);
    return group;
}

QGroupBox* ConnectionSettingsDialog::BuildSecurityGroup() {
    auto* group = Named(new QGroupBox(QStringLiteral("Security"), this), "securityGroup");
    useWepCheck_ = Named(new QCheckBox(QStringLiteral("Use WEP Encryption"), group), "useWepCheck");
    passphraseRadio_ = Named(new QRadioButton(QStringLiteral("Create with Passphrase:"), group),
                             "passphraseRadio");
    passphraseLabel_ = Named(new QLabel(QStringLiteral("Passphrase :"), group), "passphraseLabel");
    passphraseEdit_ = Named(new QLineEdit(group), "passphraseEdit");
    passphraseEdit_->setMaxLength(kMaxPassphraseChars);
    passphraseEdit_->setValidator(new WireTextValidator(passphraseEdit_));
    passphraseSizeList_ = MakeList("passphraseSizeList", group, SizeItems());
    manualRadio_ =
        Named(new QRadioButton(QStringLiteral("Enter Key Manually:"), group), "manualRadio");
    keyIndexList_ = MakeList("keyIndexList", group,
                             {QStringLiteral("Key 1:"), QStringLiteral("Key 2:"),
                              QStringLiteral("Key 3:"), QStringLiteral("Key 4:")});
    keyEdit_ = Named(new KeyEdit(group), "keyEdit");
    keyEdit_->setEchoMode(QLineEdit::Password);
    manualSizeList_ = MakeList("manualSizeList", group, SizeItems());

    auto* modes = Named(new QButtonGroup(group), "keyModeButtons");
    modes->addButton(passphraseRadio_);
    modes->addButton(manualRadio_);

    // Both rows line up under their radio: label or key list, the text field, the size list.
    const int indent = fontMetrics().averageCharWidth() * 3;
    auto* grid = new QGridLayout(group);
    grid->addWidget(useWepCheck_, 0, 0, 1, 4);
    grid->addWidget(passphraseRadio_, 1, 0, 1, 4);
    grid->addWidget(passphraseLabel_, 2, 1);
    grid->addWidget(passphraseEdit_, 2, 2);
    grid->addWidget(passphraseSizeList_, 2, 3);
    grid->addWidget(manualRadio_, 3, 0, 1, 4);
    grid->addWidget(keyIndexList_, 4, 1);
    grid->addWidget(keyEdit_, 4, 2);
    grid->addWidget(manualSizeList_, 4, 3);
    grid->setColumnMinimumWidth(0, indent);
    grid->setColumnStretch(2, 1);
    return group;
}

void ConnectionSettingsDialog::BuildControls() {
    QGroupBox* network = BuildNetworkGroup();
    QGroupBox* security = BuildSecurityGroup();
    helpGroup_ = Named(new QGroupBox(QStringLiteral("Help"), this), "helpGroup");
    helpGroup_->setMinimumHeight(fontMetrics().height() * 7);

    QPushButton* status = MakeButton(QStringLiteral("Status"), "statusButton", this);
    QPushButton* ok = MakeButton(QStringLiteral("OK"), "okButton", this);
    QPushButton* cancel = MakeButton(QStringLiteral("Cancel"), "cancelButton", this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(status);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(network);
    layout->addWidget(security);
    layout->addWidget(helpGroup_, 1);
    layout->addLayout(buttons);
    setMinimumWidth(fontMetrics().averageCharWidth() * 78);

    // Lists run their handlers on the user's changes only; the dialog's own selections go
    // through SelectQuietly. The key index list also answers a re-pick of the same key.
    connect(networkTypeList_, &QComboBox::currentIndexChanged, this,
            &ConnectionSettingsDialog::OnNetworkTypeChanged);
    connect(adHocButton_, &QPushButton::clicked, this,
            &ConnectionSettingsDialog::OnInitiateAdHocClicked);
    connect(useWepCheck_, &QCheckBox::clicked, this, &ConnectionSettingsDialog::OnUseWepClicked);
    connect(passphraseRadio_, &QRadioButton::clicked, this,
            &ConnectionSettingsDialog::OnPassphraseModeClicked);
    connect(manualRadio_, &QRadioButton::clicked, this,
            &ConnectionSettingsDialog::OnManualModeClicked);
    connect(passphraseEdit_, &QLineEdit::textChanged, this,
            &ConnectionSettingsDialog::OnPassphraseChanged);
    connect(keyIndexList_, &QComboBox::activated, this,
            &ConnectionSettingsDialog::OnKeyIndexChanged);
    connect(manualSizeList_, &QComboBox::currentIndexChanged, this,
            &ConnectionSettingsDialog::OnManualKeySizeChanged);
    connect(passphraseSizeList_, &QComboBox::currentIndexChanged, this,
            &ConnectionSettingsDialog::OnPassphraseKeySizeChanged);
    connect(regionList_, &QComboBox::currentIndexChanged, this,
            &ConnectionSettingsDialog::OnRegionChanged);
    connect(status, &QPushButton::clicked, this, &ConnectionSettingsDialog::OnStatusClicked);
    connect(ok, &QPushButton::clicked, this, &ConnectionSettingsDialog::OnOkClicked);
    connect(cancel, &QPushButton::clicked, this, &ConnectionSettingsDialog::reject);
}

void ConnectionSettingsDialog::PublishWorkingFields() {
    Bridge* record = context_.selectedBridge();
    if (!working_ || record == nullptr || record->macAddress != working_->macAddress) {
        return;
    }
    record->keys64 = working_->keys64;
    record->keys128 = working_->keys128;
    record->workProfile = working_->workProfile;
    record->workChannel = working_->workChannel;
}

void ConnectionSettingsDialog::SelectQuietly(QComboBox* list, int index) {
    const QSignalBlocker quiet(list);
    list->setCurrentIndex(index);
}

void ConnectionSettingsDialog::FillFromBridge(Bridge& bridge) {
    {
        const QSignalBlocker quiet(regionList_);
        for (int row = 0; row < kRegionCount; ++row) {
            regionList_->addItem(QString::fromLatin1(kRegionTable[row].displayName));
        }
    }
    SelectQuietly(regionList_, FindRegionIndex(bridge.country.view()));
    context_.currentRegionCode.set(bridge.country.view());

    passphraseEdit_->setMaxLength(kMaxPassphraseChars);

    const bool infrastructure =
        ReportedNetworkType(bridge.networkType.view()) == NetworkType::Infrastructure;
    SelectQuietly(networkTypeList_,
                  int(infrastructure ? NetworkType::Infrastructure : NetworkType::AdHoc));
    adHocButton_->setEnabled(!infrastructure);

    StartSecurity(bridge);
    FillNetworkNames(bridge);

    // Whatever an earlier Ad-Hoc dialog chose is forgotten.
    bridge.workProfile = DecimalValue(bridge.profile.view());
    bridge.workChannel = DecimalValue(bridge.channel.view());
}

void ConnectionSettingsDialog::StartSecurity(Bridge& bridge) {
    keyMode_ = KeyMode::Manual;
    const bool wep = DecimalValue(bridge.privacy.view()) != 0;
    useWepCheck_->setChecked(wep);
    manualRadio_->setChecked(true);
    passphraseRadio_->setEnabled(wep);
    manualRadio_->setEnabled(wep);
    keyIndexList_->setEnabled(wep);
    SetPassphraseControlsEnabled(false);
    SetManualControlsEnabled(wep);

    const KeyEntry entry = StartKeyEntry(bridge);
    SelectQuietly(keyIndexList_, entry.keyIndex);
    keyIndex_ = entry.keyIndex;
    keyEdit_->setLimit(KeyDigits(entry.size));
    // The reported key goes in whole and masked; one of the wrong length fails the checks.
    keyEdit_->setKeyText(entry.keyText);
    SelectQuietly(manualSizeList_, int(entry.size));
    SelectQuietly(passphraseSizeList_, int(entry.size));
    keySize_ = entry.size;

    keyEdit_->setAllowedChars(Latin1(kKeyChars));
    keyEdit_->setBeep([this] { context_.platform.Beep(); });
}

void ConnectionSettingsDialog::FillNetworkNames(const Bridge& bridge) {
    const int count = bridge.ssidListSize();
    int current = -1;
    for (int i = 0; i < count; ++i) {
        if (bridge.ssidList[size_t(i)] == bridge.ssid) {
            current = i;
            break;
        }
    }
    const QSignalBlocker quiet(networkNameBox_);
    networkNameBox_->clear();
    // A current name the bridge does not list comes first, so the box shows it either way.
    if (current < 0) {
        networkNameBox_->addItem(bridge.ssid.toQString());
    }
    for (int i = 0; i < count; ++i) {
        networkNameBox_->addItem(bridge.ssidList[size_t(i)].toQString());
    }
    networkNameBox_->setCurrentIndex(0);
    if (current >= 0) {
        networkNameBox_->setCurrentIndex(current);
    }
}

void ConnectionSettingsDialog::SetPassphraseControlsEnabled(bool enabled) {
    passphraseLabel_->setEnabled(enabled);
    passphraseEdit_->setEnabled(enabled);
    passphraseSizeList_->setEnabled(enabled);
}

void ConnectionSettingsDialog::SetManualControlsEnabled(bool enabled) {
    manualSizeList_->setEnabled(enabled);
    keyEdit_->setEnabled(enabled);
}

void ConnectionSettingsDialog::ClearPassphrase() {
    {
        const QSignalBlocker quiet(passphraseEdit_);
        passphraseEdit_->clear();
    }
    // Emptying counts as a change even when the field was empty already.
    OnPassphraseChanged();
}

KeySize ConnectionSettingsDialog::manualSize() const {
    return KeySizeFromIndex(manualSizeList_->currentIndex());
}

void ConnectionSettingsDialog::accept() {}

void ConnectionSettingsDialog::OnNetworkTypeChanged() {
    // The working mode and channel stay as they are; only ad-hoc sends them.
    adHocButton_->setEnabled(networkTypeList_->currentIndex() != int(NetworkType::Infrastructure));
}

void ConnectionSettingsDialog::OnInitiateAdHocClicked() {
    AdHocDialog adHoc(context_, working(), this);
    adHoc.exec();
    PublishWorkingFields();
}

void ConnectionSettingsDialog::OnStatusClicked() {
    BridgeStatusDialog status(context_, this);
    status.exec();
}

void ConnectionSettingsDialog::OnOkClicked() {
    AuthorizeAndApply(*this, context_, [this] { ApplyConnectionSettings(); });
}

void ConnectionSettingsDialog::OnRegionChanged() {
    if (Bridge* bridge = working()) {
        ApplyRegionChange(regionList_->currentIndex(), *bridge, context_.currentRegionCode);
        PublishWorkingFields();
    }
}

void ConnectionSettingsDialog::OnUseWepClicked() {
    const bool wep = useWepCheck_->isChecked();
    passphraseRadio_->setEnabled(wep);
    manualRadio_->setEnabled(wep);
    keyIndexList_->setEnabled(wep);
    if (!wep) {
        SetPassphraseControlsEnabled(false);
        SetManualControlsEnabled(false);
        return;
    }
    const bool passphrase = keyMode_ == KeyMode::Passphrase;
    (passphrase ? passphraseRadio_ : manualRadio_)->setChecked(true);
    SetPassphraseControlsEnabled(passphrase);
    SetManualControlsEnabled(!passphrase);
}

void ConnectionSettingsDialog::OnPassphraseModeClicked() {
    if (keyMode_ == KeyMode::Passphrase) {
        passphraseEdit_->setFocus();
        return;
    }
    keyMode_ = KeyMode::Passphrase;
    passphraseRadio_->setChecked(true);
    SetPassphraseControlsEnabled(true);
    SetManualControlsEnabled(false);
    // The manual list shows the size being made; keySize stays the last size chosen by hand.
    SelectQuietly(manualSizeList_, passphraseSizeList_->currentIndex());
    ClearPassphrase();
    // Generated keys show in clear.
    keyEdit_->setEchoMode(QLineEdit::Normal);
    passphraseEdit_->setFocus();
}

void ConnectionSettingsDialog::OnManualModeClicked() {
    if (keyMode_ == KeyMode::Manual) {
        keyEdit_->setFocus();
        return;
    }
    // Manual first, so emptying the passphrase below generates nothing.
    keyMode_ = KeyMode::Manual;
    manualRadio_->setChecked(true);
    SetPassphraseControlsEnabled(false);
    SetManualControlsEnabled(true);
    ClearPassphrase();
    keyEdit_->setKeyText(QString());
    if (Bridge* bridge = working()) {
        SlotsFor(*bridge, manualSize()) = KeyTexts{};
        PublishWorkingFields();
    }
    keyEdit_->setFocus();
}

void ConnectionSettingsDialog::OnPassphraseChanged() {
    if (keyMode_ == KeyMode::Manual) {
        return;
    }
    Bridge* bridge = working();
    if (bridge == nullptr) {
        return;
    }
    // Every keystroke makes the keys anew.
    const QByteArray passphrase = PassphraseBytes(passphraseEdit_->text());
    const KeySize size = KeySizeFromIndex(passphraseSizeList_->currentIndex());
    KeyTexts& keySlots = SlotsFor(*bridge, size);
    keySlots = GenerateWepKeys(View(passphrase), size);
    SelectQuietly(manualSizeList_, int(size));
    keyEdit_->setLimit(KeyDigits(size));
    keyEdit_->setKeyText(keySlots[size_t(keyIndex_)].toQString());
    PublishWorkingFields();
}

void ConnectionSettingsDialog::OnKeyIndexChanged() {
    const int index = keyIndexList_->currentIndex();
    if (index == keyIndex_) {
        keyEdit_->setFocus();
        return;
    }
    Bridge* bridge = working();
    if (bridge == nullptr || index < 0 || index >= kKeyCount) {
        SelectQuietly(keyIndexList_, keyIndex_);
        return;
    }
    const KeySize size = manualSize();
    KeyEntry entry{size, keyIndex_, keyEdit_->text()};
    if (const std::optional<QString> refusal =
            ChangeKeyIndex(entry, index, SlotsFor(*bridge, size))) {
        // The list goes back before the message, so it never shows a key it did not switch to.
        SelectQuietly(keyIndexList_, keyIndex_);
        context_.messages.Show(this, *refusal);
        keyEdit_->setFocus();
        return;
    }
    if (keyMode_ == KeyMode::Manual) {
        // A stored key shows masked; an empty slot is typed in clear.
        keyEdit_->setEchoMode(entry.keyText.isEmpty() ? QLineEdit::Normal : QLineEdit::Password);
    }
    keyEdit_->setKeyText(entry.keyText);
    keyIndex_ = entry.keyIndex;
    PublishWorkingFields();
}

void ConnectionSettingsDialog::OnManualKeySizeChanged() {
    const KeySize size = manualSize();
    if (size == keySize_) {
        return;
    }
    // Keys typed for the other size cannot stand for this one: all eight slots start over.
    keyEdit_->setKeyText(QString());
    if (Bridge* bridge = working()) {
        ClearKeySlots(*bridge);
        PublishWorkingFields();
    }
    keyEdit_->setEchoMode(QLineEdit::Normal);
    keyEdit_->setLimit(KeyDigits(size));
    keySize_ = size;
}

void ConnectionSettingsDialog::OnPassphraseKeySizeChanged() {
    ClearPassphrase();
    keyEdit_->setKeyText(QString());
    keyEdit_->setLimit(KeyDigits(KeySizeFromIndex(passphraseSizeList_->currentIndex())));
}

void ConnectionSettingsDialog::ApplyConnectionSettings() {
    Bridge* bridge = working();
    if (bridge == nullptr) {
        return;
    }
    WirelessSettings settings;
    settings.useWep = useWepCheck_->isChecked();
    settings.region = regionList_->currentIndex();
    settings.reportedRegion = FindRegionIndex(bridge->country.view());
    settings.networkName = networkNameBox_->currentText();
    settings.networkType = networkTypeList_->currentIndex() == int(NetworkType::Infrastructure)
                               ? NetworkType::Infrastructure
                               : NetworkType::AdHoc;
    settings.workProfile = bridge->workProfile;
    settings.workChannel = bridge->workChannel;
    const KeyEntry entry{manualSize(), keyIndexList_->currentIndex(), keyEdit_->text()};
    KeyTexts& keySlots = SlotsFor(*bridge, entry.size);
    WirelessApply step = ApplyWirelessChange(settings, entry, keySlots, false);
    if (step.stop == WirelessStop::NoRegion || step.stop == WirelessStop::KeyRejected) {
        context_.messages.Show(this, step.message);
        if (step.stop == WirelessStop::KeyRejected) {
            keyEdit_->setFocus();
        }
        return;
    }
    if (settings.useWep) {
        PublishWorkingFields(); // the key check stored the key field into its slot
    }
    if (step.stop == WirelessStop::RegionWarning) {
        const QMessageBox::StandardButton answer =
            context_.messages.Show(this, step.message, MessageCaption(), QMessageBox::Information,
                                   QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes) {
            // The list and what the Ad-Hoc dialog offers go back to the reported region.
            SelectQuietly(regionList_, RestoreReportedRegion(*bridge, context_.currentRegionCode));
            PublishWorkingFields();
            return;
        }
        step = ApplyWirelessChange(settings, entry, keySlots, true);
    }

    const ConfigRequest request = BuildConfigRequest(bridge->macAddress.view(), step.items);
    if (!request.ok()) {
        // Only a reported name holding a line break gets here; sending it would split the change.
        context_.messages.Show(this, request.error);
        return;
    }
    context_.sendRequest(request.text);
    context_.messages.Show(this, TableString(kStringRebooting));
    done(0);
    context_.startScan();
}

} // namespace vantoro
