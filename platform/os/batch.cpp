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

// A folder name that begins or ends with a blank or ends with a dot: the command interpreter
// would not make it as written, and the program, which writes to the name as written, would
// look for it in vain. Refused rather than made under either name.
bool ambiguousComponent(const std::string& path) {
  std::size_t begin = path.size() >= 2 && path[1] == ':' ? 2 : 0;
  for (std::size_t i = begin; i <= path.size(); i++) {
    if (i < path.size() && path[i] != '\\' && path[i] != '/') continue;
    if (i > begin) {
      char first = path[begin], last = path[i - 1];
      // "." and ".." are MapPath's to judge.
      bool dots = i - begin <= 2 && path.find_first_not_of('.', begin) >= i;
      if (first == ' ' || last == ' ' || (last == '.' && !dots)) return true;
    }
    begin = i + 1;
  }
  return false;
}

LaunchResult makeFolder(const std::string& path) {
  auto mapped = MapPath(path);
  if (!mapped || path.empty() || ambiguousComponent(path)) {
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
      // The path is the rest of the line as written, its blanks included (only the line end
      // is not part of it), so that a blank around a folder name is seen and refused.
      std::string path = raw.substr(raw.find("mkdir ") + 6);
      while (!path.empty() && (path.back() == '\r' || path.back() == '\n')) path.pop_back();
      r = makeFolder(path);
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
