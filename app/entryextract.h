// Extracting entries of the open archive for the view, check-out and
// drag-out commands, and the temporary files those leave until the archive
// is closed.
#pragma once
#include <string>
#include <vector>

class TZipBridge;

// ".rar", ".arc", ".arj", ".zoo", ".cab", ".ace", ".lzh", ".enc", ".tar",
// ".gz", ".bh": read through the main window's reader for the format; every
// other archive is the Zip family's.
bool IsReaderFormat(const std::string& Ext);

// Files extracted into Temp for viewing or dragging; deleted when the
// archive is closed.
constexpr size_t MaxExtractedTempFiles = 10000;
extern std::vector<std::string> ExtractedTempFiles;
void RememberTempFile(const std::string& File);
void DeleteExtractedTempFiles();

struct TEntryExtract {
  std::vector<std::string> Specs;  // entry paths ("a\b.txt") or masks ("*.*")
  std::string Folder;              // the destination, created beforehand
  bool FolderNames = false;        // keep the stored folders below Folder
  bool Overwrite = true;           // replace existing files without a question
  std::string Password;            // for the Zip family
  const char* Verb = "Extracting";
};
// Extracts from the open archive with the main window's reader for its
// format, or with Zip (the Zip family), under the operation helper; progress
// and messages go to the main window and its log. False when nothing could
// be started.
bool ExtractEntries(TZipBridge* Zip, const TEntryExtract& Job);
