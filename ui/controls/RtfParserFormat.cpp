#include "ui/controls/RtfParser.h"

#include <QFont>
#include <QList>
#include <QTextOption>
#include <algorithm>

namespace vantoro::rtf {
namespace {

int ClampTwips(int twips) {
    return std::clamp(twips, -kMaxTwips, kMaxTwips);
}

Qt::Alignment Alignment(int align) {
    switch (align) {
    case 1:
        return Qt::AlignHCenter;
    case 2:
        return Qt::AlignRight;
    case 3:
        return Qt::AlignJustify;
    default:
        return Qt::AlignLeft;
    }
}

} // namespace

void Parser::FontTableWord(Kw kw, Param param) {
    switch (kw) {
    case Kw::F:
        if (fontPending()) {
            CommitFont();
        }
        fontNumber_ = param.value;
        font_ = FontInfo();
        break;
    case Kw::FCharset:
        if (!font_.explicitCodePage) {
            font_.codePage = CharsetCodePage(param.value);
        }
        break;
    case Kw::Cpg:
        font_.codePage = param.value > 0 ? param.value : 0;
        font_.explicitCodePage = true;
        break;
    case Kw::FPrq:
        font_.fixedPitch = font_.fixedPitch || param.value == 1;
        break;
    case Kw::FModern:
        font_.fixedPitch = true;
        break;
    default:
        break;
    }
}

void Parser::ColorTableWord(Kw kw, Param param) {
    const int value = std::clamp(param.value, 0, 255);
    switch (kw) {
    case Kw::Red:
        red_ = value;
        break;
    case Kw::Green:
        green_ = value;
        break;
    case Kw::Blue:
        blue_ = value;
        break;
    default:
        return;
    }
    colorSet_ = true;
}

// Text in the font and colour tables: names, and the ';' that ends each entry.
void Parser::TableText(const char* bytes, qsizetype length) {
    const bool fonts = state().dest == Dest::FontTable;
    for (qsizetype i = 0; i < length; ++i) {
        if (bytes[i] == ';') {
            fonts ? CommitFont() : CommitColor();
        } else if (fonts && fontNameBytes_.size() < kMaxFontNameChars) {
            fontNameBytes_.append(bytes[i]);
        }
    }
}

bool Parser::CharacterWord(Kw kw, Param param) {
    CharProps& chars = state().chars;
    const bool on = !param.given || param.value != 0;
    switch (kw) {
    case Kw::F:
        chars.font = param.value;
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
        chars.vertical = !param.given || param.value > 0 ? 1 : 0;
        break;
    case Kw::Dn:
        chars.vertical = !param.given || param.value > 0 ? -1 : 0;
        break;
    default:
        return CharacterSizeOrColorWord(kw, param);
    }
    return true;
}

bool Parser::CharacterSizeOrColorWord(Kw kw, Param param) {
    CharProps& chars = state().chars;
    switch (kw) {
    case Kw::Fs:
        chars.fontSize = param.given && param.value > 0
                             ? std::clamp(param.value, kMinFontSize, kMaxFontSize)
                             : kDefaultFontSize;
        return true;
    case Kw::Cf:
        chars.foreground = param.given ? std::max(param.value, -1) : -1;
        return true;
    case Kw::Cb:
        chars.background = param.given ? std::max(param.value, -1) : -1;
        return true;
    case Kw::Highlight:
        chars.background = param.given && param.value > 0 ? param.value : -1;
        return true;
    default:
        return false;
    }
}

bool Parser::ParagraphWord(Kw kw, Param param) {
    ParaProps& para = state().para;
    switch (kw) {
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
        para.leftIndent = ClampTwips(param.value);
        break;
    case Kw::Ri:
        para.rightIndent = ClampTwips(param.value);
        break;
    case Kw::Fi:
        para.firstIndent = ClampTwips(param.value);
        break;
    case Kw::Sb:
        para.spaceBefore = ClampTwips(param.value);
        break;
    case Kw::Sa:
        para.spaceAfter = ClampTwips(param.value);
        break;
    case Kw::Tx:
        if (para.tabCount < kMaxTabStops && param.value > 0) {
            para.tabs[size_t(para.tabCount++)] = std::min(param.value, kMaxTwips);
        }
        break;
    default:
        return false;
    }
    return true;
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
    format.setAlignment(Alignment(para.align));
    format.setLeftMargin(std::max(0.0, TwipsToPixels(para.leftIndent)));
    format.setRightMargin(std::max(0.0, TwipsToPixels(para.rightIndent)));
    format.setTextIndent(TwipsToPixels(para.firstIndent));
    format.setTopMargin(std::max(0.0, TwipsToPixels(para.spaceBefore)));
    format.setBottomMargin(std::max(0.0, TwipsToPixels(para.spaceAfter)));
    if (para.tabCount > 0) {
        std::array<int, kMaxTabStops> stops = para.tabs;
        std::sort(stops.begin(), stops.begin() + para.tabCount);
        QList<QTextOption::Tab> tabs;
        for (int i = 0; i < para.tabCount; ++i) {
            // RTF counts tab stops from the page margin, Qt from where the line starts; lines
            // with tabs are mostly first lines (hanging lists), so count from the first line.
            const int stop = stops[size_t(i)] - (para.leftIndent + para.firstIndent);
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
    font_.name += decoder_.Decode(fontNameBytes_, codePage);
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

} // namespace vantoro::rtf
