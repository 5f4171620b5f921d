// Drive checks and volume prompts of the Zip component.
#include <windows.h>

#include <cctype>
#include <cstdio>

#include "framework/core/os.h"
#include "framework/core/prompts.h"
#include "zipbridge/zipbridge.h"

namespace {

std::string ThreeDigits(int N) {
  char Buf[16];
  std::snprintf(Buf, sizeof Buf, "%03d", N);
  return Buf;
}

bool IsLetterDrive(const std::string& Drive) { return Drive.empty() || Drive[0] != '\\'; }

}  // namespace

void TZipBridge::DiskFreeSpace(int64_t& FreeBytes, int64_t& TotalBytes) {
  if (!GetDiskFree(FDrive, FreeBytes, TotalBytes)) FreeBytes = TotalBytes = -1;
}

bool TZipBridge::CheckDrive() {
  FFreeOnDisk = FSizeOfDisk = -1;
  FVolumeLabel.clear();
  bool Lettered = IsLetterDrive(FDrive);
  if (Lettered) {
    char L = FDrive.empty() ? '\0' : char(std::toupper(uint8_t(FDrive[0])));
    if (L < 'A' || L > 'Z') throw EZipBridge::CreateResFmtStr(zmInvalidDrive, FDrive);
    if (!(GetLogicalDrives() & (1u << (L - 'A')))) throw EZipBridge::CreateResFmtStr(zmDriveUndefined, FDrive);
  }
  TErrorModeGuard Quiet;
  TVolumeInfo Info;
  if (GetVolumeInfo(FDrive, Info)) {
    FVolumeLabel = Info.Label.substr(0, 255);
    FVolumeSerial = Info.Serial;
    DiskFreeSpace(FFreeOnDisk, FSizeOfDisk);
    return !(Lettered && FSizeOfDisk == -1);
  }
  // An unformatted disk is usable when it is going to be formatted anyway.
  return OsLastError() == ERROR_GEN_FAILURE && InSet(AddOptions, AddDiskSpanErase);
}

int TZipBridge::AskForVolume() {
  FDriveType = GetDriveTypeOf(FDrive);
  if (FDriveType == dtFixed || FDriveType == dtRemote) return FDriveType;
  bool Ready;
  {
    TErrorModeGuard Quiet;
    TVolumeInfo Info;
    Ready = GetVolumeInfo(FDrive, Info);
  }
  if (Ready && !FNewDisk) return FDriveType;
  if (Unattended) throw EZipBridge(zmUnattendedSpan);

  std::string Text;
  char Buf[512];
  if (FReading) {
    if (FVolumeNeeded < 0) {
      Text = ZipMsgText(zmInsertLastDisk);
    } else {
      std::snprintf(Buf, sizeof Buf, ZipMsgText(zmInsertVolumeOf).c_str(), FVolumeNeeded + 1, FLastDisk + 1);
      Text = Buf;
    }
  } else {
    int64_t VolSize = MaxVolumeSize > 0 ? MaxVolumeSize : FSizeOfDisk;
    if (VolSize > 0) {
      int64_t Count = (FFileSize + 4 + KeepFreeOnDisk1) / VolSize + 1;
      std::snprintf(Buf, sizeof Buf, ZipMsgText(zmInsertVolumeOf).c_str(), FVolumeNeeded + 1, int(Count));
    } else {
      std::snprintf(Buf, sizeof Buf, ZipMsgText(zmInsertVolume).c_str(), FVolumeNeeded + 1);
    }
    Text = Buf;
  }
  std::string InDrive = ZipMsgText(zmInDrive);
  size_t P = InDrive.find("%s");
  if (P != std::string::npos) InDrive.replace(P, 2, FDrive);
  Text += InDrive;
  int Answer = Prompt(Text, "Disk", pbOKCancel);
  FNewDisk = false;
  if (Answer != mrOk) throw EZipBridge(zmUserCancel, false);
  return FDriveType;
}

std::string TZipBridge::VolumeFileName(int Volume) const {
  const std::string& Set = FSetName.empty() ? FZipFileName : FSetName;
  std::string Ext = ExtractFileExt(Set);
  std::string Stem = Set.substr(0, Set.size() - Ext.size());
  // Written sets number their files after the name (x.zip: x001.zip, ...).
  if (!FReading) return Stem + ThreeDigits(Volume + 1) + Ext;
  // Info-ZIP split sets: x.z01, x.z02, ... and the last one x.zip.
  if (UpperCase(Ext) == ".ZIP" && FileExists(Stem + ".z01")) {
    if (Volume >= FLastDisk) return Set;
    char Buf[16];
    std::snprintf(Buf, sizeof Buf, ".z%02d", Volume + 1);
    return Stem + Buf;
  }
  size_t NameStart = Stem.find_last_of("\\/:");
  NameStart = NameStart == std::string::npos ? 0 : NameStart + 1;
  size_t Cut = Stem.size() >= NameStart + 3 ? Stem.size() - 3 : NameStart;
  return Stem.substr(0, Cut) + ThreeDigits(Volume + 1) + Ext;
}

bool TZipBridge::CheckVolume() {
  if (FDriveType == dtFixed || FDriveType == dtRemote) return true;
  TErrorModeGuard Quiet;
  TVolumeInfo Info;
  if (!GetVolumeInfo(FDrive, Info)) return false;
  FVolumeLabel = Info.Label;
  return Info.Label == "PKBACK# " + ThreeDigits(FVolumeNeeded + 1);
}

void TZipBridge::WaitForVolume(int VolumeNumber) {
  CloseZipFile();
  FVolumeNeeded = VolumeNumber;
  FReading = true;
  for (;;) {
    AskForVolume();
    if (CheckVolume()) break;
    FNewDisk = true;
  }
  if (FDriveType == dtFixed || FDriveType == dtRemote) FWorkFile = VolumeFileName(VolumeNumber);
  FDiskNr = VolumeNumber;
  FInFileHandle = FileOpen(ExpandFileName(FWorkFile), fmOpenRead | fmShareDenyWrite);
  if (FInFileHandle == InvalidHandle) throw EZipBridge(zmInputMissing);
}
