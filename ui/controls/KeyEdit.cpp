#include "ui/controls/KeyEdit.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <algorithm>
#include <utility>

namespace vantoro {
namespace {

constexpr char16_t kBackspace = 8;

// The character a key press types, control characters included (Backspace, Ctrl+A to Ctrl+Z),
// or nothing for keys that type none (arrows, Delete, ...). Enter, Escape and Tab belong to the
// dialog, not to the field.
std::optional<char16_t> TypedChar(const QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Backspace) {
        return kBackspace;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape ||
        key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        return std::nullopt;
    }
    // Platforms differ in the text they give Ctrl+letter ("\x03" or "c"); the code is the same.
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (modifiers.testFlag(Qt::ControlModifier) && !modifiers.testFlag(Qt::AltModifier) &&
        key >= Qt::Key_A && key <= Qt::Key_Z) {
        return char16_t(key - Qt::Key_A + 1);
    }
    if (event->text().isEmpty()) {
        return std::nullopt;
    }
    return event->text().front().unicode();
}

} // namespace

KeyEdit::KeyEdit(QWidget* parent) : QLineEdit(parent) {
    // A masked key shows as asterisks whatever the platform's own password character is.
    setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    connect(this, &QLineEdit::textChanged, this, &KeyEdit::FitLimit);
}

void KeyEdit::setLimit(int chars) {
    limit_ = chars;
    setMaxLength(std::max(chars, int(text().size())));
}

void KeyEdit::setKeyText(const QString& text) {
    if (limit_ >= 0 && text.size() > maxLength()) {
        setMaxLength(int(text.size()));
    }
    setText(text);
}

void KeyEdit::FitLimit() {
    // A longer text widened the limit; once it fits again, typing is held to the limit.
    if (limit_ >= 0 && maxLength() != limit_ && text().size() <= limit_) {
        setMaxLength(limit_);
    }
}

void KeyEdit::setAllowedChars(const QString& chars) {
    allowedChars_ = chars;
}

void KeyEdit::setBeep(std::function<void()> beep) {
    beep_ = std::move(beep);
}

void KeyEdit::ClearMaskedText() {
    if (isMasked()) {
        setText(QString());
        setEchoMode(QLineEdit::Normal);
    }
}

bool KeyEdit::IsRefused(QChar c) const {
    return allowedChars_ && c.isPrint() && !allowedChars_->contains(c);
}

void KeyEdit::Beep() {
    if (beep_) {
        beep_();
    }
}

void KeyEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        ClearMaskedText();
        QLineEdit::keyPressEvent(event);
        return;
    }
    const std::optional<char16_t> ch = TypedChar(event);
    if (!ch) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (*ch == kSkipChar) {
        focusNextChild();
        event->accept();
        return;
    }
    // Any character typed over a selection starts a new key, even one refused below.
    if (hasSelectedText()) {
        ClearMaskedText();
    }
    if (IsRefused(QChar(*ch))) {
        Beep();
        event->accept();
        return;
    }
    // Backspace on a masked key empties it even with no selection, but only once a set is in
    // place: with none, a field takes every key as a plain edit does.
    if (allowedChars_ && *ch == kBackspace) {
        ClearMaskedText();
    }
    QLineEdit::keyPressEvent(event);
}

void KeyEdit::inputMethodEvent(QInputMethodEvent* event) {
    const QString commit = event->commitString();
    if (commit.isEmpty()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    // Composed characters are typed characters too: the same filter applies.
    if (std::any_of(commit.begin(), commit.end(), [this](QChar c) { return IsRefused(c); })) {
        Beep();
        QInputMethodEvent withoutCommit(event->preeditString(), event->attributes());
        QLineEdit::inputMethodEvent(&withoutCommit);
        return;
    }
    if (hasSelectedText()) {
        ClearMaskedText();
    }
    QLineEdit::inputMethodEvent(event);
}

} // namespace vantoro
