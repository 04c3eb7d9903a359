// Offers the status page to InitCVIRTE, which starts it when --status-port is given. Linked
// whole into the program (see CMakeLists.txt): nothing refers to this file.
#include <cstdio>
#include <memory>
#include <stdexcept>

#include "platform/ui/services.h"
#include "platform/ui/web/access.h"
#include "platform/ui/web/status_server.h"

namespace {
std::unique_ptr<helx::ui::web::StatusServer> server;

std::string start(const helx::ui::Options& options) {
  using namespace helx::ui::web;
  ServerSettings settings;
  settings.address = options.statusAddress;
  settings.port = options.statusPort;
  settings.layoutPath = "status_page.json";
  if (!IsLoopback(settings.address)) {
    TokenFile file = ReadTokenFile(kTokenFile);
    if (!file.token)
      return "a status page on " + settings.address + " needs a token: " + file.problem;
    settings.token = *file.token;
  }
  try {
    server = std::make_unique<StatusServer>(settings);
  } catch (const std::exception& e) {
    return e.what();
  }
  const bool v6 = settings.address.find(':') != std::string::npos;
  std::printf("HELX status page: http://%s%s%s:%d/\n", v6 ? "[" : "", settings.address.c_str(),
              v6 ? "]" : "", server->port());
  std::fflush(stdout);
  return "";
}

const bool registered = [] {
  helx::ui::RegisterService({"status page",
                             [](const helx::ui::Options& o) { return o.statusPort >= 0; }, start,
                             [] { server.reset(); }});
  return true;
}();
}  // namespace
