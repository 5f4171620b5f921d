// Base of every extractor and of the integrity tester: one extraction or test
// run (checks, opening the archive, start and end events, timing) around the
// format's own loop, and the steps that loop shares for each entry: the
// overwrite decision before writing, the file date and attributes after it,
// and the copy of a stored entry.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "archive/core/untypedfile.h"
#include "archive/core/zipcommon.h"

class TArcCodecIO;

class TUnBase : public TZipCommon {
 public:
  explicit TUnBase(TComponent* AOwner);
  ~TUnBase() override;

  bool RestoreFileAttr = true;
  TCpuType CpuType = TCpuType::cptAuto;  // stored only

  // Extracts the entries that FileSpec selects into files; returns the number
  // of entries written completely and found sound.
  int Extract();
  // Decodes and checks the selected entries without writing anything.
  int TestArchive();

  // Entries selected by the loop's first pass, in archive order.
  TArcFileList& FoundList() { return FFoundList; }

  // Run state the loops and decoders share: the unpacked bytes of the run
  // and those still to write, and the newest DOS date-time of the selected
  // entries (for daMaxFileDate).
  int64_t RunTotal = 0;
  int64_t RunRemaining = 0;
  int MaxFileDate = 0;

  // Entries begun in this run (OnBegin's RecNum) and entries found sound.
  int EntriesBegun() const { return FEntriesBegun; }
  int FilesExtracted() const { return FFilesExtracted; }

  // The full name of the last file the run created (for a gzip or UUE/XXE
  // file, the one file it holds); empty when nothing was written.
  const std::string& FileName() const { return FFileName; }

  // The current output name would overwrite the archive being read.
  bool OutputIsArchive() const;

  // The name the reports of the current entry carry: the output name when
  // writing files, the stored name otherwise.
  std::string ReportName() const;

  // Types read through an outside library: the extractor does not open the
  // archive itself.
  static bool IsLibraryType(TArcType T);

  // Copies Count stored bytes through Io (which deciphers, keeps the CRC and
  // reports progress) in pieces of at most 32,768 bytes; returns the bytes
  // copied.
  int64_t StoreCopy(TArcCodecIO& Io, int64_t Count);

  // Runs Decode, which moves the entry's data through Io. A codec error or a
  // lack of memory is reported for the entry and raised as E_RAISE; the
  // run's remaining bytes follow Io however Decode ends.
  void RunDecoder(TArcCodecIO& Io, const std::function<void()>& Decode);

 protected:
  bool CreateOutputFile(TUntypedFile& F, const std::string& Name) override;

  // The format's extraction loop; ArcFile is open unless the type is read
  // through a library.
  virtual void ExtractArchive(TUntypedFile& ArcFile);

  // Before writing an entry whose output name is in OutFileName and whose
  // stored name is in Entry.FileName. Returns False once Cancel is set;
  // Extract tells whether to write this entry, Exists whether the output
  // existed already. With ConfirmOverwrites and no OnFileExists handler every
  // existing output of the run is skipped, but OverwriteMode keeps the
  // user's setting for later runs. An output that would overwrite the
  // archive being read is refused (25171) and the entry skipped.
  bool BeginEntry(TDateTime Date, bool& Exists, bool& Extract);
  // After writing (file output only): date by DateAttribute, close, and the
  // stored attributes when RestoreFileAttr. False when the close failed.
  bool CloseOutputFile(TUntypedFile& F, uint32_t Attr, int DosDateTime);
  // The entry's result: OnEnd with Pass, or without OnEnd a failure of a
  // decoded entry is reported as 25151. Sound entries are counted.
  void EndEntry(bool Pass, bool Decoded);

  // Zeroes the running CRC and test counters before an entry.
  void StartEntry();

  // Finds the password that opens an entry's 12-byte encryption header
  // whose last byte must decipher to Check: Password, then each line of
  // Passwords, then OnGetPassword up to PasswordAttempts times (a right
  // answer becomes the first line of Passwords, a wrong one reports 26517).
  // prSkip: no OnGetPassword (25270 reported); prEndRun: every answer was
  // wrong (26522 reported).
  enum class TPasswordResult { prPassed, prSkip, prEndRun };
  TPasswordResult CheckPassword(const uint8_t (&Header)[12], uint8_t Check);

  // Runs a codec over the current entry: Packed bytes from In's position
  // (deciphered when Decrypt) to Out through the decrypting write pointer
  // with a running CRC of CrcWidth, with progress. Codec failures and lack
  // of memory are raised through RaiseError naming the entry. Returns the
  // unpacked bytes produced.
  int64_t DecodeEntry(TUntypedFile& In, TUntypedFile& Out, int64_t Packed, int64_t Unpacked, bool Decrypt,
                      uint8_t CrcWidth, const std::function<void(TArcCodecIO&)>& Decode);
  // Creates the output of the current entry (file mode), runs Write on it
  // and closes it with Attr and DosDateTime, also when Write raises. False
  // once the run is cancelled; otherwise Done tells whether Write ran to its
  // end (a failure was reported through OnError).
  bool WriteEntry(uint32_t Attr, int DosDateTime, const std::function<void(TUntypedFile&)>& Write, bool& Done);

 private:
  int ExecExtract();
  // Reports 25171 when the output file would be the archive being read.
  bool RefuseArchiveAsOutput();

  TArcFileList FFoundList;
  int FEntriesBegun = 0;
  std::string FFileName;
  int FFilesExtracted = 0;
};
