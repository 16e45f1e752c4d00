#pragma once

// The reader behind ReadRtf: a tokenizer over the RTF bytes, a stack of group states, and the
// handlers of the control words, one per destination they serve (RtfParser.cpp: tokens, groups
// and dispatch; RtfParserText.cpp: text and breaks; RtfParserFormat.cpp: formatting, font and
// colour tables; RtfParserTables.cpp: table rows).

#include "ui/controls/RtfCodePages.h"
#include "ui/controls/RtfKeywords.h"
#include "ui/controls/RtfReader.h"
#include "ui/controls/RtfTableBuilder.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QColor>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

class QTextDocument;

namespace vantoro::rtf {

// Numeric parameters saturate here: far beyond any real value, far from int overflow.
inline constexpr int kMaxParam = 1'000'000'000;
inline constexpr size_t kMaxFonts = 4096;
inline constexpr size_t kMaxColors = 4096;
inline constexpr int kMaxFontNameChars = 256;
inline constexpr int kMaxTabStops = 32;
inline constexpr int kMaxUc = 16;
inline constexpr int kDefaultFontSize = 24; // half-points: 12 pt, the RTF default
inline constexpr int kMinFontSize = 2;
inline constexpr int kMaxFontSize = 2000;

enum class Dest : std::uint8_t { Text, Skip, FontTable, ColorTable };

struct CharProps {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    std::int8_t vertical = 0; // 1 superscript, -1 subscript
    int fontSize = kDefaultFontSize;
    int foreground = -1; // colour table index; -1 is "auto"
    int background = -1;
    int font = -1; // -1 is the default font (\deff)

    bool operator==(const CharProps&) const = default;
};

struct ParaProps {
    int align = 0; // 0 left, 1 centre, 2 right, 3 justify
    int leftIndent = 0;
    int rightIndent = 0;
    int firstIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    int tabCount = 0;
    std::array<int, kMaxTabStops> tabs{};
    bool inTable = false;
};

struct State {
    CharProps chars;
    ParaProps para;
    Dest dest = Dest::Text;
    bool footnote = false; // text goes to the footnote document
    int uc = 1;
};

struct FontInfo {
    QString name;
    int codePage = 0;              // 0: the document's code page
    bool explicitCodePage = false; // \cpg given: it wins over \fcharset
    bool fixedPitch = false;
};

// A control word's numeric parameter.
struct Param {
    bool given = false;
    int value = 0;
};

// A flow of text: the body, or the footnotes gathered for the end. Its table rows wait in a
// builder until they can be written as a table.
struct Flow {
    Sink sink;
    std::unique_ptr<TableBuilder> tables;
};

class Parser {
public:
    Parser(QByteArrayView data, QTextDocument* doc);
    ~Parser();

    RtfReadStatus Run();

private:
    State& state() { return stack_.back(); }
    const State& state() const { return stack_.back(); }
    bool skipping() const { return overflow_ > 0 || state().dest == Dest::Skip; }
    Flow& flow() { return state().footnote && footnotes_ ? foot_ : body_; }

    // Tokens and groups (RtfParser.cpp).
    void Skip();
    void ReadControl();
    void ReadText();
    Param ReadParam();
    void GroupOpen();
    void GroupClose();
    void ControlSymbol(unsigned char c);
    bool SkipFallbackSymbol(unsigned char c);
    void HexByte();
    void ControlWord(std::string_view word, Param param);
    bool SkipFallbackWord(Kw kw);
    void DestinationWord(Kw kw, Param param);
    bool DocumentWord(Kw kw, Param param);
    void SkipBinary(int count);

    // Text and breaks (RtfParserText.cpp).
    bool BreakWord(Kw kw);
    void TextBytes(const char* bytes, qsizetype length);
    void TextByte(unsigned char byte) {
        const char c = char(byte);
        TextBytes(&c, 1);
    }
    void Unicode(int value);
    void Char(char16_t ch);
    void ParagraphBreak();
    void StartFootnote();
    void FlushBytes();
    void FlushRun();
    void ResolveHighSurrogate();
    void AppendUnits(QStringView units);
    void EnsureParagraph(Sink& target);
    void Finish();
    int CodePage() const;

    // Formatting, font and colour tables (RtfParserFormat.cpp).
    void FontTableWord(Kw kw, Param param);
    void ColorTableWord(Kw kw, Param param);
    void TableText(const char* bytes, qsizetype length); // font and colour tables
    bool CharacterWord(Kw kw, Param param);
    bool CharacterSizeOrColorWord(Kw kw, Param param);
    bool ParagraphWord(Kw kw, Param param);
    QColor Color(int index) const;
    QTextCharFormat CharFormat();
    QTextBlockFormat BlockFormat() const;
    bool fontPending() const { return !fontNameBytes_.isEmpty() || !font_.name.isEmpty(); }
    void FlushFontName();
    void AppendFontName(QStringView chars);
    void CommitFont();
    void CommitColor();

    // Table rows (RtfParserTables.cpp).
    bool TableWord(Kw kw, Param param);
    bool TableMarkWord(Kw kw);
    Sink& Target();
    void Cell();
    void Row();
    void NestedRowProperties();
    void CellAsTab();
    void RowAsBreak();
    void FlushTables(Flow& target);

    QByteArrayView data_;
    qsizetype pos_ = 0;
    QTextDocument* doc_;
    std::vector<State> stack_;
    qsizetype overflow_ = 0; // groups opened past the depth limit and not yet closed
    bool groupStart_ = false;
    bool isRtf_ = false;
    bool done_ = false;
    int ucSkip_ = 0; // fallback units still to skip after \uN

    // Document-wide settings.
    int docCodePage_ = kCp1252;
    int defaultFont_ = 0;
    std::unordered_map<int, FontInfo> fonts_;
    std::vector<QColor> colors_;
    CodePageDecoder decoder_;

    RowGeometry row_; // the table row being defined

    // Font and colour table entries being read.
    int fontNumber_ = -1;
    FontInfo font_;
    QByteArray fontNameBytes_;
    int red_ = 0;
    int green_ = 0;
    int blue_ = 0;
    bool colorSet_ = false;

    // Text read but not yet written to the document, all in the current state's format.
    QByteArray pendingBytes_;
    int pendingCodePage_ = kCp1252;
    QString text_;
    char16_t highSurrogate_ = 0;

    Flow body_;
    Flow foot_;
    std::unique_ptr<QTextDocument> footnotes_;
    int footnoteCount_ = 0;

    bool formatValid_ = false;
    CharProps formatProps_;
    QTextCharFormat format_;
};

} // namespace vantoro::rtf
