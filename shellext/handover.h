// What the handlers share besides the settings: the archive-kind test, the
// menu forms of names and paths, the dropped names, the list file morvce.dat
// and the start of Morv.
#pragma once
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <objidl.h>

#include <string>
#include <vector>

namespace brimshex {

enum TArchiveKind { akNone = 0, akOther = 1, akSfx = 2, akZip = 3 };

// The part of a ZIP self-extractor searched for a local header.
constexpr size_t SfxScanBytes = 0x20000;

// The most names a context menu takes from one selection and a drag
// carries; a larger selection is refused rather than cut short.
constexpr size_t MaxSelectedNames = 100001;
constexpr size_t MaxDraggedNames = 50001;

std::string LowerCaseStr(const std::string& S);
// The extension from the last "." of the name part, lower-cased; empty when
// there is none.
std::string LowerExtension(const std::string& Name);
TArchiveKind GetArchiveKind(const std::string& Name, bool CheckForSFXs);
std::string ShortenPath(const std::string& Path);
// Folder part with its trailing backslash ("" when there is none).
std::string FolderOf(const std::string& Name);
// The text after the last backslash, cut before its last "."; a name with
// no backslash is kept whole.
std::string CaptionName(const std::string& Name);
// Name cut before the last "." of its name part.
std::string WithoutExtension(const std::string& Name);

// The names of a CF_HDROP data object. Fails with the data object's own
// result, or E_FAIL when there are more than Limit names.
HRESULT ReadDroppedNames(IDataObject* Data, size_t Limit, std::vector<std::string>& Names);

// The temporary folder as the system reports it, with its backslash.
std::string TempFolder();
inline std::string ListFileName() { return TempFolder() + "morvce.dat"; }
// Writes the list file: the count, then one name a line, CR LF after each.
// False when the file cannot be written completely.
bool WriteListFile(const std::string& FileName, const std::vector<std::string>& Names);

// Quotes one argument so that the C run-time and CommandLineToArgv read it
// back unchanged: backslashes before the closing quote are doubled.
std::string QuoteArgument(const std::string& Arg);
// A folder argument: no trailing backslash (a drive root keeps its own),
// then quoted.
std::string QuoteFolder(const std::string& Folder);
// "program" [switch] "first": the program path is quoted too, since an
// unquoted "C:\Program Files\..." would start "C:\Program".
std::string ProgramCommandLine(const std::string& Program, const std::string& Switch, const std::string& First);

// A file that exists and is not a folder.
bool FileExists(const std::string& Name);

// Starts a command line with the given show state.
bool StartCommandLine(const std::string& CommandLine, int Show);
// Starts Program through the shell's "open" with the parameters and
// working folder.
bool ShellOpen(const std::string& Program, const std::string& Parameters, const std::string& Folder, int Show);

}  // namespace brimshex
