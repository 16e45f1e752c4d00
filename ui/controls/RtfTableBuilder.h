#pragma once

// Table rows (\trowd ... \cell ... \row) become QTextTables. A row's cell count is known only
// at its \row, so cells are written to a scratch document first; consecutive rows with the same
// cell count are then copied into one table, which keeps their character formatting.

#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <vector>

namespace vantoro::rtf {

inline constexpr int kMaxTwips = 31680; // 22 inches
inline constexpr double kTwipsPerPixel = 15.0;

inline double TwipsToPixels(int twips) {
    return std::clamp(twips, -kMaxTwips, kMaxTwips) / kTwipsPerPixel;
}

// Cells past this fold into the last cell, separated by tabs (Word stops at 63 columns).
inline constexpr int kMaxTableColumns = 64;
inline constexpr int kMaxCellEdges = kMaxTableColumns;
inline constexpr int kMaxPendingTabs = 256;

// Where text is written: a cursor at the end of a document and the state of its last block.
struct Sink {
    QTextCursor cursor;
    bool paragraphOpen = false;
    bool blockFree = true; // the cursor's block is empty and unused: the document's first block,
                           // or the one after a table
    int pendingTabs = 0;   // cell marks not yet followed by text
};

// The row being defined: \cellx right edges, \trleft and \trgaph, all in twips.
struct RowGeometry {
    std::vector<int> cellEdges;
    int left = 0;
    int gap = 0;
};

class TableBuilder {
public:
    TableBuilder();
    ~TableBuilder();
    TableBuilder(const TableBuilder&) = delete;
    TableBuilder& operator=(const TableBuilder&) = delete;

    // Where the text of a table paragraph goes.
    Sink& rowSink() { return sink_; }
    // Rows or cell text not yet written out.
    bool pending() const { return !rows_.empty() || !cells_.empty() || HasTrailing(); }
    // \cell, once the cell has a paragraph: ends it. False when the row is full: the mark then
    // only separates text inside the last cell.
    bool EndCell();
    // \row: text after the last \cell is one more cell. A row with another cell count than the
    // rows before it writes those out first.
    void EndRow(const RowGeometry& geometry, Sink& out);
    // Writes everything pending to out: the rows as a table, with the cells of an unfinished
    // row as one more, then text after its last \cell as paragraphs.
    void Flush(const RowGeometry& geometry, Sink& out);

private:
    struct Range {
        int start = 0;
        int end = 0;
    };

    bool HasTrailing() const;
    void EndTrailingCell();
    void AddRow(const RowGeometry& geometry, Sink& out);
    void Reset();
    void WriteTable(Sink& out);
    void CopyRange(Range range, QTextCursor& to);

    QTextDocument scratch_;
    Sink sink_;
    int nextStart_ = 0; // where the next cell's text begins in scratch_
    int lastEnd_ = -1;  // where the last ended cell ends, -1 before the first
    std::vector<Range> cells_;
    std::vector<std::vector<Range>> rows_; // complete rows, all with the same cell count
    std::vector<double> widths_;           // their column widths in pixels, empty if unknown
    double padding_ = 0;
};

} // namespace vantoro::rtf
