#include "ui/controls/HelpPane.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vantoro {
namespace {

// An install laid out as a prefix: prefix/bin holds the program, prefix/share/vantoro/help the
// help files; the current directory is a separate folder.
class HelpLookupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root_.isValid());
        for (const char* dir : {"prefix/bin", "prefix/share/vantoro/help", "work"}) {
            ASSERT_TRUE(QDir(root_.path()).mkpath(QLatin1String(dir)));
        }
        saved_ = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(Path("work")));
    }
    void TearDown() override { QDir::setCurrent(saved_); }

    QString Path(const QString& relative) const { return root_.filePath(relative); }

    void Put(const QString& relative) {
        QFile file(Path(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << relative.toStdString();
        file.write("{\\rtf1 help}");
    }

    QTemporaryDir root_;
    QString saved_;
};

TEST_F(HelpLookupTest, CurrentDirectoryThenInstalledDataThenBesideTheProgram) {
    const QString installed = QStringLiteral("prefix/share/vantoro/help/Networks.rtf");
    const QString beside = QStringLiteral("prefix/bin/Networks.rtf");
    const QString here = QStringLiteral("work/Networks.rtf");
    struct Case {
        QStringList present;
        QString expected; // "" = the name as given
    };
    const Case cases[] = {
        {{here, installed, beside}, QString()},
        {{installed, beside}, Path(installed)},
        {{beside}, Path(beside)},
        {{}, QString()},
    };
    for (const Case& c : cases) {
        for (const QString& file : {here, installed, beside}) {
            QFile::remove(Path(file));
        }
        for (const QString& file : c.present) {
            Put(file);
        }
        const QString expected = c.expected.isEmpty() ? QStringLiteral("Networks.rtf") : c.expected;
        EXPECT_EQ(FindHelpFile(QStringLiteral("Networks.rtf"), Path("prefix/bin")), expected)
            << c.present.join(QLatin1Char(' ')).toStdString();
    }
}

TEST_F(HelpLookupTest, ADirectoryOfTheSameNameIsNoHelpFile) {
    ASSERT_TRUE(QDir(Path("work")).mkdir(QStringLiteral("Settings.rtf")));
    ASSERT_TRUE(QDir(Path("prefix/share/vantoro/help")).mkdir(QStringLiteral("Settings.rtf")));
    Put(QStringLiteral("prefix/bin/Settings.rtf"));
    EXPECT_EQ(FindHelpFile(QStringLiteral("Settings.rtf"), Path("prefix/bin")),
              Path("prefix/bin/Settings.rtf"));
}

TEST_F(HelpLookupTest, AbsoluteNamesAndAMissingProgramFolderAreNotSearched) {
    Put(QStringLiteral("prefix/share/vantoro/help/IP_Settings.rtf"));
    const QString absolute = Path("elsewhere/IP_Settings.rtf");
    EXPECT_EQ(FindHelpFile(absolute, Path("prefix/bin")), absolute);
    EXPECT_EQ(FindHelpFile(QStringLiteral("IP_Settings.rtf"), QString()),
              QStringLiteral("IP_Settings.rtf"));
}

} // namespace
} // namespace vantoro
