// The user's favourite Zip folders, kept in favorites.dat in the documents
// folder: the count, the sort mode and the policy for other folders, one
// decimal number a line, then one folder a line (CR LF).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

constexpr int MaxFavoriteFolders = 5000;

extern int32_t FavoriteCount;
// 1 name, 2 date, 3 folder, 4 to 6 the same reversed.
extern uint8_t FavoriteSortMode;
// 0 add other Zip folders automatically, 1 ask, 2 never add.
extern uint8_t OtherFoldersPolicy;
// FavoriteFolders[0] to [FavoriteCount - 1]; whoever changes one keeps the
// other in step.
extern std::vector<std::string> FavoriteFolders;

// The documents folder ("Personal" of the user's shell folders, environment
// references expanded) with a trailing "\", or the program's folder when the
// value is missing.
std::string FavoritesFolder();
// Both do nothing when the folder does not exist. Reading a missing file sets
// the defaults and creates it.
void ReadFavorites();
void WriteFavorites();
