#include "ui/controls/RtfReader.h"

#include <QFile>
#include <QFont>
#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>
#include <gtest/gtest.h>
#include <utility>

namespace vantoro {
namespace {

TEST(HelpFiles, ResHelpParsesToTextWithABoldHeading) {
    const std::pair<const char*, const char*> files[] = {{"Networks.rtf", "Networks"},
                                                         {"IP_Settings.rtf", "IP Setting"},
                                                         {"Settings.rtf", "Connection Settings"}};
    for (const auto& [name, heading] : files) {
        QFile file(QStringLiteral(VANTORO_SOURCE_DIR "/res/help/") + QLatin1String(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
        const QByteArray rtf = file.readAll();
        // Hand-written cp1252 RTF: every character above ASCII is an escape.
        EXPECT_TRUE(std::all_of(rtf.begin(), rtf.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x80;
        })) << name;

        QTextDocument doc;
        EXPECT_EQ(ReadRtf(rtf, &doc), RtfReadStatus::Complete) << name;
        const QString text = doc.toPlainText();
        EXPECT_GT(text.size(), 500) << name;
        const QTextBlock first = doc.firstBlock();
        EXPECT_EQ(first.text(), QLatin1String(heading));
        const QTextCharFormat headingFormat = first.begin().fragment().charFormat();
        const QTextCharFormat bodyFormat = first.next().begin().fragment().charFormat();
        EXPECT_EQ(headingFormat.fontWeight(), QFont::Bold) << name;
        EXPECT_EQ(bodyFormat.fontWeight(), QFont::Normal) << name;
        EXPECT_GT(headingFormat.fontPointSize(), bodyFormat.fontPointSize()) << name;
        // Nothing from the font table or \info leaks.
        for (const char* leak : {"Arial", "Courier", "Vantoro Help:", "\\", "{", "}"}) {
            EXPECT_FALSE(text.contains(QLatin1String(leak))) << name << ": " << leak;
        }
    }
}

} // namespace
} // namespace vantoro
