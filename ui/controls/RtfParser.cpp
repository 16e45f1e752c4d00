#include "ui/controls/RtfParser.h"

#include <QTextDocument>
#include <algorithm>

namespace vantoro::rtf {
namespace {

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

} // namespace

Parser::Parser(QByteArrayView data, QTextDocument* doc) : data_(data), doc_(doc) {
    stack_.reserve(64);
    stack_.emplace_back();
    body_.sink.cursor = QTextCursor(doc_);
}

Parser::~Parser() = default;

RtfReadStatus Parser::Run() {
    Skip();
    body_.sink.cursor.beginEditBlock();
    const qsizetype size = data_.size();
    while (pos_ < size && !done_) {
        const auto c = static_cast<unsigned char>(data_[pos_]);
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
        case '\\':
            ReadControl();
            break;
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
        default:
            groupStart_ = false;
            ReadText();
            break;
        }
    }
    Finish();
    body_.sink.cursor.endEditBlock();
    if (!isRtf_) {
        return RtfReadStatus::NotRtf;
    }
    return done_ ? RtfReadStatus::Complete : RtfReadStatus::Truncated;
}

// Leading white space and a UTF-8 byte order mark may come before "{\rtf"; they are no text.
void Parser::Skip() {
    qsizetype start = 0;
    if (data_.startsWith(QByteArrayView("\xEF\xBB\xBF"))) {
        start = 3;
    }
    while (start < data_.size() && (data_[start] == ' ' || data_[start] == '\r' ||
                                    data_[start] == '\n' || data_[start] == '\t')) {
        ++start;
    }
    isRtf_ = data_.sliced(start).startsWith(QByteArrayView("{\\rtf"));
    pos_ = start;
}

void Parser::ReadControl() {
    const qsizetype size = data_.size();
    groupStart_ = groupStart_ && pos_ + 1 < size && data_[pos_ + 1] == '*';
    ++pos_;
    if (pos_ >= size) {
        return;
    }
    const auto next = static_cast<unsigned char>(data_[pos_]);
    if (!IsLetter(next)) {
        ++pos_;
        ControlSymbol(next);
        return;
    }
    const qsizetype wordStart = pos_;
    while (pos_ < size && IsLetter(static_cast<unsigned char>(data_[pos_]))) {
        ++pos_;
    }
    const std::string_view word(data_.data() + wordStart, size_t(pos_ - wordStart));
    ControlWord(word, ReadParam());
}

Param Parser::ReadParam() {
    const qsizetype size = data_.size();
    Param param;
    bool negative = false;
    if (pos_ < size && data_[pos_] == '-' && pos_ + 1 < size &&
        IsDigit(static_cast<unsigned char>(data_[pos_ + 1]))) {
        negative = true;
        ++pos_;
    }
    while (pos_ < size && IsDigit(static_cast<unsigned char>(data_[pos_]))) {
        param.given = true;
        const int digit = data_[pos_] - '0';
        param.value = param.value > (kMaxParam - digit) / 10 ? kMaxParam : param.value * 10 + digit;
        ++pos_;
    }
    if (negative) {
        param.value = -param.value;
    }
    if (pos_ < size && data_[pos_] == ' ') {
        ++pos_; // the delimiting space belongs to the control word
    }
    return param;
}

void Parser::ReadText() {
    const qsizetype size = data_.size();
    const char* bytes = data_.data();
    const qsizetype runStart = pos_;
    if (skipping() && ucSkip_ == 0) {
        // Pictures and other skipped destinations can be large: run to the next token.
        while (pos_ < size && bytes[pos_] != '{' && bytes[pos_] != '}' && bytes[pos_] != '\\') {
            ++pos_;
        }
        return;
    }
    while (pos_ < size) {
        const char b = bytes[pos_];
        if (b == '{' || b == '}' || b == '\\' || b == '\r' || b == '\n' || b == '\0' || b == '\t') {
            break;
        }
        ++pos_;
    }
    TextBytes(bytes + runStart, pos_ - runStart);
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
    if (state().dest == Dest::FontTable && fontPending()) {
        CommitFont(); // an entry without its ';'
    }
    stack_.pop_back();
    if (stack_.size() == 1 && isRtf_) {
        done_ = true; // the outer {\rtf1 group is closed; what follows is not part of it
    }
}

void Parser::ControlSymbol(unsigned char c) {
    if (overflow_ > 0 || SkipFallbackSymbol(c)) {
        return;
    }
    switch (c) {
    case '\'':
        HexByte();
        break;
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

// While \uN's fallback is skipped, a control symbol that stands for a character is one unit of
// it; any other ends the fallback.
bool Parser::SkipFallbackSymbol(unsigned char c) {
    if (ucSkip_ == 0) {
        return false;
    }
    switch (c) {
    case '\'':
        for (int i = 0;
             i < 2 && pos_ < data_.size() && HexValue(static_cast<unsigned char>(data_[pos_])) >= 0;
             ++i) {
            ++pos_;
        }
        --ucSkip_;
        return true;
    case '\\':
    case '{':
    case '}':
    case '~':
    case '-':
    case '_':
        --ucSkip_;
        return true;
    default:
        ucSkip_ = 0;
        return false;
    }
}

void Parser::HexByte() {
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
}

void Parser::ControlWord(std::string_view word, Param param) {
    groupStart_ = false;
    const Kw kw = LookupKeyword(word);
    if (kw == Kw::Bin) {
        // Binary data never shows; it may hold any byte, braces included.
        SkipBinary(param.given ? param.value : 0);
        if (ucSkip_ > 0) {
            --ucSkip_;
        }
        return;
    }
    if (kw == Kw::NestTableProps && overflow_ == 0) {
        NestedRowProperties();
        return;
    }
    if (overflow_ > 0 || SkipFallbackWord(kw) || state().dest == Dest::Skip) {
        return;
    }
    if (const char16_t ch = SymbolChar(kw); ch != 0) {
        Char(ch);
        return;
    }
    if (kw == Kw::U) {
        Unicode(param.given ? param.value : 0);
        return;
    }
    FlushRun();
    if (!DocumentWord(kw, param)) {
        DestinationWord(kw, param);
    }
}

// A word that stands for a character is one unit of \uN's fallback; any other ends it.
bool Parser::SkipFallbackWord(Kw kw) {
    if (ucSkip_ == 0) {
        return false;
    }
    if (SymbolChar(kw) != 0 || kw == Kw::Chftn) {
        --ucSkip_;
        return true;
    }
    ucSkip_ = 0;
    return false;
}

// Words that mean the same in every destination.
bool Parser::DocumentWord(Kw kw, Param param) {
    switch (kw) {
    case Kw::SkipDest:
        state().dest = Dest::Skip;
        return true;
    case Kw::Uc:
        state().uc = std::clamp(param.given ? param.value : 1, 0, kMaxUc);
        return true;
    case Kw::Ansi:
        docCodePage_ = kCp1252;
        return true;
    case Kw::Mac:
        docCodePage_ = 10000;
        return true;
    case Kw::Pc:
        docCodePage_ = 437;
        return true;
    case Kw::Pca:
        docCodePage_ = 850;
        return true;
    case Kw::AnsiCpg:
        docCodePage_ = param.value > 0 ? param.value : kCp1252;
        return true;
    case Kw::Deff:
        defaultFont_ = param.value;
        return true;
    default:
        return false;
    }
}

void Parser::DestinationWord(Kw kw, Param param) {
    switch (state().dest) {
    case Dest::FontTable:
        FontTableWord(kw, param);
        return;
    case Dest::ColorTable:
        ColorTableWord(kw, param);
        return;
    default:
        break;
    }
    if (CharacterWord(kw, param) || ParagraphWord(kw, param) || TableWord(kw, param) ||
        BreakWord(kw)) {
        return;
    }
    switch (kw) {
    case Kw::FontTable:
        state().dest = Dest::FontTable;
        fontNumber_ = -1;
        font_ = FontInfo();
        fontNameBytes_.clear();
        break;
    case Kw::ColorTable:
        state().dest = Dest::ColorTable;
        colors_.clear();
        red_ = green_ = blue_ = 0;
        colorSet_ = false;
        break;
    case Kw::Footnote:
        StartFootnote();
        break;
    default:
        break;
    }
}

void Parser::SkipBinary(int count) {
    const qsizetype left = data_.size() - pos_;
    pos_ += std::clamp(qsizetype(count), qsizetype(0), left);
}

} // namespace vantoro::rtf
