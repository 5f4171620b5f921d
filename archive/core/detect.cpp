#include "archive/core/detect.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "archive/core/arctables.h"
#include "archive/core/arcutil.h"
#include "archive/core/bytes.h"
#include "archive/core/peresources.h"
#include "framework/core/streams.h"
#include "framework/core/sysutils.h"

namespace {

constexpr int64_t MinArchiveSize = 20;
constexpr int64_t FirstLook = 32767;
constexpr int64_t UueLook = 2500;
constexpr int64_t SfxScanStart = 17000;
constexpr int64_t SfxScanLength = 6 * 32768;
constexpr int64_t StubOffsets[] = {7612, 15770, 25661};
constexpr unsigned ResStringIdCount = 4;

class TStreamStrings : public TModuleStrings {
 public:
  explicit TStreamStrings(TStream& S) : FStream(S) {}
  bool Load() override { return FReader.Open(FStream); }
  std::string ReadString(unsigned Id) override { return FReader.ReadString(Id); }

 private:
  TStream& FStream;
  TPeResourceReader FReader;
};

class TFileStrings : public TModuleStrings {
 public:
  explicit TFileStrings(std::string FileName) : FFileName(std::move(FileName)) {}
  bool Load() override { return FStrings.Load(FFileName); }
  std::string ReadString(unsigned Id) override { return FStrings.ReadString(Id); }

 private:
  std::string FFileName;
  TProgramStrings FStrings;
};

class TDetector {
 public:
  TDetector(TStream& S, const TDetectDrive& Drive, int CmntBufSize, TModuleStrings& Strings)
      : FStream(S), FSpanned(IsSpannedDisk(Drive)), FCmntBufSize(CmntBufSize), FStrings(Strings) {}

  TDetectResult Run();

 private:
  // Bytes read at Pos, as many as the file holds up to N.
  std::vector<uint8_t> ReadUpTo(int64_t Pos, int64_t N);
  bool ReadU32(int64_t Pos, uint32_t& V);
  void SetStart(TArcType T, int64_t Pos) {
    R.ArcType = T;
    R.StartOffset = IsZipArcType(T) ? Pos : Pos + 1;
  }
  void TakeZip(const TZipLocation& Loc) {
    R.Zip = Loc;
    R.Flags = Loc.Flags;
  }
  bool CheckZipStart();
  bool ProbeProgram(const std::vector<uint8_t>& Block);
  bool ProbeResourceStrings();
  bool ProbeDosImage(const std::vector<uint8_t>& Block);
  void ScanSfxSignature(int64_t Start);
  void ProbePlain(const std::vector<uint8_t>& Block);
  bool ProbeUue();
  bool ProbeTar();
  void ProbeSmall();
  bool ProbeShiftedZip(const TZipLocation& Loc);
  static bool AceMark(const std::vector<uint8_t>& Block) {
    return Block.size() >= 14 && std::memcmp(Block.data() + 7, "**ACE**", 7) == 0;
  }
  void SettleZipStart();

  TStream& FStream;
  int64_t FSize = 0;
  bool FSpanned;
  int FCmntBufSize;
  TModuleStrings& FStrings;
  TDetectResult R;
};

std::vector<uint8_t> TDetector::ReadUpTo(int64_t Pos, int64_t N) {
  std::vector<uint8_t> Buf;
  if (Pos < 0 || Pos >= FSize || N <= 0) return Buf;
  N = std::min(N, FSize - Pos);
  Buf.resize(size_t(N));
  if (FStream.Seek(Pos, soFromBeginning) != Pos) return {};
  int64_t Done = 0;
  while (Done < N) {
    const int32_t Got = FStream.Read(Buf.data() + Done, int32_t(std::min<int64_t>(N - Done, 1 << 20)));
    if (Got <= 0) break;
    Done += Got;
  }
  Buf.resize(size_t(Done));
  return Buf;
}

bool TDetector::ReadU32(int64_t Pos, uint32_t& V) {
  const std::vector<uint8_t> B = ReadUpTo(Pos, 4);
  if (B.size() != 4) return false;
  V = GetLE32(B.data());
  return true;
}

// A Zip at the start, or behind one of the fixed-size program stubs.
bool TDetector::CheckZipStart() {
  uint32_t Sig;
  if (ReadU32(0, Sig) && Sig == ZipLocalSig) {
    const TZipLocation Loc = FindZipCentralDir(FStream, FCmntBufSize);
    if (Loc.Offset > 0) {
      TakeZip(Loc);
      SetStart(atZip, Loc.Offset);
      return true;
    }
    return false;
  }
  for (int64_t Stub : StubOffsets) {
    if (FSize > Stub + 4 && ReadU32(Stub, Sig) && Sig == ZipLocalSig) {
      SetStart(atZipExe, Stub);
      if (Stub != 25661) R.Flags = zfLocalFound;
      return true;
    }
  }
  return false;
}

// A program whose string resources 1 to 4 may name the archive's offset.
bool TDetector::ProbeResourceStrings() {
  for (unsigned Id = 1; Id <= ResStringIdCount; ++Id) {
    const std::string S = FStrings.ReadString(Id);
    if (S.empty() || S.size() > 18 || !IsAllDigits(S)) break;
    const int64_t Pos = StrToInt64Def(S, -1);
    if (Pos < 0 || Pos >= FSize) break;
    uint32_t Sig;
    if (!ReadU32(Pos, Sig)) continue;
    int64_t Offset = 0;
    uint8_t Flags = 0;
    const TArcType T = ArcTypeFromSignature(0, Sig, FSpanned, Offset, Flags);
    if (T != atUnknown) {
      SetStart(T, Pos);
      R.Flags = zfLocalFound;
      return true;
    }
  }
  return false;
}

// A DOS program: the archive may follow the program image directly.
bool TDetector::ProbeDosImage(const std::vector<uint8_t>& Block) {
  if (Block.size() < 6) return false;
  const int64_t LastPage = GetLE16(Block.data() + 2), Pages = GetLE16(Block.data() + 4);
  // A last-page count of 0 means the last page is full.
  const int64_t End = LastPage == 0 ? Pages * 512 : (Pages - 1) * 512 + LastPage;
  if (End <= 0 || End + 4 >= FSize) return false;
  uint32_t Sig;
  if (!ReadU32(End, Sig)) {
    R.ArcType = atFileOpenErr;
    return true;
  }
  int64_t Pos = End;
  if ((Sig >> 16) == 0xEA60) Pos += 2;
  if (Pos + 1 + 4 >= FSize || !ReadU32(Pos, Sig) || Sig == ZipLocalSig) return false;
  int64_t Offset = 0;
  uint8_t Flags = 0;
  const TArcType T = ArcTypeFromSignature(0, Sig, FSpanned, Offset, Flags);
  if (!IsKnownArcType(T) || Offset > FSize) return false;
  SetStart(T, Pos);
  if (Offset != 0) R.StartOffset = Offset;
  R.Flags |= Flags;
  return true;
}

void TDetector::ScanSfxSignature(int64_t Start) {
  R.ArcType = atUnknown;
  if (FSize <= Start) return;
  // Four bytes past the scanned range, so a mark is seen whole at its end.
  const std::vector<uint8_t> B = ReadUpTo(Start, SfxScanLength + 4);
  const size_t Scan = std::min<size_t>(B.size(), size_t(SfxScanLength));
  for (size_t i = 0; i < Scan; ++i) {
    const int64_t Pos = Start + int64_t(i);
    const uint8_t* P = B.data() + i;
    const size_t Left = B.size() - i;
    if (Left >= 5 && P[0] == '-' && P[1] == 'l' && P[2] == 'h' && P[4] == '-' && Pos + 5 < FSize && Pos >= 2) {
      SetStart(atLhaExe, Pos - 2);
      return;
    }
    if (Left >= 4 && GetLE32(P) == ZipLocalSig) {
      SetStart(atZipExe, Pos);
      R.Flags = zfLocalFound;
      return;
    }
    if (Left >= 4 && std::memcmp(P, "Rar!", 4) == 0) {
      SetStart(atRarExe, Pos);
      return;
    }
  }
}

bool TDetector::ProbeProgram(const std::vector<uint8_t>& Block) {
  R.ArcType = atUnknown;
  if (FStrings.Load()) {
    ProbeResourceStrings();
    return true;
  }
  if (ProbeDosImage(Block)) return true;
  R.StartOffset = 1;
  R.Flags = 0;
  R.Zip = TZipLocation();
  TZipLocation Loc = FindZipEndRecord(FStream, FCmntBufSize);
  if (Loc.Offset > 0) {
    TakeZip(Loc);
    SetStart(atZipExe, Loc.Offset);
    return true;
  }
  if (Loc.EndFound()) {
    Loc = FindZipCentralDir(FStream, FCmntBufSize);
    if (Loc.Offset > 0) {
      TakeZip(Loc);
      SetStart(atZipExe, Loc.Offset);
      return true;
    }
  }
  ScanSfxSignature(SfxScanStart);
  return true;
}

void TDetector::ProbePlain(const std::vector<uint8_t>& Block) {
  size_t Pos = 0;
  while (Pos < Block.size() && Block[Pos] == 0) ++Pos;
  uint8_t Sig[4] = {0, 0, 0, 0};
  std::memcpy(Sig, Block.data() + Pos, std::min<size_t>(4, Block.size() - Pos));
  const uint32_t S = GetLE32(Sig);
  int64_t Offset = 0;
  uint8_t Flags = 0;
  TArcType T = ArcTypeFromSignature(1, S, FSpanned, Offset, Flags);
  // A self-extractor mark whose fixed archive offset lies past the file end.
  if (Offset > FSize) T = atUnknown;
  SetStart(T, int64_t(Pos));
  if (Offset != 0 && T != atUnknown) R.StartOffset = Offset;
  R.Flags |= Flags;
  if (T == atZipMV && (S >> 16) == 0x0201) TakeZip(FindZipEndRecord(FStream, FCmntBufSize));

  if (T == atJar || T == atZip || T == atZipExe) {
    if (FSpanned) R.ArcType = atZipMV;
    const TZipLocation Loc = FindZipEndRecord(FStream, FCmntBufSize);
    R.Zip = Loc;
    if (Loc.Offset > 0) {
      R.Flags = Loc.Flags;
      R.StartOffset = Loc.Offset;
    } else {
      // The local headers start right here (behind the spanned-set mark).
      int64_t Local = int64_t(Pos);
      uint32_t Next;
      if (S == ZipDescriptorSig && ReadU32(Local + 4, Next) && Next == ZipLocalSig) Local += 4;
      R.StartOffset = Local;
      R.Flags = uint8_t((Loc.Flags & ~zfCentralFound) | zfLocalFound);
    }
  } else if (R.ArcType != atZipMV && AceMark(Block)) {
    R.ArcType = atACE;
    R.StartOffset = 1;
  }
}

bool TDetector::ProbeUue() {
  const std::vector<uint8_t> B = ReadUpTo(0, UueLook);
  static const char Begin[] = "begin ";
  for (size_t i = 0; i + 6 <= B.size(); ++i) {
    if ((i == 0 || B[i - 1] == '\n') && std::memcmp(B.data() + i, Begin, 6) == 0) {
      R.ArcType = atUue;
      R.StartOffset = 1;
      return true;
    }
  }
  return false;
}

// The types whose smallest sound file is shorter than the general minimum: a
// compress (.Z) file is a 3-byte header and its codes, a uuencoded file of a
// few bytes is shorter than 20 as well.
void TDetector::ProbeSmall() {
  const std::vector<uint8_t> B = ReadUpTo(0, FSize);
  if (B.size() >= 3 && B[0] == 0x1F && B[1] == 0x9D) {
    R.ArcType = atGZip;
    R.StartOffset = 1;
    return;
  }
  if (!ProbeUue()) R.ArcType = atFileOpenErr;
}

bool TDetector::ProbeTar() {
  if (FSize <= 512) return false;
  std::vector<uint8_t> B = ReadUpTo(0, 512);
  if (B.size() != 512) return false;
  // A volume-header block stands before the first entry.
  if (B[156] == 'V' && FSize >= 1024) B = ReadUpTo(512, 512);
  if (B.size() != 512) return false;
  const int64_t Stored = OctalToInt(std::string(reinterpret_cast<const char*>(B.data() + 148), 8));
  int64_t Sum = 0;
  for (size_t i = 0; i < 512; ++i) Sum += (i >= 148 && i < 156) ? ' ' : B[i];
  if (Stored != Sum) return false;
  R.ArcType = atTar;
  R.StartOffset = 1;
  return true;
}

// A Zip behind bytes that its offsets do not count (a stub put in front
// without adjusting them): the directory ends where the end record starts,
// which tells by how much every offset is short.
bool TDetector::ProbeShiftedZip(const TZipLocation& Loc) {
  const int64_t Central = Loc.EndOffset - int64_t(Loc.End.CentralDirSize);
  const int64_t Shift = Central - int64_t(Loc.End.CentralDirOffset);
  if (Central < 0 || Shift <= 0) return false;
  TZipCentralHeader First;
  if (!ReadZipRecordAt(FStream, Central, First) || !First.Valid()) return false;
  const int64_t Local = Shift + int64_t(First.LocalHeaderOffset);
  TZipLocalHeader Head;
  if (!ReadZipRecordAt(FStream, Local, Head) || !Head.Valid()) return false;
  R.Zip = Loc;
  R.Zip.Central = First;
  R.Zip.Local = Head;
  R.Flags = zfEndFound | zfLocalFound;
  SetStart(atZip, Local);
  return true;
}

// For the Zip types the lister reads central headers from StartOffset when
// zfCentralFound is set and local headers otherwise; keep the two in step.
void TDetector::SettleZipStart() {
  if (R.ArcType != atZip && R.ArcType != atZipExe) return;
  uint32_t Sig = 0;
  ReadU32(R.StartOffset, Sig);
  if (Sig == ZipCentralSig)
    R.Flags |= zfCentralFound;
  else
    R.Flags &= uint8_t(~zfCentralFound);
}

TDetectResult TDetector::Run() {
  R.ArcType = atFileOpenErr;
  FSize = FStream.Size();
  R.ArchiveSize = FSize < 0 ? 0 : FSize;
  if (FSize < MinArchiveSize) {
    ProbeSmall();
    return R;
  }

  if (!CheckZipStart()) {
    R = TDetectResult();
    R.ArchiveSize = FSize;
    const std::vector<uint8_t> Block = ReadUpTo(0, FirstLook);
    if (Block.size() < size_t(MinArchiveSize)) {
      R.ArcType = atFileOpenErr;
      return R;
    }
    if (Block[0] == 'M' && Block[1] == 'Z') {
      ProbeProgram(Block);
    } else {
      ProbePlain(Block);
      if (!IsKnownArcType(R.ArcType)) {
        R.StartOffset = 1;
        if (FSpanned) {
          const TZipLocation Loc = FindZipEndRecord(FStream, FCmntBufSize);
          R.Zip = Loc;
          R.Flags = Loc.Flags;
          if (R.Flags < zfLocalFound) R.ArcType = atZipMV;
        }
        if (!IsKnownArcType(R.ArcType)) {
          if (AceMark(Block)) {
            R.ArcType = atACE;
          } else if (!ProbeUue() && !ProbeTar()) {
            const TZipLocation Loc = FindZipEndRecord(FStream, FCmntBufSize);
            if (Loc.Offset > 0) {
              TakeZip(Loc);
              SetStart(atZip, Loc.Offset);
            } else if (Loc.EndFound()) {
              ProbeShiftedZip(Loc);
            }
          }
        }
      }
    }
  }
  SettleZipStart();
  return R;
}

}  // namespace

bool IsSpannedDisk(const TDetectDrive& Drive) {
  return Drive.Removable && Drive.VolumeLabel.find("PKBACK# ") != std::string::npos;
}

bool IsKnownArcType(TArcType T) { return T != atNA && T != atUnsupported && T != atFileOpenErr && T != atUnknown; }

bool IsZipArcType(TArcType T) { return T == atJar || T == atZip || T == atZipExe || T == atZipMV; }

TArcType ArcTypeFromSignature(int Mode, uint32_t Signature, bool SpannedDisk, int64_t& StartOffset,
                              uint8_t& Flags) {
  const uint16_t L = uint16_t(Signature), H = uint16_t(Signature >> 16);
  auto ByMode = [Mode](TArcType Plain, TArcType InProgram) {
    return Mode == 1 ? Plain : Mode == 0 ? InProgram : atNA;
  };
  if (L == 0x4B50 && H == 0x0807) {
    Flags = zfLocalFound;
    return SpannedDisk ? atZipMV : atZip;
  }
  if (L == 0x4B50 && H == 0x0201) return SpannedDisk ? atZipMV : atNA;
  if (L == 0x4B50 && H == 0x3447) return atNA;
  if (L == 0x4B50) return ByMode(atZip, atZipExe);
  if (Signature == 0x4643534D) return ByMode(atCab, atUnsupported);
  if (Signature == 0x07054842) return ByMode(atBh, atBhExe);
  if (Signature == 0x8C655D13) return ByMode(atMsGZ, atUnsupported);
  if (L == 0x4148) return ByMode(atHa, atUnsupported);
  // "%!" (PostScript) is no gzip: the gzip walk does not take it either.
  if (L == 0x8B1F || L == 0x9D1F || L == 0x9E1F || L == 0xA01F || L == 0x1E1F) return ByMode(atGZip, atUnsupported);
  if (L == 0xEA60) return ByMode(atArj, atArjExe);
  if (L == 0x4F5A) return ByMode(atZoo, atUnsupported);
  if (H == 0x6C2D) return ByMode(atLha, atLhaExe);
  if (Signature == 0x21726152) return ByMode(atRar, atRarExe);
  if (L == 0x0A1A || L == 0x0B1A) return ByMode(atPak, atPakExe);
  if (L == 0x1E1A || L == 0x1F1A || L == 0x021A) return ByMode(atArc, atUnsupported);
  // ARC archives start with whatever method their first entry got: packed,
  // squeezed and the crunched variants as well as squashed.
  if ((L & 0xFF) == 0x1A && (L >> 8) >= 3 && (L >> 8) <= 9) return ByMode(atArc, atArcExe);
  if (L == 0x92B7 || L == 0xDFB7) {
    StartOffset = 7717;
    return atArcExe;
  }
  return atUnknown;
}

TDetectResult DetectArcTypeStream(TStream& Stream, const std::string& FileName, const TDetectDrive& Drive,
                                  int ZipCmntBufSize, TModuleStrings* Strings) {
  TStreamStrings Own(Stream);
  TDetectResult R;
  try {
    R = TDetector(Stream, Drive, ZipCmntBufSize, Strings ? *Strings : Own).Run();
  } catch (const std::exception&) {
    R = TDetectResult();
    R.ArcType = atFileOpenErr;
  }
  if (R.ArcType == atZip && SameText(ExtractFileExt(FileName), ArcExtensions[ArcExtJarIndex])) R.ArcType = atJar;
  return R;
}

TDetectResult DetectArcType(const std::string& FileName, const TDetectDrive& Drive, int ZipCmntBufSize) {
  TDetectResult R;
  if (FileName.empty()) return R;
  R.ArcType = atFileOpenErr;
  std::unique_ptr<TFileStream> File;
  try {
    File = std::make_unique<TFileStream>(FileName, fmOpenRead | fmShareDenyNone);
  } catch (const std::exception&) {
    return R;
  }
  TFileStrings Strings(FileName);
  R = DetectArcTypeStream(*File, FileName, Drive, ZipCmntBufSize, &Strings);
  if (IsKnownArcType(R.ArcType)) {
    const int Age = FileAge(FileName);
    R.ArchiveDate = Age == -1 ? 29221 : Age;
  }
  return R;
}
