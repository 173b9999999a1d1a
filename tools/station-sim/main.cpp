// stationplayer-sim: a local stand-in for the radio-hosting service, on loopback only.
#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

#include "sim_server.h"

namespace {

// The build's station port, where the program looks for its station.
constexpr int kDefaultPort = SP_SIM_DEFAULT_PORT;

struct Options {
  int port = kDefaultPort;
  std::string scenario;
  std::string audio_dir = SP_SIM_AUDIO_DIR;
  std::string covers_dir = SP_SIM_COVERS_DIR;
};

void PrintUsage() {
  std::cout << "usage: stationplayer-sim [--port N] [--scenario FILE] [--audio-dir DIR]"
               " [--covers-dir DIR]\n"
               "  --port 0 picks a free port. The first line on standard output is\n"
               "  \"listening on 127.0.0.1:PORT\". Control endpoint: /control/...\n";
}

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool has_value = i + 1 < argc;
    if (a == "--help" || a == "-h") {
      PrintUsage();
      std::exit(0);
    } else if (a == "--port" && has_value) {
      char* end = nullptr;
      const long port = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || port < 0 || port > 65535) return false;
      o.port = static_cast<int>(port);
    } else if (a == "--scenario" && has_value) {
      o.scenario = argv[++i];
    } else if (a == "--audio-dir" && has_value) {
      o.audio_dir = argv[++i];
    } else if (a == "--covers-dir" && has_value) {
      o.covers_dir = argv[++i];
    } else {
      return false;
    }
  }
  return true;
}

// The server library only says that it could not listen. Binding a bare socket the same
// way it does (SO_REUSEADDR, no SO_REUSEPORT) gives the system's own reason.
std::string WhyCannotListen(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return std::strerror(errno);
  int yes = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int err = 0;
  if (bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 1) != 0)
    err = errno;
  close(fd);
  if (err == 0) return "the port was busy a moment ago";
  std::string why = std::strerror(err);
  if (err == EADDRINUSE) why += " (another program holds this port)";
  return why;
}

}  // namespace

int main(int argc, char** argv) {
  Options opt;
  if (!ParseOptions(argc, argv, opt)) {
    PrintUsage();
    return 2;
  }
  // Signals are taken by one thread with sigwait, so no handler runs inside the server.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  std::string error;
  const std::vector<sim::Tone> tones = sim::LoadTones(opt.audio_dir, error);
  if (tones.empty()) {
    std::cerr << "stationplayer-sim: " << error << "\n";
    return 1;
  }
  sim::CoverStore covers;
  if (!covers.Load(opt.covers_dir, error)) {
    std::cerr << "stationplayer-sim: " << error << "\n";
    return 1;
  }
  sim::SimState state(sim::Steady::now());
  if (!opt.scenario.empty()) {
    try {
      std::ifstream in(opt.scenario);
      if (!in) throw std::runtime_error("cannot open " + opt.scenario);
      state.Apply(nlohmann::json::parse(in), sim::Steady::now());
    } catch (const std::exception& e) {
      std::cerr << "stationplayer-sim: scenario: " << e.what() << "\n";
      return 1;
    }
  }
  sim::RequestLog log;
  sim::ShutdownSignal shutdown;
  sim::SimContext ctx{state, log, covers, tones, shutdown};

  httplib::Server server;
  // Streams and stalls each hold a worker for a long time; the default pool is 8.
  // The server takes ownership of the queue it is given.
  server.new_task_queue = [] { return new httplib::ThreadPool(64); };
  server.set_keep_alive_timeout(2);
  // No SO_REUSEPORT (the library's default): a second server on our port must fail
  // to start rather than quietly share the connections with us.
  server.set_socket_options([](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  server.set_pre_routing_handler([&log](const httplib::Request& req, httplib::Response&) {
    if (req.path.rfind("/control/", 0) != 0) {
      log.Add(
          {0, req.method, req.path, sim::QueryOf(req.target), req.get_header_value("User-Agent")});
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });
  sim::RegisterControlRoutes(server, ctx);
  sim::RegisterStationRoutes(server, ctx);

  int port = opt.port;
  if (port == 0) {
    port = server.bind_to_any_port("127.0.0.1");
  } else if (!server.bind_to_port("127.0.0.1", port)) {
    port = -1;
  }
  if (port <= 0) {
    std::cerr << "stationplayer-sim: cannot listen on 127.0.0.1:" << opt.port << ": "
              << WhyCannotListen(opt.port) << "\n";
    return 1;
  }
  std::cout << "listening on 127.0.0.1:" << port << std::endl;

  std::thread stopper([&] {
    int sig = 0;
    sigwait(&stop_signals, &sig);
    shutdown.Trigger();
    server.stop();
  });
  server.listen_after_bind();
  // listen ends only through the stopper, unless the socket failed: then wake it.
  if (!shutdown.stopping()) pthread_kill(stopper.native_handle(), SIGTERM);
  stopper.join();
  return 0;
}
