// The runner for the one-line ".bat" scripts the program writes for itself, plugged into
// Launch (launch.h) as the default batch runner. It understands exactly these lines and never
// hands a line to a shell:
//
//   mkdir PATH      creates PATH and every missing folder above it at once, before Launch
//                   returns, so a folder exists before anything is written into it. The rest
//                   of the line is one path, blanks included; it is mapped by MapPath (paths.h)
//                   and refused when that refuses it, or when a folder name in it begins or
//                   ends with a blank or ends with "." (a command interpreter would make that
//                   folder under another name than the one written).
//   arp -s A B C    logged and not run: Linux needs no static address entry for the controller.
//
// Any other line is logged and refused (Failed). Empty lines are skipped. The script is read
// whole when launched, so the program may rewrite it right after.
//
// Threads: safe from any thread.
#pragma once

#include <functional>
#include <string>

#include "platform/os/launch.h"

namespace helx::os {

LaunchResult RunBatchScript(const std::string& script);

// Where the runner's notes go (default: standard error). The front-end may route them to the
// message log; tests read them.
using OsLog = std::function<void(const std::string& text)>;
void SetOsLog(OsLog log);
void WriteOsLog(const std::string& text);

}  // namespace helx::os
