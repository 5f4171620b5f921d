// Common base of the lister, the extractors, the compressors, the integrity
// tester and the converter: FileSpec matching, output names, temporary
// files, volumes of multi-volume and spanned archives, ratios and method
// names, and the fields of the current entry.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "archive/core/arcerrors.h"
#include "archive/core/arcmain.h"
#include "archive/core/detect.h"
#include "archive/core/readwrite.h"
#include "archive/core/untypedfile.h"
#include "archive/core/ziprecords.h"

// The current entry, valid during OnRead (and the extractors' events); the
// next entry overwrites it.
struct TArcEntryInfo {
  std::string FileName;    // stored name with path, ANSI, "\" separators
  std::string VolumeName;  // the archive or volume file the entry lies in
  bool Encrypted = false;
  // Unsigned: entries of 2 GB to 4 GB show their size; larger ones 4 GB - 1.
  uint32_t PackedSize = 0;
  uint32_t UnpackedSize = 0;
  uint8_t Ratio = 0;  // percent saved
  uint32_t Crc = 0;
  std::string MethodName;
  uint16_t Method = 0;
  TDateTime Date = 29221.0;
  uint16_t VersionMadeBy = 0;
  uint16_t VersionNeeded = 0;
  uint16_t InternalAttr = 32;
  int32_t ExternalAttr = 0;  // 0x10 marks a folder
  // The entry's comment (Zip central header, ZOO); HasEntryComment tells an
  // empty comment from none.
  std::string EntryComment;
  bool HasEntryComment = false;
};

class TZipCommon : public TReadWriteObj {
 public:
  explicit TZipCommon(TComponent* AOwner);
  ~TZipCommon() override;

  bool ConfirmOverwrites = true;
  TDateAttribute DateAttribute = TDateAttribute::daFileDate;
  TDeleteOptions DeleteOptions = TDeleteOptions::doAllowUndo;
  TOverwriteMode OverwriteMode = TOverwriteMode::omOverwrite;
  bool RecurseDirs = false;

  // The events every component of the family may publish. Descendants use
  // these and do not declare their own, since the volume and disk requests
  // below fire them.
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TOnBegin OnBegin;
  TOnEnd OnEnd;
  TOnElapsedTime OnElapsedTime;
  TOnFileExists OnFileExists;
  TOnGetPassword OnGetPassword;
  TOnNextVolume OnNextVolume;
  TOnProgress OnProgress;
  TOnRead OnRead;
  TOnRemoveTempfile OnRemoveTempfile;
  TOnRenameFile OnRenameCompressedFile;
  TOnCorruptZipHeader OnCorruptZipHeader;
  TOnGetZipFirstDisk OnGetZipFirstDisk;
  TOnGetZipLastDisk OnGetZipLastDisk;
  TOnGetZipNextDisk OnGetZipNextDisk;
  TOnInsertDiskette OnInsertDiskette;

  TArcEntryInfo Entry;

  // Zip records found by detection (and by the disk requests), for the Zip
  // readers: end record, first central header, first local header.
  TZipLocation ZipRecords;

  // The disk of a spanned set or the volume of a multi-volume archive that
  // is open now.
  int VolumeNumber() const { return FVolumeNumber; }
  void SetVolumeNumber(int Value) { FVolumeNumber = Value; }

  // Lines are copied with "/" turned into "\"; empty lines are dropped.
  TStringList* FileSpec() const { return FFileSpec.get(); }
  void SetFileSpec(TStrings* Value);
  TStringList* ExcludeSpec() const { return FExcludeSpec.get(); }
  void SetExcludeSpec(TStrings* Value);

  // Either separator becomes the system's ("\" on Windows) and one is added
  // at the end; an empty value becomes the archive's folder when an archive
  // is set.
  const std::string& ExtractDir() const { return FExtractDir; }
  void SetExtractDir(const std::string& Value);

  // With a trailing separator. Setting a folder that does not exist asks (Yes/No,
  // through the prompt hook) whether to create it; No, or a folder that
  // still does not exist, gives the system's temporary folder.
  const std::string& TempDir() const { return FTempDir; }
  void SetTempDir(const std::string& Value);

  // Output name of the current entry from its stored name, into OutFileName:
  // ExtractDir plus the stored path (with UseStoredDirs) plus the name. Drive
  // letters, leading separators, ":" and the parts "." and ".." are dropped
  // so that the name stays inside ExtractDir; a name with nothing left is
  // reported as 25243 "Invalid file name" and gives False (skip the entry).
  virtual bool SetEntryFileName(const std::string& StoredName);
  // The same for a name already in ANSI (a Zip name stored in UTF-8);
  // StoredName is what errors report.
  bool SetEntryFileNameAnsi(const std::string& AnsiName, const std::string& StoredName);
  // x.rar: 0 gives x.r00, 15 x.r15, 120 x.120; a negative number "".
  virtual std::string GetVolumeName(const std::string& ArchiveName, int Number);
  // 0 gives 1 January 1980.
  virtual TDateTime DosDateToDateTime(int DosDateTime);
  // Creates Name with every missing folder; a read-only file of that name
  // loses its read-only attribute and is created once more.
  virtual bool CreateOutputFile(TUntypedFile& F, const std::string& Name);

  // Position 0-18 in the archive-extension table, ignoring case; -1 if absent.
  static int GetArcExtIndex(const std::string& Ext);
  // Matches some FileSpec line ("*.*" matches every name) and no ExcludeSpec
  // line.
  bool IsFileIncluded(const std::string& Name);
  bool IsFileExcluded(const std::string& Name);

  // A new, empty file made in TempDir (else the system's temporary folder)
  // with the prefix "arc"; raises EFOpenError 25235 when none can be made.
  std::string CreateTempFileName();
  // A new, empty folder in TempDir: a temporary file's name without its
  // last four characters; raises 25150 when it cannot be made.
  std::string CreateTempFolder();
  // Deletes every file under Dir (deepest folders first), calling Removed
  // with each file's name, then the folders and Dir itself; true when Dir is
  // gone.
  static bool RemoveTempFolder(const std::string& Dir,
                               const std::function<void(const std::string&)>& Removed = nullptr);

  // Closes F when open (failure: 25137), opens ArchiveFile read-only on it
  // (failure: 25236), refreshes ArchiveSize and the drive, and takes the
  // drive's volume label as Entry.VolumeName. Raises through RaiseError.
  void OpenArchive(TUntypedFile& F);
  // Asks OnNextVolume for the next volume (GetVolumeName of ArchiveFile and
  // NextVolumeNumber); False when no handler is assigned or it cancels.
  bool OpenNextVolume(TUntypedFile* F);
  // Fires OnNextVolume until VolumeName names an existing file or the handler
  // cancels; a number above 999 reports 25250, an empty name 25243 (both give
  // False). On success F (when given) is reopened on the volume, ArchiveSize
  // refreshed and NextVolumeNumber advanced.
  bool RequestNextVolume(TUntypedFile* F, std::string& VolumeName, const std::string& VolumeID);
  // Spanned Zip sets. The disk number comes from a "PKBACK# nnn" label (0 on
  // other drives).
  bool GetSpanDiskNumber();
  // Until the disk in the drive holds the end record: fires OnGetZipLastDisk.
  // Then StartOffset is the central directory's offset, ZipRecords and
  // DetectFlags are those of that disk, and ArchiveSize its file's size (the
  // caller reopens its own handle). False on a fixed drive or a cancel.
  bool RequestLastDisk();
  // Until the disk in the drive is the first of the set: fires
  // OnGetZipFirstDisk. False without a handler or on a cancel.
  bool RequestFirstDisk();

  // Percent saved: 0 when either is 0 or nothing was saved; 1 at least when
  // something was.
  static int CalcRatio(int64_t Packed, int64_t Unpacked);
  std::string CompressMethodToStr(int Method, uint16_t Flags = 0, uint16_t Signature = 0) const;
  static std::string DeflateLevelName(uint16_t ZipFlags);

  // Closes the output of the current output mode: mode 0 closes F, mode 2
  // frees the passed stream, modes 1 and 3 keep theirs; False for mode 4 or a
  // close error.
  bool CloseOutput(TUntypedFile& F, std::unique_ptr<TStream>& PassedStream);
  // Deletes Name; with doAllowUndo into the recycle bin where the system has
  // one.
  bool ShellDeleteFile(const std::string& Name);

  bool IsExtractableType() const;
  bool IsTestableType() const;

 protected:
  // Runs type detection on ArchiveFile and keeps its results.
  void DetectArcType() override;
  // An ExcludeSpec line in the form of a stored name; writers give their
  // stored-name form of it.
  virtual std::string SpecStoredName(const std::string& Line);

 private:
  // Re-reads the Zip structure of the disk now in the drive.
  TZipLocation ExamineDisk();
  bool ReopenOn(TUntypedFile& F, const std::string& Name, const std::string& VolumeID);
  void DefaultProgress();

  std::unique_ptr<TStringList> FFileSpec;
  std::unique_ptr<TStringList> FExcludeSpec;
  std::string FExtractDir;
  std::string FTempDir;
  int FVolumeNumber = 0;
};
