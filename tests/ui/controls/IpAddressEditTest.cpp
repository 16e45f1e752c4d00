// The IPv4 address edit, driven with key events sent where the keyboard focus is.

#include "ui/controls/IpAddressEdit.h"

#include "tests/support/Controls.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace vantoro {
namespace {

class IpAddressEditTest : public test::BetweenTwoEdits<IpAddressEdit> {
protected:
    void SetUp() override {
        BetweenTwoEdits::SetUp();
        ASSERT_EQ(Focused(), Octet(1));
    }

    QWidget* Focused() const { return QApplication::focusWidget(); }
    QLineEdit* Octet(int n) const {
        return dialog_->findChild<QLineEdit*>(QStringLiteral("octet%1").arg(n));
    }
    // Each key goes to whichever widget has the focus at that moment, as a keyboard's would.
    void Type(const QString& keys) {
        for (const QChar key : keys) {
            QTest::keyClick(Focused(), key.toLatin1());
        }
    }
    void Press(Qt::Key key, int times = 1) {
        for (int i = 0; i < times; ++i) {
            QTest::keyClick(Focused(), key);
        }
    }
    QString Shown() const {
        return QStringList{Octet(1)->text(), Octet(2)->text(), Octet(3)->text(), Octet(4)->text()}
            .join('.');
    }
};

TEST_F(IpAddressEditTest, TypingAnAddressMovesOnAtDotsAndFullFields) {
    EXPECT_TRUE(control_->isBlank());
    EXPECT_EQ(control_->octets(), (Ipv4Octets{0, 0, 0, 0}));

    Type("192168.1.10");
    EXPECT_EQ(Shown(), "192.168.1.10");
    EXPECT_EQ(Focused(), Octet(4));
    EXPECT_EQ(control_->octets(), (Ipv4Octets{192, 168, 1, 10}));

    // Letters, signs and a dot in an empty field or in the last field do nothing.
    Type("x-+ .");
    EXPECT_EQ(Shown(), "192.168.1.10");
    EXPECT_EQ(Focused(), Octet(4));
}

TEST_F(IpAddressEditTest, BackspaceAndArrowsCrossTheDots) {
    Type("10.20.30.40");
    Press(Qt::Key_Backspace, 2);
    EXPECT_EQ(Focused(), Octet(4));
    EXPECT_EQ(Octet(4)->text(), "");
    Press(Qt::Key_Backspace); // in an empty field: back to the end of the previous one
    EXPECT_EQ(Focused(), Octet(3));
    Press(Qt::Key_Backspace);
    EXPECT_EQ(Octet(3)->text(), "3");
    Type("5");
    EXPECT_EQ(Shown(), "10.20.35.");

    Press(Qt::Key_Left, 3); // over the two digits, then across the dot
    EXPECT_EQ(Focused(), Octet(2));
    Press(Qt::Key_Home);
    Press(Qt::Key_Left);
    EXPECT_EQ(Focused(), Octet(1));
    Press(Qt::Key_Left); // nothing before the first field
    EXPECT_EQ(Focused(), Octet(1));
    Press(Qt::Key_End);
    Press(Qt::Key_Right);
    EXPECT_EQ(Focused(), Octet(2));
    EXPECT_EQ(Octet(2)->cursorPosition(), 0);
}

TEST_F(IpAddressEditTest, OneTabStopForTheWholeControl) {
    Type("1.2.3");
    EXPECT_EQ(Focused(), Octet(3));
    Press(Qt::Key_Tab);
    EXPECT_EQ(Focused(), after_);
    Press(Qt::Key_Backtab);
    EXPECT_EQ(Focused(), Octet(1));
    Press(Qt::Key_Right, 2);
    EXPECT_EQ(Focused(), Octet(2));
    Press(Qt::Key_Backtab);
    EXPECT_EQ(Focused(), before_);
    Press(Qt::Key_Tab);
    EXPECT_EQ(Focused(), Octet(1));
}

TEST_F(IpAddressEditTest, SetGetBlankAndDisableAsOne) {
    control_->setOctets({10, 0, 0, 255});
    EXPECT_EQ(Shown(), "10.0.0.255");
    EXPECT_EQ(control_->octets(), (Ipv4Octets{10, 0, 0, 255}));

    // Leading zeros read and show as the number; octets above 255 become 255.
    control_->clear();
    EXPECT_TRUE(control_->isBlank());
    Type("010.300.2569.");
    EXPECT_EQ(Shown(), "10.255.255.9");
    EXPECT_EQ(control_->octets(), (Ipv4Octets{10, 255, 255, 9}));
    EXPECT_FALSE(control_->isBlank());

    control_->setOctets({192, 168, 0, 1});
    control_->setEnabled(false);
    for (int n = 1; n <= 4; ++n) {
        EXPECT_FALSE(Octet(n)->isEnabled()) << n;
    }
    EXPECT_NE(Focused(), Octet(1));
    EXPECT_EQ(control_->octets(), (Ipv4Octets{192, 168, 0, 1})) << "contents kept while disabled";
    control_->setEnabled(true);
    control_->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(Focused(), Octet(1));
    Type("7");
    EXPECT_EQ(Octet(1)->text(), "7") << "focus by Tab selects the field, so typing replaces it";
}

} // namespace
} // namespace vantoro
