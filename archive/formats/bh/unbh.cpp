#include "archive/formats/bh/unbh.h"

#include <algorithm>

#include "archive/core/arcutil.h"
#include "archive/core/zipcrypt.h"
#include "archive/formats/bh/bh_format.h"
#include "archive/formats/zip/unzip.h"

namespace {

struct TBhFileRec {
  uint64_t HeaderPos = 0;
};

}  // namespace

TUnBH::TUnBH(TComponent* AOwner) : TUnBase(AOwner) {}

TUnBH::~TUnBH() = default;

void TUnBH::SelectEntries(TUntypedFileSource& Src, uint64_t Start) {
  RunTotal = RunRemaining = 0;
  MaxFileDate = 0;
  FoundList().Init(sizeof(TBhFileRec));
  const bool Pending = SpecsPending(*FileSpec(), 0);
  BhHeader H;
  int Err = 0;
  Timer().Pause();
  for (uint64_t Pos = Start; !Cancel && ReadBhHeader(Src, Pos, H, Err); Pos = H.NextPos) {
    if (!IsFileIncluded(OemToAnsiStr(H.FileName))) continue;
    FoundList().AddRec(TBhFileRec{H.Pos});
    RunTotal += H.UnpackedSize;
    if (H.DosTime > uint32_t(MaxFileDate)) MaxFileDate = int(H.DosTime);
    if (!Pending) break;
  }
  Timer().Resume();
  RunRemaining = RunTotal;
  // Another signature where a header should be is the archive's end.
  if (Err && Err != rdHeaderId) ReportError(ArchiveFile(), "", Err);
}

int64_t TUnBH::Decode(TUntypedFile& F, TUntypedFile& Out, const BhHeader& H, uint64_t DataPos) {
  if (!F.Seek(int64_t(DataPos))) RaiseError(ArchiveFile(), errSeek);
  const bool Encrypted = H.Encrypted();
  if (H.Method == 0 || H.Method == 2 || H.Method == 8) {
    TZipFileRec Rec;
    Rec.Flags = uint16_t(H.Flags & 7);
    Rec.Method = H.Method == 0 ? 0 : 8;
    Rec.PackedSize = H.PackedSize;
    Rec.UnpackedSize = H.UnpackedSize;
    Rec.Crc = H.Crc;
    return UnzipByMethod(*this, &F, &Out, Rec, FZip);
  }
  if (H.Method != 1) RaiseError(ReportName(), errBadMethod);
  const int64_t Packed = std::max<int64_t>(0, int64_t(H.PackedSize) - (Encrypted ? int64_t(ZipEncryptHeaderSize) : 0));
  return DecodeEntry(F, Out, Packed, H.UnpackedSize, Encrypted, 32, [&](TArcCodecIO& Io) {
    if (!FLzh) FLzh = std::make_unique<TLzhDecoder>();
    FLzh->Decode(Io, uint64_t(Packed), H.UnpackedSize, LzhLh5);
  });
}

bool TUnBH::ExtractEntry(TUntypedFile& F, TUntypedFileSource& Src, uint64_t HeaderPos) {
  if (Cancel) return false;
  StartEntry();
  BhHeader H;
  int Err = 0;
  if (!ReadBhHeader(Src, HeaderPos, H, Err)) {
    if (Err) ReportError(ArchiveFile(), "", Err);
    return false;
  }
  Entry.FileName = OemToAnsiStr(H.FileName);
  Entry.Encrypted = H.Encrypted();
  Entry.PackedSize = uint32_t(H.PackedSize);
  Entry.UnpackedSize = uint32_t(H.UnpackedSize);
  Entry.Ratio = uint8_t(CalcRatio(H.PackedSize, H.UnpackedSize));
  Entry.Crc = H.Crc;
  Entry.Method = H.Method;
  Entry.MethodName = CompressMethodToStr(H.Method, H.Flags);
  Entry.ExternalAttr = H.Attributes;
  Entry.Date = DosDateToDateTime(int(H.DosTime));
  if (!SetEntryFileName(H.FileName)) return true;

  bool Exists = false, Extract = false;
  if (!BeginEntry(Entry.Date, Exists, Extract)) return false;
  if (!Extract) {
    RunRemaining -= H.UnpackedSize;
    DoProgress(0, 0, RunRemaining, RunTotal);
    return true;
  }
  uint64_t DataPos = H.DataPos;
  bool Passed = true;
  if (H.Encrypted() && H.PackedSize > 0) {
    uint8_t Crypt[ZipEncryptHeaderSize];
    if (H.PackedSize < ZipEncryptHeaderSize || Src.ReadAt(DataPos, Crypt, sizeof Crypt) != sizeof Crypt) {
      ReportError(ReportName(), "", errReadFile);
      EndEntry(false, false);
      return true;
    }
    Timer().Pause();
    const TPasswordResult Result = CheckPassword(Crypt, uint8_t(H.Crc >> 24));
    Timer().Resume();
    if (Result == TPasswordResult::prEndRun) return false;
    Passed = Result == TPasswordResult::prPassed;
    DataPos += ZipEncryptHeaderSize;
  }
  bool Decoded = false;
  int64_t Produced = 0;
  if (Passed && !WriteEntry(H.Attributes, int(H.DosTime),
                            [&](TUntypedFile& Out) { Produced = Decode(F, Out, H, DataPos); }, Decoded))
    return false;
  const bool Pass = Decoded && ~Crc32 == H.Crc && uint64_t(Produced) == H.UnpackedSize;
  EndEntry(Pass, Decoded);
  return true;
}

void TUnBH::ExtractArchive(TUntypedFile& ArcFile) {
  TUntypedFileSource Src(ArcFile, ArchiveSize);
  SelectEntries(Src, uint64_t(std::max<int64_t>(StartOffset - 1, 0)));
  for (int i = 0; i < FoundList().Count(); ++i)
    if (!ExtractEntry(ArcFile, Src, FoundList().Rec<TBhFileRec>(i).HeaderPos)) return;
}
