#include "sim/common/scene_hook.h"

#include <mutex>

namespace helx::sim {

namespace {
std::mutex mutex;
SceneHook::Source scanner;
SceneHook::Source grating;
}  // namespace

void SceneHook::setScannerSource(Source source) {
  std::lock_guard lock(mutex);
  scanner = std::move(source);
}

void SceneHook::setGratingSource(Source source) {
  std::lock_guard lock(mutex);
  grating = std::move(source);
}

ScenePositions SceneHook::now() {
  Source s, g;
  {
    std::lock_guard lock(mutex);
    s = scanner;
    g = grating;
  }
  return {s ? s() : 0.0, g ? g() : 0.0};
}

}  // namespace helx::sim
