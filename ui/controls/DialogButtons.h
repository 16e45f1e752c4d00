#pragma once

// The OK and Cancel row of a small dialog: "OK" (object name okButton, the default) runs the
// dialog's accept(), "Cancel" (cancelButton) its reject(); both are virtual, so a dialog's own
// versions run.

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

namespace vantoro {

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
