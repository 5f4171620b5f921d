// Volume information of one drive: label, serial, file system, type and sizes.
#pragma once
#include <cstdint>
#include <string>

#include "framework/core/classes.h"

enum TDriveType : int { dtUnknown, dtNoDrive, dtFloppy, dtFixed, dtNetwork, dtCDROM, dtRAM };

class TDiskInfo : public TComponent {
 public:
  explicit TDiskInfo(TComponent* AOwner) : TComponent(AOwner) {}
  char Disk() const { return FDisk; }
  // Reads the drive; anything outside 'A'..'Z' (after upper-casing) is ignored.
  void SetDisk(char Value);
  const std::string& SerialNumberStr() const { return FSerialNumberStr; }
  uint32_t SerialNumber() const { return FSerialNumber; }
  const std::string& VolumeLabel() const { return FVolumeLabel; }
  const std::string& FileSystem() const { return FFileSystem; }
  TDriveType DriveType() const { return FDriveType; }
  // Whole 64-bit byte counts, -1 when the drive cannot be read.
  int64_t DiskSize() const { return FDiskSize; }
  int64_t DiskFree() const { return FDiskFree; }
  const std::string& DiskSizeStr() const { return FDiskSizeStr; }
  const std::string& DiskFreeStr() const { return FDiskFreeStr; }

 private:
  char FDisk = 'C';
  std::string FSerialNumberStr;
  uint32_t FSerialNumber = 0;
  std::string FVolumeLabel, FFileSystem;
  TDriveType FDriveType = dtUnknown;
  int64_t FDiskSize = 0, FDiskFree = 0;
  std::string FDiskSizeStr, FDiskFreeStr;
};
