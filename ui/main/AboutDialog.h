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

private:
    QLabel* versionLine_ = nullptr;
    QLabel* descriptionLine_ = nullptr;
    QPushButton* okButton_ = nullptr;
};

} // namespace vantoro
