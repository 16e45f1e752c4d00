#include "ui/status/BridgeStatusDialog.h"

#include "protocol/ManagementMessage.h"
#include "ui/config/DialogContext.h"
#include "ui/controls/DialogButtons.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <initializer_list>

namespace vantoro {

namespace {

struct FieldRow {
    StatusField field;
    const char* objectName;
};

// The four groups and their fields, in the order the dialog shows them.
struct GroupRows {
    const char* title;
    bool sunken;
    std::initializer_list<FieldRow> fields;
};

const GroupRows kGroups[] = {
    {"Wireless Settings",
     true,
     {{StatusField::NetworkName, "networkNameValue"},
      {StatusField::ConnectionStatus, "connectionStatusValue"},
      {StatusField::Region, "regionValue"},
      {StatusField::Channel, "channelValue"},
      {StatusField::Security, "securityValue"}}},
    {"Statistics",
     true,
     {{StatusField::TxPackets, "txPacketsValue"},
      {StatusField::RxPackets, "rxPacketsValue"},
      {StatusField::SignalStrength, "signalStrengthBar"}}},
    {"Bridge IP Settings",
     false,
     {{StatusField::IpAddress, "ipAddressValue"},
      {StatusField::SubnetMask, "subnetMaskValue"},
      {StatusField::Gateway, "gatewayValue"},
      {StatusField::IpSource, "ipSourceValue"}}},
    {"Bridge Information",
     false,
     {{StatusField::BridgeName, "bridgeNameValue"},
      {StatusField::MacAddress, "macAddressValue"},
      {StatusField::Version, "versionValue"}}},
};

QString LabelOf(const BridgeStatusView& view, StatusField field) {
    for (const StatusLine& line : view.lines) {
        if (line.field == field) {
            return line.label;
        }
    }
    return {};
}

} // namespace

BridgeStatusDialog::BridgeStatusDialog(DialogContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
    setObjectName(QStringLiteral("bridgeStatusDialog"));
    setWindowTitle(QStringLiteral("Bridge Status"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    BuildControls();
    PressFocusedButtonOnEnter(this);

    refreshTimer_.setInterval(kRefreshTickMs);
    connect(&refreshTimer_, &QTimer::timeout, this, &BridgeStatusDialog::OnRefreshTick);

    // Opening sends nothing: the record is shown as the last reply left it.
    ShowBridgeStatus();
    refreshReady_ = true;
}

void BridgeStatusDialog::BuildControls() {
    // The labels are the status view's, so the dialog and the command line say the same.
    const BridgeStatusView labels = DescribeBridgeStatus(Bridge{});
    auto* groups = new QGridLayout;
    int index = 0;
    for (const GroupRows& rows : kGroups) {
        auto* group = new QGroupBox(QString::fromLatin1(rows.title), this);
        auto* form = new QFormLayout(group);
        for (const FieldRow& field : rows.fields) {
            QWidget* value = nullptr;
            if (field.field == StatusField::SignalStrength) {
                signalBar_ = new QProgressBar(group);
                signalBar_->setRange(0, 100);
                signalBar_->setTextVisible(false);
                value = signalBar_;
            } else {
                auto* label = new QLabel(group);
                // Any peer on the LAN writes these texts: never read as markup.
                label->setTextFormat(Qt::PlainText);
                label->setTextInteractionFlags(Qt::TextSelectableByMouse);
                if (rows.sunken) {
                    label->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
                }
                label->setMinimumWidth(fontMetrics().averageCharWidth() * 20);
                values_[field.field] = label;
                value = label;
            }
            value->setObjectName(QString::fromLatin1(field.objectName));
            form->addRow(LabelOf(labels, field.field), value);
        }
        groups->addWidget(group, index / 2, index % 2);
        ++index;
    }
    // The template shows "Connected" until the record is read.
    values_[StatusField::ConnectionStatus]->setText(QStringLiteral("Connected"));

    auto* refresh = new QPushButton(QStringLiteral("Refresh"), this);
    refresh->setObjectName(QStringLiteral("refreshButton"));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("closeButton"));
    connect(refresh, &QPushButton::clicked, this, &BridgeStatusDialog::RefreshStatus);
    connect(close, &QPushButton::clicked, this, &BridgeStatusDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(refresh);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addLayout(buttons);
}

void BridgeStatusDialog::ShowBridgeStatus() {
    const Bridge* bridge = context_.selectedBridge();
    if (bridge == nullptr) {
        return;
    }
    const BridgeStatusView view = DescribeBridgeStatus(*bridge);
    for (const StatusLine& line : view.lines) {
        const auto it = values_.find(line.field);
        if (it != values_.end()) {
            it->second->setText(line.value);
        }
    }
    signalBar_->setValue(view.signalStrength);
}

void BridgeStatusDialog::RefreshStatus() {
    if (!refreshReady_) {
        return;
    }
    const Bridge* bridge = context_.selectedBridge();
    if (bridge == nullptr) {
        return;
    }
    requestedBridge_ = bridge->macAddress;
    if (const QByteArray request = BuildStatusRequest(requestedBridge_.view());
        !request.isEmpty()) {
        context_.sendRequest(request);
    }
    context_.clearReplyArrived();
    refreshTimer_.start();
    refreshReady_ = false;
}

void BridgeStatusDialog::OnRefreshTick() {
    ++refreshTicks_;
    // Any reply that rewrote a listed bridge counts, as long as the selection still shows the
    // bridge that was asked.
    const Bridge* bridge = context_.selectedBridge();
    const bool arrived =
        context_.replyArrived() && bridge != nullptr && bridge->macAddress == requestedBridge_;
    if (!arrived && refreshTicks_ < kRefreshTickLimit) {
        return;
    }
    ++refreshPhase_;
    if (refreshPhase_ == 1) {
        ShowBridgeStatus();
        context_.clearReplyArrived();
        return;
    }
    refreshTimer_.stop();
    context_.clearReplyArrived();
    refreshTicks_ = 0;
    refreshPhase_ = 0;
    refreshReady_ = true;
}

} // namespace vantoro
