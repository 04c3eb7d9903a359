#include "platform/ui/frontend.h"

#include <mutex>

#include "platform/ui/headless_frontend.h"

namespace helx::ui {

namespace {
std::mutex mutex;
// Never destroyed: threads that outlive main may still wake it.
std::unique_ptr<Frontend>& current() {
  static auto& frontend = *new std::unique_ptr<Frontend>(std::make_unique<HeadlessFrontend>());
  return frontend;
}
FrontendFactory& factory() {
  static FrontendFactory f;
  return f;
}
}  // namespace

Frontend& CurrentFrontend() {
  std::lock_guard lock(mutex);
  return *current();
}

void InstallFrontend(std::unique_ptr<Frontend> frontend) {
  std::lock_guard lock(mutex);
  if (frontend) current() = std::move(frontend);
}

void RegisterGraphicalFrontend(FrontendFactory f) { factory() = std::move(f); }
bool HaveGraphicalFrontend() { return static_cast<bool>(factory()); }
std::unique_ptr<Frontend> CreateGraphicalFrontend(int& argc, char** argv) {
  return factory() ? factory()(argc, argv) : nullptr;
}

}  // namespace helx::ui
