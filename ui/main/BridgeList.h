#pragma once

// The bridge list behind the main window's view: one row per listed record, in the order the
// table was filled, so a row of this model is the index of its record. The view shows it through
// BridgeListOrder, which sorts and filters; a row of the view is never a record index.

#include "protocol/Bridge.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QTreeView>
#include <array>
#include <vector>

namespace vantoro {

// The four columns of the table's rows come first, in the order of RowColumn.
enum ListColumn {
    ListDeviceName = ColumnDeviceName,
    ListModel = ColumnModel,
    ListIpAddress = ColumnIpAddress,
    ListMacAddress = ColumnMacAddress,
    ListVersion,
    ListIpSource,
    ListNetworkName,
    ListInterface,
};
inline constexpr int kListColumns = 8;

class BridgeListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void Clear();
    // The row of record index, which is rowCount() for a new one; row holds the list texts.
    void setRow(int index, const Bridge& bridge, const RowText& row);
    const QString& text(int record, int column) const {
        return rows_[size_t(record)].texts[size_t(column)];
    }
    // Dotted-decimal addresses by value, after every text that is none.
    quint64 addressKey(int record) const { return rows_[size_t(record)].addressKey; }

private:
    struct Row {
        std::array<QString, kListColumns> texts;
        quint64 addressKey = 0;
    };
    std::vector<Row> rows_;
};

// Sorting (addresses by value, the rest without regard to letter case, ties in arrival order;
// column -1 is arrival order) and the filter (a text contained in any visible column).
class BridgeListOrder : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit BridgeListOrder(BridgeListModel& source, QObject* parent = nullptr);

    void setFilterText(const QString& text);
    const QString& filterText() const { return filter_; }
    void setVisibleColumns(const std::vector<int>& columns);
    // The record index of a row of the view, -1 for none.
    int recordAt(const QModelIndex& index) const;

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    BridgeListModel& source_;
    QString filter_;
    std::vector<int> visibleColumns_;
};

// The list view. A new row can take the focus mark without the view scrolling to it, and the
// keys it leaves to the window (typed text, copy, the column menu) come out as signals.
class BridgeListView : public QTreeView {
    Q_OBJECT
public:
    using QTreeView::QTreeView;

    void keyboardSearch(const QString&) override {}
    // Makes index current without selecting it or scrolling.
    void MarkCurrent(const QModelIndex& index);

Q_SIGNALS:
    void TextTyped(const QString& text);
    void CopyRequested();
    void ColumnMenuRequested(const QPoint& globalPos);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
};

} // namespace vantoro
