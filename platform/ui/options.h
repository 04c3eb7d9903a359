// The platform's own command-line options, read by InitCVIRTE. The system never sees them.
//
//   --headless          no windows, even when a display is available
//   --script FILE       run an operator script (platform/ui/script/session.h) beside the event
//                       loop; the program ends when it is done, with a non-zero status if it
//                       stopped
//   --time-scale X      run the instrument's clock X times faster (demos, tests)
//   --status-port N     serve the read-only status page on port N (0: an ephemeral port,
//                       printed at start; off unless given)
//   --status-address A  the address it listens on (default 127.0.0.1; any other needs the
//                       token file, see platform/ui/web/status_server.h)
//
// Threads: written once by InitCVIRTE before any other thread starts; read-only afterwards.
#pragma once

#include <string>

namespace helx::ui {

struct Options {
  bool headless = false;
  std::string script;
  double timeScale = 1.0;
  int statusPort = -1;  // -1: no status page
  std::string statusAddress = "127.0.0.1";
};

const Options& RuntimeOptions();
// Parses argv; returns false with a message on stderr for an option it does not know.
bool ParseOptions(char* argv[], Options& out);

}  // namespace helx::ui
