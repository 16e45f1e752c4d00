#pragma once

// The WEP key field: a line edit that refuses typed characters outside a set its owner installs,
// moves the focus on with the full stop, and empties a masked key as soon as the user starts to
// replace it, so nobody edits a key they cannot see.

#include <QLineEdit>
#include <QString>
#include <functional>
#include <optional>

class QInputMethodEvent;
class QKeyEvent;

namespace vantoro {

class KeyEdit : public QLineEdit {
    Q_OBJECT
public:
    // Every character may be typed until setAllowedChars installs a set. The field is masked
    // (asterisks) while its echo mode is Password; the owner switches it both ways.
    explicit KeyEdit(QWidget* parent = nullptr);

    // Printable characters outside chars are refused with the beep; control characters (Backspace,
    // Ctrl+C, Ctrl+V, ...) always pass. Replaces any earlier set. Pasted text is not filtered.
    void setAllowedChars(const QString& chars);
    // The sound of a refused character; the program passes Platform::Beep. None by default.
    void setBeep(std::function<void()> beep);

    bool isMasked() const { return echoMode() == QLineEdit::Password; }

    // The typing limit (10 or 26 hex digits). Unlike setMaxLength it never cuts a longer text the
    // owner put in: a stored key of the wrong length stays whole, so the key checks refuse it
    // instead of a prefix going out as the key. The limit holds again once the text fits.
    void setLimit(int chars);
    // Puts text in the field whole, whatever the limit.
    void setKeyText(const QString& text);
    int limit() const { return limit_; }

    // Typing it moves the focus to the next control instead of inserting it.
    static constexpr char16_t kSkipChar = u'.';

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    // A masked key becomes empty and what follows shows in clear; a field in clear is left alone.
    void ClearMaskedText();
    bool IsRefused(QChar c) const;
    void Beep();
    void FitLimit();

    std::optional<QString> allowedChars_;
    std::function<void()> beep_;
    int limit_ = -1; // none until the owner sets one
};

} // namespace vantoro
