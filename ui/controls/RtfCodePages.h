#pragma once

// Code pages for \'hh bytes and the glyphs of the symbol fonts, whose bytes are no letters.

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <map>

namespace vantoro::rtf {

// Positive code pages are Windows code page numbers; the symbol fonts get their own.
inline constexpr int kCp1252 = 1252;
inline constexpr int kCpSymbol = -2;
inline constexpr int kCpWingdings = -3;

// cp1252 as Unicode; unassigned bytes read as U+FFFD.
char16_t Cp1252(unsigned char byte);

// The Unicode look-alike of a byte in a symbol font's code page, or 0 where there is none.
char16_t SymbolGlyph(int codePage, unsigned char byte);

// Windows code page of an RTF \fcharset, or 0 for "the document's code page".
int CharsetCodePage(int charset);

// The decoder name of a code page RTF writers use, or an empty name for the rest (which then
// read as cp1252).
QByteArray CodePageName(int codePage);

// Decodes text bytes; keeps one decoder per code page met. Control characters other than tab
// are dropped.
class CodePageDecoder {
public:
    QString Decode(const QByteArray& bytes, int codePage);

private:
    std::map<int, QStringDecoder> decoders_;
};

} // namespace vantoro::rtf
