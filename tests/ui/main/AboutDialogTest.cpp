#include "ui/main/AboutDialog.h"

#include "tests/ui/main/Fakes.h"
#include "ui/main/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <gtest/gtest.h>

namespace vantoro {
namespace {

using testing::FakePlatform;
using testing::FakeTransport;
using testing::RecordingMessageBoxes;

// Runs check on the next modal window or popup that comes up, then closes it.
class NextModal {
public:
    explicit NextModal(std::function<void(QWidget&)> check) : check_(std::move(check)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* widget = QApplication::activePopupWidget();
            if (widget == nullptr) {
                widget = QApplication::activeModalWidget();
            }
            if (widget == nullptr) {
                return; // not up yet
            }
            timer_.stop();
            seen = true;
            check_(*widget);
            widget->close();
        });
        timer_.start(0);
    }
    bool seen = false;

private:
    std::function<void(QWidget&)> check_;
    QTimer timer_;
};

TEST(AboutDialogTest, ShowsNameVersionAndOk) {
    AboutDialog about;
    EXPECT_EQ(about.windowTitle(), "About Vantoro");
    EXPECT_EQ(about.versionLine().text(), "Vantoro Version 1.10");
    EXPECT_FALSE(about.descriptionLine().text().isEmpty());
    EXPECT_EQ(about.okButton().text(), "OK");
    about.show();
    QTest::mouseClick(&about.okButton(), Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

class MainWindowAboutTest : public ::testing::Test {
protected:
    FakeTransport transport;
    RecordingMessageBoxes messages;
    FakePlatform platform;
    MainWindow window{MainWindowServices{transport, messages, platform, [](int) {}}};
};

TEST_F(MainWindowAboutTest, ContextMenuEntryOpensTheAboutBox) {
    ASSERT_TRUE(window.OnInitDialog());
    window.show();
    std::unique_ptr<QMenu> menu = window.CreateContextMenu();
    ASSERT_EQ(menu->actions().size(), 1);
    QAction* about = menu->actions().front();
    EXPECT_EQ(about->text(), "&About Vantoro...");

    QString caption;
    NextModal closer([&](QWidget& modal) {
        caption = modal.windowTitle();
        EXPECT_NE(qobject_cast<AboutDialog*>(&modal), nullptr);
    });
    about->trigger();
    EXPECT_TRUE(closer.seen);
    EXPECT_EQ(caption, "About Vantoro");
    EXPECT_TRUE(window.isVisible());
}

TEST_F(MainWindowAboutTest, RightClickOnTheWindowOffersTheAboutEntry) {
    ASSERT_TRUE(window.OnInitDialog());
    window.show();
    QStringList entries;
    NextModal closer([&](QWidget& popup) {
        for (const QAction* action : popup.actions()) {
            entries << action->text();
        }
    });
    const QPoint pos = window.helpGroup().geometry().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, window.mapToGlobal(pos));
    QApplication::sendEvent(&window, &event);
    EXPECT_TRUE(closer.seen);
    EXPECT_EQ(entries, QStringList{"&About Vantoro..."});
}

} // namespace
} // namespace vantoro
