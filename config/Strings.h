#pragma once

// The program's string table (res/strings.json, built into the resources of the config layer).

#include <QString>

namespace vantoro {

enum StringId {
    kStringAboutMenu = 101,    // the about box's menu entry
    kStringNotInSubnet = 102,  // Advanced Settings: the bridge is outside the PC's subnet
    kStringNoRights = 103,     // login refused: no rights to change configurations
    kStringInvalidLogin = 104, // login refused: wrong user name or password
    kStringRebooting = 105,    // a configuration request was sent
};

// The text of string id; empty when the table has no such entry.
QString TableString(int id);

} // namespace vantoro
