#include "ui/controls/RtfReader.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QString>
#include <QStringDecoder>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextOption>
#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vantoro {
namespace {

// Numeric parameters saturate here: far beyond any real value, far from int overflow.
constexpr int kMaxParam = 1'000'000'000;
constexpr size_t kMaxFonts = 4096;
constexpr size_t kMaxColors = 4096;
constexpr int kMaxFontNameChars = 256;
constexpr int kMaxTabStops = 32;
constexpr int kMaxUc = 16;
constexpr int kMaxPendingCells = 256;
constexpr int kDefaultFontSize = 24; // half-points: 12 pt, the RTF default
constexpr int kMinFontSize = 2;
constexpr int kMaxFontSize = 2000;
constexpr int kMaxTwips = 31680; // 22 inches
constexpr double kTwipsPerPixel = 15.0;

// Code pages for \'hh bytes. Positive values are Windows code page numbers.
constexpr int kCp1252 = 1252;
constexpr int kCpSymbol = -2;
constexpr int kCpWingdings = -3;

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
    // table rows
    Trowd,
    Trgaph,
    Cellx,
    // breaks
    Par,
    Page, // page, column and section breaks: end the paragraph if one is open
    Line,
    Cell,
    Row,
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

// The space-separated words of a list.
std::vector<std::string_view> Words(std::string_view list) {
    std::vector<std::string_view> words;
    while (!list.empty()) {
        const size_t end = std::min(list.find(' '), list.size());
        if (end > 0) {
            words.push_back(list.substr(0, end));
        }
        list.remove_prefix(std::min(end + 1, list.size()));
    }
    return words;
}

const std::unordered_map<std::string_view, Kw>& Keywords() {
    static const std::unordered_map<std::string_view, Kw> table = [] {
        std::unordered_map<std::string_view, Kw> t;
        // Destinations whose text must not show. Every {\* group is skipped too.
        constexpr std::string_view kSkipped =
            "stylesheet info pict object header headerl headerr headerf footer footerl footerr "
            "footerf listtable listoverridetable revtbl rsidtbl latentstyles themedata "
            "colorschememapping datastore xmlnstbl generator pgdsctbl fldinst filetbl xe tc tcn "
            "pn bkmkstart bkmkend do shp shpinst shppict nonshppict template docvar userprops "
            "mmathPr nonesttables falt panose ftnsep ftnsepc ftncn aftnsep aftnsepc aftncn "
            "annotation atnid atnauthor atndate atnref atrfstart atrfend comment company "
            "operator author title subject keywords doccomm hlinkbase listpicture objdata "
            "objclass objname protusertbl passwordhash private pgptbl defchp defpap "
            "wgrffmtfilter blipuid background sp sn sv fontemb fontfile ud txe fchars lchars "
            "expandedcolortbl";
        for (const std::string_view word : Words(kSkipped)) {
            t.emplace(word, Kw::SkipDest);
        }
        constexpr std::string_view kUnderlines =
            "ul uld uldash uldashd uldashdd uldb ulhwave ulldash ulth ulthd ulthdash ulthdashd "
            "ulthdashdd ulthldash ululdbwave ulw ulwave";
        for (const std::string_view word : Words(kUnderlines)) {
            t.emplace(word, Kw::Ul);
        }
        const std::pair<std::string_view, Kw> words[] = {{"fonttbl", Kw::FontTable},
                                                         {"colortbl", Kw::ColorTable},
                                                         {"footnote", Kw::Footnote},
                                                         {"ansi", Kw::Ansi},
                                                         {"mac", Kw::Mac},
                                                         {"pc", Kw::Pc},
                                                         {"pca", Kw::Pca},
                                                         {"ansicpg", Kw::AnsiCpg},
                                                         {"deff", Kw::Deff},
                                                         {"f", Kw::F},
                                                         {"fcharset", Kw::FCharset},
                                                         {"fprq", Kw::FPrq},
                                                         {"fmodern", Kw::FModern},
                                                         {"cpg", Kw::Cpg},
                                                         {"red", Kw::Red},
                                                         {"green", Kw::Green},
                                                         {"blue", Kw::Blue},
                                                         {"plain", Kw::Plain},
                                                         {"b", Kw::B},
                                                         {"i", Kw::I},
                                                         {"ulnone", Kw::UlNone},
                                                         {"strike", Kw::Strike},
                                                         {"striked", Kw::Strike},
                                                         {"v", Kw::V},
                                                         {"super", Kw::Super},
                                                         {"sub", Kw::Sub},
                                                         {"nosupersub", Kw::NoSupSub},
                                                         {"up", Kw::Up},
                                                         {"dn", Kw::Dn},
                                                         {"fs", Kw::Fs},
                                                         {"cf", Kw::Cf},
                                                         {"cb", Kw::Cb},
                                                         {"chcbpat", Kw::Cb},
                                                         {"highlight", Kw::Highlight},
                                                         {"pard", Kw::Pard},
                                                         {"ql", Kw::Ql},
                                                         {"qc", Kw::Qc},
                                                         {"qr", Kw::Qr},
                                                         {"qj", Kw::Qj},
                                                         {"li", Kw::Li},
                                                         {"ri", Kw::Ri},
                                                         {"fi", Kw::Fi},
                                                         {"sb", Kw::Sb},
                                                         {"sa", Kw::Sa},
                                                         {"tx", Kw::Tx},
                                                         {"tb", Kw::Tx},
                                                         {"intbl", Kw::InTbl},
                                                         {"trowd", Kw::Trowd},
                                                         {"trgaph", Kw::Trgaph},
                                                         {"cellx", Kw::Cellx},
                                                         {"par", Kw::Par},
                                                         {"page", Kw::Page},
                                                         {"sect", Kw::Page},
                                                         {"column", Kw::Page},
                                                         {"line", Kw::Line},
                                                         {"softline", Kw::Line},
                                                         {"cell", Kw::Cell},
                                                         {"nestcell", Kw::Cell},
                                                         {"row", Kw::Row},
                                                         {"nestrow", Kw::Row},
                                                         {"tab", Kw::Tab},
                                                         {"emdash", Kw::Emdash},
                                                         {"endash", Kw::Endash},
                                                         {"lquote", Kw::Lquote},
                                                         {"rquote", Kw::Rquote},
                                                         {"ldblquote", Kw::Ldblquote},
                                                         {"rdblquote", Kw::Rdblquote},
                                                         {"bullet", Kw::Bullet},
                                                         {"emspace", Kw::Emspace},
                                                         {"enspace", Kw::Enspace},
                                                         {"qmspace", Kw::Qmspace},
                                                         {"zwj", Kw::Zwj},
                                                         {"zwnj", Kw::Zwnj},
                                                         {"ltrmark", Kw::Ltrmark},
                                                         {"rtlmark", Kw::Rtlmark},
                                                         {"chftn", Kw::Chftn},
                                                         {"u", Kw::U},
                                                         {"uc", Kw::Uc},
                                                         {"bin", Kw::Bin}};
        for (const auto& [word, kw] : words) {
            t.emplace(word, kw);
        }
        return t;
    }();
    return table;
}

// The character a "symbol" control word stands for, or 0 for other words.
char16_t SymbolChar(Kw kw) {
    constexpr std::pair<Kw, char16_t> kSymbols[] = {
        {Kw::Tab, u'\t'},           {Kw::Emdash, u'\u2014'},  {Kw::Endash, u'\u2013'},
        {Kw::Lquote, u'\u2018'},    {Kw::Rquote, u'\u2019'},  {Kw::Ldblquote, u'\u201C'},
        {Kw::Rdblquote, u'\u201D'}, {Kw::Bullet, u'\u2022'},  {Kw::Emspace, u'\u2003'},
        {Kw::Enspace, u'\u2002'},   {Kw::Qmspace, u'\u2005'}, {Kw::Zwj, u'\u200D'},
        {Kw::Zwnj, u'\u200C'},      {Kw::Ltrmark, u'\u200E'}, {Kw::Rtlmark, u'\u200F'}};
    for (const auto& [word, ch] : kSymbols) {
        if (word == kw) {
            return ch;
        }
    }
    return 0;
}

// cp1252 bytes 0x80-0x9F; the rest of cp1252 is Latin-1. Unassigned bytes read as U+FFFD.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

char16_t Cp1252(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : char16_t(byte);
}

// The Symbol font's bytes as Unicode; 0 where the byte reads as in cp1252.
char16_t SymbolFontChar(unsigned char byte) {
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        const char16_t upper[26] = {0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393,
                                    0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D,
                                    0x039F, 0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5,
                                    0x03C2, 0x03A9, 0x039E, 0x03A8, 0x0396};
        const char16_t lower[26] = {0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3,
                                    0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD,
                                    0x03BF, 0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5,
                                    0x03D6, 0x03C9, 0x03BE, 0x03C8, 0x03B6};
        for (int i = 0; i < 26; ++i) {
            t[size_t(0x41 + i)] = upper[i];
            t[size_t(0x61 + i)] = lower[i];
        }
        const std::pair<unsigned char, char16_t> others[] = {
            {0x22, 0x2200}, {0x24, 0x2203}, {0x27, 0x220B}, {0x2A, 0x2217}, {0x2D, 0x2212},
            {0x40, 0x2245}, {0x5C, 0x2234}, {0x5E, 0x22A5}, {0x7E, 0x223C}, {0xA0, 0x20AC},
            {0xA1, 0x03D2}, {0xA2, 0x2032}, {0xA3, 0x2264}, {0xA4, 0x2044}, {0xA5, 0x221E},
            {0xA6, 0x0192}, {0xA7, 0x2663}, {0xA8, 0x2666}, {0xA9, 0x2665}, {0xAA, 0x2660},
            {0xAB, 0x2194}, {0xAC, 0x2190}, {0xAD, 0x2191}, {0xAE, 0x2192}, {0xAF, 0x2193},
            {0xB0, 0x00B0}, {0xB1, 0x00B1}, {0xB2, 0x2033}, {0xB3, 0x2265}, {0xB4, 0x00D7},
            {0xB5, 0x221D}, {0xB6, 0x2202}, {0xB7, 0x2022}, {0xB8, 0x00F7}, {0xB9, 0x2260},
            {0xBA, 0x2261}, {0xBB, 0x2248}, {0xBC, 0x2026}, {0xBF, 0x21B5}, {0xC0, 0x2135},
            {0xC1, 0x2111}, {0xC2, 0x211C}, {0xC3, 0x2118}, {0xC4, 0x2297}, {0xC5, 0x2295},
            {0xC6, 0x2205}, {0xC7, 0x2229}, {0xC8, 0x222A}, {0xC9, 0x2283}, {0xCA, 0x2287},
            {0xCB, 0x2284}, {0xCC, 0x2282}, {0xCD, 0x2286}, {0xCE, 0x2208}, {0xCF, 0x2209},
            {0xD0, 0x2220}, {0xD1, 0x2207}, {0xD2, 0x00AE}, {0xD3, 0x00A9}, {0xD4, 0x2122},
            {0xD5, 0x220F}, {0xD6, 0x221A}, {0xD7, 0x22C5}, {0xD8, 0x00AC}, {0xD9, 0x2227},
            {0xDA, 0x2228}, {0xDB, 0x21D4}, {0xDC, 0x21D0}, {0xDD, 0x21D1}, {0xDE, 0x21D2},
            {0xDF, 0x21D3}, {0xE0, 0x25CA}, {0xE1, 0x2329}, {0xE2, 0x00AE}, {0xE3, 0x00A9},
            {0xE4, 0x2122}, {0xE5, 0x2211}, {0xF1, 0x232A}, {0xF2, 0x222B}};
        for (const auto& [code, ch] : others) {
            t[code] = ch;
        }
        return t;
    }();
    return table[byte];
}

// The Wingdings bullets and marks that lists and notes use; 0 for the rest.
char16_t WingdingsChar(unsigned char byte) {
    constexpr std::pair<unsigned char, char16_t> kWingdings[] = {
        {0x4A, 0x263A}, {0x6C, 0x25CF}, {0x6E, 0x25A0}, {0x71, 0x2751},
        {0x75, 0x25C6}, {0x76, 0x2756}, {0x9F, 0x2022}, {0xA7, 0x25AA},
        {0xA8, 0x25FB}, {0xD8, 0x27A2}, {0xE8, 0x2794}, {0xF0, 0x21E8},
        {0xFB, 0x2717}, {0xFC, 0x2713}, {0xFD, 0x2612}, {0xFE, 0x2611}};
    for (const auto& [code, ch] : kWingdings) {
        if (code == byte) {
            return ch;
        }
    }
    return 0;
}

// Windows code page of an RTF \fcharset, or 0 for "the document's code page".
int CharsetCodePage(int charset) {
    constexpr std::pair<int, int> kCharsets[] = {
        {2, kCpSymbol}, {77, 10000}, {128, 932},  {129, 949},  {134, 936},  {136, 950},
        {161, 1253},    {162, 1254}, {163, 1258}, {177, 1255}, {178, 1256}, {186, 1257},
        {204, 1251},    {222, 874},  {238, 1250}, {254, 437},  {255, 850}};
    for (const auto& [set, codePage] : kCharsets) {
        if (set == charset) {
            return codePage;
        }
    }
    return 0;
}

// The decoder name of a code page RTF writers use, or an empty name for the rest (which then
// read as cp1252).
QByteArray CodePageName(int codePage) {
    constexpr std::pair<int, const char*> kNamed[] = {{65001, "UTF-8"}, {932, "Shift_JIS"},
                                                      {936, "GBK"},     {949, "windows-949"},
                                                      {950, "Big5"},    {10000, "macintosh"}};
    for (const auto& [number, name] : kNamed) {
        if (number == codePage) {
            return name;
        }
    }
    constexpr int kOem[] = {437, 850, 852, 855, 857, 860, 861, 862, 863, 864, 865, 866, 869};
    if (std::find(std::begin(kOem), std::end(kOem), codePage) != std::end(kOem)) {
        return "IBM" + QByteArray::number(codePage);
    }
    if (codePage == 874 || (codePage >= 1250 && codePage <= 1258)) {
        return "windows-" + QByteArray::number(codePage);
    }
    return {};
}

bool IsLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

int HexValue(unsigned char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

double TwipsToPixels(int twips) {
    return std::clamp(twips, -kMaxTwips, kMaxTwips) / kTwipsPerPixel;
}

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

// Where text is written: the body, or the footnotes gathered for the end.
struct Sink {
    QTextCursor cursor;
    bool paragraphOpen = false;
    bool firstBlock = true; // the document's first block is still unused
    int pendingCells = 0;   // \cell marks not yet followed by text in this row
};

class Parser {
public:
    Parser(QByteArrayView data, QTextDocument* doc) : data_(data), doc_(doc) {
        stack_.reserve(64);
        stack_.emplace_back();
        body_.cursor = QTextCursor(doc_);
    }

    RtfReadStatus Run();

private:
    State& state() { return stack_.back(); }
    const State& state() const { return stack_.back(); }
    bool skipping() const { return overflow_ > 0 || state().dest == Dest::Skip; }
    Sink& sink() { return state().footnote && footnotes_ ? foot_ : body_; }

    void GroupOpen();
    void GroupClose();
    void ControlWord(std::string_view word, bool hasParam, int param);
    void ControlSymbol(unsigned char c);
    void TextBytes(const char* bytes, qsizetype length);
    void TextByte(unsigned char byte) {
        const char c = char(byte);
        TextBytes(&c, 1);
    }
    void Unicode(int value);
    void Char(char16_t ch);
    void ParagraphBreak();
    void Cell();
    void Row();
    void StartFootnote();
    void SkipBinary(int count);

    void FlushBytes();
    void FlushRun();
    void ResolveHighSurrogate();
    void AppendUnits(QStringView units);
    void EnsureParagraph(Sink& target);
    void Finish();

    int CodePage() const;
    QString Decode(const QByteArray& bytes, int codePage);
    QColor Color(int index) const;
    QTextCharFormat CharFormat();
    QTextBlockFormat BlockFormat() const;
    bool FontPending() const { return !fontNameBytes_.isEmpty() || !font_.name.isEmpty(); }
    void FlushFontName();
    void AppendFontName(QStringView chars);
    void CommitFont();
    void CommitColor();

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
    std::map<int, QStringDecoder> decoders_;

    // The cell edges of the table row being read (\cellx) and the gap inside cells (\trgaph).
    std::vector<int> rowCellEdges_;
    int rowGap_ = 0;

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

    Sink body_;
    Sink foot_;
    std::unique_ptr<QTextDocument> footnotes_;
    int footnoteCount_ = 0;

    bool formatValid_ = false;
    CharProps formatProps_;
    QTextCharFormat format_;
};

RtfReadStatus Parser::Run() {
    // Leading white space and a UTF-8 byte order mark may come before "{\rtf".
    qsizetype start = 0;
    if (data_.startsWith(QByteArrayView("\xEF\xBB\xBF"))) {
        start = 3;
    }
    while (start < data_.size() && (data_[start] == ' ' || data_[start] == '\r' ||
                                    data_[start] == '\n' || data_[start] == '\t')) {
        ++start;
    }
    isRtf_ = data_.sliced(start).startsWith(QByteArrayView("{\\rtf"));
    pos_ = start; // the byte order mark is no text

    body_.cursor.beginEditBlock();
    const qsizetype size = data_.size();
    const char* bytes = data_.data();
    while (pos_ < size && !done_) {
        const unsigned char c = static_cast<unsigned char>(bytes[pos_]);
        switch (c) {
        case '{':
            ++pos_;
            GroupOpen();
            break;
        case '}':
            ++pos_;
            groupStart_ = false;
            GroupClose();
            break;
        case '\\': {
            groupStart_ = groupStart_ && pos_ + 1 < size && bytes[pos_ + 1] == '*';
            ++pos_;
            if (pos_ >= size) {
                break;
            }
            const unsigned char next = static_cast<unsigned char>(bytes[pos_]);
            if (!IsLetter(next)) {
                ++pos_;
                ControlSymbol(next);
                break;
            }
            const qsizetype wordStart = pos_;
            while (pos_ < size && IsLetter(static_cast<unsigned char>(bytes[pos_]))) {
                ++pos_;
            }
            const std::string_view word(bytes + wordStart, size_t(pos_ - wordStart));
            bool hasParam = false;
            bool negative = false;
            int param = 0;
            if (pos_ < size && bytes[pos_] == '-' && pos_ + 1 < size &&
                IsDigit(static_cast<unsigned char>(bytes[pos_ + 1]))) {
                negative = true;
                ++pos_;
            }
            while (pos_ < size && IsDigit(static_cast<unsigned char>(bytes[pos_]))) {
                hasParam = true;
                const int digit = bytes[pos_] - '0';
                param = param > (kMaxParam - digit) / 10 ? kMaxParam : param * 10 + digit;
                ++pos_;
            }
            if (negative) {
                param = -param;
            }
            if (pos_ < size && bytes[pos_] == ' ') {
                ++pos_; // the delimiting space belongs to the control word
            }
            ControlWord(word, hasParam, param);
            break;
        }
        case '\r':
        case '\n':
        case '\0':
            ++pos_;
            break;
        case '\t':
            ++pos_;
            groupStart_ = false;
            if (ucSkip_ > 0) {
                --ucSkip_;
            } else {
                Char(u'\t');
            }
            break;
        default: {
            groupStart_ = false;
            const qsizetype runStart = pos_;
            if (skipping() && ucSkip_ == 0) {
                // Pictures and other skipped destinations can be large: run to the next token.
                while (pos_ < size && bytes[pos_] != '{' && bytes[pos_] != '}' &&
                       bytes[pos_] != '\\') {
                    ++pos_;
                }
                break;
            }
            while (pos_ < size) {
                const char b = bytes[pos_];
                if (b == '{' || b == '}' || b == '\\' || b == '\r' || b == '\n' || b == '\0' ||
                    b == '\t') {
                    break;
                }
                ++pos_;
            }
            TextBytes(bytes + runStart, pos_ - runStart);
            break;
        }
        }
    }
    Finish();
    body_.cursor.endEditBlock();
    if (!isRtf_) {
        return RtfReadStatus::NotRtf;
    }
    return done_ ? RtfReadStatus::Complete : RtfReadStatus::Truncated;
}

void Parser::GroupOpen() {
    FlushRun();
    ucSkip_ = 0;
    if (overflow_ > 0 || stack_.size() > size_t(kRtfMaxGroupDepth)) {
        ++overflow_;
        return;
    }
    stack_.push_back(stack_.back());
    groupStart_ = true;
}

void Parser::GroupClose() {
    FlushRun();
    ucSkip_ = 0;
    if (overflow_ > 0) {
        --overflow_;
        return;
    }
    if (stack_.size() <= 1) {
        return; // a stray '}' outside every group
    }
    if (state().dest == Dest::FontTable && FontPending()) {
        CommitFont(); // an entry without its ';'
    }
    stack_.pop_back();
    if (stack_.size() == 1 && isRtf_) {
        done_ = true; // the outer {\rtf1 group is closed; what follows is not part of it
    }
}

void Parser::ControlSymbol(unsigned char c) {
    if (overflow_ > 0) {
        return;
    }
    if (ucSkip_ > 0) {
        switch (c) {
        case '\'':
            // \'hh is one fallback unit.
            for (int i = 0; i < 2 && pos_ < data_.size() &&
                            HexValue(static_cast<unsigned char>(data_[pos_])) >= 0;
                 ++i) {
                ++pos_;
            }
            --ucSkip_;
            return;
        case '\\':
        case '{':
        case '}':
        case '~':
        case '-':
        case '_':
            --ucSkip_;
            return;
        default:
            ucSkip_ = 0;
            break;
        }
    }
    switch (c) {
    case '\'': {
        int value = 0;
        int digits = 0;
        while (digits < 2 && pos_ < data_.size()) {
            const int hex = HexValue(static_cast<unsigned char>(data_[pos_]));
            if (hex < 0) {
                break;
            }
            value = value * 16 + hex;
            ++digits;
            ++pos_;
        }
        if (digits > 0) {
            TextByte(static_cast<unsigned char>(value));
        }
        break;
    }
    case '\\':
    case '{':
    case '}':
        TextByte(c);
        break;
    case '~':
        Char(u'\u00A0');
        break;
    case '-':
        Char(u'\u00AD');
        break;
    case '_':
        Char(u'\u2011');
        break;
    case '*':
        if (groupStart_) {
            FlushRun();
            state().dest = Dest::Skip;
        }
        break;
    case '\r':
    case '\n':
        // A backslash before a line end is a paragraph mark (macOS TextEdit writes these).
        if (c == '\r' && pos_ < data_.size() && data_[pos_] == '\n') {
            ++pos_;
        }
        ParagraphBreak();
        break;
    default:
        break;
    }
    groupStart_ = false;
}

void Parser::ControlWord(std::string_view word, bool hasParam, int param) {
    groupStart_ = false;
    const auto& keywords = Keywords();
    const auto found = keywords.find(word);
    const Kw kw = found == keywords.end() ? Kw::Unknown : found->second;

    if (kw == Kw::Bin) {
        // Binary data never shows; it may hold any byte, braces included.
        SkipBinary(hasParam ? param : 0);
        if (ucSkip_ > 0) {
            --ucSkip_;
        }
        return;
    }
    if (overflow_ > 0) {
        return;
    }
    if (ucSkip_ > 0) {
        if (SymbolChar(kw) != 0 || kw == Kw::Chftn) {
            --ucSkip_;
            return;
        }
        ucSkip_ = 0;
    }
    State& s = state();
    if (s.dest == Dest::Skip) {
        return;
    }
    if (const char16_t ch = SymbolChar(kw); ch != 0) {
        Char(ch);
        return;
    }
    if (kw == Kw::U) {
        Unicode(hasParam ? param : 0);
        return;
    }
    FlushRun();

    // Words that mean the same in every destination.
    switch (kw) {
    case Kw::SkipDest:
        s.dest = Dest::Skip;
        return;
    case Kw::Uc:
        s.uc = std::clamp(hasParam ? param : 1, 0, kMaxUc);
        return;
    case Kw::Ansi:
        docCodePage_ = kCp1252;
        return;
    case Kw::Mac:
        docCodePage_ = 10000;
        return;
    case Kw::Pc:
        docCodePage_ = 437;
        return;
    case Kw::Pca:
        docCodePage_ = 850;
        return;
    case Kw::AnsiCpg:
        docCodePage_ = param > 0 ? param : kCp1252;
        return;
    case Kw::Deff:
        defaultFont_ = param;
        return;
    default:
        break;
    }

    if (s.dest == Dest::FontTable) {
        switch (kw) {
        case Kw::F:
            if (FontPending()) {
                CommitFont();
            }
            fontNumber_ = param;
            font_ = FontInfo();
            break;
        case Kw::FCharset:
            if (!font_.explicitCodePage) {
                font_.codePage = CharsetCodePage(param);
            }
            break;
        case Kw::Cpg:
            font_.codePage = param > 0 ? param : 0;
            font_.explicitCodePage = true;
            break;
        case Kw::FPrq:
            font_.fixedPitch = font_.fixedPitch || param == 1;
            break;
        case Kw::FModern:
            font_.fixedPitch = true;
            break;
        default:
            break;
        }
        return;
    }
    if (s.dest == Dest::ColorTable) {
        const int value = std::clamp(param, 0, 255);
        switch (kw) {
        case Kw::Red:
            red_ = value;
            colorSet_ = true;
            break;
        case Kw::Green:
            green_ = value;
            colorSet_ = true;
            break;
        case Kw::Blue:
            blue_ = value;
            colorSet_ = true;
            break;
        default:
            break;
        }
        return;
    }

    CharProps& chars = s.chars;
    ParaProps& para = s.para;
    const bool on = !hasParam || param != 0;
    switch (kw) {
    case Kw::FontTable:
        s.dest = Dest::FontTable;
        fontNumber_ = -1;
        font_ = FontInfo();
        fontNameBytes_.clear();
        break;
    case Kw::ColorTable:
        s.dest = Dest::ColorTable;
        colors_.clear();
        red_ = green_ = blue_ = 0;
        colorSet_ = false;
        break;
    case Kw::Footnote:
        StartFootnote();
        break;
    case Kw::F:
        chars.font = param;
        break;
    case Kw::Plain:
        chars = CharProps();
        break;
    case Kw::B:
        chars.bold = on;
        break;
    case Kw::I:
        chars.italic = on;
        break;
    case Kw::Ul:
        chars.underline = on;
        break;
    case Kw::UlNone:
        chars.underline = false;
        break;
    case Kw::Strike:
        chars.strike = on;
        break;
    case Kw::V:
        chars.hidden = on;
        break;
    case Kw::Super:
        chars.vertical = on ? 1 : 0;
        break;
    case Kw::Sub:
        chars.vertical = on ? -1 : 0;
        break;
    case Kw::NoSupSub:
        chars.vertical = 0;
        break;
    case Kw::Up:
        chars.vertical = !hasParam || param > 0 ? 1 : 0;
        break;
    case Kw::Dn:
        chars.vertical = !hasParam || param > 0 ? -1 : 0;
        break;
    case Kw::Fs:
        chars.fontSize = hasParam && param > 0 ? std::clamp(param, kMinFontSize, kMaxFontSize)
                                               : kDefaultFontSize;
        break;
    case Kw::Cf:
        chars.foreground = hasParam ? std::max(param, -1) : -1;
        break;
    case Kw::Cb:
        chars.background = hasParam ? std::max(param, -1) : -1;
        break;
    case Kw::Highlight:
        chars.background = hasParam && param > 0 ? param : -1;
        break;
    case Kw::Pard:
        para = ParaProps();
        break;
    case Kw::Ql:
        para.align = 0;
        break;
    case Kw::Qc:
        para.align = 1;
        break;
    case Kw::Qr:
        para.align = 2;
        break;
    case Kw::Qj:
        para.align = 3;
        break;
    case Kw::Li:
        para.leftIndent = std::clamp(param, -kMaxTwips, kMaxTwips);
        break;
    case Kw::Ri:
        para.rightIndent = std::clamp(param, -kMaxTwips, kMaxTwips);
        break;
    case Kw::Fi:
        para.firstIndent = std::clamp(param, -kMaxTwips, kMaxTwips);
        break;
    case Kw::Sb:
        para.spaceBefore = std::clamp(param, -kMaxTwips, kMaxTwips);
        break;
    case Kw::Sa:
        para.spaceAfter = std::clamp(param, -kMaxTwips, kMaxTwips);
        break;
    case Kw::Tx:
        if (para.tabCount < kMaxTabStops && param > 0) {
            para.tabs[size_t(para.tabCount++)] = std::min(param, kMaxTwips);
        }
        break;
    case Kw::InTbl:
        para.inTable = on;
        break;
    case Kw::Trowd:
        rowCellEdges_.clear();
        rowGap_ = 0;
        break;
    case Kw::Trgaph:
        rowGap_ = std::clamp(param, 0, kMaxTwips);
        break;
    case Kw::Cellx:
        if (rowCellEdges_.size() < size_t(kMaxTabStops)) {
            rowCellEdges_.push_back(std::clamp(param, 0, kMaxTwips));
        }
        break;
    case Kw::Par:
        ParagraphBreak();
        break;
    case Kw::Page:
        if (sink().paragraphOpen || !text_.isEmpty()) {
            ParagraphBreak();
        }
        break;
    case Kw::Line:
        Char(u'\u2028');
        break;
    case Kw::Cell:
        Cell();
        break;
    case Kw::Row:
        Row();
        break;
    case Kw::Chftn:
        // The automatic footnote number: in the body, the number of the footnote that follows.
        if (!chars.hidden) {
            const int number = s.footnote ? footnoteCount_ : footnoteCount_ + 1;
            AppendUnits(QString::number(std::max(number, 1)));
        }
        break;
    default:
        break;
    }
}

void Parser::TextBytes(const char* bytes, qsizetype length) {
    if (skipping()) {
        return;
    }
    while (ucSkip_ > 0 && length > 0) {
        --ucSkip_;
        ++bytes;
        --length;
    }
    if (length == 0) {
        return;
    }
    State& s = state();
    switch (s.dest) {
    case Dest::Text:
        if (!s.chars.hidden) {
            const int codePage = CodePage();
            if (codePage != pendingCodePage_) {
                FlushBytes();
                pendingCodePage_ = codePage;
            }
            pendingBytes_.append(bytes, length);
        }
        break;
    case Dest::FontTable:
        for (qsizetype i = 0; i < length; ++i) {
            if (bytes[i] == ';') {
                CommitFont();
            } else if (fontNameBytes_.size() < kMaxFontNameChars) {
                fontNameBytes_.append(bytes[i]);
            }
        }
        break;
    case Dest::ColorTable:
        for (qsizetype i = 0; i < length; ++i) {
            if (bytes[i] == ';') {
                CommitColor();
            }
        }
        break;
    case Dest::Skip:
        break;
    }
}

void Parser::Unicode(int value) {
    const State& s = state();
    ucSkip_ = s.uc;
    if (value < 0) {
        value += 65536; // signed 16-bit form
    }
    if (value <= 0 || value > 0x10FFFF) {
        return;
    }
    if (s.dest == Dest::FontTable) {
        AppendFontName(QChar::fromUcs4(char32_t(value)));
        return;
    }
    if (s.dest != Dest::Text || s.chars.hidden) {
        return;
    }
    if (value >= 0xF020 && value <= 0xF0FF) {
        // Symbol fonts: Word writes their bytes as private-use characters U+F0xx.
        const int codePage = CodePage();
        const auto byte = static_cast<unsigned char>(value & 0xFF);
        const char16_t mapped = codePage == kCpSymbol      ? SymbolFontChar(byte)
                                : codePage == kCpWingdings ? WingdingsChar(byte)
                                                           : char16_t(0);
        if (mapped != 0) {
            value = mapped;
        }
    }
    if (value > 0xFFFF) {
        const QChar pair[2] = {QChar::highSurrogate(char32_t(value)),
                               QChar::lowSurrogate(char32_t(value))};
        AppendUnits(QStringView(pair, 2));
        return;
    }
    const auto unit = static_cast<char16_t>(value);
    AppendUnits(QStringView(&unit, 1));
}

void Parser::Char(char16_t ch) {
    if (skipping()) {
        return;
    }
    if (ucSkip_ > 0) {
        --ucSkip_;
        return;
    }
    const State& s = state();
    if (s.dest == Dest::FontTable) {
        if (ch != u'\t') {
            AppendFontName(QStringView(&ch, 1));
        }
        return;
    }
    if (s.dest != Dest::Text || s.chars.hidden) {
        return;
    }
    AppendUnits(QStringView(&ch, 1));
}

void Parser::AppendUnits(QStringView units) {
    FlushBytes();
    for (const QChar unit : units) {
        if (unit.isLowSurrogate()) {
            if (highSurrogate_ != 0) {
                text_ += QChar(highSurrogate_);
                text_ += unit;
                highSurrogate_ = 0;
            } else {
                text_ += QChar(QChar::ReplacementCharacter);
            }
            continue;
        }
        ResolveHighSurrogate();
        if (unit.isHighSurrogate()) {
            highSurrogate_ = unit.unicode();
        } else {
            text_ += unit;
        }
    }
}

void Parser::ResolveHighSurrogate() {
    if (highSurrogate_ != 0) {
        text_ += QChar(QChar::ReplacementCharacter);
        highSurrogate_ = 0;
    }
}

void Parser::ParagraphBreak() {
    if (skipping() || state().dest != Dest::Text || state().chars.hidden) {
        return;
    }
    FlushBytes();
    ResolveHighSurrogate();
    FlushRun();
    Sink& target = sink();
    EnsureParagraph(target);
    // Paragraph properties in force at the mark are the paragraph's.
    target.cursor.setBlockFormat(BlockFormat());
    target.paragraphOpen = false;
    target.pendingCells = 0;
}

void Parser::Cell() {
    if (skipping() || state().dest != Dest::Text) {
        return;
    }
    FlushRun();
    Sink& target = sink();
    EnsureParagraph(target);
    if (target.pendingCells < kMaxPendingCells) {
        ++target.pendingCells;
    }
}

void Parser::Row() {
    if (skipping() || state().dest != Dest::Text) {
        return;
    }
    FlushRun();
    Sink& target = sink();
    target.pendingCells = 0; // the mark after the last cell ends the row, not a tab
    EnsureParagraph(target);
    target.paragraphOpen = false;
}

void Parser::StartFootnote() {
    State& s = state();
    if (s.footnote) {
        s.dest = Dest::Skip; // a footnote inside a footnote
        return;
    }
    if (!footnotes_) {
        footnotes_ = std::make_unique<QTextDocument>();
        footnotes_->setUndoRedoEnabled(false);
        foot_.cursor = QTextCursor(footnotes_.get());
    }
    ++footnoteCount_;
    s.footnote = true;
    foot_.paragraphOpen = false; // each footnote starts a paragraph of its own
    foot_.pendingCells = 0;
}

void Parser::SkipBinary(int count) {
    const qsizetype left = data_.size() - pos_;
    pos_ += std::clamp(qsizetype(count), qsizetype(0), left);
}

int Parser::CodePage() const {
    const int font = state().chars.font >= 0 ? state().chars.font : defaultFont_;
    const auto found = fonts_.find(font);
    if (found != fonts_.end() && found->second.codePage != 0) {
        return found->second.codePage;
    }
    return docCodePage_;
}

QString Parser::Decode(const QByteArray& bytes, int codePage) {
    QString out;
    out.reserve(bytes.size());
    const auto add = [&out](char16_t ch) {
        if (ch >= 0x20 || ch == u'\t') {
            out += QChar(ch);
        }
    };
    if (codePage == kCpSymbol || codePage == kCpWingdings) {
        for (const char b : bytes) {
            const auto byte = static_cast<unsigned char>(b);
            const char16_t mapped =
                codePage == kCpSymbol ? SymbolFontChar(byte) : WingdingsChar(byte);
            add(mapped != 0 ? mapped : Cp1252(byte));
        }
        return out;
    }
    if (codePage != kCp1252) {
        auto found = decoders_.find(codePage);
        if (found == decoders_.end()) {
            const QByteArray name = CodePageName(codePage);
            found = decoders_
                        .emplace(codePage, name.isEmpty() ? QStringDecoder()
                                                          : QStringDecoder(name.constData()))
                        .first;
        }
        QStringDecoder& decoder = found->second;
        if (decoder.isValid()) {
            decoder.resetState();
            const QString decoded = decoder.decode(bytes);
            for (const QChar ch : decoded) {
                add(ch.unicode());
            }
            return out;
        }
    }
    for (const char b : bytes) {
        add(Cp1252(static_cast<unsigned char>(b)));
    }
    return out;
}

void Parser::FlushBytes() {
    if (pendingBytes_.isEmpty()) {
        return;
    }
    const QString decoded = Decode(pendingBytes_, pendingCodePage_);
    pendingBytes_.clear();
    if (!decoded.isEmpty()) {
        ResolveHighSurrogate();
        text_ += decoded;
    }
}

void Parser::FlushRun() {
    FlushBytes();
    if (text_.isEmpty()) {
        return;
    }
    Sink& target = sink();
    EnsureParagraph(target);
    const QTextCharFormat format = CharFormat();
    if (target.pendingCells > 0) {
        target.cursor.insertText(QString(target.pendingCells, u'\t'), format);
        target.pendingCells = 0;
    }
    target.cursor.insertText(text_, format);
    text_.clear();
}

void Parser::EnsureParagraph(Sink& target) {
    if (target.paragraphOpen) {
        return;
    }
    if (target.firstBlock) {
        target.cursor.setBlockFormat(BlockFormat());
        target.cursor.setBlockCharFormat(CharFormat());
        target.firstBlock = false;
    } else {
        target.cursor.insertBlock(BlockFormat(), CharFormat());
    }
    target.paragraphOpen = true;
}

QColor Parser::Color(int index) const {
    return index >= 0 && size_t(index) < colors_.size() ? colors_[size_t(index)] : QColor();
}

QTextCharFormat Parser::CharFormat() {
    const CharProps& chars = state().chars;
    if (formatValid_ && chars == formatProps_) {
        return format_;
    }
    QTextCharFormat format;
    format.setFontWeight(chars.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(chars.italic);
    format.setFontUnderline(chars.underline);
    format.setFontStrikeOut(chars.strike);
    format.setFontPointSize(chars.fontSize / 2.0);
    if (chars.vertical != 0) {
        format.setVerticalAlignment(chars.vertical > 0 ? QTextCharFormat::AlignSuperScript
                                                       : QTextCharFormat::AlignSubScript);
    }
    if (const QColor fg = Color(chars.foreground); fg.isValid()) {
        format.setForeground(fg);
    }
    if (const QColor bg = Color(chars.background); bg.isValid()) {
        format.setBackground(bg);
    }
    // Proportional font names are left to the widget (a help pane looks like the rest of the
    // program); fixed-pitch text keeps its font because columns may depend on it.
    const int font = chars.font >= 0 ? chars.font : defaultFont_;
    if (const auto found = fonts_.find(font); found != fonts_.end() && found->second.fixedPitch) {
        if (!found->second.name.isEmpty()) {
            format.setFontFamilies(QStringList{found->second.name});
        }
        format.setFontFixedPitch(true);
        format.setFontStyleHint(QFont::Monospace);
    }
    formatProps_ = chars;
    format_ = format;
    formatValid_ = true;
    return format;
}

QTextBlockFormat Parser::BlockFormat() const {
    const ParaProps& para = state().para;
    QTextBlockFormat format;
    switch (para.align) {
    case 1:
        format.setAlignment(Qt::AlignHCenter);
        break;
    case 2:
        format.setAlignment(Qt::AlignRight);
        break;
    case 3:
        format.setAlignment(Qt::AlignJustify);
        break;
    default:
        format.setAlignment(Qt::AlignLeft);
        break;
    }
    format.setLeftMargin(std::max(0.0, TwipsToPixels(para.leftIndent)));
    format.setRightMargin(std::max(0.0, TwipsToPixels(para.rightIndent)));
    format.setTextIndent(TwipsToPixels(para.firstIndent));
    format.setTopMargin(std::max(0.0, TwipsToPixels(para.spaceBefore)));
    format.setBottomMargin(std::max(0.0, TwipsToPixels(para.spaceAfter)));
    // Tab stops: the paragraph's own, and in a table row the cells' left edges, so that cells
    // (written with a tab between them) line up as columns.
    std::vector<int> stops(para.tabs.begin(), para.tabs.begin() + para.tabCount);
    if (para.inTable) {
        for (size_t i = 0; i + 1 < rowCellEdges_.size(); ++i) {
            stops.push_back(rowCellEdges_[i] + rowGap_);
        }
    }
    if (!stops.empty()) {
        std::sort(stops.begin(), stops.end());
        QList<QTextOption::Tab> tabs;
        for (const int twips : stops) {
            // RTF counts tab stops from the page margin, Qt from where the line starts; lines
            // with tabs are mostly first lines (hanging lists), so count from the first line.
            const int stop = twips - (para.leftIndent + para.firstIndent);
            if (stop > 0) {
                tabs.append(QTextOption::Tab(TwipsToPixels(stop), QTextOption::LeftTab));
            }
        }
        format.setTabPositions(tabs);
    }
    return format;
}

void Parser::CommitFont() {
    if (fontNumber_ >= 0 && (fonts_.size() < kMaxFonts || fonts_.count(fontNumber_) != 0)) {
        FlushFontName();
        font_.name = font_.name.trimmed();
        if (font_.codePage == kCpSymbol) {
            // Only the fonts whose glyphs are known get their look-alikes; other symbol fonts
            // read as cp1252.
            if (font_.name.startsWith(u"Wingdings", Qt::CaseInsensitive)) {
                font_.codePage = kCpWingdings;
            } else if (!font_.name.startsWith(u"Symbol", Qt::CaseInsensitive)) {
                font_.codePage = kCp1252;
            }
        }
        fonts_[fontNumber_] = font_;
    }
    fontNameBytes_.clear();
    font_ = FontInfo();
    fontNumber_ = -1;
    formatValid_ = false;
}

void Parser::FlushFontName() {
    if (fontNameBytes_.isEmpty()) {
        return;
    }
    // A font's name is in its own charset's code page.
    const int codePage = font_.codePage > 0 ? font_.codePage : docCodePage_;
    font_.name += Decode(fontNameBytes_, codePage);
    fontNameBytes_.clear();
}

void Parser::AppendFontName(QStringView chars) {
    FlushFontName();
    if (font_.name.size() < kMaxFontNameChars) {
        font_.name += chars;
    }
}

void Parser::CommitColor() {
    if (colors_.size() < kMaxColors) {
        colors_.push_back(colorSet_ ? QColor(red_, green_, blue_) : QColor());
    }
    red_ = green_ = blue_ = 0;
    colorSet_ = false;
    formatValid_ = false;
}

void Parser::Finish() {
    FlushBytes();
    ResolveHighSurrogate();
    FlushRun();
    if (!footnotes_ || footnotes_->isEmpty()) {
        return;
    }
    // Footnotes follow the body after an empty paragraph, each in a paragraph of its own.
    stack_.resize(1);
    stack_.front() = State();
    formatValid_ = false;
    if (!body_.firstBlock) {
        body_.cursor.insertBlock(QTextBlockFormat(), CharFormat());
        body_.cursor.insertBlock(QTextBlockFormat(), CharFormat());
    }
    body_.cursor.insertFragment(QTextDocumentFragment(footnotes_.get()));
}

} // namespace

RtfReadStatus ReadRtf(QByteArrayView rtf, QTextDocument* doc) {
    if (doc == nullptr) {
        return RtfReadStatus::NotRtf;
    }
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    doc->clear();
    Parser parser(rtf, doc);
    const RtfReadStatus status = parser.Run();
    doc->setUndoRedoEnabled(undo);
    doc->setModified(false);
    return status;
}

} // namespace vantoro
