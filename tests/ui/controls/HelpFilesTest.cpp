#include "ui/controls/RtfReader.h"

#include <QFile>
#include <QFont>
#include <QTextBlock>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace vantoro {
namespace {

struct HelpFile {
    const char* name;
    const char* heading;
    std::vector<const char*> mustSay;
};

class HelpFilesTest : public ::testing::TestWithParam<HelpFile> {};

TEST_P(HelpFilesTest, ParsesToTextWithABoldHeading) {
    const HelpFile& help = GetParam();
    QFile file(QStringLiteral(VANTORO_SOURCE_DIR "/res/help/") + QLatin1String(help.name));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << help.name;
    const QByteArray rtf = file.readAll();

    // Hand-written cp1252 RTF: every character above ASCII is an escape.
    for (const char c : rtf) {
        ASSERT_LT(static_cast<unsigned char>(c), 0x80) << help.name;
    }

    QTextDocument doc;
    EXPECT_EQ(ReadRtf(rtf, &doc), RtfReadStatus::Complete) << help.name;
    const QString text = doc.toPlainText();
    EXPECT_GT(text.size(), 500) << help.name;

    const QTextBlock first = doc.firstBlock();
    EXPECT_EQ(first.text(), QLatin1String(help.heading));
    const QTextCharFormat headingFormat = first.begin().fragment().charFormat();
    EXPECT_EQ(headingFormat.fontWeight(), QFont::Bold);
    const QTextCharFormat bodyFormat = first.next().begin().fragment().charFormat();
    EXPECT_EQ(bodyFormat.fontWeight(), QFont::Normal);
    EXPECT_GT(headingFormat.fontPointSize(), bodyFormat.fontPointSize());

    for (const char* phrase : help.mustSay) {
        EXPECT_TRUE(text.contains(QString::fromUtf8(phrase))) << help.name << ": " << phrase;
    }
    // Nothing from the font table or \info leaks.
    for (const char* leak : {"Arial", "Courier", "Vantoro Help:", "\\", "{", "}"}) {
        EXPECT_FALSE(text.contains(QLatin1String(leak))) << help.name << ": " << leak;
    }
}

INSTANTIATE_TEST_SUITE_P(
    ResHelp, HelpFilesTest,
    ::testing::Values(
        HelpFile{"Networks.rtf",
                 "Networks",
                 {"UDP port 65432", "three times", "3.5 seconds", "Device Name", "Brellix Model",
                  "IP Address", "MAC Address", "Scan", "Status", "Connection Settings",
                  "Advanced Settings", "firewall", "Only one copy of Vantoro",
                  "Broadcasts do "
                  "not cross routers",
                  "about 20 seconds", "BRELLIX wireless bridges"}},
        HelpFile{"IP_Settings.rtf",
                 "IP Setting",
                 {"DHCP", "fixed address", "Subnet mask", "Suggest Settings", "network address",
                  "broadcast address", "contiguous", "about 20 seconds", "scans the network again",
                  "PC\u2019s own network"}},
        HelpFile{"Settings.rtf",
                 "Connection Settings",
                 {"SSID", "Region", "differ by region", "Infrastructure", "Initiate Ad-Hoc",
                  "802.11 mode", "channel", "10 hexadecimal digits", "26 hexadecimal digits",
                  "passphrase", "Key index", "user name", "password", "30 seconds",
                  "about 20 seconds"}}),
    [](const ::testing::TestParamInfo<HelpFile>& param) {
        std::string name = param.param.name;
        return name.substr(0, name.find('.'));
    });

} // namespace
} // namespace vantoro
