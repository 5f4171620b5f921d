// What the dialogs hand to the shell's "open" goes through one routine, so
// that the open folder, document or viewer can be checked where no window
// should appear; and the one test for files that would run as programs.
#pragma once
#include <functional>
#include <string>

// Replaced by tests; unset, ShellExecute with the verb "open". True when the
// shell took the request.
extern std::function<bool(const std::string& File, const std::string& Params, const std::string& Folder, int Show)>
    ShellOpenHandler;
bool ShellOpen(const std::string& File, const std::string& Params, const std::string& Folder, int Show);

// True for a name whose extension the shell starts as a program or script
// rather than opening as a document (".exe", ".bat", ".lnk", ...).
bool IsProgramFile(const std::string& Name);
