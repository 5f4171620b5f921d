#include "archive/formats/bh/bhwriter.h"

#include "archive/codecs/deflatestream.h"
#include "archive/codecs/lzh_encode.h"
#include "archive/core/arcutil.h"
#include "archive/core/crc.h"
#include "archive/core/zipcrypt.h"

namespace {

constexpr int64_t kMax32 = 0xFFFFFFFFLL;

enum : uint8_t { bhStored = 0, bhLzh = 1, bhDeflated = 8 };

}  // namespace

TBh::TBh(TComponent* AOwner) : TCompBase(AOwner) {
  SetWriterDefaultExt(".BH");
  SetCompressMethod(TCompressMethod::cmFuse);
  SetWriterArcType(atBh);
}

TBh::~TBh() = default;

void TBh::SetCompressMethod(TCompressMethod Value) {
  if (Value == TCompressMethod::cmStore || Value == TCompressMethod::cmDeflate || Value == TCompressMethod::cmFuse)
    TCompBase::SetCompressMethod(Value);
}

int64_t TBh::GetHeaderSize() { return int64_t(BhFixedSize); }

bool TBh::PackData(TStream* In, int64_t Size, TCompressMethod Method, bool Cipher, TBhFixedHeader& H) {
  In->SetPosition(0);
  StartEntry(Size);
  H.Flags &= 1;
  switch (Method) {
    case TCompressMethod::cmStore:
      H.Method = bhStored;
      StoreData(In, OutStream(), Size, Cipher, 32);
      return true;
    case TCompressMethod::cmDeflate: {
      const TDeflateResult R = DeflateStream(*this, FDeflate, In, OutStream(), Size, Cipher, true);
      // A small input the encoder could not shrink went out as plain bytes:
      // the entry says stored, or readers would inflate plain bytes.
      H.Method = R.Plain ? bhStored : bhDeflated;
      if (!R.Plain) H.Flags |= uint8_t(DeflateFlags());
      return true;
    }
    default: {
      H.Method = bhLzh;
      if (!FLh5) FLh5 = std::make_unique<TLzhEncoder>();
      TCompStreamIO Io(*this, In, OutStream(), Cipher, 32);
      BytesToRead = Size;
      return !FLh5->Encode(Io, uint64_t(Size)).Unpackable;
    }
  }
}

bool TBh::CompressFile(const std::string& FileName) {
  TWorkItem* Item = CurrentItem();
  TStream* Out = OutStream();
  if (!Item || !Out) return false;
  std::unique_ptr<TStream> In = OpenInputFile(FileName);
  if (!In) return false;
  const int64_t Size = In->Size();
  if (Size > kMax32 - int64_t(ZipEncryptHeaderSize)) {
    ReportError(FileName, "4 GiB or more", errWriteFile);
    return false;
  }
  std::string Name = StoredNameOf(FileName);
  if (!BeginEntry(Name)) return false;
  const std::string BhName = BackslashToSlash(Name);
  if (BhName.empty() || BhName.size() > 0xFFFF - BhFixedSize) {
    ReportError(FileName, "invalid name", errBadFileName);
    return false;
  }
  Out->Seek(0, soFromEnd);
  const int64_t Offset = Out->Position();

  TBhFixedHeader H;
  H.HeaderSize = uint16_t(BhFixedSize + BhName.size());
  H.NameLength = uint16_t(BhName.size());
  H.DosTime = uint32_t(GetStoredFileDate(FileName));
  H.UnpackedSize = uint32_t(Size);
  H.Attributes = uint16_t(Item->FileAttr);
  const bool Encrypt = !Password.empty() && Size > 0;
  H.Flags = Encrypt ? 1 : 0;
  uint8_t Rec[BhFixedSize];
  WriteFields(H, Rec);
  WriteRaw(Rec, sizeof Rec);
  WriteRaw(BhName.data(), BhName.size());
  const int64_t DataStart = Out->Position();

  StartEntry(Size);
  uint32_t HeaderCrc = 0;
  if (Size > 0) {
    auto WriteCryptHeader = [&] {
      if (!Encrypt) return;
      uint8_t Head[ZipEncryptHeaderSize];
      ZipMakeEncryptHeader(Password, HeaderCrc, Head);
      WriteRaw(Head, sizeof Head);
    };
    if (Encrypt) HeaderCrc = ~StreamCrc32(*In);
    WriteCryptHeader();
    const int64_t Remaining = RunRemaining;
    const TCompressMethod Method = StoresUnpacked(FileName) ? TCompressMethod::cmStore : CompressMethod();
    if (!PackData(In.get(), Size, Method, Encrypt, H)) {
      RunRemaining = Remaining;
      Out->SetPosition(DataStart);
      Out->SetSize(DataStart);
      WriteCryptHeader();
      PackData(In.get(), Size, TCompressMethod::cmStore, Encrypt, H);
    }
  }
  const int64_t End = Out->Position();
  const uint32_t Crc = Crc32 == 0xFFFFFFFFu ? 0 : ~Crc32;
  H.Crc = Crc;
  H.PackedSize = uint32_t(End - DataStart);
  H.UnpackedSize = uint32_t(BytesRead);
  WriteFields(H, Rec);
  Out->SetPosition(Offset);
  WriteRaw(Rec, sizeof Rec);
  Out->SetPosition(End);

  Item->Name = Name;
  Item->OutputOffset = Offset;
  // A file that changed between the CRC pass and the data pass would carry
  // a wrong password check byte.
  const bool CrcPass = !Encrypt || Crc == HeaderCrc;
  if (OnEnd) {
    Timer().Pause();
    OnEnd(this, FileName, CrcPass);
    Timer().Resume();
  }
  return true;
}

bool TBh::ReadFirstHeader() {
  HeaderPos = StartOffset > 1 ? StartOffset - 1 : 0;
  return TCompBase::ReadFirstHeader();
}

bool TBh::ReadHeader() {
  TStream* In = InStream();
  if (!In || HeaderPos < 0) return false;
  TStreamSource Src(*In);
  int Err = 0;
  if (ReadBhHeader(Src, uint64_t(HeaderPos), FHeader, Err)) return true;
  if (Err && Err != rdHeaderId) RaiseError(ArchiveFile(), Err);
  return false;
}

bool TBh::ReadNextHeader() {
  HeaderPos = int64_t(FHeader.NextPos);
  ++EntryCount;
  return ReadHeader();
}

void TBh::GotoNextHeader() {
  WalkOldEntries([this] {
    TOldEntry E;
    E.Stored = SlashToBackslash(FHeader.FileName);
    E.Position = int64_t(FHeader.Pos);
    E.HeaderLength = FHeader.NameLength;
    E.PackedSize = FHeader.PackedSize;
    E.OldSize = FHeader.UnpackedSize;
    E.OldDate = int(FHeader.DosTime);
    E.OldAttr = FHeader.Attributes;
    return E;
  });
}

void TBh::SetListedEntryInfo() {
  Entry.FileName = OemToAnsiStr(SlashToBackslash(FHeader.FileName));
  Entry.VersionMadeBy = FHeader.VersionMadeBy;
  Entry.Encrypted = FHeader.Encrypted();
  Entry.PackedSize = uint32_t(FHeader.PackedSize);
  Entry.UnpackedSize = uint32_t(FHeader.UnpackedSize);
  Entry.Ratio = uint8_t(CalcRatio(FHeader.PackedSize, FHeader.UnpackedSize));
  Entry.Crc = FHeader.Crc;
  Entry.Method = FHeader.Method;
  Entry.MethodName = CompressMethodToStr(FHeader.Method, FHeader.Flags);
  Entry.ExternalAttr = FHeader.Attributes;
  Entry.Date = DosDateToDateTime(int(FHeader.DosTime));
}
