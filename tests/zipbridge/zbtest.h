// Helpers of the Zip component tests: archives made by Info-ZIP, their
// listing by zipinfo -v, and the folders of the UNZENG.DLL builds.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zbtest {

// Folder (program path form) holding one UNZENG.DLL build: "unzeng",
// "unzeng-old" or "unzeng-decorated".
std::string DllFolder(const std::string& Variant);

// Runs a shell command in the host folder of Dir (program form); fails the
// test when it exits non-zero. Returns its output.
std::string Shell(const std::string& Dir, const std::string& Command);

// Sets the archive comment of a host-made archive to Size bytes of letters,
// patching the end record in place.
void SetCommentBytes(const std::string& Archive, size_t Size);

struct TPeerEntry {
  std::string Name;
  uint64_t LocalOffset = 0;
  uint32_t Crc = 0;
  uint64_t Packed = 0;
  uint64_t Unpacked = 0;
  std::string DosTime;  // "2024 Jan 5 13:08:14" as zipinfo prints it
  bool Encrypted = false;
  std::string Comment;
};

struct TPeerListing {
  std::vector<TPeerEntry> Entries;
  std::string Comment;
};

// zipinfo -v of the archive (program path form).
TPeerListing ZipInfo(const std::string& Archive);

// A DOS date and time in zipinfo's form.
std::string DosTimeText(uint16_t Date, uint16_t Time);

std::string Quote(const std::string& S);

// A hand-made stored entry, for names and hosts Info-ZIP will not write.
struct TRawEntry {
  std::string Name;  // raw bytes as stored
  std::string Data;
  uint16_t MadeBy = 0x0314;
  uint32_t ExtAttr = 0x20;
  uint16_t Time = 0x6000;
  uint16_t Date = 0x5A21;
};
std::vector<uint8_t> MakeZip(const std::vector<TRawEntry>& Entries, const std::string& Comment = "");

}  // namespace zbtest
