#include "libs/unzeng/unzengine.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "archive/codecs/codec_error.h"
#include "archive/codecs/codec_io.h"
#include "archive/codecs/zip_decoders.h"
#include "archive/core/arcutil.h"
#include "archive/core/bytes.h"
#include "archive/core/crc.h"
#include "archive/core/zipcrypt.h"
#include "archive/core/ziprecords.h"
#include "archive/formats/zip/zipdir.h"
#include "framework/core/os.h"
#include "framework/core/streams.h"
#include "framework/core/sysutils.h"
#include "libs/zipengrecs.h"

namespace {

const char* const WriteErrorText = "Error writing to a file";

// The command as read from either record layout.
struct TCommand {
  void* Handle = nullptr;
  void* Caller = nullptr;
  ZipCallbackFunc Callback = nullptr;
  std::string Password;
  bool Test = false;
  bool Verbose = false;
  bool Update = false;
  bool Freshen = false;
  bool DirNames = false;
  bool Overwrite = false;
  std::string Archive;
  std::vector<std::string> Specs;
  bool ToMemory = false;
  uint8_t* Memory = nullptr;
  uint32_t MemorySize = 0;
  int PasswordReqCount = 1;
};

bool ReadCommand(void* Record, int32_t LibVersion, TCommand& C) {
  if (!Record) return false;
  const UnzipCmdHead& H = *static_cast<const UnzipCmdHead*>(Record);
  C.Handle = H.Handle;
  C.Caller = H.Caller;
  C.Callback = H.Callback;
  C.Password = ZipRecText(H.Password, ZipMaxPasswordLen);
  C.Test = H.Test != 0;
  C.Verbose = H.Verbose != 0;
  C.Update = H.Update != 0;
  C.Freshen = H.Freshen != 0 && !C.Update;
  C.DirNames = H.DirNames != 0;
  C.Overwrite = H.Overwrite != 0;
  C.Archive = ZipRecText(H.ZipFileName, 4096);
  int Count = std::max(0, H.ArgCount);
  if (LibVersion >= UnzEngShortRecordVersion) {
    const UnzipCmdRec& R = *static_cast<const UnzipCmdRec*>(Record);
    if (R.Specs)
      for (int i = 0; i < Count; i++) C.Specs.push_back(ZipRecText(R.Specs[i].FileSpec, 4096));
    if (LibVersion >= ZipEngStreamVersion) {
      C.PasswordReqCount = std::clamp(R.PasswordReqCount, 0, 15);
      if (R.UseMemory != 0) {
        C.ToMemory = true;
        C.Memory = R.Memory;
        C.MemorySize = uint32_t(R.MemorySize);
      }
    }
  } else {
    const UnzipCmdRecLong& R = *static_cast<const UnzipCmdRecLong*>(Record);
    Count = std::min(Count, int(ZipLongSpecCount));
    for (int i = 0; i < Count; i++) C.Specs.push_back(ZipRecText(R.Specs[i], 4096));
  }
  return true;
}

struct TEntry {
  std::string Name;  // ANSI, "\" separators
  uint16_t MadeBy = 0;
  uint16_t Flags = 0;
  uint16_t Method = 0;
  uint16_t Time = 0;
  uint16_t Date = 0;
  uint32_t Crc = 0;
  uint32_t Packed = 0;
  uint32_t Unpacked = 0;
  uint32_t ExtAttr = 0;
  int64_t LocalOffset = 0;
  bool Overlaps = false;  // its data lies in another entry's
  bool IsDir() const { return (ExtAttr & faDirectory) != 0 || (!Name.empty() && Name.back() == '\\'); }
};

// Names that would leave the extraction folder, name a stream or a device,
// or be longer than the system can create where they would be written.
bool UnsafeName(const std::string& N, const std::string& Target) {
  if (N.empty() || N[0] == '\\' || N.find(':') != std::string::npos) return true;
  if (ExpandFileName(Target).size() > MaxPathLength) return true;
  size_t Start = 0;
  while (Start <= N.size()) {
    size_t End = N.find('\\', Start);
    if (End == std::string::npos) End = N.size();
    const std::string Part = N.substr(Start, End - Start);
    if (Part == ".." || IsReservedDeviceName(Part)) return true;
    Start = End + 1;
  }
  return false;
}

bool SpecMatches(const std::string& Name, const std::vector<std::string>& Specs) {
  if (Specs.empty()) return true;
  for (const std::string& S : Specs) {
    std::string Mask = SlashToBackslash(S);
    if (Mask.empty()) continue;
    if (Mask == "*.*" || CompareWildcard(Name, Mask)) return true;
  }
  return false;
}

struct TAborted {};
struct TWriteFailed {};
struct TTooLong {};

class TEngine;

// Moves one entry's bytes: packed input from the archive (deciphered when the
// entry is encrypted), unpacked output to a file, the caller's memory or
// nowhere (test), with the running CRC and progress reports.
class TEntryIO : public TCodecIO {
 public:
  TEntryIO(TEngine& E, TStream& In, uint64_t Packed, bool Decrypt, uint64_t Limit)
      : FEngine(E), FIn(In), FLeft(Packed), FDecrypt(Decrypt), FLimit(Limit) {}
  THandle Out = InvalidHandle;
  uint8_t* Memory = nullptr;
  uint32_t Crc = 0xFFFFFFFF;
  uint64_t Written = 0;

  size_t ReadPacked(uint8_t* Buf, size_t Count) override {
    size_t Want = size_t(std::min<uint64_t>(Count, FLeft));
    if (Want == 0) return 0;
    int32_t Got = FIn.Read(Buf, int32_t(std::min<size_t>(Want, 1 << 30)));
    if (Got <= 0) {
      FLeft = 0;
      return 0;
    }
    FLeft -= uint64_t(Got);
    if (FDecrypt) ZipDecryptBuffer(Buf, size_t(Got));
    return size_t(Got);
  }
  void WriteUnpacked(const uint8_t* Buf, size_t Count) override;

 private:
  TEngine& FEngine;
  TStream& FIn;
  uint64_t FLeft;
  bool FDecrypt;
  uint64_t FLimit;
};

class TEngine {
 public:
  explicit TEngine(const TCommand& C) : FCmd(C) {}

  int32_t Run();
  // Calls back; a -1 answer stops the run.
  int Call(int32_t Action, int32_t Error, int32_t Size, const std::string& Text) {
    if (!FCmd.Callback) return 0;
    FillCallbackRec(FRec, FCmd.Handle, FCmd.Caller, Action, Error, Size, Text);
    int R = FCmd.Callback(&FRec);
    if (R == -1) FAborted = true;
    return R;
  }
  void Progress(size_t Bytes) {
    Call(cbProgress, 0, int32_t(Bytes), "");
    if (FAborted) throw TAborted();
  }
  ZipCallbackRec FRec{};

 private:
  bool ReadDirectory();
  void ProcessEntry(const TEntry& E);
  bool FindPassword(const TEntry& E, const uint8_t (&Header)[ZipEncryptHeaderSize]);
  bool Decode(const TEntry& E, TEntryIO& IO, uint64_t Packed);
  void Skip(const TEntry& E, uint8_t Type, int32_t Error) { Call(cbSkipped, Error, Type, E.Name); }
  void Error(int32_t Code, const std::string& Text) { Call(cbMessage, Code, 0, Text); }

  const TCommand& FCmd;
  std::unique_ptr<TFileStream> FIn;
  std::vector<TEntry> FEntries;
  std::string FGoodPassword;
  TZipDecoders FDecoders;
  bool FAborted = false;
  int32_t FCount = 0;
};

void TEntryIO::WriteUnpacked(const uint8_t* Buf, size_t Count) {
  if (Count == 0) return;
  if (Written + Count > FLimit) throw TTooLong();
  Crc32Block(Buf, Count, Crc);
  if (Memory) {
    std::memcpy(Memory + Written, Buf, Count);
  } else if (Out != InvalidHandle) {
    size_t Done = 0;
    while (Done < Count) {
      int32_t Part = int32_t(std::min<size_t>(Count - Done, 1 << 20));
      if (FileWrite(Out, Buf + Done, Part) != Part) throw TWriteFailed();
      Done += size_t(Part);
    }
  }
  Written += Count;
  FEngine.Progress(Count);
}

bool TEngine::ReadDirectory() {
  try {
    FIn = std::make_unique<TFileStream>(FCmd.Archive, fmOpenRead | fmShareDenyWrite);
  } catch (const std::exception&) {
    Error(ueNoZip, "Cannot open zipfile: " + FCmd.Archive);
    return false;
  }
  TZipLocation Loc = FindZipEndRecord(*FIn, 0xFFFF);
  if (!Loc.EndFound()) {
    Error(ueNoZip, "Not a zipfile: " + FCmd.Archive);
    return false;
  }
  const TZipEndRecord& End = Loc.End;
  if (End.DiskNumber != 0 || End.CentralDirDisk != 0) {
    Error(ueNoZip, "Cannot read a multi-disk archive: " + FCmd.Archive);
    return false;
  }
  // Archives with a program stub in front keep offsets from their own start.
  int64_t Size = int64_t(End.CentralDirSize);
  if (Size > Loc.EndOffset) {
    Error(ueBadArchive, "Bad central directory: " + FCmd.Archive);
    return false;
  }
  int64_t CdStart = Loc.EndOffset - Size;
  int64_t Shift = CdStart - int64_t(End.CentralDirOffset);
  std::vector<uint8_t> Dir(size_t(Size) + 1);
  FIn->SetPosition(CdStart);
  if (Size > 0 && FIn->Read(Dir.data(), int32_t(Size)) != int32_t(Size)) {
    Error(ueBadArchive, "Bad central directory: " + FCmd.Archive);
    return false;
  }
  ByteReader R(Dir.data(), size_t(Size));
  for (int i = 0; i < End.EntriesTotal; i++) {
    TZipCentralHeader H;
    if (!H.Read(R) || !H.Valid()) {
      Error(ueBadArchive, "Bad central directory: " + FCmd.Archive);
      return false;
    }
    std::string Raw = R.Str(H.NameLength);
    R.Skip(size_t(H.ExtraLength) + H.CommentLength);
    if (!R.Ok()) {
      Error(ueBadArchive, "Bad central directory: " + FCmd.Archive);
      return false;
    }
    TEntry E;
    E.Name = ZipDisplayName(Raw, H.VersionMadeBy, H.Flags);
    E.MadeBy = H.VersionMadeBy;
    E.Flags = H.Flags;
    E.Method = H.Method;
    E.Time = H.Time;
    E.Date = H.Date;
    E.Crc = H.Crc32;
    E.Packed = H.PackedSize;
    E.Unpacked = H.UnpackedSize;
    E.ExtAttr = H.ExternalAttr;
    E.LocalOffset = int64_t(H.LocalHeaderOffset) + Shift;
    FEntries.push_back(std::move(E));
  }
  std::vector<TZipSpan> Spans;
  for (const TEntry& E : FEntries) Spans.push_back({E.LocalOffset, int64_t(E.Packed)});
  const std::vector<bool> Overlaps = ZipOverlappingEntries(Spans);
  for (size_t i = 0; i < FEntries.size(); ++i) FEntries[i].Overlaps = Overlaps[i];
  return true;
}

bool TEngine::FindPassword(const TEntry& E, const uint8_t (&Header)[ZipEncryptHeaderSize]) {
  uint8_t Check = (E.Flags & zgDataDescriptor) ? uint8_t(E.Time >> 8) : uint8_t(E.Crc >> 24);
  const std::string Known[2] = {FCmd.Password, FGoodPassword};
  for (const std::string& P : Known)
    if (!P.empty() && ZipCheckDecryptHeader(P, Header, Check)) {
      FGoodPassword = P;
      return true;
    }
  // Request 2 asks for a first password, 1 says the last one was wrong.
  int32_t Request = FCmd.Password.empty() && FGoodPassword.empty() ? 2 : 1;
  for (int i = 0; i < FCmd.PasswordReqCount && !FAborted; i++) {
    Call(cbPassword, 0, Request, E.Name);
    if (FAborted || FRec.ErrorCode != 1) break;
    std::string Answer = ZipRecText(FRec.Text, ZipMaxPasswordLen);
    if (!Answer.empty() && ZipCheckDecryptHeader(Answer, Header, Check)) {
      FGoodPassword = Answer;
      return true;
    }
    Request = 1;
  }
  return false;
}

bool TEngine::Decode(const TEntry& E, TEntryIO& IO, uint64_t Packed) {
  switch (E.Method) {
    case 0: {
      uint8_t Buf[32768];
      size_t N;
      while ((N = IO.ReadPacked(Buf, sizeof Buf)) > 0) IO.WriteUnpacked(Buf, N);
      return true;
    }
    default:
      return FDecoders.Decode(IO, E.Method, E.Flags, Packed, E.Unpacked);
  }
}

void TEngine::ProcessEntry(const TEntry& E) {
  bool ToFile = !FCmd.Test && !FCmd.ToMemory;
  std::string Target = FCmd.DirNames ? E.Name : ExtractFileName(E.Name);
  if (ToFile && UnsafeName(E.Name, Target)) {
    Skip(E, stUnsafeName, ueParam);
    return;
  }
  if (ToFile) {
    int Age = FileAge(Target);
    bool Exists = Age != -1 || FileExists(Target);
    int EntryAge = int(uint32_t(E.Date) << 16 | E.Time);
    bool Older = Exists && uint32_t(Age) < uint32_t(EntryAge);
    if ((FCmd.Freshen && !Exists) || ((FCmd.Freshen || FCmd.Update) && Exists && !Older)) {
      Skip(E, stNotNewer, 0);
      return;
    }
    if (Exists && !FCmd.Freshen && !FCmd.Update && !FCmd.Overwrite) {
      Call(cbOverwrite, Older ? 1 : 0, 0, Target);
      if (FAborted) return;
      if ((FRec.FileSize & 0xFF) == 0) {
        Skip(E, stFileExists, 0);
        return;
      }
    }
  }

  Call(cbNewFile, 0, int32_t(E.Unpacked), E.Name);
  if (FAborted) return;
  if (FCmd.Verbose) Call(cbMessage, 0, 0, (FCmd.Test ? "testing: " : "extracting: ") + E.Name);

  uint8_t LocalBuf[TZipLocalHeader::Size];
  TZipLocalHeader Local;
  FIn->SetPosition(E.LocalOffset);
  ByteReader LR(LocalBuf, sizeof LocalBuf);
  if (E.Overlaps || E.LocalOffset < 0 || FIn->Read(LocalBuf, sizeof LocalBuf) != int32_t(sizeof LocalBuf) ||
      !Local.Read(LR) || !Local.Valid()) {
    Error(ueBadArchive, "Bad local header: " + E.Name);
    Skip(E, stBadEntry, ueBadArchive);
    return;
  }
  FIn->SetPosition(E.LocalOffset + int64_t(sizeof LocalBuf) + Local.NameLength + Local.ExtraLength);
  // Known before any password question or output file: nothing is made for
  // an entry that cannot be decoded.
  if (!ZipMethodDecodable(E.Method)) {
    Error(ueError, "Unsupported compression method " + ZipMethodLabel(E.Method) + ": " + E.Name);
    Skip(E, stBadEntry, ueError);
    return;
  }

  uint64_t Packed = E.Packed;
  bool Encrypted = (E.Flags & zgEncrypted) != 0;
  if (Encrypted) {
    uint8_t Header[ZipEncryptHeaderSize];
    if (Packed < ZipEncryptHeaderSize || FIn->Read(Header, ZipEncryptHeaderSize) != int32_t(ZipEncryptHeaderSize)) {
      Error(ueBadArchive, "Bad encryption header: " + E.Name);
      Skip(E, stBadEntry, ueBadArchive);
      return;
    }
    Packed -= ZipEncryptHeaderSize;
    if (!FindPassword(E, Header)) {
      if (!FAborted) Skip(E, stBadPassword, ueBadPassword);
      return;
    }
  }

  uint64_t Limit = E.Unpacked;
  if (FCmd.ToMemory && uint64_t(E.Unpacked) > FCmd.MemorySize) {
    Error(ueMemory, "Memory buffer too small for " + E.Name);
    return;
  }
  TEntryIO IO(*this, *FIn, Packed, Encrypted, Limit);
  IO.Memory = FCmd.ToMemory ? FCmd.Memory : nullptr;
  if (IO.Memory == nullptr && FCmd.ToMemory && Limit > 0) return;
  if (ToFile) {
    if (FCmd.DirNames) {
      std::string Dir = ExtractFileDir(Target);
      if (!Dir.empty()) ForceDirectories(Dir);
    }
    int Attr = FileGetAttr(Target);
    if (Attr != -1 && (Attr & faReadOnly)) FileSetAttr(Target, Attr & ~faReadOnly);
    IO.Out = FileCreate(Target);
    if (IO.Out == InvalidHandle) {
      Error(ueDisk, "Error creating a file: " + Target);
      Skip(E, stBadEntry, ueDisk);
      return;
    }
  }

  bool Ok = false, Known = true;
  try {
    Known = Decode(E, IO, Packed);
    Ok = Known;
    if (!Known) Error(ueError, "Unsupported compression method " + IntToStr(E.Method) + ": " + E.Name);
  } catch (const TAborted&) {
  } catch (const TWriteFailed&) {
    Error(ueDisk, WriteErrorText);
  } catch (const TTooLong&) {
    Error(ueBadArchive, "Entry data longer than its stated size: " + E.Name);
  } catch (const ECodecError& X) {
    Error(ueBadArchive, "Bad compressed data (" + IntToStr(X.Code) + "): " + E.Name);
  }

  bool Keep = Ok;
  if (Ok) {
    uint32_t Found = IO.Crc ^ 0xFFFFFFFF;
    if (Found != E.Crc || IO.Written != E.Unpacked) {
      Ok = false;
      Call(cbCRCError, int32_t(Found), int32_t(E.Crc), E.Name);
      Keep = !FAborted && FRec.ErrorCode != 0;
    }
  }
  if (IO.Out != InvalidHandle) {
    if (Keep) FileSetDate(IO.Out, int(uint32_t(E.Date) << 16 | E.Time));
    FileClose(IO.Out);
    if (!Keep) {
      DeleteFile(Target);
    } else if (E.ExtAttr & (faReadOnly | faHidden | faSysFile | faArchive)) {
      FileSetAttr(Target, int(E.ExtAttr & (faReadOnly | faHidden | faSysFile | faArchive)));
    }
  }
  if (!Known) Skip(E, stBadEntry, ueError);
  if (Ok) FCount++;
}

int32_t TEngine::Run() {
  if (!ReadDirectory()) return 0;
  std::vector<const TEntry*> Selected;
  if (FCmd.ToMemory) {
    std::string Wanted = FCmd.Specs.empty() ? std::string() : SlashToBackslash(FCmd.Specs[0]);
    for (const TEntry& E : FEntries)
      if (E.Name == Wanted && !E.IsDir()) {
        Selected.push_back(&E);
        break;
      }
    if (Selected.empty()) {
      Error(ueNotFound, "Not found in the archive: " + Wanted);
      return 0;
    }
  } else {
    for (const TEntry& E : FEntries)
      if (SpecMatches(E.Name, FCmd.Specs)) Selected.push_back(&E);
  }

  uint32_t Files = 0;
  uint64_t Bytes = 0;
  for (const TEntry* E : Selected)
    if (!E->IsDir()) {
      Files++;
      Bytes += E->Unpacked;
    }
  Call(cbTotalFiles, 0, int32_t(Files), "");
  if (!FAborted) Call(cbTotalSize, 0, int32_t(uint32_t(std::min<uint64_t>(Bytes, 0xFFFFFFFFu))), "");

  for (const TEntry* E : Selected) {
    if (FAborted) break;
    if (E->IsDir()) {
      if (!FCmd.Test && !FCmd.ToMemory && FCmd.DirNames) {
        if (UnsafeName(E->Name, E->Name))
          Skip(*E, stUnsafeName, ueParam);
        else
          ForceDirectories(RemoveBackslash(E->Name));
      }
      continue;
    }
    ProcessEntry(*E);
  }
  if (!FAborted) Call(cbEndBatch, 0, 0, "");
  return FCount;
}

}  // namespace

int32_t RunUnzipCommand(void* Record, int32_t LibVersion) {
  return RunLibraryCommand<TCommand, TEngine>(Record, LibVersion, ReadCommand);
}
