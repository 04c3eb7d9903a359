#include "platform/ui/services.h"

#include <mutex>
#include <optional>
#include <vector>

namespace helx::ui {

namespace {
struct Registry {
  std::mutex mutex;
  std::vector<Service> services;
  std::vector<Service*> running;
  std::optional<ScriptRunner> script;
};
Registry& registry() {
  static Registry r;
  return r;
}
}  // namespace

void RegisterService(Service service) {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  r.services.push_back(std::move(service));
}

std::string StartServices(const Options& options) {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  bool statusTaken = false;
  for (Service& s : r.services) {
    if (!s.wanted(options)) continue;
    statusTaken = statusTaken || s.name == "status page";
    if (std::string why = s.start(options); !why.empty()) return s.name + ": " + why;
    r.running.push_back(&s);
  }
  if (options.statusPort >= 0 && !statusTaken)
    return "--status-port: this build has no status page";
  if (!options.script.empty() && !r.script) return "--script: this build has no script runner";
  return "";
}

void StopServices() {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  for (auto it = r.running.rbegin(); it != r.running.rend(); ++it) (*it)->stop();
  r.running.clear();
}

void RegisterScriptRunner(ScriptRunner runner) {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  r.script = std::move(runner);
}

namespace {
// Called without the lock: ending the script joins its thread.
std::optional<ScriptRunner> scriptRunner() {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  return r.script;
}
}  // namespace

bool StartScript(const Options& options) {
  auto runner = scriptRunner();
  return !options.script.empty() && runner && runner->start(options.script);
}

void EndScript() {
  if (auto runner = scriptRunner()) runner->end();
}

int ScriptStatus() {
  auto runner = scriptRunner();
  return runner ? runner->status() : 0;
}

}  // namespace helx::ui
