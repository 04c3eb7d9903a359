// Files of the checkout that tests read, found through HELX_SOURCE_DIR, which ctest sets for
// every test: no absolute path is compiled in, so the objects of one checkout serve another.
#pragma once

#include <cstdlib>
#include <string>

inline std::string SourcePath(const char* relative) {
  const char* root = std::getenv("HELX_SOURCE_DIR");
  return std::string(root ? root : ".") + "/" + relative;
}
