#include "ui/config/AdHocDialog.h"

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
    static void Press(QWidget& d, const char* button) {
        QTest::mouseClick(d.findChild<QPushButton*>(button), Qt::LeftButton);
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
    Press(*dialog, "okButton");
    EXPECT_EQ(bridge().workChannel, 13);
    EXPECT_EQ(bridge().workProfile, 0);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

TEST_F(AdHocDialogTest, AnUnusualProfileShowsAsBgAndIsStoredBackAsOne) {
    auto dialog = Open("IE", 2, 6);
    EXPECT_EQ(Read(*dialog).channels, QStringList({"Ch5/2432Mhz", "Ch6/2437Mhz", "Ch7/2442Mhz"}));
    EXPECT_EQ(Read(*dialog).mode, "2.4GHz(802.11b/g)");
    Press(*dialog, "okButton");
    EXPECT_EQ(bridge().workProfile, 1);
    EXPECT_EQ(bridge().workChannel, 6);
}

TEST_F(AdHocDialogTest, CancelChangesNothing) {
    auto dialog = Open("US", 0, 4);
    QTest::keyClick(&Channels(*dialog), Qt::Key_End);
    QTest::keyClick(&Modes(*dialog), Qt::Key_End);
    Press(*dialog, "cancelButton");
    EXPECT_EQ(bridge().workChannel, 4);
    EXPECT_EQ(bridge().workProfile, 0);
}

TEST_F(AdHocDialogTest, WithoutAChannelToChooseOkKeepsTheWorkingChannel) {
    // A code the table lacks lists nothing.
    auto unknown = Open("TW", 1, 11);
    EXPECT_TRUE(Read(*unknown).channels.isEmpty());
    Press(*unknown, "okButton");
    EXPECT_EQ(bridge().workChannel, 11);

    // A working channel outside the region's range leaves the list without a selection.
    auto outside = Open("FR", 1, 3);
    EXPECT_EQ(Read(*outside).channel, -1);
    Press(*outside, "okButton");
    EXPECT_EQ(bridge().workChannel, 3);
    EXPECT_EQ(Read(*Open("NONE", 1, 11)).channels, QStringList{"Ch11/2462Mhz"});
}

} // namespace
} // namespace vantoro
