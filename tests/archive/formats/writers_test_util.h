// Helpers of the writer tests: paths in the program's own form, source trees
// on disk, and the peer tools that check what the writers made.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "archive/core/arctypes.h"
#include "archive/core/bytes.h"
#include "framework/core/sysutils.h"
#include "tests/support/testsupport.h"

namespace writerstest {

// Collects the codes OnError reports.
struct TErrors {
  std::vector<int> Codes;
  TOnError Handler() {
    return [this](TObject*, const std::string&, const std::string&, const std::string&, int Code) {
      Codes.push_back(Code);
    };
  }
};

// Dir joined with a relative name given with "/".
inline std::string Join(const std::string& Dir, std::string Rel) {
  for (char& C : Rel)
    if (C == '/' || C == '\\') C = PathDelim;
  return Dir + PathDelim + Rel;
}

inline std::string Quote(const std::string& S) { return "'" + S + "'"; }

// A host path of a program path, quoted for the shell.
inline std::string Host(const std::string& Path) { return Quote(morvtest::HostPath(Path)); }

// Writes Data to Dir/Rel, making the folders on the way.
inline std::string PutFile(const std::string& Dir, const std::string& Rel, const std::vector<uint8_t>& Data) {
  const std::string Name = Join(Dir, Rel);
  ForceDirectories(ExtractFilePath(Name));
  morvtest::WriteFile(Name, Data);
  return Name;
}

// Runs a peer command and returns its status; the output is kept in Out.
inline int Peer(const std::string& Cmd, std::string* Out = nullptr) {
  std::string Dummy;
  return morvtest::RunPeer(Cmd, Out ? Out : &Dummy);
}

// Every file below Src equals the file of the same relative name below Out
// (cmp on the host).
inline void ExpectSameTree(const std::string& Src, const std::string& Out) {
  std::string Text;
  const std::string Cmd = "cd " + Host(Src) + " && find . -type f | while read f; do cmp \"$f\" " + Host(Out) +
                          "/\"$f\" || exit 1; done";
  EXPECT_EQ(morvtest::RunPeer(Cmd, &Text), 0) << Text;
}

// The fields of the records of a Zip archive, read straight from its bytes.
struct TZipEntryView {
  std::string Name;
  uint16_t LocalVersion = 0, LocalFlags = 0, LocalMethod = 0;
  uint16_t CentralVersion = 0, CentralFlags = 0, CentralMethod = 0;
  uint16_t InternalAttr = 0;
  uint32_t Crc = 0, LocalCrc = 0, Packed = 0, LocalPacked = 0, Unpacked = 0, LocalOffset = 0, ExternalAttr = 0;
  uint16_t ExtraLength = 0, CommentLength = 0;
};

// Walks the central directory found through the end record (no comment);
// fails the test on anything malformed.
inline std::vector<TZipEntryView> ReadZipDirectory(const std::vector<uint8_t>& A) {
  std::vector<TZipEntryView> R;
  size_t End = std::string::npos;
  for (size_t i = A.size() >= 22 ? A.size() - 22 : 0;; --i) {
    if (i + 22 <= A.size() && GetLE32(A.data() + i) == 0x06054B50) {
      End = i;
      break;
    }
    if (i == 0) break;
  }
  EXPECT_NE(End, std::string::npos) << "no end record";
  if (End == std::string::npos) return R;
  const uint16_t Count = GetLE16(A.data() + End + 10);
  size_t P = GetLE32(A.data() + End + 16);
  for (uint16_t n = 0; n < Count; ++n) {
    if (P + 46 > A.size() || GetLE32(A.data() + P) != 0x02014B50) {
      ADD_FAILURE() << "bad central header " << n;
      return R;
    }
    TZipEntryView E;
    const uint8_t* C = A.data() + P;
    E.CentralVersion = GetLE16(C + 6);
    E.CentralFlags = GetLE16(C + 8);
    E.CentralMethod = GetLE16(C + 10);
    E.Crc = GetLE32(C + 16);
    E.Packed = GetLE32(C + 20);
    E.Unpacked = GetLE32(C + 24);
    const uint16_t NameLen = GetLE16(C + 28);
    E.ExtraLength = GetLE16(C + 30);
    E.CommentLength = GetLE16(C + 32);
    E.InternalAttr = GetLE16(C + 36);
    E.ExternalAttr = GetLE32(C + 38);
    E.LocalOffset = GetLE32(C + 42);
    E.Name.assign(reinterpret_cast<const char*>(C + 46), NameLen);
    if (E.LocalOffset + 30 > A.size() || GetLE32(A.data() + E.LocalOffset) != 0x04034B50) {
      ADD_FAILURE() << "bad local header of " << E.Name;
      return R;
    }
    const uint8_t* L = A.data() + E.LocalOffset;
    E.LocalVersion = GetLE16(L + 4);
    E.LocalFlags = GetLE16(L + 6);
    E.LocalMethod = GetLE16(L + 8);
    E.LocalCrc = GetLE32(L + 14);
    E.LocalPacked = GetLE32(L + 18);
    R.push_back(E);
    P += 46 + NameLen + E.ExtraLength + E.CommentLength;
  }
  return R;
}

inline const TZipEntryView* FindEntry(const std::vector<TZipEntryView>& Dir, const std::string& Name) {
  for (const TZipEntryView& E : Dir)
    if (E.Name == Name) return &E;
  return nullptr;
}

}  // namespace writerstest
