#pragma once

// "AdHoc Setting": the 802.11 mode and the channel a bridge uses when it starts an ad-hoc
// network. OK writes them into the working mode and channel of the record it is given (the
// connection settings' own copy); Cancel changes nothing.

#include <QDialog>

class QComboBox;

namespace vantoro {

struct Bridge;
struct DialogContext;

class AdHocDialog : public QDialog {
    Q_OBJECT
public:
    // working may be null (no bridge): the lists stay empty and OK changes nothing.
    AdHocDialog(DialogContext& context, Bridge* working, QWidget* parent);

public Q_SLOTS:
    void accept() override;

private:
    void FillFromBridge();

    DialogContext& context_;
    Bridge* working_;
    int baseChannel_ = 0; // the channel of item 0 of the channel list
    QComboBox* modeList_ = nullptr;
    QComboBox* channelList_ = nullptr;
};

} // namespace vantoro
