#pragma once

// Comma-separated values (RFC 4180) for the bridge list and for settings plans kept in a
// spreadsheet: one writer and one reader, shared by the window's export and the command line.

#include "protocol/Bridge.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace vantoro {

// The column names of the bridge list, the keys of `vantoro-cli scan --json` in the same order.
// The user name, password and keys only with showSecrets.
QStringList BridgeCsvHeader(bool showSecrets);

// One bridge's cells in BridgeCsvHeader's order. Lists (the networks seen, the keys) are one cell
// holding a JSON array. A bridge's text that a spreadsheet would take for a formula (it starts
// with = + - @ or a tab or carriage return) gets a leading apostrophe, so opening the file never
// runs what a bridge sent.
QStringList BridgeCsvFields(const Bridge& bridge, const QString& model, bool showSecrets);

// A spreadsheet takes a cell that starts with = + - @ or a tab or carriage return for a formula:
// InertCell puts an apostrophe before such a cell, UninertCell takes it off again.
QString InertCell(const QString& cell);
QString UninertCell(const QString& cell);

// One record: the cells joined by commas, a cell quoted when it holds a comma, a quote, a line
// break or leading or trailing space, and CRLF at the end; UTF-8.
QByteArray CsvRecord(const QStringList& cells);

// The records of a CSV text (UTF-8, a leading byte order mark skipped, CRLF or LF line ends, the
// last line end optional). Every record keeps its cells; blank lines are skipped. nullopt with
// *error set ("line 3: a quoted cell is not closed") when the text is not CSV.
std::optional<QList<QStringList>> ReadCsv(const QByteArray& text, QString* error);

} // namespace vantoro
