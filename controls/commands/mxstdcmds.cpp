#include "controls/commands/mxstdcmds.h"

#include <memory>

T_MX_MenuItemCache& MenuItemCache() {
  static std::unique_ptr<T_MX_MenuItemCache> cache;
  if (!cache) {
    TMXBitmapSource source;
    HINSTANCE module = GetModuleHandleA(nullptr);
    source.LoadById = [module](int Id) {
      return reinterpret_cast<uintptr_t>(LoadBitmapA(module, MAKEINTRESOURCEA(Id)));
    };
    source.LoadByName = [module](const std::string& Name) {
      return reinterpret_cast<uintptr_t>(LoadBitmapA(module, Name.c_str()));
    };
    source.Release = [](uintptr_t Bitmap) { DeleteObject(reinterpret_cast<HBITMAP>(Bitmap)); };
    cache = std::make_unique<T_MX_MenuItemCache>(std::move(source));
  }
  return *cache;
}
