#include "config/Login.h"

#include <gtest/gtest.h>

namespace vantoro {
namespace {

Bridge BridgeWith(std::string_view user, std::string_view password, std::string_view version) {
    Bridge bridge;
    bridge.userName.set(user);
    bridge.password.set(password);
    bridge.version.set(version);
    return bridge;
}

TEST(Login, CredentialsMatchOnlyByteForByte) {
    const Bridge bridge = BridgeWith("admin", "Secret\xE9", "1.0");
    EXPECT_TRUE(CredentialsMatch(bridge, "admin", QString::fromLatin1("Secret\xE9")));
    for (const auto& [user, password] : {std::pair{"Admin", "Secret\u00E9"}, // case
                                         {"admin", "secret\u00E9"},
                                         {"admin ", "Secret\u00E9"}, // trailing space
                                         {"admin", "Secret"},        // prefix
                                         {"", ""}}) {
        EXPECT_FALSE(CredentialsMatch(bridge, QString::fromUtf8(user), QString::fromUtf8(password)))
            << user << " / " << password;
    }
    // A character outside the 8-bit text can match nothing, not even the '?' it would become.
    const Bridge question = BridgeWith("admin", "?", "1.0");
    EXPECT_FALSE(CredentialsMatch(question, "admin", QStringLiteral("\u20AC")));
    // An empty reported password takes an empty field.
    EXPECT_TRUE(CredentialsMatch(BridgeWith("admin", "", "1.0"), "admin", ""));
}

TEST(Login, SeventeenCharacterCredentialsCanNeverBeTyped) {
    LoginState login;
    const Bridge longUser = BridgeWith("abcdefghijklmnopq", "pw", "1.0"); // 17 characters
    EXPECT_EQ(login.Check(longUser, "abcdefghijklmnopq", "pw"), LoginResult::Mismatch);
    const Bridge sixteen = BridgeWith("abcdefghijklmnop", "pw", "1.0");
    // Seventeen typed characters never pass for sixteen stored ones.
    EXPECT_EQ(login.Check(sixteen, "abcdefghijklmnopq", "pw"), LoginResult::Mismatch);
    EXPECT_EQ(login.Check(sixteen, "abcdefghijklmnop", "pw"), LoginResult::Authorized);
}

TEST(Login, GraceCoversEveryBridgeForThirtySecondsAndAnEmptyVersionNeedsNoPrompt) {
    LoginState login;
    const Bridge first = BridgeWith("admin", "one", "1.0");
    const Bridge second = BridgeWith("root", "two", "2.0");
    const Bridge noVersion = BridgeWith("x", "y", "");
    EXPECT_TRUE(login.loginRequired());
    EXPECT_TRUE(login.NeedsPrompt(first));
    EXPECT_FALSE(login.NeedsPrompt(noVersion));

    EXPECT_EQ(login.Check(first, "admin", "wrong"), LoginResult::Mismatch);
    EXPECT_TRUE(login.loginRequired());
    EXPECT_FALSE(login.graceTimer().isActive());

    EXPECT_EQ(login.Check(first, "admin", "one"), LoginResult::Authorized);
    EXPECT_FALSE(login.NeedsPrompt(second));
    EXPECT_TRUE(login.graceTimer().isActive());
    EXPECT_EQ(login.graceTimer().interval(), 30000);
    EXPECT_TRUE(login.graceTimer().isSingleShot());

    login.OnGraceExpired();
    EXPECT_TRUE(login.NeedsPrompt(second));
    EXPECT_FALSE(login.graceTimer().isActive());
}

} // namespace
} // namespace vantoro
