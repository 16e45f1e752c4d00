#pragma once

// An IPv4 address edit: four octet fields of 0 to 255 between fixed dots, one control to the
// dialog. It can be blank; blank fields read as 0. Typing "." or filling a field moves on to the
// next octet, Backspace at the start of a field goes back, Left and Right cross the dots, and
// the control is a single Tab stop.

#include "config/IpSettings.h"

#include <QFrame>
#include <array>

class QLineEdit;

namespace vantoro {

class IpAddressEdit : public QFrame {
    Q_OBJECT
public:
    explicit IpAddressEdit(QWidget* parent = nullptr);

    // The four octets; a blank field reads as 0.
    Ipv4Octets octets() const;
    void setOctets(const Ipv4Octets& octets);
    // All four fields empty.
    bool isBlank() const;
    void clear();

    // Octet field 0 to 3 (object names "octet1" to "octet4").
    QLineEdit& field(int index) const { return *fields_[size_t(index)]; }

signals:
    // The user changed an octet.
    void addressEdited();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnFieldEdited(int index);
    // Puts the caret into a neighbouring field: at its start (selecting it all) going forward,
    // at its end going back.
    void MoveTo(int index, bool forward);
    int IndexOf(QObject* object) const;

    std::array<QLineEdit*, 4> fields_{};
};

} // namespace vantoro
