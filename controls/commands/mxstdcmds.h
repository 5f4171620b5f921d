// The process-wide cache of standard commands, with the bitmaps taken from
// the program's resources.
#pragma once
#include "controls/commands/core/mxtables.h"
#include "framework/ui/winapi.h"

// Created on first use; bitmaps are loaded from the program module.
T_MX_MenuItemCache& MenuItemCache();
inline HBITMAP CacheBitmap(const T_MX_MenuItemCacheItem* Item) {
  return Item ? reinterpret_cast<HBITMAP>(Item->Bitmap) : nullptr;
}
