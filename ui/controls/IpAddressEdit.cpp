#include "ui/controls/IpAddressEdit.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <algorithm>

namespace vantoro {
namespace {

constexpr int kMaxOctet = 255;
constexpr int kOctetDigits = 3;

} // namespace

IpAddressEdit::IpAddressEdit(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 1, 2, 1);
    layout->setSpacing(0);
    auto* validator =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this);
    const int fieldWidth = fontMetrics().horizontalAdvance(QStringLiteral("0000"));
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            auto* dot = new QLabel(QStringLiteral("."), this);
            dot->setObjectName(QStringLiteral("dot%1").arg(i));
            layout->addWidget(dot);
        }
        auto* field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("octet%1").arg(i + 1));
        field->setAccessibleName(QStringLiteral("Part %1 of 4").arg(i + 1));
        field->setFrame(false);
        field->setAlignment(Qt::AlignCenter);
        field->setMaxLength(kOctetDigits);
        field->setValidator(validator);
        field->setFixedWidth(fieldWidth);
        field->installEventFilter(this);
        // Only the first field is reached by Tab; the others by typing and the arrow keys.
        field->setFocusPolicy(i == 0 ? Qt::StrongFocus : Qt::ClickFocus);
        connect(field, &QLineEdit::textEdited, this, [this, i] { OnFieldEdited(i); });
        layout->addWidget(field);
        fields_[size_t(i)] = field;
    }
    layout->addStretch(1);
    setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(fields_[0]);
}

Ipv4Octets IpAddressEdit::octets() const {
    Ipv4Octets octets{};
    for (size_t i = 0; i < fields_.size(); ++i) {
        octets[i] = quint8(std::min(fields_[i]->text().toInt(), kMaxOctet));
    }
    return octets;
}

void IpAddressEdit::setOctets(const Ipv4Octets& octets) {
    for (size_t i = 0; i < fields_.size(); ++i) {
        fields_[i]->setText(QString::number(octets[i]));
    }
}

bool IpAddressEdit::isBlank() const {
    return std::all_of(fields_.begin(), fields_.end(),
                       [](const QLineEdit* field) { return field->text().isEmpty(); });
}

void IpAddressEdit::clear() {
    for (QLineEdit* field : fields_) {
        field->clear();
    }
}

void IpAddressEdit::OnFieldEdited(int index) {
    QLineEdit* field = fields_[size_t(index)];
    if (field->text().toInt() > kMaxOctet) {
        field->setText(QString::number(kMaxOctet));
    }
    emit addressEdited();
    if (field->text().size() == kOctetDigits && field->cursorPosition() == kOctetDigits &&
        index < 3) {
        MoveTo(index + 1, true);
    }
}

void IpAddressEdit::MoveTo(int index, bool forward) {
    QLineEdit* field = fields_[size_t(index)];
    field->setFocus(forward ? Qt::TabFocusReason : Qt::OtherFocusReason);
    if (forward) {
        field->selectAll();
    } else {
        field->deselect();
        field->end(false);
    }
}

int IpAddressEdit::IndexOf(QObject* object) const {
    for (size_t i = 0; i < fields_.size(); ++i) {
        if (fields_[i] == object) {
            return int(i);
        }
    }
    return -1;
}

bool IpAddressEdit::eventFilter(QObject* watched, QEvent* event) {
    const int index = IndexOf(watched);
    if (index < 0) {
        return QFrame::eventFilter(watched, event);
    }
    QLineEdit* field = fields_[size_t(index)];
    if (event->type() == QEvent::FocusOut && !field->text().isEmpty()) {
        // "010" reads as 10; show it so.
        field->setText(QString::number(field->text().toInt()));
        return false;
    }
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool atStart = field->cursorPosition() == 0 && !field->hasSelectedText();
    const bool atEnd = field->cursorPosition() == field->text().size() && !field->hasSelectedText();
    switch (key->key()) {
    case Qt::Key_Period:
        // The dot ends a field that holds a number; in an empty one it does nothing.
        if (!field->text().isEmpty() && index < 3) {
            MoveTo(index + 1, true);
        }
        return true;
    case Qt::Key_Backspace:
    case Qt::Key_Left:
        if (atStart && index > 0) {
            MoveTo(index - 1, false);
            return true;
        }
        return false;
    case Qt::Key_Right:
        if (atEnd && index < 3) {
            MoveTo(index + 1, false);
            fields_[size_t(index) + 1]->home(false);
            return true;
        }
        return false;
    case Qt::Key_Backtab:
        // Back out of the whole control, not into its first field.
        if (index > 0) {
            fields_[0]->setFocus(Qt::BacktabFocusReason);
            QApplication::sendEvent(fields_[0], event);
            return true;
        }
        return false;
    default:
        return false;
    }
}

} // namespace vantoro
