#pragma once

// The program's pictures, built into the resources: the window icon and the maker's logo.

#include <QIcon>
#include <QSize>

namespace vantoro {

// Size of the logo in the main window, in device-independent pixels.
inline constexpr QSize kLogoSize{150, 36};

// The window icon in every size it is drawn in.
QIcon ProgramIcon();
// The maker's logo at 1x and 2x.
QIcon MakerLogo();

} // namespace vantoro
