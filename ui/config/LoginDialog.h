#pragma once

// The login prompt that guards every change, and the three-attempt sequence that the IP setting
// and connection settings dialogs run from their OK button.

#include "config/Login.h"

#include <QDialog>
#include <functional>

class QLineEdit;
class QPushButton;

namespace vantoro {

struct DialogContext;

class LoginDialog : public QDialog {
    Q_OBJECT
public:
    LoginDialog(DialogContext& context, QWidget* parent);

    // Asks for the selected bridge's user name and password, unless a login is still in its
    // grace or the bridge needs none: then it returns Authorized without showing anything.
    LoginResult Run();

public Q_SLOTS:
    // OK and Enter: compares with what the selected bridge reported.
    void accept() override;
    // Cancel, Escape and the close box.
    void reject() override;

private:
    DialogContext& context_;
    QLineEdit* userNameEdit_ = nullptr;
    QLineEdit* passwordEdit_ = nullptr;
    LoginResult result_ = LoginResult::Cancelled;
};

enum class AuthorizeOutcome {
    Applied,   // the login passed (or was not needed) and the apply step ran
    Cancelled, // the user cancelled a prompt: the caller stays open, nothing is sent
    Refused,   // three mismatches: the caller was closed, nothing is sent
};

// Up to three login attempts for one press of the caller's OK; "Invalid User name or Password."
// after the first two failures, "You don't have the rights to change configurations." after the
// third, which also closes the caller.
AuthorizeOutcome AuthorizeAndApply(QDialog& caller, DialogContext& context,
                                   const std::function<void()>& applyStep);

} // namespace vantoro
