#include "platform/dll6k/link.h"

#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace helx::dll6k {

namespace {
using Steady = std::chrono::steady_clock;

int remainingMs(Steady::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}
}  // namespace

std::unique_ptr<Link> Link::connect(const Endpoint& to, std::chrono::milliseconds timeout,
                                    bool* refused) {
  if (refused) *refused = false;
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return nullptr;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr = to.address;
  addr.sin_port = htons(static_cast<std::uint16_t>(to.port));
  int rc = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  int error = rc == 0 ? 0 : errno;
  if (rc < 0 && errno == EINPROGRESS) {
    pollfd p{fd, POLLOUT, 0};
    auto deadline = Steady::now() + timeout;
    int n;
    do {
      n = ::poll(&p, 1, remainingMs(deadline));
    } while (n < 0 && errno == EINTR);
    socklen_t len = sizeof error;
    if (n == 1) {
      ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len);
    } else {
      error = ETIMEDOUT;
    }
  }
  if (error != 0) {
    if (refused) *refused = error == ECONNREFUSED;
    ::close(fd);
    return nullptr;
  }
  int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return std::unique_ptr<Link>(new Link(fd));
}

Link::~Link() { drop(); }

void Link::drop() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool Link::discardPending() {
  char buf[1024];
  while (fd_ >= 0) {
    ssize_t r = ::recv(fd_, buf, sizeof buf, MSG_DONTWAIT);
    if (r > 0) continue;
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    drop();  // end of stream or an error: the controller has gone
  }
  return false;
}

bool Link::send(std::string_view text, std::chrono::milliseconds timeout) {
  auto deadline = Steady::now() + timeout;
  std::size_t sent = 0;
  while (fd_ >= 0 && sent < text.size()) {
    ssize_t w = ::send(fd_, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
    if (w > 0) {
      sent += static_cast<std::size_t>(w);
    } else if (w < 0 && errno == EINTR) {
      continue;
    } else if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd p{fd_, POLLOUT, 0};
      if (::poll(&p, 1, remainingMs(deadline)) <= 0) return false;
    } else {
      drop();
    }
  }
  return fd_ >= 0;
}

std::string Link::receive(std::chrono::milliseconds first, std::chrono::milliseconds quiet,
                          std::size_t limit) {
  std::string data;
  auto start = Steady::now();
  // However a controller trickles its bytes, a read ends in bounded time.
  auto hardDeadline = start + first + 10 * quiet;
  char buf[1024];
  while (fd_ >= 0 && data.size() < limit) {
    int timeout;
    if (data.empty())
      timeout = remainingMs(start + first);
    else if (data.back() == '\n')
      timeout = 0;  // a whole reply is in; take only what is already there
    else
      timeout = std::min(static_cast<int>(quiet.count()), remainingMs(hardDeadline));
    pollfd p{fd_, POLLIN, 0};
    int n = ::poll(&p, 1, timeout);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    ssize_t r = ::recv(fd_, buf, std::min(sizeof buf, limit - data.size()), 0);
    if (r > 0) {
      data.append(buf, static_cast<std::size_t>(r));
    } else if (r < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
      continue;
    } else {
      drop();
    }
  }
  if (data.size() < limit) {
    auto end = data.rfind('\n');
    data.resize(end == std::string::npos ? 0 : end + 1);
  }
  return data;
}

}  // namespace helx::dll6k
