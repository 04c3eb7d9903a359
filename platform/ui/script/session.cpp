#include "platform/ui/script/session.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "platform/ui/event_loop.h"
#include "platform/ui/script/runner.h"
#include "platform/ui/services.h"

namespace helx::ui::script {

namespace {
std::atomic<int> status{kStatusFinished};
std::atomic<bool> started{false};
std::jthread& thread() {
  static std::jthread t;
  return t;
}

void runSession(const std::string& path, std::stop_token stop) {
  // Begins once the event loop runs, so that an earlier loop's ending is not taken for this
  // one's.
  while (!EventLoop::instance().running() && !stop.stop_requested())
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  Runner runner(path, std::cout, std::cerr);
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  if (in) text << in.rdbuf();
  if (!in) {
    std::cerr << "helx: cannot read the script '" << path << "'" << std::endl;
    status = kStatusUnreadable;
  } else if (ParseResult parsed = parseScript(text.str()); parsed.error) {
    std::cerr << path << ":" << parsed.error->line << ": " << parsed.error->message
              << " (nothing was run)" << std::endl;
    status = kStatusUnreadable;
  } else {
    std::cout << "helx: running the script " << path << std::endl;
    Outcome outcome = runner.run(parsed.script, stop);
    status = outcome.status;
    if (outcome.status == kStatusFinished)
      std::cout << path << ": finished" << std::endl;
    else
      std::cerr << path << ": stopped at line " << outcome.line << std::endl;
  }
  runner.endProgram(stop);
}
}  // namespace

bool StartSession(const std::string& path) {
  if (started.exchange(true)) return false;
  thread() = std::jthread([path](std::stop_token stop) { runSession(path, stop); });
  return true;
}

void EndSession() {
  auto& t = thread();
  if (!t.joinable()) return;
  t.request_stop();
  t.join();
}

int SessionStatus() { return status.load(); }

void RegisterSession() {
  static const bool once = [] {
    RegisterScriptRunner({StartSession, EndSession, SessionStatus});
    return true;
  }();
  (void)once;
}

namespace {
// A test that links the session (it names SessionStatus) has the runner without register.cpp.
const bool registered = (RegisterSession(), true);
}  // namespace

}  // namespace helx::ui::script
