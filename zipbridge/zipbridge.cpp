#include "zipbridge/zipbridge.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>

#include "archive/core/bytes.h"
#include "archive/core/ziprecords.h"
#include "framework/core/os.h"
#include "zipbridge/hourglass.h"

namespace {

constexpr int64_t EndRecordSize = 22;
constexpr int64_t MaxEndSearch = 65535 + EndRecordSize;
constexpr uint8_t EndSigBytes[4] = {'P', 'K', 5, 6};

std::string FormatInt(const std::string& Fmt, int Value) {
  char Buf[1024];
  std::snprintf(Buf, sizeof Buf, Fmt.c_str(), Value);
  return Buf;
}

std::string FormatStr(const std::string& Fmt, const std::string& Value) {
  std::string R = Fmt;
  size_t P = R.find("%s");
  if (P != std::string::npos) R.replace(P, 2, Value);
  return R;
}

void ReadEndRecord(const uint8_t* P, ZipEndOfCentral& EOC) {
  EOC.HeaderSig = GetLE32(P);
  EOC.ThisDiskNo = GetLE16(P + 4);
  EOC.CentralDiskNo = GetLE16(P + 6);
  EOC.TotalEntriesDisk = GetLE16(P + 8);
  EOC.TotalEntries = GetLE16(P + 10);
  EOC.CentralSize = GetLE32(P + 12);
  EOC.CentralOffset = GetLE32(P + 16);
  EOC.ZipCommentLen = GetLE16(P + 20);
}

// A split set's directory may start on an earlier part than its end record;
// it is then longer than what stands before the record.
bool DirOnEarlierDisk(const uint8_t* EndRec) { return GetLE16(EndRec + 6) < GetLE16(EndRec + 4); }

bool ReadAt(THandle H, int64_t Pos, void* Buf, int32_t Count) {
  return FileSeek(H, Pos, soFromBeginning) == Pos && FileRead(H, Buf, Count) == Count;
}

// Sequential reads through a buffer, so a directory of many entries costs a
// few system calls instead of three per entry.
class TBufferedIn {
 public:
  void Reset(THandle H, int64_t Pos) {
    FHandle = H;
    FFilePos = Pos;
    FPos = FLen = 0;
    FSeekDone = false;
  }
  // Returns the bytes moved; short at the end of the file.
  size_t Read(uint8_t* Dest, size_t Count) {
    size_t Done = 0;
    while (Done < Count) {
      if (FPos == FLen && !Fill()) break;
      size_t N = std::min(Count - Done, FLen - FPos);
      std::memcpy(Dest + Done, FBuf.data() + FPos, N);
      FPos += N;
      Done += N;
    }
    return Done;
  }
  int64_t Position() const { return FFilePos - int64_t(FLen - FPos); }
  bool SeekOk() {
    if (FSeekDone) return true;
    FSeekDone = FileSeek(FHandle, FFilePos, soFromBeginning) == FFilePos;
    return FSeekDone;
  }

 private:
  bool Fill() {
    if (!SeekOk()) return false;
    FBuf.resize(65536);
    int32_t N = FileRead(FHandle, FBuf.data(), int32_t(FBuf.size()));
    if (N <= 0) return false;
    FPos = 0;
    FLen = size_t(N);
    FFilePos += N;
    return true;
  }
  THandle FHandle = InvalidHandle;
  std::vector<uint8_t> FBuf;
  size_t FPos = 0;
  size_t FLen = 0;
  int64_t FFilePos = 0;
  bool FSeekDone = false;
};

// OEM <-> ANSI for one character above 127, computed once per direction.
const std::string& CodePageTable(bool ToOEM) {
  static std::string Tables[2];
  std::string& T = Tables[ToOEM ? 1 : 0];
  if (T.empty()) {
    std::string Upper(128, '\0');
    for (int i = 0; i < 128; i++) Upper[i] = char(128 + i);
    T = ToOEM ? AnsiToOem(Upper) : OemToAnsi(Upper);
    if (T.size() != 128) T = Upper;
  }
  return T;
}

}  // namespace

std::string ZipMsgText(int Ident) {
  std::string Text;
  if (FindZipMsg(Ident, Text)) return Text;
  return "ZipMsgXX.res is probably not linked to the executable\nMissing String ID is: " + IntToStr(Ident);
}

EZipBridge::EZipBridge(int Ident, bool Display) : Exception(ZipMsgText(Ident)), DisplayMsg(Display), ResId(Ident) {}

EZipBridge::EZipBridge(int Ident, const std::string& Text, bool Display)
    : Exception(Text), DisplayMsg(Display), ResId(Ident) {}

EZipBridge EZipBridge::CreateResFmtInt(int Ident, int Value) {
  return EZipBridge(Ident, FormatInt(ZipMsgText(Ident), Value));
}

EZipBridge EZipBridge::CreateResFmtStr(int Ident, const std::string& Value) {
  return EZipBridge(Ident, FormatStr(ZipMsgText(Ident), Value));
}

void*& TZipBridge::AppWindow() {
  static void* Window = nullptr;
  return Window;
}

TZipBridge::TZipBridge(TComponent* AOwner)
    : TComponent(AOwner),
      FFSpecArgs(std::make_unique<TStringList>()),
      FFSpecArgsExcl(std::make_unique<TStringList>()),
      FHandle(AppWindow()) {}

TZipBridge::~TZipBridge() {
  CloseZipFile();
  ClearContents();
}

void TZipBridge::SetFSpecArgs(TStrings* Value) { FFSpecArgs->Assign(Value); }

void TZipBridge::SetFSpecArgsExcl(TStrings* Value) { FFSpecArgsExcl->Assign(Value); }

void TZipBridge::SetZipFileName(const std::string& Value) {
  FZipFileName = Value;
  if (!(ComponentState() & csDesigning)) List();
}

void TZipBridge::SetPassword(const std::string& Value) { FPassword = Value.substr(0, 255); }

void TZipBridge::SetDLLDirectory(const std::string& Value) {
  if (Value == FDLLDirectory) return;
  std::string V = Value;
  if (!V.empty() && (V.back() == '\\' || V.back() == '/')) V.pop_back();
  FDLLDirectory = V;
}

void TZipBridge::SetPasswordReqCount(uint32_t Value) { FPasswordReqCount = std::min<uint32_t>(Value, 15); }

void TZipBridge::ClearContents() { FZipContents.clear(); }

void TZipBridge::CloseZipFile() {
  if (FInFileHandle != InvalidHandle) FileClose(FInFileHandle);
  FInFileHandle = InvalidHandle;
}

void TZipBridge::SetZipError(int Number, const std::string& Extra) {
  ErrCode = Number;
  Message = ZipMsgText(Number) + Extra;
}

std::string TZipBridge::LoadZipStr(int Number, const std::string& Default) {
  std::string Text;
  return FindZipMsg(Number, Text) ? Text : Default;
}

void TZipBridge::ShowExceptionError(const EZipBridge& E) {
  ErrCode = E.ResId;
  Message = E.Message();
  if (OnMessage) OnMessage(this, 0, Message);
}

void TZipBridge::ApplyCodePageHost(uint16_t MadeBy) {
  FHostNum = MadeBy >> 8;
  FHostVer = MadeBy & 0xFF;
}

std::string TZipBridge::ConvertNameCodePage(const std::string& Text, bool ToOEM) const {
  bool Convert = (CodePage == cpAuto && FHostNum == 0) || FHostNum == 6 || (FHostNum == 11 && FHostVer == 50) ||
                 CodePage == cpOEM;
  if (!Convert) return Text;
  const std::string& Table = CodePageTable(ToOEM);
  std::string R = Text;
  for (char& C : R)
    if (uint8_t(C) >= 128) C = Table[uint8_t(C) - 128];
  return R;
}

bool TZipBridge::FindEndOfCentralDir(ZipEndOfCentral& EOC, bool RaiseErrors) {
  FZipComment.clear();
  FEndOfCentralOffset = 0;
  CloseZipFile();
  if (FWorkFile.empty()) FWorkFile = FZipFileName;
  FInFileHandle = FileOpen(ExpandFileName(FWorkFile), fmOpenRead | fmShareDenyWrite);
  if (FInFileHandle == InvalidHandle) {
    if (RaiseErrors) throw EZipBridge(zmInputMissing);
    SetZipError(zmCannotOpen);
    return false;
  }
  THandle H = FInFileHandle;

  FDiskNr = 0;
  if (FVolumeLabel.compare(0, 8, "PKBACK# ") == 0) FDiskNr = StrToIntDef(FVolumeLabel.substr(8, 3), 0);

  uint8_t Head[8];
  FMarkedFirst = false;
  if (FileRead(H, Head, 8) == 8 && GetLE32(Head) == ZipDescriptorSig && GetLE32(Head + 4) == ZipLocalSig) {
    FSpanned = true;
    FMarkedFirst = true;
  }

  int64_t Size = FileSeek(H, 0, soFromEnd);
  if (Size < 0) {
    if (RaiseErrors) throw EZipBridge(zmSeekInput);
    return false;
  }
  FRealFileSize = FFileSize = Size;

  // An archive without comment ends with its record: one small read.
  if (Size >= EndRecordSize) {
    uint8_t Rec[EndRecordSize];
    if (ReadAt(H, Size - EndRecordSize, Rec, EndRecordSize) && GetLE32(Rec) == ZipEndSig &&
        GetLE16(Rec + 20) == 0 && (GetLE32(Rec + 12) <= uint64_t(Size - EndRecordSize) || DirOnEarlierDisk(Rec))) {
      ReadEndRecord(Rec, EOC);
      FEndOfCentralOffset = Size - EndRecordSize;
      return true;
    }
  }

  int64_t Tail = std::min(MaxEndSearch, Size);
  std::vector<uint8_t> Buf(size_t(Tail) + 1);
  int64_t Base = Size - Tail;
  if (FileSeek(H, Base, soFromBeginning) != Base) {
    if (RaiseErrors) throw EZipBridge(zmSeekInput);
    return false;
  }
  if (Tail > 0 && FileRead(H, Buf.data(), int32_t(Tail)) != int32_t(Tail)) {
    if (RaiseErrors) throw EZipBridge(zmReadEnd);
    return false;
  }

  // Signature bytes may also stand inside a comment or in trailing garbage.
  // A record whose comment ends exactly at the end wins, else the last one
  // whose central directory starts with its signature, else the last whose
  // comment fits in the file; a record whose comment length runs past the
  // end (a cut-off file) is the last resort, with the comment it still has.
  int64_t Exact = -1, Verified = -1, Fitting = -1, Overrun = -1;
  for (int64_t i = Tail - EndRecordSize; i >= 0; i--) {
    if (std::memcmp(&Buf[size_t(i)], EndSigBytes, 4) != 0) continue;
    const uint8_t* P = &Buf[size_t(i)];
    int64_t CommentEnd = i + EndRecordSize + GetLE16(P + 20);
    int64_t RecPos = Base + i;
    uint32_t CdSize = GetLE32(P + 12);
    if (CdSize > uint64_t(RecPos) && !DirOnEarlierDisk(P)) continue;
    if (CommentEnd > Tail) {
      if (Overrun < 0) Overrun = i;
      continue;
    }
    if (CommentEnd == Tail) {
      Exact = i;
      break;
    }
    if (Fitting < 0) Fitting = i;
    uint8_t Sig[4];
    if (Verified < 0 && CdSize >= 4 && ReadAt(H, RecPos - CdSize, Sig, 4) && GetLE32(Sig) == ZipCentralSig)
      Verified = i;
  }
  int64_t Found = Exact >= 0 ? Exact : Verified >= 0 ? Verified : Fitting >= 0 ? Fitting : Overrun;

  if (Found < 0) {
    if (!RaiseErrors) return false;
    if (FDiskNr != 0 && !FMarkedFirst) throw EZipBridge::CreateResFmtInt(zmNotLastDisk, FDiskNr);
    if (!FMarkedFirst) throw EZipBridge(zmNotValidZip);
    throw EZipBridge(FDiskNr == 1 ? zmFirstDisk : zmFirstFile);
  }

  const uint8_t* P = &Buf[size_t(Found)];
  ReadEndRecord(P, EOC);
  FEndOfCentralOffset = Base + Found;
  int64_t CommentEnd = Found + EndRecordSize + EOC.ZipCommentLen;
  if (CommentEnd > Tail) {
    FStructureWarning = true;
    SetZipError(zmStructureWarning);
    FZipComment.assign(reinterpret_cast<const char*>(P + EndRecordSize), size_t(Tail - Found - EndRecordSize));
    return true;
  }
  int64_t Trailing = CommentEnd - Tail;
  if (Trailing != 0) {
    FFileSize += Trailing;
    bool Padding = FRealFileSize % 512 == 0 && FRealFileSize - FFileSize < 512 &&
                   std::all_of(Buf.begin() + CommentEnd, Buf.begin() + Tail, [](uint8_t B) { return B == 0; });
    if (!Padding) SetZipError(zmGarbageWarning);
  }
  if (EOC.ZipCommentLen != 0)
    FZipComment.assign(reinterpret_cast<const char*>(P + EndRecordSize), EOC.ZipCommentLen);
  return true;
}

void TZipBridge::ReadCentralDir(const ZipEndOfCentral& EOC) {
  int64_t Computed;
  if (EOC.CentralDiskNo != EOC.ThisDiskNo) {
    WaitForVolume(EOC.CentralDiskNo);
    FFileSize = FileSeek(FInFileHandle, 0, soFromEnd);
    Computed = EOC.CentralOffset;
  } else {
    // The end of the comment is the logical end of the file, so this is
    // where the directory must start when nothing stands in front.
    Computed = FEndOfCentralOffset - int64_t(EOC.CentralSize);
  }
  if (Computed != int64_t(EOC.CentralOffset)) {
    FStructureWarning = true;
    SetZipError(zmStructureWarning);
  }
  if (Computed < 0) throw EZipBridge(zmSeekError);
  FCentralDirOffset = Computed;

  // Starting from the directory offset also gives an archive without entries
  // the size of whatever stands in front of it.
  int64_t MinLocal = EOC.CentralOffset;
  TBufferedIn In;
  In.Reset(FInFileHandle, Computed);
  if (!In.SeekOk()) throw EZipBridge(zmSeekError);

  // A spanned set's directory reads on across its disks.
  auto ReadOn = [&](uint8_t* Buf, size_t Count) {
    size_t Got = In.Read(Buf, Count);
    while (Got < Count && FSpanned && FDiskNr < FLastDisk) {
      WaitForVolume(FDiskNr + 1);
      In.Reset(FInFileHandle, 0);
      Got += In.Read(Buf + Got, Count - Got);
    }
    return Got == Count;
  };
  for (int i = 0; i < EOC.TotalEntries; i++) {
    uint8_t Hdr[TZipCentralHeader::Size];
    if (!ReadOn(Hdr, sizeof Hdr)) throw EZipBridge(zmReadCentral);
    ByteReader R(Hdr, sizeof Hdr);
    TZipCentralHeader CH;
    CH.Read(R);
    if (!CH.Valid()) throw EZipBridge(zmCentralSignature);
    std::string Name(CH.NameLength, '\0');
    if (!ReadOn(reinterpret_cast<uint8_t*>(Name.data()), Name.size())) throw EZipBridge(zmReadCentralName);
    ApplyCodePageHost(CH.VersionMadeBy);

    auto Entry = std::make_unique<ZipDirEntry>();
    ZipDirEntry& E = *Entry;
    E.MadeBy = CH.VersionMadeBy;
    E.NeedVersion = CH.VersionNeeded;
    E.Flag = CH.Flags;
    E.ComprMethod = CH.Method;
    E.ModifTime = CH.Time;
    E.ModifDate = CH.Date;
    E.CRC32 = CH.Crc32;
    E.ComprSize = CH.PackedSize;
    E.UncomprSize = CH.UnpackedSize;
    E.FileNameLength = CH.NameLength;
    E.ExtraFieldLength = CH.ExtraLength;
    E.FileCommentLen = CH.CommentLength;
    E.StartOnDisk = CH.DiskNumberStart;
    E.IntFileAttrib = CH.InternalAttr;
    E.ExtFileAttrib = CH.ExternalAttr;
    E.RelOffLocalHdr = CH.LocalHeaderOffset;
    const bool Utf8 = (CH.Flags & zgUtf8) != 0;
    E.FileName = Utf8 ? Utf8ToAnsi(Name) : ConvertNameCodePage(Name, false);
    std::replace(E.FileName.begin(), E.FileName.end(), '/', '\\');
    E.Encrypted = (CH.Flags & zgEncrypted) != 0;
    FZipContents.push_back(std::move(Entry));

    std::vector<uint8_t> Extra(CH.ExtraLength);
    if (!ReadOn(Extra.data(), Extra.size())) throw EZipBridge(zmSeekError);
    if (CH.CommentLength > 0) {
      std::string Comment(CH.CommentLength, '\0');
      if (!ReadOn(reinterpret_cast<uint8_t*>(Comment.data()), Comment.size())) throw EZipBridge(zmReadFileComment);
      E.FileComment = Utf8 ? Utf8ToAnsi(Comment) : ConvertNameCodePage(Comment, false);
    }
    if (OnNewName) OnNewName(this, i + 1, E);
    MinLocal = std::min<int64_t>(MinLocal, E.RelOffLocalHdr);
  }
  FSFXOffset = std::max<int64_t>(0, MinLocal + (Computed - int64_t(EOC.CentralOffset)));
}

void TZipBridge::List() {
  if (ComponentState() & csDesigning) return;
  ClearContents();
  FSFXOffset = 0;
  FZipComment.clear();
  FSpanned = false;
  FStructureWarning = false;
  FEndOfCentralOffset = 0;
  FCentralDirOffset = 0;
  if (FZipFileName.empty() || !FileExists(FZipFileName)) {
    if (OnDirUpdate) OnDirUpdate(this);
    return;
  }

  bool Ok = false;
  std::optional<THourglass> Wait(std::in_place);
  try {
    FWorkFile = FZipFileName;
    FSetName = FZipFileName;
    std::string Full = ExpandFileName(FZipFileName);
    FDrive = IncludeTrailingBackslash(ExtractFileDrive(Full));
    if (!CheckDrive()) throw EZipBridge::CreateResFmtStr(zmDriveUndefined, FDrive);
    ZipEndOfCentral EOC;
    FindEndOfCentralDir(EOC, true);
    FLastDisk = EOC.ThisDiskNo;
    if (FLastDisk != 0) FSpanned = true;
    ReadCentralDir(EOC);
    Ok = true;
  } catch (const EZipBridge& E) {
    ShowExceptionError(E);
  } catch (const std::bad_alloc&) {
    SetZipError(zmNoMemory);
  } catch (const EOutOfMemory&) {
    SetZipError(zmNoMemory);
  } catch (const std::exception& E) {
    SetZipError(zmListError, E.what());
  }
  CloseZipFile();
  Wait.reset();
  if (!Ok) {
    FZipFileName.clear();
    FSFXOffset = 0;
  }
  if (OnDirUpdate) OnDirUpdate(this);
}

std::string TZipBridge::ZipComment() const { return ConvertNameCodePage(FZipComment, false); }

void TZipBridge::SetZipComment(const std::string& Value) {
  std::string Oem = ConvertNameCodePage(Value, true);
  // The record's length field has 16 bits; a longer comment would corrupt it.
  if (Oem.size() > 0xFFFF) {
    SetZipError(zmCommentTooLong);
    return;
  }
  FZipComment = Oem;
  WriteComment(Oem);
}

void TZipBridge::WriteComment(const std::string& Oem) {
  bool RecordWritten = false, TextWritten = false;
  THandle H = InvalidHandle;
  try {
    if (FZipFileName.empty()) throw EZipBridge(zmInputMissing);
    H = FileOpen(FZipFileName, fmOpenReadWrite | fmShareDenyWrite);
    if (H == InvalidHandle) throw EZipBridge(zmCannotOpen);
    if (FileSeek(H, FEndOfCentralOffset, soFromBeginning) != FEndOfCentralOffset) throw EZipBridge(zmSeekInput);
    uint8_t Rec[EndRecordSize];
    if (FileRead(H, Rec, EndRecordSize) != EndRecordSize || GetLE32(Rec) != ZipEndSig) throw EZipBridge(zmReadEnd);
    PutLE16(Rec + 20, uint16_t(Oem.size()));
    if (FileSeek(H, -EndRecordSize, soFromCurrent) != FEndOfCentralOffset) throw EZipBridge(zmSeekInput);
    if (FileWrite(H, Rec, EndRecordSize) != EndRecordSize) throw EZipBridge(zmWriteEnd);
    RecordWritten = true;
    if (!Oem.empty() && FileWrite(H, Oem.data(), int32_t(Oem.size())) != int32_t(Oem.size()))
      throw EZipBridge(zmWriteOutput);
    TextWritten = true;
    FileTruncate(H, FEndOfCentralOffset + EndRecordSize + int64_t(Oem.size()));
    FileClose(H);
    H = InvalidHandle;
    FFileSize = FRealFileSize = FEndOfCentralOffset + EndRecordSize + int64_t(Oem.size());
  } catch (const EZipBridge& E) {
    ShowExceptionError(E);
    FZipComment.clear();
  } catch (const std::bad_alloc&) {
    SetZipError(zmNoMemory);
    FZipComment.clear();
  }
  if (H != InvalidHandle) FileClose(H);
  if (RecordWritten && !TextWritten) List();
}
