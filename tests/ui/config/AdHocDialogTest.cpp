#include "ui/config/AdHocDialog.h"

#include "tests/support/Controls.h"
#include "tests/support/DialogHarness.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace vantoro {
namespace {

class AdHocDialogTest : public ::testing::Test, public test::DialogHarness {
protected:
    struct Shown {
        QStringList channels;
        int channel;
        QString mode;
    };
    // Opens the dialog for the working values and region code given, and reads what it shows.
    std::unique_ptr<AdHocDialog> Open(std::string_view region, qint32 profile, qint32 channel) {
        regionCode.set(region);
        bridge().workProfile = profile;
        bridge().workChannel = channel;
        auto dialog = std::make_unique<AdHocDialog>(context, &bridge(), nullptr);
        dialog->show();
        return dialog;
    }
    static QComboBox& Modes(QWidget& d) { return *d.findChild<QComboBox*>("modeList"); }
    static QComboBox& Channels(QWidget& d) { return *d.findChild<QComboBox*>("channelList"); }
    static Shown Read(QWidget& d) {
        QStringList channels;
        for (int i = 0; i < Channels(d).count(); ++i) {
            channels << Channels(d).itemText(i);
        }
        return {channels, Channels(d).currentIndex(), Modes(d).currentText()};
    }
};

TEST_F(AdHocDialogTest, OffersTheRegionsChannelsAndStoresTheChoice) {
    auto dialog = Open("FR", 3, 11);
    const Shown shown = Read(*dialog);
    EXPECT_EQ(shown.channels,
              QStringList({"Ch10/2457Mhz", "Ch11/2462Mhz", "Ch12/2467Mhz", "Ch13/2472Mhz"}));
    EXPECT_EQ(shown.channel, 1);
    EXPECT_EQ(shown.mode, "2.4GHz(802.11g)");
    EXPECT_FALSE(Channels(*dialog).isEditable());

    // The keyboard picks the last channel and the first mode.
    QTest::keyClick(&Channels(*dialog), Qt::Key_End);
    QTest::keyClick(&Modes(*dialog), Qt::Key_Home);
    test::Click(*dialog, "okButton");
    EXPECT_EQ(bridge().workChannel, 13);
    EXPECT_EQ(bridge().workProfile, 0);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

TEST_F(AdHocDialogTest, CancelChangesNothing) {
    auto dialog = Open("US", 0, 4);
    QTest::keyClick(&Channels(*dialog), Qt::Key_End);
    QTest::keyClick(&Modes(*dialog), Qt::Key_End);
    test::Click(*dialog, "cancelButton");
    EXPECT_EQ(bridge().workChannel, 4);
    EXPECT_EQ(bridge().workProfile, 0);
}

TEST_F(AdHocDialogTest, WithoutAChannelToChooseOkKeepsTheWorkingChannel) {
    // A code the table lacks lists nothing. An unusual profile shows as b/g, stored back as 1.
    auto unknown = Open("TW", 2, 11);
    EXPECT_TRUE(Read(*unknown).channels.isEmpty());
    EXPECT_EQ(Read(*unknown).mode, "2.4GHz(802.11b/g)");
    test::Click(*unknown, "okButton");
    EXPECT_EQ(bridge().workChannel, 11);
    EXPECT_EQ(bridge().workProfile, 1);

    // A working channel outside the region's range leaves the list without a selection.
    auto outside = Open("FR", 1, 3);
    EXPECT_EQ(Read(*outside).channel, -1);
    test::Click(*outside, "okButton");
    EXPECT_EQ(bridge().workChannel, 3);
    EXPECT_EQ(Read(*Open("NONE", 1, 11)).channels, QStringList{"Ch11/2462Mhz"});
}

} // namespace
} // namespace vantoro
