// Every test process works in a temporary folder of its own: made before main, named in
// TEST_TMPDIR and TMPDIR (which ::testing::TempDir() and std::filesystem::temp_directory_path()
// read, and which programs the test starts inherit), and removed with everything in it when the
// process exits, whether its tests passed or failed. ctest runs each test case as its own
// process, so no test sees what another left and a run of the suite leaves nothing behind.
//
// Linked into every test binary (helx_add_test). A process forked for a death test shares its
// parent's folder and leaves it alone; one that re-executes the binary makes its own.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

std::string& folder() {
  static std::string path;
  return path;
}
pid_t owner = 0;

void RemoveOwnFolder() {
  if (folder().empty() || ::getpid() != owner) return;
  std::error_code ignored;
  // Out of the folder first: a test may have made it its working directory.
  std::filesystem::current_path(std::filesystem::path(folder()).parent_path(), ignored);
  std::filesystem::remove_all(folder(), ignored);
}

[[maybe_unused]] const bool made = [] {
  const char* parent = std::getenv("TMPDIR");
  std::string pattern = std::string(parent && *parent ? parent : "/tmp") + "/helx-test-XXXXXX";
  if (!::mkdtemp(pattern.data())) return false;  // the shared folder, as without this file
  folder() = pattern;
  owner = ::getpid();
  ::setenv("TEST_TMPDIR", pattern.c_str(), 1);
  ::setenv("TMPDIR", pattern.c_str(), 1);
  std::atexit(RemoveOwnFolder);
  return true;
}();

}  // namespace
