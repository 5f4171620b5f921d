// TZipBridge: the Zip component. It reads a Zip archive's central directory
// itself and hands adding, deleting, extracting and testing to the outside
// libraries ZIPENG.DLL and UNZENG.DLL (records in libs/zipengrecs.h).
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/core/sfxsettings.h"
#include "framework/core/classes.h"
#include "framework/core/streams.h"
#include "framework/core/sysutils.h"
#include "libs/zipengrecs.h"
#include "zipbridge/zipmsgs.h"

// Sets are bit masks; a member's bit is 1 << its value.
template <class E>
constexpr uint32_t SetOf(E Member) {
  return 1u << unsigned(Member);
}
template <class E, class... Rest>
constexpr uint32_t SetOf(E Member, Rest... Others) {
  return SetOf(Member) | SetOf(Others...);
}
template <class S, class E>
constexpr bool InSet(S Set, E Member) {
  return (uint32_t(Set) & SetOf(Member)) != 0;
}

enum AddOptsEnum : uint8_t {
  AddDirNames,
  AddRecurseDirs,
  AddMove,
  AddFreshen,
  AddUpdate,
  AddZipTime,
  AddForceDOS,
  AddHiddenFiles,
  AddArchiveOnly,
  AddResetArchive,
  AddEncrypt,
  AddSeparateDirs,
  AddDiskSpan,
  AddDiskSpanErase,
};
using AddOpts = uint16_t;

enum AddStoreSuffixEnum : uint8_t {
  assGIF,
  assPNG,
  assZ,
  assZIP,
  assZOO,
  assARC,
  assLZH,
  assARJ,
  assTAZ,
  assTGZ,
  assLHA,
  assEXE,
};
using AddStoreExts = uint16_t;

enum ExtrOptsEnum : uint8_t { ExtrDirNames, ExtrOverWrite, ExtrFreshen, ExtrUpdate, ExtrTest };
using ExtrOpts = uint8_t;

enum SFXOptsEnum : uint8_t {
  SFXAskCmdLine,
  SFXAskFiles,
  SFXAutoRun,
  SFXHideOverWriteBox,
  SFXCheckSize,
  SFXNoSuccessMsg,
};
using SFXOpts = uint8_t;

enum OvrOpts : uint8_t { OvrConfirm, OvrAlways, OvrNever };
enum CodePageOpts : uint8_t { cpAuto, cpNone, cpOEM };
enum DeleteOpts : uint8_t { htdFinal, htdAllowUndo };

enum ProgressType : uint8_t {
  ptNewFile = 0,       // Filename and its size
  ptProgress = 1,      // FileSize = bytes of this step
  ptEndOfBatch = 2,
  ptTotalFiles = 3,
  ptTotalSize = 4,
};

using UnZipSkipTypes = uint8_t;

// Mode bits of TZipBridge::RunExtract.
enum : int {
  rxToMemory = 1,
  rxToMemory2 = 2,
};

class TZipBridge;

// One central-directory entry as List read it.
struct ZipDirEntry {
  uint16_t MadeBy = 0;
  uint16_t NeedVersion = 0;
  uint16_t Flag = 0;
  uint16_t ComprMethod = 0;
  uint16_t ModifTime = 0;
  uint16_t ModifDate = 0;
  uint32_t CRC32 = 0;
  uint32_t ComprSize = 0;
  uint32_t UncomprSize = 0;
  uint16_t FileNameLength = 0;
  uint16_t ExtraFieldLength = 0;
  uint16_t FileCommentLen = 0;
  uint16_t StartOnDisk = 0;
  uint16_t IntFileAttrib = 0;
  uint32_t ExtFileAttrib = 0;
  uint32_t RelOffLocalHdr = 0;
  std::string FileName;     // converted by the code-page rule, "\" separators
  std::string FileComment;  // converted by the code-page rule
  bool Encrypted = false;
  uint8_t Reserved[4] = {};
};

// The end-of-central-directory record as FindEndOfCentralDir returns it.
struct ZipEndOfCentral {
  uint32_t HeaderSig = 0;
  uint16_t ThisDiskNo = 0;
  uint16_t CentralDiskNo = 0;
  uint16_t TotalEntriesDisk = 0;
  uint16_t TotalEntries = 0;
  uint32_t CentralSize = 0;
  uint32_t CentralOffset = 0;
  uint16_t ZipCommentLen = 0;
};

// One rename request: an entry or a folder (ending in "\\") and its new
// name, and a DOS date-time to give it (0 keeps the entry's own).
struct ZipRenameRec {
  std::string OldName;
  std::string NewName;
  int32_t DateTime = 0;
};

class EZipBridge : public Exception {
 public:
  explicit EZipBridge(int Ident, bool Display = true);
  EZipBridge(int Ident, const std::string& Text, bool Display = true);
  static EZipBridge CreateResFmtInt(int Ident, int Value);
  static EZipBridge CreateResFmtStr(int Ident, const std::string& Value);

  bool DisplayMsg;
  int ResId;
};

// Text of message Ident, or the "not linked" notice naming the number.
std::string ZipMsgText(int Ident);

// Receives one entry in the extract-to-memory mode.
class TZipStream : public TMemoryStream {
 public:
  using TMemoryStream::SetSize;
};

using TProgressEvent =
    std::function<void(TObject* Sender, ProgressType ProgrType, const std::string& Filename, int64_t FileSize)>;
using TMessageEvent = std::function<void(TObject* Sender, int ErrCode, const std::string& Message)>;
using TSetNewNameEvent = std::function<void(TObject* Sender, std::string& OldFileName, bool& IsChanged)>;
using TNewNameEvent = std::function<void(TObject* Sender, int SeqNo, const ZipDirEntry& ZipEntry)>;
using TCRC32ErrorEvent = std::function<void(TObject* Sender, const std::string& ForFile, uint32_t FoundCRC,
                                            uint32_t ExpectedCRC, bool& DoExtract)>;
using TPasswordErrorEvent = std::function<void(TObject* Sender, std::string& NewPassword, const std::string& ForFile,
                                               uint32_t& RepeatCount)>;
using TExtractOverwriteEvent =
    std::function<void(TObject* Sender, const std::string& ForFile, bool IsOlder, bool& DoOverwrite)>;
using TExtractSkippedEvent =
    std::function<void(TObject* Sender, const std::string& ForFile, UnZipSkipTypes SkipType, int ExtError)>;
using TCopyZipOverwriteEvent = std::function<void(TObject* Sender, const std::string& ForFile, bool& DoOverwrite)>;

// Asks for a password: true and the text after OK. Empty means the built-in
// dialog; tests and unattended hosts replace it.
using TPasswordDlgHook =
    std::function<bool(const std::string& Title, const std::string& Prompt, std::string& Text)>;
TPasswordDlgHook& PasswordDlgHook();

// Window class and control ids of the built-in password dialog.
constexpr const char* PasswordDlgClass = "TPasswordDlg";
enum : int { PasswordDlgLabelId = 101, PasswordDlgEditId = 100 };

// Owns a library command record and every text it points to for one call.
class TZipLibRecord {
 public:
  TZipLibRecord() = default;
  TZipLibRecord(const TZipLibRecord&) = delete;
  TZipLibRecord& operator=(const TZipLibRecord&) = delete;
  // A NUL-terminated copy of S in a buffer of at least MinSize bytes.
  char* AddText(const std::string& S, size_t MinSize = 0);
  void* Record() const { return FRecord.get(); }
  template <class R>
  R* Alloc() {
    auto P = std::make_unique<R>();
    R* Result = P.get();
    FRecord = std::shared_ptr<void>(std::move(P));
    return Result;
  }
  std::vector<UnzFileData> UnzSpecs;
  std::vector<ZipFileData> ZipSpecs;
  std::vector<char*> Excludes;

 private:
  std::shared_ptr<void> FRecord;
  std::vector<std::unique_ptr<char[]>> FTexts;
};

// Our stubs carry the archive's offset as their string resource 1, where
// readers of self-extractors look for it: ten zeros stand there until it is
// written in.
void StampSfxArchiveOffset(std::vector<uint8_t>& Stub, int64_t Offset);

// The library callback; the record's Caller is the TZipBridge.
int32_t ZIPENG_CALL ZipCallback(ZipCallbackRec* Rec);

class TZipBridge : public TComponent {
 public:
  explicit TZipBridge(TComponent* AOwner);
  ~TZipBridge() override;

  // Published properties.
  bool Verbose = false;
  bool Trace = false;
  int AddCompLevel = 9;
  AddOpts AddOptions = 0;
  std::string ExtrBaseDir;
  ExtrOpts ExtrOptions = 0;
  SFXOpts SFXOptions = SetOf(SFXCheckSize);
  TStrings* FSpecArgs() const { return FFSpecArgs.get(); }
  void SetFSpecArgs(TStrings* Value);
  bool Unattended = false;
  const std::string& ZipFileName() const { return FZipFileName; }
  void SetZipFileName(const std::string& Value);
  const std::string& Password() const { return FPassword; }
  void SetPassword(const std::string& Value);
  std::string SFXPath = "SfxStub.bin";
  const std::string& DLLDirectory() const { return FDLLDirectory; }
  void SetDLLDirectory(const std::string& Value);
  OvrOpts SFXOverWriteMode = OvrConfirm;
  std::string SFXCaption = "Self-extracting Archive";
  std::string SFXDefaultDir;
  std::string SFXCommandLine;
  std::string SFXMessage;
  std::string TempDir;
  int KeepFreeOnDisk1 = 0;
  int MaxVolumeSize = 0;
  int MinFreeVolumeSize = 65536;
  bool ConfirmErase = true;
  CodePageOpts CodePage = cpAuto;
  DeleteOpts HowToDelete = htdAllowUndo;
  const std::string& VersionInfo() const { return FVersionInfo; }
  void SetVersionInfo(const std::string&) {}
  AddStoreExts AddStoreSuffixes = SetOf(assGIF, assPNG, assZ, assZIP, assZOO, assARC, assLZH, assARJ, assTAZ,
                                        assTGZ, assLHA);
  uint32_t PasswordReqCount() const { return FPasswordReqCount; }
  void SetPasswordReqCount(uint32_t Value);
  TStrings* FSpecArgsExcl() const { return FFSpecArgsExcl.get(); }
  void SetFSpecArgsExcl(TStrings* Value);

  // Events.
  TNotifyEvent OnDirUpdate;
  TProgressEvent OnProgress;
  TMessageEvent OnMessage;
  TSetNewNameEvent OnSetNewName;
  TNewNameEvent OnNewName;
  TCRC32ErrorEvent OnCRC32Error;
  TPasswordErrorEvent OnPasswordError;
  TExtractOverwriteEvent OnExtractOverwrite;
  TExtractSkippedEvent OnExtractSkipped;
  TCopyZipOverwriteEvent OnCopyZipOverwrite;

  // Public members.
  const std::vector<std::unique_ptr<ZipDirEntry>>& ZipContents() const { return FZipContents; }
  int Count() const { return FZipFileName.empty() ? 0 : int(FZipContents.size()); }
  int SuccessCnt = 0;
  int ErrCode = 0;
  std::string Message;
  bool Cancel = false;
  // The archive comment, converted from OEM for reading; writing rewrites the
  // archive.
  std::string ZipComment() const;
  void SetZipComment(const std::string& Value);
  TZipStream& ZipStream() { return FZipStream; }
  int64_t SFXOffset() const { return FSFXOffset; }
  // Full error value of the last library message (ErrCode keeps its low byte).
  int FullErrCode() const { return FFullErrCode; }

  // Window that the libraries' own dialogs and the prompts use; the program
  // sets it once its main window exists.
  static void*& AppWindow();

  // Operations.
  void List();
  bool FindEndOfCentralDir(ZipEndOfCentral& EOC, bool RaiseErrors);
  void CloseZipFile();
  void Extract() { RunExtract(0); }
  void RunExtract(int Mode);

  void SetZipError(int Number, const std::string& Extra = "");
  std::string LoadZipStr(int Number, const std::string& Default);
  void ShowExceptionError(const EZipBridge& E);
  std::string ConvertNameCodePage(const std::string& Text, bool ToOEM) const;

  // Library loading, shared by every TZipBridge of the process.
  bool LoadZipEng();
  bool LoadUnzEng();
  static void UnloadZipEng();
  static void UnloadUnzEng();
  static bool ZipEngLoaded();
  static bool UnzEngLoaded();
  int ZipEngVersion();
  int UnzEngVersion();

  // The command records as the component fills them (also for tests).
  void BuildZipCmd(TZipLibRecord& Holder, int LibVersion, const std::string& ArchiveName);
  void ClearZipCmdFlags(TZipLibRecord& Holder);
  void BuildUnzipCmd(TZipLibRecord& Holder, int LibVersion, const std::string& ArchiveName);

  // Drives and volumes.
  bool CheckDrive();
  int AskForVolume();
  bool CheckVolume();
  void WaitForVolume(int VolumeNumber);
  void DiskFreeSpace(int64_t& FreeBytes, int64_t& TotalBytes);

  // Self-extractors and spanned sets (zipsfx.cpp, zipspan.cpp). Add calls
  // ConvertZipToSfx(true) to start a new ".exe" target and WriteSpannedSet for
  // AddDiskSpan. Each returns 0 on success; the others set ErrCode/Message.
  int ConvertZipToSfx(bool AutoCreate = false);
  int ConvertSfxToZip();
  int WriteSpannedSet(const std::string& InFile, const std::string& OutFile);
  int ReadSpannedSet(const std::string& InFile, std::string& OutPath);
  int CopyShiftedCentralDir(THandle OutFile, const ZipEndOfCentral& EOC, int64_t Shift);
  int CopyFileBytes(THandle InFile, THandle OutFile, int64_t Count);
  int EraseFile(const std::string& Name, DeleteOpts How);
  // The settings block that the stub reads, for the options and texts now set.
  std::vector<uint8_t> BuildSfxSettings() const;
  TSfxSettings SfxSettings() const;
  // Opens the archive and copies it whole to Out with every offset moved by
  // Shift (unchanged when its offsets do not match the file); returns the
  // byte count the copy must come to. Raises EZipBridge; the caller closes
  // the archive (CloseZipFile).
  int64_t AppendShiftedArchive(THandle Out, int64_t Shift);
  // The 744-byte image of a 32 x 32, 16-colour icon (empty: keep the stub's).
  std::vector<uint8_t> SFXIcon;
  // Runs the shell's format dialog for the drive of a spanned set; -3 when it
  // cannot be run, -2 cancelled, -1 failed, else the dialog's result. Tests
  // replace it.
  using TFormatDriveHook = std::function<int(TZipBridge& Sender, const std::string& Drive)>;
  static TFormatDriveHook& FormatDriveHook();
  int RunFormatThread();

  // Password prompts.
  bool ShowPasswordDlg(const std::string& Title, const std::string& Prompt, std::string& Text);
  void AskAddPassword(std::string& Result);
  void AskExtractPassword(std::string& Result);

  // Adding, deleting and renaming entries (zipadd.cpp, ziprename.cpp).
  void Add();
  void Delete();
  void RenameEntries(const std::vector<ZipRenameRec>& RenameList, int32_t DateTime);
  // Runs ZipEngExec of the loaded zip library on a filled record.
  int32_t ExecZipEng(void* Record);
  // One add into Target or one delete: the library loaded when needed, the
  // record filled and run, the file list cleared.
  void RunZipEng(const std::string& Target, bool IsDelete);

  // State that callbacks and tests read.
  bool Spanned() const { return FSpanned; }
  int LastDisk() const { return FLastDisk; }
  int64_t EndOfCentralOffset() const { return FEndOfCentralOffset; }
  int64_t CentralDirOffset() const { return FCentralDirOffset; }
  bool StructureWarning() const { return FStructureWarning; }
  bool UnzipBusy() const { return FUnzipBusy; }
  bool ZipBusy() const { return FZipBusy; }
  const std::string& WorkDrive() const { return FDrive; }
  void SetWorkDrive(const std::string& Drive) { FDrive = Drive; }
  const std::string& VolumeLabel() const { return FVolumeLabel; }

 private:
  friend int32_t ZIPENG_CALL ZipCallback(ZipCallbackRec* Rec);
  void ClearContents();
  void ReadCentralDir(const ZipEndOfCentral& EOC);
  void WriteComment(const std::string& Oem);
  void ApplyCodePageHost(uint16_t MadeBy);
  void HandlePasswordRequest(ZipCallbackRec& Rec, const std::string& Text);
  std::string VolumeFileName(int Volume) const;
  // Spanned-set writing (zipspan.cpp).
  void WriteSplit(const void* Buf, int64_t Length, int64_t KeepTogether);
  void OpenNextVolume(int64_t KeepTogether);
  // Makes sure Length bytes fit on the volume being written, moving to the
  // next one when not.
  void ReserveVolume(int64_t Length);
  void CloseVolume();
  int CaughtCopyError();
  // Copies the archive on In from From to Out, shifting its offsets by Shift
  // when they are right (else copying it unchanged); Expected is the size
  // the output must reach. Raises EZipBridge.
  void CopyArchive(THandle In, THandle Out, const ZipEndOfCentral& EOC, int64_t From, int64_t Shift,
                   int64_t& Expected);

  std::unique_ptr<TStringList> FFSpecArgs;
  std::unique_ptr<TStringList> FFSpecArgsExcl;
  std::string FZipFileName;
  std::string FPassword;
  std::string FDLLDirectory;
  std::string FVersionInfo = "1.60 K";
  uint32_t FPasswordReqCount = 1;

  std::vector<std::unique_ptr<ZipDirEntry>> FZipContents;
  std::string FZipComment;  // OEM form
  TZipStream FZipStream;
  int64_t FSFXOffset = 0;
  int FFullErrCode = 0;

  void* FHandle = nullptr;
  bool FZipBusy = false;
  bool FUnzipBusy = false;
  bool FSpanned = false;
  bool FMarkedFirst = false;
  int FDiskNr = 0;
  int FLastDisk = 0;
  std::string FWorkFile;
  std::string FVolumeLabel;
  int64_t FEndOfCentralOffset = 0;
  int64_t FCentralDirOffset = 0;
  int64_t FRealFileSize = 0;
  int64_t FFileSize = 0;  // logical end of the archive
  int FHostNum = 0;
  int FHostVer = 0;
  bool FStructureWarning = false;
  THandle FInFileHandle = InvalidHandle;
  int64_t FTotalSize = 0;
  bool FPasswordDlgFlag = false;
  TZipLibRecord* FRunningRecord = nullptr;

  // Drive state.
  std::string FDrive;
  int FDriveType = 0;
  uint32_t FVolumeSerial = 0;
  int64_t FFreeOnDisk = -1;
  int64_t FSizeOfDisk = -1;
  bool FNewDisk = false;
  bool FReading = false;
  int FVolumeNeeded = 0;

  // Spanned-set writer state.
  std::string FSetName;  // the set's name, from which volume file names derive
  THandle FOutFile = InvalidHandle;
  std::string FOutName;
  int64_t FVolumeFree = 0;
  int64_t FVolumeWritten = 0;
  int FSourceDate = -1;
  bool FCopyProgress = false;
};
