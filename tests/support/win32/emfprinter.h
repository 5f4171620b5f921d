// A print target that records every document as an enhanced metafile on an
// A4 page of the screen's resolution, and reads back the texts drawn and the
// fonts made, so tests can look at what would have gone to paper.
#pragma once
#include "framework/ui/winapi.h"

#include <string>
#include <vector>

#include "controls/views/prncells.h"

namespace morvtest {

struct TRecordedDoc {
  std::string Title;
  std::vector<std::string> Texts;  // in drawing order
  std::vector<int> FontHeights;    // lfHeight of every font made, in order
  int Pictures = 0;                // bitmap transfers (blits)
};

inline int CALLBACK RecordEmfRecord(HDC, HANDLETABLE*, const ENHMETARECORD* Record, int, LPARAM Data) {
  auto* doc = reinterpret_cast<TRecordedDoc*>(Data);
  const auto* bytes = reinterpret_cast<const BYTE*>(Record);
  switch (Record->iType) {
    case EMR_EXTTEXTOUTW: {
      const auto* r = reinterpret_cast<const EMREXTTEXTOUTW*>(Record);
      const auto* w = reinterpret_cast<const wchar_t*>(bytes + r->emrtext.offString);
      std::string text;
      for (DWORD i = 0; i < r->emrtext.nChars; ++i) text += w[i] < 256 ? static_cast<char>(w[i]) : '?';
      doc->Texts.push_back(text);
      break;
    }
    case EMR_EXTCREATEFONTINDIRECTW:
      doc->FontHeights.push_back(reinterpret_cast<const EMREXTCREATEFONTINDIRECTW*>(Record)->elfw.elfLogFont.lfHeight);
      break;
    case EMR_BITBLT:
    case EMR_STRETCHBLT:
    case EMR_MASKBLT:
    case EMR_TRANSPARENTBLT:
    case EMR_STRETCHDIBITS:
    case EMR_SETDIBITSTODEVICE:
    case EMR_ALPHABLEND:
      ++doc->Pictures;
      break;
    default:
      break;
  }
  return 1;
}

class TEmfPrinter : public TPrintTarget {
 public:
  TEmfPrinter() {
    HDC screen = GetDC(nullptr);
    FPpiX = GetDeviceCaps(screen, LOGPIXELSX);
    FPpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }
  ~TEmfPrinter() override {
    if (FDC) DeleteEnhMetaFile(CloseEnhMetaFile(FDC));
  }
  TPageMetrics Metrics() override {
    return {MulDiv(2100, FPpiX, 254), MulDiv(2970, FPpiY, 254), FPpiX, FPpiY};
  }
  void BeginDoc(const std::string& Title) override {
    RECT frame{0, 0, 21000, 29700};  // hundredths of a millimetre
    FDC = CreateEnhMetaFileA(nullptr, nullptr, &frame, nullptr);
    Docs.push_back({Title, {}, {}, 0});
  }
  void EndDoc() override {
    HENHMETAFILE emf = CloseEnhMetaFile(FDC);
    FDC = nullptr;
    EnumEnhMetaFile(nullptr, emf, RecordEmfRecord, &Docs.back(), nullptr);
    if (!SaveFolder.empty()) {
      const std::string name = SaveFolder + "/page" + std::to_string(Docs.size()) + ".emf";
      DeleteEnhMetaFile(CopyEnhMetaFileA(emf, name.c_str()));
    }
    DeleteEnhMetaFile(emf);
  }
  void* DC() override { return FDC; }

  std::vector<TRecordedDoc> Docs;
  std::string SaveFolder;  // where each page is kept as pageN.emf, if set

 private:
  HDC FDC = nullptr;
  int FPpiX = 96, FPpiY = 96;
};

}  // namespace morvtest
