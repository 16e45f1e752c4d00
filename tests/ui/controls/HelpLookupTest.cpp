#include "tests/support/CurrentDirectory.h"
#include "tests/support/Files.h"
#include "ui/controls/HelpPane.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>

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
        ASSERT_TRUE(here_.emplace(Path("work")).changed());
    }

    QString Path(const QString& relative) const { return root_.filePath(relative); }

    void Put(const QString& relative) { test::WriteFile(Path(relative), "{\\rtf1 help}"); }

    QTemporaryDir root_;
    std::optional<test::CurrentDirectory> here_;
};

TEST_F(HelpLookupTest, CurrentDirectoryThenInstalledDataThenBesideTheProgramForRelativeNames) {
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
    Put(QStringLiteral("prefix/share/vantoro/help/IP_Settings.rtf"));
    const QString absolute = Path("elsewhere/IP_Settings.rtf"); // not searched, nor without bin
    EXPECT_EQ(FindHelpFile(absolute, Path("prefix/bin")), absolute);
    EXPECT_EQ(FindHelpFile(QStringLiteral("IP_Settings.rtf"), QString()),
              QStringLiteral("IP_Settings.rtf"));
}

TEST_F(HelpLookupTest, OnlyARegularFileOfAtMostOneMebibyteCounts) {
    struct Case {
        const char* name;
        qint64 size; // -1: a FIFO, which a read would wait on for ever; -2: a directory
        bool skipped;
    };
    const Case cases[] = {{"Networks.rtf", -1, true},
                          {"Settings.rtf", kMaxHelpBytes + 1, true},
                          {"Other.rtf", -2, true},
                          {"IP_Settings.rtf", kMaxHelpBytes, false}};
    QGroupBox group;
    for (const Case& c : cases) {
        const QString name = QString::fromLatin1(c.name);
        const QString installed = QStringLiteral("prefix/share/vantoro/help/") + name;
        Put(installed);
        if (c.size == -1) {
            ASSERT_EQ(::mkfifo(QFile::encodeName(Path("work/" + name)).constData(), 0600), 0);
        } else if (c.size == -2) {
            ASSERT_TRUE(QDir(Path("work")).mkdir(name));
        } else {
            QFile sparse(Path("work/" + name));
            ASSERT_TRUE(sparse.open(QIODevice::WriteOnly) && sparse.resize(c.size));
        }
        EXPECT_EQ(FindHelpFile(name, Path("prefix/bin")), c.skipped ? Path(installed) : name)
            << c.name;
        // Read by its own name it neither blocks nor fills the memory: the pane stays empty.
        EXPECT_EQ((new HelpPane(&group))->LoadFile(name), !c.skipped) << c.name;
    }
}

} // namespace
} // namespace vantoro
