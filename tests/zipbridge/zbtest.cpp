#include "tests/zipbridge/zbtest.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "archive/core/crc.h"
#include "tests/support/testsupport.h"

namespace zbtest {

std::string DllFolder(const std::string& Variant) {
  return morvtest::LocalPath(std::string(MORV_BINARY_DIR) + "/" + Variant);
}

std::string Quote(const std::string& S) {
  std::string R = "'";
  for (char C : S) R += C == '\'' ? std::string("'\\''") : std::string(1, C);
  return R + "'";
}

std::string Shell(const std::string& Dir, const std::string& Command) {
  std::string Out;
  int Rc = morvtest::RunPeer("cd " + Quote(morvtest::HostPath(Dir)) + " && " + Command, &Out);
  EXPECT_EQ(Rc, 0) << Command << "\n" << Out;
  return Out;
}

void SetCommentBytes(const std::string& Archive, size_t Size) {
  std::vector<uint8_t> D = morvtest::ReadFile(Archive);
  size_t I = D.size() >= 22 ? D.size() - 22 : 0;
  for (;; I--) {
    if (D[I] == 'P' && D[I + 1] == 'K' && D[I + 2] == 5 && D[I + 3] == 6) break;
    ASSERT_GT(I, 0u) << "no end record";
  }
  D.resize(I + 22);
  D[I + 20] = uint8_t(Size);
  D[I + 21] = uint8_t(Size >> 8);
  for (size_t J = 0; J < Size; J++) D.push_back(uint8_t('A' + J % 26));
  morvtest::WriteFile(Archive, D);
}

namespace {

std::string AfterColon(const std::string& Line) {
  size_t P = Line.find(':');
  if (P == std::string::npos) return "";
  size_t S = Line.find_first_not_of(' ', P + 1);
  return S == std::string::npos ? "" : Line.substr(S);
}

bool Has(const std::string& Line, const char* Key) { return Line.find(Key) != std::string::npos; }

// The lines between a "begins" and an "ends" marker, joined as they stood.
std::string Block(std::istringstream& In) {
  std::string Line, Text;
  bool First = true;
  while (std::getline(In, Line)) {
    if (Has(Line, "comment ends")) break;
    if (!First) Text += "\n";
    Text += Line;
    First = false;
  }
  return Text;
}

}  // namespace

TPeerListing ZipInfo(const std::string& Archive) {
  std::string Out;
  int Rc = morvtest::RunPeer("zipinfo -v " + Quote(morvtest::HostPath(Archive)), &Out);
  EXPECT_TRUE(Rc == 0 || Rc == 1) << Out;
  TPeerListing L;
  std::istringstream In(Out);
  std::string Line;
  bool ExpectName = false;
  while (std::getline(In, Line)) {
    if (Has(Line, "zipfile comment begins")) {
      L.Comment = Block(In);
    } else if (Has(Line, "Central directory entry #")) {
      L.Entries.emplace_back();
      std::getline(In, Line);  // dashes
      ExpectName = true;
    } else if (L.Entries.empty()) {
      continue;
    } else if (ExpectName && !Line.empty() && !Has(Line, "There are an extra")) {
      L.Entries.back().Name = Line.substr(2);
      ExpectName = false;
    } else {
      TPeerEntry& E = L.Entries.back();
      if (Has(Line, "offset of local header from start of archive:"))
        E.LocalOffset = std::stoull(AfterColon(Line));
      else if (Has(Line, "32-bit CRC value (hex):"))
        E.Crc = uint32_t(std::stoul(AfterColon(Line), nullptr, 16));
      else if (Has(Line, "  compressed size:"))
        E.Packed = std::stoull(AfterColon(Line));
      else if (Has(Line, "uncompressed size:"))
        E.Unpacked = std::stoull(AfterColon(Line));
      else if (Has(Line, "file last modified on (DOS date/time):"))
        E.DosTime = AfterColon(Line);
      else if (Has(Line, "file security status:"))
        E.Encrypted = AfterColon(Line) == "encrypted";
      else if (Has(Line, "file comment begins"))
        E.Comment = Block(In);
    }
  }
  return L;
}

std::string DosTimeText(uint16_t Date, uint16_t Time) {
  static const char* const Months[] = {"???", "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec", "???", "???", "???"};
  char Buf[64];
  std::snprintf(Buf, sizeof Buf, "%d %s %d %02d:%02d:%02d", 1980 + (Date >> 9), Months[(Date >> 5) & 15], Date & 31,
                Time >> 11, (Time >> 5) & 63, (Time & 31) * 2);
  return Buf;
}

std::vector<uint8_t> MakeZip(const std::vector<TRawEntry>& Entries, const std::string& Comment) {
  std::vector<uint8_t> Out, Dir;
  auto U16 = [](std::vector<uint8_t>& V, uint32_t X) {
    V.push_back(uint8_t(X));
    V.push_back(uint8_t(X >> 8));
  };
  auto U32 = [&](std::vector<uint8_t>& V, uint32_t X) {
    U16(V, X & 0xFFFF);
    U16(V, X >> 16);
  };
  auto Str = [](std::vector<uint8_t>& V, const std::string& S) { V.insert(V.end(), S.begin(), S.end()); };
  for (const TRawEntry& E : Entries) {
    uint32_t Crc = 0xFFFFFFFF;
    Crc32Block(E.Data.data(), E.Data.size(), Crc);
    Crc ^= 0xFFFFFFFF;
    uint32_t Offset = uint32_t(Out.size());
    U32(Out, 0x04034B50);
    U16(Out, 10);
    U16(Out, 0);
    U16(Out, 0);
    U16(Out, E.Time);
    U16(Out, E.Date);
    U32(Out, Crc);
    U32(Out, uint32_t(E.Data.size()));
    U32(Out, uint32_t(E.Data.size()));
    U16(Out, uint32_t(E.Name.size()));
    U16(Out, 0);
    Str(Out, E.Name);
    Str(Out, E.Data);
    U32(Dir, 0x02014B50);
    U16(Dir, E.MadeBy);
    U16(Dir, 10);
    U16(Dir, 0);
    U16(Dir, 0);
    U16(Dir, E.Time);
    U16(Dir, E.Date);
    U32(Dir, Crc);
    U32(Dir, uint32_t(E.Data.size()));
    U32(Dir, uint32_t(E.Data.size()));
    U16(Dir, uint32_t(E.Name.size()));
    U16(Dir, 0);
    U16(Dir, 0);
    U16(Dir, 0);
    U16(Dir, 0);
    U32(Dir, E.ExtAttr);
    U32(Dir, Offset);
    Str(Dir, E.Name);
  }
  uint32_t DirOffset = uint32_t(Out.size());
  Out.insert(Out.end(), Dir.begin(), Dir.end());
  U32(Out, 0x06054B50);
  U16(Out, 0);
  U16(Out, 0);
  U16(Out, uint32_t(Entries.size()));
  U16(Out, uint32_t(Entries.size()));
  U32(Out, uint32_t(Dir.size()));
  U32(Out, DirOffset);
  U16(Out, uint32_t(Comment.size()));
  Str(Out, Comment);
  return Out;
}

}  // namespace zbtest
