#pragma once

// The about box: the program's name and version, one line about what it does, and OK.

#include <QDialog>

class QLabel;
class QPushButton;

namespace vantoro {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);

    QLabel& versionLine() const { return *versionLine_; }
    QLabel& descriptionLine() const { return *descriptionLine_; }
    QPushButton& okButton() const { return *okButton_; }

private:
    QLabel* versionLine_ = nullptr;
    QLabel* descriptionLine_ = nullptr;
    QPushButton* okButton_ = nullptr;
};

} // namespace vantoro
