#include "controls/views/diskinfo.h"

#include <cctype>

#include "controls/views/explorertext.h"
#include "controls/views/viewutils.h"
#include "framework/ui/winapi.h"

void TDiskInfo::SetDisk(char Value) {
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(Value)));
  if (letter < 'A' || letter > 'Z') return;
  FDisk = letter;
  const std::string root = std::string(1, letter) + ":\\";
  char label[257] = {}, fs[257] = {};
  DWORD serial = 0, maxLen = 0, flags = 0;
  TNoErrorBoxes quiet;
  if (!GetVolumeInformationA(root.c_str(), label, 256, &serial, &maxLen, &flags, fs, 256)) {
    label[0] = fs[0] = '\0';
    serial = 0;
  }
  FSerialNumber = serial;
  FSerialNumberStr = SerialNumberText(serial);
  FVolumeLabel = label;
  FFileSystem = fs;
  FDriveType = static_cast<TDriveType>(GetDriveTypeA(root.c_str()) <= 6 ? GetDriveTypeA(root.c_str()) : 0);
  // The 64-bit query: drives of 2 GiB and more read right.
  ULARGE_INTEGER avail, total, free;
  if (GetDiskFreeSpaceExA(root.c_str(), &avail, &total, &free)) {
    FDiskSize = static_cast<int64_t>(total.QuadPart);
    FDiskFree = static_cast<int64_t>(avail.QuadPart);
  } else {
    FDiskSize = FDiskFree = -1;
  }
  FDiskSizeStr = DiskSizeText(FDiskSize);
  FDiskFreeStr = DiskSizeText(FDiskFree);
}
