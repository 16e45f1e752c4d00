#pragma once

// The login check that guards every change: the user's typed user name and password against what
// the selected bridge itself reported, and the 30-second grace after a successful login, during
// which no bridge asks again.

#include "protocol/Bridge.h"

#include <QObject>
#include <QString>
#include <QTimer>

namespace vantoro {

inline constexpr int kLoginGraceMs = 30000;
// The login fields take at most this many characters, so a bridge whose user name or password is
// longer can never be matched.
inline constexpr int kLoginFieldChars = 16;

// Results of a login prompt, with the values the callers test for.
enum class LoginResult { Authorized = 0, Mismatch = -1, Cancelled = 1 };

// Both texts equal the bridge's, byte for byte and case-sensitively. Texts are compared as the
// 8-bit text the bridge sent; a typed character outside Latin-1 can match nothing, and neither can
// a text longer than a login field.
bool CredentialsMatch(const Bridge& bridge, const QString& userName, const QString& password);

// The program-wide login state: required at start, grace for 30 seconds after a successful login.
class LoginState : public QObject {
    Q_OBJECT
public:
    explicit LoginState(QObject* parent = nullptr);

    bool loginRequired() const { return loginRequired_; }
    // True when a prompt must be shown for this bridge: no grace is running and the bridge
    // reported a version text (a bridge without one needs no login).
    bool NeedsPrompt(const Bridge& bridge) const;
    // Checks typed credentials; a match ends the requirement and starts the grace.
    LoginResult Check(const Bridge& bridge, const QString& userName, const QString& password);
    // The end of the grace (the timer's handler; tests call it directly).
    void OnGraceExpired();

    const QTimer& graceTimer() const { return graceTimer_; }

private:
    bool loginRequired_ = true;
    QTimer graceTimer_;
};

} // namespace vantoro
