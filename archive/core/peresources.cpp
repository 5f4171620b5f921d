#include "archive/core/peresources.h"

#include <algorithm>
#include <vector>

#include "archive/core/bytes.h"
#include "framework/core/os.h"
#include "framework/core/streams.h"
#include "framework/core/sysutils.h"

namespace {

constexpr uint32_t RtString = 6;
constexpr uint32_t HighBit = 0x80000000u;

}  // namespace

bool TPeResourceReader::ReadAt(uint64_t Offset, void* Buffer, uint32_t Count) {
  if (Count > 0x7FFFFFFF || FSize < 0 || Offset > uint64_t(FSize) || Count > uint64_t(FSize) - Offset) return false;
  if (FStream->Seek(int64_t(Offset), soFromBeginning) != int64_t(Offset)) return false;
  return FStream->Read(Buffer, int32_t(Count)) == int32_t(Count);
}

bool TPeResourceReader::Open(TStream& Stream) {
  FStream = &Stream;
  FSize = Stream.Size();
  FSections = 0;
  FSectionCount = 0;
  FSizeOfHeaders = 0;
  FResourceRva = 0;

  uint8_t Dos[64];
  if (!ReadAt(0, Dos, sizeof Dos) || Dos[0] != 'M' || Dos[1] != 'Z') return false;
  const uint64_t Nt = GetLE32(Dos + 0x3C);
  uint8_t Sig[4];
  if (!ReadAt(Nt, Sig, 4) || Sig[0] != 'P' || Sig[1] != 'E' || Sig[2] != 0 || Sig[3] != 0) return false;

  // From here on a damaged header leaves a loadable module without resources.
  uint8_t FileHeader[20];
  if (!ReadAt(Nt + 4, FileHeader, sizeof FileHeader)) return true;
  const uint16_t SectionCount = GetLE16(FileHeader + 2);
  const uint16_t OptionalSize = GetLE16(FileHeader + 16);
  const uint64_t Opt = Nt + 24;
  uint8_t Magic[2];
  if (!ReadAt(Opt, Magic, 2)) return true;
  uint64_t CountAt, DirAt;
  switch (GetLE16(Magic)) {
    case 0x10B: CountAt = Opt + 92; DirAt = Opt + 96; break;
    case 0x20B: CountAt = Opt + 108; DirAt = Opt + 112; break;
    default: return true;
  }
  uint8_t Field[8];
  if (!ReadAt(Opt + 60, Field, 4)) return true;
  const uint32_t SizeOfHeaders = GetLE32(Field);
  if (!ReadAt(CountAt, Field, 4) || GetLE32(Field) <= 2) return true;
  if (!ReadAt(DirAt + 2 * 8, Field, 8)) return true;
  FResourceRva = GetLE32(Field);
  FSizeOfHeaders = SizeOfHeaders;
  FSections = Opt + OptionalSize;
  FSectionCount = SectionCount;
  return true;
}

bool TPeResourceReader::RvaToOffset(uint32_t Rva, bool AllowHeaders, uint64_t& Offset) {
  if (AllowHeaders && Rva < FSizeOfHeaders) {
    Offset = Rva;
    return true;
  }
  uint8_t Sec[40];
  for (uint32_t i = 0; i < FSectionCount; ++i) {
    if (!ReadAt(FSections + uint64_t(i) * 40, Sec, sizeof Sec)) return false;
    const uint32_t Va = GetLE32(Sec + 12), RawSize = GetLE32(Sec + 16), RawPtr = GetLE32(Sec + 20);
    if (Va <= Rva && uint64_t(Va) + RawSize > Rva) {
      Offset = uint64_t(RawPtr) + (Rva - Va);
      return true;
    }
  }
  return false;
}

// Looks Id up among the numbered entries of the directory at file offset Dir;
// Data is the entry's offset from the resource root. With FirstIfMissing the
// first entry of the right kind stands in, as the loader's language fallback
// does.
bool TPeResourceReader::DirEntries(uint64_t Dir, std::vector<uint8_t>& Entries, uint32_t& Named, uint32_t& Count) {
  uint8_t Head[16];
  if (!ReadAt(Dir, Head, sizeof Head)) return false;
  Named = GetLE16(Head + 12);
  const uint32_t Ids = GetLE16(Head + 14);
  const uint64_t First = Dir + 16;
  if (First > uint64_t(FSize)) return false;
  const uint64_t Fit = (uint64_t(FSize) - First) / 8;
  Count = uint32_t(std::min<uint64_t>(Named + Ids, Fit));
  if (Count == 0) return false;
  Entries.resize(size_t(Count) * 8);
  return ReadAt(First, Entries.data(), uint32_t(Entries.size()));
}

bool TPeResourceReader::FindEntry(uint64_t Dir, uint32_t Id, bool WantDir, bool FirstIfMissing, uint32_t& Data) {
  std::vector<uint8_t> Entries;
  uint32_t Named, Count;
  if (!DirEntries(Dir, Entries, Named, Count)) return false;
  for (uint32_t i = Named; i < Count; ++i) {
    const uint8_t* E = Entries.data() + size_t(i) * 8;
    const uint32_t Name = GetLE32(E), Off = GetLE32(E + 4);
    if ((Name & HighBit) || Name != Id) continue;
    if (((Off & HighBit) != 0) != WantDir) return false;
    Data = Off & ~HighBit;
    return true;
  }
  if (!FirstIfMissing) return false;
  for (uint32_t i = 0; i < Count; ++i) {
    const uint32_t Off = GetLE32(Entries.data() + size_t(i) * 8 + 4);
    if (((Off & HighBit) != 0) == WantDir) {
      Data = Off & ~HighBit;
      return true;
    }
  }
  return false;
}

bool TPeResourceReader::FindResourceData(uint32_t Type, uint32_t Size, uint64_t& Offset) {
  if (!FStream || FResourceRva == 0) return false;
  uint64_t Root;
  uint32_t Names;
  if (!RvaToOffset(FResourceRva, true, Root) || !FindEntry(Root, Type, true, false, Names)) return false;
  std::vector<uint8_t> NameDir, LangDir;
  uint32_t Named, Count;
  if (!DirEntries(Root + Names, NameDir, Named, Count)) return false;
  for (uint32_t i = 0; i < Count; ++i) {
    const uint32_t Langs = GetLE32(NameDir.data() + size_t(i) * 8 + 4);
    if (!(Langs & HighBit)) continue;
    uint32_t LangNamed, LangCount;
    if (!DirEntries(Root + (Langs & ~HighBit), LangDir, LangNamed, LangCount)) continue;
    for (uint32_t j = 0; j < LangCount; ++j) {
      const uint32_t Leaf = GetLE32(LangDir.data() + size_t(j) * 8 + 4);
      if (Leaf & HighBit) continue;
      uint8_t Entry[16];
      uint64_t Data;
      if (!ReadAt(Root + Leaf, Entry, sizeof Entry) || GetLE32(Entry + 4) != Size ||
          !RvaToOffset(GetLE32(Entry), false, Data) || Data > uint64_t(FSize) || Size > uint64_t(FSize) - Data)
        continue;
      Offset = Data;
      return true;
    }
  }
  return false;
}

std::string TPeResourceReader::ReadString(unsigned Id, int BufLen) {
  if (!FStream || FResourceRva == 0 || BufLen <= 1) return std::string();
  uint64_t Root;
  if (!RvaToOffset(FResourceRva, true, Root)) return std::string();
  const uint32_t Block = ((Id & 0xFFFF) >> 4) + 1;
  uint32_t Names, Langs, DataEntry;
  if (!FindEntry(Root, RtString, true, false, Names)) return std::string();
  if (!FindEntry(Root + Names, Block, true, false, Langs)) return std::string();
  // LoadStringA asks for the neutral language; the loader then tries the
  // default sublanguage, English and finally the first language present.
  bool Found = false;
  for (uint32_t Lang : {0x0000u, 0x0400u, 0x0409u})
    if ((Found = FindEntry(Root + Langs, Lang, false, false, DataEntry))) break;
  if (!Found && !FindEntry(Root + Langs, 0xFFFFFFFFu, false, true, DataEntry)) return std::string();

  uint8_t Entry[16];
  if (!ReadAt(Root + DataEntry, Entry, sizeof Entry)) return std::string();
  const uint32_t DataRva = GetLE32(Entry), DataSize = GetLE32(Entry + 4);
  uint64_t Data;
  if (!RvaToOffset(DataRva, false, Data)) return std::string();

  uint64_t Pos = 0;
  uint8_t Len[2];
  for (unsigned Skip = Id & 15; Skip > 0; --Skip) {
    if (Pos + 2 > DataSize || !ReadAt(Data + Pos, Len, 2)) return std::string();
    Pos += 2 + uint64_t(GetLE16(Len)) * 2;
  }
  if (Pos + 2 > DataSize || !ReadAt(Data + Pos, Len, 2)) return std::string();
  const uint32_t Chars = GetLE16(Len);
  Pos += 2;
  // The whole string must lie in the block and in the file, whatever part
  // of it the caller's buffer takes.
  if (Pos + uint64_t(Chars) * 2 > DataSize || Data + Pos + uint64_t(Chars) * 2 > uint64_t(FSize)) return std::string();
  const uint32_t Take = std::min<uint32_t>(Chars, uint32_t(BufLen - 1));
  std::vector<uint8_t> Wide(size_t(Take) * 2);
  if (Take > 0 && !ReadAt(Data + Pos, Wide.data(), Take * 2)) return std::string();
  std::string S(Take, '\0');
  for (uint32_t i = 0; i < Take; ++i) S[i] = UnicodeToCp1252(GetLE16(Wide.data() + size_t(i) * 2), '?');
  return S;
}

#ifdef _WIN32

// Windows loads the program as a data module, as the system's own resource
// lookup does; elsewhere our reader walks the resource table.
struct TProgramStrings::TImpl {
  void* Module = nullptr;
};

TProgramStrings::TProgramStrings() : FImpl(std::make_unique<TImpl>()) {}
TProgramStrings::~TProgramStrings() { Release(); }

bool TProgramStrings::Load(const std::string& FileName) {
  Release();
  FImpl->Module = LoadDataModule(FileName);
  return FImpl->Module != nullptr;
}

std::string TProgramStrings::ReadString(unsigned Id, int BufLen) { return LoadModuleString(FImpl->Module, Id, BufLen); }

void TProgramStrings::Release() {
  FreeDataModule(FImpl->Module);
  FImpl->Module = nullptr;
}

#else

struct TProgramStrings::TImpl {
  std::unique_ptr<TFileStream> File;
  TPeResourceReader Reader;
};

TProgramStrings::TProgramStrings() : FImpl(std::make_unique<TImpl>()) {}
TProgramStrings::~TProgramStrings() = default;

bool TProgramStrings::Load(const std::string& FileName) {
  Release();
  try {
    FImpl->File = std::make_unique<TFileStream>(FileName, fmOpenRead | fmShareDenyWrite);
  } catch (const Exception&) {
    return false;
  }
  if (FImpl->Reader.Open(*FImpl->File)) return true;
  Release();
  return false;
}

std::string TProgramStrings::ReadString(unsigned Id, int BufLen) {
  return FImpl->File ? FImpl->Reader.ReadString(Id, BufLen) : std::string();
}

void TProgramStrings::Release() {
  FImpl->Reader = TPeResourceReader();
  FImpl->File.reset();
}

#endif
