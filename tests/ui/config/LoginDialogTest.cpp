#include "ui/config/LoginDialog.h"

#include "tests/support/DialogHarness.h"
#include "tests/support/ModalScript.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <utility>

namespace vantoro {
namespace {

using test::ModalScript;

// Types into the prompt as a user would, then presses OK (or Escape).
ModalScript::Step Type(QString user, QString password) {
    return [user = std::move(user), password = std::move(password)](QWidget& dialog) {
        auto& userEdit = test::Child<QLineEdit>(dialog, "userNameEdit");
        auto& passwordEdit = test::Child<QLineEdit>(dialog, "passwordEdit");
        // Every attempt starts with both fields empty and the password masked.
        EXPECT_TRUE(userEdit.text().isEmpty() && passwordEdit.text().isEmpty());
        EXPECT_EQ(passwordEdit.echoMode(), QLineEdit::Password);
        QTest::keyClicks(&userEdit, user);
        QTest::keyClicks(&passwordEdit, password);
        test::Click(dialog, "okButton");
    };
}

class LoginDialogTest : public ::testing::Test, public test::DialogHarness {
protected:
    void SetUp() override {
        bridge().userName.set("admin");
        bridge().password.set("Pass");
        bridge().version.set("2.01");
        caller.show();
    }
    AuthorizeOutcome Authorize() {
        return AuthorizeAndApply(caller, context, [this] { ++applied; });
    }
    QDialog caller;
    int applied = 0;
};

// How long the grace lasts and which bridges it covers is the login state's to test.
TEST_F(LoginDialogTest, RightCredentialsCutToSixteenCharactersApplyAndStartTheGrace) {
    bridge().userName.set("abcdefghijklmnop"); // 16: just fits
    ModalScript script({Type("abcdefghijklmnopXYZ", "Pass")});
    EXPECT_EQ(Authorize(), AuthorizeOutcome::Applied);
    EXPECT_EQ(script.handled(), 1u);
    EXPECT_EQ(applied, 1);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(Authorize(), AuthorizeOutcome::Applied); // no prompt within the grace
    EXPECT_EQ(applied, 2);
}

TEST_F(LoginDialogTest, TwoFailuresWarnAndRetryTheThirdRefusesAndClosesTheCaller) {
    ModalScript script({Type("Admin", "Pass"), Type("admin", "pass"), Type("admin", "Pass ")});
    EXPECT_EQ(Authorize(), AuthorizeOutcome::Refused);
    EXPECT_EQ(script.handled(), 3u);
    EXPECT_EQ(applied, 0);
    EXPECT_EQ(Messages(),
              QStringList({"Invalid User name or Password.", "Invalid User name or Password.",
                           "You don't have the rights to change configurations."}));
    EXPECT_FALSE(caller.isVisible());

    // The next press starts afresh with three attempts; the second succeeds.
    caller.show();
    messages.shown.clear();
    ModalScript next({Type("x", "y"), Type("admin", "Pass")});
    EXPECT_EQ(Authorize(), AuthorizeOutcome::Applied);
    EXPECT_EQ(Messages(), QStringList{"Invalid User name or Password."});
    EXPECT_TRUE(caller.isVisible());
}

TEST_F(LoginDialogTest, CancelAfterAFailureLeavesTheCallerOpenAndSaysNothingMore) {
    ModalScript script(
        {Type("admin", "nope"), [](QWidget& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); }});
    EXPECT_EQ(Authorize(), AuthorizeOutcome::Cancelled);
    EXPECT_EQ(Messages(), QStringList{"Invalid User name or Password."});
    EXPECT_TRUE(caller.isVisible());
    EXPECT_EQ(applied, 0);
}

} // namespace
} // namespace vantoro
