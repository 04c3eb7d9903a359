#include "platform/ui/published.h"

#include <mutex>

namespace helx::ui {

namespace {
std::mutex mutex;
std::string dataFolder;
}  // namespace

void PublishDataFolder(const std::string& localPath) {
  std::lock_guard lock(mutex);
  dataFolder = localPath;
}

std::string PublishedDataFolder() {
  std::lock_guard lock(mutex);
  return dataFolder;
}

}  // namespace helx::ui
