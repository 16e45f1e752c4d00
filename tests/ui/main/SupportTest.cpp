// The string table and the message-box seam under the main window.

#include "config/Strings.h"
#include "ui/controls/MessageBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <gtest/gtest.h>

namespace vantoro {
namespace {

TEST(StringTableTest, LoadsTextsWithTheirLineBreaks) {
    EXPECT_EQ(TableString(102),
              "You can not do Advance Setting now. Your PC's\r\nIP address is not in the same "
              "subnet as the bridge's\r\nIP address.\r\n\r\nDo you want to change the bridge's IP "
              "address?");
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

} // namespace
} // namespace vantoro
