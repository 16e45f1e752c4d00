#include "ui/controls/RtfParser.h"

#include <QTextDocument>
#include <QTextDocumentFragment>
#include <algorithm>

namespace vantoro::rtf {

bool Parser::BreakWord(Kw kw) {
    switch (kw) {
    case Kw::Par:
        ParagraphBreak();
        return true;
    case Kw::Page:
        if (Target().paragraphOpen || !text_.isEmpty()) {
            ParagraphBreak();
        }
        return true;
    case Kw::Line:
        Char(u'\u2028');
        return true;
    case Kw::Chftn:
        // The automatic footnote number: in the body, the number of the footnote that follows.
        if (!state().chars.hidden) {
            const int number = state().footnote ? footnoteCount_ : footnoteCount_ + 1;
            AppendUnits(QString::number(std::max(number, 1)));
        }
        return true;
    default:
        return false;
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
    const State& s = state();
    if (s.dest == Dest::FontTable || s.dest == Dest::ColorTable) {
        TableText(bytes, length);
        return;
    }
    if (s.dest == Dest::Text && !s.chars.hidden) {
        const int codePage = CodePage();
        if (codePage != pendingCodePage_) {
            FlushBytes();
            pendingCodePage_ = codePage;
        }
        pendingBytes_.append(bytes, length);
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
        if (const char16_t mapped = SymbolGlyph(CodePage(), static_cast<unsigned char>(value));
            mapped != 0) {
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
    Sink& target = Target();
    EnsureParagraph(target);
    // Paragraph properties in force at the mark are the paragraph's.
    target.cursor.setBlockFormat(BlockFormat());
    target.paragraphOpen = false;
    target.pendingTabs = 0;
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
        foot_.sink.cursor = QTextCursor(footnotes_.get());
    }
    ++footnoteCount_;
    s.footnote = true;
    foot_.sink.paragraphOpen = false; // each footnote starts a paragraph of its own
    foot_.sink.pendingTabs = 0;
}

int Parser::CodePage() const {
    const int font = state().chars.font >= 0 ? state().chars.font : defaultFont_;
    const auto found = fonts_.find(font);
    if (found != fonts_.end() && found->second.codePage != 0) {
        return found->second.codePage;
    }
    return docCodePage_;
}

void Parser::FlushBytes() {
    if (pendingBytes_.isEmpty()) {
        return;
    }
    const QString decoded = decoder_.Decode(pendingBytes_, pendingCodePage_);
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
    Sink& target = Target();
    EnsureParagraph(target);
    const QTextCharFormat format = CharFormat();
    if (target.pendingTabs > 0) {
        target.cursor.insertText(QString(target.pendingTabs, u'\t'), format);
        target.pendingTabs = 0;
    }
    target.cursor.insertText(text_, format);
    text_.clear();
}

void Parser::EnsureParagraph(Sink& target) {
    if (target.paragraphOpen) {
        return;
    }
    if (target.blockFree) {
        target.cursor.setBlockFormat(BlockFormat());
        target.cursor.setBlockCharFormat(CharFormat());
        target.blockFree = false;
    } else {
        target.cursor.insertBlock(BlockFormat(), CharFormat());
    }
    target.paragraphOpen = true;
}

void Parser::Finish() {
    FlushBytes();
    ResolveHighSurrogate();
    FlushRun();
    FlushTables(foot_);
    FlushTables(body_);
    if (!footnotes_ || footnotes_->isEmpty()) {
        return;
    }
    // Footnotes follow the body after an empty paragraph, each in a paragraph of its own.
    stack_.resize(1);
    stack_.front() = State();
    formatValid_ = false;
    QTextCursor& cursor = body_.sink.cursor;
    if (!body_.sink.blockFree) {
        cursor.insertBlock(QTextBlockFormat(), CharFormat());
        cursor.insertBlock(QTextBlockFormat(), CharFormat());
    } else if (!doc_->isEmpty()) {
        cursor.insertBlock(QTextBlockFormat(), CharFormat()); // the body ends with a table
    }
    cursor.insertFragment(QTextDocumentFragment(footnotes_.get()));
}

} // namespace vantoro::rtf
