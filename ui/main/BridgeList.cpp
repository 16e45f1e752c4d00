#include "ui/main/BridgeList.h"

#include "config/Ipv4.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <algorithm>

namespace vantoro {

namespace {

const std::array<const char*, kListColumns> kHeaders{"Device Name",  "Brellix Model", "IP Address",
                                                     "MAC Address",  "Version",       "IP Source",
                                                     "Network Name", "Interface"};

} // namespace

int BridgeListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int BridgeListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kListColumns;
}

QVariant BridgeListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)) {
        return {};
    }
    return text(index.row(), index.column());
}

QVariant BridgeListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kListColumns) {
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
        return QString::fromLatin1(kHeaders[size_t(section)]);
    }
    if (role == Qt::TextAlignmentRole) {
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    }
    return {};
}

void BridgeListModel::Clear() {
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void BridgeListModel::setRow(int index, const Bridge& bridge, const RowText& row) {
    if (index < 0 || index > int(rows_.size())) {
        return;
    }
    Row texts;
    for (int column = 0; column < kRowColumns; ++column) {
        texts.texts[size_t(column)] = row[size_t(column)].toQString();
    }
    texts.texts[ListVersion] = bridge.version.toQString();
    texts.texts[ListIpSource] =
        bridge.ipMode == "dhcp" ? QStringLiteral("DHCP") : QStringLiteral("Fixed");
    texts.texts[ListNetworkName] = bridge.ssid.toQString();
    texts.texts[ListInterface] = bridge.arrivedOn.name;
    const std::optional<quint32> address = ParseIpv4(row[ColumnIpAddress].view());
    texts.addressKey = address ? (quint64(1) << 32) | *address : 0;

    if (index == int(rows_.size())) {
        beginInsertRows({}, index, index);
        rows_.push_back(std::move(texts));
        endInsertRows();
        return;
    }
    rows_[size_t(index)] = std::move(texts);
    Q_EMIT dataChanged(this->index(index, 0), this->index(index, kListColumns - 1),
                       {Qt::DisplayRole});
}

BridgeListOrder::BridgeListOrder(BridgeListModel& source, QObject* parent)
    : QSortFilterProxyModel(parent), source_(source) {
    setSourceModel(&source_);
    setDynamicSortFilter(true);
    for (int column = 0; column < kListColumns; ++column) {
        visibleColumns_.push_back(column);
    }
}

void BridgeListOrder::setFilterText(const QString& text) {
    if (text == filter_) {
        return;
    }
    filter_ = text;
    invalidateRowsFilter();
}

void BridgeListOrder::setVisibleColumns(const std::vector<int>& columns) {
    visibleColumns_ = columns;
    invalidateRowsFilter();
}

int BridgeListOrder::recordAt(const QModelIndex& index) const {
    return index.isValid() ? mapToSource(index).row() : -1;
}

bool BridgeListOrder::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    const int a = left.row();
    const int b = right.row();
    const int column = left.column();
    if (column == ListIpAddress) {
        const quint64 keyA = source_.addressKey(a);
        const quint64 keyB = source_.addressKey(b);
        if (keyA != keyB) {
            return keyA < keyB;
        }
    }
    const int order =
        QString::compare(source_.text(a, column), source_.text(b, column), Qt::CaseInsensitive);
    return order != 0 ? order < 0 : a < b;
}

bool BridgeListOrder::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    if (filter_.isEmpty()) {
        return true;
    }
    return std::any_of(visibleColumns_.begin(), visibleColumns_.end(), [&](int column) {
        return source_.text(sourceRow, column).contains(filter_, Qt::CaseInsensitive);
    });
}

void BridgeListView::MarkCurrent(const QModelIndex& index) {
    // Unannounced, the view neither scrolls to the row nor lays out the whole list to repaint
    // it, which for a burst of rows would be once per row; the rows' arrival repaints the list.
    const QSignalBlocker quiet(selectionModel());
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

void BridgeListView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        Q_EMIT CopyRequested();
        event->accept();
        return;
    }
    const QString text = event->text();
    const bool typed =
        !text.isEmpty() && text.front().isPrint() && !text.front().isSpace() &&
        (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) == 0;
    if (typed) {
        Q_EMIT TextTyped(text);
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void BridgeListView::contextMenuEvent(QContextMenuEvent* event) {
    // The rows have no menu; from the keyboard, the list offers the header's.
    if (event->reason() == QContextMenuEvent::Keyboard) {
        Q_EMIT ColumnMenuRequested(header()->mapToGlobal(QPoint(0, header()->height())));
    }
    event->accept();
}

} // namespace vantoro
