// sixk-sim: the simulated stepper controller as a program of its own, for tests of the network
// path and for running the instrument's controller apart from the observing program.
//
//   sixk-sim [--port N] [--settings FILE]
//
// The port defaults to the "sixk" section's "port" (5002); 0 picks a free one. Prints
// "sixk-sim listening on 127.0.0.1:<port>" once serving, and stops cleanly on SIGINT or SIGTERM.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "sim/common/settings.h"
#include "sim/common/sim_log.h"
#include "sim/sixk/config.h"
#include "sim/sixk/server.h"

int main(int argc, char** argv) {
  std::string settings = "sim.json";
  int port = -1;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--port" && i + 1 < argc) {
      char* end = nullptr;
      long p = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || p < 0 || p > 65535) {
        std::fprintf(stderr, "sixk-sim: bad port %s\n", argv[i]);
        return 2;
      }
      port = static_cast<int>(p);
    } else if (arg == "--settings" && i + 1 < argc) {
      settings = argv[++i];
    } else {
      std::fprintf(stderr, "usage: sixk-sim [--port N] [--settings FILE]\n");
      return 2;
    }
  }
  // Wait for the signals in this thread only; the serving thread never sees them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  helx::sim::Settings::instance().load(settings);
  helx::sim::SimLog::instance().reopen();
  if (port < 0)
    port = helx::sim::Settings::instance().get<int>("sixk", "port", helx::sim::sixk::kDefaultPort);
  try {
    auto server = helx::sim::sixk::Server::fromSettings(port, false);
    std::printf("sixk-sim listening on 127.0.0.1:%d\n", server->port());
    std::fflush(stdout);
    int received = 0;
    sigwait(&signals, &received);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "sixk-sim: %s\n", e.what());
    return 1;
  }
  return 0;
}
