#include "ui/main/MainWindow.h"

#include "config/Csv.h"
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

#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QSettings>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <optional>
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
constexpr int kExtraColumnWidth = 100; // the columns the template does not have
// Below the list, the help pane takes a quarter of the height the two share once the list has
// grown past the template's.
constexpr int kListStretch = 3;
constexpr int kHelpStretch = 1;
constexpr int kSettingsFormat = 1;
constexpr int kMaxColumnWidth = 4000;

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
    button->setAccessibleName(QString(text).remove(QLatin1Char('&')));
    // Enter on a focused button presses it (see MainWindow::eventFilter).
    button->installEventFilter(parent);
    return button;
}

// A cell of copied text: the row's columns are separated by tabs and the rows by line breaks.
QString CopiedCell(QString text) {
    for (QChar& c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            c = QLatin1Char(' ');
        }
    }
    return text;
}

// Whole numbers of a settings list, or nothing when it holds anything else.
std::optional<std::vector<int>> IntList(const QVariant& value, int low, int high) {
    std::vector<int> numbers;
    for (const QString& item : value.toStringList()) {
        bool ok = false;
        const int number = item.toInt(&ok);
        if (!ok || number < low || number > high) {
            return std::nullopt;
        }
        numbers.push_back(number);
    }
    return numbers;
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
    // minimised and maximised.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
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
    logo_->setAccessibleName(QStringLiteral("BRELLIX web site"));
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

    bridgeList_ = new BridgeListView(this);
    bridgeList_->setObjectName(QStringLiteral("bridgeList"));
    bridgeList_->setAccessibleName(QStringLiteral("Bridges"));
    bridgeList_->setModel(&listOrder_);
    bridgeList_->setRootIsDecorated(false);
    bridgeList_->setItemsExpandable(false);
    bridgeList_->setUniformRowHeights(true);
    bridgeList_->setAllColumnsShowFocus(true);
    bridgeList_->setSelectionMode(QAbstractItemView::SingleSelection);
    bridgeList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    bridgeList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The window sorts: the order cycles through descending back to arrival.
    bridgeList_->setSortingEnabled(false);
    QHeaderView* header = bridgeList_->header();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setSectionsMovable(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setStretchLastSection(true);
    connect(header, &QHeaderView::sectionClicked, this, &MainWindow::CycleSort);
    for (int column = kRowColumns; column < kListColumns; ++column) {
        bridgeList_->setColumnHidden(column, true);
    }
    // A right click on the rows does nothing; on the header it offers the columns.
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QHeaderView::customContextMenuRequested, this, [this](const QPoint& pos) {
        CreateColumnMenu()->exec(bridgeList_->header()->mapToGlobal(pos));
    });
    connect(bridgeList_, &BridgeListView::ColumnMenuRequested, this,
            [this](const QPoint& globalPos) { CreateColumnMenu()->exec(globalPos); });
    connect(bridgeList_, &BridgeListView::TextTyped, this, &MainWindow::OpenFilter);
    connect(bridgeList_, &BridgeListView::CopyRequested, this, &MainWindow::CopySelectedRow);
    // The selection stays visible when the list loses the focus.
    QPalette listPalette = bridgeList_->palette();
    listPalette.setColor(QPalette::Inactive, QPalette::Highlight,
                         listPalette.color(QPalette::Active, QPalette::Highlight));
    listPalette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                         listPalette.color(QPalette::Active, QPalette::HighlightedText));
    bridgeList_->setPalette(listPalette);
    bridgeList_->viewport()->installEventFilter(this);

    filterBar_ = new QWidget(this);
    filterBar_->setObjectName(QStringLiteral("filterBar"));
    auto* filterLabel = new QLabel(QStringLiteral("&Filter:"), filterBar_);
    filterEdit_ = new QLineEdit(filterBar_);
    filterEdit_->setObjectName(QStringLiteral("filterEdit"));
    filterEdit_->setAccessibleName(QStringLiteral("Filter"));
    filterLabel->setBuddy(filterEdit_);
    filterCount_ = new QLabel(filterBar_);
    filterCount_->setObjectName(QStringLiteral("filterCount"));
    filterCount_->setTextFormat(Qt::PlainText);
    auto* filterRow = new QHBoxLayout(filterBar_);
    filterRow->setContentsMargins(0, 0, 0, 0);
    filterRow->addWidget(filterLabel);
    filterRow->addWidget(filterEdit_, 1);
    filterRow->addWidget(filterCount_);
    filterBar_->hide();
    connect(filterEdit_, &QLineEdit::textChanged, this, [this](const QString& text) {
        listOrder_.setFilterText(text);
        UpdateFilterCount();
    });
    for (const auto signal :
         {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
        connect(&listOrder_, signal, this, &MainWindow::UpdateFilterCount);
    }
    connect(&listOrder_, &QAbstractItemModel::modelReset, this, &MainWindow::UpdateFilterCount);

    setColumnShown(0, true); // the filter learns which columns are shown

    unlistedNotice_ = new QLabel(this);
    unlistedNotice_->setObjectName(QStringLiteral("unlistedNotice"));
    unlistedNotice_->setTextFormat(Qt::PlainText);
    unlistedNotice_->setWordWrap(true);
    unlistedNotice_->hide();

    auto* progressLabel = new QLabel(QStringLiteral("Scan Progress:"), this);
    progressBar_ = new QProgressBar(this);
    progressBar_->setObjectName(QStringLiteral("scanProgress"));
    progressBar_->setAccessibleName(QStringLiteral("Scan Progress"));
    progressBar_->setTextVisible(false);
    progressLabel->setBuddy(progressBar_);

    helpGroup_ = new QGroupBox(QStringLiteral("Help"), this);
    helpGroup_->setObjectName(QStringLiteral("helpGroup"));
    helpGroup_->setAccessibleName(QStringLiteral("Help"));

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
    layout->addWidget(filterBar_);
    layout->addWidget(unlistedNotice_);
    layout->addWidget(bridgeList_, kListStretch);
    layout->addLayout(progress);
    layout->addWidget(helpGroup_, kHelpStretch);
    layout->addLayout(buttons);

    FitTemplateSize();
}

void MainWindow::FitTemplateSize() {
    const DialogUnits units(font());
    int columnsWidth = 0;
    for (int column = 0; column < kListColumns; ++column) {
        const int width =
            units.Pixels(column < kRowColumns ? kColumnWidths[size_t(column)] : kExtraColumnWidth);
        bridgeList_->setColumnWidth(column, width);
        columnsWidth += column < kRowColumns ? width : 0;
    }
    helpGroup_->setMinimumHeight(units.Y(kHelpGroupHeightDlu));

    // The window keeps the template's proportions but is never so narrow that the four columns
    // need a horizontal scroll bar.
    const QMargins margins = layout()->contentsMargins();
    const int listWidth = columnsWidth + 2 * bridgeList_->frameWidth() +
                          style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, bridgeList_);
    const QSize minimum = layout()->totalMinimumSize();
    const int width = std::max({units.X(kTemplateWidthDlu), minimum.width(),
                                listWidth + margins.left() + margins.right()});
    const int height = std::max(units.Y(kTemplateHeightDlu), minimum.height());
    setMinimumSize(width, height);
    resize(width, height);
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

    // Bridges that answer once the list is full are counted beside it.
    connect(&services_.transport, &Transport::DatagramReceived, this, [this] {
        if (listModel_.rowCount() == kBridgeTableSize) {
            OnUnlisted(scan_.unlistedBridges());
        }
    });
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
        AppendMenuW(menu, MF_STRING, kExportCommand, L"Export List...");
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
    if (msg->message == WM_SYSCOMMAND &&
        (msg->wParam & 0xFFF0) == static_cast<WPARAM>(kExportCommand)) {
        ExportList();
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
        menu->addAction(QStringLiteral("Export List..."), this, &MainWindow::ExportList);
    }
#endif
    return menu;
}

std::unique_ptr<QMenu> MainWindow::CreateColumnMenu() {
    auto menu = std::make_unique<QMenu>(this);
    menu->setObjectName(QStringLiteral("columnMenu"));
    int shown = 0;
    for (int column = 0; column < kListColumns; ++column) {
        shown += bridgeList_->isColumnHidden(column) ? 0 : 1;
    }
    for (int column = 0; column < kListColumns; ++column) {
        QAction* action = menu->addAction(
            listModel_.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
        action->setCheckable(true);
        action->setChecked(!bridgeList_->isColumnHidden(column));
        // The last column shown stays.
        action->setEnabled(shown > 1 || bridgeList_->isColumnHidden(column));
        connect(action, &QAction::toggled, this,
                [this, column](bool checked) { setColumnShown(column, checked); });
    }
    // The sort, for those who reach the header by keyboard.
    QMenu* sortMenu = menu->addMenu(QStringLiteral("&Sort By"));
    auto* group = new QActionGroup(sortMenu);
    for (int column = -1; column < kListColumns; ++column) {
        if (column >= 0 && bridgeList_->isColumnHidden(column)) {
            continue;
        }
        const QString name =
            column < 0 ? QStringLiteral("Arrival Order")
                       : listModel_.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        QAction* action = sortMenu->addAction(name);
        action->setCheckable(true);
        action->setChecked(column == sortColumn_);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, column] {
            if (column < 0) {
                sortColumn_ = -1;
                ApplySort();
            } else {
                CycleSort(column);
            }
        });
    }
    return menu;
}

void MainWindow::setColumnShown(int column, bool shown) {
    bridgeList_->setColumnHidden(column, !shown);
    std::vector<int> visible;
    for (int c = 0; c < kListColumns; ++c) {
        if (!bridgeList_->isColumnHidden(c)) {
            visible.push_back(c);
        }
    }
    listOrder_.setVisibleColumns(visible);
    UpdateFilterCount();
}

void MainWindow::CycleSort(int column) {
    if (column != sortColumn_) {
        sortColumn_ = column;
        sortOrder_ = Qt::AscendingOrder;
    } else if (sortOrder_ == Qt::AscendingOrder) {
        sortOrder_ = Qt::DescendingOrder;
    } else {
        sortColumn_ = -1;
    }
    ApplySort();
}

void MainWindow::ApplySort() {
    if (sortColumn_ < 0) {
        sortOrder_ = Qt::AscendingOrder;
    }
    bridgeList_->header()->setSortIndicator(sortColumn_, sortOrder_);
    listOrder_.sort(sortColumn_, sortOrder_);
}

void MainWindow::OpenFilter(const QString& typed) {
    filterBar_->show();
    if (!typed.isEmpty()) {
        filterEdit_->setText(filterEdit_->text() + typed);
    }
    filterEdit_->setFocus();
    filterEdit_->end(false);
    UpdateFilterCount();
}

void MainWindow::CloseFilter() {
    filterEdit_->clear();
    filterBar_->hide();
    bridgeList_->setFocus();
}

void MainWindow::UpdateFilterCount() {
    if (filterBar_->isVisible()) {
        filterCount_->setText(QStringLiteral("%1 of %2 bridges")
                                  .arg(listOrder_.rowCount())
                                  .arg(listModel_.rowCount()));
    }
}

void MainWindow::OnUnlisted(int count) {
    unlistedNotice_->setText(
        QStringLiteral("The list is full: %1 more bridges answered and are not listed.")
            .arg(count));
    unlistedNotice_->setVisible(count > 0);
}

void MainWindow::CopySelectedRow() {
    const int record = selectionMark();
    if (record < 0) {
        return;
    }
    QStringList cells;
    const QHeaderView* header = bridgeList_->header();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        if (!header->isSectionHidden(column)) {
            cells << CopiedCell(listModel_.text(record, column));
        }
    }
    QGuiApplication::clipboard()->setText(cells.join(QLatin1Char('\t')));
}

void MainWindow::ExportList() {
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Export List"), QStringLiteral("bridges.csv"),
        QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (!path.isEmpty()) {
        ExportListTo(path);
    }
}

bool MainWindow::ExportListTo(const QString& path) {
    QByteArray csv = CsvRecord(BridgeCsvHeader(false));
    // The rows as the list shows them: in its order, and only those the filter lets through.
    for (int row = 0; row < listOrder_.rowCount(); ++row) {
        const int record = listOrder_.recordAt(listOrder_.index(row, 0));
        csv += CsvRecord(BridgeCsvFields(scan_.table().records[size_t(record)],
                                         listModel_.text(record, ListModel), false));
    }
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(csv) == csv.size() && file.commit()) {
        return true;
    }
    services_.messages.Show(this, QStringLiteral("The list could not be written to %1: %2")
                                      .arg(QDir::toNativeSeparators(path), file.errorString()));
    return false;
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

void MainWindow::setSettingsFile(const QString& file) {
    settingsFile_ = file;
    LoadSettings();
}

void MainWindow::StartScan() {
    scan_.StartScan();
}

void MainWindow::OnScanStarted() {
    listModel_.Clear();
    OnUnlisted(0);
    setBridgeCommandsEnabled(false);
}

void MainWindow::OnRowAdded(int index, const RowText& row) {
    // Rows are appended in the order the table is filled, so a row of the model is its record.
    if (index != listModel_.rowCount()) {
        return;
    }
    listModel_.setRow(index, scan_.table().records[size_t(index)], row);
    // The new row takes the focus mark, not the selection, and the view stays where the user
    // has it: a list that jumped to every new row would move the rows under the pointer.
    const QModelIndex shown = listOrder_.mapFromSource(listModel_.index(index, 0));
    if (shown.isValid()) {
        bridgeList_->MarkCurrent(shown);
    }
}

void MainWindow::OnRowUpdated(int index, const RowText& row) {
    if (index < listModel_.rowCount()) {
        listModel_.setRow(index, scan_.table().records[size_t(index)], row);
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
        const int record = listOrder_.recordAt(bridgeList_->indexAt(QPoint(0, viewportPos.y())));
        if (record >= 0) {
            ipAddress = listModel_.text(record, ListIpAddress);
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
    const QModelIndexList selected = bridgeList_->selectionModel()->selectedRows();
    return selected.size() == 1 ? listOrder_.recordAt(selected.front()) : -1;
}

int MainWindow::selectedCount() const {
    return int(bridgeList_->selectionModel()->selectedRows().size());
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
    const QString address = listModel_.text(selectionMark(), ListIpAddress);
    if (!address.isEmpty()) {
        services_.platform.StartBrowserOnBridge(address);
    }
}

void MainWindow::OnClose() {
    SaveSettings();
    services_.exitProcess(0);
}

void MainWindow::OpenMakerSite() {
    services_.platform.StartBrowser(QString::fromLatin1(kMakerSite));
}

void MainWindow::accept() {}

void MainWindow::done(int result) {
    SaveSettings();
    QDialog::done(result);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept(); // a focused button took its own Enter already
        return;
    }
    if (event->matches(QKeySequence::Find)) {
        OpenFilter();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && filterBar_->isVisible()) {
        CloseFilter();
        event->accept();
        return;
    }
    // Escape takes the dialog's normal cancel action: the window ends, and with it the program.
    QDialog::keyPressEvent(event);
}

void MainWindow::SaveSettings() {
    if (settingsFile_.isEmpty()) {
        return;
    }
    if (QSettings(settingsFile_, QSettings::IniFormat).status() != QSettings::NoError) {
        QFile::remove(settingsFile_); // unreadable: QSettings would never write over it
    }
    QSettings settings(settingsFile_, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("MainWindow"));
    settings.setValue(QStringLiteral("format"), kSettingsFormat);
    settings.setValue(QStringLiteral("geometry"), saveGeometry());
    QStringList widths;
    QStringList hidden;
    for (int column = 0; column < kListColumns; ++column) {
        const bool isHidden = bridgeList_->isColumnHidden(column);
        widths << QString::number(isHidden ? 0 : bridgeList_->columnWidth(column));
        if (isHidden) {
            hidden << QString::number(column);
        }
    }
    settings.setValue(QStringLiteral("columnWidths"), widths);
    settings.setValue(QStringLiteral("hiddenColumns"), hidden);
    settings.setValue(QStringLiteral("sortColumn"), sortColumn_);
    settings.setValue(QStringLiteral("sortDescending"), sortOrder_ == Qt::DescendingOrder);
    settings.endGroup();
    settings.sync();
}

void MainWindow::LoadSettings() {
    if (settingsFile_.isEmpty()) {
        return;
    }
    QSettings settings(settingsFile_, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("MainWindow"));
    // A file that does not read, or that is not ours, is left as it is and not used.
    if (settings.status() != QSettings::NoError ||
        settings.value(QStringLiteral("format")).toString() != QString::number(kSettingsFormat)) {
        return;
    }
    restoreGeometry(settings.value(QStringLiteral("geometry")).toByteArray());
    const std::optional<std::vector<int>> hidden =
        IntList(settings.value(QStringLiteral("hiddenColumns")), 0, kListColumns - 1);
    if (hidden && int(hidden->size()) < kListColumns) {
        for (int column = 0; column < kListColumns; ++column) {
            setColumnShown(column,
                           std::find(hidden->begin(), hidden->end(), column) == hidden->end());
        }
    }
    const std::optional<std::vector<int>> widths =
        IntList(settings.value(QStringLiteral("columnWidths")), 0, kMaxColumnWidth);
    if (widths && int(widths->size()) == kListColumns) {
        for (int column = 0; column < kListColumns; ++column) {
            if ((*widths)[size_t(column)] > 0) {
                bridgeList_->setColumnWidth(column, (*widths)[size_t(column)]);
            }
        }
    }
    bool ok = false;
    const int sortColumn = settings.value(QStringLiteral("sortColumn")).toInt(&ok);
    if (ok && sortColumn >= -1 && sortColumn < kListColumns) {
        sortColumn_ = sortColumn;
        sortOrder_ = settings.value(QStringLiteral("sortDescending")).toBool() ? Qt::DescendingOrder
                                                                               : Qt::AscendingOrder;
        ApplySort();
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == bridgeList_->viewport()) {
        return FilterListEvent(event);
    }
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        auto* button = qobject_cast<QPushButton*>(watched);
        if (button != nullptr && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            button->click();
            return true;
        }
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
