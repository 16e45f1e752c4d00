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
#include <tuple>

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
        QFile file(dir_.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
        return file.fileName();
    }

    void ShowDialog() {
        dialog_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
    }

    // The pane is a child of the group box laid over all of it.
    void ExpectCoversGroup(const HelpPane* pane) {
        EXPECT_TRUE(pane->isVisible());
        EXPECT_FALSE(pane->isWindow());
        EXPECT_EQ(pane->geometry(), QRect(QPoint(0, 0), group_->size()));
    }

    static QString LinkTarget(int fd) {
        return QFileInfo(QStringLiteral("/proc/self/fd/%1").arg(fd)).symLinkTarget();
    }

    QTemporaryDir dir_;
    std::unique_ptr<QDialog> dialog_ = std::make_unique<QDialog>();
    QGroupBox* group_ = new QGroupBox(QStringLiteral("Help"), dialog_.get());
};

TEST_F(HelpPaneTest, CoversTheGroupBoxAndTracksResize) {
    HelpPane* pane = LoadHelpFile(group_, Write("a.rtf", "{\\rtf1 Help text.}"));
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->parentWidget(), group_);
    ShowDialog();
    ExpectCoversGroup(pane);
    group_->resize(180, 90);
    EXPECT_EQ(pane->geometry(), QRect(0, 0, 180, 90));
    dialog_->resize(640, 480); // the dialog's layout resizes the group box; the pane follows
    QApplication::processEvents();
    EXPECT_GT(group_->width(), 400);
    ExpectCoversGroup(pane);

    EXPECT_EQ(LoadHelpFile(nullptr, QStringLiteral("x.rtf")), nullptr);
}

TEST_F(HelpPaneTest, ShowsRtfReadOnlyBorderedWithScrollBarsOverOtherChildren) {
    (new QVBoxLayout(group_))->addWidget(new QWidget(group_));
    HelpPane* pane = LoadHelpFile(group_, Write("a.rtf", "{\\rtf1 {\\b Title}\\par Body.\\par}"));
    EXPECT_EQ(pane->toPlainText(), "Title\nBody.");
    EXPECT_EQ(pane->document()->firstBlock().begin().fragment().charFormat().fontWeight(),
              QFont::Bold);
    EXPECT_TRUE(pane->isReadOnly());
    EXPECT_EQ(pane->textInteractionFlags() &
                  (Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard | Qt::TextEditable),
              Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    EXPECT_EQ(pane->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    EXPECT_EQ(pane->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    ShowDialog();
    EXPECT_GT(pane->frameWidth(), 0);
    // The pane is the topmost child: it is the widget found at the group box's centre.
    EXPECT_EQ(group_->childAt(group_->rect().center()), pane->viewport());
}

TEST_F(HelpPaneTest, KeysChangeNothingButSelectAllAndCopyWork) {
    HelpPane* pane = LoadHelpFile(group_, Write("a.rtf", "{\\rtf1 Read me.\\par Twice.}"));
    ShowDialog();
    pane->setFocus();
    QTest::keyClicks(pane, "typed text");
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Backspace, Qt::Key_Delete}) {
        QTest::keyClick(pane, key);
    }
    for (const Qt::Key key : {Qt::Key_A, Qt::Key_Delete, Qt::Key_X, Qt::Key_V, Qt::Key_Z}) {
        QApplication::clipboard()->setText(QStringLiteral("pasted")); // whatever a cut did
        QTest::keyClick(pane, key, key == Qt::Key_Delete ? Qt::NoModifier : Qt::ControlModifier);
    }
    EXPECT_EQ(pane->toPlainText(), "Read me.\nTwice.");
    EXPECT_FALSE(pane->document()->isModified());

    QTest::keyClick(pane, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(pane->textCursor().selectedText(), QString::fromUtf16(u"Read me.\u2029Twice."));
    QApplication::clipboard()->clear();
    QTest::keyClick(pane, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "Read me.\nTwice.");
}

TEST_F(HelpPaneTest, MissingFileLoadedAfterShowingGivesAnEmptyBorderedPaneAndNoMessage) {
    ShowDialog();
    HelpPane* pane = LoadHelpFile(group_, dir_.filePath("no-such-help.rtf"));
    ASSERT_NE(pane, nullptr);
    ExpectCoversGroup(pane);
    EXPECT_GT(pane->frameWidth(), 0);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    for (QWidget* top : QApplication::topLevelWidgets()) {
        EXPECT_EQ(qobject_cast<QMessageBox*>(top), nullptr);
    }
}

TEST_F(HelpPaneTest, MissingEmptyUnreadableOrTruncatedFilesShowWhatWasRead) {
    // A directory opens as no file.
    for (const auto& [path, text, open] :
         {std::tuple{dir_.filePath("gone.rtf"), "", false},
          std::tuple{Write("empty.rtf", {}), "", true}, std::tuple{dir_.path(), "", false},
          std::tuple{Write("cut.rtf", "{\\rtf1 First.\\par Sec"), "First.\nSec", true}}) {
        const HelpPane* pane = LoadHelpFile(new QGroupBox(dialog_.get()), path);
        EXPECT_EQ(pane->toPlainText(), text) << path.toStdString();
        EXPECT_EQ(pane->file().isOpen(), open) << path.toStdString();
    }
}

TEST_F(HelpPaneTest, LargeFileLoadsFullyAndScrollsFromTheTop) {
    QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";
    int lines = 0;
    for (; rtf.size() < 1536 * 1024; ++lines) {
        rtf.append("{\\b Line " + QByteArray::number(lines) +
                   "} of the help text that goes on for a while, caf\\'e9 \\u8364?{\\field{\\*"
                   "\\fldinst HYPERLINK x}{\\fldrslt .}}{\\pict\\pngblip 0123456789abcdef}\\par\n");
    }
    HelpPane* pane = LoadHelpFile(group_, Write("large.rtf", rtf + "The last line.}"));
    EXPECT_EQ(pane->document()->blockCount(), lines + 1);
    EXPECT_EQ(pane->document()->lastBlock().text(), "The last line.");
    const QString text = pane->toPlainText();
    EXPECT_TRUE(
        text.startsWith(QString::fromUtf16(u"Line 0 of the help text that goes on for a while, "
                                           u"caf\u00E9 \u20AC.\nLine 1")));
    EXPECT_FALSE(text.contains("HYPERLINK") || text.contains("0123456789abcdef"));
    ShowDialog();
    EXPECT_GT(pane->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(pane->verticalScrollBar()->value(), 0);
}

TEST_F(HelpPaneTest, FileHeldOpenReadOnlyWhileThePaneLives) {
    const QString path = Write("held.rtf", "{\\rtf1 Held.}");
    QPointer<HelpPane> pane = LoadHelpFile(group_, path);
    ASSERT_TRUE(pane->file().isOpen());
    EXPECT_EQ(pane->file().openMode(), QIODevice::ReadOnly);
    const int fd = pane->file().handle();
    const QString canonical = QFileInfo(path).canonicalFilePath();
    EXPECT_EQ(LinkTarget(fd), canonical);

    // Others can still write it; what is shown is what was read at load time.
    QFile writer(path);
    ASSERT_TRUE(writer.open(QIODevice::ReadWrite | QIODevice::Append));
    EXPECT_GT(writer.write(" appended"), 0);
    writer.close();
    EXPECT_EQ(pane->toPlainText(), "Held.");
    QApplication::processEvents();
    EXPECT_EQ(LinkTarget(fd), canonical);

    dialog_.reset(); // the dialog owns the pane: closing it closes the file
    EXPECT_TRUE(pane.isNull());
    EXPECT_NE(LinkTarget(fd), canonical);
}

TEST_F(HelpPaneTest, RelativeNameResolvesAgainstTheCurrentDirectoryAndLoadingAgainSwaps) {
    Write("Relative.rtf", "{\\rtf1 Relative help.}");
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir_.path()));
    HelpPane* pane = LoadHelpFile(group_, QStringLiteral("Relative.rtf"));
    QDir::setCurrent(saved);
    EXPECT_EQ(pane->toPlainText(), "Relative help.");
    EXPECT_EQ(pane->file().fileName(), "Relative.rtf");
    EXPECT_EQ(LinkTarget(pane->file().handle()),
              QFileInfo(dir_.filePath("Relative.rtf")).canonicalFilePath());

    // Loading again reuses the pane and swaps the file.
    const QString second = Write("two.rtf", "{\\rtf1 Two.}");
    EXPECT_EQ(LoadHelpFile(group_, second), pane);
    EXPECT_EQ(group_->findChildren<HelpPane*>().size(), 1);
    EXPECT_EQ(pane->toPlainText(), "Two.");
    EXPECT_EQ(pane->file().fileName(), second);
    EXPECT_EQ(LoadHelpFile(group_, dir_.filePath("gone.rtf")), pane);
    EXPECT_TRUE(pane->document()->isEmpty());
    EXPECT_FALSE(pane->file().isOpen());
}

} // namespace
} // namespace vantoro
