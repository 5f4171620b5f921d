#include "app/favorites.h"

#include <algorithm>

#include "app/utils.h"
#include "framework/core/classes.h"
#include "framework/core/sysutils.h"
#include "framework/ui/registry.h"

int32_t FavoriteCount = 0;
uint8_t FavoriteSortMode = 1;
uint8_t OtherFoldersPolicy = 0;
std::vector<std::string> FavoriteFolders;

std::string FavoritesFolder() {
  std::string folder;
  try {
    TRegistry reg;
    if (reg.OpenKeyReadOnly("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders") &&
        reg.ValueExists("Personal"))
      folder = ExpandEnvStrings(reg.ReadString("Personal"));
  } catch (const Exception&) {
    folder.clear();
  }
  if (folder.empty()) return ProgramFolder();
  return IncludeTrailingBackslash(folder);
}

namespace {

uint8_t ByteSetting(const std::string& Line, uint8_t Default, uint8_t Max) {
  int v = StrToIntDef(Trim(Line), Default);
  return v < 0 || v > Max ? Default : static_cast<uint8_t>(v);
}

}  // namespace

void ReadFavorites() {
  const std::string folder = FavoritesFolder();
  if (!DirectoryExists(ExcludeTrailingBackslash(folder))) return;
  const std::string file = folder + "favorites.dat";
  if (!FileExists(file)) {
    FavoriteCount = 0;
    FavoriteSortMode = 1;
    OtherFoldersPolicy = 0;
    FavoriteFolders.clear();
    WriteFavorites();
    return;
  }
  TStringList lines;
  try {
    lines.LoadFromFile(file);
  } catch (const Exception&) {
    return;
  }
  auto line = [&](int i) { return i < lines.Count() ? lines[i] : std::string(); };
  // The file is the user's to edit: a count beyond the lines present or the
  // list's capacity takes what is there.
  int count = std::clamp(StrToIntDef(Trim(line(0)), 0), 0, MaxFavoriteFolders);
  count = std::min(count, std::max(lines.Count() - 3, 0));
  FavoriteSortMode = ByteSetting(line(1), 1, 6);
  OtherFoldersPolicy = ByteSetting(line(2), 0, 2);
  FavoriteFolders.clear();
  for (int i = 0; i < count; ++i) FavoriteFolders.push_back(lines[3 + i]);
  FavoriteCount = count;
}

void WriteFavorites() {
  const std::string folder = FavoritesFolder();
  if (!DirectoryExists(ExcludeTrailingBackslash(folder))) return;
  const int count = std::clamp<int>(FavoriteCount, 0, static_cast<int>(FavoriteFolders.size()));
  TStringList lines;
  lines.Add(IntToStr(count));
  lines.Add(IntToStr(FavoriteSortMode));
  lines.Add(IntToStr(OtherFoldersPolicy));
  for (int i = 0; i < count; ++i) lines.Add(FavoriteFolders[static_cast<size_t>(i)]);
  try {
    lines.SaveToFile(folder + "favorites.dat");
  } catch (const Exception&) {
    // Like a missing folder, a file that cannot be written is skipped quietly.
  }
}
