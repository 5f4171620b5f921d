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
// One add by a Zip component: the specifications (relative ones below the
// process's current folder) with the options the dialogs set.
struct TZipAddJob {
  std::string Archive;
  std::vector<std::string> Specs;
  int Level = 9;
  bool Recurse = false, DirNames = false, Hidden = false, Encrypt = false;
  bool Freshen = false, Move = false, Update = false;
  std::string Password;
  // Type 0 a new file (name, size), 1 bytes done, 2 end of the batch.
  std::function<void(int Type, const std::string& Name, int64_t Bytes)> Progress;
  std::function<void(int ErrCode, const std::string& Message)> Message;
};
// Runs Job; the component's error code (0 when all went well).
int AddZip(TZipBridge* Zip, const TZipAddJob& Job);
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
