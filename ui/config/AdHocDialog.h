#pragma once

// "AdHoc Setting": the 802.11 mode and the channel a bridge uses when it starts an ad-hoc
// network. OK writes them into the selected bridge's working mode and channel; Cancel changes
// nothing.

#include <QDialog>

class QComboBox;

namespace vantoro {

struct DialogContext;

class AdHocDialog : public QDialog {
    Q_OBJECT
public:
    AdHocDialog(DialogContext& context, QWidget* parent);

public Q_SLOTS:
    void accept() override;

private:
    void FillFromBridge();

    DialogContext& context_;
    int baseChannel_ = 0; // the channel of item 0 of the channel list
    QComboBox* modeList_ = nullptr;
    QComboBox* channelList_ = nullptr;
};

} // namespace vantoro
