// What the tests of the library-backed formats share: the tester's verdicts
// on an archive and its one-byte-flipped twin, and a rerun of the test
// program with one of Windows' libraries disabled.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "archive/convert/zipcheck.h"
#include "framework/core/sysutils.h"
#include "tests/archive/formats/writers_test_util.h"
#include "tests/support/testsupport.h"

namespace externaltest {

// The tester's pass/fail line for each entry of Name.
inline std::vector<bool> TestVerdicts(const std::string& Name) {
  std::vector<bool> Results;
  TComponent Owner(nullptr);
  TZipCheck* T = new TZipCheck(&Owner);
  T->SetArchiveFile(Name);
  T->FileSpec()->Add("*.*");
  T->OnStatus = [&](TObject*, const std::string&, bool Pass) { Results.push_back(Pass); };
  T->OnError = [](TObject*, const std::string&, const std::string&, const std::string&, int) {};
  try {
    T->Activate();
  } catch (const E_RAISE&) {
  }
  return Results;
}

// Arc tests sound (Entries passes); its twin with the middle byte flipped,
// written into the empty folder Dir as TwinName, fails, and testing it
// leaves nothing else in Dir.
inline void ExpectSoundAndFlippedTwinFails(const std::string& Arc, size_t Entries, const std::string& Dir,
                                           const std::string& TwinName) {
  EXPECT_EQ(TestVerdicts(Arc), std::vector<bool>(Entries, true));
  std::vector<uint8_t> Data = morvtest::ReadFile(Arc);
  Data[Data.size() / 2] ^= 0x40;
  const std::string Twin = writerstest::Join(Dir, TwinName);
  morvtest::WriteFile(Twin, Data);
  const std::vector<bool> Bad = TestVerdicts(Twin);
  ASSERT_FALSE(Bad.empty());
  EXPECT_FALSE(Bad.back());
  std::string Files;
  writerstest::Peer("ls " + writerstest::Host(Dir), &Files);
  EXPECT_EQ(Files, TwinName + "\n");
}

// True inside the rerun that ChildVariable marks.
inline bool IsLibraryChild(const char* ChildVariable) {
  return GetEnvironmentVariableA(ChildVariable, nullptr, 0) > 0;
}

// Runs TestName of this program again with Dll disabled and ChildVariable
// set; the rerun must pass.
inline void ExpectPassesWithoutLibrary(const std::string& ChildVariable, const std::string& Dll,
                                       const std::string& TestName) {
  char Self[MAX_PATH];
  GetModuleFileNameA(nullptr, Self, MAX_PATH);
  char Prefix[MAX_PATH] = "";
  GetEnvironmentVariableA("WINEPREFIX", Prefix, MAX_PATH);
  const std::string Loader = sizeof(void*) == 8 ? "/usr/lib/wine/wine64" : "/usr/lib/wine/wine";
  std::string Out;
  const int Code = writerstest::Peer("WINEPREFIX=" + writerstest::Quote(Prefix) + " WINEDEBUG=-all " + ChildVariable +
                                         "=1 WINEDLLOVERRIDES='mscoree,mshtml,winemenubuilder.exe," + Dll + "=d' " +
                                         Loader + " " + writerstest::Host(Self) + " --gtest_filter=" + TestName,
                                     &Out);
  EXPECT_EQ(Code, 0) << Out;
  EXPECT_NE(Out.find("[  PASSED  ] 1 test"), std::string::npos) << Out;
}

}  // namespace externaltest
