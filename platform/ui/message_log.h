// The night's messages outlive the program: every text appended to a text box, every popup,
// every runtime complaint (an unbound callback) and every stall of the UI thread over 100 ms
// (stalls.h) is written, time-stamped in UTC, to "helx-messages.log" in the working directory.
//
// Threads: safe from any thread; a message is written whole.
#pragma once

#include <string>

namespace helx::ui {

void LogMessage(const std::string& source, const std::string& text);
// Tests may point the log elsewhere ("" turns it off).
void SetMessageLogPath(const std::string& path);

}  // namespace helx::ui
