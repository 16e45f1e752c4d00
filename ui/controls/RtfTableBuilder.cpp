#include "ui/controls/RtfTableBuilder.h"

#include <QList>
#include <QTextBlock>
#include <QTextFragment>
#include <QTextLength>
#include <QTextTable>
#include <QTextTableFormat>
#include <utility>

namespace vantoro::rtf {

TableBuilder::TableBuilder() {
    scratch_.setUndoRedoEnabled(false);
    sink_.cursor = QTextCursor(&scratch_);
    sink_.cursor.beginEditBlock(); // as for the document itself: no change signals per insert
}

TableBuilder::~TableBuilder() {
    sink_.cursor.endEditBlock();
}

bool TableBuilder::HasTrailing() const {
    return lastEnd_ < 0 ? !sink_.blockFree : sink_.cursor.position() > lastEnd_;
}

bool TableBuilder::EndCell() {
    if (cells_.size() + 1 >= size_t(kMaxTableColumns)) {
        return false;
    }
    EndTrailingCell();
    return true;
}

void TableBuilder::EndTrailingCell() {
    const int end = sink_.cursor.position();
    cells_.push_back({nextStart_, end});
    lastEnd_ = end;
    nextStart_ = end + 1; // past the block separator the next cell's text will start with
    sink_.paragraphOpen = false;
    sink_.pendingTabs = 0;
}

void TableBuilder::EndRow(const RowGeometry& geometry, Sink& out) {
    if (HasTrailing()) {
        EndTrailingCell();
    }
    sink_.pendingTabs = 0;
    AddRow(geometry, out);
}

void TableBuilder::AddRow(const RowGeometry& geometry, Sink& out) {
    if (cells_.empty()) {
        return;
    }
    if (!rows_.empty() && rows_.front().size() != cells_.size()) {
        WriteTable(out);
    }
    if (rows_.empty()) {
        // The first row's edges give the column widths, if they match its cells.
        widths_.clear();
        padding_ = TwipsToPixels(geometry.gap);
        int left = geometry.left;
        for (const int edge : geometry.cellEdges) {
            widths_.push_back(TwipsToPixels(edge - left));
            left = edge;
        }
        if (geometry.cellEdges.size() != cells_.size() ||
            std::any_of(widths_.begin(), widths_.end(), [](double w) { return w <= 0; })) {
            widths_.clear();
        }
    }
    rows_.push_back(std::move(cells_));
    cells_.clear();
}

void TableBuilder::Flush(const RowGeometry& geometry, Sink& out) {
    AddRow(geometry, out);
    WriteTable(out);
    if (HasTrailing()) {
        if (!out.blockFree) {
            out.cursor.insertBlock();
        }
        CopyRange({nextStart_, sink_.cursor.position()}, out.cursor);
        out.blockFree = false;
        out.paragraphOpen = sink_.paragraphOpen;
        out.pendingTabs = 0;
    }
    Reset();
}

void TableBuilder::Reset() {
    sink_.cursor.endEditBlock();
    scratch_.clear();
    sink_ = Sink();
    sink_.cursor = QTextCursor(&scratch_);
    sink_.cursor.beginEditBlock();
    nextStart_ = 0;
    lastEnd_ = -1;
    cells_.clear();
    rows_.clear();
}

void TableBuilder::WriteTable(Sink& out) {
    if (rows_.empty()) {
        return;
    }
    const int columns = int(rows_.front().size());
    QTextTableFormat format;
    format.setBorder(1);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setBorderCollapse(true);
    format.setCellSpacing(0);
    format.setCellPadding(std::max(padding_, 2.0));
    if (widths_.size() == size_t(columns)) {
        QList<QTextLength> constraints;
        for (const double width : widths_) {
            constraints.append(QTextLength(QTextLength::FixedLength, width));
        }
        format.setColumnWidthConstraints(constraints);
    }
    // All rows at once: a table rebuilds its cell grid on every row appended.
    QTextTable* table = out.cursor.insertTable(int(rows_.size()), columns, format);
    for (int row = 0; row < int(rows_.size()); ++row) {
        for (int column = 0; column < columns; ++column) {
            QTextCursor to = table->cellAt(row, column).firstCursorPosition();
            CopyRange(rows_[size_t(row)][size_t(column)], to);
        }
    }
    out.cursor.setPosition(table->lastPosition() + 1); // the block after the table
    out.paragraphOpen = false;
    out.blockFree = true;
    out.pendingTabs = 0;
    rows_.clear();
    widths_.clear();
}

void TableBuilder::CopyRange(Range range, QTextCursor& to) {
    // Cells hold whole blocks; copying their runs is much cheaper than a document fragment.
    for (QTextBlock block = scratch_.findBlock(range.start);
         block.isValid() && block.position() <= range.end; block = block.next()) {
        if (block.position() == range.start) {
            to.setBlockFormat(block.blockFormat());
            to.setBlockCharFormat(block.charFormat());
        } else {
            to.insertBlock(block.blockFormat(), block.charFormat());
        }
        for (auto run = block.begin(); !run.atEnd(); ++run) {
            const QTextFragment fragment = run.fragment();
            to.insertText(fragment.text(), fragment.charFormat());
        }
    }
}

} // namespace vantoro::rtf
