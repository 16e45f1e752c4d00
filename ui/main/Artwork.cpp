#include "ui/main/Artwork.h"

namespace vantoro {

QIcon ProgramIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/vantoro-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

QIcon MakerLogo() {
    QIcon logo;
    logo.addFile(QStringLiteral(":/logo/brellix-logo.png"), kLogoSize);
    logo.addFile(QStringLiteral(":/logo/brellix-logo@2x.png"), kLogoSize * 2);
    return logo;
}

} // namespace vantoro
