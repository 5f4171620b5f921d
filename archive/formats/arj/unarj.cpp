#include "archive/formats/arj/unarj.h"

#include <algorithm>

#include "archive/codecs/codec_error.h"
#include "archive/core/arcutil.h"
#include "archive/formats/arj/arj_format.h"

namespace {

constexpr int errVersion = 25402;
constexpr uint8_t kMaxMinVersion = 3;
constexpr uint8_t kMaxMethod = 4;
// The main header must start this close to where the search begins.
constexpr uint64_t kMainHeaderScan = 25000;

struct TArjFoundRec {
  uint64_t Pos = 0;
  uint8_t Flags = 0;
  uint32_t PackedSize = 0;
  uint32_t UnpackedSize = 0;
};

// Only plain files are written: folders, and the volume and chapter labels
// of later ARJ versions, are not. On UNIX the mode word is no DOS attribute.
bool IsFileEntry(const ArjHeader& H) {
  if (H.FileType != ArjTypeBinary && H.FileType != ArjType7Bit) return false;
  return H.HasUnixTime() || !(H.FileMode & faDirectory);
}

TDateTime EntryDate(const ArjHeader& H) {
  return H.HasUnixTime() ? UnixToLocalDateTime(H.DosTime) : FileDateToDateTimeDef(int(H.DosTime));
}

// DOS attributes for the output file; a UNIX mode only gives read-only.
uint32_t EntryAttr(const ArjHeader& H) {
  if (!H.HasUnixTime()) return H.FileMode;
  return (H.FileMode & 0200) ? faArchive : faArchive | faReadOnly;
}

}  // namespace

TUnARJ::TUnARJ(TComponent* AOwner) : TUnBase(AOwner) {}

TUnARJ::~TUnARJ() = default;

void TUnARJ::FirstPass(TUntypedFile& F, int64_t Start) {
  RunTotal = RunRemaining = 0;
  MaxFileDate = 0;
  FoundList().Init(sizeof(TArjFoundRec));
  TUntypedFileSource Src(F, ArchiveSize);
  uint64_t MainPos = 0;
  int Err = 0;
  if (!FindArjMainHeader(Src, uint64_t(std::max<int64_t>(Start, 0)), kMainHeaderScan, MainPos, Err))
    RaiseError(ArchiveFile(), errBadArcType);
  ArjHeader H;
  if (!ReadArjMainHeader(Src, MainPos, H, Err)) RaiseError(ArchiveFile(), Err ? Err : errBadHeader);
  FMultiVolume = (H.Flags & ArjFlagVolume) != 0;
  FFirstEntryPos = H.NextPos;

  const bool Pending = SpecsPending(*FileSpec(), 0);
  Timer().Pause();
  for (uint64_t Pos = H.NextPos; !Cancel; Pos = H.NextPos) {
    if (!ReadArjHeader(Src, Pos, H, Err)) {
      // A damaged header gives no trustworthy way on: what came before it is
      // still extracted.
      if (Err) ReportError(ArchiveFile(), "", Err, IntToStr(VolumeNumber()));
      break;
    }
    if (!IsFileEntry(H)) continue;
    const std::string Name = OemToAnsiStr(H.FileName);
    if (H.MinVersion > kMaxMinVersion) {
      ReportError(Name, "", errVersion, IntToStr(VolumeNumber()));
      continue;
    }
    if (H.Method > kMaxMethod || (H.Method == 4 && H.ArchiverVersion == 1)) {
      ReportError(Name, "", errBadMethod, IntToStr(VolumeNumber()));
      continue;
    }
    if (!IsFileIncluded(Name)) continue;
    TArjFoundRec Rec;
    Rec.Pos = H.Pos;
    Rec.Flags = H.Flags;
    Rec.PackedSize = H.PackedSize;
    Rec.UnpackedSize = H.UnpackedSize;
    FoundList().AddRec(Rec);
    RunTotal += H.UnpackedSize;
    MaxFileDate = std::max(MaxFileDate, DateTimeToFileDate(EntryDate(H)));
    if (!Pending) break;
  }
  Timer().Resume();
  RunRemaining = RunTotal;
}

bool TUnARJ::NextVolume(TUntypedFile& F) {
  if (!OpenNextVolume(&F)) return false;
  FirstPass(F, 0);
  return true;
}

bool TUnARJ::GetPassword() {
  if (!Password.empty()) return true;
  const std::string Name = ReportName();
  if (!OnGetPassword) {
    ReportError(Name, "OnGetPassword", errEventMissing);
    SetComponentCancel(this, true);
    return false;
  }
  for (int Attempt = 0; Attempt < PasswordAttempts && Password.empty(); ++Attempt) {
    std::string P;
    bool TryAgain = true;
    Timer().Pause();
    OnGetPassword(this, Name, P, TryAgain);
    Timer().Resume();
    if (!TryAgain) break;
    Password = P;
  }
  if (Password.empty()) SetComponentCancel(this, true);
  return !Password.empty();
}

bool TUnARJ::DecodeSegment(TUntypedFile& F, TUntypedFile& Out, const ArjHeader& H, bool Garbled) {
  if (!F.Seek(int64_t(H.DataPos))) RaiseError(ArchiveFile(), errSeek);
  Crc32 = 0xFFFFFFFFu;
  ArjKeyModifier = H.PasswordModifier;
  ArjKeyPos = 0;
  TArcCodecIO Io(*this, &F, nullptr, &Out, nullptr);
  Io.PackedLeft = H.PackedSize;
  Io.Decrypt = Garbled;
  Io.ReadCrcWidth = 0;
  Io.WriteCrcWidth = 32;
  Io.FileSize = H.UnpackedSize;
  Io.ArchiveTotal = RunTotal;
  Io.ArchiveRemaining = RunRemaining;
  bool Decoded = true;
  RunDecoder(Io, [&] {
    try {
      switch (H.Method) {
        case 0: StoreCopy(Io, H.PackedSize); break;
        case 1:
        case 2:
        case 3:
          if (!FLzh) FLzh = std::make_unique<TLzhDecoder>();
          FLzh->Decode(Io, H.PackedSize, H.UnpackedSize, LzhArj);
          break;
        case 4:
          if (!FFast) FFast = std::make_unique<TArjFastDecoder>();
          FFast->Decode(Io, H.PackedSize, H.UnpackedSize);
          break;
        default: RaiseError(ReportName(), errBadMethod);
      }
    } catch (const ECodecError&) {
      // Garbled data deciphered with a wrong password rarely even decodes.
      if (!Garbled) throw;
      Decoded = false;
    }
  });
  return Decoded;
}

TUnARJ::TStep TUnARJ::ExtractEntry(TUntypedFile& F, uint64_t Pos) {
  if (Cancel) return TStep::Stop;
  StartEntry();
  ArjHeader H;
  int Err = 0;
  {
    TUntypedFileSource Src(F, ArchiveSize);
    if (!ReadArjHeader(Src, Pos, H, Err)) {
      if (Err) ReportError(ArchiveFile(), "", Err, IntToStr(VolumeNumber()));
      return Err ? TStep::Next : TStep::Stop;
    }
  }
  const bool Garbled = (H.Flags & ArjFlagGarbled) != 0;
  Entry.FileName = OemToAnsiStr(H.FileName);
  Entry.Encrypted = Garbled;
  Entry.PackedSize = H.PackedSize;
  Entry.UnpackedSize = H.UnpackedSize;
  Entry.Crc = H.FileCrc;
  Entry.Method = H.Method;
  Entry.MethodName = CompressMethodToStr(H.Method);
  Entry.Date = EntryDate(H);
  const uint32_t Attr = EntryAttr(H);
  Entry.ExternalAttr = int32_t(Attr);
  const int DosDate = DateTimeToFileDate(Entry.Date);
  if (!SetEntryFileName(H.FileName)) return TStep::Next;

  bool Exists = false, Extract = false;
  if (!BeginEntry(Entry.Date, Exists, Extract)) return TStep::Stop;
  if (!Extract) {
    RunRemaining -= H.UnpackedSize;
    DoProgress(0, 0, RunRemaining, RunTotal);
    return TStep::Next;
  }
  if (Garbled && !GetPassword()) return TStep::Stop;

  TUntypedFile Out;
  if (OutputMode == omFile && !CreateOutputFile(Out, OutFileName)) {
    ReportError(OutFileName, "", errOpenFile);
    return TStep::Next;
  }
  TStep Step = TStep::Next;
  bool Decoded = false, Pass = true, BadPassword = false;
  try {
    try {
      for (;;) {
        // Each volume's piece carries the CRC of its own data.
        if (!DecodeSegment(F, Out, H, Garbled) || ~Crc32 != H.FileCrc) {
          Pass = false;
          if (Garbled) {
            BadPassword = true;
            break;
          }
        }
        if (!(H.Flags & ArjFlagVolume)) break;
        // Until the next volume is open and read, the list of found entries
        // belongs to none.
        Step = TStep::Stop;
        if (!NextVolume(F)) {
          Pass = false;
          break;
        }
        Step = TStep::Joined;
        TUntypedFileSource Src(F, ArchiveSize);
        if (!ReadArjHeader(Src, FFirstEntryPos, H, Err) || !(H.Flags & ArjFlagExtFile))
          RaiseError(ArchiveFile(), errBadHeader, "", IntToStr(VolumeNumber()));
        StartEntry();
      }
      Decoded = true;
    } catch (...) {
      CloseOutputFile(Out, Attr, DosDate);
      throw;
    }
    if (!CloseOutputFile(Out, Attr, DosDate)) RaiseError(OutFileName, errCloseFile);
  } catch (const EArcCancelled&) {
    return TStep::Stop;
  } catch (const E_RAISE&) {
    if (Cancel) return TStep::Stop;
    Decoded = Pass = false;
  }
  EndEntry(Pass, Decoded);
  if (BadPassword) {
    // The next garbled entry asks again.
    Password.clear();
    RaiseError(ReportName(), errBadPassword);
  }
  return Step;
}

void TUnARJ::ExtractArchive(TUntypedFile& ArcFile) {
  FirstPass(ArcFile, StartOffset - 1);
  while (FoundList().Count() == 0 && FMultiVolume)
    if (!NextVolume(ArcFile)) return;
  for (;;) {
    for (int i = 0; i < FoundList().Count();) {
      const TArjFoundRec Rec = FoundList().Rec<TArjFoundRec>(i++);
      // The tail of an entry begun in the previous volume is written only by
      // joining it to its start.
      if (Rec.Flags & ArjFlagExtFile) continue;
      switch (ExtractEntry(ArcFile, Rec.Pos)) {
        case TStep::Stop: return;
        case TStep::Joined: i = 0; break;
        case TStep::Next: break;
      }
    }
    if (!FMultiVolume || Cancel || !NextVolume(ArcFile)) return;
  }
}
