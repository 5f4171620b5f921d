// The program's file type in the class registry and the archive extensions
// that point to it, as the "Associated Archives" setting chooses, with the
// ".zip" entry of the shell's New menu.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

inline constexpr const char* FileTypeName = "Quillon";

struct TAssociatedExtension {
  const char* Ext;
  int Position;  // 1-based character of "Associated Archives"
};
inline constexpr TAssociatedExtension AssociatedExtensions[] = {
    {".zip", 1}, {".rar", 2}, {".ace", 7},  {".arc", 6},  {".arj", 4},  {".lzh", 5},
    {".lha", 5}, {".jar", 13}, {".bh", 14}, {".cab", 3},  {".zoo", 8},  {".tar", 9},
    {".gz", 10}, {".z", 10},  {".tgz", 10}, {".uue", 11}, {".xxe", 12},
};
// The end record of an empty Zip archive: what the New menu's ".zip" makes.
inline constexpr uint8_t EmptyZipData[22] = {0x50, 0x4B, 0x05, 0x06};

// Whether the setting wants an extension associated ("1" at its position).
bool WantsAssociation(const std::string& Associated, int Position);

// "Quillon" with its icon and its open command (the program quoted, then
// "%1" quoted). Raises on a registry failure.
void RegisterFileType(const std::string& ProgramPath);
// True when an extension the setting wants does not point to "Quillon".
// Opens every extension's key, creating missing ones empty. Raises on a
// registry failure.
bool AssociationMismatch(const std::string& Associated);
// Points every wanted extension at "Quillon" and gives ".zip" its New-menu
// data when it has none; other extensions stay as they are. Raises.
void WriteAssociations(const std::string& Associated);

// The association work of the first activation: register, check, offer
// (Offer shows the association dialog, which sets the settings; it is not
// called for a job), then write when "Associate with Zip files" is on. Any
// registry failure ends the work silently.
void RunAssociationSteps(bool StartedWithJob, const std::function<void()>& Offer);
