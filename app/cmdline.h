// The command-line jobs: a first parameter "-a", "-e", "-tosfx"... runs one
// job with the main window hidden, and the program ends afterwards.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class TMainForm;
class TCompBase;
struct TZipAddJob;

// At most this many names are taken from the command line or the list file.
constexpr size_t MaxJobNames = 1000;

// Whether Params (parameter 1 first) ask for a job: a known switch first and
// not a single archive name.
bool IsCommandLineJob(const std::vector<std::string>& Params);
// Runs the job of Params with Form hidden and disabled; the process's exit
// code (0 when the job did not fail).
int RunCommandLineJob(TMainForm* Form, const std::vector<std::string>& Params);

// The three pages "-?" and "-h" show.
std::vector<std::string> UsagePages();
// The list file of the shell extension: the count on the first line, then
// one full name a line; at most MaxJobNames names. Raises an Exception when
// it cannot be read.
std::vector<std::string> ReadListFile(const std::string& FileName, size_t Max = MaxJobNames);
// The list file in the user's temporary folder.
std::string ListFileName();
// The target of a list-file add: the first name's folder and name without
// its last extension, with Ext.
std::string ListTargetName(const std::string& FirstName, const std::string& Ext);
// The folder an "-e"/"-es" job extracts Archive to (with "\"); Destination is
// the third parameter of "-e" or empty.
std::string ExtractJobFolder(const std::string& Switch, const std::string& Archive, const std::string& Destination,
                             std::string& ArchivePath);

// Shared with the command-line add dialog.
// Bytes of every file below Folder, any attributes.
int64_t FolderBytes(const std::string& Folder, int Depth = 0);
bool IsFolder(const std::string& Name);
// "x\*.*" for a folder, the name itself for a file.
std::string SpecOf(const std::string& Name);
// The writer of a ".lzh", ".cab" or ".bh" target with the job's defaults,
// owned by Form; nullptr for any other extension.
TCompBase* WriterFor(TMainForm* Form, const std::string& Ext);
// Runs Writer over Names into Archive; the files added, -1 after a failure
// was shown.
int CompressNames(TCompBase* Writer, const std::string& Archive, const std::vector<std::string>& Names);
// One add by the progress window's second Zip component, its bar moving.
int RunZipAdd(TZipAddJob& Job);
