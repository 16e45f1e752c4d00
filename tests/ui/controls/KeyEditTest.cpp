#include "ui/controls/KeyEdit.h"

#include "tests/support/Controls.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <utility>

namespace vantoro {
namespace {

class KeyEditTest : public test::BetweenTwoEdits<KeyEdit> {
protected:
    void SetUp() override {
        control_->setObjectName(QStringLiteral("keyEdit"));
        control_->setBeep([this] { ++beeps_; });
        control_->setMaxLength(10);
        BetweenTwoEdits::SetUp();
    }

    KeyEdit& Key() { return *control_; }

    int beeps_ = 0;
};

TEST_F(KeyEditTest, RefusesTypedCharactersOutsideTheSetButNotPastedOnes) {
    // With no set installed every character is typed.
    QTest::keyClicks(&Key(), QStringLiteral("g -"));
    EXPECT_EQ(Key().text(), QStringLiteral("g -"));
    Key().clear();

    Key().setAllowedChars(QStringLiteral("0123456789abcdefABCDEF"));
    QTest::keyClicks(&Key(), QStringLiteral("09afAF"));
    const std::pair<Qt::Key, QString> refused[] = {{Qt::Key_G, QStringLiteral("G")},
                                                   {Qt::Key_Space, QStringLiteral(" ")},
                                                   {Qt::Key_Eacute, QStringLiteral("\u00E9")}};
    for (const auto& [key, text] : refused) {
        QTest::sendKeyEvent(QTest::Click, &Key(), key, text, Qt::NoModifier);
    }
    EXPECT_EQ(Key().text(), QStringLiteral("09afAF"));
    EXPECT_EQ(beeps_, 3);

    // Control characters pass: Backspace edits, Ctrl+A selects, Ctrl+V pastes unfiltered.
    QTest::keyClick(&Key(), Qt::Key_Backspace);
    QTest::keyClick(&Key(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Key().selectedText(), QStringLiteral("09afA"));
    QApplication::clipboard()->setText(QStringLiteral("zz-!"));
    QTest::keyClick(&Key(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Key().text(), QStringLiteral("zz-!"));
    EXPECT_EQ(beeps_, 3);
}

TEST_F(KeyEditTest, StartingToReplaceAMaskedKeyEmptiesItAndShowsItInClear) {
    struct Case {
        const char* what;
        bool withSet;
        bool selectAll;
        std::function<void(KeyEdit&)> act;
        QString text;
        bool masked;
        int beeps;
    };
    const auto click = [](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        return [=](KeyEdit& e) { QTest::keyClick(&e, key, modifiers); };
    };
    const Case cases[] = {
        {"Backspace", true, false, click(Qt::Key_Backspace), QString(), false, 0},
        {"Delete", true, false, click(Qt::Key_Delete), QString(), false, 0},
        {"a digit over a selection", true, true, click(Qt::Key_A), QStringLiteral("a"), false, 0},
        {"Ctrl+C over a selection", true, true, click(Qt::Key_C, Qt::ControlModifier), QString(),
         false, 0},
        // The selection is cleared before the character is looked at.
        {"a refused letter over a selection", true, true, click(Qt::Key_G), QString(), false, 1},
        {"a digit, no selection", true, false, click(Qt::Key_A), QStringLiteral("01234a"), true, 0},
        {"Shift+Left", true, false, click(Qt::Key_Left, Qt::ShiftModifier), QStringLiteral("01234"),
         true, 0},
        // With no set a field takes Backspace as a plain edit does, unless text is selected.
        {"Backspace, no set", false, false, click(Qt::Key_Backspace), QStringLiteral("0123"), true,
         0},
        {"Backspace over a selection, no set", false, true, click(Qt::Key_Backspace), QString(),
         false, 0},
    };
    for (const Case& c : cases) {
        auto edit = std::make_unique<KeyEdit>(dialog_.get());
        edit->setObjectName(QStringLiteral("caseKey"));
        edit->setBeep([this] { ++beeps_; });
        if (c.withSet) {
            edit->setAllowedChars(QStringLiteral("0123456789abcdefABCDEF"));
        }
        edit->setText(QStringLiteral("01234"));
        edit->setEchoMode(QLineEdit::Password);
        if (c.selectAll) {
            edit->selectAll();
        }
        beeps_ = 0;
        c.act(*edit);
        EXPECT_EQ(edit->text(), c.text) << c.what;
        EXPECT_EQ(edit->isMasked(), c.masked) << c.what;
        EXPECT_EQ(beeps_, c.beeps) << c.what;
    }
}

TEST_F(KeyEditTest, TabIntoAMaskedKeySelectsItSoTypingReplacesItButAFullStopMovesOn) {
    Key().setAllowedChars(QStringLiteral("0123456789abcdefABCDEF"));
    Key().setText(QStringLiteral("0123456789")); // a stored key, masked as the dialog shows it
    Key().setEchoMode(QLineEdit::Password);
    EXPECT_EQ(Key().displayText(), QStringLiteral("**********"));
    before_->setFocus();
    QTest::keyClick(before_, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), &Key());
    QTest::keyClick(&Key(), Qt::Key_Period); // not a character over the selection
    EXPECT_EQ(QApplication::focusWidget(), after_);
    EXPECT_TRUE(Key().isMasked());
    EXPECT_EQ(beeps_, 0);
    QTest::keyClick(after_, Qt::Key_Backtab);
    ASSERT_EQ(QApplication::focusWidget(), &Key());
    QTest::keyClicks(&Key(), QStringLiteral("Be"));
    EXPECT_EQ(Key().displayText(), QStringLiteral("Be"));
    // In clear, Backspace and Delete edit as usual.
    QTest::keyClick(&Key(), Qt::Key_Backspace);
    QTest::keyClick(&Key(), Qt::Key_Home);
    QTest::keyClick(&Key(), Qt::Key_Delete);
    QTest::keyClicks(&Key(), QStringLiteral("12"));
    EXPECT_EQ(Key().text(), QStringLiteral("12"));
}

} // namespace
} // namespace vantoro
