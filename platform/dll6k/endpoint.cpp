#include "platform/dll6k/endpoint.h"

#include <arpa/inet.h>

namespace helx::dll6k {

std::string Endpoint::text() const {
  char buf[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &address, buf, sizeof buf);
  return std::string(buf) + ":" + std::to_string(port);
}

std::optional<Endpoint> parseEndpoint(std::string_view text, int defaultPort) {
  auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return std::nullopt;
  text = text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
  Endpoint e;
  e.port = defaultPort;
  std::string host(text);
  if (auto colon = text.find(':'); colon != std::string_view::npos) {
    host = std::string(text.substr(0, colon));
    std::string_view port = text.substr(colon + 1);
    if (port.empty() || port.size() > 5) return std::nullopt;
    int p = 0;
    for (char c : port) {
      if (c < '0' || c > '9') return std::nullopt;
      p = p * 10 + (c - '0');
    }
    if (p > 65535) return std::nullopt;
    e.port = p;
  }
  if (host == "localhost") host = "127.0.0.1";
  if (::inet_pton(AF_INET, host.c_str(), &e.address) != 1) return std::nullopt;
  e.loopback = ntohl(e.address.s_addr) == INADDR_LOOPBACK;
  return e;
}

}  // namespace helx::dll6k
