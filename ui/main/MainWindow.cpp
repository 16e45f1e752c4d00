#include "ui/main/MainWindow.h"

#include "config/Strings.h"
#include "config/Version.h"
#include "platform/AddressEntries.h"
#include "platform/Platform.h"
#include "ui/config/ConnectionSettingsDialog.h"
#include "ui/config/IpSettingDialog.h"
#include "ui/controls/HelpPane.h"
#include "ui/controls/MessageBox.h"
#include "ui/main/AboutDialog.h"
#include "ui/main/Artwork.h"
#include "ui/status/BridgeStatusDialog.h"

#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <utility>

#ifdef Q_OS_WIN
#ifndef NOMINMAX // MinGW's standard library defines it already
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace vantoro {

namespace {

// The window was drawn in dialog units for an 8-point font whose average character is 6 pixels
// wide; sizes follow the font the platform actually uses.
constexpr int kTemplateWidthDlu = 330;
constexpr int kTemplateHeightDlu = 274;
constexpr int kHelpGroupHeightDlu = 103;
constexpr double kTemplateBaseUnitX = 6.0;

struct DialogUnits {
    double baseX = kTemplateBaseUnitX;
    double baseY = 13.0;

    explicit DialogUnits(const QFont& font) {
        const QFontMetricsF metrics(font);
        baseX = metrics.horizontalAdvance(
                    QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                52.0;
        baseY = metrics.height();
    }
    int X(int dlu) const { return qRound(dlu * baseX / 4.0); }
    int Y(int dlu) const { return qRound(dlu * baseY / 8.0); }
    // Pixel sizes of the template (the list's columns) grow with the font, never shrink.
    int Pixels(int templatePixels) const {
        return qRound(templatePixels * std::max(1.0, baseX / kTemplateBaseUnitX));
    }
};

QPushButton* MakeButton(const QString& text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    // No button is the default: Enter on the list or the window does nothing.
    button->setAutoDefault(false);
    return button;
}

} // namespace

MainWindow::MainWindow(MainWindowServices services, QWidget* parent)
    : QDialog(parent), services_(std::move(services)),
      scan_(services_.transport), dialogContext_{[this] { return SelectedBridge(); },
                                                 [this](const QByteArray& request) {
                                                     const Bridge* bridge = SelectedBridge();
                                                     services_.transport.SendRequest(
                                                         request, bridge != nullptr
                                                                      ? bridge->arrivedOn
                                                                      : InterfaceId{});
                                                 },
                                                 [this] { return scan_.replyArrived(); },
                                                 [this] { scan_.setReplyArrived(false); },
                                                 [this] { StartScan(); },
                                                 login_,
                                                 currentRegionCode_,
                                                 services_.messages,
                                                 services_.platform} {
    setWindowTitle(QStringLiteral("BRELLIX Vantoro"));
    // A top-level window rather than a transient dialog, so it has a task bar entry and can be
    // minimised; a dialog frame, so it cannot be resized or maximised.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(ProgramIcon());
    BuildControls();

    connect(&scan_, &DiscoveryScan::ScanStarted, this, &MainWindow::OnScanStarted);
    connect(&scan_, &DiscoveryScan::RowAdded, this, &MainWindow::OnRowAdded);
    connect(&scan_, &DiscoveryScan::RowUpdated, this, &MainWindow::OnRowUpdated);
    connect(&scan_, &DiscoveryScan::ProgressChanged, this, &MainWindow::OnProgressChanged);
    connect(&scan_, &DiscoveryScan::ReceiveFailed, this, &MainWindow::OnReceiveFailed);
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildControls() {
    logo_ = new QLabel(this);
    logo_->setObjectName(QStringLiteral("makerLogo"));
    logo_->setPixmap(MakerLogo().pixmap(kLogoSize, devicePixelRatioF()));
    logo_->setFixedSize(kLogoSize);
    logo_->setCursor(Qt::PointingHandCursor);
    logo_->installEventFilter(this);

    auto* version =
        new QLabel(QStringLiteral("Version: %1").arg(QLatin1String(kVersionText)), this);
    version->setObjectName(QStringLiteral("versionLabel"));
    version->setAlignment(Qt::AlignRight | Qt::AlignBottom);

    // Not one of the program's own texts: only says that the bridges are not real.
    demoMarker_ = new QLabel(QStringLiteral("Demo LAN \u2014 simulated bridges"), this);
    demoMarker_->setObjectName(QStringLiteral("demoMarker"));
    demoMarker_->setAlignment(Qt::AlignRight | Qt::AlignBottom);
    QFont markerFont = demoMarker_->font();
    markerFont.setItalic(true);
    demoMarker_->setFont(markerFont);
    QPalette markerPalette = demoMarker_->palette();
    markerPalette.setColor(QPalette::WindowText, QColor(0xb0, 0x5a, 0x00));
    demoMarker_->setPalette(markerPalette);
    demoMarker_->hide();

    bridgeList_ = new QTreeWidget(this);
    bridgeList_->setObjectName(QStringLiteral("bridgeList"));
    bridgeList_->setColumnCount(kRowColumns);
    bridgeList_->setHeaderLabels({QStringLiteral("Device Name"), QStringLiteral("Brellix Model"),
                                  QStringLiteral("IP Address"), QStringLiteral("MAC Address")});
    bridgeList_->setRootIsDecorated(false);
    bridgeList_->setItemsExpandable(false);
    bridgeList_->setUniformRowHeights(true);
    bridgeList_->setAllColumnsShowFocus(true);
    bridgeList_->setSelectionMode(QAbstractItemView::SingleSelection);
    bridgeList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    bridgeList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Row index is record index: the list is never sorted or reordered.
    bridgeList_->setSortingEnabled(false);
    bridgeList_->header()->setSectionsClickable(false);
    bridgeList_->header()->setSectionsMovable(false);
    bridgeList_->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    bridgeList_->header()->setStretchLastSection(true);
    // A right click on the list does nothing, and opens no menu of the window either.
    bridgeList_->setContextMenuPolicy(Qt::PreventContextMenu);
    bridgeList_->header()->setContextMenuPolicy(Qt::PreventContextMenu);
    // The selection stays visible when the list loses the focus.
    QPalette listPalette = bridgeList_->palette();
    listPalette.setColor(QPalette::Inactive, QPalette::Highlight,
                         listPalette.color(QPalette::Active, QPalette::Highlight));
    listPalette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                         listPalette.color(QPalette::Active, QPalette::HighlightedText));
    bridgeList_->setPalette(listPalette);
    bridgeList_->viewport()->installEventFilter(this);

    auto* progressLabel = new QLabel(QStringLiteral("Scan Progress:"), this);
    progressBar_ = new QProgressBar(this);
    progressBar_->setObjectName(QStringLiteral("scanProgress"));
    progressBar_->setTextVisible(false);
    progressLabel->setBuddy(progressBar_);

    helpGroup_ = new QGroupBox(QStringLiteral("Help"), this);
    helpGroup_->setObjectName(QStringLiteral("helpGroup"));

    scanButton_ = MakeButton(QStringLiteral("Scan"), "scanButton", this);
    statusButton_ = MakeButton(QStringLiteral("Status"), "statusButton", this);
    connectionSettingsButton_ =
        MakeButton(QStringLiteral("Connection Settings"), "connectionSettingsButton", this);
    advancedSettingsButton_ =
        MakeButton(QStringLiteral("Advanced Settings"), "advancedSettingsButton", this);
    closeButton_ = MakeButton(QStringLiteral("Close"), "closeButton", this);
    connect(scanButton_, &QPushButton::clicked, this, &MainWindow::StartScan);
    connect(statusButton_, &QPushButton::clicked, this, &MainWindow::OnStatus);
    connect(connectionSettingsButton_, &QPushButton::clicked, this,
            &MainWindow::OnConnectionSettings);
    connect(advancedSettingsButton_, &QPushButton::clicked, this, &MainWindow::OnAdvancedSettings);
    connect(closeButton_, &QPushButton::clicked, this, &MainWindow::OnClose);
    // Nothing may open a dialog on the table before a row has been clicked.
    setBridgeCommandsEnabled(false);

    auto* versionColumn = new QVBoxLayout;
    versionColumn->addStretch(1);
    versionColumn->addWidget(version);
    versionColumn->addWidget(demoMarker_);

    auto* top = new QHBoxLayout;
    top->addWidget(logo_, 0, Qt::AlignLeft | Qt::AlignVCenter);
    top->addStretch(1);
    top->addLayout(versionColumn);

    auto* progress = new QHBoxLayout;
    progress->addWidget(progressLabel);
    progress->addWidget(progressBar_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(scanButton_);
    buttons->addWidget(statusButton_);
    buttons->addWidget(connectionSettingsButton_);
    buttons->addWidget(advancedSettingsButton_);
    buttons->addStretch(1);
    buttons->addWidget(closeButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(bridgeList_, 1);
    layout->addLayout(progress);
    layout->addWidget(helpGroup_);
    layout->addLayout(buttons);

    FitTemplateSize();
}

void MainWindow::FitTemplateSize() {
    const DialogUnits units(font());
    int columnsWidth = 0;
    for (int column = 0; column < kRowColumns; ++column) {
        const int width = units.Pixels(kColumnWidths[size_t(column)]);
        bridgeList_->setColumnWidth(column, width);
        columnsWidth += width;
    }
    helpGroup_->setFixedHeight(units.Y(kHelpGroupHeightDlu));

    // The window keeps the template's proportions but is never so narrow that the four columns
    // need a horizontal scroll bar.
    const QMargins margins = layout()->contentsMargins();
    const int listWidth = columnsWidth + 2 * bridgeList_->frameWidth() +
                          style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, bridgeList_);
    const QSize minimum = layout()->totalMinimumSize();
    const int width = std::max({units.X(kTemplateWidthDlu), minimum.width(),
                                listWidth + margins.left() + margins.right()});
    const int height = std::max(units.Y(kTemplateHeightDlu), minimum.height());
    setFixedSize(width, height);
}

bool MainWindow::OnInitDialog() {
    // The system menu entry (or, elsewhere, the context menu entry) of the about box.
    AddAboutToSystemMenu();

    progressBar_->setRange(0, DiscoveryScan::kProgressMax);
    progressBar_->setValue(0);

    const SetupStatus status = scan_.SetUp();
    if (status == SetupStatus::BindFailed) {
        // Another copy of the program holds the port: this one ends quietly.
        std::fprintf(stderr, "vantoro: UDP port %u is in use; is the program already running?\n",
                     unsigned(kManagementPort));
        services_.exitProcess(0);
        return false;
    }
    if (status != SetupStatus::Ok) {
        // The window stays open without scanning; the bridge commands stay disabled, so no
        // dialog can read the table.
        services_.messages.Show(this, SetupErrorText(status));
        return true;
    }

    // The bridge commands are disabled since construction; a row click enables them. The login
    // state starts as required.
    helpPane_ = LoadHelpFile(helpGroup_, QStringLiteral("Networks.rtf"));
    scan_.Begin();
    // Start on Scan rather than in the list, where the focus mark of the newest row would read
    // as a selection.
    scanButton_->setFocus();
    return true;
}

void MainWindow::AddAboutToSystemMenu() {
#ifdef Q_OS_WIN
    const QString text = TableString(kStringAboutMenu);
    if (text.isEmpty()) {
        return;
    }
    HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    if (menu != nullptr) {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, kAboutCommand, reinterpret_cast<LPCWSTR>(text.utf16()));
    }
#endif
}

#ifdef Q_OS_WIN
bool MainWindow::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message == WM_SYSCOMMAND &&
        (msg->wParam & 0xFFF0) == static_cast<WPARAM>(kAboutCommand)) {
        ShowAboutBox();
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#endif

std::unique_ptr<QMenu> MainWindow::CreateContextMenu() {
    auto menu = std::make_unique<QMenu>(this);
#ifndef Q_OS_WIN
    // Where the window's system menu takes no entries of the program, the window's own context
    // menu carries the about box.
    const QString text = TableString(kStringAboutMenu);
    if (!text.isEmpty()) {
        menu->addAction(text, this, &MainWindow::ShowAboutBox);
    }
#endif
    return menu;
}

void MainWindow::contextMenuEvent(QContextMenuEvent* event) {
    std::unique_ptr<QMenu> menu = CreateContextMenu();
    if (!menu->isEmpty()) {
        menu->exec(event->globalPos());
    }
    event->accept();
}

void MainWindow::ShowAboutBox() {
    AboutDialog about(this);
    about.exec();
}

void MainWindow::setDemoMode(bool demo) {
    demoMarker_->setVisible(demo);
}

void MainWindow::StartScan() {
    scan_.StartScan();
}

void MainWindow::OnScanStarted() {
    bridgeList_->clear();
    setBridgeCommandsEnabled(false);
}

void MainWindow::OnRowAdded(int index, const RowText& row) {
    // Rows are appended in the order the table is filled, so row index and record index agree.
    if (index != bridgeList_->topLevelItemCount()) {
        return;
    }
    auto* item = new QTreeWidgetItem(bridgeList_);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    for (int column = 0; column < kRowColumns; ++column) {
        item->setText(column, row[size_t(column)].toQString());
    }
    // The new row takes the focus mark, not the selection, and the view stays where the user
    // has it: a list that jumped to every new row would move the rows under the pointer.
    QScrollBar* scrollBar = bridgeList_->verticalScrollBar();
    const int scrolledTo = scrollBar->value();
    bridgeList_->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
    scrollBar->setValue(scrolledTo);
}

void MainWindow::OnRowUpdated(int index, const RowText& row) {
    QTreeWidgetItem* item = bridgeList_->topLevelItem(index);
    if (item == nullptr) {
        return;
    }
    for (int column = 0; column < kRowColumns; ++column) {
        item->setText(column, row[size_t(column)].toQString());
    }
}

void MainWindow::OnProgressChanged(int value) {
    progressBar_->setValue(value);
}

void MainWindow::OnReceiveFailed() {
    // The message box runs an event loop of its own; shown from here it would let later replies
    // be listed before the ones delivered together with the error. It waits for the batch.
    if (pendingReceiveErrors_++ == 0) {
        QMetaObject::invokeMethod(this, &MainWindow::ShowReceiveError, Qt::QueuedConnection);
    }
}

void MainWindow::ShowReceiveError() {
    while (pendingReceiveErrors_ > 0) {
        --pendingReceiveErrors_;
        services_.messages.Show(this, QStringLiteral("Socket read error"));
    }
}

void MainWindow::OnListClick(const QPoint& viewportPos) {
    // The row under the pointer counts, whichever column was hit; outside the rows reads empty.
    QString ipAddress;
    if (bridgeList_->viewport()->rect().contains(viewportPos)) {
        const QModelIndex index = bridgeList_->indexAt(QPoint(0, viewportPos.y()));
        if (const QTreeWidgetItem* item = bridgeList_->itemFromIndex(index)) {
            ipAddress = item->text(ColumnIpAddress);
        }
    }
    setBridgeCommandsEnabled(!ipAddress.isEmpty());
}

void MainWindow::setBridgeCommandsEnabled(bool enabled) {
    statusButton_->setEnabled(enabled);
    connectionSettingsButton_->setEnabled(enabled);
    advancedSettingsButton_->setEnabled(enabled);
}

int MainWindow::selectionMark() const {
    const QList<QTreeWidgetItem*> selected = bridgeList_->selectedItems();
    return selected.size() == 1 ? bridgeList_->indexOfTopLevelItem(selected.front()) : -1;
}

int MainWindow::selectedCount() const {
    return int(bridgeList_->selectedItems().size());
}

Bridge* MainWindow::SelectedBridge() {
    const int index = selectionMark();
    if (index < 0 || index >= scan_.rowCount()) {
        return nullptr;
    }
    return &scan_.table().records[size_t(index)];
}

void MainWindow::OnStatus() {
    if (SelectedBridge() == nullptr) {
        return;
    }
    BridgeStatusDialog dialog(dialogContext_, this);
    dialog.exec();
}

void MainWindow::OnConnectionSettings() {
    if (selectedCount() != 1 || selectionMark() < 0) {
        return;
    }
    ConnectionSettingsDialog dialog(dialogContext_, this);
    dialog.exec();
}

void MainWindow::OnAdvancedSettings() {
    const Bridge* bridge = SelectedBridge();
    if (bridge == nullptr) {
        return;
    }
    const std::optional<QList<PcAddressEntry>> entries =
        AddressEntries<PcAddressEntry>(services_.platform.Adapters());
    if (!entries) {
        return; // the list overflowed its buffer
    }
    // A list that cannot be read at all holds no entry, so the offer below is the way on.
    if (IsOnPcSubnet(bridge->ipAddress.view(), bridge->subnetMask.view(), *entries)) {
        OpenBridgeWebPages();
        return;
    }
    const QMessageBox::StandardButton answer =
        services_.messages.Show(this, TableString(kStringNotInSubnet), MessageCaption(),
                                QMessageBox::Information, QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes) {
        IpSettingDialog dialog(dialogContext_, this);
        dialog.exec();
    }
}

void MainWindow::OpenBridgeWebPages() {
    if (selectedCount() != 1 || selectionMark() < 0) {
        return;
    }
    const QTreeWidgetItem* row = bridgeList_->topLevelItem(selectionMark());
    const QString address = row == nullptr ? QString() : row->text(ColumnIpAddress);
    if (!address.isEmpty()) {
        services_.platform.StartBrowserOnBridge(address);
    }
}

void MainWindow::OnClose() {
    services_.exitProcess(0);
}

void MainWindow::OpenMakerSite() {
    services_.platform.StartBrowser(QString::fromLatin1(kMakerSite));
}

void MainWindow::accept() {}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    // Escape takes the dialog's normal cancel action: the window ends, and with it the program.
    QDialog::keyPressEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == bridgeList_->viewport()) {
        return FilterListEvent(event);
    }
    if (watched == logo_ && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            logo_->rect().contains(mouse->position().toPoint())) {
            OpenMakerSite();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool MainWindow::FilterListEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) {
            // A right (or middle) click does nothing at all, not even select.
            return true;
        }
        if (event->type() == QEvent::MouseButtonPress) {
            skipNextRelease_ = false;
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            // The first click of the pair has been handled; the second opens nothing.
            skipNextRelease_ = true;
        } else if (event->type() == QEvent::MouseButtonRelease) {
            if (skipNextRelease_) {
                skipNextRelease_ = false;
            } else {
                OnListClick(mouse->position().toPoint());
            }
        }
        return false;
    }
    default:
        return false;
    }
}

} // namespace vantoro
