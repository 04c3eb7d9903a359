// The data drive as the program needs it before an observation: whether a folder can take files,
// and how much room is left on the drive that holds it. Paths are the program's own ("G:\...");
// they are mapped as every file the program opens is (paths.h), so ".." never climbs out.
//
// Threads: safe from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace helx::os {

// Bytes a file written under `path` can still take on its drive: the space available to this
// process on the nearest folder of `path` that exists. nullopt when the path is refused or the
// drive cannot be asked.
std::optional<std::uintmax_t> FreeBytes(std::string_view path);

// Makes the folder `path` (and its parents) where it is missing, then creates, writes and removes
// a small file in it. Returns an empty string when the folder takes files, or else why not, in
// the system's words ("Permission denied", "No space left on device", "Not a directory", ...).
std::string PrepareWritableFolder(std::string_view path);

}  // namespace helx::os
