#include "platform/ui/services.h"

#include <mutex>
#include <vector>

namespace helx::ui {

namespace {
struct Registry {
  std::mutex mutex;
  std::vector<Service> services;
  std::vector<Service*> running;
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
  return "";
}

void StopServices() {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  for (auto it = r.running.rbegin(); it != r.running.rend(); ++it) (*it)->stop();
  r.running.clear();
}

}  // namespace helx::ui
