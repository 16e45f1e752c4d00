#pragma once

// The control words the reader acts on. Any other word is Kw::Unknown and ignored.

#include <cstdint>
#include <string_view>

namespace vantoro::rtf {

enum class Kw : std::uint8_t {
    Unknown,
    // destinations
    SkipDest,
    FontTable,
    ColorTable,
    Footnote,
    // document
    Ansi,
    Mac,
    Pc,
    Pca,
    AnsiCpg,
    Deff,
    // font table
    F,
    FCharset,
    FPrq,
    FModern,
    Cpg,
    // colour table
    Red,
    Green,
    Blue,
    // character formatting
    Plain,
    B,
    I,
    Ul,
    UlNone,
    Strike,
    V,
    Super,
    Sub,
    NoSupSub,
    Up,
    Dn,
    Fs,
    Cf,
    Cb,
    Highlight,
    // paragraph formatting
    Pard,
    Ql,
    Qc,
    Qr,
    Qj,
    Li,
    Ri,
    Fi,
    Sb,
    Sa,
    Tx,
    InTbl,
    Itap,
    // table rows
    Trowd,
    Trgaph,
    Trleft,
    Cellx,
    // breaks
    Par,
    Page, // page, column and section breaks: end the paragraph if one is open
    Line,
    Cell,
    Row,
    NestCell,
    NestRow,
    NestTableProps,
    // characters
    Tab,
    Emdash,
    Endash,
    Lquote,
    Rquote,
    Ldblquote,
    Rdblquote,
    Bullet,
    Emspace,
    Enspace,
    Qmspace,
    Zwj,
    Zwnj,
    Ltrmark,
    Rtlmark,
    Chftn,
    // unicode and binary
    U,
    Uc,
    Bin,
};

Kw LookupKeyword(std::string_view word);

// The character a "symbol" control word stands for, or 0 for other words.
char16_t SymbolChar(Kw kw);

} // namespace vantoro::rtf
