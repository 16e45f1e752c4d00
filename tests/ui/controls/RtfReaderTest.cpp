#include "ui/controls/RtfReader.h"

#include <QColor>
#include <QFile>
#include <QFont>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <gtest/gtest.h>
#include <initializer_list>
#include <utility>

namespace vantoro {
namespace {

const auto U = [](const char16_t* text) { return QString::fromUtf16(text); };

struct Read {
    RtfReadStatus status;
    QString text, raw; // raw keeps no-break space, soft hyphen and line separator
};

Read ReadText(QByteArrayView rtf) {
    QTextDocument doc;
    const RtfReadStatus status = ReadRtf(rtf, &doc);
    return {status, doc.toPlainText(), doc.toRawText()};
}

// A format in short: i u s b ^ _ m (italic, underline, strike-out, bold, super-/subscript,
// fixed pitch), the point size, then any foreground and background colours.
QString Describe(const QTextCharFormat& f) {
    const auto valign = f.verticalAlignment();
    QString s =
        QString(f.fontItalic() ? "i" : "") + (f.fontUnderline() ? "u" : "") +
        (f.fontStrikeOut() ? "s" : "") +
        (f.fontWeight() == QFont::Bold ? "b" : (f.fontWeight() == QFont::Normal ? "" : "?")) +
        (valign == QTextCharFormat::AlignSuperScript ? "^" : "") +
        (valign == QTextCharFormat::AlignSubScript ? "_" : "") + (f.fontFixedPitch() ? "m" : "") +
        QString::number(f.fontPointSize());
    s += f.hasProperty(QTextFormat::ForegroundBrush) ? " fg" + f.foreground().color().name() : "";
    s += f.hasProperty(QTextFormat::BackgroundBrush) ? " bg" + f.background().color().name() : "";
    return s;
}

// Checks "word:description" entries against the first character of each word's first occurrence.
void ExpectFormats(const QTextDocument& doc, std::initializer_list<const char*> entries) {
    for (const char* entry : entries) {
        const QStringList parts = QString::fromUtf8(entry).split(':');
        QTextCursor cursor = doc.find(parts.front());
        ASSERT_FALSE(cursor.isNull()) << entry;
        cursor.setPosition(cursor.selectionStart() + 1);
        EXPECT_EQ(Describe(cursor.charFormat()), parts.back()) << entry;
    }
}

// A real word-processor file from shared/rtf-samples (see SOURCES.txt), empty if missing.
QByteArray Sample(const char* name) {
    QFile file(QStringLiteral(VANTORO_SOURCE_DIR "/../shared/rtf-samples/") +
               QString::fromLatin1(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(RtfReader, TextOfCompleteDocuments) {
    const std::pair<const char*, const char16_t*> cases[] = {
        {"{\\rtf1\\ansi \\par Hello, world.\\par\\par Second line.\\par}",
         u"\nHello, world.\n\nSecond line."},
        {"{\\rtf1 a\tb one\r\ntwo\nthree\rfour}", u"a\tb onetwothreefour"},
        {"{\\rtf1 a\\\nb\\\r\nc\\\rd}", u"a\nb\nc\nd"},
        {"{\\rtf1 \\{x\\} \\\\ y\\emdash\\endash\\lquote x\\rquote\\ldblquote "
         "y\\rdblquote\\bullet}",
         u"{x} \\ y\u2014\u2013\u2018x\u2019\u201Cy\u201D\u2022"},
        {"{\\rtf1 \\b bold\\b0  two\\b1   x}", u"bold two  x"},
        {"{\\rtf1\\cocoartf2577\\fooBar12 x\\zz-5 y\\| z}", u"xy z"},
        {"{\\rtf1 a}b{c}", u"a"},
        {"{\\rtf1 One\\page Two\\par\\page Three\\sect}", u"One\nTwo\nThree"},
        // cp1252 by default; the Symbol font.
        {"{\\rtf1\\ansi \\'93quoted\\'94 \\'80 caf\\'e9 it\\'92s \\'85}",
         u"\u201Cquoted\u201D \u20AC caf\u00E9 it\u2019s \u2026"},
        {"{\\rtf1 caf\xE9 \x96 \\'C9\\'e9 a\\'zb}", u"caf\u00E9 \u2013 \u00C9\u00E9 azb"},
        {"{\\rtf1{\\fonttbl{\\f3\\froman\\fcharset2 Symbol;}}{\\f3 \\'b7\\tab}Item {\\f3 a}}",
         u"\u2022\tItem \u03B1"},
        // \uN skips its fallback (\uc, default 1) up to a group boundary, never a \par.
        {"{\\rtf1 \\u9731?x\\u26580\\'3f\\u36947\\'3f!}", u"\u2603x\u67D4\u9053!"},
        {"{\\rtf1\\uc2 a\\u8364xyb\\u8364\\'80\\'80z}", u"a\u20ACb\u20ACz"},
        {"{\\rtf1 {\\uc0 \\u8364 x}{\\uc2 \\u8364 xy}\\u8364 zq}", u"\u20ACx\u20AC\u20ACq"},
        {"{\\rtf1\\uc3 \\u8364{b}c\\u8364\\par x}", u"\u20ACbc\u20AC\nx"},
        {"{\\rtf1 \\u-3913?\\u-10179?\\u-9047?\\u55357?\\u56489?}", u"\uF0B7\U0001F4A9\U0001F4A9"},
        {"{\\rtf1 {\\u-10179?}{\\u-9047?}\\u-10179?x\\u-9047?\\u-10179?}",
         u"\U0001F4A9\uFFFDx\uFFFD\uFFFD"},
        // Tables, metadata, pictures and unknown \* destinations do not show; fields show their
        // result; footnotes go after the body.
        {"{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial{\\*\\falt Helv};}}"
         "{\\colortbl;\\red1\\green2\\blue3;}{\\stylesheet{\\s0 Normal;}{\\s1 heading 1;}}"
         "{\\info{\\title TitleLeak}{\\author AuthorLeak}}{\\*\\generator GeneratorLeak;}"
         "{\\*\\unknowndest UnknownLeak}{\\header HeaderLeak}{\\footerl FooterLeak}"
         "{\\listtable{\\list{\\listlevel{\\leveltext\\'01\\u-3913 ?;}}{\\listname ListLeak;}}}"
         "{\\listoverridetable{\\listoverride\\ls1}}"
         "{\\*\\rsidtbl \\rsid1}{\\*\\latentstyles LatentLeak}{\\*\\themedata 0a0b}"
         "{\\*\\xmlnstbl XmlLeak}{\\*\\pgdsctbl{\\pgdsc0 Default Style;}}"
         "{\\pict\\wmetafile8 0123456789abcdef}{\\object{\\*\\objdata 0102}{\\result InObject}}"
         "{\\*\\shppict{\\pict\\pngblip 89504e47}}{\\nonshppict{\\pict 00}}Visible\\par}",
         u"Visible"},
        {"{\\rtf1 See {\\field{\\*\\fldinst{HYPERLINK \"http://example.invalid\"}}"
         "{\\fldrslt the site}} now. {\\field{\\fldinst PAGE}{\\fldrslt 7}}}",
         u"See the site now. 7"},
        {"{\\rtf1 a\\bin4 {}\\}b{\\pict\\bin3 x}}b}c\\bin0 d\\bin e}", u"abcde"},
        {"{\\rtf1 Body has a{\\super\\chftn{\\footnote\\pard\\plain{\\super\\chftn} The note.}} "
         "mark.\\par Next.\\par}",
         u"Body has a1 mark.\nNext.\n\n1 The note."},
        {"{\\rtf1\\trowd\\cellx1000\\cellx2000\\cellx3000 \\intbl A\\cell B\\cell"
         "\\cell\\row\\trowd\\cellx1000 \\intbl C\\cell\\row After}",
         u"A\tB\nC\nAfter"},
    };
    for (const auto& [rtf, text] : cases) {
        const Read r = ReadText(rtf);
        EXPECT_EQ(r.status, RtfReadStatus::Complete) << rtf;
        EXPECT_EQ(r.text, U(text)) << rtf;
    }
    EXPECT_EQ(ReadText("{\\rtf1 a\\line b\\tab c\\pard\\plain\\~d\\-e\\_f}").raw,
              U(u"a\u2028b\tc\u00A0d\u00ADe\u2011f"));
}

TEST(RtfReader, NotRtfByteOrderMarkAndTruncated) {
    const Read notRtf = ReadText("just text");
    EXPECT_EQ(notRtf.status, RtfReadStatus::NotRtf);
    EXPECT_EQ(notRtf.text, "just text");
    // A help file saved with a UTF-8 byte order mark shows no stray characters.
    const Read withBom = ReadText("\xEF\xBB\xBF \r\n{\\rtf1 x}");
    EXPECT_EQ(withBom.status, RtfReadStatus::Complete);
    EXPECT_EQ(withBom.text, "x");
    EXPECT_EQ(ReadText("}}}x{y}").text, "xy");
    EXPECT_EQ(ReadText("").text, "");
    for (const char* rtf : {"{\\rtf1 abc\\", "{\\rtf1 abc\\'", "{\\rtf1 abc\\'4", "{\\rtf1 abc\\u",
                            "{\\rtf1 abc\\u-", "{\\rtf1 abc{\\*", "{\\rtf1 abc\\b"}) {
        const Read r = ReadText(rtf);
        EXPECT_EQ(r.status, RtfReadStatus::Truncated) << rtf;
        EXPECT_TRUE(r.text.startsWith("abc")) << rtf;
    }
}

TEST(RtfReader, CharacterAndParagraphFormattingWithGroupScope) {
    QTextDocument doc;
    // "\cf1Red", "\highlight0No": a number running straight into text.
    ReadRtf("{\\rtf1{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern\\fprq1 Courier New;}}"
            "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\\f0 "
            "\\b Bo\\b0  n1 \\i It\\i0  n2 \\ul Un\\ulnone  n3 \\ul Uz\\ul0  n4 \\b1 Bx\\b0 n5 "
            "{\\b\\i\\ul All} n6 \\strike St\\strike0 n7 \\fs20 Ten {\\fs41 Big} \\fs Def "
            "\\b\\i\\fs40 P\\plain Q{\\super Sup} {\\v secret}{\\sub Sub} {\\cf1Red \\cf2 Blue "
            "\\cf0 Auto \\cf9 Missing \\highlight1 Hi \\highlight0No \\cb2 Cb} \\f1 Mono}",
            &doc);
    EXPECT_EQ(doc.toPlainText(), "Bo n1 It n2 Un n3 Uz n4 Bxn5 All n6 Stn7 Ten Big Def PQSup Sub "
                                 "Red Blue Auto Missing Hi No Cb Mono");
    ExpectFormats(doc,
                  {"Bo:b12", "n1:12",    "It:i12", "n2:12",     "Un:u12", "n3:12",   "Uz:u12",
                   "n4:12",  "Bx:b12",   "n5:12",  "All:iub12", "n6:12",  "St:s12",  "n7:12",
                   "Ten:10", "Big:20.5", "Def:12", "P:ib20",    "Q:12",   "Sup:^12", "Sub:_12"});
    ExpectFormats(doc, {"Red:12 fg#ff0000", "Blue:12 fg#0000ff", "Auto:12", "Missing:12",
                        "Hi:12 bg#ff0000", "No:12", "Cb:12 bg#0000ff", "Mono:m12"});

    ReadRtf("{\\rtf1\\pard\\qc Centre\\par\\pard\\li720\\fi-360 Item\\par\\pard Left}", &doc);
    EXPECT_EQ(doc.toPlainText(), "Centre\nItem\nLeft"); // replaced, not appended
    EXPECT_FALSE(doc.isUndoAvailable());
    const QTextBlockFormat item = doc.findBlockByNumber(1).blockFormat();
    EXPECT_DOUBLE_EQ(item.leftMargin(), 48.0);
    EXPECT_DOUBLE_EQ(item.textIndent(), -24.0);
    EXPECT_EQ(doc.firstBlock().blockFormat().alignment() & Qt::AlignHorizontal_Mask,
              Qt::AlignHCenter);
    EXPECT_EQ(doc.lastBlock().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
}

TEST(RtfReader, HostileInputStaysBounded) {
    const Read unclosed = ReadText("{\\rtf1 start" + QByteArray(100000, '{'));
    EXPECT_EQ(unclosed.status, RtfReadStatus::Truncated);
    EXPECT_EQ(unclosed.text, "start");

    // The outer group is depth 1; depth kRtfMaxGroupDepth still shows, deeper does not.
    const Read nested =
        ReadText("{\\rtf1 a" + QByteArray(kRtfMaxGroupDepth - 1, '{') + "b{c{\\b d}}" +
                 QByteArray(kRtfMaxGroupDepth - 1, '}') + "e" + QByteArray(100000, '{') + "deep" +
                 QByteArray(100000, '}') + " f}");
    EXPECT_EQ(nested.status, RtfReadStatus::Complete);
    EXPECT_EQ(nested.text, "abe f");

    const Read huge =
        ReadText("{\\rtf1\\fs99999999999999999999 A\\fs-99999999999999999999 B"
                 "\\cf99999999999 C\\highlight-2147483649 D\\u99999999999999?E\\u-99999999999?F"
                 "\\uc99999999999 \\u8364 GGGGGGGGGGGGGGGGH\\li99999999999\\fi-99999999999 I\\par"
                 "\\tx99999999999\\sb-99999999999 J\\ansicpg-5 \\'e9\\deff99999999999 K"
                 "\\bin99999999999999999 LostInBinary}");
    EXPECT_EQ(huge.status, RtfReadStatus::Truncated);
    EXPECT_TRUE(huge.text.startsWith("ABCDEF")) << huge.text.toStdString();
    EXPECT_TRUE(huge.text.contains(U(u"\u20ACHI\nJ\u00E9K"))) << huge.text.toStdString();
    EXPECT_FALSE(huge.text.contains("LostInBinary"));

    const Read nul = ReadText(QByteArray("{\\rtf1 a\0b\\'00c{\0}d}\0\0", 20));
    EXPECT_EQ(nul.status, RtfReadStatus::Complete);
    EXPECT_EQ(nul.text, "abcd");

    QByteArray rtf = "{\\rtf1{\\fonttbl";
    for (int i = 0; i < 10000; ++i) {
        rtf.append("{\\f" + QByteArray::number(i) + " F;}");
    }
    rtf.append("}{\\colortbl" + QByteArray(20000, ';') + "}\\f9999\\cf19999 ok");
    const Read cells = ReadText(rtf + QByteArray(5000, '\\').replace("\\", "\\cell") + " x}");
    EXPECT_EQ(cells.status, RtfReadStatus::Complete);
    EXPECT_TRUE(cells.text.startsWith("ok\t")) << cells.text.left(20).toStdString();
    EXPECT_TRUE(cells.text.endsWith("\tx"));
    EXPECT_LE(cells.text.size(), 300); // empty cells pile up as tabs, but not without bound
}

TEST(RtfReaderSamples, TextOfEachSampleWholeAndCut) {
    const std::pair<const char*, const char16_t*> samples[] = {
        {"wordpad_pile_of_poo.rtf",
         u"I\u00F1t\u00EBrn\u00E2ti\u00F4n\u00E0liz\u00E6ti\u00F8n\u2603\U0001F4A9"},
        {"wordpad_colors.rtf", u"\nNormal Line 1\nNormal Line 2\nColored Line\nHighlighted "
                               u"Line\nColored & Highlighted Line"},
        {"libreoffice_unicode.rtf", u"\u67D4\u9053"},
        {"textedit_hyperlink.rtf", u"macOS text edit hyperlink\n\n\nFirst one is: striprtf.dev "
                                   u"(plain)\n\nSecond one is: github (real)"},
        {"extra_libreoffice_with_image_38k.rtf", u""},
        {"word2003_sample.rtf", nullptr},
    };
    for (const auto& [name, text] : samples) {
        const QByteArray rtf = Sample(name);
        if (rtf.isEmpty()) {
            GTEST_SKIP() << "shared/rtf-samples/" << name << " is not beside the clone";
        }
        const Read r = ReadText(rtf);
        EXPECT_EQ(r.status, RtfReadStatus::Complete) << name;
        EXPECT_EQ(r.text, text ? U(text) : r.text) << name; // word2003 is checked below
        // Cut anywhere inside the outer group: never Complete, never more than the whole.
        const qsizetype end = rtf.lastIndexOf('}');
        for (qsizetype cut = 0; cut < end; cut += std::max<qsizetype>(1, end / 97)) {
            const Read part = ReadText(rtf.left(cut));
            EXPECT_NE(part.status, RtfReadStatus::Complete) << name << " cut at " << cut;
            EXPECT_LE(part.text.size(), r.text.size() + 2) << name << " cut at " << cut;
        }
    }
}

TEST(RtfReaderSamples, Word2003AndWordpadFormattingAndFragments) {
    const QByteArray word = Sample("word2003_sample.rtf");
    const QByteArray colors = Sample("wordpad_colors.rtf");
    if (word.isEmpty() || colors.isEmpty()) {
        GTEST_SKIP() << "shared/rtf-samples is not beside the clone";
    }
    QTextDocument doc;
    ReadRtf(word, &doc);
    const QString text = doc.toPlainText();
    EXPECT_TRUE(text.startsWith(U(u"This is a test RTF\nHi! I\u2019m a test file.")));
    for (const char16_t* shown :
         {u"So we\u2019re going to end this paragraph", u"\n\u2022\tItem 1\n",
          u"\n\u2022\tItem 4\n", u"\nCell 1\tCell 2\n", u"\nMore in cell 2\tCell 3\n",
          u"\nNext row\tNext row \tNext row\n", u"And here we\u2019re on the next page.",
          u"This is the actual content of the footnote."}) {
        EXPECT_TRUE(text.contains(U(shown))) << U(shown).toStdString();
    }
    // Nothing hidden, and nothing from the tables and destinations before the body.
    for (const char* leak : {"hidden", "Times New Roman", "Normal", "heading", "Nate", "Microsoft",
                             "panose", "Default Paragraph Font", "Table Grid", "HYPERLINK"}) {
        EXPECT_FALSE(text.contains(QLatin1String(leak))) << leak;
    }

    ExpectFormats(doc, {"This is a test RTF:b16", "bold:b12", "italic:i12", "underline:u12"});
    ReadRtf(colors, &doc);
    ExpectFormats(doc, {"Normal Line 1:8.5", "Colored Line:8.5 fg#00ff00",
                        "Highlighted Line:8.5 bg#ff0000",
                        "Colored & Highlighted:8.5 fg#ffffff bg#0000ff"});
}

} // namespace
} // namespace vantoro
