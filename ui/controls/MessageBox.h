#pragma once

// The one way the program shows a message box. Dialogs hold a MessageBoxes reference; the
// program passes the real one, tests a recorder that answers as scripted.

#include <QMessageBox>
#include <QString>

class QWidget;

namespace vantoro {

// Caption of every message box of the program.
QString MessageCaption();

struct MessageRequest {
    QString text; // exactly as the program gives it, CR LF line ends included
    QString caption;
    QMessageBox::Icon icon = QMessageBox::Information;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
};

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;

    // Shows a modal message box owned by parent and returns the button the user chose.
    QMessageBox::StandardButton Show(QWidget* parent, const QString& text,
                                     const QString& caption = MessageCaption(),
                                     QMessageBox::Icon icon = QMessageBox::Information,
                                     QMessageBox::StandardButtons buttons = QMessageBox::Ok) {
        return Present(parent, MessageRequest{text, caption, icon, buttons});
    }

protected:
    virtual QMessageBox::StandardButton Present(QWidget* parent, const MessageRequest& request) = 0;
};

// Real message boxes on screen.
class WidgetMessageBoxes final : public MessageBoxes {
protected:
    QMessageBox::StandardButton Present(QWidget* parent, const MessageRequest& request) override;
};

// The text as a message box shows it: the table's CR LF line ends become plain line breaks.
QString DisplayText(const QString& text);

} // namespace vantoro
