#include "platform/ui/message_log.h"

#include <sys/time.h>

#include <cstdio>
#include <ctime>
#include <mutex>

namespace helx::ui {

namespace {
std::mutex mutex;
std::string path = "helx-messages.log";
std::FILE* file = nullptr;
bool opened = false;
}  // namespace

void SetMessageLogPath(const std::string& p) {
  std::lock_guard lock(mutex);
  if (file) std::fclose(file);
  file = nullptr;
  opened = false;
  path = p;
}

void LogMessage(const std::string& source, const std::string& text) {
  std::lock_guard lock(mutex);
  if (!opened) {
    opened = true;
    if (!path.empty()) file = std::fopen(path.c_str(), "a");
  }
  if (!file) return;
  timeval tv{};
  gettimeofday(&tv, nullptr);
  std::tm utc{};
  gmtime_r(&tv.tv_sec, &utc);
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                static_cast<int>(tv.tv_usec / 1000));
  // One line per message: line breaks inside it are shown as \n.
  std::string flat;
  for (char c : text) flat += (c == '\n') ? std::string("\\n") : std::string(1, c);
  std::fprintf(file, "%s [%s] %s\n", stamp, source.c_str(), flat.c_str());
  std::fflush(file);
}

}  // namespace helx::ui
