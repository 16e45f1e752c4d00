#pragma once

// Finds a window's control by its object name, as a user finds it by its label. A missing
// control ends the test run with its name, rather than a null dereference.

#include <QAbstractButton>
#include <QString>
#include <QTest>
#include <QWidget>

namespace vantoro::test {

template <typename T> T& Child(const QWidget& window, const char* objectName) {
    T* child = window.findChild<T*>(QString::fromLatin1(objectName));
    if (child == nullptr) {
        qFatal("no control named %s", objectName);
    }
    return *child;
}

// Clicks the named button with the mouse.
inline void Click(const QWidget& window, const char* button) {
    QTest::mouseClick(&Child<QAbstractButton>(window, button), Qt::LeftButton);
}

} // namespace vantoro::test
