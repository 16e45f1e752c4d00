#include "ui/config/IpSettingDialog.h"

#include "config/Strings.h"
#include "platform/AddressEntries.h"
#include "platform/Platform.h"
#include "ui/config/DialogContext.h"
#include "ui/config/LoginDialog.h"
#include "ui/controls/DialogButtons.h"
#include "ui/controls/HelpPane.h"
#include "ui/controls/IpAddressEdit.h"
#include "ui/controls/MessageBox.h"
#include "ui/status/BridgeStatusDialog.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vantoro {

namespace {

QPushButton* MakeButton(const QString& text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

QLabel* MakeValue(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    // The PC's host name can stand in for its address: shown as it is, never as markup.
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

IpSettingDialog::IpSettingDialog(DialogContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
    setObjectName(QStringLiteral("ipSettingDialog"));
    setWindowTitle(QStringLiteral("IP Setting"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    BuildControls();
    PressFocusedButtonOnEnter(this);
    FillFromBridge();
}

void IpSettingDialog::BuildControls() {
    auto* bridgeGroup = new QGroupBox(QStringLiteral("Bridge IP Address"), this);
    automaticRadio_ = new QRadioButton(QStringLiteral("Obtain IP Address automatically"), this);
    automaticRadio_->setObjectName(QStringLiteral("automaticRadio"));
    fixedRadio_ = new QRadioButton(QStringLiteral("Use the following IP address"), this);
    fixedRadio_->setObjectName(QStringLiteral("fixedRadio"));
    auto* radios = new QButtonGroup(this);
    radios->addButton(automaticRadio_);
    radios->addButton(fixedRadio_);
    connect(automaticRadio_, &QRadioButton::clicked, this, [this] { setMode(IpMode::Dhcp); });
    connect(fixedRadio_, &QRadioButton::clicked, this, [this] { setMode(IpMode::Fixed); });

    addressEdit_ = new IpAddressEdit(this);
    addressEdit_->setObjectName(QStringLiteral("bridgeAddressEdit"));
    maskEdit_ = new IpAddressEdit(this);
    maskEdit_->setObjectName(QStringLiteral("bridgeMaskEdit"));
    auto* bridgeLayout = new QVBoxLayout(bridgeGroup);
    bridgeLayout->addWidget(automaticRadio_);
    bridgeLayout->addWidget(fixedRadio_);
    auto* bridgeFields = new QFormLayout;
    bridgeFields->addRow(QStringLiteral("IP address:"), addressEdit_);
    bridgeFields->addRow(QStringLiteral("Subnet mask:"), maskEdit_);
    bridgeLayout->addLayout(bridgeFields);

    auto* pcGroup = new QGroupBox(QStringLiteral("PC IP Address"), this);
    pcAddressLabel_ = MakeValue("pcAddressValue", pcGroup);
    pcMaskLabel_ = MakeValue("pcMaskValue", pcGroup);
    pcSourceLabel_ = MakeValue("pcSourceValue", pcGroup);
    auto* pcFields = new QFormLayout(pcGroup);
    pcFields->addRow(QStringLiteral("IP Address :"), pcAddressLabel_);
    pcFields->addRow(QStringLiteral("Subnet Mask :"), pcMaskLabel_);
    pcFields->addRow(QStringLiteral("IP Source :"), pcSourceLabel_);

    helpGroup_ = new QGroupBox(QStringLiteral("Help"), this);
    helpGroup_->setObjectName(QStringLiteral("helpGroup"));
    helpGroup_->setMinimumHeight(fontMetrics().height() * 9);

    QPushButton* status = MakeButton(QStringLiteral("Status"), "statusButton", this);
    QPushButton* suggest = MakeButton(QStringLiteral("Suggest Settings"), "suggestButton", this);
    QPushButton* ok = MakeButton(QStringLiteral("OK"), "okButton", this);
    ok->setDefault(true);
    QPushButton* cancel = MakeButton(QStringLiteral("Cancel"), "cancelButton", this);
    connect(status, &QPushButton::clicked, this, &IpSettingDialog::OnStatus);
    connect(suggest, &QPushButton::clicked, this, &IpSettingDialog::SuggestSettings);
    connect(ok, &QPushButton::clicked, this, &IpSettingDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &IpSettingDialog::reject);

    auto* groups = new QHBoxLayout;
    groups->addWidget(bridgeGroup, 1);
    groups->addWidget(pcGroup, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(status);
    buttons->addWidget(suggest);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addWidget(helpGroup_, 1);
    layout->addLayout(buttons);
    setMinimumWidth(fontMetrics().averageCharWidth() * 80);
}

void IpSettingDialog::FillFromBridge() {
    if (const Bridge* bridge = context_.selectedBridge()) {
        // A text that does not parse leaves its control blank.
        if (const auto address = ParseDottedQuad(bridge->ipAddress.view())) {
            addressEdit_->setOctets(*address);
        }
        if (const auto mask = ParseDottedQuad(bridge->subnetMask.view())) {
            maskEdit_->setOctets(*mask);
        }
        setMode(IpModeOf(bridge->ipMode.view()));
    }
    const std::optional<PcIpSettings> pc = LookUpPcAddress();
    if (!pc) {
        return;
    }
    ShowPcSettings(*pc);
    helpPane_ = LoadHelpFile(helpGroup_, QStringLiteral("IP_Settings.rtf"));
}

void IpSettingDialog::setMode(IpMode mode) {
    mode_ = mode;
    automaticRadio_->setChecked(mode == IpMode::Dhcp);
    fixedRadio_->setChecked(mode == IpMode::Fixed);
    // Disabled controls keep what they hold: with DHCP it is sent all the same.
    addressEdit_->setEnabled(mode == IpMode::Fixed);
    maskEdit_->setEnabled(mode == IpMode::Fixed);
}

std::optional<PcIpSettings> IpSettingDialog::LookUpPcAddress() const {
    const std::optional<QList<PcAddressEntry>> entries =
        AddressEntries<PcAddressEntry>(context_.platform.Adapters());
    if (!entries) {
        return std::nullopt;
    }
    return vantoro::LookUpPcAddress(context_.platform.PcAddress(), *entries);
}

void IpSettingDialog::ShowPcSettings(const PcIpSettings& pc) {
    pcAddressLabel_->setText(pc.address);
    pcMaskLabel_->setText(pc.mask);
    pcSourceLabel_->setText(pc.source);
}

void IpSettingDialog::OnStatus() {
    BridgeStatusDialog status(context_, this);
    status.exec();
}

void IpSettingDialog::SuggestSettings() {
    setMode(IpMode::Fixed);
    const std::optional<PcIpSettings> pc = LookUpPcAddress();
    if (!pc) {
        return;
    }
    ShowPcSettings(*pc);
    // A host name standing in for the address proposes nothing.
    if (const std::optional<IpSuggestion> proposal = vantoro::SuggestSettings(*pc)) {
        addressEdit_->setOctets(proposal->address);
        maskEdit_->setOctets(proposal->mask);
    }
}

void IpSettingDialog::accept() {
    AuthorizeAndApply(*this, context_, [this] { ApplyIpSettings(); });
}

void IpSettingDialog::ApplyIpSettings() {
    const Bridge* bridge = context_.selectedBridge();
    if (bridge == nullptr) {
        return;
    }
    // A blank control reads as 0.0.0.0.
    const Ipv4Octets address = addressEdit_->octets();
    const Ipv4Octets mask = maskEdit_->octets();
    const IpApply step = ApplyIpChange(mode_, address, mask);
    if (step.check != IpCheck::Ok) {
        context_.messages.Show(this, IpCheckMessage(step.check));
        (IpCheckFocus(step.check) == IpField::Mask ? maskEdit_ : addressEdit_)->setFocus();
        return;
    }
    const ConfigRequest request = BuildConfigRequest(bridge->macAddress.view(), step.items);
    if (!request.ok()) {
        // An identifier that would break the request apart: nothing goes out, so nothing reboots.
        context_.messages.Show(this, request.error);
        return;
    }
    context_.sendRequest(request.text);
    context_.messages.Show(this, TableString(kStringRebooting));
    done(0);
    context_.startScan();
}

} // namespace vantoro
