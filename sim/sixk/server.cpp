#include "sim/sixk/server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/os/clock.h"
#include "sim/common/scene_hook.h"
#include "sim/common/settings.h"
#include "sim/common/sim_log.h"
#include "sim/sixk/config.h"

namespace helx::sim::sixk {

namespace {

void log(const std::string& event, nlohmann::json fields = {}) {
  SimLog::instance().write("sixk", event, std::move(fields));
}

bool faultForAxis(FaultPlan& faults, const std::string& name, int axis, long fallbackAxis) {
  long wanted = faults.code(name).value_or(fallbackAxis);
  if (wanted != 0 && wanted != axis) return false;
  return faults.shouldFail(name);
}

constexpr int kSendTimeoutMs = 200;

}  // namespace

struct Server::State {
  explicit State(ControllerConfig config)
      : controller(
            std::move(config),
            [](const std::string& ev, nlohmann::json f) { log(ev, std::move(f)); },
            [this](const std::string& fault, int axis) {
              // Stuck switches default to the grating; endless moves to any axis.
              return faultForAxis(faults, fault, axis, fault == "EndlessMove" ? 0 : 1);
            }) {}
  std::mutex mutex;
  FaultPlan faults;
  Controller controller;
};

double Server::now() { return os::Clock::instance().seconds(); }

Server::Server(ControllerConfig config, const nlohmann::json& faults, ServerOptions options)
    : state_(std::make_shared<State>(std::move(config))), publishGrating_(options.publishGrating) {
  // The log and the clock must outlive the serving thread when the program exits.
  SimLog::instance();
  os::Clock::instance();
  state_->faults.configure(faults);
  listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (listen_ < 0) throw std::system_error(errno, std::generic_category(), "sixk socket");
  int one = 1;
  ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<std::uint16_t>(options.port));
  if (::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) < 0 ||
      ::listen(listen_, 4) < 0) {
    int e = errno;
    ::close(listen_);
    throw std::system_error(e, std::generic_category(), "sixk bind 127.0.0.1");
  }
  socklen_t len = sizeof addr;
  ::getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len);
  port_ = ntohs(addr.sin_port);
  wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake_ < 0) {
    int e = errno;
    ::close(listen_);
    throw std::system_error(e, std::generic_category(), "sixk eventfd");
  }
  if (publishGrating_) {
    std::weak_ptr<State> weak = state_;
    SceneHook::setGratingSource([weak] {
      auto s = weak.lock();
      if (!s) return 0.0;
      std::lock_guard lock(s->mutex);
      double t = now();
      s->controller.advanceTo(t);
      return s->controller.axis(1).position(t);
    });
  }
  log("listening", {{"port", port_}});
  thread_ = std::jthread([this](std::stop_token st) { serve(st); });
}

std::unique_ptr<Server> Server::fromSettings(int port, bool publishGrating) {
  auto section = Settings::instance().section("sixk");
  nlohmann::json faults = section.contains("faults") ? section["faults"] : nlohmann::json::object();
  return std::make_unique<Server>(controllerConfigFrom(section), faults,
                                  ServerOptions{port, publishGrating});
}

Server::~Server() {
  if (publishGrating_) SceneHook::setGratingSource({});
  thread_.request_stop();
  std::uint64_t one = 1;
  [[maybe_unused]] auto r = ::write(wake_, &one, sizeof one);
  if (thread_.joinable()) thread_.join();
  if (client_ >= 0) ::close(client_);
  ::close(listen_);
  ::close(wake_);
  log("stopped", {{"port", port_}});
}

FaultPlan& Server::faults() { return state_->faults; }

bool Server::clientConnected() const { return connected_; }

void Server::inspect(const std::function<void(Controller&, double)>& f) {
  std::lock_guard lock(state_->mutex);
  double t = now();
  state_->controller.advanceTo(t);
  f(state_->controller, t);
}

void Server::serve(std::stop_token stop) {
  while (!stop.stop_requested()) {
    bool busy;
    {
      std::lock_guard lock(state_->mutex);
      busy = state_->controller.busy();
    }
    pollfd fds[3] = {{wake_, POLLIN, 0}, {listen_, POLLIN, 0}, {client_, POLLIN, 0}};
    // Pending programs and queued commands fall due with time: look again in about 1 ms.
    int n = ::poll(fds, client_ >= 0 ? 3 : 2, busy ? 1 : -1);
    if (n < 0 && errno != EINTR) break;
    if (stop.stop_requested()) break;
    // The client first: a client that just hung up makes room for the one now knocking.
    if (fds[2].revents & (POLLIN | POLLHUP | POLLERR)) receive();
    if (fds[1].revents & POLLIN) accept();
    flushReplies();
  }
}

void Server::accept() {
  int fd = ::accept4(listen_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd < 0) return;
  // A client that closed just before this one connected has left its end of stream behind.
  for (int i = 0; i < 64 && client_ >= 0; ++i) {
    pollfd p{client_, POLLIN, 0};
    if (::poll(&p, 1, 0) != 1) break;
    receive();
  }
  if (client_ >= 0) {
    // The controller serves one client; a second one is turned away at once.
    ::close(fd);
    log("refused_client");
    return;
  }
  int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  client_ = fd;
  splitter_.reset();
  // Logged before the flag changes, so whoever sees the flag finds the event in the log.
  log("connected");
  connected_ = true;
}

void Server::dropClient(const char* reason) {
  if (client_ < 0) return;
  ::close(client_);
  client_ = -1;
  log("disconnected", {{"reason", reason}});
  connected_ = false;
}

void Server::receive() {
  char buf[4096];
  ssize_t r = ::recv(client_, buf, sizeof buf, 0);
  if (r == 0 || (r < 0 && errno != EAGAIN && errno != EINTR)) {
    dropClient(r == 0 ? "closed by client" : "error");
    splitter_.reset();
    return;
  }
  if (r < 0) return;
  for (const std::string& text :
       splitter_.feed(std::string_view(buf, static_cast<std::size_t>(r)))) {
    if (state_->faults.shouldFail("DropConnection")) {
      log("fault", {{"fault", "DropConnection"}, {"command", text}});
      dropClient("fault");
      splitter_.reset();
      return;
    }
    log("command", {{"text", text}});
    std::lock_guard lock(state_->mutex);
    state_->controller.submit(text, now());
  }
}

void Server::flushReplies() {
  std::vector<std::string> replies;
  {
    std::lock_guard lock(state_->mutex);
    state_->controller.advanceTo(now());
    replies = state_->controller.takeReplies();
  }
  if (client_ < 0) return;
  for (std::string& reply : replies) {
    if (state_->faults.shouldFail("NoReply")) {
      log("fault", {{"fault", "NoReply"}, {"reply", reply}});
      continue;
    }
    if (state_->faults.shouldFail("ShortReply")) {
      std::size_t keep = static_cast<std::size_t>(
          state_->faults.code("ShortReply").value_or(static_cast<long>((reply.size() - 1) / 2)));
      reply = reply.substr(0, std::min(keep, reply.size() - 1));
      log("fault", {{"fault", "ShortReply"}, {"reply", reply}});
    }
    if (!sendAll(reply)) {
      dropClient("send failed");
      return;
    }
  }
}

bool Server::sendAll(const std::string& data) {
  std::size_t sent = 0;
  while (sent < data.size()) {
    ssize_t w = ::send(client_, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (w > 0) {
      sent += static_cast<std::size_t>(w);
      continue;
    }
    if (w < 0 && errno == EINTR) continue;
    if (w < 0 && errno == EAGAIN) {
      // A client that stops reading must not stall the controller for long.
      pollfd p{client_, POLLOUT, 0};
      if (::poll(&p, 1, kSendTimeoutMs) <= 0) return false;
      continue;
    }
    return false;
  }
  return true;
}

}  // namespace helx::sim::sixk
