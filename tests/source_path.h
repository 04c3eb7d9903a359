// Files of the checkout that tests and benchmarks read. ctest names the checkout in
// HELX_SOURCE_DIR; run by hand, a binary finds it by itself above its own folder (the build
// tree lies inside the checkout). No absolute path is compiled in, so the objects of one
// checkout serve another.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

// The checkout holding site/HELX.uir, or an empty path when there is none to be found.
inline std::filesystem::path SourceDir() {
  namespace fs = std::filesystem;
  if (const char* root = std::getenv("HELX_SOURCE_DIR")) return fs::absolute(root);
  std::error_code error;
  fs::path dir = fs::read_symlink("/proc/self/exe", error).parent_path();
  for (; !error && !dir.empty(); dir = dir.parent_path()) {
    if (fs::exists(dir / "site" / "HELX.uir")) return dir;
    if (dir == dir.root_path()) break;
  }
  return {};
}

inline std::string SourcePath(const char* relative) { return (SourceDir() / relative).string(); }

// SourceDir, or the reason on standard error and exit status 2: a benchmark or a fixture
// that cannot lay out the site must say so at once rather than wait for a program that never
// starts.
inline std::filesystem::path SourceDirOrExit() {
  auto dir = SourceDir();
  if (dir.empty() || !std::filesystem::exists(dir / "site" / "HELX.uir")) {
    std::fprintf(stderr,
                 "The checkout's site files (site/HELX.uir) were not found above this program's "
                 "folder; set HELX_SOURCE_DIR to the checkout.\n");
    std::exit(2);
  }
  return dir;
}
