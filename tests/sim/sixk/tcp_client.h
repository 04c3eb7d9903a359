// A bare TCP client for driving the simulated controller over loopback in tests, with every
// wait bounded by a deadline.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace helx::sim::sixk::test {

class TcpClient {
 public:
  explicit TcpClient(int port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~TcpClient() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool ok() const { return fd_ >= 0; }
  bool send(const std::string& s) {
    return ::send(fd_, s.data(), s.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(s.size());
  }
  // Reads until `lines` line feeds arrived, the peer closed, or `wait` passed.
  std::string read(int lines, std::chrono::milliseconds wait = std::chrono::seconds(5)) {
    auto deadline = std::chrono::steady_clock::now() + wait;
    std::string out;
    while (count(out) < lines) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
      char buf[512];
      ssize_t r = ::recv(fd_, buf, sizeof buf, 0);
      if (r <= 0) {
        closed_ = true;
        break;
      }
      out.append(buf, static_cast<std::size_t>(r));
    }
    return out;
  }
  std::string ask(const std::string& command) {
    send(command);
    return read(1);
  }
  bool closed() const { return closed_; }

 private:
  static int count(const std::string& s) {
    int n = 0;
    for (char c : s) n += c == '\n';
    return n;
  }
  int fd_ = -1;
  bool closed_ = false;
};

}  // namespace helx::sim::sixk::test
