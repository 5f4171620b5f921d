#include "archive/formats/lha/lhawriter.h"

#include <algorithm>
#include <cstring>

#include "archive/codecs/deflatestream.h"
#include "archive/codecs/lzh_encode.h"
#include "archive/codecs/lzhuf.h"
#include "archive/core/arcutil.h"

namespace {

constexpr int64_t kMax32 = 0xFFFFFFFFLL;

}  // namespace

TLha::TLha(TComponent* AOwner) : TCompBase(AOwner) {
  SetWriterDefaultExt(".LHA");
  SetCompressMethod(TCompressMethod::cmFrozen5);
  SetWriterArcType(atLha);
}

TLha::~TLha() = default;

void TLha::SetCompressMethod(TCompressMethod Value) {
  if (Value == TCompressMethod::cmStore || Value == TCompressMethod::cmFrozen1 || Value == TCompressMethod::cmFrozen5)
    TCompBase::SetCompressMethod(Value);
}

int64_t TLha::GetHeaderSize() { return int64_t(LhaBaseSize); }

bool TLha::PackData(TStream* In, int64_t Size, TCompressMethod Method, char& MethodChar) {
  In->SetPosition(0);
  StartEntry(Size);
  if (Method == TCompressMethod::cmStore) {
    MethodChar = '0';
    StoreData(In, OutStream(), Size, false, 16);
    return true;
  }
  TCompStreamIO Io(*this, In, OutStream(), false, 16);
  BytesToRead = Size;
  TLzhEncodeResult R;
  if (Method == TCompressMethod::cmFrozen1) {
    MethodChar = '1';
    if (!FLh1) FLh1 = std::make_unique<TLzhufCodec>();
    R = FLh1->Encode(Io, uint64_t(Size));
  } else {
    MethodChar = '5';
    if (!FLh5) FLh5 = std::make_unique<TLzhEncoder>();
    R = FLh5->Encode(Io, uint64_t(Size));
  }
  return !R.Unpackable;
}

bool TLha::CompressFile(const std::string& FileName) {
  TWorkItem* Item = CurrentItem();
  TStream* Out = OutStream();
  if (!Item || !Out) return false;
  std::unique_ptr<TStream> In = OpenInputFile(FileName);
  if (!In) return false;
  const int64_t Size = In->Size();
  if (Size > kMax32) {
    ReportError(FileName, "4 GiB or more", errWriteFile);
    return false;
  }
  std::string Name = StoredNameOf(FileName);
  if (!BeginEntry(Name)) return false;
  // The header-size byte holds the name length + 22: a longer name would
  // wrap it and make the header unreadable.
  if (Name.empty() || Name.size() > LhaMaxLevel0Name) {
    ReportError(FileName, "name longer than 233 bytes", errBadFileName);
    return false;
  }
  Out->Seek(0, soFromEnd);
  const int64_t Offset = Out->Position();

  TLhaBaseRecord B;
  std::memcpy(B.Method, "-lh0-", 5);
  B.UnpackedSize = uint32_t(Size);
  B.Time = uint32_t(GetStoredFileDate(FileName));
  B.Attribute = uint8_t(Item->FileAttr);
  std::vector<uint8_t> Head;
  MakeLhaLevel0Header(B, Name, 0, Head);
  WriteRaw(Head.data(), Head.size());
  const int64_t DataStart = Out->Position();

  StartEntry(Size);
  char MethodChar = '0';
  if (Size > 0) {
    const int64_t Remaining = RunRemaining;
    const TCompressMethod Method = StoresUnpacked(FileName) ? TCompressMethod::cmStore : CompressMethod();
    if (!PackData(In.get(), Size, Method, MethodChar)) {
      // What the encoder wrote goes; the file is stored in its place.
      RunRemaining = Remaining;
      Out->SetPosition(DataStart);
      Out->SetSize(DataStart);
      PackData(In.get(), Size, TCompressMethod::cmStore, MethodChar);
    }
  }
  const int64_t End = Out->Position();
  B.Method[3] = uint8_t(MethodChar);
  B.PackedSize = uint32_t(End - DataStart);
  B.UnpackedSize = uint32_t(BytesRead);
  MakeLhaLevel0Header(B, Name, Crc16, Head);
  Out->SetPosition(Offset);
  WriteRaw(Head.data(), Head.size());
  Out->SetPosition(End);

  Item->Name = Name;
  Item->OutputOffset = Offset;
  if (OnEnd) {
    Timer().Pause();
    OnEnd(this, FileName, true);
    Timer().Resume();
  }
  return true;
}

bool TLha::ReadFirstHeader() {
  TStream* In = InStream();
  if (!In) return false;
  TStreamSource Src(*In);
  HeaderPos = int64_t(LhaFirstHeaderPos(Src, uint64_t(StartOffset > 1 ? StartOffset - 1 : 0)));
  return TCompBase::ReadFirstHeader();
}

bool TLha::ReadHeader() {
  TStream* In = InStream();
  if (!In || HeaderPos < 0) return false;
  TStreamSource Src(*In);
  int Err = 0;
  if (ReadLhaHeader(Src, uint64_t(HeaderPos), FHeader, Err)) return true;
  if (Err) RaiseError(ArchiveFile(), Err);
  return false;
}

bool TLha::ReadNextHeader() {
  HeaderPos = int64_t(FHeader.NextPos);
  ++EntryCount;
  return ReadHeader();
}

void TLha::GotoNextHeader() {
  WalkOldEntries([this] {
    TOldEntry E;
    E.Stored = SlashToBackslash(FHeader.FileName);
    E.Position = int64_t(FHeader.Pos);
    E.HeaderLength = int64_t(FHeader.DataPos - FHeader.Pos) - int64_t(LhaBaseSize);
    E.PackedSize = FHeader.DataSize;
    E.OldSize = FHeader.UnpackedSize;
    E.OldDate = FHeader.Level >= 2 ? DateTimeToFileDate(UnixToLocalDateTime(FHeader.Time)) : int(FHeader.Time);
    E.OldAttr = FHeader.Attribute;
    return E;
  });
}

void TLha::FinishArchive() {
  TStream* Out = OutStream();
  if (!Out) return;
  Out->Seek(0, soFromEnd);
  const uint8_t EndMark = 0;
  WriteRaw(&EndMark, 1);
  PutArchiveInPlace(true);
}

void TLha::SetListedEntryInfo() {
  Entry.FileName = OemToAnsiStr(FHeader.FileName);
  Entry.VersionMadeBy = 122;
  Entry.Encrypted = false;
  Entry.PackedSize = uint32_t(FHeader.DataSize);
  Entry.UnpackedSize = uint32_t(FHeader.UnpackedSize);
  Entry.Ratio = uint8_t(CalcRatio(FHeader.DataSize, FHeader.UnpackedSize));
  Entry.Crc = FHeader.Crc;
  Entry.Method = uint8_t(FHeader.MethodChar);
  Entry.MethodName = FHeader.MethodId;
  Entry.ExternalAttr = FHeader.Attribute;
  Entry.Date = FHeader.Level >= 2 ? UnixToLocalDateTime(FHeader.Time) : DosDateToDateTime(int(FHeader.Time));
}
