// The texts, filters and orders of the file browser, the folder browser and
// the disk information, kept free of Windows calls so they run anywhere.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "controls/views/datetext.h"

// File attribute bits the listing looks at.
constexpr uint32_t faReadOnlyBit = 0x01, faHiddenBit = 0x02, faSystemBit = 0x04, faDirectoryBit = 0x10,
                   faArchiveBit = 0x20, faNormalBit = 0x80;

// "A", "R", "H", "S" in this order for the bits set; the directory bit adds nothing.
std::string AttributesToText(uint32_t Attr);
// Folder + Name with one "\" between them.
std::string JoinPath(const std::string& Folder, const std::string& Name);
// A trailing "\" added when missing; an empty path stays empty.
std::string AddSlash(const std::string& Path);
// The masks of a ";"-separated list, trimmed; empty ones dropped.
std::vector<std::string> SplitMasks(const std::string& Mask);
// Whether an entry found by a search with Mask is listed: its directory bit
// equals the mask's and it carries none of the read-only, hidden and system
// bits the mask lacks (the archive bit is not tested).
bool EntryMatchesAttrMask(uint32_t EntryAttr, uint32_t Mask);
// A size in KiB as the drive list shows it: "12,345 Mb", "0 Mb".
std::string DriveSizeText(int64_t KiB);
// " (C:)  " + the shell name's part before its first "(" (empty without one).
std::string DriveCaption(char Letter, const std::string& ShellName);
// Drive type texts by the system's drive-type number.
std::string DriveTypeText(unsigned Type);
// The folder one level up from Folder ("C:\a\b\" gives "C:\a\"); a drive root
// gives "Drives".
std::string OneLevelUpFrom(const std::string& Folder);

// One row of the file browser as the sort sees it: caption and sub-items
// (size or drive type, type name or disk size, modified or free space,
// attributes, full path, kind "dir" / "file" / "drv").
struct TFileRow {
  std::string Caption;
  std::vector<std::string> SubItems;
  const std::string& Sub(size_t Index) const;
};
// The order of two rows: folders first, then by the column; Reverse negates
// all of it, so reversed folders come last.
int CompareFileRows(const TFileRow& A, const TFileRow& B, int SortColumn, bool Reverse, bool DriveList,
                    const TShortDateFormat& DateFormat);

// Disk information: the serial as "2A1F-16FD", a size as "1.20 Gb".
std::string SerialNumberText(uint32_t Serial);
std::string DiskSizeText(int64_t Bytes);

// Shortening of a status text to a width, measured by Width (in pixels).
using TTextWidth = std::function<int(const std::string& Text)>;
std::string MinimizeText(const std::string& Text, int MaxWidth, const TTextWidth& Width);
std::string ShortenFolderPart(const std::string& Folders);
std::string MinimizePath(const std::string& Path, int MaxWidth, const TTextWidth& Width);
// The selection the folder browser is told: "C:" gets a "\", a drive root
// stays, any other path loses a trailing "\" ("\" itself stays).
std::string BrowseSelectionText(const std::string& Path);
