// Facts the program publishes for views that run beside the event loop (the status page):
// what they cannot read from the panel model.
//
// Threads: safe from any thread.
#pragma once

#include <string>

namespace helx::ui {

// The folder this night's data files are written to, as a local path ("" until known).
void PublishDataFolder(const std::string& localPath);
std::string PublishedDataFolder();

}  // namespace helx::ui
