// The IPv4 address edit, driven with key events sent where the keyboard focus is.

#include "ui/controls/IpAddressEdit.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <memory>

namespace vantoro {
namespace {

class IpAddressEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        before_->setObjectName(QStringLiteral("before"));
        edit_->setObjectName(QStringLiteral("address"));
        after_->setObjectName(QStringLiteral("after"));
        auto* layout = new QVBoxLayout(dialog_.get());
        layout->addWidget(before_);
        layout->addWidget(edit_);
        layout->addWidget(after_);
        dialog_->show();
        dialog_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
        edit_->setFocus(Qt::TabFocusReason);
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

    std::unique_ptr<QDialog> dialog_ = std::make_unique<QDialog>();
    QLineEdit* before_ = new QLineEdit(dialog_.get());
    IpAddressEdit* edit_ = new IpAddressEdit(dialog_.get());
    QLineEdit* after_ = new QLineEdit(dialog_.get());
};

TEST_F(IpAddressEditTest, TypingAnAddressMovesOnAtDotsAndFullFields) {
    EXPECT_TRUE(edit_->isBlank());
    EXPECT_EQ(edit_->octets(), (Ipv4Octets{0, 0, 0, 0}));
    int edits = 0;
    QObject::connect(edit_, &IpAddressEdit::addressEdited, [&] { ++edits; });

    Type("192168.1.10");
    EXPECT_EQ(Shown(), "192.168.1.10");
    EXPECT_EQ(Focused(), Octet(4));
    EXPECT_EQ(edit_->octets(), (Ipv4Octets{192, 168, 1, 10}));
    EXPECT_FALSE(edit_->isBlank());
    EXPECT_GT(edits, 0);

    // Letters, signs and a dot in an empty field or in the last field do nothing.
    Type("x-+ .");
    EXPECT_EQ(Shown(), "192.168.1.10");
    EXPECT_EQ(Focused(), Octet(4));
}

TEST_F(IpAddressEditTest, OctetsAboveTwoFiftyFiveBecomeTwoFiftyFive) {
    Type("300.2569.");
    EXPECT_EQ(Shown(), "255.255.9.");
    EXPECT_EQ(edit_->octets(), (Ipv4Octets{255, 255, 9, 0}));
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
    edit_->setOctets({10, 0, 0, 255});
    EXPECT_EQ(Shown(), "10.0.0.255");
    EXPECT_EQ(edit_->octets(), (Ipv4Octets{10, 0, 0, 255}));

    // Leading zeros read and show as the number.
    edit_->clear();
    EXPECT_TRUE(edit_->isBlank());
    Type("010.");
    EXPECT_EQ(Octet(1)->text(), "10");
    EXPECT_EQ(edit_->octets(), (Ipv4Octets{10, 0, 0, 0}));
    EXPECT_FALSE(edit_->isBlank());

    edit_->setOctets({192, 168, 0, 1});
    edit_->setEnabled(false);
    for (int n = 1; n <= 4; ++n) {
        EXPECT_FALSE(Octet(n)->isEnabled()) << n;
    }
    EXPECT_NE(Focused(), Octet(1));
    EXPECT_EQ(edit_->octets(), (Ipv4Octets{192, 168, 0, 1})) << "contents kept while disabled";
    edit_->setEnabled(true);
    edit_->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(Focused(), Octet(1));
    Type("7");
    EXPECT_EQ(Octet(1)->text(), "7") << "focus by Tab selects the field, so typing replaces it";
}

} // namespace
} // namespace vantoro
