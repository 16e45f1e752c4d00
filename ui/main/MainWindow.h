#pragma once

// The program's main window: the bridge list that the discovery scan fills, the scan progress,
// the help text, and the commands on the bridge selected in the list. Its end is the program's
// end.

#include "config/Login.h"
#include "config/Regions.h"
#include "protocol/DiscoveryScan.h"
#include "ui/config/DialogContext.h"
#include "ui/main/BridgeList.h"

#include <QDialog>
#include <array>
#include <functional>
#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;

namespace vantoro {

class HelpPane;
class MessageBoxes;
class Platform;

inline constexpr std::array<int, kRowColumns> kColumnWidths{122, 120, 110, 130};
inline constexpr const char* kMakerSite = "http://www.brellix.example/";

// What the window works with: the program passes the real ones, tests fakes.
struct MainWindowServices {
    Transport& transport;
    MessageBoxes& messages;
    Platform& platform;
    // Ends the process at once with the given exit status (Close, a taken listening port).
    std::function<void(int)> exitProcess;
};

class MainWindow : public QDialog {
    Q_OBJECT
public:
    // System menu command of the about box entry.
    static constexpr int kAboutCommand = 16;
    static constexpr int kExportCommand = 32;

    explicit MainWindow(MainWindowServices services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The window's initialisation: sockets, help text and the first scan. Returns false when
    // the process is to end instead (the listening port is taken): the window is not shown then.
    bool OnInitDialog();

    // Scan button; also the way the configuration dialogs rescan after a change.
    void StartScan();
    // A left click on the list at a position of its viewport.
    void OnListClick(const QPoint& viewportPos);
    // Click on the maker's logo.
    void OpenMakerSite();
    // The selected row's web pages, when the PC shares its subnet.
    void OpenBridgeWebPages();
    // Runs the about box modally.
    void ShowAboutBox();
    // The window's context menu: the about box and export entries.
    std::unique_ptr<QMenu> CreateContextMenu();
    // The header's menu: which columns are shown, and the sort.
    std::unique_ptr<QMenu> CreateColumnMenu();
    // A header click: sorted by that column, then reversed, then back in arrival order.
    void CycleSort(int column);
    // Asks for a file and writes the listed rows to it as CSV; ExportListTo writes without
    // asking and tells whether it could.
    void ExportList();
    bool ExportListTo(const QString& path);
    // The selected row's shown columns, tab-separated, to the clipboard.
    void CopySelectedRow();
    // The filter above the list; typed is added to its text.
    void OpenFilter(const QString& typed = {});
    void CloseFilter();
    void SaveSettings();
    // Marks the window as working over the simulated demo LAN.
    void setDemoMode(bool demo);
    // The file that keeps the window's size, place, columns and sort between runs, read now;
    // without one nothing is kept.
    void setSettingsFile(const QString& file);

    // The scan timer's tick and the end of the login grace (the timers' handlers; tests call
    // them instead of waiting).
    void OnScanTick() { scan_.OnScanTick(); }
    void OnLoginGraceExpired() { login_.OnGraceExpired(); }

    // Read-only views for the front end's own checks and tests.
    const DiscoveryScan& scan() const { return scan_; }
    const LoginState& login() const { return login_; }
    std::string_view currentRegionCode() const { return currentRegionCode_.view(); }
    // The record index of the selected row (whatever its place in the list); -1 when none.
    int selectionMark() const;
    int selectedCount() const;
    // What the bridge dialogs get of the window.
    DialogContext& dialogContext() { return dialogContext_; }

public Q_SLOTS:
    // The dialog's OK action (the Enter key) does nothing.
    void accept() override;
    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

private:
    void BuildControls();
    void FitTemplateSize();
    void AddAboutToSystemMenu();
    bool FilterListEvent(QEvent* event);
    void LoadSettings();
    void ApplySort();
    void setColumnShown(int column, bool shown);
    void UpdateFilterCount();
    void OnUnlisted(int count);

    // The commands on the selected bridge. Their dialogs open here.
    void OnStatus();
    void OnConnectionSettings();
    void OnAdvancedSettings();
    void OnClose();

    void OnScanStarted();
    void OnRowAdded(int index, const RowText& row);
    void OnRowUpdated(int index, const RowText& row);
    void OnProgressChanged(int value);
    void OnReceiveFailed();
    void ShowReceiveError();
    Bridge* SelectedBridge();
    void setBridgeCommandsEnabled(bool enabled);

    MainWindowServices services_;
    QString settingsFile_;
    DiscoveryScan scan_;
    HelpPane* helpPane_ = nullptr; // lies over the "Help" group once the help text is loaded
    LoginState login_;
    RegionCodeText currentRegionCode_;
    DialogContext dialogContext_;
    int pendingReceiveErrors_ = 0;
    bool skipNextRelease_ = false; // the release that ends a double click is no new click

    QLabel* logo_ = nullptr;
    QLabel* demoMarker_ = nullptr;
    BridgeListModel listModel_;
    BridgeListOrder listOrder_{listModel_};
    int sortColumn_ = -1; // -1: arrival order
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    BridgeListView* bridgeList_ = nullptr;
    QWidget* filterBar_ = nullptr;
    QLineEdit* filterEdit_ = nullptr;
    QLabel* filterCount_ = nullptr;
    QLabel* unlistedNotice_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QGroupBox* helpGroup_ = nullptr;
    QPushButton* scanButton_ = nullptr;
    QPushButton* statusButton_ = nullptr;
    QPushButton* connectionSettingsButton_ = nullptr;
    QPushButton* advancedSettingsButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
};

} // namespace vantoro
