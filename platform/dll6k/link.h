// One TCP connection to the controller, with bounded waits everywhere: a controller that is
// slow, silent or gone costs a caller at most the wait it asked for.
//
// Threads: not thread-safe; the library's lock guards it.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "platform/dll6k/endpoint.h"

namespace helx::dll6k {

class Link {
 public:
  // nullptr when no connection was made within `timeout`; `refused` tells that nothing listens.
  static std::unique_ptr<Link> connect(const Endpoint& to, std::chrono::milliseconds timeout,
                                       bool* refused = nullptr);
  ~Link();
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  bool alive() const { return fd_ >= 0; }
  // Drops input nobody read; false when the peer has gone.
  bool discardPending();
  bool send(std::string_view text, std::chrono::milliseconds timeout);
  // Whole replies (ending in a line feed) that arrive: waits up to `first` for the first byte,
  // then for as long as the end of a reply is still coming (up to `quiet` between bytes), at
  // most `limit` characters. A trailing fragment whose end never comes is dropped.
  std::string receive(std::chrono::milliseconds first, std::chrono::milliseconds quiet,
                      std::size_t limit);

 private:
  explicit Link(int fd) : fd_(fd) {}
  void drop();
  int fd_ = -1;
};

}  // namespace helx::dll6k
