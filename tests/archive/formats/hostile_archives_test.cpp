// Crafted archives against the extractors: names the system cannot or must
// not create (devices, paths deeper than it takes), an entry that would
// overwrite the archive being read, headers that disagree, entries that
// expand past their stated size or share their data, a tar entry without a
// name. Each refused entry is reported and the next one goes on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "archive/codecs/deflate.h"
#include "archive/formats/tar/tar_format.h"
#include "archive/formats/tar/untar.h"
#include "archive/formats/uue/uudecode.h"
#include "framework/core/os.h"
#include "framework/core/sysutils.h"
#include "tests/archive/formats/unzip_util.h"

using namespace unziptest;
using morvtest::Join;

namespace {

class Hostile : public ::testing::Test {
 protected:
  void SetUp() override { Root = morvtest::TempDir(); }

  // Extracts every entry of the archive Name (written from Bytes) into Out.
  template <class TExtractor>
  int Extract(const std::string& Name, const std::vector<uint8_t>& Bytes, const std::string& OutDir,
              std::function<void(TExtractor&)> Setup = {}) {
    Arc = Join(Root, Name);
    morvtest::WriteFile(Arc, Bytes);
    TExtractor U(nullptr);
    Log = TRunLog();
    Log.Attach(U);
    U.SetArchiveFile(Arc);
    U.FileSpec()->Add("*.*");
    U.SetExtractDir(OutDir);
    U.ConfirmOverwrites = false;
    if (Setup) Setup(U);
    return U.Extract();
  }
  int ExtractZip(const std::vector<TRawEntry>& Entries, std::function<void(TUnZIP&)> Setup = {}) {
    return Extract<TUnZIP>("h.zip", BuildZip(Entries), Join(Root, "out"), Setup);
  }
  std::vector<uint8_t> Out(const std::string& Rel) { return morvtest::ReadFile(Join(Join(Root, "out"), Rel)); }
  bool OutExists(const std::string& Rel) { return FileExists(Join(Join(Root, "out"), Rel)); }

  std::string Root, Arc;
  TRunLog Log;
};

// One tar header block (ustar, mode 644) for a file of Size bytes.
std::vector<uint8_t> TarBlock(const std::string& Name, size_t Size, char Type = '0') {
  std::vector<uint8_t> B(TarBlockSize, 0);
  std::copy(Name.begin(), Name.begin() + std::min<size_t>(Name.size(), 100), B.begin());
  std::snprintf(reinterpret_cast<char*>(&B[100]), 8, "%07o", 0644);
  std::snprintf(reinterpret_cast<char*>(&B[124]), 12, "%011llo", static_cast<unsigned long long>(Size));
  std::snprintf(reinterpret_cast<char*>(&B[136]), 12, "%011o", 1700000000);
  B[156] = uint8_t(Type);
  std::memcpy(&B[257], "ustar\0" "00", 8);
  std::snprintf(reinterpret_cast<char*>(&B[148]), 8, "%06o", TarChecksum(B.data()));
  B[155] = ' ';
  return B;
}

// A tar entry: its header (with a GNU long-name record ahead of it for a
// name of 100 bytes and more) and its data in whole blocks.
void AddTarEntry(std::vector<uint8_t>& Tar, const std::string& Name, const std::string& Data) {
  auto Padded = [](std::vector<uint8_t>& V, const std::string& S) {
    V.insert(V.end(), S.begin(), S.end());
    V.resize((V.size() + TarBlockSize - 1) / TarBlockSize * TarBlockSize, 0);
  };
  if (Name.size() >= 100) {
    const std::vector<uint8_t> L = TarBlock("././@LongLink", Name.size() + 1, 'L');
    Tar.insert(Tar.end(), L.begin(), L.end());
    Padded(Tar, Name + '\0');
  }
  const std::vector<uint8_t> H = TarBlock(Name, Data.size());
  Tar.insert(Tar.end(), H.begin(), H.end());
  Padded(Tar, Data);
}

std::vector<uint8_t> EndTar(std::vector<uint8_t> Tar) {
  Tar.resize(Tar.size() + 2 * TarBlockSize, 0);
  return Tar;
}

// uuencode of Data under the name Name.
std::vector<uint8_t> Uuencode(const std::string& Name, const std::string& Data) {
  auto Ch = [](unsigned V) { return char(V ? V + 32 : '`'); };
  std::string S = "begin 644 " + Name + "\n";
  for (size_t At = 0; At < Data.size(); At += 45) {
    const std::string Line = Data.substr(At, 45);
    S += Ch(unsigned(Line.size()));
    for (size_t i = 0; i < Line.size(); i += 3) {
      const uint8_t A = uint8_t(Line[i]), B = i + 1 < Line.size() ? uint8_t(Line[i + 1]) : 0,
                    C = i + 2 < Line.size() ? uint8_t(Line[i + 2]) : 0;
      S += Ch(A >> 2);
      S += Ch(((A & 3) << 4) | (B >> 4));
      S += Ch(((B & 15) << 2) | (C >> 6));
      S += Ch(C & 63);
    }
    S += "\n";
  }
  S += "`\nend\n";
  return Bytes(S);
}

std::string Deep(int Parts) {
  std::string S;
  for (int i = 0; i < Parts; ++i) S += "a/";
  return S + "f.txt";
}

}  // namespace

// Names Windows takes for devices, in any folder and with any extension,
// are refused with the entry's error; look-alikes are plain files.
TEST_F(Hostile, DeviceNamesAreRefused) {
  const std::vector<std::string> Devices = {"CON",      "nul.txt",  "dir/COM1.log", "LPT9", "aux .txt",
                                            "Prn.x.y",  "CON/in.txt", "com5"};
  const std::vector<std::string> Plain = {"CONSOLE.txt", "COM10", "com0.txt", "lpt.txt", "null", "xcon"};
  std::vector<TRawEntry> Entries;
  for (const std::string& N : Devices) Entries.push_back(StoredEntry(N, Bytes(N)));
  for (const std::string& N : Plain) Entries.push_back(StoredEntry(N, Bytes(N)));
  EXPECT_EQ(ExtractZip(Entries), int(Plain.size()));
  EXPECT_EQ(Log.Codes(), std::vector<int>(Devices.size(), errBadFileName));
  for (size_t i = 0; i < Devices.size(); ++i) EXPECT_EQ(Log.Errors[i].FN, Devices[i]);
  for (const std::string& N : Plain) EXPECT_EQ(Out(N), Bytes(N)) << N;
}

// A name deeper than the system can create is refused before any of its
// folders is made (its folders once came one recursion each); one that fits
// is extracted with all its folders.
TEST_F(Hostile, DeepNamesAreRefusedWithoutRecursion) {
  const std::string TooDeep = Deep(16000);
  const std::string Fits = Deep(40);
  EXPECT_EQ(ExtractZip({StoredEntry(TooDeep, Bytes("deep")), StoredEntry(Fits, Bytes("fits")),
                        StoredEntry("next.txt", Bytes("next"))}),
            2);
  EXPECT_EQ(Log.Codes(), std::vector<int>{errBadFileName});
  EXPECT_EQ(Out(Fits), Bytes("fits"));
  EXPECT_EQ(Out("next.txt"), Bytes("next"));

  std::vector<uint8_t> Tar;
  AddTarEntry(Tar, TooDeep, "deep");
  AddTarEntry(Tar, "after.txt", "after");
  EXPECT_EQ(Extract<TUnTAR>("deep.tar", EndTar(Tar), Join(Root, "tar")), 1);
  EXPECT_EQ(Log.Codes(), std::vector<int>{errBadFileName});
  EXPECT_EQ(morvtest::ReadFile(Join(Root, "tar/after.txt")), Bytes("after"));
}

TEST(ForceDirectories, DeepPathIsRefusedAndOneThatFitsIsMade) {
  const std::string Root = morvtest::TempDir();
  std::string TooDeep = Root;
  for (int i = 0; i < 16000; ++i) TooDeep += std::string(1, PathDelim) + "a";
  EXPECT_FALSE(ForceDirectories(TooDeep));
  EXPECT_FALSE(DirectoryExists(Join(Root, "a")));
  std::string Fits = Root;
  for (int i = 0; i < 30; ++i) Fits += std::string(1, PathDelim) + "b";
  ASSERT_LE(Fits.size(), MaxPathLength);
  EXPECT_TRUE(ForceDirectories(Fits));
  EXPECT_TRUE(DirectoryExists(Fits));
}

// An entry named like the archive, extracted into the archive's folder with
// overwriting allowed, would cut the archive short under the reader.
TEST_F(Hostile, EntryNamedLikeTheArchiveIsRefused) {
  const std::vector<uint8_t> Zip = BuildZip({StoredEntry("first.txt", Bytes("first")),
                                             StoredEntry("self.zip", Bytes("overwritten")),
                                             StoredEntry("last.txt", Bytes("last"))});
  EXPECT_EQ(Extract<TUnZIP>("self.zip", Zip, Root), 2);
  EXPECT_EQ(Log.Codes(), std::vector<int>{errSameInOut});
  EXPECT_TRUE(morvtest::ReadFile(Arc) == Zip);
  EXPECT_EQ(morvtest::ReadFile(Join(Root, "last.txt")), Bytes("last"));

  const std::vector<uint8_t> Uue = Uuencode("self.uue", "overwritten");
  EXPECT_EQ(Extract<TUUDecode>("self.uue", Uue, Root), 0);
  EXPECT_EQ(Log.Codes(), std::vector<int>{errSameInOut});
  EXPECT_TRUE(morvtest::ReadFile(Arc) == Uue);
}

// The central name selects the entry and is the name written; a local
// header naming another file is damage.
TEST_F(Hostile, LocalNameDisagreeingWithTheCentralOneIsDamage) {
  std::vector<uint8_t> Zip = BuildZip({StoredEntry("a.txt", Bytes("payload")), StoredEntry("b.txt", Bytes("b"))});
  std::copy_n("a.exe", 5, Zip.begin() + 30);  // the first local header's name
  EXPECT_EQ(Extract<TUnZIP>("names.zip", Zip, Join(Root, "out"),
                            [](TUnZIP& U) {
                              U.FileSpec()->Clear();
                              U.FileSpec()->Add("*.txt");
                              U.ExcludeSpec()->Add("*.exe");
                            }),
            1);
  EXPECT_EQ(Log.Codes(), std::vector<int>{25248});
  EXPECT_FALSE(OutExists("a.exe"));
  EXPECT_FALSE(OutExists("a.txt"));
  EXPECT_EQ(Out("b.txt"), Bytes("b"));
}

// Output stops at the stated size and the entry fails, stored or deflated.
TEST_F(Hostile, EntryLongerThanItsStatedSizeStopsThere) {
  const std::vector<uint8_t> Zeros(1 << 20, 0);
  TRawEntry Stored = StoredEntry("stored.bin", std::vector<uint8_t>(5000, 's'));
  Stored.Unpacked = 1000;
  TRawEntry Bomb = PackedEntry("bomb.bin", 8, DeflateBuffer(Zeros.data(), Zeros.size(), 9), Zeros);
  Bomb.Unpacked = 1000;
  EXPECT_EQ(ExtractZip({Stored, Bomb, StoredEntry("next.txt", Bytes("next"))}), 1);
  EXPECT_EQ(Log.Codes(), (std::vector<int>{errSizeDiffers, errSizeDiffers}));
  EXPECT_FALSE(Log.Passed("stored.bin"));
  EXPECT_FALSE(Log.Passed("bomb.bin"));
  EXPECT_LE(Out("stored.bin").size(), 1000u);
  EXPECT_LE(Out("bomb.bin").size(), 1000u);
  EXPECT_EQ(Out("next.txt"), Bytes("next"));
}

// Entries whose data lies in another entry's: several on one local header
// (one small stream expanded many times), or one whose data runs over the
// next entry's header.
TEST_F(Hostile, OverlappingEntriesAreDamage) {
  TRawEntry One = StoredEntry("one.txt", Bytes("shared data"));
  TRawEntry Two = One, Three = One;
  Two.Name = "two.txt";
  Three.Name = "three.txt";
  Two.LocalOffsetOverride = Three.LocalOffsetOverride = 0;
  EXPECT_EQ(ExtractZip({One, Two, Three, StoredEntry("own.txt", Bytes("own"))}), 1);
  EXPECT_EQ(Log.Codes(), (std::vector<int>{25248, 25248, 25248}));
  EXPECT_EQ(Out("own.txt"), Bytes("own"));
  EXPECT_FALSE(OutExists("one.txt"));

  // The outer entry's stated data covers the inner entry's header and data.
  const TRawEntry Inner = StoredEntry("inner.txt", Bytes("inner"));
  const std::vector<uint8_t> InnerBytes = [&] {
    std::vector<uint8_t> Z = BuildZip({Inner});
    return std::vector<uint8_t>(Z.begin(), Z.begin() + 30 + 9 + 5);
  }();
  TRawEntry Outer = StoredEntry("outer.txt", InnerBytes);
  std::vector<uint8_t> Zip = BuildZip({Outer, Inner});
  // Drop the inner entry's own copy: its central header points into the
  // outer entry's data.
  const size_t InnerLocal = 30 + 9 + InnerBytes.size();
  Zip.erase(Zip.begin() + long(InnerLocal), Zip.begin() + long(InnerLocal + InnerBytes.size()));
  const size_t CentralAt = Zip.size() - 22 - 2 * 46 - 9 - 9;
  PutLE32(&Zip[CentralAt + 46 + 9 + 42], 30 + 9);
  PutLE32(&Zip[Zip.size() - 6], uint32_t(CentralAt));
  EXPECT_EQ(Extract<TUnZIP>("nested.zip", Zip, Join(Root, "nested")), 1);
  EXPECT_EQ(Log.Codes(), std::vector<int>{25248});
  EXPECT_EQ(morvtest::ReadFile(Join(Root, "nested/inner.txt")), Bytes("inner"));
  EXPECT_FALSE(FileExists(Join(Root, "nested/outer.txt")));
}

// A tar header with an empty name is an entry, not the end of the archive:
// it is reported and the entries after it are extracted.
TEST_F(Hostile, TarEntryWithoutNameIsReportedAndTheRunGoesOn) {
  std::vector<uint8_t> Tar;
  AddTarEntry(Tar, "before.txt", "before");
  AddTarEntry(Tar, "", "nameless data");
  AddTarEntry(Tar, "after.txt", "after");
  EXPECT_EQ(Extract<TUnTAR>("empty.tar", EndTar(Tar), Join(Root, "out")), 2);
  EXPECT_EQ(Log.Codes(), std::vector<int>{errBadFileName});
  EXPECT_EQ(Out("before.txt"), Bytes("before"));
  EXPECT_EQ(Out("after.txt"), Bytes("after"));
}
