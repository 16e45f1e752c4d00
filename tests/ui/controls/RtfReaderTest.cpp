#include "ui/controls/RtfReader.h"

#include <QColor>
#include <QFile>
#include <QFont>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>
#include <optional>

namespace vantoro {
namespace {

QString U(const char16_t* text) {
    return QString::fromUtf16(text);
}

// What a user sees: the document's text with paragraphs as '\n'. Raw text keeps the special
// characters (no-break space, soft hyphen, line separator) that toPlainText() rewrites.
struct Read {
    RtfReadStatus status;
    QString text;
    QString raw;
};

Read ReadText(QByteArrayView rtf) {
    QTextDocument doc;
    const RtfReadStatus status = ReadRtf(rtf, &doc);
    return {status, doc.toPlainText(), doc.toRawText()};
}

QString Text(QByteArrayView rtf) {
    return ReadText(rtf).text;
}

// The format of the first character of the first occurrence of word in doc.
QTextCharFormat FormatOf(const QTextDocument& doc, const QString& word) {
    QTextCursor cursor = doc.find(word);
    EXPECT_FALSE(cursor.isNull()) << "not found: " << word.toStdString();
    if (cursor.isNull()) {
        return {};
    }
    cursor.setPosition(cursor.selectionStart() + 1);
    return cursor.charFormat();
}

std::optional<QByteArray> Sample(const char* name) {
    QFile file(QStringLiteral(VANTORO_SOURCE_DIR "/../shared/rtf-samples/") +
               QString::fromLatin1(name));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return file.readAll();
}

#define LOAD_SAMPLE(var, name)                                                                     \
    const std::optional<QByteArray> var = Sample(name);                                            \
    if (!var) {                                                                                    \
        GTEST_SKIP() << "shared/rtf-samples/" name " is not beside the clone";                     \
    }

// ---- plain text, paragraphs and special characters --------------------------------------------

TEST(RtfReader, PlainParagraphsAndTrailingParDropped) {
    const Read r = ReadText("{\\rtf1\\ansi Hello, world.\\par Second line.\\par}");
    EXPECT_EQ(r.status, RtfReadStatus::Complete);
    EXPECT_EQ(r.text, "Hello, world.\nSecond line.");
}

TEST(RtfReader, EmptyParagraphsKept) {
    EXPECT_EQ(Text("{\\rtf1 \\par a\\par\\par b\\par}"), "\na\n\nb");
}

TEST(RtfReader, LineTabAndPard) {
    const Read r = ReadText("{\\rtf1 a\\line b\\tab c\\pard\\plain d}");
    EXPECT_EQ(r.raw, U(u"a\u2028b\tcd"));
    EXPECT_EQ(r.text, "a\nb\tcd");
}

TEST(RtfReader, RawTabIsTab) {
    EXPECT_EQ(Text("{\\rtf1 a\tb}"), "a\tb");
}

TEST(RtfReader, LineEndsInSourceAreIgnored) {
    EXPECT_EQ(Text("{\\rtf1 one\r\ntwo\nthree\rfour}"), "onetwothreefour");
}

TEST(RtfReader, BackslashNewlineIsParagraph) {
    EXPECT_EQ(Text("{\\rtf1 a\\\nb\\\r\nc\\\rd}"), "a\nb\nc\nd");
}

TEST(RtfReader, EscapedBracesAndBackslash) {
    EXPECT_EQ(Text("{\\rtf1 \\{x\\} \\\\ y}"), "{x} \\ y");
}

TEST(RtfReader, SpecialSymbols) {
    const Read r = ReadText("{\\rtf1 a\\~b\\-c\\_d}");
    EXPECT_EQ(r.raw, U(u"a\u00A0b\u00ADc\u2011d"));
}

TEST(RtfReader, SymbolWords) {
    EXPECT_EQ(Text("{\\rtf1 \\emdash\\endash\\lquote x\\rquote\\ldblquote y\\rdblquote\\bullet}"),
              U(u"\u2014\u2013\u2018x\u2019\u201Cy\u201D\u2022"));
}

TEST(RtfReader, SpaceAfterControlWordIsEaten) {
    EXPECT_EQ(Text("{\\rtf1 \\b bold\\b0  two}"), "bold two");
    EXPECT_EQ(Text("{\\rtf1 \\b1   x}"), "  x");
}

TEST(RtfReader, NumberRunningIntoText) {
    QTextDocument doc;
    ReadRtf("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}\\cf1Red \\highlight0Normal}", &doc);
    EXPECT_EQ(doc.toPlainText(), "Red Normal");
    EXPECT_EQ(FormatOf(doc, "Red").foreground().color(), QColor(255, 0, 0));
}

TEST(RtfReader, UnknownControlWordsIgnored) {
    EXPECT_EQ(Text("{\\rtf1\\cocoartf2577\\fooBar12 x\\zz-5 y\\| z}"), "xy z");
}

TEST(RtfReader, TextAfterOuterGroupIgnored) {
    const Read r = ReadText("{\\rtf1 a}b{c}");
    EXPECT_EQ(r.status, RtfReadStatus::Complete);
    EXPECT_EQ(r.text, "a");
}

TEST(RtfReader, NotRtfIsReadAsText) {
    const Read r = ReadText("just text");
    EXPECT_EQ(r.status, RtfReadStatus::NotRtf);
    EXPECT_EQ(r.text, "just text");
}

TEST(RtfReader, LeadingWhitespaceAndBomAllowed) {
    EXPECT_EQ(ReadText("\xEF\xBB\xBF \r\n{\\rtf1 x}").status, RtfReadStatus::Complete);
}

TEST(RtfReader, ReplacesPreviousContents) {
    QTextDocument doc;
    doc.setPlainText("old");
    ReadRtf("{\\rtf1 new}", &doc);
    EXPECT_EQ(doc.toPlainText(), "new");
    EXPECT_FALSE(doc.isUndoAvailable());
}

// ---- character formatting -----------------------------------------------------------------------

TEST(RtfReader, BoldItalicUnderlineAndOffForms) {
    QTextDocument doc;
    ReadRtf("{\\rtf1 \\b Bo\\b0  n1 \\i It\\i0  n2 \\ul Un\\ulnone  n3 \\ul Uz\\ul0  n4 "
            "\\b1 Bx\\b0 n5 {\\b\\i\\ul All} n6 \\strike St\\strike0 n7}",
            &doc);
    EXPECT_EQ(FormatOf(doc, "Bo").fontWeight(), QFont::Bold);
    EXPECT_EQ(FormatOf(doc, "n1").fontWeight(), QFont::Normal);
    EXPECT_TRUE(FormatOf(doc, "It").fontItalic());
    EXPECT_FALSE(FormatOf(doc, "n2").fontItalic());
    EXPECT_TRUE(FormatOf(doc, "Un").fontUnderline());
    EXPECT_FALSE(FormatOf(doc, "n3").fontUnderline());
    EXPECT_TRUE(FormatOf(doc, "Uz").fontUnderline());
    EXPECT_FALSE(FormatOf(doc, "n4").fontUnderline());
    EXPECT_EQ(FormatOf(doc, "Bx").fontWeight(), QFont::Bold);
    EXPECT_EQ(FormatOf(doc, "n5").fontWeight(), QFont::Normal);
    const QTextCharFormat all = FormatOf(doc, "All");
    EXPECT_EQ(all.fontWeight(), QFont::Bold);
    EXPECT_TRUE(all.fontItalic());
    EXPECT_TRUE(all.fontUnderline());
    // The group ended: back to plain.
    const QTextCharFormat after = FormatOf(doc, "n6");
    EXPECT_EQ(after.fontWeight(), QFont::Normal);
    EXPECT_FALSE(after.fontItalic());
    EXPECT_FALSE(after.fontUnderline());
    EXPECT_TRUE(FormatOf(doc, "St").fontStrikeOut());
    EXPECT_FALSE(FormatOf(doc, "n7").fontStrikeOut());
}

TEST(RtfReader, PlainResetsCharacterFormatting) {
    QTextDocument doc;
    ReadRtf("{\\rtf1 \\b\\i\\fs40 A\\plain B}", &doc);
    const QTextCharFormat b = FormatOf(doc, "B");
    EXPECT_EQ(b.fontWeight(), QFont::Normal);
    EXPECT_FALSE(b.fontItalic());
    EXPECT_DOUBLE_EQ(b.fontPointSize(), 12.0);
}

TEST(RtfReader, FontSizesInHalfPoints) {
    QTextDocument doc;
    ReadRtf("{\\rtf1 \\fs20 Ten {\\fs41 Big} \\fs Def}", &doc);
    EXPECT_DOUBLE_EQ(FormatOf(doc, "Ten").fontPointSize(), 10.0);
    EXPECT_DOUBLE_EQ(FormatOf(doc, "Big").fontPointSize(), 20.5);
    EXPECT_DOUBLE_EQ(FormatOf(doc, "Def").fontPointSize(), 12.0);
}

TEST(RtfReader, ColoursFromTableWithAutoEntry) {
    QTextDocument doc;
    ReadRtf("{\\rtf1{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
            "\\cf1 Red \\cf2 Blue \\cf0 Auto \\cf9 Missing \\highlight1 Hi\\highlight0  No "
            "\\cb2 Cb}",
            &doc);
    EXPECT_EQ(doc.toPlainText(), "Red Blue Auto Missing Hi No Cb");
    EXPECT_EQ(FormatOf(doc, "Red").foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(FormatOf(doc, "Blue").foreground().color(), QColor(0, 0, 255));
    EXPECT_FALSE(FormatOf(doc, "Auto").hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_FALSE(FormatOf(doc, "Missing").hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_EQ(FormatOf(doc, "Hi").background().color(), QColor(255, 0, 0));
    EXPECT_FALSE(FormatOf(doc, "No").hasProperty(QTextFormat::BackgroundBrush));
    EXPECT_EQ(FormatOf(doc, "Cb").background().color(), QColor(0, 0, 255));
}

TEST(RtfReader, SuperscriptAndHiddenText) {
    QTextDocument doc;
    ReadRtf("{\\rtf1 x{\\super 2} {\\v secret}y{\\sub i}}", &doc);
    EXPECT_EQ(doc.toPlainText(), "x2 yi");
    EXPECT_EQ(FormatOf(doc, "2").verticalAlignment(), QTextCharFormat::AlignSuperScript);
    EXPECT_EQ(FormatOf(doc, "i").verticalAlignment(), QTextCharFormat::AlignSubScript);
}

TEST(RtfReader, FixedPitchFontKept) {
    QTextDocument doc;
    ReadRtf("{\\rtf1{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern\\fprq1 Courier New;}}"
            "\\f0 Prop \\f1 Mono}",
            &doc);
    EXPECT_EQ(doc.toPlainText(), "Prop Mono");
    EXPECT_TRUE(FormatOf(doc, "Mono").fontFixedPitch());
    EXPECT_FALSE(FormatOf(doc, "Prop").fontFixedPitch());
}

TEST(RtfReader, ParagraphAlignmentAndIndent) {
    QTextDocument doc;
    ReadRtf("{\\rtf1\\pard\\qc Centre\\par\\pard\\li720\\fi-360\\tx720 Item\\par\\pard Left}",
            &doc);
    ASSERT_EQ(doc.blockCount(), 3);
    EXPECT_EQ(doc.findBlockByNumber(0).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
              Qt::AlignHCenter);
    const QTextBlockFormat item = doc.findBlockByNumber(1).blockFormat();
    EXPECT_DOUBLE_EQ(item.leftMargin(), 48.0);
    EXPECT_DOUBLE_EQ(item.textIndent(), -24.0);
    EXPECT_EQ(doc.findBlockByNumber(2).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
              Qt::AlignLeft);
}

// ---- code pages and Unicode ------------------------------------------------------------------

TEST(RtfReader, HexEscapesInCp1252ByDefault) {
    EXPECT_EQ(Text("{\\rtf1\\ansi \\'93quoted\\'94 \\'80 caf\\'e9 it\\'92s \\'85}"),
              U(u"\u201Cquoted\u201D \u20AC caf\u00E9 it\u2019s \u2026"));
}

TEST(RtfReader, RawHighBytesInCp1252) {
    EXPECT_EQ(Text("{\\rtf1 caf\xE9 \x96 x}"), U(u"caf\u00E9 \u2013 x"));
}

TEST(RtfReader, HexEscapeUppercaseAndShort) {
    EXPECT_EQ(Text("{\\rtf1 \\'C9\\'e9}"), U(u"\u00C9\u00E9"));
    EXPECT_EQ(Text("{\\rtf1 a\\'zb}"), "azb");
}

TEST(RtfReader, AnsiCodePage) {
    if (!QStringDecoder("windows-1251").isValid()) {
        GTEST_SKIP() << "this Qt has no windows-1251 decoder";
    }
    EXPECT_EQ(Text("{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}"),
              U(u"\u041F\u0440\u0438\u0432\u0435\u0442"));
}

TEST(RtfReader, FontCharsetCodePage) {
    if (!QStringDecoder("windows-1253").isValid()) {
        GTEST_SKIP() << "this Qt has no windows-1253 decoder";
    }
    EXPECT_EQ(Text("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset161 Arial Greek;}}"
                   "\\f0 \\'e1{\\f1 \\'e1}}"),
              U(u"\u00E1\u03B1"));
}

TEST(RtfReader, DoubleByteCodePageFromFontCharset) {
    if (!QStringDecoder("Shift_JIS").isValid()) {
        GTEST_SKIP() << "this Qt has no Shift_JIS decoder";
    }
    // Lead and trail bytes written as two escapes make one character.
    EXPECT_EQ(Text("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset128 MS Mincho;}}"
                   "{\\f1 \\'93\\'fa\\'96\\'7b}x}"),
              U(u"\u65E5\u672Cx"));
}

TEST(RtfReader, UnknownCodePageReadsAsCp1252) {
    EXPECT_EQ(Text("{\\rtf1\\ansi\\ansicpg99999 \\'e9\\'80}"), U(u"\u00E9\u20AC"));
}

TEST(RtfReader, SymbolFontBullet) {
    EXPECT_EQ(Text("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f3\\froman\\fcharset2 Symbol;}}"
                   "{\\f3 \\'b7\\tab}Item {\\f3 a}}"),
              U(u"\u2022\tItem \u03B1"));
}

TEST(RtfReader, UnicodeWithDefaultFallbackOfOne) {
    EXPECT_EQ(Text("{\\rtf1 \\u9731?x}"), U(u"\u2603x"));
}

TEST(RtfReader, UnicodeFallbackIsAnEscape) {
    // \'3f is one fallback unit: skipped, not shown.
    EXPECT_EQ(Text("{\\rtf1 \\u26580\\'3f\\u36947\\'3f!}"), U(u"\u67D4\u9053!"));
}

TEST(RtfReader, UcCountsAndScope) {
    EXPECT_EQ(Text("{\\rtf1\\uc2 a\\u8364xyb}"), U(u"a\u20ACb"));
    EXPECT_EQ(Text("{\\rtf1\\uc0 \\u8364 x}"), U(u"\u20ACx"));
    // \uc is group-scoped: the outer group keeps its default of 1.
    EXPECT_EQ(Text("{\\rtf1 {\\uc2 \\u8364 xy}\\u8364 zq}"), U(u"\u20AC\u20ACq"));
    // A fallback of two escapes.
    EXPECT_EQ(Text("{\\rtf1\\uc2 \\u8364\\'80\\'80z}"), U(u"\u20ACz"));
    // A group boundary ends the fallback.
    EXPECT_EQ(Text("{\\rtf1\\uc3 \\u8364{b}c}"), U(u"\u20ACbc"));
    // A \par is never swallowed as fallback.
    EXPECT_EQ(Text("{\\rtf1 \\u8364\\par x}"), U(u"\u20AC\nx"));
}

TEST(RtfReader, NegativeUnicodeAndSurrogatePairs) {
    EXPECT_EQ(Text("{\\rtf1 \\u-3913?}"), U(u"\uF0B7"));
    EXPECT_EQ(Text("{\\rtf1 \\u-10179?\\u-9047?}"), U(u"\U0001F4A9"));
    EXPECT_EQ(Text("{\\rtf1 \\u55357?\\u56489?}"), U(u"\U0001F4A9"));
    // Halves in different groups still make one character.
    EXPECT_EQ(Text("{\\rtf1 {\\u-10179?}{\\u-9047?}}"), U(u"\U0001F4A9"));
}

TEST(RtfReader, LoneSurrogatesBecomeReplacementCharacters) {
    EXPECT_EQ(Text("{\\rtf1 \\u-10179?x}"), U(u"\uFFFDx"));
    EXPECT_EQ(Text("{\\rtf1 x\\u-9047?}"), U(u"x\uFFFD"));
    EXPECT_EQ(Text("{\\rtf1 \\u-10179?}"), U(u"\uFFFD"));
}

// ---- destinations ------------------------------------------------------------------------------

TEST(RtfReader, SkippedDestinationsDoNotLeak) {
    const Read r = ReadText(
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial{\\*\\falt Helv};}}"
        "{\\colortbl;\\red1\\green2\\blue3;}"
        "{\\stylesheet{\\s0 Normal;}{\\s1 heading 1;}}"
        "{\\info{\\title TitleLeak}{\\author AuthorLeak}}"
        "{\\*\\generator GeneratorLeak;}"
        "{\\*\\unknowndest UnknownLeak}"
        "{\\header HeaderLeak}{\\footerl FooterLeak}"
        "{\\listtable{\\list{\\listlevel{\\leveltext\\'01\\u-3913 ?;}}{\\listname ListLeak;}}}"
        "{\\listoverridetable{\\listoverride\\ls1}}"
        "{\\*\\rsidtbl \\rsid1}{\\*\\latentstyles LatentLeak}{\\*\\themedata 0a0b}"
        "{\\*\\xmlnstbl XmlLeak}{\\*\\pgdsctbl{\\pgdsc0 Default Style;}}"
        "{\\pict\\wmetafile8 0123456789abcdef}"
        "{\\object{\\*\\objdata 0102}{\\result ResultInObject}}"
        "{\\*\\shppict{\\pict\\pngblip 89504e47}}{\\nonshppict{\\pict 00}}"
        "Visible\\par}");
    EXPECT_EQ(r.status, RtfReadStatus::Complete);
    EXPECT_EQ(r.text, "Visible");
}

TEST(RtfReader, FieldShowsResultNotInstruction) {
    EXPECT_EQ(Text("{\\rtf1 See {\\field{\\*\\fldinst{HYPERLINK \"http://example.invalid\"}}"
                   "{\\fldrslt the site}} now. {\\field{\\fldinst PAGE}{\\fldrslt 7}}}"),
              "See the site now. 7");
}

TEST(RtfReader, BinDataSkipped) {
    EXPECT_EQ(Text("{\\rtf1 a\\bin4 {}\\}b}"), "ab");
    EXPECT_EQ(Text("{\\rtf1 a{\\pict\\bin3 x}}b}c}"), "ac");
    EXPECT_EQ(Text("{\\rtf1 a\\bin0 b\\bin c}"), "abc");
}

TEST(RtfReader, FootnoteShownAfterBody) {
    const Read r = ReadText("{\\rtf1 Body has a{\\super\\chftn{\\footnote\\pard\\plain{\\super"
                            "\\chftn} The note.}} mark.\\par Next.\\par}");
    EXPECT_EQ(r.text, "Body has a1 mark.\nNext.\n\n1 The note.");
}

TEST(RtfReader, TableCellsSeparated) {
    EXPECT_EQ(Text("{\\rtf1\\trowd\\cellx1000\\cellx2000\\cellx3000 \\intbl A\\cell B\\cell"
                   "\\cell\\row\\trowd\\cellx1000 \\intbl C\\cell\\row After}"),
              "A\tB\nC\nAfter");
}

TEST(RtfReader, TableCellEdgesBecomeTabStops) {
    QTextDocument doc;
    ReadRtf("{\\rtf1\\trowd\\trgaph108\\cellx1500\\cellx3000\\pard\\intbl A\\cell B\\cell\\row"
            "\\pard After}",
            &doc);
    ASSERT_EQ(doc.blockCount(), 2);
    const QList<QTextOption::Tab> tabs = doc.firstBlock().blockFormat().tabPositions();
    ASSERT_EQ(tabs.size(), 1);
    EXPECT_DOUBLE_EQ(tabs.front().position, (1500 + 108) / 15.0);
    EXPECT_TRUE(doc.lastBlock().blockFormat().tabPositions().isEmpty());
}

TEST(RtfReader, PageBreakEndsParagraphOnce) {
    EXPECT_EQ(Text("{\\rtf1 One\\page Two\\par\\page Three\\sect}"), "One\nTwo\nThree");
}

// ---- hostile input
// -------------------------------------------------------------------------------

TEST(RtfReader, HundredThousandOpenBraces) {
    QByteArray rtf = "{\\rtf1 start";
    rtf.append(QByteArray(100000, '{'));
    const Read r = ReadText(rtf);
    EXPECT_EQ(r.status, RtfReadStatus::Truncated);
    EXPECT_EQ(r.text, "start");
}

TEST(RtfReader, DeepNestingSkippedThenParsingGoesOn) {
    QByteArray rtf = "{\\rtf1 a";
    // The outer group is depth 1; depth kRtfMaxGroupDepth still shows, deeper does not.
    rtf.append(QByteArray(kRtfMaxGroupDepth - 1, '{'));
    rtf.append("b{c{\\b d}}");
    rtf.append(QByteArray(kRtfMaxGroupDepth - 1, '}'));
    rtf.append("e");
    rtf.append(QByteArray(100000, '{'));
    rtf.append("deep");
    rtf.append(QByteArray(100000, '}'));
    rtf.append(" f}");
    const Read r = ReadText(rtf);
    EXPECT_EQ(r.status, RtfReadStatus::Complete);
    EXPECT_EQ(r.text, "abe f");
}

TEST(RtfReader, StrayClosingBracesIgnored) {
    EXPECT_EQ(Text("}}}x{y}").toStdString(), "xy");
}

TEST(RtfReader, HugeNumbersAreClamped) {
    const Read r =
        ReadText("{\\rtf1\\fs99999999999999999999 A\\fs-99999999999999999999 B"
                 "\\cf99999999999 C\\highlight-2147483649 D\\u99999999999999?E\\u-99999999999?F"
                 "\\uc99999999999 \\u8364 GGGGGGGGGGGGGGGGH\\li99999999999\\fi-99999999999 I\\par"
                 "\\tx99999999999\\sb-99999999999 J\\ansicpg-5 \\'e9\\deff99999999999 K"
                 "\\bin99999999999999999 LostInBinary}");
    EXPECT_EQ(r.status, RtfReadStatus::Truncated);
    EXPECT_TRUE(r.text.startsWith("ABCDEF")) << r.text.toStdString();
    EXPECT_TRUE(r.text.contains(U(u"\u20ACHI\nJ\u00E9K"))) << r.text.toStdString();
    EXPECT_FALSE(r.text.contains("LostInBinary"));
}

TEST(RtfReader, NulBytesTolerated) {
    const QByteArray rtf("{\\rtf1 a\0b\\'00c{\0}d}\0\0", 20);
    const Read r = ReadText(rtf);
    EXPECT_EQ(r.status, RtfReadStatus::Complete);
    EXPECT_EQ(r.text, "abcd");
}

TEST(RtfReader, TruncatedInTheMiddleOfTokens) {
    for (const char* rtf : {"{\\rtf1 abc\\", "{\\rtf1 abc\\'", "{\\rtf1 abc\\'4", "{\\rtf1 abc\\u",
                            "{\\rtf1 abc\\u-", "{\\rtf1 abc{\\*", "{\\rtf1 abc\\b"}) {
        const Read r = ReadText(rtf);
        EXPECT_EQ(r.status, RtfReadStatus::Truncated) << rtf;
        EXPECT_TRUE(r.text.startsWith("abc")) << rtf;
    }
    EXPECT_EQ(Text(""), "");
}

TEST(RtfReader, ManyTablesAndFontsStayBounded) {
    QByteArray rtf = "{\\rtf1{\\fonttbl";
    for (int i = 0; i < 10000; ++i) {
        rtf.append("{\\f" + QByteArray::number(i) + " F;}");
    }
    rtf.append("}{\\colortbl");
    rtf.append(QByteArray(20000, ';'));
    rtf.append("}\\f9999\\cf19999 ok");
    rtf.append(QByteArray(5000, '\\').replace("\\", "\\cell"));
    rtf.append(" x}");
    const Read r = ReadText(rtf);
    EXPECT_EQ(r.status, RtfReadStatus::Complete);
    EXPECT_TRUE(r.text.startsWith("ok\t")) << r.text.left(20).toStdString();
    EXPECT_TRUE(r.text.endsWith("\tx"));
    // Empty cells pile up as tabs, but not without bound.
    EXPECT_LE(r.text.size(), 300);
}

TEST(RtfReader, FewMegabytesReadCompletely) {
    QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}";
    const QByteArray para = "{\\b Heading} Some \\i text\\i0  with caf\\'e9 and \\u8364? in it, "
                            "{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt link}}.\\par\n";
    while (rtf.size() < 4 * 1024 * 1024) {
        rtf.append(para);
        rtf.append("{\\pict\\pngblip 0123456789abcdef0123456789abcdef0123456789abcdef}\n");
    }
    rtf.append("The end.}");
    QTextDocument doc;
    EXPECT_EQ(ReadRtf(rtf, &doc), RtfReadStatus::Complete);
    const QString text = doc.toPlainText();
    EXPECT_TRUE(text.endsWith(QStringLiteral("The end.")));
    EXPECT_FALSE(text.contains(QStringLiteral("0123456789abcdef")));
    EXPECT_FALSE(text.contains(QStringLiteral("HYPERLINK")));
}

// ---- real files from word processors (shared/rtf-samples, see SOURCES.txt) ------------------

TEST(RtfReaderSamples, WordpadPileOfPoo) {
    LOAD_SAMPLE(rtf, "wordpad_pile_of_poo.rtf");
    const Read r = ReadText(*rtf);
    EXPECT_EQ(r.status, RtfReadStatus::Complete);
    EXPECT_EQ(r.text, U(u"I\u00F1t\u00EBrn\u00E2ti\u00F4n\u00E0liz\u00E6ti\u00F8n"
                        u"\u2603\U0001F4A9"));
}

TEST(RtfReaderSamples, WordpadColors) {
    LOAD_SAMPLE(rtf, "wordpad_colors.rtf");
    QTextDocument doc;
    EXPECT_EQ(ReadRtf(*rtf, &doc), RtfReadStatus::Complete);
    EXPECT_EQ(doc.toPlainText(), "\nNormal Line 1\nNormal Line 2\nColored Line\nHighlighted "
                                 "Line\nColored & Highlighted Line");
    EXPECT_FALSE(FormatOf(doc, "Normal Line 1").hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_FALSE(FormatOf(doc, "Normal Line 1").hasProperty(QTextFormat::BackgroundBrush));
    EXPECT_EQ(FormatOf(doc, "Colored Line").foreground().color(), QColor(0, 255, 0));
    EXPECT_EQ(FormatOf(doc, "Highlighted Line").background().color(), QColor(255, 0, 0));
    const QTextCharFormat both = FormatOf(doc, "Colored & Highlighted");
    EXPECT_EQ(both.foreground().color(), QColor(255, 255, 255));
    EXPECT_EQ(both.background().color(), QColor(0, 0, 255));
    EXPECT_DOUBLE_EQ(both.fontPointSize(), 8.5);
    EXPECT_FALSE(doc.toPlainText().contains("Mirco"));
}

TEST(RtfReaderSamples, Word2003Sample) {
    LOAD_SAMPLE(rtf, "word2003_sample.rtf");
    QTextDocument doc;
    EXPECT_EQ(ReadRtf(*rtf, &doc), RtfReadStatus::Complete);
    const QString text = doc.toPlainText();
    const QStringList lines = text.split('\n');
    EXPECT_EQ(lines.value(0), "This is a test RTF");
    EXPECT_TRUE(lines.value(1).startsWith(U(u"Hi! I\u2019m a test file.")))
        << lines.value(1).toStdString();
    EXPECT_TRUE(text.contains(U(u"So we\u2019re going to end this paragraph")));
    EXPECT_TRUE(lines.contains(U(u"\u2022\tItem 1")));
    EXPECT_TRUE(lines.contains(U(u"\u2022\tItem 4")));
    EXPECT_TRUE(lines.contains("Cell 1\tCell 2"));
    EXPECT_TRUE(lines.contains("More in cell 2\tCell 3"));
    EXPECT_TRUE(lines.contains("Next row\tNext row \tNext row"));
    EXPECT_TRUE(text.contains(U(u"And here we\u2019re on the next page.")));
    EXPECT_TRUE(text.contains("This is the actual content of the footnote."));
    EXPECT_FALSE(text.contains("hidden"));
    // Nothing from the tables and destinations before the body.
    for (const char* leak : {"Times New Roman", "Normal", "heading", "Nate", "Microsoft", "panose",
                             "Default Paragraph Font", "Table Grid", "HYPERLINK"}) {
        EXPECT_FALSE(text.contains(QLatin1String(leak))) << leak;
    }
    EXPECT_EQ(FormatOf(doc, "This is a test RTF").fontWeight(), QFont::Bold);
    EXPECT_DOUBLE_EQ(FormatOf(doc, "This is a test RTF").fontPointSize(), 16.0);
    EXPECT_EQ(FormatOf(doc, "bold").fontWeight(), QFont::Bold);
    EXPECT_TRUE(FormatOf(doc, "italic").fontItalic());
    EXPECT_TRUE(FormatOf(doc, "underline").fontUnderline());
}

TEST(RtfReaderSamples, LibreOfficeUnicode) {
    LOAD_SAMPLE(rtf, "libreoffice_unicode.rtf");
    const Read r = ReadText(*rtf);
    EXPECT_EQ(r.status, RtfReadStatus::Complete);
    EXPECT_EQ(r.text, U(u"\u67D4\u9053"));
}

TEST(RtfReaderSamples, TextEditHyperlink) {
    LOAD_SAMPLE(rtf, "textedit_hyperlink.rtf");
    const Read r = ReadText(*rtf);
    EXPECT_EQ(r.status, RtfReadStatus::Complete);
    EXPECT_EQ(r.text, "macOS text edit hyperlink\n\n\nFirst one is: striprtf.dev (plain)\n\n"
                      "Second one is: github (real)");
}

TEST(RtfReaderSamples, LibreOfficeWithImage) {
    LOAD_SAMPLE(rtf, "extra_libreoffice_with_image_38k.rtf");
    const Read r = ReadText(*rtf);
    EXPECT_EQ(r.status, RtfReadStatus::Complete);
    EXPECT_EQ(r.text.trimmed(), "");
}

TEST(RtfReaderSamples, EverySampleTruncatedShowsAPrefix) {
    for (const char* name : {"wordpad_pile_of_poo.rtf", "wordpad_colors.rtf", "word2003_sample.rtf",
                             "libreoffice_unicode.rtf", "textedit_hyperlink.rtf",
                             "extra_libreoffice_with_image_38k.rtf"}) {
        const std::optional<QByteArray> rtf = Sample(name);
        if (!rtf) {
            GTEST_SKIP() << "shared/rtf-samples is not beside the clone";
        }
        const QString full = ReadText(*rtf).text;
        const qsizetype end = rtf->lastIndexOf('}'); // the outer group's closing brace
        for (qsizetype cut = 0; cut < end; cut += std::max<qsizetype>(1, end / 97)) {
            const Read part = ReadText(rtf->left(cut));
            EXPECT_NE(part.status, RtfReadStatus::Complete) << name << " cut at " << cut;
            EXPECT_LE(part.text.size(), full.size() + 2) << name << " cut at " << cut;
        }
    }
}

TEST(RtfReaderSamples, Word2003TruncatedShowsWhatWasRead) {
    LOAD_SAMPLE(rtf, "word2003_sample.rtf");
    const qsizetype cut = rtf->indexOf("Item 3");
    ASSERT_GT(cut, 0);
    const Read r = ReadText(rtf->left(cut + 4));
    EXPECT_EQ(r.status, RtfReadStatus::Truncated);
    EXPECT_TRUE(r.text.startsWith("This is a test RTF\nHi!"));
    EXPECT_TRUE(r.text.endsWith(U(u"\u2022\tItem"))) << r.text.toStdString();
}

} // namespace
} // namespace vantoro
