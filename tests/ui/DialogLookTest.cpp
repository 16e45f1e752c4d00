// Pictures of every bridge dialog as a user sees it, for looking them over by eye. Runs only when
// VANTORO_GRAB_DIR names a folder (for example under Xvfb with QT_QPA_PLATFORM=xcb); it checks
// nothing else.

#include "sim/Fleet.h"
#include "sim/SimBridge.h"
#include "tests/support/DialogHarness.h"
#include "ui/config/AdHocDialog.h"
#include "ui/config/ConnectionSettingsDialog.h"
#include "ui/config/IpSettingDialog.h"
#include "ui/config/LoginDialog.h"
#include "ui/status/BridgeStatusDialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <gtest/gtest.h>

namespace vantoro {
namespace {

TEST(DialogLook, GrabEveryBridgeDialog) {
    const QString dir = qEnvironmentVariable("VANTORO_GRAB_DIR");
    if (dir.isEmpty()) {
        GTEST_SKIP() << "set VANTORO_GRAB_DIR to a folder to take the pictures";
    }
    test::DialogHarness h;
    // The demo LAN's Paris bridge: ad-hoc in "FR", WEP off, a version text.
    const sim::SimBridgeState paris = sim::DemoFleet()[3];
    RowText row;
    ParseReply(*h.table, 0, DatagramText(sim::BuildReply(paris, Command::Status, 5000)), row);
    h.regionCode.set(h.bridge().country.view());
    const QString previous = QDir::currentPath();
    QDir::setCurrent(QStringLiteral(VANTORO_SOURCE_DIR "/res/help"));

    const auto grab = [&dir](QDialog& dialog, const char* name) {
        dialog.show();
        dialog.adjustSize();
        QCoreApplication::processEvents();
        EXPECT_TRUE(dialog.grab().save(QDir(dir).filePath(QString::fromLatin1(name))));
        dialog.hide();
    };
    BridgeStatusDialog status(h.context, nullptr);
    grab(status, "bridge-status.png");
    IpSettingDialog ip(h.context, nullptr);
    grab(ip, "ip-setting.png");
    AdHocDialog adHoc(h.context, nullptr);
    grab(adHoc, "adhoc.png");
    ConnectionSettingsDialog connection(h.context, nullptr);
    grab(connection, "connection-settings.png");
    LoginDialog login(h.context, nullptr);
    grab(login, "login.png");
    QDir::setCurrent(previous);
}

} // namespace
} // namespace vantoro
