// The string table, the message-box seam and the platform layer under the main window.

#include "platform/Platform.h"
#include "ui/controls/MessageBox.h"
#include "ui/main/Strings.h"

#include <QAbstractButton>
#include <QApplication>
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

TEST(MessageBoxTest, RealBoxShowsTheRequestWithPlainLineBreaksAndReturnsTheAnswer) {
    QStringList seen;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            answer.stop();
            seen << box->windowTitle() << box->text() << QString::number(box->icon())
                 << QString::number(box->buttons().size());
            box->button(QMessageBox::No)->click();
        }
    });
    answer.start(0);
    EXPECT_EQ(WidgetMessageBoxes().Show(nullptr, "first line\r\nsecond line", MessageCaption(),
                                        QMessageBox::Information,
                                        QMessageBox::Yes | QMessageBox::No),
              QMessageBox::No);
    EXPECT_EQ(seen, QStringList({"BRELLIX Vantoro", "first line\nsecond line",
                                 QString::number(QMessageBox::Information), "2"}));
    EXPECT_EQ(DisplayText("a\r\nb\rc\nd"), "a\nb\nc\nd");
    EXPECT_EQ(DisplayText("setsockopt: SOCKET_ERROR!\n"), "setsockopt: SOCKET_ERROR!\n");
}

TEST(PlatformTest, AdapterListOverflowsTheBufferLikeTheSystemCall) {
    const auto adapter = [](int addresses) {
        Adapter made;
        for (int i = 0; i < addresses; ++i) {
            made.addresses.push_back({QStringLiteral("10.0.0.%1").arg(i + 1), "255.0.0.0"});
        }
        return made;
    };
    EXPECT_EQ(AdapterListBytes({}), 0);
    EXPECT_EQ(AdapterListBytes({adapter(3)}), 640 + 2 * 40);
    std::vector<Adapter> ten(10, adapter(1));
    EXPECT_EQ(AdapterListBytes(ten), 6400);
    const AdapterList fits = FitAdapterBuffer(ten);
    EXPECT_FALSE(fits.overflow);
    EXPECT_EQ(fits.adapters.size(), 10u);
    ten.back() = adapter(2); // one more address entry no longer fits
    const AdapterList overflow = FitAdapterBuffer(ten);
    EXPECT_TRUE(overflow.overflow);
    EXPECT_TRUE(overflow.adapters.empty());
}

TEST(PlatformTest, BrowserOpensOnlyWebAddresses) {
    EXPECT_EQ(BrowserUrl("192.168.0.227"), QUrl("http://192.168.0.227"));
    EXPECT_EQ(BrowserUrl("http://www.brellix.example/"), QUrl("http://www.brellix.example/"));
    EXPECT_EQ(BrowserUrl(" 10.1.2.3 "), QUrl("http://10.1.2.3"));
    // A bridge's address text comes from the network: nothing but a web page may open.
    for (const char* hostile :
         {"file:///etc/passwd", "javascript:alert(1)", "", "10.0.0.1 --incognito"}) {
        EXPECT_FALSE(BrowserUrl(hostile).isValid()) << hostile;
    }
}

} // namespace
} // namespace vantoro
