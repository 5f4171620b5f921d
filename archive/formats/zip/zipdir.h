// The whole directory of a single-volume Zip archive as its writers need it:
// every central header with the raw name, extra field and comment that follow
// it, and where each entry's local record lies and how long it is, so that an
// entry can be copied byte for byte into a new archive. Every length and
// offset is checked against the file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "archive/core/ziprecords.h"

class TStream;

struct TZipDirItem {
  TZipCentralHeader Central;
  std::string Name;  // raw bytes as stored ("/" separators, OEM or ANSI by host)
  std::string Extra;
  std::string Comment;
  // Absolute position of the local header in the file, and the length of the
  // local record: header, name, extra field, data and data descriptor.
  int64_t LocalPos = 0;
  int64_t LocalSize = 0;
  uint16_t LocalNameLength = 0;
};

struct TZipDirectory {
  TZipEndRecord End;
  int64_t EndPos = 0;
  int64_t CentralPos = 0;  // absolute position of the first central header
  // Bytes in front of the first local header (a program stub), and the
  // amount the stored offsets fall short of the real positions (0 when the
  // offsets already count the stub).
  int64_t StubSize = 0;
  int64_t Shift = 0;
  std::string Comment;
  std::vector<TZipDirItem> Items;
};

// Reads In's directory into Dir. False with a short reason in Error when the
// file is no single-volume Zip archive without Zip64 or any record lies
// outside the file.
bool ReadZipDirectory(TStream& In, TZipDirectory& Dir, std::string& Error);

// Length of the data descriptor at Pos: 16 with its signature, 12 without.
int64_t ZipDescriptorLength(TStream& In, int64_t Pos);

// A stored name in the form the program shows it: converted from OEM when a
// DOS, OS/2 or old NT host wrote it, "\" separators.
std::string ZipDisplayName(const std::string& Raw, uint16_t MadeBy, uint16_t Flags = 0);
