// Knows the drive an archive lies on: its kind, volume label, serial number,
// file system and free space. Removable drives can be polled for a changed
// disk; whoever owns a timer calls PollTick every PollInterval milliseconds
// while PollingActive() holds.
#pragma once
#include <cstdint>
#include <string>

#include "framework/core/classes.h"

class TDiskManager : public TComponent {
 public:
  explicit TDiskManager(TComponent* AOwner);

  const std::string& Drive() const { return FDrive; }
  // "C:", "\\server\share", or natively "/" for the one root.
  void SetDrive(const std::string& Value);

  int PollInterval() const { return FPollInterval; }
  void SetPollInterval(int Value) { FPollInterval = Value; }
  bool PollingActive() const { return FPolling; }
  // On: refreshes, and polls only removable and CD-ROM drives with a
  // positive interval. Off: stops.
  void SetPolling(bool Value);
  // One timer tick: refresh, and fire OnDiskChange once when the disk in the
  // drive (serial number or label) differs from the one seen before.
  void PollTick();

  // Reads the drive again; false when it could not be read and the user
  // cancelled the Retry/Cancel question (the previous values stay).
  bool RefreshDriveInfo();
  bool LastRefreshOk() const { return FRefreshOk; }

  const std::string& VolumeLabel() const { return FVolumeLabel; }
  const std::string& DriveKindName() const { return FDriveKindName; }
  const std::string& SerialNumber() const { return FSerialNumber; }  // eight hex digits
  uint32_t MaxComponentLength() const { return FMaxComponentLength; }
  int DriveType() const { return FDriveType; }  // dtUnknown .. dtRamDisk of os.h
  int FloppyKind() const { return FFloppyKind; }  // 7 3.5", 8 5.25", 0 unknown
  const std::string& FileSystem() const { return FFileSystem; }
  int64_t FreeBytes() const { return FFreeBytes; }
  int64_t TotalBytes() const { return FTotalBytes; }
  bool IsRemovable() const { return FDriveType == 2; }

  // The root folder of Drive, as the system's volume calls take it.
  std::string RootPath() const;

  TNotifyEvent OnDriveChange;
  TNotifyEvent OnDiskChange;

 private:
  int FPollInterval = 2000;
  bool FPolling = false;
  std::string FDrive;
  std::string FVolumeLabel;
  std::string FDriveKindName;
  std::string FSerialNumber;
  uint32_t FMaxComponentLength = 0;
  int FDriveType = 0;
  int FFloppyKind = 0;
  std::string FFileSystem;
  int64_t FFreeBytes = 0;
  int64_t FTotalBytes = 0;
  bool FRefreshOk = false;
  std::string FSeenSerial;
  std::string FSeenLabel;
};

// Drive-kind names by system drive type (0-6) and floppy kind (7, 8).
extern const char* const DriveKindNames[9];
