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
    EXPECT_EQ(Str(BuildStatusRequest("\xe9t\xe9")),
              "Torva_MultiAp_mgnt 1003 REQ \xe9t\xe9 0.0.0.0\r\r");
}

TEST(Requests, NeitherRequestNamesABridgeByAnIdentifierThatWouldShiftItsFields) {
    using namespace std::string_view_literals;
    for (const std::string_view bad : {"02:4B 01"sv, "02:4B\t01"sv, "02:4B\r0.0.0.0"sv, "\n"sv,
                                       "a\x7f"sv, "a\x9b"sv, "a\xa0"sv, "a\0b"sv}) {
        EXPECT_FALSE(IsUsableIdentifier(bad));
        EXPECT_TRUE(BuildStatusRequest(bad).isEmpty());
        const ConfigRequest config = BuildConfigRequest(bad, {{"isl_wlg_nw_type ", "1"}});
        EXPECT_FALSE(config.ok());
        EXPECT_TRUE(config.text.isEmpty());
    }
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

TEST(SplitFields, CarriageReturnRunsSeparateFieldsAndTheLimitsHold) {
    std::array<FieldSlot, kMaxReplyFields> fields{};
    const auto at = [&fields](int i) { return SlotView(fields[size_t(i)]); };
    EXPECT_EQ(SplitFields("\r\r\ra\r\r\rb\rc\r\r", kMaxReplyFields, fields.data()), 3);
    EXPECT_EQ(at(0), "a");
    EXPECT_EQ(at(2), "c");
    EXPECT_EQ(at(3), "");

    std::string many;
    for (int i = 0; i < 60; ++i) {
        many += std::to_string(i) + "\r";
    }
    EXPECT_EQ(SplitFields(many, kMaxReplyFields, fields.data()), 50);
    EXPECT_EQ(at(49), "49");
    EXPECT_EQ(SplitFields("a\rb", kMaxReplyFields, fields.data()), 2);
    EXPECT_EQ(at(49), ""); // fields past the fields found are emptied

    EXPECT_EQ(SplitFields("", kMaxReplyFields, fields.data()), 0);
    EXPECT_EQ(at(0), "a"); // an empty text leaves the fields alone

    EXPECT_EQ(SplitFields(std::string(200, 'z') + "\rnext", kMaxReplyFields, fields.data()), 2);
    EXPECT_EQ(at(0).size(), size_t(kFieldSlotBytes - 1));
    // Only 1023 characters are read: a field straddling the cut is shortened, the rest is gone.
    EXPECT_EQ(SplitFields(std::string(1020, 'a') + "\rbcdef\rlost", kMaxReplyFields, fields.data()),
              2);
    EXPECT_EQ(at(1), "bc");
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
