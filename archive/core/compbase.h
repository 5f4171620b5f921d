// Base of every archive writer: turns the FileSpec lines into a work
// list, reads the directory of an existing archive so that its unchanged
// entries can be copied, writes the new archive into a temporary file and puts
// it in place of the old one at the end. A writer supplies the format: one
// file's header and data, reading the old archive's headers, and the closing
// records.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "archive/core/zipcommon.h"
#include "framework/core/streams.h"

// Work-list actions.
enum : uint8_t {
  waAdd = 0,      // compress a new file
  waReplace = 1,  // compress a newer file in place of an old entry
  waCopy = 2,     // copy an old entry unchanged
  waSkip = 3,     // leave out (also every item not yet done once Cancel is set)
};

// One line of the work list.
struct TWorkItem {
  // The stored name ("\" separators, OEM code page): of the old entry, or of
  // the new file once it is written.
  std::string Name;
  // The file to compress (actions 0 and 1), full path.
  std::string SourceName;
  uint8_t Action = waAdd;
  int64_t Size = 0;  // size of the file to compress
  int FileDate = 0;  // its DOS date-time
  int FileAttr = 0;

  // The entry of the old archive (actions 1 and 2). Its raw copy is
  // GetHeaderSize() + HeaderLength + PackedSize + TrailerLength bytes from
  // Position (tar output is then filled to the next multiple of 512).
  int64_t Position = -1;
  int64_t HeaderLength = 0;   // what follows the fixed header (Zip: name and extra field)
  int64_t PackedSize = 0;
  int64_t TrailerLength = 0;  // after the data (Zip: the data descriptor)
  int64_t OldSize = 0;        // unpacked size, for OnReplaceFile
  int OldDate = 0;            // DOS date-time
  int OldAttr = 0;

  // Where the entry starts in the new archive, -1 until it is written.
  int64_t OutputOffset = -1;
  // The writer's own record of the entry (Zip: its central header).
  std::unique_ptr<TObject> Data;
};

class TCompBase : public TZipCommon {
 public:
  explicit TCompBase(TComponent* AOwner);
  ~TCompBase() override;

  // Compresses FileSpec into ArchiveFile by Switch; returns the number of
  // files added.
  int Compress();

  TCompressMethod CompressMethod() const { return FCompressMethod; }
  virtual void SetCompressMethod(TCompressMethod Value);
  TDeflateType DeflateType() const { return FDeflateType; }
  // Also sets the level: dtDeflateS 1, dtDeflateF 2, dtDeflateN 7, dtDeflateX 9.
  void SetDeflateType(TDeflateType Value);
  int DeflateLevel() const { return FDeflateLevel; }
  // Zip general-purpose flag bits 1-2 for the level: 6 superfast (S),
  // 4 fast (F), 0 normal (N), 2 maximum (X).
  uint16_t DeflateFlags() const;

  TStoredDirNames StoredDirNames = TStoredDirNames::sdRelative;
  bool StoreAlreadyCompressedFiles = true;
  TSwitch Switch = TSwitch::swAdd;
  bool VerifyBeforeDelete = true;

  // Trimmed; empty or not an existing folder gives the current folder; with
  // a trailing separator. Relative FileSpec lines are taken from here.
  const std::string& DefaultDir() const { return FDefaultDir; }
  void SetDefaultDir(const std::string& Value);

  // "" or "." restores the writer's own; otherwise a leading "." is added and
  // the value cut to 4 characters and lower-cased. An ArchiveFile without
  // extension gets it, one with the previous default extension has it
  // changed.
  const std::string& DefaultExt() const { return FDefaultExt; }
  void SetDefaultExt(const std::string& Value);
  // Appends DefaultExt to an ArchiveFile that has no extension.
  void ApplyDefaultExt();

  // The name a file is stored under, in OEM form with "\" separators: by
  // StoredDirNames, relative to the folder of the FileSpec line being
  // expanded.
  std::string MakeStoredName(const std::string& FileName) const;
  // Whether FileName's extension is one of the archive extensions (other
  // than ".EXE").
  static bool IsCompressedExtension(const std::string& FileName);
  // Whether the file is stored without compressing: StoreAlreadyCompressedFiles
  // and an archive extension.
  bool StoresUnpacked(const std::string& FileName) const;
  // The DOS date-time stored for a file by DateAttribute.
  int GetStoredFileDate(const std::string& FileName) const;
  // Whether a file with these attributes passes FileAttribute.
  bool AttributeMatches(int Attr) const;

  // A writer keeps its own type whatever is assigned, and gives an
  // ArchiveFile without extension its DefaultExt (not while loading).
  void SetArcType(TArcType Value) override;

  TOnRecurseDir OnRecurseDir;
  TOnReplaceFile OnReplaceFile;
  TOnNonWriteableArchive OnNonWriteableArchive;
  TOnClearDiskette OnClearDiskette;

  // Files added by the last run.
  int FilesAdded() const { return FFilesAdded; }
  // Whether the last run put a new archive in place.
  bool ArchiveWritten() const { return FArchiveWritten; }

  // Counters of the entry being written and of the run, kept by StoreData and
  // DeflateStream: bytes of the input still to read, bytes read, packed bytes
  // written; the run's total of new bytes and those still to read.
  int64_t BytesToRead = 0;
  int64_t BytesRead = 0;
  int64_t PackedBytes = 0;
  int64_t FileSize = 0;
  int64_t RunTotal = 0;
  int64_t RunRemaining = 0;

  // Copies Count bytes from Input's position to Output's in pieces of at most
  // 32,768 through the read pointer (CRC of width CrcWidth over the plain
  // bytes) and the encrypting write pointer (enciphering when Cipher), with
  // the counters above and progress. Returns the bytes written.
  int64_t StoreData(TStream* Input, TStream* Output, int64_t Count, bool Cipher, uint8_t CrcWidth = 32);

  // The temporary output and the old archive, while a run goes on.
  TStream* OutStream() const { return FOutStream.get(); }
  TStream* InStream() const { return FInStream.get(); }
  const std::string& TempFileName() const { return FTempName; }

 protected:
  // For a writer that runs the whole job itself instead of the work list.
  void CountFileAdded() { ++FFilesAdded; }
  // The run. Writers that do not use the work list (gzip) replace it.
  virtual void CompressArchive();
  // For each listed entry before OnRead; 0 in the base.
  virtual int ListEntryHook();
  // Writes one new entry from the file FileName (full path) into OutStream;
  // records it in CurrentItem() (Name, OutputOffset, Data). False when the
  // file was skipped (not opened, declined by BeginEntry).
  virtual bool CompressFile(const std::string& FileName);
  // Reads the old archive's first header (InStream, from HeaderPos); False
  // when there is none. The base sets the entry counter and calls ReadHeader.
  virtual bool ReadFirstHeader();
  // Size of the fixed header of the current old entry.
  virtual int64_t GetHeaderSize();
  // Reads the old archive's header at HeaderPos; False when none is there.
  virtual bool ReadHeader();
  // Moves HeaderPos to the next header and reads it; False at the end.
  virtual bool ReadNextHeader();
  // Reads the old archive's directory into the work list (AddOldEntry),
  // leaving out the entries that swDelete selects (counted by
  // NoteDeletedEntry). Empty in the base.
  virtual void GotoNextHeader();
  virtual void ProcessWorkList();
  // Closes the archive and puts it in place (ReplaceArchive) when anything
  // was written; a failure is reported with the name of the kept temporary
  // file.
  virtual void FinishArchive();
  // Fills Entry from the current old header, for OnRead.
  virtual void SetListedEntryInfo();
  // After the archive is complete; empty in the base.
  virtual void AfterArchive();
  // Moves TempName onto ArcName, replacing it, when anything was added or
  // deleted; otherwise deletes TempName. Both streams are closed first. When
  // the move fails TempName is kept (TempKept()). True on success.
  virtual bool ReplaceArchive(const std::string& TempName, const std::string& ArcName);

  // What the readers use for output names gives the stored name here (in
  // OutFileName).
  bool SetEntryFileName(const std::string& StoredName) override;
  // ExcludeSpec lines are compared in stored-name form.
  std::string SpecStoredName(const std::string& Line) override;

  // Before writing an entry: progress 0, OnBegin (with the entry number) and,
  // when it keeps Extract, OnRenameCompressedFile on Name. False when the
  // entry is to be skipped.
  bool BeginEntry(std::string& Name);
  // The stored name of the file being compressed: the name its work-list
  // line got when the file was found (the base folder of its FileSpec line is
  // gone by then), else MakeStoredName.
  std::string StoredNameOf(const std::string& FileName) const;
  // Puts the finished temporary output in place (ReplaceArchive) and notes
  // whether a new archive was written; a failure is reported naming the kept
  // temporary file, and raised when Raise.
  void PutArchiveInPlace(bool Raise);
  // Opens a file to compress for reading; nullptr when it cannot be opened.
  std::unique_ptr<TStream> OpenInputFile(const std::string& FileName);
  // Writes Count bytes to OutStream as they are (a short write raises).
  void WriteRaw(const void* Data, size_t Count);
  // Starts the counters of a new entry of Size bytes and resets the CRC.
  void StartEntry(int64_t Size);

  // The work list and the item being processed.
  std::vector<TWorkItem>& WorkList() { return FWorkList; }
  TWorkItem* CurrentItem() const { return FCurItem; }
  // An entry of the old archive as a format describes it for the walk.
  struct TOldEntry {
    std::string Stored;  // "\" separators, OEM
    int64_t Position = 0;
    int64_t HeaderLength = 0;
    int64_t PackedSize = 0;
    int64_t OldSize = 0;
    int OldDate = 0;
    int OldAttr = 0;
  };
  // Walks the old archive from ReadFirstHeader: the entries that swDelete
  // selects are counted and left out, every other one (as Describe gives the
  // current header) becomes a copy item. An entry that runs past the end of
  // the file raises 25236: copying it would write a damaged entry.
  void WalkOldEntries(const std::function<TOldEntry()>& Describe);
  // Appends an old entry to copy (action 2) under its stored name.
  TWorkItem& AddOldEntry(const std::string& StoredName);
  // Index of the item stored under Name (case-insensitive), -1 if none.
  int FindWorkItem(const std::string& Name) const;
  // An old entry that swDelete left out of the new archive.
  void NoteDeletedEntry() { ++FDeletedCount; }
  int DeletedCount() const { return FDeletedCount; }

  // The old archive's header position during listing and GotoNextHeader.
  int64_t HeaderPos = 0;
  // Bytes in front of the old archive's first entry (a program stub) that
  // are copied first; GotoNextHeader may set it, else StartOffset - 1.
  int64_t StubSize = -1;
  // Set by the writer's constructor.
  void SetWriterDefaultExt(const std::string& Ext);
  void SetWriterArcType(TArcType Type);
  // Whether the old archive existed when the run started.
  bool ArchiveExisted() const { return FArchiveExisted; }
  // Whether the last ReplaceArchive kept the temporary file after a failed
  // move.
  bool TempKept() const { return FTempKept; }
  // Reports that the new archive could not be put in place: OnError with
  // the archive and the kept temporary file, then, when Raise, E_RAISE 25136
  // whose message names the temporary file.
  void ReportReplaceFailure(bool Raise);
  // Closes the old archive and the temporary output.
  void CloseStreams();
  // Lists the old archive through OnRead (Switch swRead).
  void ListArchive();
  // A read-only, hidden or system archive is written only when
  // OnNonWriteableArchive allows it; its attributes are then cleared. False
  // when it may not be written.
  bool UnlockArchive(const std::string& Arc);
  // Turns the FileSpec lines into work-list items (RunTotal grows by their
  // sizes).
  void ExpandFileSpecs();

 private:
  int ExecCompress();
  void RunCompression();
  void ExpandSpecLine(const std::string& Line);
  void SearchFolder(const std::string& Dir, const std::string& Mask);
  void AddFoundFile(const std::string& FullName, const TSearchRec& F);
  void CopyOldEntry(TWorkItem& Item);
  // Copies Count bytes from the old archive's position to the output as
  // they are; returns the bytes copied.
  int64_t CopyRaw(int64_t Count);
  void DeleteMovedFiles();
  void ClearWorkList();

  TArcType FWriterArcType = atBh;
  TCompressMethod FCompressMethod = TCompressMethod::cmDeflate;
  TDeflateType FDeflateType = dtDeflateN;
  int FDeflateLevel = 7;
  std::string FDefaultDir;
  std::string FDefaultExt;
  std::string FWriterDefaultExt;
  std::string FBaseDir;  // of the FileSpec line being expanded
  std::vector<TWorkItem> FWorkList;
  std::unordered_map<std::string, int> FIndex;  // upper-cased stored name -> item
  std::vector<std::pair<std::string, std::string>> FMoved;  // files added: source, stored name
  TWorkItem* FCurItem = nullptr;
  std::unique_ptr<TStream> FInStream;
  std::unique_ptr<TBufferedWriteStream> FOutStream;
  std::string FTempName;
  bool FTempKept = false;
  bool FArchiveExisted = false;
  bool FArchiveWritten = false;
  int FFilesAdded = 0;
  int FDeletedCount = 0;
  int FMaxFileDate = 0;
};
