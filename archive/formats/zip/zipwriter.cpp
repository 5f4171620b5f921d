#include "archive/formats/zip/zipwriter.h"

#include <algorithm>
#include <limits>
#include <memory>

#include "archive/core/arctables.h"
#include "archive/core/arcutil.h"
#include "archive/core/crc.h"
#include "archive/core/zipcrypt.h"
#include "archive/codecs/deflatestream.h"

namespace {

constexpr int64_t kMax32 = 0xFFFFFFFFLL;
constexpr uint32_t kZip64LocatorSig = 0x07064B50;
constexpr int errUnsupportedVersion = 25328;

}  // namespace

TZip::TZip(TComponent* AOwner) : TCompBase(AOwner) {
  SetWriterDefaultExt(".ZIP");
  SetCompressMethod(TCompressMethod::cmDeflate);
  SetWriterArcType(atZip);
}

TJar::TJar(TComponent* AOwner) : TZip(AOwner) {
  SetWriterDefaultExt(".JAR");
  SetWriterArcType(atJar);
}

int64_t TZip::GetHeaderSize() { return int64_t(TZipLocalHeader::Size); }

void TZip::RaiseBadArchive(const std::string& Why) {
  RaiseError(ArchiveFile(), errBadHeader, Why);
  throw E_RAISE(errBadHeader);
}

bool TZip::CompressFile(const std::string& FileName) {
  TWorkItem* Item = CurrentItem();
  TStream* Out = OutStream();
  if (!Item || !Out) return false;
  std::unique_ptr<TStream> In = OpenInputFile(FileName);
  if (!In) return false;
  const int64_t Size = In->Size();
  // Without Zip64 the sizes and offsets are 32-bit fields.
  if (Size > kMax32) {
    ReportError(FileName, "4 GiB or more cannot be stored without Zip64", errWriteFile);
    return false;
  }
  std::string Name = StoredNameOf(FileName);
  if (!BeginEntry(Name)) return false;
  const std::string ZipName = BackslashToSlash(Name);
  Out->Seek(0, soFromEnd);
  const int64_t Offset = Out->Position();
  if (ZipName.empty() || ZipName.size() > 0xFFFF || Offset > kMax32) {
    ReportError(FileName, Offset > kMax32 ? "archive above 4 GiB" : "invalid name", errWriteFile);
    return false;
  }

  const int DosDate = GetStoredFileDate(FileName);
  const bool Encrypt = !Password.empty();
  TZipLocalHeader L;
  L.VersionNeeded = 20;
  L.Flags = Encrypt ? zgEncrypted : 0;
  L.Method = 8;
  L.Time = uint16_t(uint32_t(DosDate) & 0xFFFF);
  L.Date = uint16_t(uint32_t(DosDate) >> 16);
  L.UnpackedSize = uint32_t(Size);
  L.NameLength = uint16_t(ZipName.size());
  uint8_t Rec[TZipLocalHeader::Size];
  L.Write(Rec);
  WriteRaw(Rec, sizeof Rec);
  WriteRaw(ZipName.data(), ZipName.size());

  StartEntry(Size);
  uint32_t HeaderCrc = 0;
  int64_t Packed = 0;
  if (Size < 1) {
    L.Method = 0;
    L.Flags = 0;
  } else {
    if (Encrypt) {
      // The header's check byte is the high byte of the final CRC.
      HeaderCrc = ~StreamCrc32(*In);
      uint8_t Head[ZipEncryptHeaderSize];
      ZipMakeEncryptHeader(Password, HeaderCrc, Head);
      WriteRaw(Head, sizeof Head);
    }
    In->SetPosition(0);
    const bool Store = CompressMethod() == TCompressMethod::cmStore || StoresUnpacked(FileName);
    if (Store) {
      L.Method = 0;
      StoreData(In.get(), Out, Size, Encrypt, 32);
    } else {
      const TDeflateResult R = DeflateStream(*this, FDeflate, In.get(), Out, Size, Encrypt, true);
      L.Flags |= DeflateFlags();
      if (R.Plain) {
        L.Method = 0;
        L.Flags &= uint16_t(~zgDeflateLevel);
      }
    }
    Packed = PackedBytes + (Encrypt ? int64_t(ZipEncryptHeaderSize) : 0);
  }
  const uint32_t Crc = Crc32 == 0xFFFFFFFFu ? 0 : ~Crc32;
  const int64_t End = Out->Position();
  if (Packed > kMax32 || BytesRead > kMax32) {
    Out->SetSize(Offset);
    Out->SetPosition(Offset);
    ReportError(FileName, "4 GiB or more cannot be stored without Zip64", errWriteFile);
    return false;
  }
  L.Crc32 = Crc;
  L.PackedSize = uint32_t(Packed);
  L.UnpackedSize = uint32_t(BytesRead);
  L.Write(Rec);
  Out->SetPosition(Offset);
  WriteRaw(Rec, sizeof Rec);
  Out->SetPosition(End);

  auto Head = std::make_unique<THeadObject>();
  TZipCentralHeader& C = Head->Central;
  C = CentralFromLocal(L, uint32_t(Offset));
  C.VersionMadeBy = 20;
  C.VersionNeeded = 9;
  C.InternalAttr = 1;
  C.ExternalAttr = uint32_t(Item->FileAttr);
  Head->Name = ZipName;
  Item->Name = Name;
  Item->OutputOffset = Offset;
  Item->Data = std::move(Head);

  // A file that changed between the CRC pass and the data pass would carry
  // a wrong password check byte.
  const bool CrcPass = !Encrypt || Size < 1 || Crc == HeaderCrc;
  if (OnEnd) {
    Timer().Pause();
    OnEnd(this, FileName, CrcPass);
    Timer().Resume();
  }
  return true;
}

bool TZip::ReadFirstHeader() {
  TStream* In = InStream();
  FEntriesTotal = 0;
  FEntryIndex = 0;
  FDirectoryBroken = false;
  FArchiveComment.clear();
  FBias = 0;
  if (!In || In->Size() == 0) return false;
  const TZipLocation Loc = FindZipEndRecord(*In, 0xFFFF);
  if (!Loc.EndFound()) RaiseBadArchive("no end of central directory");
  const TZipEndRecord& E = Loc.End;
  if (E.DiskNumber != 0 || E.CentralDirDisk != 0 || E.EntriesOnDisk != E.EntriesTotal)
    RaiseError(ArchiveFile(), errBadArcType);
  bool Zip64 = E.EntriesTotal == 0xFFFF || E.CentralDirOffset == 0xFFFFFFFFu || E.CentralDirSize == 0xFFFFFFFFu;
  if (!Zip64 && Loc.EndOffset >= 20) {
    const std::string Locator = ReadStringAt(*In, Loc.EndOffset - 20, 4);
    Zip64 = Locator.size() == 4 && GetLE32(reinterpret_cast<const uint8_t*>(Locator.data())) == kZip64LocatorSig;
  }
  if (Zip64) RaiseError(ArchiveFile(), errUnsupportedVersion, "Zip64");
  FBias = Loc.EndOffset - (int64_t(E.CentralDirOffset) + int64_t(E.CentralDirSize));
  if (FBias < 0) RaiseBadArchive("central directory beyond its end record");
  FCentralPos = FBias + int64_t(E.CentralDirOffset);
  FCentralEnd = Loc.EndOffset;
  FEntriesTotal = E.EntriesTotal;
  const int64_t CommentPos = Loc.EndOffset + int64_t(TZipEndRecord::Size);
  FArchiveComment = ReadStringAt(*In, CommentPos, std::min<int64_t>(E.CommentLength, In->Size() - CommentPos));
  HeaderPos = FCentralPos;
  EntryCount = 1;
  if (FEntriesTotal == 0) return false;
  if (!ReadHeader()) {
    FDirectoryBroken = true;
    return false;
  }
  return true;
}

bool TZip::ReadHeader() {
  TStream* In = InStream();
  if (!In || HeaderPos < 0 || HeaderPos + int64_t(TZipCentralHeader::Size) > FCentralEnd) return false;
  if (!ReadZipRecordAt(*In, HeaderPos, FCentral) || !FCentral.Valid()) return false;
  const int64_t VarPos = HeaderPos + int64_t(TZipCentralHeader::Size);
  const int64_t VarLen = int64_t(FCentral.NameLength) + FCentral.ExtraLength + FCentral.CommentLength;
  if (VarPos + VarLen > FCentralEnd) return false;
  const std::string Var = ReadStringAt(*In, VarPos, size_t(VarLen));
  if (int64_t(Var.size()) != VarLen) return false;
  FName = Var.substr(0, FCentral.NameLength);
  FExtra = Var.substr(FCentral.NameLength, FCentral.ExtraLength);
  FComment = Var.substr(size_t(FCentral.NameLength) + FCentral.ExtraLength);
  return true;
}

bool TZip::ReadNextHeader() {
  if (FEntryIndex + 1 >= FEntriesTotal) return false;
  HeaderPos += int64_t(TZipCentralHeader::Size) + FCentral.NameLength + FCentral.ExtraLength + FCentral.CommentLength;
  ++FEntryIndex;
  ++EntryCount;
  if (!ReadHeader()) {
    FDirectoryBroken = true;
    return false;
  }
  return true;
}

void TZip::GotoNextHeader() {
  TStream* In = InStream();
  if (!In) return;
  const bool Any = ReadFirstHeader();
  if (FDirectoryBroken) RaiseBadArchive("central directory");
  StubSize = FCentralPos;
  if (!Any) return;
  do {
    if (FCentral.PackedSize == 0xFFFFFFFFu || FCentral.UnpackedSize == 0xFFFFFFFFu ||
        FCentral.LocalHeaderOffset == 0xFFFFFFFFu)
      RaiseError(ArchiveFile(), errUnsupportedVersion, "Zip64");
    const int64_t LocalPos = FBias + int64_t(FCentral.LocalHeaderOffset);
    StubSize = std::min(StubSize, LocalPos);
    const std::string Stored = SlashToBackslash(FName);
    if (Switch == TSwitch::swDelete && IsFileIncluded(OemToAnsiStr(FName))) {
      NoteDeletedEntry();
      continue;
    }
    TZipLocalHeader L;
    if (LocalPos + int64_t(TZipLocalHeader::Size) > FCentralPos || !ReadZipRecordAt(*In, LocalPos, L) || !L.Valid())
      RaiseBadArchive("local header of " + Stored);
    const int64_t HeaderLength = int64_t(L.NameLength) + L.ExtraLength;
    const int64_t DataEnd = LocalPos + int64_t(TZipLocalHeader::Size) + HeaderLength + FCentral.PackedSize;
    if (DataEnd > FCentralPos) RaiseBadArchive("data of " + Stored);
    int64_t Trailer = 0;
    if (FCentral.Flags & zgDataDescriptor) {
      // A Zip64 field in the local header (zip streaming from a pipe) means
      // 8-byte sizes in the descriptor even when the central sizes are small.
      const std::string LocalExtra =
          ReadStringAt(*In, LocalPos + int64_t(TZipLocalHeader::Size) + L.NameLength, L.ExtraLength);
      bool Wide = false;
      for (size_t P = 0; P + 4 <= LocalExtra.size();) {
        const uint8_t* F = reinterpret_cast<const uint8_t*>(LocalExtra.data()) + P;
        if (GetLE16(F) == 0x0001) Wide = true;
        P += 4 + GetLE16(F + 2);
      }
      const int64_t Fields = Wide ? 20 : 12;
      // The descriptor may or may not start with its signature; the CRC
      // tells which, should the CRC itself look like the signature.
      const std::string D = ReadStringAt(*In, DataEnd, size_t(std::min<int64_t>(Fields + 4, FCentralPos - DataEnd)));
      const auto U32 = [&D](size_t At) { return GetLE32(reinterpret_cast<const uint8_t*>(D.data()) + At); };
      const bool Signed = int64_t(D.size()) >= Fields + 4 && U32(0) == ZipDescriptorSig;
      if (Signed && U32(4) == FCentral.Crc32)
        Trailer = Fields + 4;
      else if (int64_t(D.size()) >= Fields && U32(0) == FCentral.Crc32)
        Trailer = Fields;
      else if (Signed)
        Trailer = Fields + 4;
      else
        RaiseBadArchive("data descriptor of " + Stored);
    }
    TWorkItem& It = AddOldEntry(Stored);
    It.Position = LocalPos;
    It.HeaderLength = HeaderLength;
    It.PackedSize = FCentral.PackedSize;
    It.TrailerLength = Trailer;
    It.OldSize = FCentral.UnpackedSize;
    It.OldDate = int((uint32_t(FCentral.Date) << 16) | FCentral.Time);
    It.OldAttr = int(FCentral.ExternalAttr & 0xFF);
    auto Head = std::make_unique<THeadObject>();
    Head->Central = FCentral;
    Head->Name = FName;
    Head->Extra = FExtra;
    Head->Comment = FComment;
    It.Data = std::move(Head);
  } while (ReadNextHeader());
  if (FDirectoryBroken) RaiseBadArchive("central directory");
}

void TZip::FinishArchive() {
  TStream* Out = OutStream();
  if (!Out) return;
  int64_t Count = 0;
  for (const TWorkItem& It : WorkList())
    if (It.Action != waSkip && It.Data && It.OutputOffset >= 0) ++Count;
  if (Count == 0) {
    // Nothing remains: no archive is made and an old one stays as it was.
    CloseStreams();
    return;
  }
  if (Count > 0xFFFF) RaiseError(ArchiveFile(), errWriteFile, "more than 65535 entries need Zip64");
  Out->Seek(0, soFromEnd);
  const int64_t CentralStart = Out->Position();
  for (const TWorkItem& It : WorkList()) {
    if (It.Action == waSkip || !It.Data || It.OutputOffset < 0) continue;
    const auto* Head = static_cast<const THeadObject*>(It.Data.get());
    if (It.OutputOffset > kMax32) RaiseError(ArchiveFile(), errWriteFile, "archive above 4 GiB needs Zip64");
    TZipCentralHeader C = Head->Central;
    C.LocalHeaderOffset = uint32_t(It.OutputOffset);
    C.NameLength = uint16_t(Head->Name.size());
    C.ExtraLength = uint16_t(Head->Extra.size());
    C.CommentLength = uint16_t(Head->Comment.size());
    C.DiskNumberStart = 0;
    uint8_t Rec[TZipCentralHeader::Size];
    C.Write(Rec);
    WriteRaw(Rec, sizeof Rec);
    WriteRaw(Head->Name.data(), Head->Name.size());
    WriteRaw(Head->Extra.data(), Head->Extra.size());
    WriteRaw(Head->Comment.data(), Head->Comment.size());
  }
  const int64_t CentralSize = Out->Position() - CentralStart;
  if (CentralStart > kMax32 || CentralSize > kMax32)
    RaiseError(ArchiveFile(), errWriteFile, "archive above 4 GiB needs Zip64");
  TZipEndRecord E;
  E.EntriesOnDisk = E.EntriesTotal = uint16_t(Count);
  E.CentralDirSize = uint32_t(CentralSize);
  E.CentralDirOffset = uint32_t(CentralStart);
  E.CommentLength = uint16_t(std::min<size_t>(FArchiveComment.size(), 0xFFFF));
  uint8_t Rec[TZipEndRecord::Size];
  E.Write(Rec);
  WriteRaw(Rec, sizeof Rec);
  WriteRaw(FArchiveComment.data(), E.CommentLength);
  PutArchiveInPlace(true);
}

void TZip::SetListedEntryInfo() {
  Entry.FileName = OemToAnsiStr(FName);
  Entry.Encrypted = (FCentral.Flags & zgEncrypted) != 0;
  Entry.PackedSize = uint32_t(FCentral.PackedSize);
  Entry.UnpackedSize = uint32_t(FCentral.UnpackedSize);
  Entry.Ratio = uint8_t(CalcRatio(FCentral.PackedSize, FCentral.UnpackedSize));
  Entry.Crc = FCentral.Crc32;
  Entry.Method = FCentral.Method;
  Entry.MethodName = CompressMethodToStr(FCentral.Method, FCentral.Flags);
  Entry.Date = DosDateToDateTime(int((uint32_t(FCentral.Date) << 16) | FCentral.Time));
  Entry.VersionMadeBy = FCentral.VersionMadeBy;
  Entry.VersionNeeded = FCentral.VersionNeeded;
  Entry.InternalAttr = FCentral.InternalAttr;
  Entry.ExternalAttr = int32_t(FCentral.ExternalAttr);
  Entry.EntryComment = FComment;
  Entry.HasEntryComment = FCentral.CommentLength > 0;
}
