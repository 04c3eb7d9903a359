// The simulated stepper controller on the network: a TCP server bound to 127.0.0.1 only, one
// client at a time (a second connection is closed at once), speaking the controller's ASCII
// commands. Instrument time comes from the one clock; the controller's state is brought up to
// the present whenever something arrives, whenever the camera asks for the grating position,
// and every millisecond while a program or queued commands are pending.
//
// Injected faults (the section's "faults", or faults() at run time):
//   "NoReply"        a reply is swallowed
//   "ShortReply"     a reply is cut short (to "code" characters, default half) without its line end
//   "DropConnection" a received command is not executed and the connection is closed
//   "PositiveLimitStuck", "NegativeLimitStuck"  the switch of axis "code" (default 1) reads active
//   "EndlessMove"    a move of axis "code" (default any) never reports done
// "times" counts replies, commands, switch readings and moves respectively.
//
// Threads: one serving thread, started by the constructor and stopped and joined by the
// destructor. Every public member is safe from any thread.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <stop_token>
#include <thread>

#include "sim/common/faults.h"
#include "sim/sixk/controller.h"

namespace helx::sim::sixk {

struct ServerOptions {
  int port = 0;                // 0: an ephemeral port (tests)
  bool publishGrating = true;  // axis 1 to the camera's scene hook
};

class Server {
 public:
  // Binds and starts serving; throws std::system_error when the port cannot be bound.
  Server(ControllerConfig config, const nlohmann::json& faults, ServerOptions options);
  // Configured from the "sixk" section of the settings, on `port`.
  static std::unique_ptr<Server> fromSettings(int port, bool publishGrating = true);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  int port() const { return port_; }
  FaultPlan& faults();
  bool clientConnected() const;

  // Runs f(controller, t) with the controller locked and brought up to the present t.
  void inspect(const std::function<void(Controller&, double)>& f);

 private:
  struct State;
  static double now();
  void serve(std::stop_token stop);
  void accept();
  void receive();
  void flushReplies();
  void dropClient(const char* reason);
  bool sendAll(const std::string& data);

  std::shared_ptr<State> state_;
  bool publishGrating_;
  int listen_ = -1;
  int wake_ = -1;
  int client_ = -1;  // the serving thread's, like the splitter
  CommandSplitter splitter_;
  int port_ = 0;
  std::atomic<bool> connected_{false};
  std::jthread thread_;
};

}  // namespace helx::sim::sixk
