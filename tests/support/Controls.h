#pragma once

// Finds a window's control by its object name, as a user finds it by its label. A missing
// control ends the test run with its name, rather than a null dereference.

#include <QAbstractButton>
#include <QDialog>
#include <QLineEdit>
#include <QString>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

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

// A control between two line edits in a shown, active dialog, so that the keyboard focus moves
// into it and out of it as in the program's dialogs.
template <typename Control> class BetweenTwoEdits : public ::testing::Test {
protected:
    void SetUp() override {
        before_->setObjectName(QStringLiteral("before"));
        after_->setObjectName(QStringLiteral("after"));
        auto* layout = new QVBoxLayout(dialog_.get());
        layout->addWidget(before_);
        layout->addWidget(control_);
        layout->addWidget(after_);
        dialog_->show();
        dialog_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
        control_->setFocus(Qt::TabFocusReason);
    }

    std::unique_ptr<QDialog> dialog_ = std::make_unique<QDialog>();
    QLineEdit* before_ = new QLineEdit(dialog_.get());
    Control* control_ = new Control(dialog_.get());
    QLineEdit* after_ = new QLineEdit(dialog_.get());
};

} // namespace vantoro::test
