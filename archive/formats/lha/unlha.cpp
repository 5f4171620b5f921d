#include "archive/formats/lha/unlha.h"

#include <algorithm>

#include "archive/core/arcutil.h"
#include "archive/formats/lha/lha_format.h"

namespace {

// The found-files record: where the entry's header is.
struct TLhaFileRec {
  uint64_t HeaderPos = 0;
};

TDateTime LhaEntryDate(const LhaHeader& H, TZipCommon& C) {
  return H.Level >= 2 ? UnixToLocalDateTime(H.Time) : C.DosDateToDateTime(int(H.Time));
}

}  // namespace

TUnLHA::TUnLHA(TComponent* AOwner) : TUnBase(AOwner) {}

TUnLHA::~TUnLHA() = default;

void TUnLHA::SelectEntries(TUntypedFileSource& Src, uint64_t Start) {
  RunTotal = RunRemaining = 0;
  MaxFileDate = 0;
  FoundList().Init(sizeof(TLhaFileRec));
  const bool Pending = SpecsPending(*FileSpec(), 0);
  LhaHeader H;
  int Err = 0;
  Timer().Pause();
  for (uint64_t Pos = Start; !Cancel && ReadLhaHeader(Src, Pos, H, Err); Pos = H.NextPos) {
    // Folders: "-lhd-", or a name that ends in a separator (Amiga LHA
    // stores them as "-lh0-").
    const std::string Name = OemToAnsiStr(H.FileName);
    if (H.IsDirectory || Name.empty() || Name.back() == '\\' || Name.back() == '/' || !IsFileIncluded(Name)) continue;
    FoundList().AddRec(TLhaFileRec{H.Pos});
    RunTotal += H.UnpackedSize;
    const int Dos = H.Level >= 2 ? DateTimeToFileDate(UnixToLocalDateTime(H.Time)) : int(H.Time);
    if (uint32_t(Dos) > uint32_t(MaxFileDate)) MaxFileDate = Dos;
    if (!Pending) break;
  }
  Timer().Resume();
  RunRemaining = RunTotal;
  if (Err) ReportError(ArchiveFile(), "", Err);
}

int64_t TUnLHA::Decode(TUntypedFile& F, TUntypedFile& Out, const LhaHeader& H) {
  if (!F.Seek(int64_t(H.DataPos))) RaiseError(ArchiveFile(), errSeek);
  // LArc's -lz4-/-lz5- and PMarc's -pm?- share the method characters of
  // -lh?- but not their coding.
  const char M = H.MethodId.compare(0, 3, "-lh") == 0 ? H.MethodChar : '\0';
  const TLzhParams* Params = M == '4' ? &LzhLh4 : M == '5' ? &LzhLh5 : M == '6' ? &LzhLh6 : nullptr;
  if (M != '0' && M != '1' && !Params) RaiseError(ReportName(), errBadMethod, H.MethodId);
  return DecodeEntry(F, Out, H.DataSize, H.UnpackedSize, false, 16, [&](TArcCodecIO& Io) {
    if (M == '0') {
      StoreCopy(Io, H.DataSize);
    } else if (M == '1') {
      if (!FLzhuf) FLzhuf = std::make_unique<TLzhufCodec>();
      FLzhuf->Decode(Io, H.DataSize, H.UnpackedSize);
    } else {
      if (!FLzh) FLzh = std::make_unique<TLzhDecoder>();
      FLzh->Decode(Io, H.DataSize, H.UnpackedSize, *Params);
    }
  });
}

bool TUnLHA::ExtractEntry(TUntypedFile& F, TUntypedFileSource& Src, uint64_t HeaderPos) {
  if (Cancel) return false;
  StartEntry();
  LhaHeader H;
  int Err = 0;
  if (!ReadLhaHeader(Src, HeaderPos, H, Err)) {
    if (Err) ReportError(ArchiveFile(), "", Err);
    return false;
  }
  Entry.FileName = OemToAnsiStr(H.FileName);
  Entry.Encrypted = false;
  Entry.PackedSize = uint32_t(H.DataSize);
  Entry.UnpackedSize = uint32_t(H.UnpackedSize);
  Entry.Ratio = uint8_t(CalcRatio(H.DataSize, H.UnpackedSize));
  Entry.Crc = H.Crc;
  Entry.Method = uint8_t(H.MethodChar);
  Entry.MethodName = H.MethodId;
  Entry.ExternalAttr = H.Attribute;
  Entry.Date = LhaEntryDate(H, *this);
  if (!SetEntryFileName(H.FileName)) return true;
  const int DosDate = H.Level >= 2 ? DateTimeToFileDate(Entry.Date) : int(H.Time);

  bool Exists = false, Extract = false;
  if (!BeginEntry(Entry.Date, Exists, Extract)) return false;
  if (!Extract) {
    RunRemaining -= H.UnpackedSize;
    DoProgress(0, 0, RunRemaining, RunTotal);
    return true;
  }
  bool Decoded = false;
  int64_t Produced = 0;
  if (!WriteEntry(H.Attribute, DosDate, [&](TUntypedFile& Out) { Produced = Decode(F, Out, H); }, Decoded))
    return false;
  const bool Pass = Decoded && Crc16 == H.Crc && uint64_t(Produced) == H.UnpackedSize;
  EndEntry(Pass, Decoded);
  return true;
}

void TUnLHA::ExtractArchive(TUntypedFile& ArcFile) {
  TUntypedFileSource Src(ArcFile, ArchiveSize);
  const uint64_t Start = LhaFirstHeaderPos(Src, uint64_t(std::max<int64_t>(StartOffset - 1, 0)));
  SelectEntries(Src, Start);
  for (int i = 0; i < FoundList().Count(); ++i)
    if (!ExtractEntry(ArcFile, Src, FoundList().Rec<TLhaFileRec>(i).HeaderPos)) return;
}
