// Windows-style paths as the program builds and writes them ("G:\TARN_Data\20261206\raw\dc"),
// mapped onto Linux folders only at the moment a file is opened or a folder made, so every path
// the program keeps and every script it writes stays in its own form.
//
//   * A drive letter X: maps to the folder named by HELX_DRIVE_X, or else to "drive_x" in the
//     working directory (G: -> drive_g/).
//   * Backslashes become slashes; repeated separators collapse.
//   * A path with a ".." component is refused (nullopt), so operator text built into a path
//     can never climb out of the data root. "." components are dropped.
//   * Paths without a drive letter keep their place (relative to the working directory, or
//     absolute when they start with a separator).
//
// Threads: safe from any thread.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace helx::os {

std::optional<std::string> MapPath(std::string_view path);

// fopen of the mapped path; nullptr (errno EACCES) when the path is refused.
std::FILE* OpenMapped(const char* path, const char* mode);

}  // namespace helx::os
