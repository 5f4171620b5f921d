// An 8-bit DIB section with a given colour table and pixel indexes, the kind
// of picture that brings its own palette.
#pragma once
#include "framework/ui/winapi.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace morvtest {

// Colour I of the table used by the tests: distinct, none grey.
inline COLORREF Dib8Colour(int I) { return RGB(17 * I + 5, 255 - 23 * I, 31 * I + 40); }

// A W x H 8-bit DIB section; Index(X, Y) picks the table entry of each pixel.
// The table has Colours entries of Dib8Colour.
template <class F>
HBITMAP MakeDib8(int W, int H, int Colours, F Index) {
  struct {
    BITMAPINFOHEADER Header;
    RGBQUAD Table[256];
  } Info{};
  Info.Header.biSize = sizeof Info.Header;
  Info.Header.biWidth = W;
  Info.Header.biHeight = -H;
  Info.Header.biPlanes = 1;
  Info.Header.biBitCount = 8;
  Info.Header.biCompression = BI_RGB;
  Info.Header.biClrUsed = static_cast<DWORD>(Colours);
  for (int I = 0; I < Colours; ++I) {
    COLORREF C = Dib8Colour(I);
    Info.Table[I] = {GetBValue(C), GetGValue(C), GetRValue(C), 0};
  }
  void* Bits = nullptr;
  HBITMAP B = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&Info), DIB_RGB_COLORS, &Bits, nullptr, 0);
  if (!B) return nullptr;
  const int Stride = (W + 3) & ~3;
  auto* Row = static_cast<uint8_t*>(Bits);
  for (int Y = 0; Y < H; ++Y, Row += Stride)
    for (int X = 0; X < W; ++X) Row[X] = static_cast<uint8_t>(Index(X, Y));
  GdiFlush();
  return B;
}

}  // namespace morvtest
