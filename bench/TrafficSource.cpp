// Another PC scanning without pause: a discovery request to 255.255.255.255:65432 at a fixed
// interval, for a bounded time. Meant to run inside a network namespace (see cpu.sh); it
// broadcasts.
//
//   vantoro_bench_traffic [INTERVAL_US [SECONDS]]   (defaults: 2000 us, 10 s)

#include "protocol/ManagementMessage.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

int main(int argc, char** argv) {
    const long intervalUs = std::clamp(argc > 1 ? std::atol(argv[1]) : 2000L, 100L, 1000000L);
    const long seconds = std::clamp(argc > 2 ? std::atol(argv[2]) : 10L, 1L, 600L);
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    const int on = 1;
    if (s < 0 || ::setsockopt(s, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
        std::perror("socket");
        return 1;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(vantoro::kManagementPort);
    to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    const QByteArray request = vantoro::BuildDiscoveryRequest();

    timespec next{};
    ::clock_gettime(CLOCK_MONOTONIC, &next);
    const long count = seconds * 1000000L / intervalUs;
    long sent = 0;
    for (long i = 0; i < count; ++i) {
        sent += ::sendto(s, request.constData(), size_t(request.size()), 0,
                         reinterpret_cast<const sockaddr*>(&to), sizeof to) > 0
                    ? 1
                    : 0;
        next.tv_nsec += intervalUs * 1000L;
        next.tv_sec += next.tv_nsec / 1000000000L;
        next.tv_nsec %= 1000000000L;
        ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
    std::printf("traffic: %ld datagrams sent, one every %ld us\n", sent, intervalUs);
    ::close(s);
    return 0;
}
