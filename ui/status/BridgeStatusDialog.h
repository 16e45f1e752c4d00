#pragma once

// "Bridge Status": everything the program knows about the selected bridge, as the receive path
// last wrote it. Refresh asks the bridge once and shows the answer when it comes, or after three
// seconds.

#include "config/BridgeStatus.h"
#include "protocol/Bridge.h"

#include <QDialog>
#include <QTimer>
#include <map>

class QLabel;
class QProgressBar;
class QPushButton;

namespace vantoro {

struct DialogContext;

class BridgeStatusDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kRefreshTickMs = 100;
    static constexpr unsigned kRefreshTickLimit = 30;

    BridgeStatusDialog(DialogContext& context, QWidget* parent);

    // Fills every value field from the selected bridge's record.
    void ShowBridgeStatus();
    // The Refresh button: one status request, then the poll. Ignored while a refresh runs.
    void RefreshStatus();
    // One tick of the refresh poll (the timer's handler; tests call it directly).
    void OnRefreshTick();

    bool refreshReady() const { return refreshReady_; }
    const QTimer& refreshTimer() const { return refreshTimer_; }

private:
    void BuildControls();

    DialogContext& context_;
    bool refreshReady_ = true;
    BridgeText requestedBridge_;
    unsigned refreshTicks_ = 0;
    unsigned refreshPhase_ = 0;
    QTimer refreshTimer_;
    std::map<StatusField, QLabel*> values_;
    QProgressBar* signalBar_ = nullptr;
};

} // namespace vantoro
