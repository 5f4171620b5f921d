#include "archive/formats/tar/tarwriter.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "archive/core/arcutil.h"
#include "archive/formats/tar/tar_format.h"
#include "archive/formats/gzip/gzipwriter.h"

namespace {

constexpr size_t kNameField = 100;
constexpr size_t kPrefixField = 155;
// Twelve octal digits: the most the size field holds without base-256.
constexpr int64_t kMaxSize = (int64_t(1) << 36) - 1;

void PutField(uint8_t* Block, size_t Offset, size_t Width, const std::string& S) {
  std::memcpy(Block + Offset, S.data(), std::min(S.size(), Width));
}

enum class TMagic { mgNone, mgUstar, mgGnu };

// One header block with the fields of the writer's table; the checksum is
// the byte sum with the checksum field counted as eight spaces.
void FillHeader(uint8_t* B, const std::string& Name, int64_t Size, int64_t MTime, char Type, TMagic Magic,
                const std::string& Prefix = "") {
  std::memset(B, 0, TarBlockSize);
  PutField(B, 0, kNameField, Name);
  PutField(B, 100, 8, IntToOctalField(33206, 8, true));
  PutField(B, 108, 8, IntToOctalField(0, 8, true));
  PutField(B, 116, 8, IntToOctalField(0, 8, true));
  PutField(B, 124, 12, IntToOctalField(Size, 12, false));
  PutField(B, 136, 12, IntToOctalField(std::max<int64_t>(MTime, 0), 12, false));
  B[156] = uint8_t(Type);
  if (Magic == TMagic::mgUstar) PutField(B, 257, 8, std::string("ustar\0" "00", 8));
  if (Magic == TMagic::mgGnu) PutField(B, 257, 8, std::string("ustar  \0", 8));
  PutField(B, 345, kPrefixField, Prefix);
  const uint32_t Sum = TarChecksum(B);
  std::string Field(8, '\0');
  for (int i = 5, V = int(Sum); i >= 0; --i, V >>= 3) Field[size_t(i)] = char('0' + (V & 7));
  Field[7] = ' ';
  PutField(B, 148, 8, Field);
}

// Where a long name splits into the ustar prefix and name fields: the
// last "/" that leaves a prefix of at most 155 bytes, when the rest fits the
// name field with its terminating zero; npos when none does.
size_t UstarSplit(const std::string& Name) {
  const size_t Slash = Name.rfind('/', kPrefixField);
  if (Slash == std::string::npos || Slash == 0) return std::string::npos;
  const size_t Rest = Name.size() - Slash - 1;
  return Rest >= 1 && Rest < kNameField ? Slash : std::string::npos;
}

}  // namespace

TTar::TTar(TComponent* AOwner) : TCompBase(AOwner) {
  SetWriterDefaultExt(".TAR");
  SetCompressMethod(TCompressMethod::cmTarred);
  SetWriterArcType(atTar);
  StoredDirNames = TStoredDirNames::sdRelative;
}

void TTar::WriteRaw(const void* Data, size_t Count) {
  std::vector<uint8_t> Buf(static_cast<const uint8_t*>(Data), static_cast<const uint8_t*>(Data) + Count);
  if (Count && WriteBlockEncryptProc(nullptr, OutStream(), 0, Count, 0, false, Buf.data()) != Count)
    RaiseError(ArchiveFile(), errWriteFile);
}

bool TTar::CompressFile(const std::string& FileName) {
  TWorkItem* Item = CurrentItem();
  TStream* Out = OutStream();
  if (!Item || !Out) return false;
  std::unique_ptr<TStream> In = OpenInputFile(FileName);
  if (!In) {
    ReportError(FileName, "", errOpenFile);
    return false;
  }
  const int64_t Size = In->Size();
  if (Size > kMaxSize) {
    ReportError(FileName, "64 GiB or more", errWriteFile);
    return false;
  }
  std::string Name = StoredNameOf(FileName);
  if (!BeginEntry(Name)) return false;
  const std::string TarName = BackslashToSlash(Name);
  if (TarName.empty()) return false;
  const int DosDate = GetStoredFileDate(FileName);
  const int64_t MTime = LocalDateTimeToUnix(FileDateToDateTimeDef(DosDate));

  Out->Seek(0, soFromEnd);
  const int64_t Offset = Out->Position();
  // Names of 100 bytes and more: the ustar prefix when the name splits at
  // a "/", else a GNU long-name record ahead of the header.
  std::string Field = TarName, Prefix;
  TMagic Magic = TMagic::mgNone;
  uint8_t Block[TarBlockSize];
  if (TarName.size() >= kNameField) {
    const size_t Split = UstarSplit(TarName);
    if (Split != std::string::npos) {
      Prefix = TarName.substr(0, Split);
      Field = TarName.substr(Split + 1);
      Magic = TMagic::mgUstar;
    } else {
      Magic = TMagic::mgGnu;
      FillHeader(Block, "././@LongLink", int64_t(TarName.size()) + 1, 0, 'L', Magic);
      WriteRaw(Block, sizeof Block);
      std::vector<uint8_t> Long(TarName.begin(), TarName.end());
      Long.resize((TarName.size() + 1 + TarBlockSize - 1) / TarBlockSize * TarBlockSize, 0);
      WriteRaw(Long.data(), Long.size());
      Field = TarName.substr(0, kNameField);
    }
  }
  const int64_t HeaderAt = Out->Position();
  FillHeader(Block, Field, 0, MTime, '\0', Magic, Prefix);
  WriteRaw(Block, sizeof Block);

  StartEntry(Size);
  const int64_t Copied = StoreData(In.get(), Out, Size, false, 0);
  const int64_t End = Out->Position();
  FillHeader(Block, Field, Copied, MTime, '\0', Magic, Prefix);
  Out->SetPosition(HeaderAt);
  WriteRaw(Block, sizeof Block);
  Out->SetPosition(End);
  const size_t Fill = size_t((TarBlockSize - uint64_t(Copied) % TarBlockSize) % TarBlockSize);
  if (Fill) {
    const std::vector<uint8_t> Zeros(Fill, 0);
    WriteRaw(Zeros.data(), Zeros.size());
  }

  Item->Name = Name;
  Item->OutputOffset = Offset;
  if (OnEnd) {
    Timer().Pause();
    OnEnd(this, OemToAnsiStr(Name), true);
    Timer().Resume();
  }
  return true;
}

// Readers stop at the first zero block, and GNU tar, bsdtar and 7-Zip call
// an archive without the two end blocks truncated.
void TTar::FinishArchive() {
  if (TStream* Out = OutStream()) {
    Out->Seek(0, soFromEnd);
    const std::vector<uint8_t> Zeros(2 * TarBlockSize, 0);
    WriteRaw(Zeros.data(), Zeros.size());
    // A tar that could not be put in place is a failed run, not files added.
    PutArchiveInPlace(true);
  }
}

int64_t TTar::GetHeaderSize() { return int64_t(TarBlockSize); }

bool TTar::ReadHeader() {
  TStream* S = InStream();
  if (!S) return false;
  TStreamSource Src(*S);
  // A damaged header gives no size to trust: the walk goes on block by
  // block, as the reader's does.
  for (;;) {
    if (HeaderPos < 0 || uint64_t(HeaderPos) >= Src.Size()) return false;
    TarHeader H;
    int Err = 0;
    if (ReadTarHeader(Src, uint64_t(HeaderPos), H, Err)) {
      FEntryPos = H.Pos;
      FHeaderPos = H.HeaderPos;
      FNextPos = H.NextPos;
      FSize = H.Size;
      FMTime = H.MTime;
      FName = H.FileName;
      FFolder = H.IsDirectory;
      return true;
    }
    if (Err != rdHeaderCrc && Err != rdBadFileHeader) return false;
    HeaderPos += int64_t(TarBlockSize);
  }
}

bool TTar::ReadFirstHeader() {
  HeaderPos = 0;
  return TCompBase::ReadFirstHeader();
}

bool TTar::ReadNextHeader() {
  HeaderPos = int64_t(FNextPos);
  return ReadHeader();
}

void TTar::GotoNextHeader() {
  // An existing file that does not start with a tar header (or the end
  // blocks of an empty tar) is not ours to replace with a new tar.
  if (TStream* S = InStream(); S && S->Size() > 0) {
    TStreamSource Src(*S);
    TarHeader H;
    int Err = 0;
    if (!ReadTarHeader(Src, 0, H, Err) && Err != 0) RaiseError(ArchiveFile(), errBadHeader);
  }
  for (bool More = ReadFirstHeader(); More && !Cancel; More = ReadNextHeader()) {
    const std::string Stored = SlashToBackslash(FName);
    if (Switch == TSwitch::swDelete && IsFileIncluded(OemToAnsiStr(FName))) {
      NoteDeletedEntry();
      continue;
    }
    TWorkItem& It = AddOldEntry(Stored);
    It.Position = int64_t(FEntryPos);
    It.HeaderLength = int64_t(FHeaderPos - FEntryPos);
    It.PackedSize = int64_t(FSize);
    It.OldSize = int64_t(FSize);
    It.OldDate = DateTimeToFileDate(UnixToLocalDateTime(FMTime));
    It.OldAttr = FFolder ? faDirectory : faArchive;
  }
}

void TTar::SetListedEntryInfo() {
  Entry.FileName = OemToAnsiStr(FName);
  Entry.Date = UnixToLocalDateTime(FMTime);
  Entry.PackedSize = Entry.UnpackedSize = uint32_t(std::min<uint64_t>(FSize, UINT32_MAX));
  Entry.Crc = 0;
  Entry.Method = 0;
  Entry.MethodName = "Tarred";
  Entry.Ratio = 0;
  Entry.Encrypted = false;
  Entry.ExternalAttr = FFolder ? faDirectory : 0;
}

void TTar::AfterArchive() {
  FGzipArchiveName.clear();
  if (CompressMethod() != TCompressMethod::cmGzipTar) return;
  const std::string TarFile = ArchiveFile();
  if (!FileExists(TarFile)) return;
  auto Gz = std::make_unique<TGZip>(nullptr);
  Gz->SetArchiveFile(ChangeFileExt(TarFile, Gz->DefaultExt()));
  Gz->FileSpec()->Add(TarFile);
  Gz->Switch = TSwitch::swMove;
  Gz->RecurseDirs = false;
  Gz->StoredDirNames = TStoredDirNames::sdNone;
  Gz->SetDefaultDir(DefaultDir());
  Gz->SetTempDir(TempDir());
  Gz->OnBegin = OnBegin;
  Gz->OnEnd = OnEnd;
  Gz->OnRead = OnRead;
  Gz->OnProgress = OnProgress;
  Gz->OnError = OnError;
  Gz->Compress();
  if (Gz->Cancel) SetComponentCancel(this, true);
  // The tar goes only once its gzip file exists: a failed step keeps it.
  if (Gz->FilesAdded() > 0) {
    FGzipArchiveName = Gz->LastGzipFile();
    if (FileExists(TarFile)) DeleteFile(TarFile);
  }
  Gz.reset();
  SetCurrentArcComponent(this);
}
