#include "tests/support/Controls.h"
#include "tests/support/DialogHarness.h"
#include "tests/support/FakeTransport.h"
#include "ui/config/ConnectionSettingsDialog.h"
#include "ui/config/IpSettingDialog.h"
#include "ui/status/BridgeStatusDialog.h"

#include <QComboBox>
#include <QLabel>
#include <gtest/gtest.h>

namespace vantoro {
namespace {

// Any peer on the LAN can answer for a bridge, and the PC's host name is anyone's choice. Read as
// rich text, such a text would make the dialog open the file its image names; every dialog shows
// it as it came.
TEST(NetworkText, LooksLikeMarkupAndIsShownAsItCame) {
    test::DialogHarness h;
    const QByteArray image = "<img src=/etc/passwd>";
    QByteArrayList fields = {"Torva_MultiAp_mgnt", "1001", "ACK"};
    for (int i = 3; i < 29; ++i) {
        fields << (i % 2 == 1 ? image : "<b>" + QByteArray::number(i) + "</b>");
    }
    RowText row;
    ParseReply(*h.table, 0, DatagramText(test::ReplyOf(fields)), row);
    h.platform.hostNames.hostName = QString::fromLatin1(image);
    h.platform.hostNames.resolves.clear();
    h.platform.adapters.list.adapters.clear();

    BridgeStatusDialog status(h.context, nullptr);
    IpSettingDialog ip(h.context, nullptr);
    ConnectionSettingsDialog connection(h.context, nullptr);
    struct Shown {
        QDialog* dialog;
        const char* control;
        QByteArray text;
    };
    const Shown shown[] = {
        {&status, "macAddressValue", image},  {&status, "bridgeNameValue", "<b>4</b>"},
        {&status, "networkNameValue", image}, {&status, "versionValue", "<b>28</b>"},
        {&ip, "pcAddressValue", image},       {&connection, "networkNameBox", image},
    };
    for (const Shown& s : shown) {
        QWidget& control = test::Child<QWidget>(*s.dialog, s.control);
        const auto* list = qobject_cast<QComboBox*>(&control);
        EXPECT_EQ(list != nullptr ? list->currentText() : qobject_cast<QLabel*>(&control)->text(),
                  QString::fromLatin1(s.text))
            << s.control;
    }
    for (QDialog* dialog : {static_cast<QDialog*>(&status), static_cast<QDialog*>(&ip),
                            static_cast<QDialog*>(&connection)}) {
        dialog->show();
        dialog->grab();
        for (const QLabel* label : dialog->findChildren<QLabel*>()) {
            if (label->text().contains(QLatin1Char('<'))) {
                EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
            }
        }
    }
}

} // namespace
} // namespace vantoro
