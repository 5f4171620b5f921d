// The integrity tester over the shared fixtures of a folder: every archive it
// passes is copied with one byte flipped in its middle, and that twin must
// fail, writing nothing.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "archive/convert/handlers.h"
#include "archive/convert/zipcheck.h"
#include "archive/lister/arclister.h"
#include "framework/core/sysutils.h"
#include "tests/archive/formats/writers_test_util.h"
#include "tests/support/testsupport.h"

namespace fixturesweep {

struct TCheckRun {
  std::vector<bool> Results;
  std::vector<int> Errors;
  bool Raised = false;
  bool AllPassed() const {
    return !Raised && Errors.empty() && !Results.empty() &&
           std::find(Results.begin(), Results.end(), false) == Results.end();
  }
};

inline TCheckRun RunCheck(const std::string& Arc) {
  TCheckRun R;
  TComponent Owner(nullptr);
  TZipCheck* T = new TZipCheck(&Owner);
  T->SetArchiveFile(Arc);
  T->FileSpec()->Add("*.*");
  T->OnStatus = [&](TObject*, const std::string&, bool Pass) { R.Results.push_back(Pass); };
  T->OnError = [&](TObject*, const std::string&, const std::string&, const std::string&, int Code) {
    R.Errors.push_back(Code);
  };
  try {
    T->Activate();
  } catch (const E_RAISE&) {
    R.Raised = true;
  }
  return R;
}

// The largest packed size among the entries the lister reports.
inline int64_t LargestPacked(const std::string& Arc) {
  TArcLister L(nullptr);
  L.SetArchiveFile(Arc);
  L.FileSpec()->Add("*.*");
  int64_t Max = 0;
  L.OnRead = [&](TObject*, int, int) { Max = std::max<int64_t>(Max, L.Entry.PackedSize); };
  L.OnError = [](TObject*, const std::string&, const std::string&, const std::string&, int) {};
  L.Activate();
  return Max;
}

struct TSweep {
  int Sound = 0;
  std::vector<std::string> TwinsPassed;
};

// Work is an empty folder for the twins. Only the first file of a volume set
// (".part1", ".rar", ".ace"; not ".part2", ".r00", ".c00") is checked, and
// only archives whose largest entry holds more than half the file: its data
// then holds the middle byte. Compressed .Z files carry no check value and
// are left out.
inline TSweep SweepFixtures(const std::string& Folder, const std::string& Work) {
  using writerstest::Host;
  TSweep S;
  std::string List;
  writerstest::Peer("cd " + Host(morvtest::SharedPath("fixtures/" + Folder)) +
                        " && find . -type f ! -name '*.part[2-9]*' ! -name '*.part0[2-9]*' ! -name '*.part1[0-9]*'"
                        " ! -name '*.[a-z][0-9][0-9]' | sort",
                    &List);
  std::istringstream Lines(List);
  std::string Rel;
  int N = 0;
  while (std::getline(Lines, Rel)) {
    if (Rel.size() < 3) continue;
    const std::string Name = morvtest::SharedPath("fixtures/" + Folder + "/" + Rel.substr(2));
    if (Name.size() > 2 && Name.compare(Name.size() - 2, 2, ".Z") == 0) continue;
    TCheckRun Sound = RunCheck(Name);
    if (!Sound.AllPassed()) continue;
    std::vector<uint8_t> Data = morvtest::ReadFile(Name);
    if (LargestPacked(Name) * 2 <= int64_t(Data.size())) continue;
    ++S.Sound;
    Data[Data.size() / 2] ^= 0x55;
    const std::string Twin = writerstest::Join(Work, "twin" + std::to_string(++N) + ExtractFileExt(Name));
    morvtest::WriteFile(Twin, Data);
    std::string Before, After;
    writerstest::Peer("ls -R " + Host(Work), &Before);
    TCheckRun Bad = RunCheck(Twin);
    writerstest::Peer("ls -R " + Host(Work), &After);
    EXPECT_EQ(Before, After) << Rel;
    if (Bad.AllPassed() && Bad.Results.size() >= Sound.Results.size()) S.TwinsPassed.push_back(Rel);
  }
  return S;
}

// Each folder's sweep finds sound archives and no twin that passes.
inline void ExpectSweepsClean(std::initializer_list<const char*> Folders, const std::string& Dir) {
  for (const char* Folder : Folders) {
    SCOPED_TRACE(Folder);
    const std::string Work = writerstest::Join(Dir, std::string("sweep_") + Folder);
    ForceDirectories(Work);
    TSweep S = SweepFixtures(Folder, Work);
    EXPECT_GT(S.Sound, 0);
    EXPECT_TRUE(S.TwinsPassed.empty()) << ::testing::PrintToString(S.TwinsPassed);
  }
}

// Extracts Arc of Type with our own extractor; whether anything came out.
inline bool OurExtract(TArcType Type, const std::string& Arc, const std::string& Out) {
  TComponent Owner(nullptr);
  TUnBase* U = CreateExtractor(Type, &Owner);
  if (!U) return false;
  U->SetArchiveFile(Arc);
  U->SetExtractDir(Out);
  U->FileSpec()->Add("*.*");
  U->ConfirmOverwrites = false;
  U->OnError = [](TObject*, const std::string&, const std::string&, const std::string&, int) {};
  try {
    return U->Extract() > 0;
  } catch (const E_RAISE&) {
    return false;
  }
}

}  // namespace fixturesweep
