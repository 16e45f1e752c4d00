#include "ui/config/LoginDialog.h"

#include "config/Strings.h"
#include "ui/config/DialogContext.h"
#include "ui/controls/DialogButtons.h"
#include "ui/controls/MessageBox.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantoro {

LoginDialog::LoginDialog(DialogContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
    setObjectName(QStringLiteral("loginDialog"));
    setWindowTitle(QStringLiteral("BRELLIX Vantoro"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* prompt = new QLabel(
        QStringLiteral("Please enter user name and password to configure wireless bridge."), this);
    prompt->setObjectName(QStringLiteral("promptLabel"));
    prompt->setWordWrap(true);

    userNameEdit_ = new QLineEdit(this);
    userNameEdit_->setObjectName(QStringLiteral("userNameEdit"));
    passwordEdit_ = new QLineEdit(this);
    passwordEdit_->setObjectName(QStringLiteral("passwordEdit"));
    passwordEdit_->setEchoMode(QLineEdit::Password);
    for (QLineEdit* edit : {userNameEdit_, passwordEdit_}) {
        edit->setMaxLength(kLoginFieldChars);
    }

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("User name :"), userNameEdit_);
    fields->addRow(QStringLiteral("Password :"), passwordEdit_);

    QDialogButtonBox* buttons = MakeOkCancelButtons(this);
    PressFocusedButtonOnEnter(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addLayout(fields);
    layout->addWidget(buttons);
    setMinimumWidth(fontMetrics().averageCharWidth() * 52);
}

LoginResult LoginDialog::Run() {
    const Bridge* bridge = context_.selectedBridge();
    if (bridge == nullptr) {
        // Callers open it only with a row selected; without one there is nothing to authorize.
        return LoginResult::Cancelled;
    }
    if (!context_.login.NeedsPrompt(*bridge)) {
        return LoginResult::Authorized;
    }
    userNameEdit_->setFocus();
    result_ = LoginResult::Cancelled;
    exec();
    return result_;
}

void LoginDialog::accept() {
    const Bridge* bridge = context_.selectedBridge();
    result_ = bridge == nullptr
                  ? LoginResult::Mismatch
                  : context_.login.Check(*bridge, userNameEdit_->text(), passwordEdit_->text());
    // Nothing typed outlives the dialog's answer.
    userNameEdit_->clear();
    passwordEdit_->clear();
    done(int(result_));
}

void LoginDialog::reject() {
    result_ = LoginResult::Cancelled;
    userNameEdit_->clear();
    passwordEdit_->clear();
    done(int(result_));
}

AuthorizeOutcome AuthorizeAndApply(QDialog& caller, DialogContext& context,
                                   const std::function<void()>& applyStep) {
    int retriesLeft = 2;
    for (;;) {
        // A fresh prompt for every attempt, so both fields start empty.
        LoginDialog dialog(context, &caller);
        switch (dialog.Run()) {
        case LoginResult::Authorized:
            applyStep();
            return AuthorizeOutcome::Applied;
        case LoginResult::Cancelled:
            return AuthorizeOutcome::Cancelled;
        case LoginResult::Mismatch:
            break;
        }
        if (retriesLeft > 0) {
            context.messages.Show(&caller, TableString(kStringInvalidLogin));
            --retriesLeft;
            continue;
        }
        context.messages.Show(&caller, TableString(kStringNoRights));
        caller.done(0);
        return AuthorizeOutcome::Refused;
    }
}

} // namespace vantoro
