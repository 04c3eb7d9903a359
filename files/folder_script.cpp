#include "files/folder_script.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/os/paths.h"
#include "platform/os/storage.h"
#include "platform/ui/userint.h"
#include "state/HELX.h"
#include "state/monitor.h"

namespace {
bool nameCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == ' ' || c == '-' || c == '_' ||
         c == '.';
}

// A folder name the command interpreter would not keep as written: it drops blanks around a
// name and dots at its end, so the script would make one folder and the program write to
// another.
bool alteredByInterpreter(const char* name, std::size_t length) {
  if (length == 0) return false;
  return name[0] == ' ' || name[length - 1] == ' ' || name[length - 1] == '.';
}

void refuse(const char* text) {
  MessagePopup("Error", text);
  AppendMonitor(text);
  AppendMonitor("\n");
}

// Every component of a folder path made of name characters, none of them "." or "..", and
// only the data root's drive letter may bring a ":".
bool safeFolderPath(const char* path) {
  std::size_t n = std::strlen(path);
  if (n == 0) return false;
  std::size_t start = 0;
  if (n >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') start = 2;
  std::size_t componentStart = start;
  for (std::size_t i = start; i <= n; i++) {
    char c = i < n ? path[i] : '\\';
    if (c == '\\' || c == '/') {
      std::size_t len = i - componentStart;
      const char* comp = path + componentStart;
      if ((len == 1 && comp[0] == '.') || (len == 2 && comp[0] == '.' && comp[1] == '.'))
        return false;
      if (alteredByInterpreter(comp, len)) return false;
      componentStart = i + 1;
    } else if (!nameCharacter(c)) {
      return false;
    }
  }
  return true;
}
}  // namespace

int CheckTargetName(const char* name) {
  if (!name || !*name) {
    refuse("Target name is empty");
    return 0;
  }
  if (std::strlen(name) > MAX_TARGET_NAME) {
    char text[128];
    std::snprintf(text, sizeof text, "Target name is longer than %d characters", MAX_TARGET_NAME);
    refuse(text);
    return 0;
  }
  for (const char* p = name; *p; p++) {
    if (!nameCharacter(*p)) {
      refuse("Target name may hold only letters, digits, blanks, \"-\", \"_\" and \".\"");
      return 0;
    }
  }
  if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0 ||
      name[std::strspn(name, " ")] == '\0') {
    refuse("Target name must name a folder");
    return 0;
  }
  if (alteredByInterpreter(name, std::strlen(name))) {
    refuse("Target name may not begin or end with a blank, nor end with \".\"");
    return 0;
  }
  return 1;
}

int makefolderscript(const char* path) {
  if (!path || !safeFolderPath(path)) {
    refuse("Refused data folder path: only letters, digits, blanks, \"-\", \"_\" and \".\"");
    return 0;
  }
  FILE* file = helx::os::OpenMapped("makefolder.bat", "w");
  if (!file) {
    MessagePopup("info", "Fail to write file\n");
    return 0;
  }
  std::fputs("mkdir ", file);
  std::fputs(path, file);
  std::fclose(file);
  return 1;
}

std::atomic<int> data_folder_ok{0};
char data_folder_problem[256] = "";

int CheckDataFolder(const char* path) {
  std::string why = helx::os::PrepareWritableFolder(path);
  std::snprintf(data_folder_problem, sizeof data_folder_problem, "%s", why.c_str());
  data_folder_ok = why.empty() ? 1 : 0;
  if (why.empty()) return 1;
  char text[512];
  std::snprintf(text, sizeof text,
                "The data folder %s cannot be written: %s. Run is refused until OK finds it "
                "writable.\n",
                path, why.c_str());
  TellOperator("Error", text);
  return 0;
}
