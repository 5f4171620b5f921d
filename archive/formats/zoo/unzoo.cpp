#include "archive/formats/zoo/unzoo.h"

#include <algorithm>

#include "archive/core/arcutil.h"
#include "archive/formats/zoo/zoo_format.h"

namespace {

struct TZooFoundRec {
  uint64_t Pos = 0;  // directory entry
};

enum : uint8_t { kStored = 0, kLzw = 1, kLh5 = 2 };

}  // namespace

TUnZOO::TUnZOO(TComponent* AOwner) : TUnBase(AOwner) {}

TUnZOO::~TUnZOO() = default;

void TUnZOO::SelectEntries(TArcSource& Src, uint64_t Start) {
  RunTotal = RunRemaining = 0;
  MaxFileDate = 0;
  FoundList().Init(sizeof(TZooFoundRec));
  const bool Pending = SpecsPending(*FileSpec(), 0);
  Timer().Pause();
  for (uint64_t Pos = Start; !Cancel;) {
    ZooEntry Z;
    int Err = 0;
    if (!ReadZooEntry(Src, Pos, Z, Err)) {
      if (Err == 0) break;
      // Names, comment or data past the end of the file: the chain itself
      // is sound, so only this entry is lost.
      if (Err == rdReadError && Z.Tag == ZooTag && Z.Next > Pos && Z.Next < Src.Size()) {
        if (!Z.Deleted) ReportError(ArchiveFile(), "", Err);
        Pos = Z.Next;
        continue;
      }
      // A broken chain leads nowhere further; what came before it is still
      // extracted.
      ReportError(ArchiveFile(), "", Err);
      break;
    }
    Pos = Z.Next;
    if (Z.Deleted) continue;
    if (!IsFileIncluded(OemToAnsiStr(Z.FileName))) continue;
    TZooFoundRec Rec;
    Rec.Pos = Z.Pos;
    FoundList().AddRec(Rec);
    RunTotal += Z.UnpackedSize;
    MaxFileDate = std::max(MaxFileDate, int(Z.DosDateTime()));
    if (!Pending) break;
  }
  Timer().Resume();
  RunRemaining = RunTotal;
}

bool TUnZOO::ExtractEntry(TUntypedFile& F, TArcSource& Src, uint64_t Pos) {
  if (Cancel) return false;
  StartEntry();
  ZooEntry Z;
  int Err = 0;
  if (!ReadZooEntry(Src, Pos, Z, Err)) {
    ReportError(ArchiveFile(), "", errSeek);
    return true;
  }
  Entry.FileName = OemToAnsiStr(Z.FileName);
  Entry.Encrypted = false;
  Entry.PackedSize = Z.PackedSize;
  Entry.UnpackedSize = Z.UnpackedSize;
  Entry.Crc = Z.FileCrc;
  Entry.Method = Z.Method;
  Entry.MethodName = CompressMethodToStr(Z.Method);
  Entry.ExternalAttr = faArchive;
  const int DosDate = int(Z.DosDateTime());
  Entry.Date = FileDateToDateTimeDef(DosDate);
  if (!SetEntryFileName(Z.FileName)) return true;

  bool Exists = false, Extract = false;
  if (!BeginEntry(Entry.Date, Exists, Extract)) return false;
  if (!Extract) {
    RunRemaining -= Z.UnpackedSize;
    DoProgress(0, 0, RunRemaining, RunTotal);
    return true;
  }

  bool Decoded = false;
  TUntypedFile Out;
  try {
    if (OutputMode == omFile && !CreateOutputFile(Out, OutFileName)) RaiseError(OutFileName, errOpenFile);
    try {
      if (!F.Seek(int64_t(Z.Offset))) RaiseError(ArchiveFile(), errSeek);
      TArcCodecIO Io(*this, &F, nullptr, &Out, nullptr);
      Io.PackedLeft = Z.PackedSize;
      Io.ReadCrcWidth = 0;
      Io.WriteCrcWidth = 16;
      Io.FileSize = Z.UnpackedSize;
      Io.ArchiveTotal = RunTotal;
      Io.ArchiveRemaining = RunRemaining;
      RunDecoder(Io, [&] {
        switch (Z.Method) {
          case kStored: StoreCopy(Io, Z.PackedSize); break;
          case kLzw:
            if (!FLzw) FLzw = std::make_unique<TZooLzwDecoder>();
            FLzw->Decode(Io, Z.PackedSize);
            break;
          case kLh5:
            if (!FLzh) FLzh = std::make_unique<TLzhDecoder>();
            FLzh->Decode(Io, Z.PackedSize, Z.UnpackedSize, LzhLh5);
            break;
          default: RaiseError(ReportName(), errBadMethod);
        }
      });
      Decoded = true;
    } catch (...) {
      CloseOutputFile(Out, faArchive, DosDate);
      throw;
    }
    if (!CloseOutputFile(Out, faArchive, DosDate)) RaiseError(OutFileName, errCloseFile);
  } catch (const EArcCancelled&) {
    return false;
  } catch (const E_RAISE&) {
    if (Cancel) return false;
    Decoded = false;
  }
  EndEntry(Decoded && Crc16 == Z.FileCrc, Decoded);
  return true;
}

void TUnZOO::ExtractArchive(TUntypedFile& ArcFile) {
  TUntypedFileSource Src(ArcFile, ArchiveSize);
  ZooArchiveHeader A;
  int Err = 0;
  if (!ReadZooArchiveHeader(Src, A, Err)) RaiseError(ArchiveFile(), Err ? Err : errBadHeader);
  SelectEntries(Src, A.Start);
  for (int i = 0; i < FoundList().Count(); ++i)
    if (!ExtractEntry(ArcFile, Src, FoundList().Rec<TZooFoundRec>(i).Pos)) return;
}
