// Small routines shared by the main window and the dialogs: lower-casing,
// thousands separators, wildcard matching of entry names, the program's own
// paths and the help opener.
#pragma once
#include <functional>
#include <string>

#include "framework/ui/dialogs.h"

// Lower-cased with the system's code-page aware rules.
std::string LowerCaseStr(const std::string& S);
// "1234567" -> "1,234,567" with the system's thousands separator.
std::string InsertThousandSeparators(const std::string& S);
// '?' is any one character, '*' a run of characters; a trailing '*' needs at
// least one character ("ab*" does not match "ab").
bool MatchWildcard(const std::string& Name, const std::string& Mask, bool IgnoreCase);

// Full path of the running program file, and its folder with a trailing "\".
std::string ProgramFileName();
std::string ProgramFolder();
// The Windows folder without a trailing "\".
std::string WindowsFolder();
// Expands %NAME% environment references (a "User Shell Folders" value).
std::string ExpandEnvStrings(const std::string& S);

// Every message box of the application core goes through here; the main
// window points it at its AppMessageBox. Unset, the framework's MessageDlg
// shows the text.
extern std::function<int(const std::string& Text, TMsgDlgType DlgType, TMsgDlgButtons Buttons)> AppMessageBoxHandler;
int ShowAppMessage(const std::string& Text, TMsgDlgType DlgType, TMsgDlgButtons Buttons);

// The parameter text handed to the help viewer: the program folder's
// MORV.CHM, with "::/" + Topic when a topic is given.
std::string HelpParameters(const std::string& Topic);
// Opens MORV.CHM at a topic page (empty: its start page) with the program
// the shell has registered for it.
void OpenHelpTopic(const std::string& Topic);

// Deletes Folder with everything below it: files get normal attributes
// first. A drive root ("c:\") is refused. A junction or symbolic link met on
// the way is removed as a link where the system allows that, and left alone
// where it does not, but never entered: nothing outside Folder is touched.
// True when Folder is gone.
bool DeleteFolderTree(const std::string& Folder);
