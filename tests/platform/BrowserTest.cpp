// Starting a browser: which texts may reach it, and the default-then-fallback launch.

#include "platform/Browser.h"

#include "tests/support/FakePlatform.h"

#include <gtest/gtest.h>

namespace vantoro {
namespace {

TEST(BrowserTest, BridgePageOpensOnlyForAPlainDottedQuad) {
    for (const char* quad : {"192.168.0.227", "0.0.0.0", "255.255.255.255"}) {
        EXPECT_EQ(BridgePageUrl(quad), QUrl(QStringLiteral("http://%1/").arg(quad)));
    }
    // Anything a shell or a browser could read as more than an address, split at '|'; the
    // last has an Arabic-Indic digit.
    QStringList refused =
        QString("| 10.0.0.1|10.0.0.1 |10.0.0.1 --incognito|-10.0.0.1|--new-window|"
                "file:///etc/passwd|file:10.0.0.1|javascript:alert(1)|"
                "10.0.0.1;reboot|10.0.0.1\"|'10.0.0.1'|010.0.0.1|10.0.0.01|"
                "10.0.0.256|1000.0.0.1|10.0.0|10.0.0.1.5|10.0.0.1/admin|"
                "10.0.0.1:8080|http://10.0.0.1/|bridge.local")
            .split('|');
    refused << QString::fromUtf8("1.2.3.\xd9\xa3");
    for (const QString& text : refused) {
        EXPECT_FALSE(BridgePageUrl(text).has_value()) << text.toStdString();
    }
}

TEST(BrowserTest, ProgramsOwnSiteMustBeAWebAddress) {
    EXPECT_EQ(WebSiteUrl("http://www.brellix.example/"), QUrl("http://www.brellix.example/"));
    EXPECT_TRUE(WebSiteUrl("https://www.brellix.example/x").has_value());
    for (const char* refused : {"", "www.brellix.example", "file:///etc/passwd",
                                "javascript:alert(1)", "http://", "ftp://host/"}) {
        EXPECT_FALSE(WebSiteUrl(refused).has_value()) << refused;
    }
}

struct Launches {
    std::vector<QUrl> defaults;
    std::vector<std::pair<QString, QStringList>> programs;
};

SystemBrowser RecordingBrowser(Launches& launches, bool defaultOpens) {
    return SystemBrowser(
        [&launches, defaultOpens](const QUrl& url) {
            launches.defaults.push_back(url);
            return defaultOpens;
        },
        [&launches](const QString& program, const QStringList& arguments) {
            launches.programs.emplace_back(program, arguments);
            return true;
        });
}

TEST(BrowserTest, FallbackProgramOnlyWhenTheDefaultBrowserFails) {
    const QUrl page("http://10.1.2.3/");
    Launches opened;
    RecordingBrowser(opened, true).Open(page);
    EXPECT_EQ(opened.defaults, std::vector<QUrl>{page});
    EXPECT_TRUE(opened.programs.empty());

    Launches failed;
    RecordingBrowser(failed, false).Open(page);
    EXPECT_EQ(failed.defaults, std::vector<QUrl>{page});
#ifdef Q_OS_WIN
    EXPECT_TRUE(failed.programs.empty());
#else
    ASSERT_EQ(failed.programs.size(), 1u);
    EXPECT_EQ(failed.programs[0].first, "xdg-open");
    // One argument, the URL itself: no shell ever sees it.
    EXPECT_EQ(failed.programs[0].second, QStringList{"http://10.1.2.3/"});
#endif
}

TEST(BrowserTest, PlatformPassesOnlyCheckedAddressesToTheBrowser) {
    test::FakePlatform platform;
    platform.StartBrowserOnBridge("192.168.0.227");
    platform.StartBrowserOnBridge("192.168.0.227; rm -rf ~");
    platform.StartBrowserOnBridge("");
    platform.StartBrowser("http://www.brellix.example/");
    platform.StartBrowser("file:///etc/passwd");
    EXPECT_EQ(platform.browser.opened,
              (std::vector<QString>{"http://192.168.0.227/", "http://www.brellix.example/"}));
}

} // namespace
} // namespace vantoro
