// The 13 x 13 bitmap beside the menu items. Each handler object owns its
// own copy: a menu refers to the bitmap for as long as it is shown, which
// can outlast the command, so the copy goes only with the object.
#pragma once
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace brimshex {

// The module whose "MENUBITMAP" resource is loaded; the server sets it.
extern HINSTANCE ModuleInstance;

class TMenuBitmap {
 public:
  TMenuBitmap() = default;
  ~TMenuBitmap() { Free(); }
  TMenuBitmap(const TMenuBitmap&) = delete;
  TMenuBitmap& operator=(const TMenuBitmap&) = delete;

  // With Use false nothing is loaded and SetItemBitmap does nothing. A
  // bitmap already held is kept rather than loaded again.
  bool LoadMenuBitmap(bool Use);
  void Free();
  bool SetItemBitmap(HMENU Menu, UINT Position) const;
  HBITMAP Handle() const { return FBitmap; }

 private:
  bool FUse = false;
  HBITMAP FBitmap = nullptr;
};

}  // namespace brimshex
