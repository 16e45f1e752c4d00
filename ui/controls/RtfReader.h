#pragma once

// A small RTF reader: turns RTF text into a QTextDocument (Qt reads HTML and Markdown, but not
// RTF). Needs QtGui only; it works without a QGuiApplication.
//
// What it shows: the body text with bold, italic, underline, strike-out, super/subscript, font
// sizes (\fs), text and background colours (\cf, \cb, \highlight, \chcbpat), fixed-pitch fonts,
// paragraph alignment, indents, space before/after and tab stops. \'hh bytes are decoded in the
// document's code page (\ansicpgN, cp1252 by default) or the current font's charset; \uN with
// \ucN fallback skipping; Symbol and Wingdings bytes map to their Unicode look-alikes. Field
// results show (instructions do not), footnotes are gathered after the body text, table rows
// become QTextTables (nested tables are flattened into their cell); \page,
// \sect and \column end an open paragraph. Hidden text (\v) and destinations that carry no
// text (font/colour tables, style sheet, info, pictures, objects, headers and footers, list
// tables and every \* group) do not show.
//
// Hostile input is safe: groups nest at most kRtfMaxGroupDepth deep (deeper groups are skipped,
// parsing goes on), numbers saturate, \binN is clamped to the data left, NUL bytes are ignored,
// and a truncated file shows what was read. No recursion; the cost is linear in the input.

#include <QByteArrayView>

class QTextDocument;

namespace vantoro {

// Groups nested deeper than this (the outer {\rtf1 group counts as 1) are skipped whole.
inline constexpr int kRtfMaxGroupDepth = 256;

enum class RtfReadStatus {
    Complete,  // began with "{\rtf" and the outer group was closed
    Truncated, // began with "{\rtf" but the data ended inside the outer group
    NotRtf,    // did not begin with "{\rtf"; it was read as RTF body text anyway
};

// Replaces the contents of doc with the text of rtf. Whatever the status, doc holds everything
// that could be read. Undo/redo is not recorded; doc's modified flag is cleared.
RtfReadStatus ReadRtf(QByteArrayView rtf, QTextDocument* doc);

} // namespace vantoro
