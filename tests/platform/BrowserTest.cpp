// Starting a browser: which texts may reach it, and the default-then-fallback launch.

#include "platform/Browser.h"

#include "tests/support/FakePlatform.h"

#include <gtest/gtest.h>

namespace vantoro {
namespace {

TEST(BrowserTest, BridgePageOpensOnlyForAPlainDottedQuad) {
    const struct {
        const char* text;
        const char* url; // nullptr: refused
    } cases[] = {
        {"192.168.0.227", "http://192.168.0.227/"},
        {"0.0.0.0", "http://0.0.0.0/"},
        {"255.255.255.255", "http://255.255.255.255/"},
        {"", nullptr},
        {" 10.0.0.1", nullptr},
        {"10.0.0.1 ", nullptr},
        {"10.0.0.1 --incognito", nullptr},
        {"-10.0.0.1", nullptr},
        {"--new-window", nullptr},
        {"file:///etc/passwd", nullptr},
        {"file:10.0.0.1", nullptr},
        {"javascript:alert(1)", nullptr},
        {"10.0.0.1;reboot", nullptr},
        {"10.0.0.1\"", nullptr},
        {"'10.0.0.1'", nullptr},
        {"010.0.0.1", nullptr},
        {"10.0.0.01", nullptr},
        {"10.0.0.256", nullptr},
        {"1000.0.0.1", nullptr},
        {"10.0.0", nullptr},
        {"10.0.0.1.5", nullptr},
        {"10.0.0.1/admin", nullptr},
        {"10.0.0.1:8080", nullptr},
        {"http://10.0.0.1/", nullptr},
        {"1.2.3.\xd9\xa3", nullptr}, // an Arabic-Indic digit
        {"bridge.local", nullptr},
    };
    for (const auto& c : cases) {
        const std::optional<QUrl> url = BridgePageUrl(QString::fromUtf8(c.text));
        if (c.url == nullptr) {
            EXPECT_FALSE(url.has_value()) << c.text;
        } else {
            ASSERT_TRUE(url.has_value()) << c.text;
            EXPECT_EQ(url->toString(), QString::fromLatin1(c.url));
        }
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
