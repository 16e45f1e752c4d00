#pragma once

// Standard input as the command line reads a password from it: a piped line, or a line typed on
// the terminal with the echo off.

#include <QByteArray>
#include <optional>

namespace vantoro {

// A password is never longer than this; the rest of a longer line is read and dropped.
inline constexpr int kMaxConsoleLineBytes = 1024;

// True when standard input is an interactive terminal.
bool StdinIsTerminal();

// The first line of standard input without its line end (LF or CR LF), in the local 8-bit
// encoding; nullopt when the input ends before any character.
std::optional<QByteArray> ReadStdinLine();

// Writes prompt to standard error and reads one line from the terminal on standard input without
// echoing it; the terminal is restored afterwards, also when the program is interrupted. nullopt
// when standard input is not a terminal or the input ends.
std::optional<QByteArray> ReadHiddenLine(const QByteArray& prompt);

} // namespace vantoro
