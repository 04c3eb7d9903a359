// The data-folder script: "makefolder.bat" in the working directory, one line "mkdir PATH",
// started hidden without waiting by the caller (LaunchExecutableEx).
//
// Operator text becomes part of the folder path (the user-defined target name), so a path
// is refused unless it is made only of letters, digits, blanks, "-", "_", "." and the
// separators of the data root, and holds no "." or ".." component and no component that
// begins or ends with a blank or ends with "." (the command interpreter would make that folder
// under another name than the one the program writes to).
//
// Threads: user-interface thread only; data_folder_ok may be read anywhere.
#pragma once

#include <atomic>

// Longest user-defined target name: the day folder, "\raw\" and the name always fit in
// entire_directory (252 bytes) with room to spare.
#define MAX_TARGET_NAME 64

// 1 when the script was written, 0 when the file cannot be opened or the path is refused.
int makefolderscript(const char* path);

// 1 when `name` may be used as a target folder name and in the script; otherwise shows why
// ("Error" popup and the main panel's message box) and returns 0.
int CheckTargetName(const char* name);

// Whether the run's data folder takes files: 1 after the last setup's check found it did, 0
// before any check and after a failed one (Run is refused then, with data_folder_problem).
extern std::atomic<int> data_folder_ok;
extern char data_folder_problem[256];

// After the folder script was launched (it runs on its own): makes `path` where the script has
// not (yet), and proves that a file can be written in it. Returns 1 when it can; otherwise
// names the folder and the reason in an "Error" popup and the message box, and returns 0.
// Sets data_folder_ok either way.
int CheckDataFolder(const char* path);
