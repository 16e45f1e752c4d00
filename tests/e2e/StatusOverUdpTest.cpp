// vantoro-cli status over real UDP between two network namespaces.

#include "tests/e2e/OverUdpFixture.h"

namespace vantoro::e2e {
namespace {

class StatusOverUdp : public OverUdpFixture {
protected:
    Outcome Status(const QStringList& args) {
        return Cli(QStringList{QStringLiteral("status")} + args);
    }
};

TEST_F(StatusOverUdp, OneExactRequestAndTheBridgesFieldsAsTheStatusWindowShowsThem) {
    StartSimulator("b", {QStringLiteral("--log"), log_});
    const Outcome text = Status(Line({"02:4B:00:00:00:02"}));
    ASSERT_TRUE(text.finished);
    EXPECT_EQ(text.exitCode, 0) << text.err.toStdString();
    for (const char* line :
         {"Wireless Settings\n", "  Network Name(SSID) : Stock\n",
          "  Connection Status :  Connected\n", "  Country/Region :     Europe\n",
          "  Channel :            1\n", "  Security :           WEP\n",
          "  Signal Strength :    64\n", "  IP Address :         192.168.1.57\n",
          "  IP Source :          Dhcp\n", "  Bridge Name :        Warehouse\n",
          "  Mac Address :        02:4B:00:00:00:02\n", "  Version :            2.1.4\n"}) {
        EXPECT_TRUE(text.out.contains(QLatin1String(line))) << line << text.out.toStdString();
    }

    // Exactly one request, the identifier as given, and no discovery.
    const QList<QJsonObject> log = ReadLog(log_);
    ASSERT_EQ(log.size(), 1);
    EXPECT_EQ(Raw(log[0]), QByteArray("Torva_MultiAp_mgnt 1003 REQ 02:4B:00:00:00:02 0.0.0.0\r\r"));
    EXPECT_EQ(log[0].value(QStringLiteral("replies")).toInt(), 1);
}

TEST_F(StatusOverUdp, NoAnswerEndsWithStatusFourAfterOneScanThatNamesTheNearMiss) {
    StartSimulator("b", {QStringLiteral("--log"), log_});
    const Outcome lower = Status(Line({"02:4b:00:00:00:01"}));
    ASSERT_TRUE(lower.finished);
    EXPECT_EQ(lower.exitCode, 4);
    EXPECT_TRUE(lower.out.isEmpty());
    EXPECT_EQ(lower.err, QStringLiteral("vantoro-cli: no answer from bridge 02:4b:00:00:00:01 "
                                        "within 3 seconds\nvantoro-cli: did you mean "
                                        "02:4B:00:00:00:01? identifiers compare exactly\n"));
    EXPECT_GE(lower.elapsedMs, 3000);
    EXPECT_LT(lower.elapsedMs, 12000);
    // The status request, unanswered, then one discovery request.
    const QList<QJsonObject> log = ReadLog(log_);
    ASSERT_EQ(log.size(), 2);
    EXPECT_EQ(log[0].value(QStringLiteral("replies")).toInt(), 0);
    EXPECT_EQ(CommandOf(log[1]), 1001);
}

} // namespace
} // namespace vantoro::e2e
