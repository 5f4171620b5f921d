#include "archive/formats/tar/untar.h"

#include <algorithm>

#include "archive/core/arcutil.h"
#include "archive/formats/tar/tar_format.h"

namespace {

struct TTarFoundRec {
  uint64_t Pos = 0;  // first block of the entry, long-name records included
};

// Types whose data is the file itself: regular and contiguous files. Links,
// devices, fifos, sparse files and the records that only describe the next
// entry are never written as files.
bool IsRegularFile(const TarHeader& H) {
  if (H.IsDirectory) return false;
  return H.TypeFlag == '\0' || H.TypeFlag == '0' || H.TypeFlag == '7';
}

// A name whose last part is empty, "." or ".." names a folder.
bool NamesAFile(const std::string& Name) {
  const size_t Sep = Name.find_last_of("/\\");
  const std::string Last = Sep == std::string::npos ? Name : Name.substr(Sep + 1);
  return !Last.empty() && Last != "." && Last != "..";
}

}  // namespace

TUnTAR::TUnTAR(TComponent* AOwner) : TUnBase(AOwner) {}

void TUnTAR::SelectEntries(TArcSource& Src) {
  RunTotal = RunRemaining = 0;
  MaxFileDate = 0;
  FoundList().Init(sizeof(TTarFoundRec));
  const bool Pending = SpecsPending(*FileSpec(), 0);
  uint64_t Pos = 0;
  bool InBadRun = false;
  Timer().Pause();
  while (Pos < uint64_t(ArchiveSize) && !Cancel) {
    TarHeader H;
    int Err = 0;
    if (!ReadTarHeader(Src, Pos, H, Err)) {
      if (Err != rdHeaderCrc && Err != rdBadFileHeader) break;
      // A damaged header gives no size to trust: the walk goes on block by
      // block to the next sound header, as GNU tar does, and the damage is
      // reported once per run of bad blocks.
      if (!InBadRun) ReportError(ArchiveFile(), "", Err);
      InBadRun = true;
      Pos += TarBlockSize;
      continue;
    }
    InBadRun = false;
    const std::string Name = OemToAnsiStr(H.FileName);
    // An entry without a name is selected so that its extraction reports it
    // as damaged; the walk goes on past its data.
    if (IsRegularFile(H) && (Name.empty() || NamesAFile(Name)) && IsFileIncluded(Name)) {
      TTarFoundRec Rec;
      Rec.Pos = H.Pos;
      FoundList().AddRec(Rec);
      RunTotal += int64_t(std::min<uint64_t>(H.Size, uint64_t(ArchiveSize)));
      const int Dos = DateTimeToFileDate(UnixToLocalDateTime(H.MTime));
      if (Dos > MaxFileDate) MaxFileDate = Dos;
      if (!Pending) break;
    }
    Pos = H.NextPos;
  }
  Timer().Resume();
  RunRemaining = RunTotal;
}

bool TUnTAR::ExtractEntry(TUntypedFile& F, TArcSource& Src, uint64_t Pos) {
  if (Cancel) return false;
  StartEntry();
  TarHeader H;
  int Err = 0;
  if (!ReadTarHeader(Src, Pos, H, Err)) {
    ReportError(ArchiveFile(), "", errSeek);
    return true;
  }
  // What the archive holds of the data; a cut archive gives less than the
  // header promises.
  const uint64_t Held = H.DataPos < uint64_t(ArchiveSize) ? uint64_t(ArchiveSize) - H.DataPos : 0;
  const int64_t Count = int64_t(std::min(H.Size, Held));
  Entry.FileName = OemToAnsiStr(H.FileName);
  Entry.Encrypted = false;
  Entry.PackedSize = Entry.UnpackedSize = uint32_t(std::min<uint64_t>(H.Size, UINT32_MAX));
  Entry.Crc = 0;
  Entry.Method = 0;
  Entry.MethodName = "Tarred";
  Entry.ExternalAttr = faArchive;
  Entry.Date = UnixToLocalDateTime(H.MTime);
  const int DosDate = DateTimeToFileDate(Entry.Date);
  if (!SetEntryFileName(H.FileName)) return true;

  bool Exists = false, Extract = false;
  if (!BeginEntry(Entry.Date, Exists, Extract)) return false;
  if (!Extract) {
    RunRemaining -= Count;
    DoProgress(0, 0, RunRemaining, RunTotal);
    return true;
  }

  bool Complete = false;
  TUntypedFile Out;
  try {
    if (OutputMode == omFile && !CreateOutputFile(Out, OutFileName)) RaiseError(OutFileName, errOpenFile);
    int64_t Copied = 0;
    try {
      if (!F.Seek(int64_t(H.DataPos))) RaiseError(ArchiveFile(), errSeek);
      TArcCodecIO Io(*this, &F, nullptr, &Out, nullptr);
      Io.PackedLeft = Count;
      Io.ReadCrcWidth = 0;
      Io.WriteCrcWidth = 32;
      Io.FileSize = Count;
      Io.ArchiveTotal = RunTotal;
      Io.ArchiveRemaining = RunRemaining;
      try {
        Copied = StoreCopy(Io, Count);
      } catch (...) {
        RunRemaining = Io.ArchiveRemaining;
        throw;
      }
      RunRemaining = Io.ArchiveRemaining;
    } catch (...) {
      CloseOutputFile(Out, faArchive, DosDate);
      throw;
    }
    if (!CloseOutputFile(Out, faArchive, DosDate)) RaiseError(OutFileName, errCloseFile);
    // Tar keeps no CRC: an entry passes when all its data was there.
    Complete = uint64_t(Copied) == H.Size;
    if (!Complete) ReportError(ReportName(), "", errReadFile);
  } catch (const EArcCancelled&) {
    return false;
  } catch (const E_RAISE&) {
    if (Cancel) return false;
  }
  EndEntry(Complete, false);
  return true;
}

void TUnTAR::ExtractArchive(TUntypedFile& ArcFile) {
  TUntypedFileSource Src(ArcFile, ArchiveSize);
  SelectEntries(Src);
  for (int i = 0; i < FoundList().Count(); ++i)
    if (!ExtractEntry(ArcFile, Src, FoundList().Rec<TTarFoundRec>(i).Pos)) return;
}
