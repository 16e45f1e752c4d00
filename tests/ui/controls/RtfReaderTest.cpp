#include "ui/controls/RtfReader.h"

#include "ui/controls/RtfTableBuilder.h"

#include <QColor>
#include <QFile>
#include <QFont>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <algorithm>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

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
void ExpectFormats(const QTextDocument& doc, const std::vector<const char*>& entries) {
    for (const char* entry : entries) {
        const QStringList parts = QString::fromUtf8(entry).split(':');
        QTextCursor cursor = doc.find(parts.front());
        ASSERT_FALSE(cursor.isNull()) << entry;
        cursor.setPosition(cursor.selectionStart() + 1);
        EXPECT_EQ(Describe(cursor.charFormat()), parts.back()) << entry;
    }
}

// A file under the source folder; a missing one fails the test if required, else reads empty.
// The real word-processor files in shared/rtf-samples (see SOURCES.txt) live beside the clone.
QByteArray ReadSource(const QString& path, bool required = true) {
    QFile file(QStringLiteral(VANTORO_SOURCE_DIR "/") + path);
    if (!file.open(QIODevice::ReadOnly)) {
        EXPECT_FALSE(required) << path.toStdString() << " is missing";
        return {};
    }
    return file.readAll();
}
QByteArray Sample(const char* name) {
    return ReadSource(QStringLiteral("../shared/rtf-samples/") + QLatin1String(name), false);
}

// The document's top level, one line per block, with each table as
// "[cell|cell / cell|cell]" (a cell's paragraphs joined by '\n').
QString Structure(const QTextDocument& doc) {
    QStringList lines;
    for (auto it = doc.rootFrame()->begin(); !it.atEnd(); ++it) {
        if (const auto* table = qobject_cast<QTextTable*>(it.currentFrame())) {
            QStringList rows;
            for (int row = 0; row < table->rows(); ++row) {
                QStringList cells;
                for (int column = 0; column < table->columns(); ++column) {
                    const QTextTableCell cell = table->cellAt(row, column);
                    QTextCursor text = cell.firstCursorPosition();
                    text.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
                    cells << text.selectedText().replace(QChar::ParagraphSeparator, u'\n');
                }
                rows << cells.join(u'|');
            }
            lines << "[" + rows.join(" / ") + "]";
        } else if (it.currentBlock().isValid()) {
            lines << it.currentBlock().text();
        }
    }
    return lines.join(u'\n');
}

// Cut anywhere inside the outer group: never Complete, never more text than the whole.
void ExpectCutsIncomplete(const QByteArray& rtf, const Read& whole, const char* name) {
    const qsizetype end = rtf.lastIndexOf('}');
    for (qsizetype cut = 0; cut < end; cut += std::max<qsizetype>(1, end / 97)) {
        const Read part = ReadText(rtf.left(cut));
        EXPECT_NE(part.status, RtfReadStatus::Complete) << name << " cut at " << cut;
        EXPECT_LE(part.text.size(), whole.text.size() + 2) << name << " cut at " << cut;
    }
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
        // \uN skips its fallback up to a group boundary, never a \par (more in unicode.rtf).
        {"{\\rtf1 \\u-3913?\\u-10179?\\u-9047?\\u55357?\\u56489?}", u"\uF0B7\U0001F4A9\U0001F4A9"},
        {"{\\rtf1\\uc2 a\\u8364xyb\\u8364\\'80\\'80z}", u"a\u20ACb\u20ACz"},
        {"{\\rtf1\\uc3 \\u8364{b}c\\u8364\\par x}", u"\u20ACbc\u20AC\nx"},
        {"{\\rtf1 {\\u-10179?}{\\u-9047?}\\u-10179?x\\u-9047?\\u-10179?}",
         u"\U0001F4A9\uFFFDx\uFFFD\uFFFD"},
        // Tables, metadata, pictures and unknown \* destinations do not show; fields show their
        // result; footnotes go after the body.
        {"{\\rtf1{\\fonttbl{\\f0\\fswiss Arial{\\*\\falt Helv};}}{\\header HeaderLeak}"
         "{\\footerl FooterLeak}{\\listoverridetable{\\listoverride\\ls1}}"
         "{\\listtable{\\list{\\listlevel{\\leveltext\\'01\\u-3913 ?;}}{\\listname ListLeak;}}}"
         "Visible\\par}",
         u"Visible"},
        {"{\\rtf1 See {\\field{\\*\\fldinst{HYPERLINK \"http://example.invalid\"}}"
         "{\\fldrslt the site}} now. {\\field{\\fldinst PAGE}{\\fldrslt 7}}}",
         u"See the site now. 7"},
        {"{\\rtf1 a\\bin4 {}\\}b{\\pict\\bin3 x}}b}c\\bin0 d\\bin e}", u"abcde"},
        {"{\\rtf1 Body has a{\\super\\chftn{\\footnote\\pard\\plain{\\super\\chftn} The note.}} "
         "mark.\\par Next.\\par}",
         u"Body has a1 mark.\nNext.\n\n1 The note."},
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

TEST(RtfReaderTables, RowsBecomeTables) {
    const std::pair<const char*, const char16_t*> cases[] = {
        // Rows with the same cell count form one table; text around it stays paragraphs.
        {"{\\rtf1 Before\\par\\trowd\\cellx1000\\cellx2000\\pard\\intbl A\\cell B\\cell\\row"
         "\\trowd\\cellx1000\\cellx2000\\pard\\intbl C\\cell D\\cell\\row\\pard After\\par}",
         u"Before\n[A|B / C|D]\nAfter"},
        {"{\\rtf1\\intbl A\\cell B\\cell\\row\\intbl C\\cell\\row\\intbl D\\cell "
         "E\\cell\\row\\pard x}",
         u"\n[A|B]\n\n[C]\n\n[D|E]\nx"}, // Qt puts an empty block before and between tables
        // Word repeats the row's properties in a group just before \row.
        {"{\\rtf1\\trowd\\cellx1000\\pard\\intbl{A\\cell}\\pard\\intbl{\\trowd\\cellx1000\\row}"
         "\\pard Next}",
         u"\n[A]\nNext"},
        // Paragraphs inside a cell; text after the last \cell is one more cell.
        {"{\\rtf1\\intbl A\\par B\\cell C\\row}", u"\n[A\nB|C]\n"},
        // A row never ended: its cells still form a row, the text after them a paragraph.
        {"{\\rtf1\\intbl A\\cell B}", u"\n[A]\nB"},
        {"{\\rtf1\\intbl just text\\par\\pard more}", u"just text\nmore"},
        {"{\\rtf1\\intbl A\\cell\\row\\pard\\intbl\\itap0 out}", u"\n[A]\nout"},
        // Cell and row marks outside any table paragraph stay a tab and a line end.
        {"{\\rtf1 a\\cell b\\row c}", u"a\tb\nc"},
        // Nested tables are flattened into their outer cell, in reading order.
        {"{\\rtf1\\intbl Out\\cell\\pard\\intbl\\itap2 a\\nestcell b\\nestcell"
         "{\\*\\nesttableprops\\trowd\\cellx1\\cellx2\\nestrow}{\\nonesttables\\par}"
         "\\pard\\intbl\\itap2 c\\nestcell d\\nestcell{\\*\\nesttableprops\\nestrow}"
         "\\pard\\intbl\\itap1\\cell\\row}",
         u"\n[Out|a\tb\nc\td\n]\n"},
        {"{\\rtf1 a{\\nesttableprops\\trowd\\cellx5 hidden}b\\nestcell c\\nestrow d}",
         u"a\nb\tc\nd"},
    };
    for (const auto& [rtf, structure] : cases) {
        QTextDocument doc;
        EXPECT_EQ(ReadRtf(rtf, &doc), RtfReadStatus::Complete) << rtf;
        EXPECT_EQ(Structure(doc), U(structure)) << rtf;
    }
}

TEST(RtfReaderTables, CellsKeepFormattingAndColumnWidths) {
    QTextDocument doc;
    ReadRtf("{\\rtf1{\\colortbl;\\red0\\green0\\blue255;}\\trowd\\trgaph108\\trleft-108"
            "\\cellx1392\\cellx4392\\pard\\intbl\\qr{\\b Key}\\cell{\\fs32 Big {\\cf1 blue}}\\cell"
            "\\row\\trowd\\cellx100\\cellx200\\pard\\intbl\\i it\\i0\\cell\\super up\\cell\\row}",
            &doc);
    EXPECT_EQ(Structure(doc), "\n[Key|Big blue / it|up]\n");
    ExpectFormats(doc, {"Key:b12", "Big:16", "blue:16 fg#0000ff", "it:i12", "up:^12"});

    const auto* table = qobject_cast<QTextTable*>(doc.rootFrame()->childFrames().value(0));
    ASSERT_NE(table, nullptr);
    // Widths from the first row's edges (1500 and 3000 twips); later rows do not change them.
    const QList<QTextLength> widths = table->format().columnWidthConstraints();
    ASSERT_EQ(widths.size(), 2);
    EXPECT_EQ(widths[0], QTextLength(QTextLength::FixedLength, 100));
    EXPECT_EQ(widths[1], QTextLength(QTextLength::FixedLength, 200));
    EXPECT_EQ(table->cellAt(0, 0).firstCursorPosition().blockFormat().alignment() &
                  Qt::AlignHorizontal_Mask,
              Qt::AlignRight);

    // Edges that do not match the cells, or run backwards, leave the widths to the layout.
    for (const char* rtf : {"{\\rtf1\\trowd\\cellx1000\\intbl a\\cell b\\cell\\row}",
                            "{\\rtf1\\trowd\\cellx2000\\cellx1000\\intbl a\\cell b\\cell\\row}"}) {
        ReadRtf(rtf, &doc);
        const auto* other = qobject_cast<QTextTable*>(doc.rootFrame()->childFrames().value(0));
        ASSERT_NE(other, nullptr) << rtf;
        EXPECT_TRUE(other->format().columnWidthConstraints().isEmpty()) << rtf;
    }
}

TEST(RtfReaderTables, HostileTablesStayBounded) {
    QTextDocument doc;
    // Thousands of cells in one row: the columns stop at the cap, the rest share the last cell.
    ReadRtf("{\\rtf1\\trowd" + QByteArray(20000, '\\').replace("\\", "\\cellx5") + "\\intbl" +
                QByteArray(5000, '\\').replace("\\", "\\cell") + " x\\cell y\\row}",
            &doc);
    const auto* wide = qobject_cast<QTextTable*>(doc.rootFrame()->childFrames().value(0));
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide->columns(), rtf::kMaxTableColumns);
    EXPECT_EQ(wide->rows(), 1);
    EXPECT_TRUE(doc.toPlainText().endsWith("x\ty\n")) << doc.toPlainText().right(20).toStdString();
    EXPECT_LE(doc.characterCount(), 400);

    // Rows of changing widths: one table each, and every letter in reading order.
    QByteArray rows = "{\\rtf1";
    QString letters;
    for (int i = 0; i < 2000; ++i) {
        const char letter = char('a' + i % 26);
        letters += QChar(letter);
        rows += i % 2 ? QByteArray("\\intbl ") + letter + "\\cell\\row"
                      : QByteArray("\\intbl ") + letter + "\\cell\\cell\\row";
    }
    ASSERT_EQ(ReadRtf(rows + "}", &doc), RtfReadStatus::Complete);
    EXPECT_EQ(doc.rootFrame()->childFrames().size(), 2000);
    EXPECT_EQ(doc.toPlainText().remove(u'\n'), letters);

    // Cells in groups nested past the depth limit, and a truncated row.
    const Read deep = ReadText("{\\rtf1\\intbl" + QByteArray(400, '\\').replace("\\", "{a\\cell") +
                               QByteArray(400, '}') + "\\row z}");
    EXPECT_EQ(deep.status, RtfReadStatus::Complete);
    EXPECT_EQ(deep.text.count(u'a'), kRtfMaxGroupDepth - 1);
    EXPECT_TRUE(deep.text.endsWith("z"));
    const Read cut = ReadText("{\\rtf1\\intbl a\\cell b\\cell c");
    EXPECT_EQ(cut.status, RtfReadStatus::Truncated);
    EXPECT_EQ(QString(cut.text).remove(u'\n'), "abc");
}

TEST(RtfReaderFixtures, StructureAndFormattingOfEachFixtureWholeAndCut) {
    const struct {
        const char* name;
        const char16_t* structure;
        std::vector<const char*> formats;
    } fixtures[] = {
        {"wordpad_table.rtf",
         u"Network types\n[Type|What it joins / Infrastructure|An access point and its stations"
         u" / Ad-hoc|Stations directly, on one channel]\nThe bridge shows the type it is set to.",
         {"What it joins:b11", "Ad-hoc:11", "channel:i11"}},
        {"word_table.rtf",
         u"Status fields\n[Field|Shows / Signal|Good\t70 %\nWeak\tunder 20 %\n]"
         u"\nPress Refresh to read them again.",
         {"Status:b12", "Field:b12", "Signal:12", "70 %:12 fg#0000ff"}},
        {"unicode.rtf",
         u"Caf\u00E9 na\u00EFve \u20AC 5\nTwo fallback bytes: \u65E5\u672C.\n"
         u"No fallback: \u2013\u2014!\nNegative: \uF0B7\u2022\uF020\n"
         u"Surrogates: \U0001F600 lone \uFFFDx\uFFFD\n"
         u"Fallback ends at a group: \u20ACabc and at a word: \u20ACbc",
         {}},
        {"codepages.rtf",
         u"\u201CQuoted\u201D \u2013 caf\u00E9 \u20AC\u00A0\u2026\n"
         u"\u041F\u0440\u0438\u0432\u0435\u0442, \u043C\u0438\u0440\nBack to 1252: \u00E9 mono",
         {"mono:m12", "Back:12"}},
        {"pictures.rtf", u"Before after.\nWide done.\nThe end.", {}},
        {"groups.rtf",
         u"Bold bold-italic all three again bold plain\nMark link\nVisible\n\nnote",
         {"Bold:b12", "bold-italic:ib12", "all three:iub12", "again:ib12", "bold plain:b12",
          "plain:12", "link:u12 fg#ff0000"}},
    };
    for (const auto& [name, structure, formats] : fixtures) {
        const QByteArray rtf = ReadSource(QStringLiteral("tests/data/rtf/") + QLatin1String(name));
        QTextDocument doc;
        EXPECT_EQ(ReadRtf(rtf, &doc), RtfReadStatus::Complete) << name;
        EXPECT_EQ(Structure(doc), U(structure)) << name;
        ExpectFormats(doc, formats);
        ExpectCutsIncomplete(rtf, ReadText(rtf), name);
    }
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
        EXPECT_EQ(r.text, text ? U(text) : r.text) << name; // word2003: read whole and cut only
        ExpectCutsIncomplete(rtf, r, name);
    }
}

} // namespace
} // namespace vantoro
