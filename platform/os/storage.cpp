#include "platform/os/storage.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
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
  // file actually written tells. The probe is a new file of this process's own: an existing
  // name, or a symbolic link planted under it, is never opened, followed or removed.
  static std::atomic<unsigned> probes{0};
  const fs::path probe = fs::path(*mapped) / (".helx-write-test-" + std::to_string(::getpid()) +
                                              "-" + std::to_string(probes++));
  int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return std::strerror(errno);
  static const char kProbe[512] = {};
  ssize_t n = ::write(fd, kProbe, sizeof kProbe);
  int writeError = n < 0 ? errno : ENOSPC;  // a short write is a full drive
  bool written = n == static_cast<ssize_t>(sizeof kProbe);
  bool closed = ::close(fd) == 0;
  int closeError = errno;
  ::unlink(probe.c_str());
  if (!written) return std::strerror(writeError);
  if (!closed) return std::strerror(closeError);
  return {};
}

}  // namespace helx::os
