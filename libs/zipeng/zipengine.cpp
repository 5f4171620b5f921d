#include "libs/zipeng/zipengine.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "archive/codecs/deflate.h"
#include "archive/core/arcutil.h"
#include "archive/core/crc.h"
#include "archive/core/zipcrypt.h"
#include "archive/core/ziprecords.h"
#include "archive/formats/zip/zipdir.h"
#include "framework/core/os.h"
#include "framework/core/streams.h"
#include "framework/core/sysutils.h"
#include "libs/zipengrecs.h"

namespace {

constexpr int64_t Max32 = 0xFFFFFFFFLL;
// Version made by: FAT host (names in the OEM code page), format 2.0.
constexpr uint16_t MadeByFat = 20;
constexpr size_t CopyBlock = 256 * 1024;

// The command as read from either record layout.
struct TCommand {
  void* Handle = nullptr;
  void* Caller = nullptr;
  ZipCallbackFunc Callback = nullptr;
  std::string Password;
  std::vector<std::string> StoreSuffixes;  // upper case, with the dot
  bool Encrypt = false;
  bool Hidden = false;
  bool DirEntries = false;
  bool Verbose = false;
  int Level = 9;
  bool JunkDir = true;
  bool Recurse = false;
  bool ForceDOS = false;
  bool Move = false;
  bool Delete = false;
  bool Update = false;
  bool Freshen = false;
  bool ZipTime = false;
  std::string Archive;
  std::string TempPath;
  bool HasComment = false;
  std::string Comment;  // OEM
  bool ArchiveOnly = false;
  bool ResetArchive = false;
  std::vector<std::string> Specs;
  std::vector<std::string> Excludes;
};

std::vector<std::string> SplitSuffixes(const std::string& Text) {
  std::vector<std::string> R;
  size_t Start = 0;
  while (Start <= Text.size()) {
    size_t End = Text.find(':', Start);
    if (End == std::string::npos) End = Text.size();
    std::string S = UpperCase(Trim(Text.substr(Start, End - Start)));
    if (!S.empty()) R.push_back(S[0] == '.' ? S : "." + S);
    Start = End + 1;
  }
  return R;
}

bool ReadCommand(void* Record, int32_t LibVersion, TCommand& C) {
  if (!Record) return false;
  const ZipCmdHead& H = *static_cast<const ZipCmdHead*>(Record);
  C.Handle = H.Handle;
  C.Caller = H.Caller;
  C.Callback = H.Callback;
  C.Password = ZipRecText(H.Password, ZipMaxPasswordLen);
  C.StoreSuffixes = SplitSuffixes(ZipRecText(H.Suffix, 4096));
  C.Encrypt = H.Encrypt != 0;
  C.Hidden = H.SystemFiles != 0;
  C.DirEntries = H.NoDirEntries == 0;
  C.Verbose = H.Verbose != 0;
  C.Level = std::clamp(H.Level, 0, 9);
  C.JunkDir = H.JunkDir != 0;
  C.Recurse = H.Recurse != 0;
  C.ForceDOS = H.ForceDOS != 0;
  C.Move = H.Move != 0;
  C.Delete = H.Delete != 0;
  C.Update = H.Update != 0;
  C.Freshen = H.Freshen != 0 && !C.Update;
  C.ZipTime = H.ZipTime != 0;
  C.Archive = ZipRecText(H.ZipFileName, 4096);
  int Count = std::max(0, H.ArgCount);
  if (LibVersion >= ZipEngShortRecordVersion) {
    const ZipCmdRec& R = *static_cast<const ZipCmdRec*>(Record);
    C.TempPath = ZipRecText(R.TempPath, 4096);
    if (R.Specs)
      for (int i = 0; i < Count; i++) C.Specs.push_back(ZipRecText(R.Specs[i].FileSpec, 4096));
    if (LibVersion >= ZipEngStreamVersion) {
      C.HasComment = R.ArchComment != nullptr;
      C.Comment = ZipRecText(R.ArchComment, 0xFFFF);
      C.ArchiveOnly = R.ArchiveFilesOnly != 0;
      C.ResetArchive = R.ResetArchiveBit != 0;
      if (R.Excludes)
        for (int i = 0; i < std::max(0, R.ExclCount); i++) C.Excludes.push_back(ZipRecText(R.Excludes[i], 4096));
    }
  } else {
    const ZipCmdRecLong& R = *static_cast<const ZipCmdRecLong*>(Record);
    Count = std::min(Count, int(ZipLongSpecCount));
    for (int i = 0; i < Count; i++) C.Specs.push_back(ZipRecText(R.Specs[i], 4096));
  }
  return true;
}

struct TAborted {};
struct TFailed {
  int32_t Code;
  std::string Text;
};

// Output through a buffer; bytes already written can be patched (a local
// header whose sizes are known only after its data).
class TOutput {
 public:
  explicit TOutput(THandle H) : FHandle(H) { FBuf.reserve(Capacity); }
  int64_t Pos() const { return FBase + int64_t(FBuf.size()); }
  void Write(const void* P, size_t N) {
    if (FBuf.size() + N > Capacity) Flush();
    if (N >= Capacity) {
      Direct(P, N);
      FBase += int64_t(N);
      return;
    }
    const uint8_t* B = static_cast<const uint8_t*>(P);
    FBuf.insert(FBuf.end(), B, B + N);
  }
  void Write(const std::string& S) { Write(S.data(), S.size()); }
  void Patch(int64_t At, const void* P, size_t N) {
    if (At >= FBase) {
      std::memcpy(FBuf.data() + (At - FBase), P, N);
      return;
    }
    Flush();
    FileSeek(FHandle, At, soFromBeginning);
    Direct(P, N);
    FileSeek(FHandle, FBase, soFromBeginning);
  }
  void Flush() {
    Direct(FBuf.data(), FBuf.size());
    FBase += int64_t(FBuf.size());
    FBuf.clear();
  }

 private:
  static constexpr size_t Capacity = 1 << 20;
  void Direct(const void* P, size_t N) {
    const uint8_t* B = static_cast<const uint8_t*>(P);
    while (N > 0) {
      int32_t Part = int32_t(std::min<size_t>(N, 1 << 24));
      if (FileWrite(FHandle, B, Part) != Part) throw TFailed{zeWrite, "Write error on the temporary zip file"};
      B += Part;
      N -= size_t(Part);
    }
  }
  THandle FHandle;
  std::vector<uint8_t> FBuf;
  int64_t FBase = 0;
};

// A file found for adding.
struct TNewFile {
  std::string Source;  // full path
  std::string Stored;  // ANSI, "\" separators; folders end in "\"
  int Time = 0;        // DOS date-time
  int Attr = 0;
  int64_t Size = 0;
  bool Folder() const { return !Stored.empty() && Stored.back() == '\\'; }
};

// One entry of the new archive.
struct TOutEntry {
  TZipCentralHeader Central;
  std::string Name, Extra, Comment;
};

// What becomes of an entry of the old archive.
enum : uint8_t { oaCopy, oaReplace, oaDrop };

std::string UpperKey(const std::string& Name) { return AnsiUpperCase(Name); }

// Path components of a stored name: no drive, no leading "\", no "." or "..".
std::string CleanStoredPath(const std::string& Path) {
  std::string P = SlashToBackslash(Path);
  std::string Drive = ExtractFileDrive(P);
  P.erase(0, Drive.size());
  std::string R;
  size_t Start = 0;
  while (Start < P.size()) {
    size_t End = P.find('\\', Start);
    if (End == std::string::npos) End = P.size();
    std::string Part = P.substr(Start, End - Start);
    if (!Part.empty() && Part != "." && Part != "..") R += Part + "\\";
    Start = End + 1;
  }
  return R;
}

// An 8.3 form of every component, upper case.
std::string DosName(const std::string& Stored) {
  std::string R;
  size_t Start = 0;
  while (Start < Stored.size()) {
    size_t End = Stored.find('\\', Start);
    bool Last = End == std::string::npos;
    if (Last) End = Stored.size();
    std::string Part = Stored.substr(Start, End - Start);
    size_t Dot = Part.rfind('.');
    std::string Base = Dot == std::string::npos ? Part : Part.substr(0, Dot);
    std::string Ext = Dot == std::string::npos ? "" : Part.substr(Dot + 1);
    std::replace(Base.begin(), Base.end(), '.', '_');
    std::replace(Base.begin(), Base.end(), ' ', '_');
    std::replace(Ext.begin(), Ext.end(), ' ', '_');
    std::string D = AnsiUpperCase(Base.substr(0, 8));
    if (!Ext.empty()) D += "." + AnsiUpperCase(Ext.substr(0, 3));
    R += D;
    if (!Last) R += "\\";
    Start = End + 1;
  }
  return R;
}

class TEngine {
 public:
  explicit TEngine(const TCommand& C) : FCmd(C) {}
  int32_t Run();

 private:
  void Call(int32_t Action, int32_t Error, int64_t Size, const std::string& Text) {
    if (!FCmd.Callback) return;
    FillCallbackRec(FRec, FCmd.Handle, FCmd.Caller, Action, Error,
                    int32_t(uint32_t(std::clamp<int64_t>(Size, 0, Max32))), Text);
    if (FCmd.Callback(&FRec) == -1) throw TAborted();
  }
  void Message(int32_t Code, const std::string& Text) { Call(cbMessage, Code, 0, Text); }

  bool ReadOld();
  void AddSpec(const std::string& Spec);
  void SearchFolder(const std::string& Dir, const std::string& Mask, const std::string& Stored);
  void AddFound(const std::string& Full, const std::string& Stored, const TSearchRec& F);
  bool Excluded(const std::string& Stored) const;
  bool Newer(const TNewFile& F, const TZipDirItem& Old) const {
    uint32_t OldTime = uint32_t(Old.Central.Date) << 16 | Old.Central.Time;
    return uint32_t(F.Time) > OldTime;
  }
  bool Plan();
  void AskPassword();
  void Write(const std::string& Temp);
  void CopyOld(const TZipDirItem& It);
  void CopyBytes(int64_t Pos, int64_t Count);
  bool Compress(const TNewFile& F);
  void PutInPlace(const std::string& Temp);
  void AfterAdding();

  const TCommand& FCmd;
  ZipCallbackRec FRec{};
  std::string FArchive;  // full path
  std::string FTemp;
  bool FExists = false;
  std::unique_ptr<TFileStream> FIn;
  TDeflateEncoder FDeflate;
  TZipDirectory FDir;
  std::vector<uint8_t> FAction;  // per old item
  std::unordered_map<std::string, size_t> FOldIndex;  // upper-cased display name
  std::vector<TNewFile> FFound;
  std::unordered_set<std::string> FFoundKeys;
  std::vector<std::string> FFolders;  // searched, for removal after a move
  std::vector<size_t> FReplaceWith;  // per old item: index into FFound
  std::vector<size_t> FAppend;       // new files, in order found
  std::vector<const TNewFile*> FDone;  // files written
  std::vector<TOutEntry> FOut;
  std::unique_ptr<TOutput> FWriter;
  std::string FPassword;
  uint32_t FNewest = 0;
  int32_t FCount = 0;
};

bool TEngine::ReadOld() {
  FExists = FileExists(FArchive);
  if (!FExists) return true;
  try {
    FIn = std::make_unique<TFileStream>(FArchive, fmOpenRead | fmShareDenyWrite);
  } catch (const std::exception&) {
    Message(zeOpen, "Could not open zipfile: " + FArchive);
    return false;
  }
  std::string Why;
  if (FIn->Size() == 0) return true;
  if (!ReadZipDirectory(*FIn, FDir, Why)) {
    Message(zeForm, "Zip file structure invalid (" + Why + "): " + FArchive);
    return false;
  }
  FAction.assign(FDir.Items.size(), oaCopy);
  FReplaceWith.assign(FDir.Items.size(), 0);
  for (size_t i = 0; i < FDir.Items.size(); i++)
    FOldIndex.emplace(UpperKey(ZipDisplayName(FDir.Items[i].Name, FDir.Items[i].Central.VersionMadeBy, FDir.Items[i].Central.Flags)), i);
  return true;
}

bool TEngine::Excluded(const std::string& Stored) const {
  for (const std::string& X : FCmd.Excludes) {
    std::string Mask = SlashToBackslash(X);
    if (Mask.empty()) continue;
    if (CompareWildcard(Stored, Mask) || (Mask.find('\\') == std::string::npos && CompareWildcard(Stored, Mask, true)))
      return true;
  }
  return false;
}

void TEngine::AddFound(const std::string& Full, const std::string& Stored, const TSearchRec& F) {
  if (SameText(Full, FArchive) || SameText(Full, FTemp)) return;
  if (FCmd.ArchiveOnly && !(F.Attr & faArchive) && !(F.Attr & faDirectory)) return;
  std::string Name = FCmd.ForceDOS ? DosName(Stored) : Stored;
  if (Excluded(Name)) return;
  if (!FFoundKeys.insert(UpperKey(Name)).second) return;
  TNewFile N;
  N.Source = Full;
  N.Stored = Name;
  N.Time = F.Time;
  N.Attr = F.Attr;
  N.Size = (F.Attr & faDirectory) ? 0 : F.Size;
  FFound.push_back(std::move(N));
}

void TEngine::SearchFolder(const std::string& Dir, const std::string& Mask, const std::string& Stored) {
  const int Attr = faReadOnly | faArchive | faDirectory | (FCmd.Hidden ? faHidden | faSysFile : 0);
  const bool Hidden = FCmd.Hidden;
  auto Skip = [Hidden](const TSearchRec& F) { return !Hidden && (F.Attr & (faHidden | faSysFile)); };
  // Full names, so that the archive and the temporary file are recognised.
  const std::string Abs = ExtractFilePath(ExpandFileName(Dir + "*"));
  TSearchRec F;
  if (FindFirst(Dir + Mask, Attr, F) == 0) {
    do {
      if (F.Name == "." || F.Name == ".." || (F.Attr & faDirectory) || Skip(F)) continue;
      AddFound(Abs + F.Name, FCmd.JunkDir ? F.Name : Stored + F.Name, F);
    } while (FindNext(F) == 0);
    FindClose(F);
  }
  if (!FCmd.Recurse) return;
  if (FindFirst(Dir + "*", Attr, F) == 0) {
    std::vector<TSearchRec> Subs;
    do {
      if (F.Name == "." || F.Name == ".." || !(F.Attr & faDirectory) || Skip(F)) continue;
      Subs.push_back(F);
    } while (FindNext(F) == 0);
    FindClose(F);
    for (const TSearchRec& S : Subs) {
      std::string Sub = Dir + S.Name + "\\";
      std::string SubStored = Stored + S.Name + "\\";
      FFolders.push_back(Sub);
      if (FCmd.DirEntries && !FCmd.JunkDir) AddFound(Abs + S.Name, SubStored, S);
      SearchFolder(Sub, Mask, SubStored);
    }
  }
}

void TEngine::AddSpec(const std::string& Spec) {
  std::string S = SlashToBackslash(Trim(Spec));
  if (S.empty()) return;
  std::string Dir, Mask;
  if (S.find_first_of("*?") == std::string::npos && DirectoryExists(S)) {
    Dir = IncludeTrailingBackslash(S);
    Mask = "*.*";
  } else {
    Dir = ExtractFilePath(S);
    Mask = ExtractFileName(S);
  }
  if (Mask.empty()) Mask = "*.*";
  SearchFolder(Dir, Mask, CleanStoredPath(Dir));
}

bool TEngine::Plan() {
  if (FCmd.Delete) {
    int Dropped = 0;
    for (size_t i = 0; i < FDir.Items.size(); i++) {
      std::string Name = ZipDisplayName(FDir.Items[i].Name, FDir.Items[i].Central.VersionMadeBy, FDir.Items[i].Central.Flags);
      for (const std::string& Spec : FCmd.Specs) {
        std::string Mask = SlashToBackslash(Trim(Spec));
        if (!Mask.empty() && (CompareWildcard(Name, Mask) ||
                              (Mask.back() == '\\' && UpperKey(Name).rfind(UpperKey(Mask), 0) == 0))) {
          FAction[i] = oaDrop;
          Dropped++;
          break;
        }
      }
    }
    FCount = Dropped;
    return Dropped > 0;
  }

  for (const std::string& Spec : FCmd.Specs) AddSpec(Spec);
  for (size_t f = 0; f < FFound.size(); f++) {
    const TNewFile& N = FFound[f];
    auto Old = FOldIndex.find(UpperKey(N.Stored));
    if (Old == FOldIndex.end() && N.Folder()) {
      // A folder entry stored without its trailing separator is the same entry.
      Old = FOldIndex.find(UpperKey(N.Stored.substr(0, N.Stored.size() - 1)));
    }
    if (Old != FOldIndex.end()) {
      const TZipDirItem& It = FDir.Items[Old->second];
      if (N.Folder() || ((FCmd.Update || FCmd.Freshen) && !Newer(N, It))) continue;
      FAction[Old->second] = oaReplace;
      FReplaceWith[Old->second] = f;
    } else if (!FCmd.Freshen) {
      FAppend.push_back(f);
    }
  }
  bool Any = std::count(FAction.begin(), FAction.end(), oaReplace) > 0;
  for (size_t f : FAppend)
    if (!FFound[f].Folder()) Any = true;
  return Any;
}

void TEngine::AskPassword() {
  FPassword = FCmd.Password;
  if (!FCmd.Encrypt || !FPassword.empty()) return;
  // Bit 0 of field 20 tells the caller that adding asks.
  Call(cbPassword, 1, 1, "");
  if (FRec.ErrorCode == 1) FPassword = ZipRecText(FRec.Text, ZipMaxPasswordLen);
  if (FPassword.empty()) throw TFailed{zeParams, "No password given for encryption"};
}

void TEngine::CopyOld(const TZipDirItem& It) {
  TOutEntry E;
  E.Central = It.Central;
  E.Name = It.Name;
  E.Extra = It.Extra;
  E.Comment = It.Comment;
  if (FWriter->Pos() > Max32) throw TFailed{zeBig, "Archive too large without Zip64"};
  E.Central.LocalHeaderOffset = uint32_t(FWriter->Pos());
  E.Central.DiskNumberStart = 0;
  CopyBytes(It.LocalPos, It.LocalSize);
  FOut.push_back(std::move(E));
}

void TEngine::CopyBytes(int64_t Pos, int64_t Count) {
  FIn->SetPosition(Pos);
  std::vector<uint8_t> Buf(size_t(std::clamp<int64_t>(Count, 1, CopyBlock)));
  while (Count > 0) {
    int32_t Part = int32_t(std::min<int64_t>(Count, int64_t(Buf.size())));
    if (FIn->Read(Buf.data(), Part) != Part) throw TFailed{zeRead, "Read error in zipfile: " + FArchive};
    FWriter->Write(Buf.data(), size_t(Part));
    Count -= Part;
  }
}

// Pulls a file's bytes for the encoder with CRC and progress, and pushes the
// output through the cipher into the archive.
class TEntryIO : public TDeflateIO {
 public:
  // Reads at most Limit bytes: the size the file had when it was found,
  // which the totals reported; a small file then needs no read at its end.
  TEntryIO(THandle In, uint64_t Limit, TOutput& Out, bool Cipher, std::function<void(size_t)> Progress)
      : FIn(In), FLimit(Limit), FOut(Out), FCipher(Cipher), FProgress(std::move(Progress)) {}
  size_t ReadInput(uint8_t* Buf, size_t Count) override {
    if (Read >= FLimit) return 0;
    int32_t Got = FileRead(FIn, Buf, int32_t(std::min<uint64_t>({Count, FLimit - Read, 1u << 30})));
    if (Got <= 0) return 0;
    Crc32Block(Buf, size_t(Got), Crc);
    Read += uint64_t(Got);
    FProgress(size_t(Got));
    return size_t(Got);
  }
  void WriteOutput(const uint8_t* Buf, size_t Count) override {
    if (FCipher) {
      FScratch.assign(Buf, Buf + Count);
      ZipEncryptBuffer(FScratch.data(), Count);
      FOut.Write(FScratch.data(), Count);
    } else {
      FOut.Write(Buf, Count);
    }
    Written += Count;
  }
  uint32_t Crc = 0xFFFFFFFF;
  uint64_t Read = 0;
  uint64_t Written = 0;

 private:
  THandle FIn;
  uint64_t FLimit;
  TOutput& FOut;
  bool FCipher;
  std::function<void(size_t)> FProgress;
  std::vector<uint8_t> FScratch;
};

bool TEngine::Compress(const TNewFile& F) {
  const bool Folder = F.Folder();
  THandle In = InvalidHandle;
  if (!Folder) {
    In = FileOpen(F.Source, fmOpenRead | fmShareDenyWrite);
    if (In == InvalidHandle) {
      Message(zeOpen, "Could not open for reading: " + F.Source);
      return false;
    }
  }
  struct TCloser {
    THandle H;
    ~TCloser() {
      if (H != InvalidHandle) FileClose(H);
    }
  } Closer{In};

  const std::string ZipName = BackslashToSlash(AnsiToOem(F.Stored));
  const int64_t Offset = FWriter->Pos();
  if (ZipName.size() > 0xFFFF || F.Size > Max32 || Offset > Max32) {
    Message(zeBig, "Too large without Zip64: " + F.Source);
    return false;
  }
  Call(cbNewFile, 0, F.Size, F.Stored);

  const std::string Ext = UpperCase(ExtractFileExt(F.Stored));
  const bool Store = Folder || F.Size == 0 || FCmd.Level == 0 ||
                     std::find(FCmd.StoreSuffixes.begin(), FCmd.StoreSuffixes.end(), Ext) != FCmd.StoreSuffixes.end();
  const bool Cipher = FCmd.Encrypt && !Folder;
  TZipLocalHeader L;
  L.VersionNeeded = Store && !Cipher ? 10 : 20;
  L.Method = Store ? 0 : 8;
  L.Time = uint16_t(uint32_t(F.Time) & 0xFFFF);
  L.Date = uint16_t(uint32_t(F.Time) >> 16);
  L.NameLength = uint16_t(ZipName.size());
  if (Cipher) L.Flags = zgEncrypted | zgDataDescriptor;
  if (!Store) L.Flags |= FCmd.Level <= 2 ? 4 : FCmd.Level >= 8 ? 2 : 0;
  uint8_t Rec[TZipLocalHeader::Size];
  L.Write(Rec);
  FWriter->Write(Rec, sizeof Rec);
  FWriter->Write(ZipName);

  uint64_t Packed = 0;
  TEntryIO IO(In, uint64_t(F.Size), *FWriter, Cipher, [this](size_t N) { Call(cbProgress, 0, int64_t(N), ""); });
  if (Cipher) {
    // With a data descriptor the check byte is the high byte of the time.
    uint8_t Head[ZipEncryptHeaderSize];
    ZipMakeEncryptHeader(FPassword, uint32_t(L.Time) << 16, Head);
    FWriter->Write(Head, sizeof Head);
    Packed += ZipEncryptHeaderSize;
  }
  if (!Folder) {
    if (Store) {
      std::vector<uint8_t> Buf(size_t(std::clamp<int64_t>(F.Size, 1, int64_t(CopyBlock))));
      size_t N;
      while ((N = IO.ReadInput(Buf.data(), Buf.size())) > 0) IO.WriteOutput(Buf.data(), N);
    } else {
      TDeflateResult R = FDeflate.Encode(IO, FCmd.Level, true);
      if (R.Plain) {
        L.Method = 0;
        L.Flags &= uint16_t(~zgDeflateLevel);
        L.VersionNeeded = Cipher ? 20 : 10;
      }
    }
  }
  Packed += IO.Written;
  if (Packed > uint64_t(Max32) || IO.Read > uint64_t(Max32)) throw TFailed{zeBig, "Too large without Zip64: " + F.Source};
  L.Crc32 = IO.Crc ^ 0xFFFFFFFF;
  L.PackedSize = uint32_t(Packed);
  L.UnpackedSize = uint32_t(IO.Read);
  L.Write(Rec);
  FWriter->Patch(Offset, Rec, sizeof Rec);
  if (Cipher) {
    uint8_t D[TZipDataDescriptor::Size];
    TZipDataDescriptor Desc;
    Desc.Crc32 = L.Crc32;
    Desc.PackedSize = L.PackedSize;
    Desc.UnpackedSize = L.UnpackedSize;
    Desc.Write(D);
    FWriter->Write(D, sizeof D);
  }

  TOutEntry E;
  TZipCentralHeader& C = E.Central;
  C = CentralFromLocal(L, uint32_t(Offset));
  C.VersionMadeBy = MadeByFat;
  C.ExternalAttr = uint32_t(F.Attr & (faReadOnly | faHidden | faSysFile | faDirectory | faArchive));
  E.Name = ZipName;
  FOut.push_back(std::move(E));
  if (FCmd.Verbose) {
    int Ratio = IO.Read ? int(100 - (Packed * 100 + IO.Read / 2) / IO.Read) : 0;
    Message(0, "  adding: " + F.Stored + (L.Method == 8 ? " (deflated " + IntToStr(Ratio) + "%)" : " (stored 0%)"));
  }
  if (!Folder) FCount++;
  FDone.push_back(&F);
  return true;
}

void TEngine::Write(const std::string& Temp) {
  THandle H = FileCreate(Temp);
  if (H == InvalidHandle) throw TFailed{zeCreate, "Could not create the temporary zip file: " + Temp};
  struct TCloser {
    THandle H;
    ~TCloser() { FileClose(H); }
  } Closer{H};
  FWriter = std::make_unique<TOutput>(H);

  uint32_t Files = 0;
  int64_t Bytes = 0;
  auto Count = [&](const TNewFile& F) {
    if (!F.Folder()) {
      Files++;
      Bytes += F.Size;
    }
  };
  for (size_t i = 0; i < FAction.size(); i++)
    if (FAction[i] == oaReplace) Count(FFound[FReplaceWith[i]]);
  for (size_t f : FAppend) Count(FFound[f]);
  if (FCmd.Delete) Files = uint32_t(FCount);
  Call(cbTotalFiles, 0, Files, "");
  Call(cbTotalSize, 0, Bytes, "");

  // A program stub in front stays; offsets then count it.
  if (FDir.StubSize > 0) CopyBytes(0, FDir.StubSize);
  for (size_t i = 0; i < FDir.Items.size(); i++) {
    if (FAction[i] == oaDrop) continue;
    if (FAction[i] == oaReplace) {
      int64_t At = FWriter->Pos();
      if (Compress(FFound[FReplaceWith[i]])) continue;
      // The file could not be read: the old entry stays.
      if (FWriter->Pos() != At) throw TFailed{zeWrite, "Entry half written"};
    }
    CopyOld(FDir.Items[i]);
  }
  for (size_t f : FAppend) Compress(FFound[f]);

  // ZipTime dates the archive by its newest entry, old or new.
  for (const TOutEntry& E : FOut)
    FNewest = std::max(FNewest, uint32_t(E.Central.Date) << 16 | E.Central.Time);
  const int64_t CentralStart = FWriter->Pos();
  if (FOut.size() > 0xFFFF) throw TFailed{zeBig, "More than 65535 entries need Zip64"};
  for (const TOutEntry& E : FOut) {
    TZipCentralHeader C = E.Central;
    C.NameLength = uint16_t(E.Name.size());
    C.ExtraLength = uint16_t(E.Extra.size());
    C.CommentLength = uint16_t(E.Comment.size());
    uint8_t Rec[TZipCentralHeader::Size];
    C.Write(Rec);
    FWriter->Write(Rec, sizeof Rec);
    FWriter->Write(E.Name);
    FWriter->Write(E.Extra);
    FWriter->Write(E.Comment);
  }
  const int64_t CentralEnd = FWriter->Pos();
  if (CentralEnd > Max32) throw TFailed{zeBig, "Archive too large without Zip64"};
  std::string Comment = FCmd.HasComment ? FCmd.Comment : FDir.Comment;
  if (Comment.size() > 0xFFFF) Comment.resize(0xFFFF);
  TZipEndRecord End;
  End.EntriesOnDisk = End.EntriesTotal = uint16_t(FOut.size());
  End.CentralDirSize = uint32_t(CentralEnd - CentralStart);
  End.CentralDirOffset = uint32_t(CentralStart);
  End.CommentLength = uint16_t(Comment.size());
  uint8_t Rec[TZipEndRecord::Size];
  End.Write(Rec);
  FWriter->Write(Rec, sizeof Rec);
  FWriter->Write(Comment);
  FWriter->Flush();
}

void TEngine::PutInPlace(const std::string& Temp) {
  FIn.reset();
  if (!MoveFileReplace(Temp, FArchive)) throw TFailed{zeTemp, "Could not replace " + FArchive + " by the new archive"};
  if (FCmd.ZipTime && FNewest != 0) FileSetDate(FArchive, int(FNewest));
}

void TEngine::AfterAdding() {
  for (const TNewFile* F : FDone) {
    if (F->Folder()) continue;
    if (FCmd.Move) {
      if (!DeleteFile(F->Source)) Message(zeWarning, "Could not delete moved file: " + F->Source);
    } else if (FCmd.ResetArchive && (F->Attr & faArchive)) {
      FileSetAttr(F->Source, F->Attr & ~faArchive & (faReadOnly | faHidden | faSysFile));
    }
  }
  // A move also takes the folders it emptied, deepest first.
  if (FCmd.Move)
    for (auto D = FFolders.rbegin(); D != FFolders.rend(); ++D) RemoveDir(ExcludeTrailingBackslash(*D));
}

int32_t TEngine::Run() {
  FArchive = ExpandFileName(FCmd.Archive);
  if (FCmd.Archive.empty()) {
    Message(zeParams, "No zip file specified");
    return 0;
  }
  std::string TempDir = FCmd.TempPath.empty() ? ExtractFilePath(FArchive) : IncludeTrailingBackslash(FCmd.TempPath);
  try {
    if (!ReadOld()) return 0;
    if (FCmd.Delete && !FExists) {
      Message(zeName, "Zip file not found: " + FArchive);
      return 0;
    }
    FTemp = MakeTempFileName(TempDir, "zip");
    if (FTemp.empty()) throw TFailed{zeTemp, "Could not make a temporary file in " + TempDir};
    FTemp = ExpandFileName(FTemp);
    bool Work = Plan();
    if (!Work) {
      DeleteFile(FTemp);
      Message(zeNone, FCmd.Delete ? "Nothing to delete" : "Nothing to do");
      return 0;
    }
    if (!FCmd.Delete) AskPassword();
    Write(FTemp);
    PutInPlace(FTemp);
  } catch (const TAborted&) {
    FIn.reset();
    if (!FTemp.empty()) DeleteFile(FTemp);
    return 0;
  } catch (const TFailed& X) {
    FIn.reset();
    if (!FTemp.empty()) DeleteFile(FTemp);
    try {
      Message(X.Code, X.Text);
    } catch (const TAborted&) {
    }
    return 0;
  }
  try {
    if (!FCmd.Delete) AfterAdding();
    Call(cbEndBatch, 0, 0, "");
  } catch (const TAborted&) {
  }
  return FCount;
}

}  // namespace

int32_t RunZipCommand(void* Record, int32_t LibVersion) {
  return RunLibraryCommand<TCommand, TEngine>(Record, LibVersion, ReadCommand);
}
