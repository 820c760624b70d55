// The hook the response delay hangs on runs once per outgoing message, also
// for a message longer than 256 packets, whose packet number wraps around.

#include "testserver/tds/packet_channel.h"
#include "testserver/tds/socket.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace testserver::tds {
namespace {

TEST(PacketChannel, BeforeEachMessageRunsOncePerMessage) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    Socket server(fds[0]);
    Socket client(fds[1]);
    std::size_t received = 0;
    std::thread reader([&] {
        char buffer[65536];
        // Until the server side is shut down.
        for (ssize_t n; (n = ::read(client.fd(), buffer, sizeof buffer)) > 0;)
            received += static_cast<std::size_t>(n);
    });
    PacketChannel channel(server, 51);
    int hooks = 0;
    channel.setBeforeEachMessage([&] { ++hooks; });
    const std::size_t packets = 300;
    for (const std::size_t size : {channel.packetDataSize() * packets, std::size_t{10}})
        channel.sendMessage(0x04, std::string(size, 'x'));
    server.shutdownBoth();
    reader.join();
    EXPECT_EQ(hooks, 2);
    EXPECT_EQ(received, channel.packetDataSize() * packets + 10 + (packets + 1) * 8);
}

} // namespace
} // namespace testserver::tds
