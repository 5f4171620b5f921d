// Disk-spanned sets: an ordinary archive written out as labelled volumes (or
// numbered files on a fixed drive), and such a set joined back into one.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>

#include "archive/core/bytes.h"
#include "archive/core/ziprecords.h"
#include "framework/core/os.h"
#include "framework/core/prompts.h"
#include "zipbridge/hourglass.h"
#include "zipbridge/zipbridge.h"

namespace {

constexpr size_t CopyBlock = 65536;

std::string ThreeDigits(int N) {
  char Buf[16];
  std::snprintf(Buf, sizeof Buf, "%03d", N);
  return Buf;
}

bool IsFixed(int DriveType) { return DriveType == dtFixed || DriveType == dtRemote; }

// One entry of the set, from its central header.
struct TSpanItem {
  std::vector<uint8_t> Central;  // header, name, extra field and comment
  int Disk = 0;                  // where its local header is (reading) or went (writing)
  int64_t LocalOffset = 0;
  std::string Name;

  uint16_t Flags() const { return GetLE16(Central.data() + 8); }
  uint32_t Packed() const { return GetLE32(Central.data() + 20); }
};

// Reads a central header with its variable part from Read(buf, n) -> bool.
template <class ReadFn>
TSpanItem ReadCentralItem(ReadFn&& Read) {
  TSpanItem It;
  It.Central.resize(TZipCentralHeader::Size);
  if (!Read(It.Central.data(), TZipCentralHeader::Size)) throw EZipBridge(zmReadCentral);
  if (GetLE32(It.Central.data()) != ZipCentralSig) throw EZipBridge(zmCentralSignature);
  const uint8_t* H = It.Central.data();
  size_t NameLen = GetLE16(H + 28), Rest = size_t(GetLE16(H + 30)) + GetLE16(H + 32);
  It.Disk = GetLE16(H + 34);
  It.LocalOffset = GetLE32(H + 42);
  It.Central.resize(TZipCentralHeader::Size + NameLen + Rest);
  if (!Read(It.Central.data() + TZipCentralHeader::Size, NameLen)) throw EZipBridge(zmReadCentralName);
  if (!Read(It.Central.data() + TZipCentralHeader::Size + NameLen, Rest)) throw EZipBridge(zmSeekInput);
  It.Name.assign(reinterpret_cast<const char*>(It.Central.data()) + TZipCentralHeader::Size, NameLen);
  std::replace(It.Name.begin(), It.Name.end(), '/', '\\');
  return It;
}

// Runs Fn on every way out of a scope.
template <class F>
struct TOnExit {
  F Fn;
  ~TOnExit() { Fn(); }
};
template <class F>
TOnExit(F) -> TOnExit<F>;

}  // namespace

// Reports the exception being handled as the copy routines do; returns the
// failing call's result.
int TZipBridge::CaughtCopyError() {
  try {
    throw;
  } catch (const EZipBridge& E) {
    ShowExceptionError(E);
    return E.ResId ? E.ResId : -1;
  } catch (const std::bad_alloc&) {
    SetZipError(zmNoMemory);
    return zmNoMemory;
  } catch (const std::exception& E) {
    SetZipError(zmUnknownCopyError, E.what());
    return zmUnknownCopyError;
  }
}

// ---- format dialog

TZipBridge::TFormatDriveHook& TZipBridge::FormatDriveHook() {
  static TFormatDriveHook Hook;
  return Hook;
}

namespace {

struct TFormatJob {
  HWND Window;
  UINT Drive;
  int Result = -3;
};

DWORD WINAPI FormatThread(LPVOID Param) {
  auto* Job = static_cast<TFormatJob*>(Param);
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE Shell = LoadLibraryA("Shell32.dll");
  if (!Shell) return 0;
  using TSHFormatDrive = DWORD(WINAPI*)(HWND, UINT, UINT, UINT);
  auto Format = reinterpret_cast<TSHFormatDrive>(reinterpret_cast<void*>(GetProcAddress(Shell, "SHFormatDrive")));
  if (Format) Job->Result = int(Format(Job->Window, Job->Drive, 0xFFFF, 0));
  FreeLibrary(Shell);
  return 0;
}

}  // namespace

int TZipBridge::RunFormatThread() {
  if (FormatDriveHook()) return FormatDriveHook()(*this, FDrive);
  if (FDrive.empty()) return -3;
  TFormatJob Job{static_cast<HWND>(FHandle), UINT(std::toupper(uint8_t(FDrive[0])) - 'A')};
  HANDLE Thread = CreateThread(nullptr, 0, FormatThread, &Job, 0, nullptr);
  if (!Thread) return -3;
  // Wait for the thread itself, never for a dialog: a system whose format
  // dialog returns at once (or never shows one) ends the wait just the same.
  while (WaitForSingleObject(Thread, 20) == WAIT_TIMEOUT) ProcessMessages();
  CloseHandle(Thread);
  return Job.Result;
}

// ---- writing

void TZipBridge::CloseVolume() {
  if (FOutFile == InvalidHandle) return;
  if (FSourceDate != -1) FileSetDate(FOutFile, FSourceDate);
  FileClose(FOutFile);
  FOutFile = InvalidHandle;
  FDiskNr++;
  FNewDisk = true;
}

void TZipBridge::OpenNextVolume(int64_t KeepTogether) {
  FReading = false;
  for (;;) {
    FVolumeNeeded = FDiskNr;
    int Type = AskForVolume();
    bool Removable = !IsFixed(Type);
    if (Removable && InSet(AddOptions, AddDiskSpanErase)) {
      int R = RunFormatThread();
      if (R == -2) throw EZipBridge(zmUserCancel, false);
      if (R < 0) throw EZipBridge(zmFormatFailed);
    }
    if (!CheckDrive() && Removable) {
      FNewDisk = true;
      continue;
    }
    FOutName = Removable ? FSetName : VolumeFileName(FDiskNr);
    if (FileExists(FOutName)) {
      if (Unattended) throw EZipBridge::CreateResFmtStr(zmOverwriteFile, FOutName);
      int Previous = -1;
      if (Removable && FVolumeLabel.compare(0, 8, "PKBACK# ") == 0)
        Previous = StrToIntDef(FVolumeLabel.substr(8, 3), 0) - 1;
      char Text[1024];
      if (FileAge(FOutName) == FSourceDate && Previous >= 0 && Previous < FDiskNr)
        std::snprintf(Text, sizeof Text, ZipMsgText(zmOverwritePrevious).c_str(), Previous + 1);
      else
        std::snprintf(Text, sizeof Text, "%s", EZipBridge::CreateResFmtStr(zmOverwriteFile, FOutName).what());
      int Answer = Prompt(Text, "Confirm", pbYesNoCancel | MB_ICONWARNING | MB_DEFBUTTON2);
      if (Answer == mrCancel) throw EZipBridge(zmUserCancel, false);
      if (Answer != mrYes) {
        FNewDisk = true;
        continue;
      }
    }
    FOutFile = FileCreate(FOutName);
    if (FOutFile == InvalidHandle) throw EZipBridge(zmCreateOutput);
    // Labelled before the free space is taken: where the label costs room
    // (a folder mapped as a drive keeps it in a file), that room is gone.
    if (Removable && !SetVolumeLabelA(FDrive.c_str(), ("PKBACK# " + ThreeDigits(FDiskNr + 1)).c_str())) {
      FileClose(FOutFile);
      FOutFile = InvalidHandle;
      DeleteFile(FOutName);
      throw EZipBridge(zmVolumeLabel);
    }
    int64_t Free, Total;
    DiskFreeSpace(Free, Total);
    FVolumeFree = Free < 0 ? 0 : Free;
    if (MaxVolumeSize > 0) FVolumeFree = std::min<int64_t>(FVolumeFree, MaxVolumeSize);
    if (FDiskNr == 0) FVolumeFree -= KeepFreeOnDisk1;
    if (FVolumeFree < MinFreeVolumeSize || FVolumeFree < KeepTogether) {
      FileClose(FOutFile);
      FOutFile = InvalidHandle;
      DeleteFile(FOutName);
      // A record that cannot fit on an empty volume never will: asking for
      // one disk after another would not end.
      if (FVolumeFree >= MinFreeVolumeSize && (MaxVolumeSize > 0 || !Removable)) throw EZipBridge(zmNoFreeSpace);
      if (Unattended) throw EZipBridge(zmNoFreeSpace);
      MessageBeep(MB_ICONEXCLAMATION);
      if (Prompt(ZipMsgText(zmNoFreeSpace), "Disk", pbRetryCancel | MB_ICONWARNING) != mrRetry)
        throw EZipBridge(zmUserCancel, false);
      FNewDisk = true;
      continue;
    }
    FVolumeWritten = 0;
    return;
  }
}

void TZipBridge::ReserveVolume(int64_t Length) {
  if (FOutFile != InvalidHandle && Length > FVolumeFree) CloseVolume();
  if (FOutFile == InvalidHandle) OpenNextVolume(Length);
}

void TZipBridge::WriteSplit(const void* Buf, int64_t Length, int64_t KeepTogether) {
  ProcessMessages();
  if (Cancel) throw EZipBridge(zmUserCancel, false);
  ReserveVolume(std::max<int64_t>(KeepTogether, Length > 0 ? 1 : 0));
  auto* P = static_cast<const uint8_t*>(Buf);
  while (Length > 0) {
    if (FVolumeFree <= 0) {
      CloseVolume();
      OpenNextVolume(0);
    }
    int32_t N = int32_t(std::min<int64_t>({Length, FVolumeFree, 0x40000000}));
    if (FileWrite(FOutFile, P, N) != N) throw EZipBridge(zmWriteOutput);
    if (FCopyProgress && OnProgress) OnProgress(this, ptProgress, "", N);
    P += N;
    Length -= N;
    FVolumeFree -= N;
    FVolumeWritten += N;
  }
}

int TZipBridge::WriteSpannedSet(const std::string& InFile, const std::string& OutFile) {
  // Add calls this while it holds the flag itself.
  bool WasBusy = FZipBusy;
  FZipBusy = true;
  std::optional<THourglass> Wait(std::in_place);
  int Result = 0;
  std::string SavedWork = FWorkFile, SavedSet = FSetName;
  FDrive = IncludeTrailingBackslash(ExtractFileDrive(ExpandFileName(OutFile)));
  FSetName = OutFile;
  FDiskNr = 0;
  FVolumeFree = 0;
  FNewDisk = false;
  FOutFile = InvalidHandle;
  FCopyProgress = false;
  try {
    if (!FileExists(InFile)) throw EZipBridge(zmInputMissing);
    FWorkFile = InFile;
    FVolumeLabel.clear();
    ZipEndOfCentral EOC;
    FindEndOfCentralDir(EOC, true);
    if (EOC.ThisDiskNo != 0 || EOC.CentralDiskNo != 0) throw EZipBridge(zmNotValidZip);
    THandle In = FInFileHandle;
    FSourceDate = FileGetDate(In);
    int64_t CentralStart = FEndOfCentralOffset - int64_t(EOC.CentralSize);
    if (CentralStart < 0) throw EZipBridge(zmSeekInput);
    // Whatever stands in front of the archive moves every offset alike.
    int64_t Shift = CentralStart - int64_t(EOC.CentralOffset);
    if (FileSeek(In, CentralStart, soFromBeginning) != CentralStart) throw EZipBridge(zmSeekInput);
    std::vector<TSpanItem> Items;
    auto ReadIn = [&](uint8_t* B, size_t N) { return N == 0 || FileRead(In, B, int32_t(N)) == int32_t(N); };
    int64_t TotalBytes = 0;
    for (int i = 0; i < EOC.TotalEntries; i++) {
      Items.push_back(ReadCentralItem(ReadIn));
      TotalBytes += Items.back().Packed();
    }

    static const uint8_t SpanSig[4] = {0x50, 0x4B, 0x07, 0x08};
    WriteSplit(SpanSig, 4, 4);
    FCopyProgress = true;
    if (OnProgress) {
      OnProgress(this, ptTotalFiles, "", int64_t(Items.size()));
      OnProgress(this, ptTotalSize, "", TotalBytes);
    }
    std::vector<uint8_t> Buf(CopyBlock);
    for (TSpanItem& It : Items) {
      int64_t Local = It.LocalOffset + Shift;
      uint8_t Hdr[TZipLocalHeader::Size];
      if (Local < 0 || FileSeek(In, Local, soFromBeginning) != Local || !ReadIn(Hdr, sizeof Hdr))
        throw EZipBridge(zmReadLocal);
      if (GetLE32(Hdr) != ZipLocalSig) throw EZipBridge(zmLocalSignature);
      size_t Var = size_t(GetLE16(Hdr + 26)) + GetLE16(Hdr + 28);
      std::vector<uint8_t> Head(Hdr, Hdr + sizeof Hdr);
      Head.resize(sizeof Hdr + Var);
      if (!ReadIn(Head.data() + sizeof Hdr, Var)) throw EZipBridge(zmReadLocalName);
      // A streamed entry may give 0 in its local header: the central size counts.
      int64_t Packed = It.Packed();
      bool Descriptor = (GetLE16(Hdr + 6) & zgDataDescriptor) != 0;
      if (OnMessage) OnMessage(this, 0, ZipMsgText(zmCopying) + It.Name);
      if (OnProgress) OnProgress(this, ptNewFile, It.Name, int64_t(Head.size()) + Packed + (Descriptor ? 16 : 0));
      // The header lands wholly on one volume; where it lands is its offset.
      ReserveVolume(int64_t(Head.size()));
      It.Disk = FDiskNr;
      It.LocalOffset = FVolumeWritten;
      WriteSplit(Head.data(), int64_t(Head.size()), int64_t(Head.size()));
      for (int64_t Left = Packed; Left > 0;) {
        int32_t N = int32_t(std::min<int64_t>(Left, int64_t(Buf.size())));
        if (!ReadIn(Buf.data(), size_t(N))) throw EZipBridge(zmCopyData);
        WriteSplit(Buf.data(), N, 0);
        Left -= N;
      }
      if (Descriptor) {
        // 16 bytes with its signature, 12 without.
        uint8_t Desc[16];
        if (!ReadIn(Desc, 12)) throw EZipBridge(zmCopyDescriptor);
        size_t Len = 12;
        if (GetLE32(Desc) == ZipDescriptorSig) {
          if (!ReadIn(Desc + 12, 4)) throw EZipBridge(zmCopyDescriptor);
          Len = 16;
        }
        WriteSplit(Desc, int64_t(Len), 0);
      }
    }

    if (OnMessage) OnMessage(this, 0, ZipMsgText(zmCentralDirectory));
    if (OnProgress) OnProgress(this, ptNewFile, ZipMsgText(zmCentralDirectory), EOC.CentralSize);
    int CentralDisk = -1;
    int64_t CentralOffset = 0;
    for (TSpanItem& It : Items) {
      PutLE16(It.Central.data() + 34, uint16_t(It.Disk));
      PutLE32(It.Central.data() + 42, uint32_t(It.LocalOffset));
      int64_t Len = int64_t(It.Central.size());
      ReserveVolume(Len);
      if (CentralDisk < 0) {
        CentralDisk = FDiskNr;
        CentralOffset = FVolumeWritten;
      }
      WriteSplit(It.Central.data(), Len, Len);
    }
    std::vector<uint8_t> End(TZipEndRecord::Size + EOC.ZipCommentLen);
    if (FileSeek(In, FEndOfCentralOffset, soFromBeginning) != FEndOfCentralOffset || !ReadIn(End.data(), End.size()))
      throw EZipBridge(zmCopyArchiveComment);
    int64_t EndLen = int64_t(End.size());
    ReserveVolume(EndLen);
    if (CentralDisk < 0) {
      CentralDisk = FDiskNr;
      CentralOffset = FVolumeWritten;
    }
    PutLE16(End.data() + 4, uint16_t(FDiskNr));
    PutLE16(End.data() + 6, uint16_t(CentralDisk));
    PutLE32(End.data() + 16, uint32_t(CentralOffset));
    WriteSplit(End.data(), EndLen, EndLen);
    FCopyProgress = false;
    if (OnProgress) OnProgress(this, ptEndOfBatch, "", 0);
    if (FSourceDate != -1) FileSetDate(FOutFile, FSourceDate);
    FileClose(FOutFile);
    FOutFile = InvalidHandle;
  } catch (...) {
    Result = CaughtCopyError();
  }
  FCopyProgress = false;
  if (FOutFile != InvalidHandle) {
    // The volume being written is incomplete.
    FileClose(FOutFile);
    FOutFile = InvalidHandle;
    DeleteFile(FOutName);
  }
  CloseZipFile();
  FWorkFile = SavedWork;
  FSetName = SavedSet;
  FZipBusy = WasBusy;
  return Result;
}

// ---- reading

int TZipBridge::ReadSpannedSet(const std::string& InFile, std::string& OutPath) {
  // Extract calls this while it holds the flag itself.
  bool WasBusy = FUnzipBusy;
  FUnzipBusy = true;
  std::optional<THourglass> Wait(std::in_place);
  int Result = 0;
  std::string SavedWork = FWorkFile, SavedSet = FSetName;
  int SavedLast = FLastDisk;
  FDrive = IncludeTrailingBackslash(ExtractFileDrive(ExpandFileName(InFile)));
  FVolumeNeeded = -1;
  FCopyProgress = false;
  FWorkFile = InFile;
  FSetName = InFile;
  FReading = true;
  FNewDisk = false;
  std::string OutName;
  THandle Out = InvalidHandle;
  try {
    if (ExtractFileName(OutPath).empty()) {
      OutName = MakeTempFileName(OutPath, "zip");
      if (OutName.empty()) throw EZipBridge(zmTempFile);
      DeleteFile(OutName);
    } else {
      OutName = OutPath;
      EraseFile(OutName, HowToDelete);
    }
    OutName = ChangeFileExt(OutName, ".zip");
    OutPath = OutName;
    Out = FileCreate(OutName);
    if (Out == InvalidHandle) throw EZipBridge(zmCreateOutput);

    ZipEndOfCentral EOC;
    for (;;) {
      int Type = AskForVolume();
      CheckDrive();
      if (IsFixed(Type)) {
        // Given any volume of numbered files, the last one holds the end record.
        if (!FindEndOfCentralDir(EOC, false)) {
          std::string Last;
          for (int i = 0; i < 999 && FileExists(VolumeFileName(i)); i++) Last = VolumeFileName(i);
          if (!Last.empty()) FWorkFile = Last;
          FindEndOfCentralDir(EOC, true);
        }
        break;
      }
      if (FindEndOfCentralDir(EOC, false)) break;
      FNewDisk = true;
    }
    FSourceDate = FileGetDate(FInFileHandle);
    FLastDisk = EOC.ThisDiskNo;
    FDiskNr = FLastDisk;
    if (EOC.CentralDiskNo > EOC.ThisDiskNo) throw EZipBridge(zmNotValidZip);
    if (EOC.CentralDiskNo != EOC.ThisDiskNo) WaitForVolume(EOC.CentralDiskNo);
    if (FileSeek(FInFileHandle, EOC.CentralOffset, soFromBeginning) != int64_t(EOC.CentralOffset))
      throw EZipBridge(zmSeekInput);
    // Reads on across the volumes: when one ends, the next is asked for.
    auto ReadIn = [this](uint8_t* B, size_t N) {
      while (N > 0) {
        int32_t Got = FileRead(FInFileHandle, B, int32_t(std::min<size_t>(N, 0x40000000)));
        if (Got < 0) return false;
        if (Got == 0) {
          if (FDiskNr >= FLastDisk) return false;
          WaitForVolume(FDiskNr + 1);
          continue;
        }
        B += Got;
        N -= size_t(Got);
      }
      return true;
    };
    std::vector<TSpanItem> Items;
    int64_t TotalBytes = 0;
    for (int i = 0; i < EOC.TotalEntries; i++) {
      Items.push_back(ReadCentralItem(ReadIn));
      TotalBytes += Items.back().Packed();
    }
    std::vector<uint8_t> Comment(EOC.ZipCommentLen);
    if (FDiskNr != FLastDisk) WaitForVolume(FLastDisk);
    int64_t CommentAt = FEndOfCentralOffset + TZipEndRecord::Size;
    if (!Comment.empty() && (FileSeek(FInFileHandle, CommentAt, soFromBeginning) != CommentAt ||
                             !ReadIn(Comment.data(), Comment.size())))
      throw EZipBridge(zmCopyComment);

    WaitForVolume(0);
    FCopyProgress = true;
    if (OnProgress) {
      OnProgress(this, ptTotalFiles, "", int64_t(Items.size()));
      OnProgress(this, ptTotalSize, "", TotalBytes);
    }
    uint8_t Sig[4];
    if (!ReadIn(Sig, 4) || (GetLE32(Sig) != ZipDescriptorSig && GetLE32(Sig) != 0x30304B50))
      throw EZipBridge(zmReadDescriptor);

    std::vector<uint8_t> Buf(CopyBlock);
    int64_t OutPos = 0;
    auto Write = [&](const uint8_t* B, size_t N) {
      if (N != 0 && FileWrite(Out, B, int32_t(N)) != int32_t(N)) throw EZipBridge(zmWriteOutput);
      OutPos += int64_t(N);
    };
    for (TSpanItem& It : Items) {
      if (It.Disk > FLastDisk) throw EZipBridge(zmReadLocal);
      if (It.Disk != FDiskNr) WaitForVolume(It.Disk);
      uint8_t Hdr[TZipLocalHeader::Size];
      if (FileSeek(FInFileHandle, It.LocalOffset, soFromBeginning) != It.LocalOffset || !ReadIn(Hdr, sizeof Hdr))
        throw EZipBridge(zmReadLocal);
      if (GetLE32(Hdr) != ZipLocalSig) throw EZipBridge(zmLocalSignature);
      size_t NameLen = GetLE16(Hdr + 26), ExtraLen = GetLE16(Hdr + 28);
      std::vector<uint8_t> Var(NameLen + ExtraLen);
      if (!ReadIn(Var.data(), Var.size())) throw EZipBridge(zmReadLocalName);
      int64_t Packed = It.Packed();
      bool Descriptor = (GetLE16(Hdr + 6) & zgDataDescriptor) != 0;
      if (OnMessage) OnMessage(this, 0, ZipMsgText(zmCopying) + It.Name);
      if (OnProgress) OnProgress(this, ptNewFile, It.Name, Packed);
      It.LocalOffset = OutPos;
      Write(Hdr, sizeof Hdr);
      Write(Var.data(), Var.size());
      for (int64_t Left = Packed; Left > 0;) {
        size_t N = size_t(std::min<int64_t>(Left, int64_t(Buf.size())));
        if (!ReadIn(Buf.data(), N)) throw EZipBridge(zmCopyData);
        Write(Buf.data(), N);
        if (OnProgress) OnProgress(this, ptProgress, "", int64_t(N));
        Left -= int64_t(N);
        ProcessMessages();
        if (Cancel) throw EZipBridge(zmUserCancel, false);
      }
      if (Descriptor) {
        uint8_t Desc[16];
        if (!ReadIn(Desc, 12)) throw EZipBridge(zmCopyDescriptor);
        size_t Len = 12;
        if (GetLE32(Desc) == ZipDescriptorSig) {
          if (!ReadIn(Desc + 12, 4)) throw EZipBridge(zmCopyDescriptor);
          Len = 16;
        }
        Write(Desc, Len);
      }
    }
    FCopyProgress = false;
    int64_t CentralStart = OutPos;
    for (TSpanItem& It : Items) {
      if (It.LocalOffset > 0xFFFFFFFFll) throw EZipBridge(zmWriteCentral);
      PutLE16(It.Central.data() + 34, 0);
      PutLE32(It.Central.data() + 42, uint32_t(It.LocalOffset));
      Write(It.Central.data(), It.Central.size());
    }
    TZipEndRecord E;
    E.EntriesOnDisk = E.EntriesTotal = EOC.TotalEntries;
    E.CentralDirSize = uint32_t(OutPos - CentralStart);
    E.CentralDirOffset = uint32_t(CentralStart);
    E.CommentLength = EOC.ZipCommentLen;
    uint8_t Rec[TZipEndRecord::Size];
    E.Write(Rec);
    Write(Rec, sizeof Rec);
    Write(Comment.data(), Comment.size());
    if (OnProgress) OnProgress(this, ptEndOfBatch, "", 0);
    if (FSourceDate != -1) FileSetDate(Out, FSourceDate);
    FileClose(Out);
    Out = InvalidHandle;
  } catch (...) {
    Result = CaughtCopyError();
  }
  FCopyProgress = false;
  if (Out != InvalidHandle) FileClose(Out);
  if (Result != 0 && !OutName.empty()) DeleteFile(OutName);
  CloseZipFile();
  FWorkFile = SavedWork;
  FSetName = SavedSet;
  FLastDisk = SavedLast;
  FReading = false;
  FUnzipBusy = WasBusy;
  return Result;
}
