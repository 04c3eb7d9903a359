// Starting programs without waiting for them, as the system's operating system does.
//
// A command is a program name with arguments separated by blanks. A program that cannot be
// found is skipped silently (the result says so). Scripts ending in ".bat" are handed to the
// batch runner installed with SetBatchRunner, or when none is installed to RunBatchScript
// (batch.h), which understands the one-line scripts the program writes itself; they are never
// given to a shell.
//
// Threads: safe from any thread. A started program is reaped by a detached waiter thread.
#pragma once

#include <functional>
#include <string>

namespace helx::os {

enum class LaunchResult { Started, NotFound, Failed };

LaunchResult Launch(const std::string& command, bool hidden);

using BatchRunner = std::function<LaunchResult(const std::string& script)>;
void SetBatchRunner(BatchRunner runner);

}  // namespace helx::os
