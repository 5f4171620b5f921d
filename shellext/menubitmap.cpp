#include "shellext/menubitmap.h"

namespace brimshex {

HINSTANCE ModuleInstance = nullptr;

bool TMenuBitmap::LoadMenuBitmap(bool Use) {
  FUse = Use;
  if (!FUse) return false;
  if (!FBitmap && ModuleInstance)
    FBitmap = static_cast<HBITMAP>(LoadImageA(ModuleInstance, "MENUBITMAP", IMAGE_BITMAP, 0, 0, 0));
  return FBitmap != nullptr;
}

void TMenuBitmap::Free() {
  if (FBitmap) DeleteObject(FBitmap);
  FBitmap = nullptr;
}

bool TMenuBitmap::SetItemBitmap(HMENU Menu, UINT Position) const {
  if (!FUse || !FBitmap) return false;
  return SetMenuItemBitmaps(Menu, Position, MF_BYPOSITION, FBitmap, FBitmap) != FALSE;
}

}  // namespace brimshex
