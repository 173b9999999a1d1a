// The station port: the simulator says why it cannot listen, and the build's port lies
// where no outgoing connection can be given it.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

struct Fd {
  int fd;
  explicit Fd(int f) : fd(f) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

sockaddr_in Loopback(int port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

int LocalPort(int fd) {
  sockaddr_in a{};
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  return ntohs(a.sin_port);
}

// Runs the simulator on `port`; returns its exit status and what it printed.
int RunSim(int port, std::string& output) {
  const std::string command =
      std::string(SP_SIM_EXECUTABLE) + " --port " + std::to_string(port) + " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  char buf[512];
  while (std::fgets(buf, sizeof buf, pipe) != nullptr) output += buf;
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(StationPort, APortHeldByAnOutgoingConnectionIsRefusedWithTheSystemsReason) {
  // The old failure: a client's local port, taken from the ephemeral range, is busy for
  // as long as its connection lives.
  Fd server(::socket(AF_INET, SOCK_STREAM, 0));
  sockaddr_in any = Loopback(0);
  ASSERT_EQ(::bind(server.fd, reinterpret_cast<sockaddr*>(&any), sizeof any), 0);
  ASSERT_EQ(::listen(server.fd, 1), 0);
  const sockaddr_in to = Loopback(LocalPort(server.fd));
  Fd client(::socket(AF_INET, SOCK_STREAM, 0));
  ASSERT_EQ(::connect(client.fd, reinterpret_cast<const sockaddr*>(&to), sizeof to), 0);
  Fd accepted(::accept(server.fd, nullptr, nullptr));
  const int held = LocalPort(client.fd);

  std::string output;
  EXPECT_EQ(RunSim(held, output), 1);
  EXPECT_NE(output.find("cannot listen on 127.0.0.1:" + std::to_string(held) + ": " +
                        std::strerror(EADDRINUSE) + " (another program holds this port)"),
            std::string::npos)
      << output;
}

TEST(StationPort, TheBuildsPortLiesOutsideTheEphemeralRangeAndTheWellKnownPorts) {
  // Each test has a network namespace of its own; the machine's range comes with it.
  std::string range;
  if (const char* machine = std::getenv("SP_MACHINE_PORT_RANGE")) {
    range = machine;
  } else {
    std::ifstream in("/proc/sys/net/ipv4/ip_local_port_range");
    std::getline(in, range);
  }
  int low = 0, high = 0;
  ASSERT_EQ(std::sscanf(range.c_str(), "%d %d", &low, &high), 2) << range;
  const int port = SP_STATION_PORT;
  EXPECT_TRUE(port < low || port > high) << port << " in " << range;
  EXPECT_GE(port, 1024);
}

}  // namespace
