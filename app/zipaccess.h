// The main window's use of the Zip component, kept in its own unit: the Zip
// component's header and the window layer's both declare a TMessageEvent.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/core/classes.h"
#include "framework/core/sysutils.h"

class TZipBridge;
class TEntryFill;

// Where the Zip components load ZIPENG.DLL and UNZENG.DLL from; the
// program's folder unless set.
extern std::string ZipDllFolder;
TZipBridge* CreateZipBridge(TComponent* Owner, std::function<void(int ErrCode, const std::string& Message)> OnMessage,
                            const std::string& Name = "ZipBridge");
// Assigning the name reads the central directory.
void SetZipArchive(TZipBridge* Zip, const std::string& Name);
// Reads the directory again only when the component holds another archive
// or the file's size or write time changed since the last read.
void RefreshZipArchive(TZipBridge* Zip, const std::string& Name);
int ZipEntryCount(TZipBridge* Zip);
// True when the last read of the directory failed; the component's message
// then says why.
bool ZipReadFailed(TZipBridge* Zip);
std::string ZipErrorText(TZipBridge* Zip);
bool ZipSpanned(TZipBridge* Zip);
// Adds every directory entry in order; Step runs once per entry. False when
// the table filled up.
bool FillFromZip(TZipBridge* Zip, TEntryFill& Fill, const std::function<void()>& Step);

// The name of the archive the component holds.
std::string ZipArchiveName(TZipBridge* Zip);
// The archive comment the component holds.
std::string ZipArchiveComment(TZipBridge* Zip);
// Writes into the open file Out the self-extractor of the component's
// archive: StubFile with the archive's offset in its string 1, the "KRX" record of the component's SFX
// settings, then the archive with every offset moved past the two. Returns
// a BuildSfxArchive result (app/sfxbuilder.h); Reason tells why the Zip part
// failed.
int WriteSfxImage(TZipBridge* Zip, const std::string& StubFile, THandle Out, std::string& Reason);
// One extraction by a Zip component, with the dialog's answers as callbacks.
struct TZipExtractJob {
  std::string Archive, BaseDir;
  std::vector<std::string> Specs;
  bool DirNames = true, Overwrite = false, SkipOlder = false;
  // Type 0 a new file (name, size), 1 bytes done, 2 end of the batch.
  std::function<void(int Type, const std::string& Name, int64_t Bytes)> Progress;
  std::function<void(int ErrCode, const std::string& Message)> Message;
  // True extracts a file whose CRC is wrong all the same.
  std::function<bool(const std::string& File)> ExtractBadCrc;
  std::function<bool(const std::string& File)> OverwriteFile;
  std::function<void(const std::string& File, int SkipType)> Skipped;
};
void SetZipPassword(TZipBridge* Zip, const std::string& Value);
// The component's question for an extraction password; '' when cancelled.
std::string AskZipExtractPassword(TZipBridge* Zip);
// Runs Job; false when the archive could not be read.
bool ExtractZip(TZipBridge* Zip, const TZipExtractJob& Job);
// Sets the component's cancel flag (it stops at the next file).
void CancelZip(TZipBridge* Zip, bool Value);
bool ZipCancelled(TZipBridge* Zip);
// The directory's file entries in order ("\" separators), folders left out.
std::vector<std::string> ZipFileNames(TZipBridge* Zip);
// Uncompressed bytes of the files below Folder ("" for all), compared in
// lower case.
int64_t ZipBytesBelow(TZipBridge* Zip, const std::string& Folder);

// Add options of a Zip component, by their bit in its AddOptions set.
enum : uint16_t {
  zaDirNames = 1u << 0,
  zaRecurseDirs = 1u << 1,
  zaMove = 1u << 2,
  zaFreshen = 1u << 3,
  zaUpdate = 1u << 4,
  zaHiddenFiles = 1u << 7,
  zaEncrypt = 1u << 10,
  zaDiskSpan = 1u << 12,
  zaDiskSpanErase = 1u << 13,
};
// Writes the plain Zip beside the self-extractor Name; 0 on success.
int ConvertSfxFile(TZipBridge* Zip, const std::string& Name);
// Spanned sets. ZipIsSpanned reads Name's directory with the volume sizes
// cleared; WriteSpanned writes In as a set named Out (0 on success);
// ReadSpanned joins the set In into Out (0 on success, Out then names the
// written file).
bool ZipIsSpanned(TZipBridge* Zip, const std::string& Name);
int WriteSpanned(TZipBridge* Zip, const std::string& In, const std::string& Out, int VolumeSize);
int ReadSpanned(TZipBridge* Zip, const std::string& In, std::string& Out);
// The self-extractor dialog's choices for a Zip component's SFX settings.
struct TSfxChoice {
  std::string Caption, DefaultDir, CommandLine, Message;
  bool AutoRun = false, HideOverwriteBox = false, SuccessMessage = true;
  int OverwriteMode = 0;  // 0 confirm, 1 always, 2 never
};
void SetSfxChoice(TZipBridge* Zip, const TSfxChoice& Choice);
// Renames one entry; 0 or the component's error code.
int RenameZipEntry(TZipBridge* Zip, const std::string& OldName, const std::string& NewName, int32_t DosDate);
// One add by a Zip component: the file patterns (relative ones to the
// process's current folder), the za* options and the volume sizes (used
// with zaDiskSpan).
struct TZipAddJob {
  std::string Archive, TempDir;
  std::vector<std::string> Specs;
  uint16_t Options = 0;
  int Level = 9;
  int MaxVolumeSize = 0, MinFreeVolumeSize = 65536, KeepFreeOnDisk1 = 0;
  // Type 0 a new file (name, size), 1 bytes done, 2 end of the batch. Left
  // empty, the component's own handlers stay in place.
  std::function<void(int Type, const std::string& Name, int64_t Bytes)> Progress;
  std::function<void(int ErrCode, const std::string& Message)> Message;
};
// Runs Job; the number of files added.
int AddToZip(TZipBridge* Zip, const TZipAddJob& Job);
// The component's own password window; false when cancelled.
bool AskZipPassword(TZipBridge* Zip, const std::string& Title, std::string& Text);
std::string GetZipPassword(TZipBridge* Zip);
// Deletes the entries Specs name from the component's archive and reads the
// directory again; the number of entries deleted. Messages go to OnMessage.
int DeleteZipEntries(TZipBridge* Zip, const std::vector<std::string>& Specs,
                     const std::function<void(int ErrCode, const std::string& Message)>& OnMessage);
// Writes the archive comment; false when the component refused it.
bool WriteZipComment(TZipBridge* Zip, const std::string& Comment);
// Tests every entry ("*.*"); the number of files that passed. Each message
// (one per entry and the summary) goes to OnMessage.
int TestZipEntries(TZipBridge* Zip, const std::function<void(int ErrCode, const std::string& Message)>& OnMessage);
// Whether any entry of the component's directory is encrypted.
bool ZipHasEncrypted(TZipBridge* Zip);
// Entries of the component's directory that are files (not folders).
int ZipFileEntryCount(TZipBridge* Zip);
