#include "ui/controls/RtfReader.h"

#include <QFile>
#include <QFont>
#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>
#include <gtest/gtest.h>
#include <tuple>
#include <vector>

namespace vantoro {
namespace {

TEST(HelpFiles, ResHelpParsesToTextWithABoldHeading) {
    const std::tuple<const char*, const char*, std::vector<const char*>> files[] = {
        {"Networks.rtf",
         "Networks",
         {"UDP port 65432", "three times", "3.5 seconds", "Device Name", "Brellix Model",
          "IP Address", "MAC Address", "Scan", "Status", "Connection Settings", "Advanced Settings",
          "firewall", "Only one copy of Vantoro", "Broadcasts do not cross routers",
          "about 20 seconds", "BRELLIX wireless bridges"}},
        {"IP_Settings.rtf",
         "IP Setting",
         {"DHCP", "fixed address", "Subnet mask", "Suggest Settings", "network address",
          "broadcast address", "contiguous", "about 20 seconds", "scans the network again",
          "PC\u2019s own network"}},
        {"Settings.rtf",
         "Connection Settings",
         {"SSID", "Region", "differ by region", "Infrastructure", "Initiate Ad-Hoc", "802.11 mode",
          "channel", "10 hexadecimal digits", "26 hexadecimal digits", "passphrase", "Key index",
          "user name", "password", "30 seconds", "about 20 seconds"}}};
    for (const auto& [name, heading, mustSay] : files) {
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
        for (const char* phrase : mustSay) {
            EXPECT_TRUE(text.contains(QString::fromUtf8(phrase))) << name << ": " << phrase;
        }
        // Nothing from the font table or \info leaks.
        for (const char* leak : {"Arial", "Courier", "Vantoro Help:", "\\", "{", "}"}) {
            EXPECT_FALSE(text.contains(QLatin1String(leak))) << name << ": " << leak;
        }
    }
}

} // namespace
} // namespace vantoro
