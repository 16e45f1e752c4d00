// The string table, the message-box seam and the platform layer under the main window.

#include "platform/Platform.h"
#include "ui/controls/MessageBox.h"
#include "ui/main/Strings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHostAddress>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

namespace vantoro {
namespace {

TEST(StringTableTest, HoldsTheProgramsTextsExactly) {
    EXPECT_EQ(TableString(101), "&About Vantoro...");
    EXPECT_EQ(TableString(102),
              "You can not do Advance Setting now. Your PC's\r\nIP address is not in the same "
              "subnet as the bridge's\r\nIP address.\r\n\r\nDo you want to change the bridge's IP "
              "address?");
    EXPECT_EQ(TableString(103), "You don't have the rights to change configurations.");
    EXPECT_EQ(TableString(104), "Invalid User name or Password.");
    EXPECT_EQ(TableString(105), "The Bridge is now rebooting, please wait about 20 seconds.");
    EXPECT_TRUE(TableString(100).isEmpty());
    EXPECT_TRUE(TableString(-1).isEmpty());
}

TEST(MessageBoxTest, RealBoxShowsCaptionIconButtonsAndTheAnswer) {
    WidgetMessageBoxes boxes;
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        answer.stop();
        caption = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = int(box->buttons().size());
        box->button(QMessageBox::No)->click();
    });
    answer.start(0);
    const auto chosen =
        boxes.Show(nullptr, QStringLiteral("first line\r\nsecond line"), MessageCaption(),
                   QMessageBox::Information, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(chosen, QMessageBox::No);
    EXPECT_EQ(caption, "BRELLIX Vantoro");
    EXPECT_EQ(text, "first line\nsecond line");
    EXPECT_EQ(icon, QMessageBox::Information);
    EXPECT_EQ(buttons, 2);
}

TEST(MessageBoxTest, DisplayTextTurnsCrLfIntoLineBreaks) {
    EXPECT_EQ(DisplayText("a\r\nb\rc\nd"), "a\nb\nc\nd");
    EXPECT_EQ(DisplayText("setsockopt: SOCKET_ERROR!\n"), "setsockopt: SOCKET_ERROR!\n");
}

Adapter MakeAdapter(int addresses) {
    Adapter adapter;
    for (int i = 0; i < addresses; ++i) {
        adapter.addresses.push_back({QStringLiteral("10.0.0.%1").arg(i + 1), "255.0.0.0"});
    }
    return adapter;
}

TEST(PlatformTest, AdapterListOverflowsTheBufferLikeTheSystemCall) {
    std::vector<Adapter> ten(10, MakeAdapter(1));
    EXPECT_EQ(AdapterListBytes(ten), 6400);
    const AdapterList fits = FitAdapterBuffer(ten);
    EXPECT_FALSE(fits.overflow);
    EXPECT_EQ(fits.adapters.size(), 10u);

    ten.back() = MakeAdapter(2); // one more address entry no longer fits
    const AdapterList overflow = FitAdapterBuffer(ten);
    EXPECT_TRUE(overflow.overflow);
    EXPECT_TRUE(overflow.adapters.empty());

    EXPECT_EQ(AdapterListBytes({}), 0);
    EXPECT_EQ(AdapterListBytes({MakeAdapter(3)}), 640 + 2 * 40);
}

TEST(PlatformTest, BrowserOpensOnlyWebAddresses) {
    EXPECT_EQ(BrowserUrl("192.168.0.227"), QUrl("http://192.168.0.227"));
    EXPECT_EQ(BrowserUrl("http://www.brellix.example/"), QUrl("http://www.brellix.example/"));
    EXPECT_EQ(BrowserUrl(" 10.1.2.3 "), QUrl("http://10.1.2.3"));
    // A bridge's address text comes from the network: nothing but a web page may open.
    EXPECT_FALSE(BrowserUrl("file:///etc/passwd").isValid());
    EXPECT_FALSE(BrowserUrl("javascript:alert(1)").isValid());
    EXPECT_FALSE(BrowserUrl("").isValid());
    EXPECT_FALSE(BrowserUrl("10.0.0.1 --incognito").isValid());
}

TEST(PlatformTest, SystemAdaptersAreIpv4WithoutLoopback) {
    SystemPlatform platform;
    const AdapterList list = platform.Adapters();
    for (const Adapter& adapter : list.adapters) {
        EXPECT_FALSE(adapter.addresses.empty());
        for (const AdapterAddress& address : adapter.addresses) {
            const QHostAddress ip(address.ipAddress);
            EXPECT_EQ(ip.protocol(), QAbstractSocket::IPv4Protocol)
                << address.ipAddress.toStdString();
            EXPECT_FALSE(ip.isLoopback());
            EXPECT_EQ(QHostAddress(address.subnetMask).protocol(), QAbstractSocket::IPv4Protocol);
        }
    }
}

TEST(PlatformTest, BeepGoesToTheFrontEndsSound) {
    int beeps = 0;
    SystemPlatform platform([&] { ++beeps; });
    platform.Beep();
    EXPECT_EQ(beeps, 1);
    SystemPlatform silent;
    silent.Beep(); // no sound given: nothing happens
}

} // namespace
} // namespace vantoro
