#include "ui/controls/HelpPane.h"

#include "tests/support/CurrentDirectory.h"
#include "tests/support/Files.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <memory>

namespace vantoro {
namespace {

class HelpPaneTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        dialog_->resize(400, 300);
        (new QVBoxLayout(dialog_.get()))->addWidget(group_);
    }

    QString Write(const QString& name, const QByteArray& contents) {
        return test::WriteFile(dir_.filePath(name), contents);
    }

    void ShowDialog() {
        dialog_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
    }

    // A bordered child of the group box laid over all of it, on top of its other children.
    void ExpectCoversGroup(const HelpPane* pane) {
        EXPECT_TRUE(pane->isVisible());
        EXPECT_EQ(pane->parentWidget(), group_);
        EXPECT_EQ(pane->geometry(), QRect(QPoint(0, 0), group_->size()));
        EXPECT_EQ(group_->childAt(group_->rect().center()), pane->viewport());
        EXPECT_GT(pane->frameWidth(), 0);
    }

    QTemporaryDir dir_;
    std::unique_ptr<QDialog> dialog_ = std::make_unique<QDialog>();
    QGroupBox* group_ = new QGroupBox(QStringLiteral("Help"), dialog_.get());
};

TEST_F(HelpPaneTest, IsReadOnlyTypingCutPasteAndUndoChangeNothing) {
    HelpPane* pane = LoadHelpFile(group_, Write("a.rtf", "{\\rtf1 Read me.\\par Twice.}"));
    ShowDialog();
    pane->setFocus();
    QTest::keyClicks(pane, "typed text");
    for (const char* keys :
         {"Return", "Backspace", "Del", "Ctrl+A", "Del", "Ctrl+X", "Ctrl+V", "Ctrl+Z"}) {
        QApplication::clipboard()->setText(QStringLiteral("pasted")); // whatever a cut did
        QTest::keySequence(pane, QKeySequence(QString::fromLatin1(keys)));
    }
    EXPECT_EQ(pane->toPlainText(), "Read me.\nTwice.");
    EXPECT_FALSE(pane->document()->isModified());
}

TEST_F(HelpPaneTest, MissingFileGivesAnEmptyPaneOverTheGroupBoxAndNoMessage) {
    (new QVBoxLayout(group_))->addWidget(new QWidget(group_));
    ShowDialog();
    for (const QString& path : {dir_.filePath("gone.rtf"), dir_.path()}) { // a directory too
        HelpPane* pane = LoadHelpFile(group_, path);
        ASSERT_NE(pane, nullptr);
        EXPECT_TRUE(pane->document()->isEmpty());
        EXPECT_FALSE(pane->file().isOpen());
        ExpectCoversGroup(pane);
    }
    EXPECT_EQ(group_->findChildren<HelpPane*>().size(), 1); // loading again reuses the pane
    dialog_->resize(640, 480); // the dialog's layout resizes the group box; the pane follows
    QApplication::processEvents();
    EXPECT_GT(group_->width(), 400);
    ExpectCoversGroup(group_->findChild<HelpPane*>());
    EXPECT_EQ(LoadHelpFile(nullptr, QStringLiteral("x.rtf")), nullptr);
    for (QWidget* top : QApplication::topLevelWidgets()) {
        EXPECT_EQ(qobject_cast<QMessageBox*>(top), nullptr);
    }
}

TEST_F(HelpPaneTest, LargeFileIsReadCompletely) {
    QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";
    int lines = 0;
    for (; rtf.size() < qsizetype{512} * 1024; ++lines) {
        rtf.append("{\\b Line " + QByteArray::number(lines) +
                   "} of the help, caf\\'e9 \\u8364?{\\pict\\pngblip 0123456789abcdef}\\par\n");
    }
    HelpPane* pane = LoadHelpFile(group_, Write("large.rtf", rtf + "The last line.}"));
    EXPECT_EQ(pane->document()->blockCount(), lines + 1);
    EXPECT_EQ(pane->document()->lastBlock().text(), "The last line.");
}

TEST_F(HelpPaneTest, RelativeNameFromTheCurrentDirectoryHeldOpenWhileThePaneLives) {
    const QString path = Write("Held.rtf", "{\\rtf1 Held.}");
    QPointer<HelpPane> pane;
    {
        const test::CurrentDirectory here(dir_.path());
        pane = LoadHelpFile(group_, QStringLiteral("Held.rtf"));
    }
    ASSERT_TRUE(pane->file().isOpen());
    EXPECT_EQ(pane->file().openMode(), QIODevice::ReadOnly);
    const auto target = [fd = pane->file().handle()] {
        return QFileInfo(QStringLiteral("/proc/self/fd/%1").arg(fd)).symLinkTarget();
    };
    const QString canonical = QFileInfo(path).canonicalFilePath();
    EXPECT_EQ(target(), canonical);
    QFile writer(path); // others can still write it
    ASSERT_TRUE(writer.open(QIODevice::WriteOnly | QIODevice::Append));
    EXPECT_GT(writer.write(" appended"), 0);
    writer.close();
    EXPECT_EQ(pane->toPlainText(), "Held."); // what was read at load time
    dialog_.reset();                         // the dialog owns the pane: closing it closes the file
    EXPECT_TRUE(pane.isNull());
    EXPECT_NE(target(), canonical);
}

} // namespace
} // namespace vantoro
