#include "platform/os/paths.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <vector>

namespace helx::os {

namespace {
std::string driveRoot(char letter) {
  char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
  std::string variable = "HELX_DRIVE_";
  variable += static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  if (const char* root = std::getenv(variable.c_str()); root && *root) return root;
  return std::string("drive_") + lower;
}
}  // namespace

std::optional<std::string> MapPath(std::string_view path) {
  std::string root;
  bool absolute = false;
  if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') {
    root = driveRoot(path[0]);
    path.remove_prefix(2);
  } else if (!path.empty() && (path[0] == '/' || path[0] == '\\')) {
    absolute = true;
  }
  std::vector<std::string_view> parts;
  std::size_t begin = 0;
  for (std::size_t i = 0; i <= path.size(); i++) {
    if (i < path.size() && path[i] != '/' && path[i] != '\\') continue;
    std::string_view part = path.substr(begin, i - begin);
    begin = i + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") return std::nullopt;
    parts.push_back(part);
  }
  std::string out = root;
  if (absolute) out = "/";
  for (auto part : parts) {
    if (!out.empty() && out.back() != '/') out += '/';
    out += part;
  }
  if (out.empty()) out = ".";
  return out;
}

std::FILE* OpenMapped(const char* path, const char* mode) {
  auto mapped = MapPath(path ? path : "");
  if (!mapped) {
    errno = EACCES;
    return nullptr;
  }
  return std::fopen(mapped->c_str(), mode);
}

}  // namespace helx::os
