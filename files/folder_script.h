// The data-folder script: "makefolder.bat" in the working directory, one line "mkdir PATH",
// started hidden without waiting by the caller (LaunchExecutableEx).
//
// Operator text becomes part of the folder path (the user-defined target name), so a path
// is refused unless it is made only of letters, digits, blanks, "-", "_", "." and the
// separators of the data root, and holds no "." or ".." component.
//
// Threads: user-interface thread only.
#pragma once

// Longest user-defined target name: the day folder, "\raw\" and the name always fit in
// entire_directory (252 bytes) with room to spare.
#define MAX_TARGET_NAME 64

// 1 when the script was written, 0 when the file cannot be opened or the path is refused.
int makefolderscript(const char* path);

// 1 when `name` may be used as a target folder name and in the script; otherwise shows why
// ("Error" popup and the main panel's message box) and returns 0.
int CheckTargetName(const char* name);
