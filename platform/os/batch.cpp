#include "platform/os/batch.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include "platform/os/paths.h"

namespace helx::os {

namespace {
std::mutex logMutex;
OsLog osLog;

std::string trim(const std::string& s) {
  std::size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  std::size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

LaunchResult makeFolder(const std::string& path) {
  auto mapped = MapPath(path);
  if (!mapped || path.empty()) {
    WriteOsLog("batch: mkdir refused: " + path);
    return LaunchResult::Failed;
  }
  std::error_code ec;
  std::filesystem::create_directories(*mapped, ec);
  if (ec || !std::filesystem::is_directory(*mapped)) {
    WriteOsLog("batch: mkdir " + path + " failed: " + (ec ? ec.message() : "not a folder"));
    return LaunchResult::Failed;
  }
  return LaunchResult::Started;
}
}  // namespace

void SetOsLog(OsLog log) {
  std::lock_guard lock(logMutex);
  osLog = std::move(log);
}

void WriteOsLog(const std::string& text) {
  std::lock_guard lock(logMutex);
  if (osLog)
    osLog(text);
  else
    std::fprintf(stderr, "%s\n", text.c_str());
}

LaunchResult RunBatchScript(const std::string& script) {
  std::FILE* f = OpenMapped(script.c_str(), "rb");
  if (!f) return LaunchResult::NotFound;
  std::string content;
  char chunk[4096];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) content.append(chunk, n);
  std::fclose(f);

  LaunchResult result = LaunchResult::Started;
  std::istringstream lines(content);
  for (std::string raw; std::getline(lines, raw);) {
    std::string line = trim(raw);
    if (line.empty()) continue;
    LaunchResult r;
    if (startsWith(line, "mkdir ")) {
      r = makeFolder(trim(line.substr(6)));
    } else if (startsWith(line, "arp -s ")) {
      WriteOsLog("batch: not run (no static address entry needed on Linux): " + line);
      r = LaunchResult::Started;
    } else {
      WriteOsLog("batch: refused line: " + line);
      r = LaunchResult::Failed;
    }
    if (r != LaunchResult::Started) result = r;
  }
  return result;
}

}  // namespace helx::os
