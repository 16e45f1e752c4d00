#pragma once

// The buttons of the program's dialogs. The OK and Cancel row of a small dialog: "OK" (object name
// okButton, the default) runs the dialog's accept(), "Cancel" (cancelButton) its reject(); both are
// virtual, so a dialog's own versions run.

#include <QDialog>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QPushButton>

namespace vantoro {

// Enter (or Return) with the focus on a push button presses that button, whatever the dialog's
// default button is: a focused Cancel must never apply. Enter elsewhere reaches the dialog as
// before. Buttons that press themselves on Enter (auto-default ones) never let the key get here.
class EnterPressesFocusedButton final : public QObject {
public:
    explicit EnterPressesFocusedButton(QDialog* dialog) : QObject(dialog), dialog_(dialog) {
        dialog->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != dialog_ || event->type() != QEvent::KeyPress) {
            return false;
        }
        const int key = static_cast<QKeyEvent*>(event)->key();
        auto* button = qobject_cast<QPushButton*>(dialog_->focusWidget());
        if ((key != Qt::Key_Return && key != Qt::Key_Enter) || button == nullptr ||
            !button->isEnabled() || !button->isVisible()) {
            return false;
        }
        button->click();
        return true;
    }

private:
    QDialog* dialog_;
};

// Gives dialog the filter above; the dialog owns it.
inline void PressFocusedButtonOnEnter(QDialog* dialog) {
    new EnterPressesFocusedButton(dialog);
}

inline QDialogButtonBox* MakeOkCancelButtons(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

} // namespace vantoro
