#include "config/Login.h"

namespace vantoro {

namespace {

bool SameText(const QString& typed, const BridgeText& reported) {
    const std::string_view expected = reported.view();
    if (typed.size() != qsizetype(expected.size())) {
        return false;
    }
    for (qsizetype i = 0; i < typed.size(); ++i) {
        // QString::toLatin1 would turn unmappable characters into '?', which could then match.
        const char16_t c = typed[i].unicode();
        if (c > 0xFF || char(c) != expected[size_t(i)]) {
            return false;
        }
    }
    return true;
}

} // namespace

bool CredentialsMatch(const Bridge& bridge, const QString& userName, const QString& password) {
    // The fields hold at most 16 characters, so a longer text was never typed there: it matches
    // nothing (cutting it could let a longer, wrong password pass).
    if (userName.size() > kLoginFieldChars || password.size() > kLoginFieldChars) {
        return false;
    }
    return SameText(userName, bridge.userName) && SameText(password, bridge.password);
}

LoginState::LoginState(QObject* parent) : QObject(parent) {
    graceTimer_.setSingleShot(true);
    graceTimer_.setInterval(kLoginGraceMs);
    connect(&graceTimer_, &QTimer::timeout, this, &LoginState::OnGraceExpired);
}

bool LoginState::NeedsPrompt(const Bridge& bridge) const {
    return loginRequired_ && !bridge.version.isEmpty();
}

LoginResult LoginState::Check(const Bridge& bridge, const QString& userName,
                              const QString& password) {
    if (!CredentialsMatch(bridge, userName, password)) {
        return LoginResult::Mismatch;
    }
    loginRequired_ = false;
    graceTimer_.start();
    return LoginResult::Authorized;
}

void LoginState::OnGraceExpired() {
    loginRequired_ = true;
    graceTimer_.stop();
}

} // namespace vantoro
