#include "controls/views/prnrichtext.h"

#include <ole2.h>
#include <richedit.h>
#include <textserv.h>

#include <algorithm>
#include <cstring>

namespace {

HMODULE RichEditLibrary() {
  static HMODULE library = LoadLibraryA("riched20.dll");
  return library;
}

struct TRtfReader {
  const std::string& Text;
  size_t Pos = 0;
};

DWORD CALLBACK ReadRtf(DWORD_PTR Cookie, LPBYTE Buffer, LONG Size, LONG* Read) {
  auto* reader = reinterpret_cast<TRtfReader*>(Cookie);
  const size_t n = std::min(reader->Text.size() - reader->Pos, static_cast<size_t>(std::max(Size, 0L)));
  std::memcpy(Buffer, reader->Text.data() + reader->Pos, n);
  reader->Pos += n;
  *Read = static_cast<LONG>(n);
  return 0;
}

// Streams Rtf in through Send, a rich edit's message entry.
template <class F>
void StreamIn(const std::string& Rtf, F Send) {
  TRtfReader reader{Rtf};
  EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&reader), 0, ReadRtf};
  Send(EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
}

int Twips(int Pixels, int PixelsPerInch) { return MulDiv(Pixels, 1440, PixelsPerInch); }

// The least a windowless rich edit needs to lay out and draw a text once:
// the drawing rectangle, the default formats (those of the source's window,
// so both ways format the same RTF alike), rich multi-line wrapped text. It
// lives on the stack for one drawing, so it counts no references.
class TDrawHost : public ITextHost {
 public:
  TDrawHost(const RECT& Client, HWND Edit) : FClient(Client) {
    FCharFormat.cbSize = sizeof FCharFormat;
    FParaFormat.cbSize = sizeof FParaFormat;
    SendMessageW(Edit, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&FCharFormat));
    SendMessageW(Edit, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&FParaFormat));
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** Object) override {
    *Object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HDC TxGetDC() override { return GetDC(nullptr); }
  INT TxReleaseDC(HDC DC) override { return ReleaseDC(nullptr, DC); }
  WINBOOL TxShowScrollBar(INT, WINBOOL) override { return FALSE; }
  WINBOOL TxEnableScrollBar(INT, INT) override { return FALSE; }
  WINBOOL TxSetScrollRange(INT, LONG, INT, WINBOOL) override { return FALSE; }
  WINBOOL TxSetScrollPos(INT, INT, WINBOOL) override { return FALSE; }
  void TxInvalidateRect(LPCRECT, WINBOOL) override {}
  void TxViewChange(WINBOOL) override {}
  WINBOOL TxCreateCaret(HBITMAP, INT, INT) override { return FALSE; }
  WINBOOL TxShowCaret(WINBOOL) override { return FALSE; }
  WINBOOL TxSetCaretPos(INT, INT) override { return FALSE; }
  WINBOOL TxSetTimer(UINT, UINT) override { return FALSE; }
  void TxKillTimer(UINT) override {}
  void TxScrollWindowEx(INT, INT, LPCRECT, LPCRECT, HRGN, LPRECT, UINT) override {}
  void TxSetCapture(WINBOOL) override {}
  void TxSetFocus() override {}
  void TxSetCursor(HCURSOR, WINBOOL) override {}
  WINBOOL TxScreenToClient(LPPOINT) override { return FALSE; }
  WINBOOL TxClientToScreen(LPPOINT) override { return FALSE; }
  HRESULT TxActivate(LONG*) override { return E_NOTIMPL; }
  HRESULT TxDeactivate(LONG) override { return E_NOTIMPL; }
  HRESULT TxGetClientRect(LPRECT Rect) override {
    *Rect = FClient;
    return S_OK;
  }
  HRESULT TxGetViewInset(LPRECT Rect) override {
    *Rect = RECT{0, 0, 0, 0};
    return S_OK;
  }
  HRESULT TxGetCharFormat(const CHARFORMATW** Format) override {
    *Format = &FCharFormat;
    return S_OK;
  }
  HRESULT TxGetParaFormat(const PARAFORMAT** Format) override {
    *Format = &FParaFormat;
    return S_OK;
  }
  COLORREF TxGetSysColor(int Index) override { return GetSysColor(Index); }
  HRESULT TxGetBackStyle(TXTBACKSTYLE* Style) override {
    *Style = TXTBACK_TRANSPARENT;
    return S_OK;
  }
  HRESULT TxGetMaxLength(DWORD* Length) override {
    *Length = INFINITE;
    return S_OK;
  }
  HRESULT TxGetScrollBars(DWORD* Bars) override {
    *Bars = 0;
    return S_OK;
  }
  HRESULT TxGetPasswordChar(TCHAR* Char) override {
    *Char = 0;
    return S_FALSE;
  }
  HRESULT TxGetAcceleratorPos(LONG* Pos) override {
    *Pos = -1;
    return S_OK;
  }
  HRESULT TxGetExtent(LPSIZEL) override { return E_NOTIMPL; }
  HRESULT OnTxCharFormatChange(const CHARFORMATW*) override { return S_OK; }
  HRESULT OnTxParaFormatChange(const PARAFORMAT*) override { return S_OK; }
  HRESULT TxGetPropertyBits(DWORD Mask, DWORD* Bits) override {
    *Bits = (TXTBIT_RICHTEXT | TXTBIT_MULTILINE | TXTBIT_WORDWRAP | TXTBIT_READONLY) & Mask;
    return S_OK;
  }
  HRESULT TxNotify(DWORD, void*) override { return S_OK; }
  HIMC TxImmGetContext() override { return nullptr; }
  void TxImmReleaseContext(HIMC) override {}
  HRESULT TxGetSelectionBarWidth(LONG* Width) override {
    *Width = 0;
    return S_OK;
  }

 private:
  RECT FClient;
  CHARFORMATW FCharFormat{};
  PARAFORMAT FParaFormat{};
};

// riched20 exports it; mingw's import libraries do not carry it.
const GUID kIidTextServices = {0x8d33f740, 0xcf58, 0x11ce, {0xa8, 0x9d, 0x00, 0xaa, 0x00, 0x6c, 0xad, 0xc5}};

// Draws Rtf into Bounds through a windowless rich edit, for systems whose
// rich-edit window formats nothing on the format-range request (Wine's
// answers it with 0 and draws nothing).
void DrawWindowless(HDC DC, const std::string& Rtf, const RECT& Bounds, HWND Edit) {
  auto create = reinterpret_cast<PCreateTextServices>(
      reinterpret_cast<void*>(GetProcAddress(RichEditLibrary(), "CreateTextServices")));
  if (!create) return;
  TDrawHost host(Bounds, Edit);
  IUnknown* unknown = nullptr;
  if (FAILED(create(nullptr, &host, &unknown)) || !unknown) return;
  ITextServices* services = nullptr;
  if (SUCCEEDED(unknown->QueryInterface(kIidTextServices, reinterpret_cast<void**>(&services))) && services) {
    LRESULT result = 0;
    services->TxSendMessage(EM_EXLIMITTEXT, 0, 0x7FFFFFFE, &result);
    StreamIn(Rtf, [&](UINT Msg, WPARAM W, LPARAM L) { services->TxSendMessage(Msg, W, L, &result); });
    const RECTL bounds{Bounds.left, Bounds.top, Bounds.right, Bounds.bottom};
    services->TxDraw(DVASPECT_CONTENT, 0, nullptr, nullptr, DC, nullptr, &bounds, nullptr, nullptr, nullptr, 0,
                     TXTVIEW_INACTIVE);
    services->Release();
  }
  unknown->Release();
}

}  // namespace

TRichTextSource::~TRichTextSource() {
  if (FHandle) DestroyWindow(FHandle);
}

HWND TRichTextSource::Handle() {
  if (FHandle || !RichEditLibrary()) return FHandle;
  FHandle = CreateWindowExA(0, RICHEDIT_CLASSA, "", WS_POPUP | ES_MULTILINE | ES_READONLY, 0, 0, 0, 0, nullptr,
                            nullptr, GetModuleHandleA(nullptr), nullptr);
  if (!FHandle) return nullptr;
  // No text limit of the window (32K characters by default) may cut a long
  // text short.
  SendMessageA(FHandle, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
  StreamIn(FRtf, [&](UINT Msg, WPARAM W, LPARAM L) { SendMessageA(FHandle, Msg, W, L); });
  return FHandle;
}

void PaintRichText(HDC DC, TRichTextSource& Source, const RECT& Cell, const TPageMetrics& Metrics) {
  const int ppiX = Metrics.PixelsPerInchX, ppiY = Metrics.PixelsPerInchY;
  if (ppiX <= 0 || ppiY <= 0) return;
  RECT inner = Cell;
  InflateRect(&inner, -(ppiX / 20), -(ppiY / 20));
  if (IsRectEmpty(&inner)) return;  // the margins leave no room
  HWND edit = Source.Handle();
  if (!edit) return;
  FORMATRANGE range{};
  range.hdc = DC;
  range.hdcTarget = DC;
  range.rc = RECT{Twips(inner.left, ppiX), Twips(inner.top, ppiY), Twips(inner.right, ppiX), Twips(inner.bottom, ppiY)};
  range.rcPage = RECT{0, 0, Twips(Metrics.Width, ppiX), Twips(Metrics.Height, ppiY)};
  range.chrg.cpMin = 0;
  range.chrg.cpMax = -1;
  const LRESULT formatted = SendMessageA(edit, EM_FORMATRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
  SendMessageA(edit, EM_FORMATRANGE, FALSE, 0);  // frees the formatting the control kept
  // A text of which nothing was formatted would leave the cell blank.
  if (formatted <= 0 && GetWindowTextLengthA(edit) > 0) DrawWindowless(DC, Source.Rtf(), inner, edit);
}
