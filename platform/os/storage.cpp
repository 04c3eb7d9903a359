#include "platform/os/storage.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/os/paths.h"

namespace fs = std::filesystem;

namespace helx::os {

std::optional<std::uintmax_t> FreeBytes(std::string_view path) {
  auto mapped = MapPath(path);
  if (!mapped) return std::nullopt;
  std::error_code error;
  // The folder may not exist yet: its drive is the drive of its nearest existing ancestor.
  fs::path at = fs::absolute(*mapped, error);
  if (error) return std::nullopt;
  while (!fs::exists(at, error) && at.has_parent_path() && at.parent_path() != at)
    at = at.parent_path();
  auto space = fs::space(at, error);
  if (error) return std::nullopt;
  return space.available;
}

std::string PrepareWritableFolder(std::string_view path) {
  auto mapped = MapPath(path);
  if (!mapped) return "the path is not allowed";
  std::error_code error;
  fs::create_directories(*mapped, error);
  if (error) return error.message();
  if (!fs::is_directory(*mapped, error)) return error ? error.message() : "Not a directory";
  // A folder can exist and still refuse files (permissions, a read-only or full drive): only a
  // file actually written tells.
  const fs::path probe = fs::path(*mapped) / ".helx-write-test";
  std::FILE* file = std::fopen(probe.c_str(), "wb");
  if (!file) return std::strerror(errno);
  static const char kProbe[512] = {};
  bool written = std::fwrite(kProbe, 1, sizeof kProbe, file) == sizeof kProbe;
  int writeError = errno;
  bool closed = std::fclose(file) == 0;
  int closeError = errno;
  fs::remove(probe, error);
  if (!written) return std::strerror(writeError);
  if (!closed) return std::strerror(closeError);
  return {};
}

}  // namespace helx::os
