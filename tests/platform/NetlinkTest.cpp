// The Linux adapter reader: against addresses set inside a private network namespace that the
// test creates and removes (needs root and iproute2; skips otherwise), and against malformed
// kernel messages.

#include "platform/Netlink.h"

#include "platform/PcAddress.h"

#include <QProcess>
#include <QStandardPaths>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sched.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace vantoro {
namespace {

bool RunIp(const QStringList& command, QByteArray* error = nullptr) {
    QProcess process;
    process.start(command.first(), command.mid(1));
    const bool finished = process.waitForFinished(20000);
    if (error != nullptr) {
        *error = process.readAllStandardError();
    }
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

class AdapterReaderInNamespace : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty()) {
            GTEST_SKIP() << "needs root and the 'ip' command to create a network namespace";
        }
        name_ = QStringLiteral("vtad%1").arg(::getpid() % 100000);
        QByteArray error;
        if (!RunIp({"ip", "netns", "add", name_}, &error)) {
            GTEST_SKIP() << "cannot create a network namespace here: " << error.toStdString();
        }
        created_ = true;
    }

    void TearDown() override {
        if (created_) {
            RunIp({"ip", "netns", "del", name_});
        }
    }

    // "ip -n NAME ..." inside the test's namespace only.
    void InNamespace(const QString& arguments) {
        QByteArray error;
        ASSERT_TRUE(RunIp(QStringList{"ip", "-n", name_} + arguments.split(' '), &error))
            << arguments.toStdString() << ": " << error.toStdString();
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

const Adapter* Find(const AdapterList& list, const char* name) {
    for (const Adapter& adapter : list.adapters) {
        if (adapter.name == QLatin1String(name)) {
            return &adapter;
        }
    }
    return nullptr;
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
    InNamespace("route add default via 10.77.0.1 dev vta");
    ASSERT_FALSE(HasFatalFailure());

    const AdapterList list = ReadInNamespace();
    ASSERT_EQ(list.state, AdapterListState::Ok);
    EXPECT_EQ(list.adapters.size(), 3u) << "lo and the address-less vtd are no adapters";
    EXPECT_EQ(Find(list, "lo"), nullptr);
    EXPECT_EQ(Find(list, "vtd"), nullptr);

    const Adapter* vta = Find(list, "vta");
    ASSERT_NE(vta, nullptr);
    EXPECT_TRUE(vta->up);
    EXPECT_TRUE(vta->defaultRoute);
    ASSERT_EQ(vta->addresses.size(), 2u);
    EXPECT_EQ(vta->addresses[0].ipAddress, "10.77.0.5");
    EXPECT_EQ(vta->addresses[0].subnetMask, "255.255.255.0");
    EXPECT_FALSE(vta->addresses[0].dhcp);
    EXPECT_EQ(vta->addresses[1].ipAddress, "10.77.1.9");
    EXPECT_EQ(vta->addresses[1].subnetMask, "255.255.0.0");
    EXPECT_TRUE(vta->addresses[1].dhcp);

    const Adapter* vtb = Find(list, "vtb");
    ASSERT_NE(vtb, nullptr);
    EXPECT_FALSE(vtb->defaultRoute);
    ASSERT_EQ(vtb->addresses.size(), 1u);
    EXPECT_FALSE(vtb->addresses[0].dhcp);
    const Adapter* vtc = Find(list, "vtc");
    ASSERT_NE(vtc, nullptr);
    EXPECT_FALSE(vtc->up);

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

// Kernel messages built by hand, to feed the parsers what a kernel should never send.
QByteArray Message(quint16 type, const QByteArray& payload, qint64 claimedLength = -1) {
    nlmsghdr header{};
    header.nlmsg_len =
        quint32(claimedLength >= 0 ? claimedLength : qint64(sizeof(header)) + payload.size());
    header.nlmsg_type = type;
    QByteArray bytes(reinterpret_cast<const char*>(&header), sizeof(header));
    bytes += payload;
    while (bytes.size() % 4 != 0) {
        bytes += '\0';
    }
    return bytes;
}

QByteArray AddressPayload(quint8 prefix, const QByteArray& attributes) {
    ifaddrmsg info{};
    info.ifa_family = AF_INET;
    info.ifa_prefixlen = prefix;
    info.ifa_flags = IFA_F_PERMANENT;
    info.ifa_index = 2;
    return QByteArray(reinterpret_cast<const char*>(&info), sizeof(info)) + attributes;
}

QByteArray Attribute(quint16 type, const QByteArray& data, qint64 claimedLength = -1) {
    rtattr header{};
    header.rta_len =
        quint16(claimedLength >= 0 ? claimedLength : qint64(sizeof(header)) + data.size());
    header.rta_type = type;
    QByteArray bytes = QByteArray(reinterpret_cast<const char*>(&header), sizeof(header)) + data;
    while (bytes.size() % 4 != 0) {
        bytes += '\0';
    }
    return bytes;
}

TEST(NetlinkParseTest, MalformedMessagesAreRefusedNotReadPastTheirEnd) {
    const QByteArray address = AddressPayload(24, Attribute(IFA_LOCAL, "\x0a\x01\x02\x03"));
    bool done = false;
    const auto good = netlink::SplitMessages(
        Message(RTM_NEWADDR, address) + Message(NLMSG_DONE, QByteArray(4, '\0')), done);
    ASSERT_TRUE(good.has_value());
    EXPECT_TRUE(done);
    ASSERT_EQ(good->size(), 1u);
    const auto parsed = netlink::ParseAddress(good->front().payload);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->address, 0x0a010203u);
    EXPECT_FALSE(parsed->dynamic);

    // Headers that claim more than arrived, or less than a header; error messages.
    for (const QByteArray& bad :
         {Message(RTM_NEWADDR, address, 4096), Message(RTM_NEWADDR, address, 8),
          Message(RTM_NEWADDR, address).left(10), Message(NLMSG_ERROR, QByteArray(4, '\xff'))}) {
        done = false;
        EXPECT_FALSE(netlink::SplitMessages(bad, done).has_value());
        EXPECT_FALSE(done);
    }

    // Attributes that overrun the payload or are too short are ignored; without an address
    // there is no entry; a prefix beyond 32 is refused.
    EXPECT_FALSE(
        netlink::ParseAddress(AddressPayload(24, Attribute(IFA_LOCAL, "\x0a\x01\x02\x03", 200)))
            .has_value());
    EXPECT_FALSE(
        netlink::ParseAddress(AddressPayload(24, Attribute(IFA_LOCAL, "\x0a\x01"))).has_value());
    EXPECT_FALSE(netlink::ParseAddress(AddressPayload(33, Attribute(IFA_LOCAL, "\x0a\x01\x02\x03")))
                     .has_value());
    EXPECT_FALSE(netlink::ParseAddress(address.left(4)).has_value());
    EXPECT_FALSE(netlink::ParseLink(QByteArray(3, '\0')).has_value());
    EXPECT_FALSE(netlink::ParseDefaultRoute(QByteArray(5, '\0')).has_value());
}

} // namespace
} // namespace vantoro
