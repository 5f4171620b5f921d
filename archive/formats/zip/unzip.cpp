#include "archive/formats/zip/unzip.h"

#include <algorithm>
#include <new>
#include <vector>

#include "archive/codecs/codec_error.h"
#include "archive/codecs/explode.h"
#include "archive/codecs/inflate.h"
#include "archive/codecs/unreduce.h"
#include "archive/codecs/unshrink.h"
#include "archive/core/arcutil.h"
#include "archive/core/bytes.h"
#include "archive/core/codec_run.h"
#include "archive/core/zipcrypt.h"
#include "archive/core/ziprecords.h"

namespace {

constexpr int errLocalHeader = 25248;

// The codec input of a spanned set goes on with the next disk when a disk
// ends inside an entry.
class TZipCodecIO : public TArcCodecIO {
 public:
  TZipCodecIO(TUnBase& Owner, TUntypedFile* InFile, TStream* InStream, TUntypedFile* OutFile, TStream* OutStream)
      : TArcCodecIO(Owner, InFile, InStream, OutFile, OutStream), FOwner(Owner), FIn(InFile) {}

  size_t ReadPacked(uint8_t* Buf, size_t Count) override {
    size_t N = TArcCodecIO::ReadPacked(Buf, Count);
    if (N == 0 && Count && PackedLeft > 0 && FOwner.ArcType() == atZipMV && FIn) {
      if (!NextDisk()) return 0;
      N = TArcCodecIO::ReadPacked(Buf, Count);
      if (N == 0) FOwner.Cancel = true;
    }
    return N;
  }

 private:
  bool NextDisk() {
    const int Disk = FOwner.VolumeNumber();
    while (FOwner.VolumeNumber() != Disk + 1) {
      FOwner.Cancel = true;
      if (!FOwner.OnGetZipNextDisk) return false;
      bool Cancelled = true;
      FOwner.Timer().Pause();
      FOwner.OnGetZipNextDisk(&FOwner, IntToStr(Disk + 1), Cancelled);
      FOwner.Timer().Resume();
      FOwner.Cancel = Cancelled;
      if (Cancelled) return false;
      FOwner.DiskManager()->RefreshDriveInfo();
      FOwner.GetSpanDiskNumber();
      if (!FOwner.DiskManager()->IsRemovable()) FOwner.SetVolumeNumber(Disk + 1);
    }
    FOwner.OpenArchive(*FIn);
    return true;
  }

  TUnBase& FOwner;
  TUntypedFile* FIn;
};

}  // namespace

int64_t UnzipByMethod(TUnBase& Component, TUntypedFile* In, TUntypedFile* Out, const TZipFileRec& Rec,
                      TStream* InStream, TStream* OutStream) {
  const bool Encrypted = (Rec.Flags & zgEncrypted) != 0;
  int64_t Packed = Rec.PackedSize;
  if (Encrypted) Packed = std::max<int64_t>(0, Packed - int64_t(ZipEncryptHeaderSize));
  const uint64_t Unpacked = Rec.UnpackedSize;

  TZipCodecIO Io(Component, In, InStream, Out, OutStream);
  Io.PackedLeft = Packed;
  Io.Decrypt = Encrypted;
  Io.ReadCrcWidth = 0;
  Io.WriteCrcWidth = 32;
  Io.Cipher = false;
  Io.FileSize = int64_t(Unpacked);
  Io.ArchiveTotal = Component.RunTotal;
  Io.ArchiveRemaining = Component.RunRemaining;

  RunEntryCodec(Component, Io, [&] {
    switch (Rec.Method) {
      case 0: Component.StoreCopy(Io, Packed); break;
      case 1: Unshrink(Io, uint64_t(Packed)); break;
      case 2:
      case 3:
      case 4:
      case 5: Unreduce(Io, uint64_t(Packed), Unpacked, Rec.Method - 1); break;
      case 6: Explode(Io, uint64_t(Packed), Unpacked, Rec.Flags); break;
      case 8: Inflate(Io, uint64_t(Packed)); break;
      default: Component.RaiseError(Component.ReportName(), errBadMethod);
    }
  });
  return Io.FileDone;
}

TUnZIP::TUnZIP(TComponent* AOwner) : TUnBase(AOwner) {}

bool TUnZIP::ReadAt(TUntypedFile& F, int64_t Pos, uint8_t* Buf, size_t Count) {
  if (Pos < 0 || Pos > ArchiveSize || int64_t(Count) > ArchiveSize - Pos) return false;
  if (!F.Seek(Pos)) {
    F.IOResult();
    return false;
  }
  if (Count == 0) return true;
  return ReadBlockProc && ReadBlockProc(&F, nullptr, Count, 0, false, Buf) == Count;
}

bool TUnZIP::PrepareWalk(TUntypedFile& F, int64_t& Pos, bool& Central) {
  if (ArcType() == atZipMV) {
    if (ZipRecords.EndFound()) {
      if (!DiskManager()->IsRemovable()) return false;
      if (!FileExists(ArchiveFile()) || !RequestFirstDisk()) return false;
      OpenArchive(F);
    } else if (!GetSpanDiskNumber()) {
      return false;
    }
    // The first disk starts with the spanning mark or a local header; the
    // directory lies on the last disk, so the walk reads local headers.
    uint8_t Sig[4];
    if (!ReadAt(F, 0, Sig, 4)) RaiseError(ArchiveFile(), errBadHeader);
    const uint32_t S = GetLE32(Sig);
    if (S == ZipDescriptorSig)
      Pos = 4;
    else if (S == ZipLocalSig)
      Pos = 0;
    else
      RaiseError(ArchiveFile(), errBadHeader);
    DetectFlags = zfLocalFound;
    Central = false;
    return true;
  }
  constexpr uint8_t AllFound = zfEndFound | zfCentralFound | zfLocalFound;
  if (OnCorruptZipHeader && (DetectFlags & AllFound) != AllFound) {
    bool Cancelled = true;
    Timer().Pause();
    OnCorruptZipHeader(this, DetectFlags, Cancelled);
    Timer().Resume();
    if (Cancelled) return false;
  }
  Central = (DetectFlags & zfCentralFound) != 0;
  if (!Central) DetectFlags = zfLocalFound;
  Pos = StartOffset;
  if (Pos < 0 || Pos > ArchiveSize || !F.Seek(Pos)) RaiseError(ArchiveFile(), errSeek);
  return true;
}

void TUnZIP::SelectEntries(TUntypedFile& F, int64_t Pos, bool Central) {
  RunTotal = RunRemaining = 0;
  MaxFileDate = 0;
  FoundList().Init(sizeof(TZipFileRec));
  const bool Pending = SpecsPending(*FileSpec(), 0);
  const size_t HeaderSize = Central ? TZipCentralHeader::Size : TZipLocalHeader::Size;
  uint8_t Head[TZipCentralHeader::Size];
  std::string Raw;
  Timer().Pause();
  while (Pos < ArchiveSize && !Cancel) {
    if (!ReadAt(F, Pos, Head, HeaderSize)) break;
    ByteReader R(Head, HeaderSize);
    TZipFileRec Rec;
    uint16_t NameLen = 0, ExtraLen = 0, CommentLen = 0;
    bool Folder = false;
    if (Central) {
      TZipCentralHeader H;
      if (!H.Read(R) || !H.Valid()) break;
      Rec.Flags = H.Flags;
      Rec.Method = H.Method;
      Rec.LocalOffset = H.LocalHeaderOffset;
      Rec.PackedSize = H.PackedSize;
      Rec.UnpackedSize = H.UnpackedSize;
      Rec.Crc = H.Crc32;
      Rec.DosDateTime = (uint32_t(H.Date) << 16) | H.Time;
      Rec.ExternalAttr = H.ExternalAttr;
      NameLen = H.NameLength;
      ExtraLen = H.ExtraLength;
      CommentLen = H.CommentLength;
      Folder = (H.ExternalAttr & (faDirectory | faVolumeID)) != 0;
    } else {
      TZipLocalHeader H;
      if (!H.Read(R) || !H.Valid()) break;
      Rec.Flags = H.Flags;
      Rec.Method = H.Method;
      Rec.LocalOffset = uint32_t(Pos);
      Rec.PackedSize = H.PackedSize;
      Rec.UnpackedSize = H.UnpackedSize;
      Rec.Crc = H.Crc32;
      Rec.DosDateTime = (uint32_t(H.Date) << 16) | H.Time;
      Rec.ExternalAttr = faArchive;
      NameLen = H.NameLength;
      ExtraLen = H.ExtraLength;
    }
    Pos += int64_t(HeaderSize);
    if (!Folder) {
      Raw.assign(NameLen, '\0');
      if (!ReadAt(F, Pos, reinterpret_cast<uint8_t*>(Raw.data()), NameLen)) break;
      const std::string Name = OemToAnsiStr(Raw);
      // A name ending in a separator is a folder whatever its attributes.
      const bool Selected = !Name.empty() && Name.back() != '\\' && IsFileIncluded(Name);
      if (Selected) {
        RunTotal += Rec.UnpackedSize;
        FoundList().AddRec(Rec);
        if (Rec.DosDateTime > uint32_t(MaxFileDate)) MaxFileDate = int(Rec.DosDateTime);
      }
      if (Selected && !Pending) break;
    }
    Pos += int64_t(NameLen) + ExtraLen + (Central ? int64_t(CommentLen) : int64_t(Rec.PackedSize));
  }
  Timer().Resume();
  RunRemaining = RunTotal;
}

TUnZIP::TPasswordResult TUnZIP::CheckPassword(const uint8_t (&Header)[12], uint8_t Check) {
  // An empty password is no password: its header check passes by chance
  // for one archive in 256.
  if (!Password.empty() && ZipCheckDecryptHeader(Password, Header, Check)) return TPasswordResult::prPassed;
  TStringList& List = *Passwords();
  for (int i = 0; i < List.Count(); ++i) {
    const std::string P = List[i];
    if (ZipCheckDecryptHeader(P, Header, Check)) {
      Password = P;
      return TPasswordResult::prPassed;
    }
  }
  const std::string Name = ReportName();
  if (!OnGetPassword) {
    ReportError(Name, "OnGetPassword", errEventMissing);
    return TPasswordResult::prSkip;
  }
  for (int Attempt = 0; Attempt < PasswordAttempts; ++Attempt) {
    std::string P;
    bool TryAgain = true;
    OnGetPassword(this, Name, P, TryAgain);
    if (!TryAgain) break;
    if (ZipCheckDecryptHeader(P, Header, Check)) {
      Password = P;
      List.Insert(0, P);
      return TPasswordResult::prPassed;
    }
    Password.clear();
    ReportError(Name, "", errBadPassword);
  }
  ReportError(Name, "", errPasswordFailed);
  return TPasswordResult::prEndRun;
}

bool TUnZIP::ExtractEntry(TUntypedFile& F, const TZipFileRec& Rec) {
  if (Cancel) return false;
  StartEntry();
  uint8_t Head[TZipLocalHeader::Size];
  TZipLocalHeader H;
  const int64_t Local = Rec.LocalOffset;
  std::string Raw;
  bool Valid = ReadAt(F, Local, Head, sizeof Head);
  if (Valid) {
    ByteReader R(Head, sizeof Head);
    Valid = H.Read(R) && H.Valid();
  }
  if (Valid) {
    Raw.assign(H.NameLength, '\0');
    Valid = ReadAt(F, Local + int64_t(sizeof Head), reinterpret_cast<uint8_t*>(Raw.data()), H.NameLength);
  }
  if (!Valid) {
    ReportError(ArchiveFile(), "", errLocalHeader);
    return true;
  }
  Entry.FileName = OemToAnsiStr(Raw);
  Entry.Encrypted = (H.Flags & zgEncrypted) != 0;
  Entry.PackedSize = int32_t(Rec.PackedSize);
  Entry.UnpackedSize = int32_t(Rec.UnpackedSize);
  Entry.Crc = Rec.Crc;
  Entry.Method = Rec.Method;
  Entry.ExternalAttr = int32_t(Rec.ExternalAttr);
  Entry.MethodName = CompressMethodToStr(Rec.Method, Rec.Flags);
  if (!SetEntryFileName(Raw)) return true;
  const int LocalDate = int((uint32_t(H.Date) << 16) | H.Time);
  Entry.Date = DosDateToDateTime(LocalDate);

  bool Exists = false, Extract = false;
  if (!BeginEntry(Entry.Date, Exists, Extract)) return false;
  if (!Extract) {
    RunRemaining -= Rec.UnpackedSize;
    DoProgress(0, 0, RunRemaining, RunTotal);
    return true;
  }

  const int64_t Data = Local + int64_t(sizeof Head) + H.NameLength + H.ExtraLength;
  // The local header decides the cipher: the decoder must not read
  // enciphered bytes as plain ones, nor the other way round.
  TZipFileRec Dec = Rec;
  Dec.Flags = uint16_t((Rec.Flags & ~zgEncrypted) | (H.Flags & zgEncrypted));
  bool Passed = true;
  if (Entry.Encrypted) {
    uint8_t Crypt[ZipEncryptHeaderSize];
    if (Rec.PackedSize < ZipEncryptHeaderSize || !ReadAt(F, Data, Crypt, sizeof Crypt)) {
      ReportError(ReportName(), "", errReadFile);
      EndEntry(false, false);
      return true;
    }
    const uint8_t Check = (H.Flags & zgDataDescriptor) ? uint8_t(H.Time >> 8) : uint8_t(Rec.Crc >> 24);
    Timer().Pause();
    const TPasswordResult Result = CheckPassword(Crypt, Check);
    Timer().Resume();
    if (Result == TPasswordResult::prEndRun) return false;
    Passed = Result == TPasswordResult::prPassed;
  } else if (!ReadAt(F, Data, nullptr, 0)) {
    ReportError(ReportName(), "", errReadFile);
    EndEntry(false, false);
    return true;
  }

  bool Decoded = false;
  int64_t Produced = 0;
  if (Passed) {
    TUntypedFile Out;
    try {
      if (OutputMode == omFile && !CreateOutputFile(Out, OutFileName)) RaiseError(OutFileName, errOpenFile);
      try {
        Produced = UnzipByMethod(*this, &F, &Out, Dec);
        Decoded = true;
      } catch (...) {
        CloseOutputFile(Out, Rec.ExternalAttr, LocalDate);
        throw;
      }
      if (!CloseOutputFile(Out, Rec.ExternalAttr, LocalDate)) RaiseError(OutFileName, errCloseFile);
    } catch (const EArcCancelled&) {
      return false;
    } catch (const E_RAISE&) {
      if (Cancel) return false;
      Decoded = false;
    }
  }
  const uint32_t Crc = ~Crc32;
  const bool Pass = Decoded && Crc == Rec.Crc && uint64_t(Produced) == Rec.UnpackedSize;
  EndEntry(Pass, Decoded);
  return true;
}

void TUnZIP::ExtractArchive(TUntypedFile& ArcFile) {
  AsciiTranslation = false;
  int64_t Start = 0;
  bool Central = false;
  if (!PrepareWalk(ArcFile, Start, Central)) return;
  const int Passes = ArcType() == atZipMV ? ZipRecords.End.CentralDirDisk + 1 : 1;
  for (int Pass = 0; Pass < Passes && !Cancel; ++Pass) {
    SelectEntries(ArcFile, Start, Central);
    for (int i = 0; i < FoundList().Count(); ++i)
      if (!ExtractEntry(ArcFile, FoundList().Rec<TZipFileRec>(i))) return;
  }
}
