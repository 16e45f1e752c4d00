#include "ui/controls/RtfParser.h"

#include <algorithm>

namespace vantoro::rtf {

bool Parser::TableWord(Kw kw, Param param) {
    switch (kw) {
    case Kw::InTbl:
        state().para.inTable = !param.given || param.value != 0;
        break;
    case Kw::Itap: // nesting level; 0 is the body
        state().para.inTable = !param.given || param.value > 0;
        break;
    case Kw::Trowd:
        row_.cellEdges.clear();
        row_.left = 0;
        row_.gap = 0;
        break;
    case Kw::Trgaph:
        row_.gap = std::clamp(param.value, 0, kMaxTwips);
        break;
    case Kw::Trleft:
        row_.left = std::clamp(param.value, -kMaxTwips, kMaxTwips);
        break;
    case Kw::Cellx:
        if (row_.cellEdges.size() < size_t(kMaxCellEdges)) {
            row_.cellEdges.push_back(std::clamp(param.value, -kMaxTwips, kMaxTwips));
        }
        break;
    default:
        return TableMarkWord(kw);
    }
    return true;
}

bool Parser::TableMarkWord(Kw kw) {
    switch (kw) {
    case Kw::Cell:
        Cell();
        return true;
    case Kw::Row:
        Row();
        return true;
    case Kw::NestCell:
        // Nested tables are flattened into their outer cell: cells become tab-separated
        // text, rows paragraphs.
        CellAsTab();
        return true;
    case Kw::NestRow:
        RowAsBreak();
        return true;
    default:
        return false;
    }
}

// Text of a table paragraph goes to the flow's open row; other text first writes out the
// rows before it.
Sink& Parser::Target() {
    Flow& current = flow();
    if (state().para.inTable) {
        if (!current.tables) {
            current.tables = std::make_unique<TableBuilder>();
        }
        return current.tables->rowSink();
    }
    FlushTables(current);
    return current.sink;
}

void Parser::FlushTables(Flow& target) {
    if (target.tables && target.tables->pending()) {
        target.tables->Flush(row_, target.sink);
    }
}

void Parser::Cell() {
    if (skipping() || state().dest != Dest::Text) {
        return;
    }
    FlushRun();
    if (!state().para.inTable) {
        CellAsTab(); // a cell mark outside any table row
        return;
    }
    Sink& target = Target();
    EnsureParagraph(target);
    target.cursor.setBlockFormat(BlockFormat());
    if (!flow().tables->EndCell()) {
        CellAsTab(); // the row is full
    }
}

void Parser::Row() {
    if (skipping() || state().dest != Dest::Text) {
        return;
    }
    FlushRun();
    if (!state().para.inTable) {
        RowAsBreak();
        return;
    }
    Target();
    Flow& current = flow();
    current.tables->EndRow(row_, current.sink);
}

// A nested row's properties follow its last cell in a {\*\nesttableprops} group, which is no
// text: the flattened row ends there.
void Parser::NestedRowProperties() {
    ucSkip_ = 0;
    if (stack_.size() >= 2 && stack_[stack_.size() - 2].dest == Dest::Text) {
        state().dest = Dest::Text; // the group's own state, a copy of its parent's
        RowAsBreak();
    }
    state().dest = Dest::Skip;
}

void Parser::CellAsTab() {
    if (skipping() || state().dest != Dest::Text) {
        return;
    }
    FlushRun();
    Sink& target = Target();
    EnsureParagraph(target);
    if (target.pendingTabs < kMaxPendingTabs) {
        ++target.pendingTabs;
    }
}

void Parser::RowAsBreak() {
    if (skipping() || state().dest != Dest::Text) {
        return;
    }
    FlushRun();
    Sink& target = Target();
    target.pendingTabs = 0; // the mark after the last cell ends the row, not a tab
    EnsureParagraph(target);
    target.paragraphOpen = false;
}

} // namespace vantoro::rtf
