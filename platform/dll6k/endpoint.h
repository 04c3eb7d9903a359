// Where the controller is: "a.b.c.d" or "a.b.c.d:port" ("localhost" stands for 127.0.0.1).
//
// Threads: pure functions.
#pragma once

#include <netinet/in.h>

#include <optional>
#include <string>
#include <string_view>

namespace helx::dll6k {

struct Endpoint {
  in_addr address{};
  int port = 0;
  bool loopback = false;  // 127.0.0.1, where the simulated controller serves
  std::string text() const;
};

// nullopt for anything that is not an IPv4 address with an optional port 0..65535.
std::optional<Endpoint> parseEndpoint(std::string_view text, int defaultPort);

}  // namespace helx::dll6k
