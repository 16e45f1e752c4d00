#include "ui/controls/MessageBox.h"

namespace vantoro {

QString MessageCaption() {
    return QStringLiteral("BRELLIX Vantoro");
}

QString DisplayText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

QMessageBox::StandardButton WidgetMessageBoxes::Present(QWidget* parent,
                                                        const MessageRequest& request) {
    QMessageBox box(request.icon, request.caption, DisplayText(request.text), request.buttons,
                    parent);
    box.setTextFormat(Qt::PlainText);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace vantoro
