#include "protocol/ManagementMessage.h"

#include <gtest/gtest.h>
#include <string>

namespace vantoro {
namespace {

std::string Str(const QByteArray& bytes) {
    return bytes.toStdString();
}

TEST(Requests, DiscoveryIsExactly37BytesEndingInTwoCarriageReturns) {
    const QByteArray request = BuildDiscoveryRequest();
    EXPECT_EQ(Str(request), "Torva_MultiAp_mgnt 1001 REQ 0.0.0.0\r\r");
    EXPECT_EQ(request.size(), 37);
    EXPECT_FALSE(request.contains('\0'));
}

TEST(Requests, StatusNamesTheBridgeAsItReportedItself) {
    EXPECT_EQ(Str(BuildStatusRequest("00:0d:A1:ff:00:01")),
              "Torva_MultiAp_mgnt 1003 REQ 00:0d:A1:ff:00:01 0.0.0.0\r\r");
}

TEST(Requests, ConfigurationKeepsItemOrderAndEndsInTwoCarriageReturns) {
    const ConfigRequest request =
        BuildConfigRequest("02:4B:00:00:00:01", {{"wan_proto ", "dhcp"},
                                                 {"wan_ipaddr ", "192.168.1.20"},
                                                 {"wan_netmask ", "255.255.255.0"}});
    ASSERT_TRUE(request.ok());
    EXPECT_EQ(Str(request.text), "Torva_MultiAp_mgnt 1002 REQ 02:4B:00:00:00:01 "
                                 "wan_proto dhcp\rwan_ipaddr 192.168.1.20\r"
                                 "wan_netmask 255.255.255.0\r\r");
}

TEST(Requests, ConfigurationRefusesLineBreaksThatWouldSmuggleItems) {
    for (const QByteArray& bad :
         {QByteArray("home\rwan_proto dhcp"), QByteArray("home\n"), QByteArray("\r")}) {
        const ConfigRequest asValue = BuildConfigRequest("m", {{"isl_wlg_ssid ", bad}});
        EXPECT_FALSE(asValue.ok());
        EXPECT_TRUE(asValue.text.isEmpty());
        EXPECT_FALSE(BuildConfigRequest("m", {{"isl_wlg_ssid\r", "x"}}).ok());
    }
    EXPECT_FALSE(BuildConfigRequest("m", {}).ok());
}

TEST(Requests, OwnRequestsAreNeverTakenForReplies) {
    EXPECT_FALSE(IsReply(DatagramText(BuildDiscoveryRequest())));
    EXPECT_FALSE(IsReply(DatagramText(BuildStatusRequest("ACK"))));
    const ConfigRequest config =
        BuildConfigRequest("ACK", {{"isl_wlg_ssid ", "ACK"}, {"isl_wlg_nw_type ", "1"}});
    EXPECT_FALSE(IsReply(DatagramText(config.text)));
}

class Split : public ::testing::Test {
protected:
    std::array<FieldSlot, kMaxReplyFields> slots_{};
    int Run(std::string_view text, int maxFields = kMaxReplyFields) {
        return SplitFields(text, maxFields, slots_.data());
    }
    std::string_view At(int i) const { return SlotView(slots_[size_t(i)]); }
};

TEST_F(Split, RunsOfCarriageReturnsAndLeadingOnesAreOneSeparator) {
    EXPECT_EQ(Run("\r\r\ra\r\r\rb\rc\r\r"), 3);
    EXPECT_EQ(At(0), "a");
    EXPECT_EQ(At(1), "b");
    EXPECT_EQ(At(2), "c");
    EXPECT_EQ(At(3), "");
}

TEST_F(Split, StopsAtTheFieldLimitAndEmptiesTheRest) {
    std::string text;
    for (int i = 0; i < 60; ++i) {
        text += std::to_string(i) + "\r";
    }
    slots_[49][0] = 'x';
    EXPECT_EQ(Run(text), 50);
    EXPECT_EQ(At(49), "49");
    EXPECT_EQ(Run("a\rb"), 2);
    EXPECT_EQ(At(2), "");
    EXPECT_EQ(At(49), "");
}

TEST_F(Split, EmptyTextLeavesSlotsAlone) {
    slots_[0][0] = 'q';
    slots_[0][1] = '\0';
    EXPECT_EQ(Run(""), 0);
    EXPECT_EQ(At(0), "q");
}

TEST_F(Split, LongFieldsAreCutToTheSlotAndLongTextsTo1023Characters) {
    const std::string longField(200, 'z');
    EXPECT_EQ(Run(longField + "\rnext"), 2);
    EXPECT_EQ(At(0).size(), size_t(kFieldSlotBytes - 1));
    EXPECT_EQ(At(1), "next");

    // The text is only read up to 1023 characters: a field straddling the cut is shortened and
    // anything after it is gone.
    std::string text(1020, 'a');
    text += "\rbcdef\rlost";
    EXPECT_EQ(Run(text), 2);
    EXPECT_EQ(At(1), "bc");
}

TEST(DatagramText, EndsAtTheFirstNulAndNeverReadsPast1514Bytes) {
    const QByteArray withNul("abc\0def", 7);
    EXPECT_EQ(DatagramText(withNul), "abc");
    EXPECT_TRUE(DatagramText(QByteArray("\0ACK", 4)).empty());
    EXPECT_TRUE(DatagramText(QByteArray()).empty());

    const QByteArray full(3000, 'x');
    EXPECT_EQ(DatagramText(full).size(), size_t(kMaxDatagramBytes));
}

TEST(Recognition, OnlyExactlyAckInFieldTwoMarksAReply) {
    EXPECT_TRUE(IsReply("a\rb\rACK"));
    EXPECT_TRUE(IsReply("\r\ra\r\rb\r\rACK\r\r"));
    EXPECT_FALSE(IsReply("a\rb\rack"));
    EXPECT_FALSE(IsReply("a\rb\rACK "));
    EXPECT_FALSE(IsReply("a\rb\r ACK"));
    EXPECT_FALSE(IsReply("a\rACK"));
    EXPECT_FALSE(IsReply(""));
}

TEST(DecimalValue, ReadsLeadingDigitsAndSaturates) {
    EXPECT_EQ(DecimalValue("11"), 11);
    EXPECT_EQ(DecimalValue("6abc"), 6);
    EXPECT_EQ(DecimalValue("-3"), -3);
    EXPECT_EQ(DecimalValue(" 7"), 7);
    EXPECT_EQ(DecimalValue("abc"), 0);
    EXPECT_EQ(DecimalValue(""), 0);
    EXPECT_EQ(DecimalValue("99999999999999999999"), 2147483647);
    EXPECT_EQ(DecimalValue("-99999999999999999999"), -2147483647 - 1);
}

} // namespace
} // namespace vantoro
