// Test support: the stream stand-in as a program, for benchmarks when the station
// simulator is not built. Usage: e2e_stream_standin TONE.mp3 PORT; ends on SIGTERM/SIGINT.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/e2e/stream_standin.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s TONE.mp3 PORT\n", argv[0]);
    return 2;
  }
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);  // the server threads inherit the mask
  e2e::StreamStandIn standin(argv[1], 4, 375);
  if (!standin.Listen(std::atoi(argv[2]), std::chrono::seconds(0))) {
    std::fprintf(stderr, "port %s is taken\n", argv[2]);
    return 1;
  }
  int signal = 0;
  sigwait(&signals, &signal);
  return 0;
}
