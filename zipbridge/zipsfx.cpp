// Zip archive <-> self-extracting program: the stub SFXSTUB.BIN, then the
// settings block it reads, then the archive with every offset shifted.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "archive/core/bytes.h"
#include "archive/core/peresources.h"
#include "archive/core/sfxsettings.h"
#include "archive/core/ziprecords.h"
#include "framework/core/os.h"
#include "framework/core/prompts.h"
#include "zipbridge/zipbridge.h"

namespace {

constexpr const char* StubName = "SFXSTUB.BIN";
constexpr uint32_t RtIcon = 3;
constexpr uint32_t SfxIconSize = 744;  // 32 x 32 pixels, 16 colours

// Options that map one to one onto a flag bit of the settings block.
const std::pair<SFXOptsEnum, uint8_t> SfxOptionFlags[] = {
    {SFXAskCmdLine, sfAskCmdLine}, {SFXAskFiles, sfAskFiles},   {SFXHideOverWriteBox, sfHideOverwriteBox},
    {SFXAutoRun, sfAutoRun},       {SFXNoSuccessMsg, sfNoSuccessMsg},
};

std::string InFolder(const std::string& Folder) {
  return Folder.empty() ? std::string() : IncludeTrailingBackslash(Folder) + StubName;
}

std::string SystemFolder(bool Windows) {
  char Buf[MAX_PATH] = {};
  UINT N = Windows ? GetWindowsDirectoryA(Buf, MAX_PATH) : GetSystemDirectoryA(Buf, MAX_PATH);
  return N > 0 && N < MAX_PATH ? std::string(Buf, N) : std::string();
}

std::string ProgramFolder() {
  char Buf[MAX_PATH] = {};
  DWORD N = GetModuleFileNameA(nullptr, Buf, MAX_PATH);
  return N > 0 && N < MAX_PATH ? ExtractFilePath(std::string(Buf, N)) : std::string();
}

bool WriteAll(THandle H, const void* Buf, size_t Count) {
  return Count == 0 || FileWrite(H, Buf, int32_t(Count)) == int32_t(Count);
}

bool ReadAll(THandle H, void* Buf, size_t Count) {
  return Count == 0 || FileRead(H, Buf, int32_t(Count)) == int32_t(Count);
}

// Reads a whole small file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& Name, std::vector<uint8_t>& Data) {
  THandle H = FileOpen(Name, fmOpenRead | fmShareDenyWrite);
  if (H == InvalidHandle) return false;
  int64_t Size = FileSeek(H, 0, soFromEnd);
  bool Ok = Size >= 0 && Size < 0x7FFFFFFF && FileSeek(H, 0, soFromBeginning) == 0;
  if (Ok) {
    Data.resize(size_t(Size));
    Ok = ReadAll(H, Data.data(), Data.size());
  }
  FileClose(H);
  return Ok;
}

// The file offset of the first icon image of Size bytes in a program image;
// false when the image has no resource section or no such icon.
bool FindIconImage(std::vector<uint8_t>& Image, uint64_t& Offset) {
  TMemoryStream S;
  S.Write(Image.data(), int32_t(Image.size()));
  TPeResourceReader R;
  if (!R.Open(S)) return false;
  return R.FindResourceData(RtIcon, SfxIconSize, Offset);
}

}  // namespace

// The ten zeros are a counted UTF-16 string.
void StampSfxArchiveOffset(std::vector<uint8_t>& Stub, int64_t Offset) {
  uint8_t Mark[22] = {10, 0};
  for (int i = 0; i < 10; i++) Mark[2 + 2 * i] = '0';
  auto At = std::search(Stub.begin(), Stub.end(), Mark, Mark + sizeof Mark);
  if (At == Stub.end()) return;
  char Digits[16];
  std::snprintf(Digits, sizeof Digits, "%010lld", static_cast<long long>(Offset));
  for (int i = 0; i < 10; i++) At[2 + 2 * i] = uint8_t(Digits[i]);
}

std::vector<uint8_t> TZipBridge::BuildSfxSettings() const { return SfxSettings().Build(); }

TSfxSettings TZipBridge::SfxSettings() const {
  TSfxSettings S;
  for (auto [Option, Flag] : SfxOptionFlags)
    if (InSet(SFXOptions, Option)) S.Flags |= Flag;
  if (SFXOverWriteMode == OvrAlways) S.Flags |= sfOverwriteAlways;
  if (SFXOverWriteMode == OvrNever) S.Flags |= sfOverwriteNever;
  if (!InSet(SFXOptions, SFXCheckSize)) S.Flags |= sfNoCheckSize;
  S.Caption = SFXCaption;
  S.DefaultDir = SFXDefaultDir;
  S.CommandLine = SFXCommandLine;
  S.Message = SFXMessage;
  return S;
}

int TZipBridge::EraseFile(const std::string& Name, DeleteOpts How) {
  std::string Full = ExtractFilePath(Name).empty() ? IncludeTrailingBackslash(GetCurrentDir()) + Name : Name;
  if (!FileExists(Full)) return -1;
  return ShellDeleteFile(ExpandFileName(Full), How == htdAllowUndo) ? 0 : 1;
}

int TZipBridge::CopyFileBytes(THandle InFile, THandle OutFile, int64_t Count) {
  std::vector<uint8_t> Buf(8192);
  while (Count != 0) {
    int32_t Want = Count < 0 ? int32_t(Buf.size()) : int32_t(std::min<int64_t>(Count, int64_t(Buf.size())));
    int32_t Got = FileRead(InFile, Buf.data(), Want);
    if (Got <= 0) return Count < 0 ? 0 : -2;  // a counted copy must not end early
    if (!WriteAll(OutFile, Buf.data(), size_t(Got))) return -2;
    if (Count > 0) Count -= Got;
    ProcessMessages();
  }
  return 0;
}

int TZipBridge::CopyShiftedCentralDir(THandle OutFile, const ZipEndOfCentral& EOC, int64_t Shift) {
  THandle In = FInFileHandle;
  std::vector<uint8_t> Var;
  for (int i = 0; i < EOC.TotalEntries; i++) {
    uint8_t Hdr[TZipCentralHeader::Size];
    if (!ReadAll(In, Hdr, sizeof Hdr)) throw EZipBridge(zmReadCentral);
    if (GetLE32(Hdr) != ZipCentralSig) throw EZipBridge(zmCentralSignature);
    int64_t Local = int64_t(GetLE32(Hdr + 42)) + Shift;
    if (Local < 0 || Local > 0xFFFFFFFFll) throw EZipBridge(zmCentralSignature);
    PutLE32(Hdr + 42, uint32_t(Local));
    if (!WriteAll(OutFile, Hdr, sizeof Hdr)) throw EZipBridge(zmWriteCentral);
    Var.resize(size_t(GetLE16(Hdr + 28)) + GetLE16(Hdr + 30) + GetLE16(Hdr + 32));
    if (!ReadAll(In, Var.data(), Var.size()) || !WriteAll(OutFile, Var.data(), Var.size()))
      throw EZipBridge(zmCopyCentralName);
  }
  uint8_t End[22];
  if (!ReadAll(In, End, sizeof End) || GetLE32(End) != ZipEndSig) throw EZipBridge(zmSkipEnd);
  int64_t Dir = int64_t(EOC.CentralOffset) + Shift;
  if (Dir < 0 || Dir > 0xFFFFFFFFll) throw EZipBridge(zmSkipEnd);
  PutLE32(End + 16, uint32_t(Dir));
  if (!WriteAll(OutFile, End, sizeof End)) throw EZipBridge(zmWriteEnd);
  Var.resize(EOC.ZipCommentLen);
  if (!ReadAll(In, Var.data(), Var.size()) || !WriteAll(OutFile, Var.data(), Var.size()))
    throw EZipBridge(zmCopyArchiveComment);
  return 0;
}

void TZipBridge::CopyArchive(THandle In, THandle Out, const ZipEndOfCentral& EOC, int64_t From, int64_t Shift,
                             int64_t& Expected) {
  if (FileSeek(In, From, soFromBeginning) != From) throw EZipBridge(zmSeekInput);
  // Offsets that do not match the file are copied as they are.
  if (FEndOfCentralOffset - int64_t(EOC.CentralSize) == int64_t(EOC.CentralOffset)) {
    if (int64_t(EOC.CentralOffset) < From) throw EZipBridge(zmSeekInput);
    if (CopyFileBytes(In, Out, int64_t(EOC.CentralOffset) - From) != 0) throw EZipBridge(zmWriteOutput);
    CopyShiftedCentralDir(Out, EOC, Shift);
    Expected = FFileSize;
  } else {
    if (CopyFileBytes(In, Out, -1) != 0) throw EZipBridge(zmWriteOutput);
    Expected = FRealFileSize;
  }
}

int64_t TZipBridge::AppendShiftedArchive(THandle Out, int64_t Shift) {
  ZipEndOfCentral EOC;
  FindEndOfCentralDir(EOC, true);
  int64_t Expected = 0;
  CopyArchive(FInFileHandle, Out, EOC, 0, Shift, Expected);
  return Expected;
}

int TZipBridge::ConvertZipToSfx(bool AutoCreate) {
  if (!AutoCreate && (FZipFileName.empty() || !FileExists(FZipFileName))) {
    SetZipError(zmNoZipSpecified);
    return -9;
  }
  const std::string* Texts[] = {&SFXCaption, &SFXDefaultDir, &SFXCommandLine, &SFXMessage};
  size_t Total = 0;
  bool TooLong = false;
  for (const std::string* T : Texts) {
    Total += T->size();
    TooLong = TooLong || T->size() > TSfxSettings::MaxText;
  }
  if (TooLong) {
    SetZipError(zmSfxStringsTooLong,
                "\r\nSFXCaption + SFXDefaultDir + SFXCommandLine + SFXMessage = " + IntToStr(int(Total)));
    return -9;
  }

  std::string Stub;
  std::string DllStub = DLLDirectory().empty() ? std::string() : InFolder(DLLDirectory());
  for (const std::string& C : {SFXPath, InFolder(GetCurrentDir()), InFolder(ProgramFolder()),
                               InFolder(SystemFolder(false)), InFolder(SystemFolder(true)), DllStub})
    if (!C.empty() && FileExists(C)) {
      Stub = C;
      break;
    }
  if (Stub.empty()) {
    SetZipError(zmSfxStubMissing);
    return -9;
  }

  std::vector<uint8_t> Block = BuildSfxSettings();
  std::string OutName = FZipFileName;
  if (!AutoCreate) {
    if (UpperCase(ExtractFileExt(FZipFileName)) != ".ZIP") {
      SetZipError(zmNotAZip);
      return -9;
    }
    OutName = ChangeFileExt(FZipFileName, ".exe");
  }

  // The stub goes through memory: the icon is patched there, and nothing is
  // created before the stub is known to be readable.
  std::vector<uint8_t> StubBytes;
  if (!ReadWholeFile(Stub, StubBytes)) {
    SetZipError(zmSfxStubMissing);
    return -3;
  }
  if (!SFXIcon.empty()) {
    uint64_t At;
    if (SFXIcon.size() != SfxIconSize || !FindIconImage(StubBytes, At)) {
      SetZipError(zmSfxIcon);
      return -10;
    }
    std::memcpy(StubBytes.data() + At, SFXIcon.data(), SfxIconSize);
  }

  const int64_t Prefix = int64_t(StubBytes.size() + Block.size());
  StampSfxArchiveOffset(StubBytes, Prefix);

  EraseFile(OutName, HowToDelete);
  THandle Out = FileCreate(OutName);
  if (Out == InvalidHandle) {
    SetZipError(zmCreateOutput);
    return -1;
  }
  int Result = 0;
  int64_t Expected = 0;
  try {
    if (!WriteAll(Out, StubBytes.data(), StubBytes.size()) || !WriteAll(Out, Block.data(), Block.size()))
      throw EZipBridge(zmWriteOutput);
    if (AutoCreate) {
      TZipEndRecord E;
      E.CentralDirOffset = uint32_t(Prefix);
      uint8_t Rec[TZipEndRecord::Size];
      E.Write(Rec);
      if (!WriteAll(Out, Rec, sizeof Rec)) throw EZipBridge(zmWriteEnd);
      Expected = TZipEndRecord::Size;
    } else {
      Expected = AppendShiftedArchive(Out, Prefix);
    }
  } catch (const EZipBridge& E) {
    ShowExceptionError(E);
    Result = E.ResId == zmWriteOutput || E.ResId == zmWriteEnd || E.ResId == zmWriteCentral ? -2 : -9;
  }
  CloseZipFile();
  int64_t Size = FileSeek(Out, 0, soFromEnd);
  FileClose(Out);
  if (Result == 0 && Size != Prefix + Expected) Result = -9;
  if (Result != 0) {
    DeleteFile(OutName);
    return Result;
  }
  if (!AutoCreate) {
    EraseFile(FZipFileName, HowToDelete);
    SetZipFileName(OutName);
  }
  return 0;
}

int TZipBridge::ConvertSfxToZip() {
  if (FZipFileName.empty() || !FileExists(FZipFileName)) {
    SetZipError(zmNoExeSpecified);
    return -3;
  }
  if (UpperCase(ExtractFileExt(FZipFileName)) != ".EXE") {
    SetZipError(zmNotAnExe);
    return -3;
  }
  if (FSFXOffset == 0) {
    SetZipError(zmSfxType);
    return -9;
  }
  std::string OutName = ChangeFileExt(FZipFileName, ".zip");
  EraseFile(OutName, HowToDelete);
  THandle Out = FileCreate(OutName);
  if (Out == InvalidHandle) {
    SetZipError(zmCreateOutput);
    return -1;
  }
  const int64_t Offset = FSFXOffset;
  int Result = 0;
  int64_t Expected = 0;
  try {
    ZipEndOfCentral EOC;
    FindEndOfCentralDir(EOC, true);
    THandle In = FInFileHandle;
    // A stub is small; of a huge foreign prefix only the tail is searched.
    const bool Whole = Offset <= (int64_t(16) << 20);
    const int64_t From = Whole ? 0 : Offset - int64_t(TSfxSettings::MaxBlock);
    std::vector<uint8_t> Front(size_t(Offset - From));
    if (FileSeek(In, From, soFromBeginning) != From || !ReadAll(In, Front.data(), Front.size()))
      throw EZipBridge(zmSeekInput);
    TSfxSettings S;
    if (size_t BlockLen = Whole ? S.FindInFront(Front.data(), Front.size()) : S.FindBefore(Front.data(), Front.size())) {
      SFXOptions = (S.Flags & sfNoCheckSize) ? 0 : SetOf(SFXCheckSize);
      for (auto [Option, Flag] : SfxOptionFlags)
        if (S.Flags & Flag) SFXOptions |= SetOf(Option);
      SFXOverWriteMode = (S.Flags & sfOverwriteAlways)  ? OvrAlways
                         : (S.Flags & sfOverwriteNever) ? OvrNever
                                                        : OvrConfirm;
      SFXCaption = S.Caption;
      SFXDefaultDir = S.DefaultDir;
      SFXCommandLine = S.CommandLine;
      SFXMessage = S.Message;
      std::vector<uint8_t> Program(Front.begin(), Front.end() - ptrdiff_t(BlockLen));
      uint64_t At;
      if (Whole && FindIconImage(Program, At))
        SFXIcon.assign(Program.begin() + ptrdiff_t(At), Program.begin() + ptrdiff_t(At + SfxIconSize));
    }

    CopyArchive(In, Out, EOC, Offset, -Offset, Expected);
    Expected -= Offset;
  } catch (const EZipBridge& E) {
    ShowExceptionError(E);
    Result = E.ResId == zmWriteOutput || E.ResId == zmWriteEnd || E.ResId == zmWriteCentral ? -2 : -9;
  }
  CloseZipFile();
  int64_t Size = FileSeek(Out, 0, soFromEnd);
  FileClose(Out);
  if (Result == 0 && Size != Expected) Result = -9;
  if (Result != 0) {
    DeleteFile(OutName);
    return Result;
  }
  EraseFile(FZipFileName, HowToDelete);
  SetZipFileName(OutName);
  return 0;
}
