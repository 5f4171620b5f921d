#include "archive/core/diskmanager.h"

#include "archive/core/arcerrors.h"
#include "framework/core/os.h"
#include "framework/core/prompts.h"

const char* const DriveKindNames[9] = {"Unknown", "None",    "Floppy",    "Fixed",    "Network",
                                       "CD-ROM",  "RAM",     "3\xBD Floppy", "5\xBC Floppy"};

TDiskManager::TDiskManager(TComponent* AOwner) : TComponent(AOwner) {}

std::string TDiskManager::RootPath() const {
  if (FDrive.empty()) return FDrive;
  char last = FDrive.back();
  return last == '\\' || last == '/' ? FDrive : FDrive + '\\';
}

void TDiskManager::SetDrive(const std::string& Value) {
  if (Value == FDrive) return;
  FDrive = Value;
  if (!FPolling) RefreshDriveInfo();
  if (OnDriveChange) OnDriveChange(this);
}

void TDiskManager::SetPolling(bool Value) {
  if (!Value) {
    FPolling = false;
    return;
  }
  RefreshDriveInfo();
  FPolling = FPollInterval > 0 && (FDriveType == dtRemovable || FDriveType == dtCDROM);
  if (FPolling) {
    FSeenSerial = FSerialNumber;
    FSeenLabel = FVolumeLabel;
  }
}

void TDiskManager::PollTick() {
  if (!FPolling || !RefreshDriveInfo()) return;
  if (FSerialNumber == FSeenSerial && FVolumeLabel == FSeenLabel) return;
  FSeenSerial = FSerialNumber;
  FSeenLabel = FVolumeLabel;
  if (OnDiskChange) OnDiskChange(this);
}

bool TDiskManager::RefreshDriveInfo() {
  const std::string root = RootPath();
  TVolumeInfo info;
  for (;;) {
    bool ok;
    {
      TErrorModeGuard quiet;
      ok = GetVolumeInfo(root, info);
    }
    if (ok) break;
    if (Prompt(FDrive + " " + ArcMessage(errNotAccessible), "Error", pbRetryCancel) != mrRetry) {
      FRefreshOk = false;
      return false;
    }
  }
  FVolumeLabel = info.Label;
  FSerialNumber = IntToHex(info.Serial, 8);
  FMaxComponentLength = info.MaxComponentLength;
  FFileSystem = info.FileSystem;
  {
    TErrorModeGuard quiet;
    FDriveType = GetDriveTypeOf(root);
  }
  if (FDriveType != dtRemovable) {
    FFloppyKind = 0;
    if (FDriveType != dtRemote) {
      for (;;) {
        bool ok;
        {
          TErrorModeGuard quiet;
          ok = GetDiskFree(root, FFreeBytes, FTotalBytes);
        }
        if (ok) break;
        if (Prompt(FDrive + " " + ArcMessage(errNotAccessible), "Error", pbRetryCancel) != mrRetry) {
          FRefreshOk = false;
          return false;
        }
      }
    }
    FDriveKindName = DriveKindNames[FDriveType >= 0 && FDriveType <= 6 ? FDriveType : 0];
  } else {
    // The real-mode disk service that told 3.5" from 5.25" drives is gone;
    // without it the drive is named by its type.
    FFloppyKind = 0;
    FDriveKindName = DriveKindNames[dtRemovable];
  }
  FRefreshOk = true;
  return true;
}
