#include "ui/controls/HelpPane.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QMessageBox>
#include <QPointer>
#include <QScrollBar>
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
        dialog_ = std::make_unique<QDialog>();
        dialog_->resize(400, 300);
        auto* layout = new QVBoxLayout(dialog_.get());
        group_ = new QGroupBox(QStringLiteral("Help"), dialog_.get());
        layout->addWidget(group_);
    }

    QString Write(const QString& name, const QByteArray& contents) {
        const QString path = dir_.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
        return path;
    }

    void ShowDialog() {
        dialog_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
    }

    static QString LinkTarget(int fd) {
        return QFileInfo(QStringLiteral("/proc/self/fd/%1").arg(fd)).symLinkTarget();
    }

    QTemporaryDir dir_;
    std::unique_ptr<QDialog> dialog_;
    QGroupBox* group_ = nullptr;
};

TEST_F(HelpPaneTest, CoversTheWholeGroupBoxAndTracksResize) {
    HelpPane* pane = LoadHelpFile(group_, Write("a.rtf", "{\\rtf1 Help text.}"));
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->parentWidget(), group_);
    ShowDialog();
    EXPECT_TRUE(pane->isVisible());
    EXPECT_EQ(pane->geometry(), QRect(QPoint(0, 0), group_->size()));

    group_->resize(180, 90);
    EXPECT_EQ(pane->geometry(), QRect(0, 0, 180, 90));

    // The dialog's layout resizes the group box; the pane follows.
    dialog_->resize(640, 480);
    QApplication::processEvents();
    EXPECT_GT(group_->width(), 400);
    EXPECT_EQ(pane->geometry(), QRect(QPoint(0, 0), group_->size()));
}

TEST_F(HelpPaneTest, CreatedBeforeTheDialogIsShownStillCovers) {
    HelpPane* pane = LoadHelpFile(group_, Write("a.rtf", "{\\rtf1 x}"));
    ShowDialog();
    QApplication::processEvents();
    EXPECT_TRUE(pane->isVisible());
    EXPECT_EQ(pane->geometry(), QRect(QPoint(0, 0), group_->size()));
    EXPECT_FALSE(pane->isWindow());
}

TEST_F(HelpPaneTest, CreatedAfterTheDialogIsShownIsVisible) {
    ShowDialog();
    HelpPane* pane = LoadHelpFile(group_, Write("a.rtf", "{\\rtf1 x}"));
    EXPECT_TRUE(pane->isVisible());
    EXPECT_EQ(pane->geometry(), QRect(QPoint(0, 0), group_->size()));
}

TEST_F(HelpPaneTest, ShowsTheRtfText) {
    HelpPane* pane = LoadHelpFile(group_, Write("a.rtf", "{\\rtf1 {\\b Title}\\par Body.\\par}"));
    EXPECT_EQ(pane->toPlainText(), "Title\nBody.");
    EXPECT_EQ(pane->document()->firstBlock().begin().fragment().charFormat().fontWeight(),
              QFont::Bold);
}

TEST_F(HelpPaneTest, BorderedReadOnlySelectableWithScrollBarsAsNeeded) {
    HelpPane* pane = LoadHelpFile(group_, Write("a.rtf", "{\\rtf1 x}"));
    EXPECT_TRUE(pane->isReadOnly());
    EXPECT_TRUE(pane->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_TRUE(pane->textInteractionFlags() & Qt::TextSelectableByKeyboard);
    EXPECT_FALSE(pane->textInteractionFlags() & Qt::TextEditable);
    EXPECT_NE(pane->frameShape(), QFrame::NoFrame);
    ShowDialog();
    EXPECT_GT(pane->frameWidth(), 0);
    EXPECT_EQ(pane->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    EXPECT_EQ(pane->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
}

TEST_F(HelpPaneTest, TypingChangesNothing) {
    HelpPane* pane = LoadHelpFile(group_, Write("a.rtf", "{\\rtf1 Read me.\\par Twice.}"));
    ShowDialog();
    pane->setFocus();
    const QString before = pane->toPlainText();

    QTest::keyClicks(pane, "typed text");
    QTest::keyClick(pane, Qt::Key_Return);
    QTest::keyClick(pane, Qt::Key_Backspace);
    QTest::keyClick(pane, Qt::Key_Delete);
    QTest::keyClick(pane, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(pane, Qt::Key_Delete);
    QTest::keyClick(pane, Qt::Key_X, Qt::ControlModifier);
    QApplication::clipboard()->setText(QStringLiteral("pasted"));
    QTest::keyClick(pane, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(pane, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(pane->toPlainText(), before);
    EXPECT_FALSE(pane->document()->isModified());
}

TEST_F(HelpPaneTest, TextCanBeSelectedAndCopied) {
    HelpPane* pane = LoadHelpFile(group_, Write("a.rtf", "{\\rtf1 Copy this.}"));
    ShowDialog();
    pane->setFocus();
    QTest::keyClick(pane, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(pane->textCursor().selectedText(), "Copy this.");
    QApplication::clipboard()->clear();
    QTest::keyClick(pane, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "Copy this.");
}

TEST_F(HelpPaneTest, MissingFileGivesAnEmptyPaneAndNoMessage) {
    HelpPane* pane = LoadHelpFile(group_, dir_.filePath("no-such-help.rtf"));
    ASSERT_NE(pane, nullptr);
    ShowDialog();
    EXPECT_TRUE(pane->document()->isEmpty());
    EXPECT_FALSE(pane->file().isOpen());
    EXPECT_TRUE(pane->isVisible());
    EXPECT_EQ(pane->geometry(), QRect(QPoint(0, 0), group_->size()));
    EXPECT_NE(pane->frameShape(), QFrame::NoFrame);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    for (QWidget* top : QApplication::topLevelWidgets()) {
        EXPECT_EQ(qobject_cast<QMessageBox*>(top), nullptr);
    }
}

TEST_F(HelpPaneTest, EmptyFileGivesAnEmptyPane) {
    HelpPane* pane = LoadHelpFile(group_, Write("empty.rtf", QByteArray()));
    EXPECT_TRUE(pane->file().isOpen());
    EXPECT_TRUE(pane->document()->isEmpty());
}

TEST_F(HelpPaneTest, UnreadableFileGivesAnEmptyPane) {
    // A directory opens as no file.
    HelpPane* pane = LoadHelpFile(group_, dir_.path());
    EXPECT_TRUE(pane->document()->isEmpty());
}

TEST_F(HelpPaneTest, LargeFileLoadsFully) {
    QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";
    int lines = 0;
    while (rtf.size() < 1536 * 1024) {
        rtf.append("{\\b Line " + QByteArray::number(lines) +
                   "} of the help text that goes on for a while, caf\\'e9 \\u8364?.\\par\n");
        ++lines;
    }
    rtf.append("The last line.}");
    ASSERT_GT(rtf.size(), 1024 * 1024);
    HelpPane* pane = LoadHelpFile(group_, Write("large.rtf", rtf));
    EXPECT_EQ(pane->document()->blockCount(), lines + 1);
    EXPECT_EQ(pane->document()->lastBlock().text(), "The last line.");
    EXPECT_TRUE(pane->toPlainText().startsWith(QStringLiteral("Line 0 of the help text")));
    ShowDialog();
    // The whole text does not fit: the vertical scroll bar is there and starts at the top.
    EXPECT_GT(pane->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(pane->verticalScrollBar()->value(), 0);
}

TEST_F(HelpPaneTest, TruncatedFileShowsWhatWasRead) {
    HelpPane* pane = LoadHelpFile(group_, Write("cut.rtf", "{\\rtf1 First.\\par Sec"));
    EXPECT_EQ(pane->toPlainText(), "First.\nSec");
}

TEST_F(HelpPaneTest, FileHeldOpenWhileThePaneLives) {
    const QString path = Write("held.rtf", "{\\rtf1 Held.}");
    QPointer<HelpPane> pane = LoadHelpFile(group_, path);
    ASSERT_TRUE(pane->file().isOpen());
    EXPECT_EQ(pane->file().openMode(), QIODevice::ReadOnly);
    const int fd = pane->file().handle();
    ASSERT_GE(fd, 0);
    const QString canonical = QFileInfo(path).canonicalFilePath();
    EXPECT_EQ(LinkTarget(fd), canonical);

    // Others can still read and write it.
    QFile writer(path);
    ASSERT_TRUE(writer.open(QIODevice::ReadWrite | QIODevice::Append));
    EXPECT_GT(writer.write(" appended"), 0);
    writer.close();
    QFile reader(path);
    ASSERT_TRUE(reader.open(QIODevice::ReadOnly));
    EXPECT_TRUE(reader.readAll().endsWith("appended"));
    // What is shown is what was read at load time.
    EXPECT_EQ(pane->toPlainText(), "Held.");

    QApplication::processEvents();
    EXPECT_TRUE(pane->file().isOpen());
    EXPECT_EQ(LinkTarget(fd), canonical);

    // The dialog owns the pane: closing it closes the file.
    dialog_.reset();
    EXPECT_TRUE(pane.isNull());
    EXPECT_NE(LinkTarget(fd), canonical);
}

TEST_F(HelpPaneTest, RelativeNameResolvesAgainstTheCurrentDirectory) {
    Write("Relative.rtf", "{\\rtf1 Relative help.}");
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir_.path()));
    HelpPane* pane = LoadHelpFile(group_, QStringLiteral("Relative.rtf"));
    QDir::setCurrent(saved);
    EXPECT_EQ(pane->toPlainText(), "Relative help.");
    EXPECT_EQ(pane->file().fileName(), "Relative.rtf");
    EXPECT_EQ(LinkTarget(pane->file().handle()),
              QFileInfo(dir_.filePath("Relative.rtf")).canonicalFilePath());
}

TEST_F(HelpPaneTest, LoadingAgainReusesThePaneAndSwapsTheFile) {
    const QString first = Write("one.rtf", "{\\rtf1 One.}");
    const QString second = Write("two.rtf", "{\\rtf1 Two.}");
    HelpPane* pane = LoadHelpFile(group_, first);
    EXPECT_EQ(LoadHelpFile(group_, second), pane);
    EXPECT_EQ(group_->findChildren<HelpPane*>().size(), 1);
    EXPECT_EQ(pane->toPlainText(), "Two.");
    EXPECT_EQ(pane->file().fileName(), second);
    EXPECT_EQ(LoadHelpFile(group_, dir_.filePath("gone.rtf")), pane);
    EXPECT_TRUE(pane->document()->isEmpty());
    EXPECT_FALSE(pane->file().isOpen());
}

TEST_F(HelpPaneTest, LaidOverOtherChildrenOfTheGroupBox) {
    auto* inner = new QVBoxLayout(group_);
    auto* other = new QWidget(group_);
    inner->addWidget(other);
    HelpPane* pane = LoadHelpFile(group_, Write("a.rtf", "{\\rtf1 x}"));
    ShowDialog();
    // The pane is the topmost child: it is the widget found at the group box's centre.
    EXPECT_EQ(group_->childAt(group_->rect().center()), pane->viewport());
}

TEST(HelpPaneNull, NullGroupBoxGivesNoPane) {
    EXPECT_EQ(LoadHelpFile(nullptr, QStringLiteral("x.rtf")), nullptr);
}

} // namespace
} // namespace vantoro
