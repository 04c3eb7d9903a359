// A small drive for one test: a tmpfs of a given size mounted on a folder of the test's own,
// unmounted when the test ends. A full data drive is then the real thing, with the kernel's own
// "No space left on device". Mounting needs CAP_SYS_ADMIN (CI runs as root); without it the
// test skips and says why.
#pragma once

#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

class SmallDrive {
 public:
  SmallDrive(const std::filesystem::path& at, std::size_t bytes) : at_(at) {
    std::error_code error;
    std::filesystem::create_directories(at_, error);
    const std::string options = "size=" + std::to_string(bytes);
    if (::mount("tmpfs", at_.c_str(), "tmpfs", 0, options.c_str()) == 0)
      mounted_ = true;
    else
      why_ = std::string("mounting a tmpfs is not permitted here: ") + std::strerror(errno);
  }
  ~SmallDrive() {
    if (mounted_) ::umount2(at_.c_str(), MNT_DETACH);
  }
  SmallDrive(const SmallDrive&) = delete;
  SmallDrive& operator=(const SmallDrive&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& why() const { return why_; }

 private:
  std::filesystem::path at_;
  bool mounted_ = false;
  std::string why_;
};
