// The class-registry table of the program's file type and of the archive
// extensions after each setting, read back with the registry calls. The
// prefix's own keys are put back after every test.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/associations.h"
#include "app/settings.h"
#include "app/utils.h"
#include "framework/ui/winapi.h"

#include <shlwapi.h>

namespace {

struct TKeyState {
  std::string Key;
  bool Existed = false;
  std::optional<std::string> Default;
};

std::optional<std::vector<BYTE>> Raw(const std::string& Key, const std::string& Name, DWORD* Type = nullptr) {
  HKEY K = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, Key.c_str(), 0, KEY_READ, &K) != ERROR_SUCCESS) return std::nullopt;
  DWORD Size = 0, T = 0;
  std::vector<BYTE> Data;
  LONG R = RegQueryValueExA(K, Name.empty() ? nullptr : Name.c_str(), nullptr, &T, nullptr, &Size);
  if (R == ERROR_SUCCESS) {
    Data.resize(Size);
    R = RegQueryValueExA(K, Name.empty() ? nullptr : Name.c_str(), nullptr, &T, Data.data(), &Size);
    Data.resize(Size);
  }
  RegCloseKey(K);
  if (R != ERROR_SUCCESS) return std::nullopt;
  if (Type) *Type = T;
  return Data;
}

std::optional<std::string> Default(const std::string& Key) {
  DWORD Type = 0;
  auto D = Raw(Key, "", &Type);
  if (!D || Type != REG_SZ) return std::nullopt;
  std::string S(D->begin(), D->end());
  while (!S.empty() && S.back() == '\0') S.pop_back();
  return S;
}

bool KeyExists(const std::string& Key) {
  HKEY K = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, Key.c_str(), 0, KEY_READ, &K) != ERROR_SUCCESS) return false;
  RegCloseKey(K);
  return true;
}

void SetDefault(const std::string& Key, const std::string& Value) {
  HKEY K = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, Key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &K, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(K, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(Value.c_str()), DWORD(Value.size() + 1));
  RegCloseKey(K);
}

void DeleteKey(const std::string& Key) { SHDeleteKeyA(HKEY_CLASSES_ROOT, Key.c_str()); }

class AssociationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<std::string> Keys = {"Quillon", ".zip\\ShellNew", ".zip\\.rar"};
    for (const TAssociatedExtension& E : AssociatedExtensions) Keys.push_back(E.Ext);
    for (const std::string& K : Keys) Saved.push_back({K, KeyExists(K), Default(K)});
    for (const TKeyState& S : Saved) DeleteKey(S.Key);
    SavedSettings = {AssociatedArchives, AssociateWithZipFiles, CheckForZipAssociation};
  }
  void TearDown() override {
    for (const TKeyState& S : Saved) {
      DeleteKey(S.Key);
      if (S.Existed) SetDefault(S.Key, S.Default.value_or(""));
    }
    AssociatedArchives = SavedSettings.Associated;
    AssociateWithZipFiles = SavedSettings.With;
    CheckForZipAssociation = SavedSettings.Check;
  }
  // Runs the first activation's work; the number of offers made.
  int Run(bool Job, const std::function<void()>& Answer = nullptr) {
    int Offers = 0;
    RunAssociationSteps(Job, [&] {
      Offers++;
      if (Answer) Answer();
    });
    return Offers;
  }

  std::vector<TKeyState> Saved;
  struct {
    std::string Associated;
    uint8_t With, Check;
  } SavedSettings;
};

TEST_F(AssociationTest, FreshSystemGetsTheFileTypeAndTheOffer) {
  AssociatedArchives = "11111111111111";
  AssociateWithZipFiles = 0;
  CheckForZipAssociation = 0;
  EXPECT_EQ(Run(false), 1);

  const std::string Program = ProgramFileName();
  EXPECT_EQ(Default("Quillon"), "Quillon file");
  EXPECT_EQ(Default("Quillon\\DefaultIcon"), ProgramFolder() + "MORV.ICO");
  EXPECT_EQ(Default("Quillon\\Shell"), "Open");
  EXPECT_EQ(Default("Quillon\\Shell\\Open\\command"), "\"" + Program + "\" \"%1\"");
  // Every extension's key was opened (created empty); none points anywhere.
  for (const TAssociatedExtension& E : AssociatedExtensions) {
    EXPECT_TRUE(KeyExists(E.Ext)) << E.Ext;
    EXPECT_NE(Default(E.Ext), "Quillon") << E.Ext;
  }
  EXPECT_FALSE(KeyExists(".zip\\ShellNew"));

  // A job never shows the question; "Never display" (1) neither.
  EXPECT_EQ(Run(true), 0);
  CheckForZipAssociation = 1;
  EXPECT_EQ(Run(false), 0);
}

TEST_F(AssociationTest, AnswerYesAssociatesTheChosenExtensionsOnly) {
  SetDefault(".rar", "WinRAR");
  SetDefault(".cab", "CABFolder");
  AssociatedArchives = "10000000000000";
  AssociateWithZipFiles = 0;
  CheckForZipAssociation = 0;
  EXPECT_EQ(Run(false, [] { AssociateWithZipFiles = 1; }), 1);

  EXPECT_EQ(Default(".zip"), "Quillon");
  EXPECT_EQ(Default(".rar"), "WinRAR") << "a \"0\" leaves the value as it was";
  EXPECT_EQ(Default(".cab"), "CABFolder");
  DWORD Type = 0;
  auto Data = Raw(".zip\\ShellNew", "Data", &Type);
  ASSERT_TRUE(Data);
  EXPECT_EQ(Type, DWORD(REG_BINARY));
  EXPECT_EQ(*Data, std::vector<BYTE>({0x50, 0x4B, 0x05, 0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

  // Now associated: no more offers; every start writes again.
  EXPECT_EQ(Run(false), 0);
  SetDefault(".zip", "Other");
  EXPECT_EQ(Run(false), 1);
  EXPECT_EQ(Default(".zip"), "Quillon");
}

TEST_F(AssociationTest, ExistingNewMenuDataStaysAndLaterExtensionsGoToTheRoot) {
  HKEY K = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, ".zip\\ShellNew", 0, nullptr, 0, KEY_WRITE, nullptr, &K, nullptr),
            ERROR_SUCCESS);
  const char Mine[] = "FileName";
  RegSetValueExA(K, "NullFile", 0, REG_SZ, reinterpret_cast<const BYTE*>(Mine), sizeof Mine);
  RegCloseKey(K);
  AssociatedArchives = "11111111111111";
  AssociateWithZipFiles = 1;
  CheckForZipAssociation = 1;
  EXPECT_EQ(Run(false), 0);

  EXPECT_FALSE(Raw(".zip\\ShellNew", "Data")) << "an existing New-menu entry is not rewritten";
  EXPECT_TRUE(Raw(".zip\\ShellNew", "NullFile"));
  for (const TAssociatedExtension& E : AssociatedExtensions) EXPECT_EQ(Default(E.Ext), "Quillon") << E.Ext;
  EXPECT_FALSE(KeyExists(".zip\\.rar"));
}

TEST(AssociationSetting, PositionsOfTheSetting) {
  EXPECT_TRUE(WantsAssociation("10", 1));
  EXPECT_FALSE(WantsAssociation("10", 2));
  EXPECT_FALSE(WantsAssociation("1", 14)) << "a short setting wants nothing past its end";
  EXPECT_FALSE(WantsAssociation("1", 0));
}

}  // namespace
