#include "archive/formats/zip/unzip.h"

#include <algorithm>
#include <new>
#include <vector>

#include "archive/codecs/codec_error.h"
#include "archive/core/arcutil.h"
#include "archive/core/bytes.h"
#include "archive/core/zipcrypt.h"
#include "archive/core/ziprecords.h"

namespace {

constexpr int errLocalHeader = 25248;

// Asks for the disk after the one in the drive and opens it on F; false when
// the user cancels (Cancel is then set) or no handler is assigned.
bool NextZipDisk(TUnBase& Owner, TUntypedFile& F) {
  const int Disk = Owner.VolumeNumber();
  while (Owner.VolumeNumber() != Disk + 1) {
    Owner.Cancel = true;
    if (!Owner.OnGetZipNextDisk) return false;
    bool Cancelled = true;
    Owner.Timer().Pause();
    Owner.OnGetZipNextDisk(&Owner, IntToStr(Disk + 1), Cancelled);
    Owner.Timer().Resume();
    Owner.Cancel = Cancelled;
    if (Cancelled) return false;
    Owner.DiskManager()->RefreshDriveInfo();
    Owner.GetSpanDiskNumber();
    if (!Owner.DiskManager()->IsRemovable()) Owner.SetVolumeNumber(Disk + 1);
  }
  Owner.OpenArchive(F);
  return true;
}

// The codec input of a spanned set goes on with the next disk when a disk
// ends inside an entry.
class TZipCodecIO : public TArcCodecIO {
 public:
  TZipCodecIO(TUnBase& Owner, TUntypedFile* InFile, TStream* InStream, TUntypedFile* OutFile, TStream* OutStream)
      : TArcCodecIO(Owner, InFile, InStream, OutFile, OutStream), FOwner(Owner), FIn(InFile) {}

  // A short read is the end of the disk: the decoders take it for the end
  // of their input, so the rest comes from the next disk in the same call.
  size_t ReadPacked(uint8_t* Buf, size_t Count) override {
    size_t N = TArcCodecIO::ReadPacked(Buf, Count);
    while (N < Count && PackedLeft > 0 && FOwner.ArcType() == atZipMV && FIn) {
      if (!NextDisk()) break;
      size_t More = TArcCodecIO::ReadPacked(Buf + N, Count - N);
      if (More == 0) {
        FOwner.Cancel = true;
        break;
      }
      N += More;
    }
    return N;
  }

  // Data beyond the declared size is never written: a bomb that declares a
  // few bytes stops there.
  void WriteUnpacked(const uint8_t* Buf, size_t Count) override {
    if (uint64_t(FileDone) + Count > Limit) {
      TArcCodecIO::WriteUnpacked(Buf, size_t(Limit - uint64_t(FileDone)));
      throw ECodecError(errSizeDiffers);
    }
    TArcCodecIO::WriteUnpacked(Buf, Count);
  }

  uint64_t Limit = UINT64_MAX;

 private:
  bool NextDisk() { return NextZipDisk(FOwner, *FIn); }

  TUnBase& FOwner;
  TUntypedFile* FIn;
};

}  // namespace

int64_t UnzipByMethod(TUnBase& Component, TUntypedFile* In, TUntypedFile* Out, const TZipFileRec& Rec,
                      TZipDecoders& Decoders, TStream* InStream, TStream* OutStream) {
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
  Io.Limit = Unpacked;
  Io.ArchiveTotal = Component.RunTotal;
  Io.ArchiveRemaining = Component.RunRemaining;

  Component.RunDecoder(Io, [&] {
    if (Rec.Method == 0)
      Component.StoreCopy(Io, Packed);
    else if (!Decoders.Decode(Io, Rec.Method, Rec.Flags, uint64_t(Packed), Unpacked))
      Component.RaiseError(Component.ReportName(), errBadMethod);
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

int64_t TUnZIP::SelectEntries(TUntypedFile& F, int64_t Pos, bool Central) {
  RunTotal = RunRemaining = 0;
  MaxFileDate = 0;
  FoundList().Init(sizeof(TZipFileRec));
  FFoundNames.clear();
  FFoundOverlaps.clear();
  // Every entry of the directory, selected or not, for the overlap check.
  std::vector<TZipSpan> Spans;
  std::vector<size_t> FoundSpan;
  bool Done = false;
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
    if (Central) Spans.push_back({int64_t(Rec.LocalOffset), int64_t(Rec.PackedSize)});
    if (!Folder && !Done) {
      Raw.assign(NameLen, '\0');
      if (!ReadAt(F, Pos, reinterpret_cast<uint8_t*>(Raw.data()), NameLen)) break;
      const std::string Name = ZipNameToAnsi(Raw, Rec.Flags);
      // A name ending in a separator is a folder whatever its attributes.
      const bool Selected = !Name.empty() && Name.back() != '\\' && IsFileIncluded(Name);
      if (Selected) {
        RunTotal += Rec.UnpackedSize;
        FoundList().AddRec(Rec);
        FFoundNames.push_back(Raw);
        FoundSpan.push_back(Central ? Spans.size() - 1 : 0);
        if (Rec.DosDateTime > uint32_t(MaxFileDate)) MaxFileDate = int(Rec.DosDateTime);
      }
      // The directory is still read to its end for the overlap check.
      Done = Selected && !Pending;
      if (Done && !Central) break;
    }
    Pos += int64_t(NameLen) + ExtraLen + (Central ? int64_t(CommentLen) : int64_t(Rec.PackedSize));
  }
  Timer().Resume();
  RunRemaining = RunTotal;
  FFoundOverlaps.assign(FFoundNames.size(), false);
  // Offsets in a spanned set count from the start of each disk, so entries
  // on different disks share offsets without overlapping.
  if (Central && ArcType() != atZipMV) {
    const std::vector<bool> Overlaps = ZipOverlappingEntries(Spans);
    for (size_t i = 0; i < FoundSpan.size(); ++i) FFoundOverlaps[i] = Overlaps[FoundSpan[i]];
  }
  return Pos;
}

bool TUnZIP::ExtractEntry(TUntypedFile& F, const TZipFileRec& Rec, const std::string& Name, bool Overlaps) {
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
  // The name that selected the entry is the one written: a local header
  // that names another file, or data that lies in another entry's, is damage.
  if (!Valid || Raw != Name || Overlaps) {
    ReportError(Valid ? OemToAnsiStr(Name) : ArchiveFile(), "", errLocalHeader);
    return true;
  }
  Entry.FileName = ZipNameToAnsi(Raw, Rec.Flags);
  Entry.Encrypted = (H.Flags & zgEncrypted) != 0;
  Entry.PackedSize = uint32_t(Rec.PackedSize);
  Entry.UnpackedSize = uint32_t(Rec.UnpackedSize);
  Entry.Crc = Rec.Crc;
  Entry.Method = Rec.Method;
  Entry.ExternalAttr = int32_t(Rec.ExternalAttr);
  Entry.MethodName = CompressMethodToStr(Rec.Method, Rec.Flags);
  if (!SetEntryFileNameAnsi(Entry.FileName, Raw)) return true;
  const int LocalDate = int((uint32_t(H.Date) << 16) | H.Time);
  Entry.Date = DosDateToDateTime(LocalDate);

  bool Exists = false, Extract = false;
  if (!BeginEntry(Entry.Date, Exists, Extract)) return false;
  if (!Extract) {
    RunRemaining -= Rec.UnpackedSize;
    DoProgress(0, 0, RunRemaining, RunTotal);
    return true;
  }

  // Deflate64, AES and the newer methods: said so by name, before any
  // password question or output file; the next entry goes on.
  if (!ZipMethodDecodable(Rec.Method)) {
    ReportError(ReportName(), ZipMethodLabel(Rec.Method), errBadMethod);
    RunRemaining -= Rec.UnpackedSize;
    EndEntry(false, false);
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
  if (Passed &&
      !WriteEntry(Rec.ExternalAttr, LocalDate, [&](TUntypedFile& Out) { Produced = UnzipByMethod(*this, &F, &Out, Dec, FDecoders); },
                  Decoded))
    return false;
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
  // A spanned set is walked disk by disk: the local headers of one disk, then
  // on from where the last entry's data ends on the next disk, until a walk
  // ends before its disk does (at the central directory).
  for (;;) {
    const int Disk = VolumeNumber();
    const int64_t DiskSize = ArchiveSize;
    const int64_t End = SelectEntries(ArcFile, Start, Central);
    for (int i = 0; i < FoundList().Count(); ++i)
      if (!ExtractEntry(ArcFile, FoundList().Rec<TZipFileRec>(i), FFoundNames[size_t(i)],
                        FFoundOverlaps[size_t(i)]))
        return;
    if (ArcType() != atZipMV || Cancel || End < DiskSize || !SpecsPending(*FileSpec(), 0)) return;
    if (VolumeNumber() == Disk && !NextZipDisk(*this, ArcFile)) return;
    if (VolumeNumber() != Disk + 1) return;
    Start = End - DiskSize;
  }
}
