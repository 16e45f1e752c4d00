#include "config/Csv.h"

#include <gtest/gtest.h>

namespace vantoro {
namespace {

TEST(Csv, WhatIsWrittenReadsBackCellForCell) {
    const QList<QStringList> records{
        {QStringLiteral("plain"), QString(), QStringLiteral("a,b"), QStringLiteral("say \"hi\"")},
        {QStringLiteral("two\r\nlines"), QStringLiteral(" padded "),
         QStringLiteral("\u00E9t\u00E9")}};
    QByteArray text = "\xEF\xBB\xBF"; // as a spreadsheet saves it
    for (const QStringList& record : records) {
        text += CsvRecord(record);
    }
    EXPECT_TRUE(text.contains("\"say \"\"hi\"\"\"")) << text.constData();
    QString error;
    EXPECT_EQ(ReadCsv(text, &error), records) << error.toStdString();
    // LF line ends, no final line end, blank lines between records.
    EXPECT_EQ(ReadCsv("a,b\n\nc,\"d\"", &error), (QList<QStringList>{{"a", "b"}, {"c", "d"}}));
}

TEST(Csv, BrokenTextIsRefusedWithItsLine) {
    for (const auto& [text, message] :
         {std::pair{"a\nb\"c\n", "line 2: a quote inside an unquoted cell"},
          {"a\n\"b\"c\n", "line 2: text after a quoted cell"},
          {"a\nb,\"c\nd\n", "line 2: a quoted cell is not closed"}}) {
        QString error;
        EXPECT_FALSE(ReadCsv(text, &error).has_value()) << text;
        EXPECT_EQ(error, QString::fromUtf8(message)) << text;
    }
}

TEST(Csv, BridgeTextsNeverBecomeFormulasAndSecretsStayOut) {
    Bridge bridge;
    bridge.macAddress.set("02:4B:00:00:00:01");
    bridge.deviceName.set("=HYPERLINK(\"x\")");
    bridge.ssid.set("-1+2");
    bridge.password.set("secret");
    bridge.ssidCount.set("1");
    bridge.ssidList[0].set("@net");
    const QStringList plain = BridgeCsvFields(bridge, QStringLiteral("Model"), false);
    ASSERT_EQ(plain.size(), BridgeCsvHeader(false).size());
    const auto cell = [&](const QStringList& cells, const char* column) {
        return cells.value(BridgeCsvHeader(cells.size() > plain.size()).indexOf(column));
    };
    EXPECT_EQ(cell(plain, "deviceName"), QStringLiteral("'=HYPERLINK(\"x\")"));
    EXPECT_EQ(cell(plain, "ssid"), QStringLiteral("'-1+2"));
    EXPECT_EQ(cell(plain, "ssidList"), QStringLiteral("[\"@net\"]"));
    EXPECT_FALSE(plain.contains(QStringLiteral("secret")));
    const QStringList secret = BridgeCsvFields(bridge, QStringLiteral("Model"), true);
    ASSERT_EQ(secret.size(), BridgeCsvHeader(true).size());
    EXPECT_EQ(cell(secret, "password"), QStringLiteral("secret"));
}

} // namespace
} // namespace vantoro
