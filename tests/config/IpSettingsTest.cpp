// The IP setting rules: reading a dotted quad, the mask, network, broadcast and class checks in
// their order, the suggestion next to the PC, the request items and the PC-subnet test.

#include "config/IpSettings.h"

#include <gtest/gtest.h>

namespace vantoro {
namespace {

Ipv4Octets Q(const char* text) {
    const auto octets = ParseDottedQuad(text);
    EXPECT_TRUE(octets.has_value()) << text;
    return octets.value_or(Ipv4Octets{});
}

// What a bridge reports is read modulo 256; what a person types is refused over 255.
TEST(IpSettingsTest, TheLenientReaderWrapsEachGroupAndTheStrictOneRefusesIt) {
    const struct {
        const char* text;
        std::optional<Ipv4Octets> lenient;
        bool strict; // the strict reader takes it, with the same octets
    } cases[] = {
        {"192.168.0.227", Ipv4Octets{192, 168, 0, 227}, true},
        {"0.0.0.0", Ipv4Octets{0, 0, 0, 0}, true},
        {"255.255.255.255", Ipv4Octets{255, 255, 255, 255}, true},
        {"010.001.0.9", Ipv4Octets{10, 1, 0, 9}, true},
        {"300.256.999.1", Ipv4Octets{44, 0, 231, 1}, false}, // each group modulo 256
        {"192.168.1.300", Ipv4Octets{192, 168, 1, 44}, false},
        {"255.255.256.0", Ipv4Octets{255, 255, 0, 0}, false},
        {"", std::nullopt, false},
        {"1.2.3", std::nullopt, false},
        {"1.2.3.4.5", std::nullopt, false},
        {"1..3.4", std::nullopt, false},
        {".1.2.3", std::nullopt, false},
        {"1.2.3.", std::nullopt, false},
        {"1.2.3.1000", std::nullopt, false},
        {"1.2.3.4 ", std::nullopt, false},
        {"-1.2.3.4", std::nullopt, false},
        {"1.2.3.a", std::nullopt, false},
        {"dhcp", std::nullopt, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseDottedQuad(c.text), c.lenient) << c.text;
        const std::optional<quint32> strict = ParseIpv4(c.text);
        EXPECT_EQ(strict.has_value(), c.strict) << c.text;
        if (strict) {
            EXPECT_EQ(ToOctets(*strict), c.lenient) << c.text;
        }
    }
}

TEST(IpSettingsTest, ValidMasksArePrefixesOneToThirtyAndThirtyTwo) {
    for (int prefix = 0; prefix <= 32; ++prefix) {
        const quint32 bits = prefix == 0 ? 0u : ~quint32(0) << (32 - prefix);
        EXPECT_EQ(IsValidSubnetMask(ToOctets(bits)), prefix != 0 && prefix != 31) << prefix;
    }
    for (const char* bad : {"255.0.255.0", "0.255.255.255", "255.255.255.253", "128.0.0.1",
                            "255.255.254.255", "1.0.0.0"}) {
        EXPECT_FALSE(IsValidSubnetMask(Q(bad))) << bad;
    }
}

TEST(IpSettingsTest, ChecksRunInOrder) {
    const struct {
        const char* address;
        const char* mask;
        IpCheck check;
    } cases[] = {
        {"192.168.0.10", "255.255.255.0", IpCheck::Ok},
        {"192.168.0.10", "255.255.255.254", IpCheck::InvalidMask},
        {"192.168.0.10", "0.0.0.0", IpCheck::InvalidMask},       // a blank mask control
        {"224.0.0.0", "255.255.255.0", IpCheck::NetworkAddress}, // before the class check
        {"0.0.0.0", "0.0.0.0", IpCheck::InvalidMask},            // before the network check
        {"192.168.0.0", "255.255.255.0", IpCheck::NetworkAddress},
        {"192.168.0.255", "255.255.255.0", IpCheck::BroadcastAddress},
        {"10.255.255.255", "255.0.0.0", IpCheck::BroadcastAddress},
        {"10.0.0.0", "255.255.255.255", IpCheck::NetworkAddress}, // /32: every address fails
        {"224.0.0.1", "255.0.0.0", IpCheck::InvalidAddress},
        {"255.1.2.3", "255.0.0.0", IpCheck::InvalidAddress},
        {"223.255.255.254", "255.0.0.0", IpCheck::Ok},
        {"0.1.2.3", "255.0.0.0", IpCheck::Ok},
        {"127.0.0.2", "255.0.0.0", IpCheck::Ok},
        {"10.0.0.1", "255.255.255.252", IpCheck::Ok},
        {"10.0.0.3", "255.255.255.252", IpCheck::BroadcastAddress},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CheckIpSettings(Q(c.address), Q(c.mask)), c.check)
            << c.address << " / " << c.mask;
    }
}

TEST(IpSettingsTest, OnlyExactlyDhcpMeansDhcp) {
    EXPECT_EQ(IpModeOf("dhcp"), IpMode::Dhcp);
    for (const char* other : {"static", "DHCP", "dhcp ", ""}) {
        EXPECT_EQ(IpModeOf(other), IpMode::Fixed) << other;
    }
}

TEST(IpSettingsTest, PcSideComesFromTheFirstEntryWithTheSameAddressText) {
    const QList<PcAddressEntry> entries{{"192.168.1.10", "255.255.255.0", false},
                                        {"10.0.0.7", "255.0.0.0", true},
                                        {"10.0.0.7", "255.255.0.0", false}};
    const auto found = [&](const char* address) {
        const PcIpSettings pc = LookUpPcAddress(address, entries);
        return pc.address + ' ' + pc.mask + ' ' + pc.source;
    };
    EXPECT_EQ(found("10.0.0.7"), "10.0.0.7 255.0.0.0 Dhcp");
    EXPECT_EQ(found("192.168.1.10"), "192.168.1.10 255.255.255.0 Fixed");
    EXPECT_EQ(found("office-pc"), "office-pc 0.0.0.0 Fixed");
}

TEST(IpSettingsTest, SuggestionStepsTheFourthOctetAndWrapsWithoutCarry) {
    const struct {
        const char* address;
        const char* mask;
        const char* proposal;
    } cases[] = {
        {"192.168.1.10", "255.255.255.0", "192.168.1.11"},
        {"192.168.1.254", "255.255.255.0", "192.168.1.253"}, // .255 would be the broadcast
        {"192.168.1.255", "255.255.0.0", "192.168.1.0"},     // wraps up, no carry into .2.
        {"192.168.1.255", "255.255.255.0", "192.168.1.254"}, // the PC is the broadcast
        {"10.0.0.255", "255.0.0.0", "10.0.0.0"},             // wraps up, no carry
        {"10.0.0.0", "255.255.255.255", "10.0.0.255"},       // wraps down, no borrow
        {"172.16.5.9", "0.0.0.0", "172.16.5.10"},            // no adapter had the address
    };
    for (const auto& c : cases) {
        const auto suggestion = SuggestSettings({c.address, c.mask, "Fixed"});
        ASSERT_TRUE(suggestion.has_value()) << c.address;
        EXPECT_EQ(FormatOctets(suggestion->address), c.proposal) << c.address << "/" << c.mask;
        EXPECT_EQ(FormatOctets(suggestion->mask), c.mask);
    }
    // A host name standing in for the address proposes nothing.
    EXPECT_FALSE(SuggestSettings({"office-pc", "0.0.0.0", "Fixed"}).has_value());
}

TEST(IpSettingsTest, PcSubnetUsesTheGreaterMaskReadLittleEndian) {
    const auto onSubnet = [](const char* bridge, const char* bridgeMask, const char* pc,
                             const char* pcMask) {
        return IsOnPcSubnet(bridge, bridgeMask, {{pc, pcMask, false}});
    };
    EXPECT_TRUE(onSubnet("192.168.0.227", "255.255.255.0", "192.168.0.10", "255.255.255.0"));
    EXPECT_TRUE(onSubnet("10.1.2.3", "255.0.0.0", "10.0.0.5", "255.0.0.0"));
    // The narrower subnet decides, whichever side it is on.
    EXPECT_FALSE(onSubnet("192.168.1.5", "255.255.255.0", "192.168.0.10", "255.255.0.0"));
    EXPECT_FALSE(onSubnet("192.168.1.5", "255.255.0.0", "192.168.0.10", "255.255.255.0"));
    EXPECT_FALSE(onSubnet("10.1.2.3", "255.0.0.0", "10.0.0.5", "255.255.0.0"));
    // An unset adapter (0.0.0.0/0.0.0.0) is compared under the bridge's mask.
    EXPECT_FALSE(onSubnet("192.168.0.227", "255.255.255.0", "0.0.0.0", "0.0.0.0"));
    EXPECT_TRUE(onSubnet("0.0.0.9", "255.255.255.0", "0.0.0.0", "0.0.0.0"));
    // Non-contiguous masks from the network: 0.0.255.0 reads greater than 255.255.0.0 when the
    // bytes are read little-endian, so only the third octets are compared.
    EXPECT_TRUE(onSubnet("20.2.5.7", "0.0.255.0", "10.1.5.9", "255.255.0.0"));
    EXPECT_TRUE(onSubnet("20.2.5.7", "255.255.0.0", "10.1.5.9", "0.0.255.0"));
    // A bridge that reported no usable address matches no real adapter.
    EXPECT_FALSE(onSubnet("", "", "192.168.0.10", "255.255.255.0"));

    // Later entries and later adapters count.
    const QList<PcAddressEntry> entries{{"172.16.0.2", "255.255.0.0", false},
                                        {"192.168.7.2", "255.255.255.0", true}};
    EXPECT_TRUE(IsOnPcSubnet("192.168.7.99", "255.255.255.0", entries));
    EXPECT_FALSE(IsOnPcSubnet("192.168.8.99", "255.255.255.0", entries));
    EXPECT_FALSE(IsOnPcSubnet("192.168.7.99", "255.255.255.0", {}));
}

} // namespace
} // namespace vantoro
