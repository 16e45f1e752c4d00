#include "ui/config/AdHocDialog.h"

#include "config/Regions.h"
#include "ui/config/DialogContext.h"
#include "ui/controls/DialogButtons.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantoro {

AdHocDialog::AdHocDialog(DialogContext& context, Bridge* working, QWidget* parent)
    : QDialog(parent), context_(context), working_(working) {
    setObjectName(QStringLiteral("adHocDialog"));
    setWindowTitle(QStringLiteral("AdHoc Setting"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    modeList_ = new QComboBox(this);
    modeList_->setObjectName(QStringLiteral("modeList"));
    for (int mode = 0; mode < kAdHocModeCount; ++mode) {
        modeList_->addItem(AdHocModeLabel(AdHocMode(mode)));
    }
    // Only a listed channel can be chosen: there is nothing to type, and no empty choice that
    // would store a channel below the region's range.
    channelList_ = new QComboBox(this);
    channelList_->setObjectName(QStringLiteral("channelList"));

    auto* frame = new QGroupBox(this);
    auto* fields = new QFormLayout(frame);
    fields->addRow(QStringLiteral("Start AdHoc:"), modeList_);
    fields->addRow(QStringLiteral("Channel:"), channelList_);

    QDialogButtonBox* buttons = MakeOkCancelButtons(this);
    PressFocusedButtonOnEnter(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(buttons);

    FillFromBridge();
}

void AdHocDialog::FillFromBridge() {
    const Bridge* bridge = working_;
    if (bridge == nullptr) {
        modeList_->setCurrentIndex(-1);
        return;
    }
    const std::vector<int> channels = AdHocChannels(context_.currentRegionCode.view());
    for (int channel : channels) {
        channelList_->addItem(FormatChannelLabel(channel));
    }
    if (!channels.empty()) {
        baseChannel_ = channels.front();
    }
    modeList_->setCurrentIndex(int(AdHocModeForProfile(bridge->workProfile)));
    // A working channel outside the list leaves it without a selection.
    const qint64 item = qint64(bridge->workChannel) - baseChannel_;
    channelList_->setCurrentIndex(
        !channels.empty() && item >= 0 && item < qint64(channels.size()) ? int(item) : -1);
}

void AdHocDialog::accept() {
    if (Bridge* bridge = working_) {
        const int mode = modeList_->currentIndex();
        bridge->workProfile = ProfileForAdHocMode(
            mode >= 0 && mode < kAdHocModeCount ? AdHocMode(mode) : AdHocMode::BG);
        // Without a chosen channel (no region row, or none selected) the channel stays as it is.
        const int channel = channelList_->currentIndex();
        if (channel >= 0) {
            bridge->workChannel = baseChannel_ + channel;
        }
    }
    QDialog::accept();
}

} // namespace vantoro
