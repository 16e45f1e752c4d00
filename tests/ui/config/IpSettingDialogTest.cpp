#include "ui/config/IpSettingDialog.h"

#include "tests/support/CurrentDirectory.h"
#include "tests/support/DialogHarness.h"
#include "tests/support/ModalScript.h"
#include "ui/controls/HelpPane.h"
#include "ui/controls/IpAddressEdit.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

namespace vantoro {
namespace {

class IpSettingDialogTest : public ::testing::Test, public test::DialogHarness {
protected:
    void SetUp() override {
        bridge().macAddress.set("02:4B:00:00:00:07");
        bridge().ipMode.set("static");
        bridge().ipAddress.set("10.20.30.40");
        bridge().subnetMask.set("255.255.255.0");
    }
    std::unique_ptr<IpSettingDialog> Open() {
        auto dialog = std::make_unique<IpSettingDialog>(context, nullptr);
        dialog->show();
        return dialog;
    }
    template <typename T> static T& Find(QWidget& dialog, const char* name) {
        return test::Child<T>(dialog, name);
    }
    static QString Text(QWidget& dialog, const char* name) {
        return Find<QLabel>(dialog, name).text();
    }
    // Replaces what an address control holds by typing, as a user would.
    static void TypeAddress(QWidget& dialog, const char* control, const QString& text) {
        auto& edit = Find<IpAddressEdit>(dialog, control);
        edit.clear();
        const QStringList octets = text.split(QLatin1Char('.'));
        for (int i = 0; i < octets.size(); ++i) {
            const QString field = QStringLiteral("octet%1").arg(i + 1);
            QTest::keyClicks(edit.findChild<QLineEdit*>(field), octets[i]);
        }
    }
};

TEST_F(IpSettingDialogTest, ADhcpBridgeSendsDhcpWithTheAddressItShowsAndRescans) {
    bridge().ipMode.set("dhcp");
    auto dialog = [this] {
        const test::CurrentDirectory help(test::HelpFolder());
        return Open();
    }();
    EXPECT_TRUE(Find<QRadioButton>(*dialog, "automaticRadio").isChecked());
    EXPECT_FALSE(Find<IpAddressEdit>(*dialog, "bridgeAddressEdit").isEnabled());
    EXPECT_FALSE(Find<IpAddressEdit>(*dialog, "bridgeMaskEdit").isEnabled());
    EXPECT_EQ(Text(*dialog, "pcAddressValue"), "192.168.1.10");
    EXPECT_EQ(Text(*dialog, "pcMaskValue"), "255.255.255.0");
    ASSERT_NE(dialog->helpPane(), nullptr);
    EXPECT_FALSE(dialog->helpPane()->toPlainText().isEmpty());

    test::Click(*dialog, "okButton"); // version empty: no login
    EXPECT_EQ(requests, QByteArrayList{"Torva_MultiAp_mgnt 1002 REQ 02:4B:00:00:00:07 "
                                       "wan_proto dhcp\rwan_ipaddr 10.20.30.40\r"
                                       "wan_netmask 255.255.255.0\r\r"});
    EXPECT_EQ(Messages(),
              QStringList{"The Bridge is now rebooting, please wait about 20 seconds."});
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(scansStarted, 1);
}

TEST_F(IpSettingDialogTest, ChecksRunInOrderKeepTheDialogOpenAndFocusTheFieldAtFault) {
    auto dialog = Open();
    EXPECT_TRUE(Find<QRadioButton>(*dialog, "fixedRadio").isChecked());
    struct Case {
        const char* address;
        const char* mask;
        const char* message;
        const char* focus;
    };
    const Case cases[] = {
        {"192.168.0.5", "255.255.255.254", "Invalid Subnet mask, please input correct Subnet mask.",
         "bridgeMaskEdit"},
        {"192.168.0.255", "255.255.255.0",
         "IP Address is a broadcast address in IP Subnet Mask setting.", "bridgeAddressEdit"},
        {"224.0.0.1", "255.0.0.0",
         "IP address is an invalid address, please input correct IP address.", "bridgeAddressEdit"},
    };
    for (const Case& c : cases) {
        messages.shown.clear();
        TypeAddress(*dialog, "bridgeAddressEdit", QString::fromLatin1(c.address));
        TypeAddress(*dialog, "bridgeMaskEdit", QString::fromLatin1(c.mask));
        test::Click(*dialog, "okButton");
        EXPECT_EQ(Messages(), QStringList{c.message}) << c.address;
        EXPECT_TRUE(Find<IpAddressEdit>(*dialog, c.focus).isAncestorOf(dialog->focusWidget()))
            << c.address;
    }
    // An identifier that would split the request: refused and said, no reboot announced.
    bridge().macAddress.set("02:4B 00");
    TypeAddress(*dialog, "bridgeAddressEdit", "127.0.0.2");
    messages.shown.clear();
    test::Click(*dialog, "okButton");
    EXPECT_TRUE(Messages().value(0).startsWith("The bridge's identifier"))
        << Messages().join("").toStdString();
    EXPECT_TRUE(requests.isEmpty());

    // 127 and 0 as first octets pass; a fixed address goes out as typed.
    bridge().macAddress.set("02:4B:00:00:00:07");
    test::Click(*dialog, "okButton");
    ASSERT_EQ(requests.size(), 1);
    EXPECT_TRUE(
        requests[0].contains("wan_proto static\rwan_ipaddr 127.0.0.2\rwan_netmask 255.0.0.0"));
}

TEST_F(IpSettingDialogTest, SuggestSettingsSwitchesToAFixedAddressNextToThePcs) {
    bridge().ipMode.set("dhcp");
    bridge().ipAddress.set("garbage");
    bridge().subnetMask.set("");
    auto dialog = Open();
    EXPECT_TRUE(Find<IpAddressEdit>(*dialog, "bridgeAddressEdit").isBlank());
    EXPECT_TRUE(Find<IpAddressEdit>(*dialog, "bridgeMaskEdit").isBlank());

    platform.adapters.list.adapters.front().addresses.front().dhcp = true;
    test::Click(*dialog, "suggestButton");
    EXPECT_EQ(dialog->mode(), IpMode::Fixed);
    EXPECT_EQ(FormatOctets(Find<IpAddressEdit>(*dialog, "bridgeAddressEdit").octets()),
              "192.168.1.11");
    EXPECT_EQ(FormatOctets(Find<IpAddressEdit>(*dialog, "bridgeMaskEdit").octets()),
              "255.255.255.0");
    EXPECT_EQ(Text(*dialog, "pcSourceValue"), "Dhcp");

    // Back to automatic: the proposal stays in the disabled controls.
    test::Click(*dialog, "automaticRadio");
    EXPECT_EQ(dialog->mode(), IpMode::Dhcp);
    EXPECT_FALSE(Find<IpAddressEdit>(*dialog, "bridgeMaskEdit").isEnabled());
    EXPECT_EQ(FormatOctets(Find<IpAddressEdit>(*dialog, "bridgeAddressEdit").octets()),
              "192.168.1.11");
}

TEST_F(IpSettingDialogTest, EnterPressesTheFocusedButtonAndOkAnywhereElse) {
    auto dialog = Open();
    const auto enterOn = [&dialog](const char* button) {
        Find<QPushButton>(*dialog, button).setFocus();
        QTest::keyClick(&Find<QPushButton>(*dialog, button), Qt::Key_Return);
    };
    test::ModalScript script({[](QWidget& status) { QTest::keyClick(&status, Qt::Key_Escape); }});
    enterOn("statusButton");
    EXPECT_EQ(script.handled(), 1u);
    enterOn("cancelButton");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(requests.isEmpty());

    auto again = Open();
    QTest::keyClick(
        Find<IpAddressEdit>(*again, "bridgeAddressEdit").findChild<QLineEdit*>("octet4"),
        Qt::Key_Enter);
    EXPECT_EQ(requests.size(), 1);
}

TEST_F(IpSettingDialogTest, AnOverflowingAdapterListLeavesThePcSideEmptyAndSuggestsNothing) {
    platform.adapters.list = AdapterList{AdapterListState::Overflow, {}};
    auto dialog = Open();
    EXPECT_EQ(Text(*dialog, "pcAddressValue"), "");
    EXPECT_EQ(dialog->helpPane(), nullptr);
    test::Click(*dialog, "suggestButton");
    EXPECT_EQ(dialog->mode(), IpMode::Fixed);
    EXPECT_EQ(FormatOctets(Find<IpAddressEdit>(*dialog, "bridgeAddressEdit").octets()),
              "10.20.30.40");
}

TEST_F(IpSettingDialogTest, TheLoginComesBeforeTheChecksAndThreeFailuresCloseTheDialog) {
    bridge().version.set("1.0");
    bridge().userName.set("admin");
    bridge().password.set("pw");
    auto dialog = Open();
    TypeAddress(*dialog, "bridgeMaskEdit", "255.255.255.254"); // would fail the checks
    const auto wrong = [](QWidget& prompt) {
        QTest::keyClicks(prompt.findChild<QLineEdit*>("userNameEdit"), "admin");
        QTest::keyClicks(prompt.findChild<QLineEdit*>("passwordEdit"), "PW");
        QTest::keyClick(prompt.findChild<QLineEdit*>("passwordEdit"), Qt::Key_Return);
    };
    test::ModalScript script({wrong, wrong, wrong});
    test::Click(*dialog, "okButton");
    EXPECT_EQ(script.handled(), 3u);
    EXPECT_EQ(Messages().size(), 3); // the login's own; the mask is never checked
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(requests.isEmpty());
}

} // namespace
} // namespace vantoro
