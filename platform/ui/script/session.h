// The command line's script (helx --script FILE, with or without --headless): read and parsed
// when the event loop starts, run on a thread of its own with the operator's hands, and the
// program ended when it is done, as the operator ends it (runner.h: endProgram). A script that
// stops (or cannot be read) leaves its status here; the runtime's CloseCVIRTE then ends the
// process with that status, so `helx --script` exits non-zero exactly when its script failed.
//
// The session registers itself with the runtime (services.h: ScriptRunner) when it is linked, so
// the runtime never names it; a program that names none of it links script/register.cpp.
//
// Threads: StartSession and EndSession on the UI thread (RunUserInterface calls them around its
// event loop); SessionStatus from any thread; RegisterSession at static initialisation.
#pragma once

#include <string>

namespace helx::ui::script {

// Starts the script unless one was started already in this process; returns whether it did.
bool StartSession(const std::string& path);
// After the event loop has ended: interrupts the script's waits and joins its thread.
void EndSession();
// 0 while running, when no script ran or when it finished; else kStatusStopped or
// kStatusUnreadable (runner.h).
int SessionStatus();
// Registers the session as the runtime's script runner; again is harmless.
void RegisterSession();

}  // namespace helx::ui::script
