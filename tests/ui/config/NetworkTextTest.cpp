#include "tests/support/DialogHarness.h"
#include "tests/support/FakeTransport.h"
#include "ui/config/ConnectionSettingsDialog.h"
#include "ui/config/IpSettingDialog.h"
#include "ui/status/BridgeStatusDialog.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace vantoro {
namespace {

// Any peer on the LAN can answer for a bridge, and the PC's host name is anyone's choice. Read as
// rich text, such a text would make the dialog open the file its image names; every dialog shows
// it as it came.
TEST(NetworkText, LooksLikeMarkupAndIsShownAsItCame) {
    test::DialogHarness h;
    const QString image = QStringLiteral("<img src=/etc/passwd>");
    QByteArrayList fields = {"Torva_MultiAp_mgnt", "1001", "ACK"};
    for (int i = 3; i < 29; ++i) {
        fields << (i % 2 == 1 ? image.toLatin1() : "<b>" + QByteArray::number(i) + "</b>");
    }
    RowText row;
    ParseReply(*h.table, 0, DatagramText(test::ReplyOf(fields)), row);
    h.platform.hostNames.hostName = image;
    h.platform.hostNames.resolves.clear();
    h.platform.adapters.list.adapters.clear();

    BridgeStatusDialog status(h.context, nullptr);
    IpSettingDialog ip(h.context, nullptr);
    ConnectionSettingsDialog connection(h.context, nullptr);
    // Identifier, network name, channel, Rx count, address and gateway; the PC's address.
    const std::pair<QDialog*, int> imagesShown[] = {{&status, 6}, {&ip, 1}, {&connection, 0}};
    for (const auto& [dialog, images] : imagesShown) {
        dialog->show();
        dialog->grab();
        int shown = 0;
        for (const QLabel* label : dialog->findChildren<QLabel*>()) {
            if (label->text().contains(QLatin1Char('<'))) {
                EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
                shown += label->text() == image ? 1 : 0;
            }
        }
        EXPECT_EQ(shown, images) << dialog->objectName().toStdString();
    }
}

} // namespace
} // namespace vantoro
