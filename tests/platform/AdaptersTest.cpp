// The Linux adapter reader against addresses and routes set inside a private network namespace
// that the test creates and removes (skips where none can be made).

#include "platform/Adapters.h"

#include "platform/PcAddress.h"
#include "tests/support/NetNamespace.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <thread>

namespace vantoro {
namespace {

class AdapterReaderInNamespace : public ::testing::Test {
protected:
    void SetUp() override {
        if (const auto unavailable = test::NetNamespacesUnavailable()) {
            GTEST_SKIP() << unavailable->toStdString();
        }
        name_ = QStringLiteral("vtad%1").arg(::getpid() % 100000);
        const auto failed = test::RunIp({"netns", "add", name_});
        ASSERT_FALSE(failed) << failed->toStdString();
        created_ = true;
    }

    void TearDown() override {
        if (created_) {
            test::RunIp({"netns", "del", name_});
        }
    }

    // "ip -n NAME ..." inside the test's namespace only.
    void InNamespace(const QString& arguments) {
        const auto failed = test::RunIp(QStringList{"-n", name_} + arguments.split(' '));
        ASSERT_FALSE(failed) << failed->toStdString();
    }

    // Reads the adapters from a thread that has joined the namespace; this process's other
    // threads stay where they are.
    AdapterList ReadInNamespace() {
        AdapterList list{AdapterListState::Unreadable, {}};
        bool joined = false;
        std::thread reader([&] {
            const QByteArray path = "/run/netns/" + name_.toLatin1();
            const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
            joined = fd >= 0 && ::setns(fd, CLONE_NEWNET) == 0;
            if (fd >= 0) {
                ::close(fd);
            }
            if (joined) {
                list = SystemAdapters().Adapters();
            }
        });
        reader.join();
        EXPECT_TRUE(joined);
        return list;
    }

    QString name_;
    bool created_ = false;
};

// The named adapter as "up defaultRoute address/mask[ dhcp]...", or "none".
QString Describe(const AdapterList& list, const char* name) {
    for (const Adapter& adapter : list.adapters) {
        if (adapter.name == QLatin1String(name)) {
            QString text = QStringLiteral("%1 %2").arg(adapter.up).arg(adapter.defaultRoute);
            for (const AdapterAddress& address : adapter.addresses) {
                text += u' ' + address.ipAddress + u'/' + address.subnetMask +
                        (address.dhcp ? QStringLiteral(" dhcp") : QString());
            }
            return text;
        }
    }
    return QStringLiteral("none");
}

TEST_F(AdapterReaderInNamespace, ReadsAddressesInOrderWithLeasedOnesAsDhcp) {
    InNamespace("link add vta type veth peer name vtb");
    InNamespace("link add vtc type veth peer name vtd");
    InNamespace("link set lo up");
    InNamespace("addr add 10.77.0.5/24 dev vta");
    InNamespace("addr add 10.77.1.9/16 dev vta valid_lft 300 preferred_lft 300");
    InNamespace("addr add 10.88.0.1/24 dev vtb");
    InNamespace("addr add 10.99.0.1/24 dev vtc"); // stays down
    InNamespace("link set vta up");
    InNamespace("link set vtb up");
    // Two default routes: the lower metric is the one taken, whichever is listed first.
    InNamespace("route add default via 10.88.0.2 dev vtb metric 200");
    InNamespace("route add default via 10.77.0.1 dev vta metric 100");
    ASSERT_FALSE(HasFatalFailure());

    const AdapterList list = ReadInNamespace();
    ASSERT_EQ(list.state, AdapterListState::Ok);
    EXPECT_EQ(list.adapters.size(), 3u) << "lo and the address-less vtd are no adapters";
    EXPECT_EQ(Describe(list, "vta"), "1 1 10.77.0.5/255.255.255.0 10.77.1.9/255.255.0.0 dhcp");
    EXPECT_EQ(Describe(list, "vtb"), "1 0 10.88.0.1/255.255.255.0");
    EXPECT_EQ(Describe(list, "vtc"), "0 0 10.99.0.1/255.255.255.0");

    // A host name mapped to 127.0.1.1 gives the default route's adapter, wherever it is listed.
    EXPECT_EQ(ChoosePcAddress("pc", {"127.0.1.1"}, list), "10.77.0.5");
}

TEST_F(AdapterReaderInNamespace, NamespaceWithOnlyLoopbackHasNoAdaptersButIsReadable) {
    InNamespace("link set lo up");
    ASSERT_FALSE(HasFatalFailure());
    const AdapterList list = ReadInNamespace();
    EXPECT_EQ(list.state, AdapterListState::Ok);
    EXPECT_TRUE(list.adapters.empty());
}

} // namespace
} // namespace vantoro
