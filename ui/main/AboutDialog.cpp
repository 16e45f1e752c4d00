#include "ui/main/AboutDialog.h"

#include "config/Version.h"
#include "ui/main/Artwork.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace vantoro {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Vantoro"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    auto* icon = new QLabel(this);
    const int iconSize = style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, this);
    icon->setPixmap(ProgramIcon().pixmap(QSize(iconSize, iconSize), devicePixelRatioF()));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    icon->setAccessibleName(QStringLiteral("Vantoro"));

    versionLine_ =
        new QLabel(QStringLiteral("Vantoro Version %1").arg(QLatin1String(kVersionText)), this);
    versionLine_->setObjectName(QStringLiteral("versionLabel"));
    descriptionLine_ =
        new QLabel(QStringLiteral("Finds and sets up BRELLIX wireless bridges on your LAN."), this);
    descriptionLine_->setObjectName(QStringLiteral("descriptionLabel"));

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setObjectName(QStringLiteral("okButton"));
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

    auto* lines = new QVBoxLayout;
    lines->addWidget(versionLine_);
    lines->addWidget(descriptionLine_);
    lines->addStretch(1);

    auto* button = new QVBoxLayout;
    button->addWidget(okButton_);
    button->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(icon);
    layout->addSpacing(style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing, nullptr, this));
    layout->addLayout(lines, 1);
    layout->addLayout(button);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace vantoro
