#include "controls/views/gradcaption.h"

#include <algorithm>

#include "controls/views/viewutils.h"
#include "framework/core/sysutils.h"

// ---- parts ----

TCaptionPart::TCaptionPart(TGradientCaption* Owner) : FOwner(Owner) { FFont.Assign(Owner->Font()); }

void TCaptionPart::Changed() { FOwner->Update(); }
void TCaptionPart::SetCaption(const std::string& Value) {
  FCaption = Value;
  Changed();
}
void TCaptionPart::SetParentFont(bool Value) {
  FParentFont = Value;
  Changed();
}
void TCaptionPart::SetInactiveColor(TColor Value) {
  FInactiveColor = Value;
  Changed();
}
void TCaptionPart::SetGlueNext(bool Value) {
  FGlueNext = Value;
  Changed();
}
void TCaptionPart::SetVisible(bool Value) {
  FVisible = Value;
  Changed();
}

TCaptionPart* TCaptionPartList::Add() {
  FItems.push_back(std::make_unique<TCaptionPart>(FOwner));
  FOwner->Update();
  return FItems.back().get();
}

void TCaptionPartList::Clear() {
  FItems.clear();
  FOwner->Update();
}

// ---- TGradientCaption ----

TGradientCaption::TGradientCaption(TComponent* AOwner) : TComponent(AOwner), FCaptions(this) {
  SetDefaultCaptionFont();
  if (TCustomForm* f = Form()) {
    FFormCaption = f->Caption();
    FHook = new TWindowHook(this);
    FHook->SetWinControl(f);
    FHook->BeforeMessage = [this](TObject*, TMessage& M, bool& H) { BeforeMessage(M, H); };
    FHook->AfterMessage = [this](TObject*, TMessage& M, bool& H) { AfterMessage(M, H); };
    FHook->SetActive(true);
  }
}

TGradientCaption::~TGradientCaption() {
  if (FHook) FHook->SetActive(false);
  if (FSavedRegion) DeleteObject(FSavedRegion);
}

TCustomForm* TGradientCaption::Form() const { return dynamic_cast<TCustomForm*>(Owner()); }

bool TGradientCaption::Active() const { return FActive && Form() && !(ComponentState() & csDesigning); }

void TGradientCaption::SetActive(bool Value) {
  FActive = Value;
  if (FHook) FHook->SetActive(Value);
  if (TCustomForm* f = Form(); f && f->HandleAllocated())
    SetWindowPos(f->Handle(), nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Update();
}

void TGradientCaption::SetDefaultCaptionFont() {
  NONCLIENTMETRICSW m = {};
  m.cbSize = sizeof m;
  TCustomForm* f = Form();
  const bool tool = f && (f->BorderStyle() == bsToolWindow || f->BorderStyle() == bsSizeToolWin);
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0)) {
    FFont.SetHandle(CreateFontIndirectW(tool ? &m.lfSmCaptionFont : &m.lfCaptionFont));
  } else {
    FFont.SetName("MS Sans Serif");
    FFont.SetSize(8);
    FFont.SetStyle(fsBold);
  }
  FFont.SetColor(clCaptionText);
  FFont.SetCharset(DEFAULT_CHARSET);
}

void TGradientCaption::SetDefaultFont(bool Value) {
  FDefaultFont = Value;
  if (Value) SetDefaultCaptionFont();
  Update();
}

void TGradientCaption::FontChanged() {
  FDefaultFont = false;
  Update();
}

void TGradientCaption::SetFormCaption(const std::string& Value) {
  FFormCaption = Value;
  if (TCustomForm* f = Form(); f && !(ComponentState() & csDesigning)) f->SetCaption(Value);
  Update();
}

void TGradientCaption::SetFontInactiveColor(TColor Value) {
  FFontInactiveColor = Value;
  Update();
}
void TGradientCaption::SetGradientActive(bool Value) {
  FGradientActive = Value;
  Update();
}
void TGradientCaption::SetGradientInactive(bool Value) {
  FGradientInactive = Value;
  Update();
}
void TGradientCaption::SetGradientSteps(int Value) {
  FGradientSteps = std::max(Value, 1);
  Update();
}
void TGradientCaption::SetHideDirection(THideDirection Value) {
  FHideDirection = Value;
  Update();
}
void TGradientCaption::SetStartColor(TColor Value) {
  FStartColor = Value;
  Update();
}

void TGradientCaption::Update() {
  TCustomForm* f = Form();
  if (!f || !f->HandleAllocated() || !IsWindowVisible(f->Handle()) || !Active()) return;
  FWindowActive = ActiveWindowInThread() && GetActiveWindow() == f->Handle();
  RECT r;
  GetWindowRect(f->Handle(), &r);
  HRGN rgn = CreateRectRgnIndirect(&r);
  SendMessageW(f->Handle(), WM_NCPAINT, WPARAM(rgn), 0);
  DeleteObject(rgn);
}

TRect TGradientCaption::CaptionRect() const {
  TCustomForm* f = Form();
  if (!f || !f->HandleAllocated()) return TRect{0, 0, 0, 0};
  RECT w;
  GetWindowRect(f->Handle(), &w);
  TRect r{0, 0, w.right - w.left, w.bottom - w.top};
  TBorderIcons icons = f->BorderIcons();
  const TFormBorderStyle bs = f->BorderStyle();
  if (bs == bsDialog) icons &= biSystemMenu | biHelp;
  else if (bs == bsToolWindow || bs == bsSizeToolWin) icons &= biSystemMenu;
  else {
    if (!(icons & biSystemMenu)) icons &= TBorderIcons(~(biMinimize | biMaximize));
    if (icons & (biMinimize | biMaximize)) icons &= TBorderIcons(~biHelp);
  }
  int buttons = 0;
  for (TBorderIcons b : {biSystemMenu, biMinimize, biMaximize, biHelp})
    if (icons & b) ++buttons;
  if (bool(icons & biMinimize) != bool(icons & biMaximize)) ++buttons;
  const bool tool = bs == bsToolWindow || bs == bsSizeToolWin;
  const bool sizing = bs == bsSizeable || bs == bsSizeToolWin;
  const int fx = GetSystemMetrics(sizing ? SM_CXSIZEFRAME : SM_CXFIXEDFRAME);
  const int fy = GetSystemMetrics(sizing ? SM_CYSIZEFRAME : SM_CYFIXEDFRAME);
  r.left += fx;
  r.top += fy;
  r.right -= fx;
  r.bottom = r.top + GetSystemMetrics(tool ? SM_CYSMCAPTION : SM_CYCAPTION) - 1;
  r.right -= buttons * GetSystemMetrics(tool ? SM_CXSMSIZE : SM_CXSIZE);
  return r;
}

std::vector<std::string> TGradientCaption::LayoutTexts(TCanvas* Canvas, int Room) {
  struct Piece {
    TCaptionPart* Part;
    int Width;
  };
  std::vector<Piece> parts;
  for (int i = 0; i < FCaptions.Count(); ++i) {
    TCaptionPart* p = FCaptions.Items(i);
    if (!p->Visible()) continue;
    Canvas->SetFont(p->ParentFont() ? &FFont : p->Font());
    parts.push_back({p, Canvas->TextWidth(p->Caption())});
  }
  Canvas->SetFont(&FFont);
  const int captionWidth = Canvas->TextWidth(FFormCaption);
  std::vector<std::string> out;
  auto fit = [&](const std::string& Text, TFont* Font, int& Left) {
    Canvas->SetFont(Font);
    std::string t = Canvas->TextWidth(Text) > Left ? EllipsizeText(Text, Canvas, Left) : Text;
    Left -= Canvas->TextWidth(t);
    out.push_back(t);
    return t != Text;
  };
  int left = Room;
  if (FHideDirection == hdLeftToRight) {
    size_t first = 0;
    auto need = [&] {
      int w = captionWidth;
      for (size_t i = first; i < parts.size(); ++i) w += parts[i].Width;
      return w;
    };
    // Parts go from the first on, a glued part with the one after it.
    while (first < parts.size() && need() > Room) {
      while (first < parts.size() && parts[first].Part->GlueNext()) ++first;
      ++first;
    }
    for (size_t i = first; i < parts.size() && left > 0; ++i)
      fit(parts[i].Part->Caption(), parts[i].Part->ParentFont() ? &FFont : parts[i].Part->Font(), left);
    if (left > 0 && !FFormCaption.empty()) fit(FFormCaption, &FFont, left);
    return out;
  }
  for (size_t i = 0; i < parts.size() && left > 0;) {
    size_t end = i;
    int w = parts[i].Width;
    while (end + 1 < parts.size() && parts[end].Part->GlueNext()) w += parts[++end].Width;
    (void)w;
    bool cut = false;
    for (size_t k = i; k <= end && left > 0; ++k)
      cut = fit(parts[k].Part->Caption(), parts[k].Part->ParentFont() ? &FFont : parts[k].Part->Font(), left);
    if (cut) return out;
    i = end + 1;
  }
  if (left > 0 && !FFormCaption.empty()) fit(FFormCaption, &FFont, left);
  return out;
}

void TGradientCaption::Draw() {
  TCustomForm* f = Form();
  if (!f || f->BorderStyle() == bsNone || !f->HandleAllocated()) return;
  const TRect r = CaptionRect();
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  HDC windowDC = GetWindowDC(f->Handle());
  HDC memDC = CreateCompatibleDC(windowDC);
  HBITMAP bmp = CreateCompatibleBitmap(windowDC, w, h);
  HGDIOBJ oldBmp = SelectObject(memDC, bmp);
  {
    TCanvas c;
    c.SetHandle(memDC);
    BOOL gradients = FALSE;
    SystemParametersInfoW(SPI_GETGRADIENTCAPTIONS, 0, &gradients, 0);
    TColor back = FWindowActive ? (gradients ? clGradientActiveCaption : clActiveCaption)
                                : (gradients ? clGradientInactiveCaption : clInactiveCaption);
    const TRect all{0, 0, w, h};
    if (FWindowActive ? FGradientActive : FGradientInactive) {
      GradientFillRect(&c, all, FStartColor, back, 2, FGradientSteps);
    } else {
      c.Brush()->SetColor(back);
      c.FillRect(all);
    }
    int x = 2;
    HICON icon = nullptr;
    if ((f->BorderIcons() & biSystemMenu) && (f->BorderStyle() == bsSingle || f->BorderStyle() == bsSizeable)) {
      icon = f->Icon()->Handle();
      if (!icon) icon = Application->Icon()->Handle();
      if (!icon)
        icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
      if (!icon) icon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));
      const int s = GetSystemMetrics(SM_CXSMICON);
      DrawIconEx(memDC, x, (h - s) / 2, icon, s, s, 0, nullptr, DI_NORMAL);
      x += s + 2;
    }
    if (!FFormCaption.empty() || FCaptions.Count() > 0) x += 2;
    // The texts go over the gradient, not on a box of the last fill colour.
    c.Brush()->SetStyle(bsClear);
    const std::vector<std::string> texts = LayoutTexts(&c, w - x);
    // The texts come in the order of the visible parts still shown, then
    // the caption; fonts and colours follow by matching text to part.
    size_t next = 0;
    for (int i = 0; i < FCaptions.Count() && next < texts.size(); ++i) {
      TCaptionPart* p = FCaptions.Items(i);
      if (!p->Visible()) continue;
      const std::string& t = texts[next];
      if (t != p->Caption() && (t.size() < 3 || t.substr(t.size() - 3) != "..." ||
                                p->Caption().compare(0, t.size() - 3, t, 0, t.size() - 3) != 0))
        continue;
      c.SetFont(p->ParentFont() ? &FFont : p->Font());
      if (!FWindowActive) c.Font()->SetColor(p->InactiveColor());
      c.TextOut(x, (h - c.TextHeight(t)) / 2, t);
      x += c.TextWidth(t);
      ++next;
    }
    if (next < texts.size()) {
      c.SetFont(&FFont);
      if (!FWindowActive) c.Font()->SetColor(FFontInactiveColor);
      c.TextOut(x, (h - c.TextHeight(texts[next])) / 2, texts[next]);
    }
    c.SetHandle(nullptr);
  }
  BitBlt(windowDC, r.left, r.top, w, h, memDC, 0, 0, SRCCOPY);
  SelectObject(memDC, oldBmp);
  DeleteObject(bmp);
  DeleteDC(memDC);
  ReleaseDC(f->Handle(), windowDC);
}

void TGradientCaption::BeforeMessage(TMessage& Msg, bool& Handled) {
  if (!Active()) return;
  TCustomForm* f = Form();
  switch (Msg.Msg) {
    case WM_NCPAINT: {
      FRegionReplaced = false;
      const TRect cr = CaptionRect();
      RECT w;
      GetWindowRect(f->Handle(), &w);
      // Window coordinates to screen ones, as the update region is.
      RECT screen{cr.left + w.left, cr.top + w.top, cr.right + w.left, cr.bottom + w.top};
      HRGN given = reinterpret_cast<HRGN>(Msg.WParam);
      HRGN caption = CreateRectRgnIndirect(&screen);
      HRGN rest = CreateRectRgn(0, 0, 0, 0);
      if (Msg.WParam == 1) {
        HRGN whole = CreateRectRgnIndirect(&w);
        CombineRgn(rest, whole, caption, RGN_DIFF);
        DeleteObject(whole);
      } else {
        CombineRgn(rest, given, caption, RGN_DIFF);
      }
      DeleteObject(caption);
      FSavedRegion = rest;
      Msg.WParam = WPARAM(rest);
      FRegionReplaced = true;
      FSavedParam = WPARAM(given);
      break;
    }
    case WM_NCACTIVATE:
      FWindowActive = Msg.WParam != 0;
      if (FWindowActive ? bool(OnActivate) : bool(OnDeactivate))
        (FWindowActive ? OnActivate : OnDeactivate)(this);
      break;
    case WM_NCRBUTTONDOWN:
      if (FPopupMenu && Msg.WParam == HTCAPTION) {
        FRightPressed = true;
        Msg.Result = 0;
        Handled = true;
      }
      break;
    case WM_NCRBUTTONUP:
      if (FRightPressed && FPopupMenu) {
        FRightPressed = false;
        FPopupMenu->SetPopupComponent(this);
        ReleaseCapture();
        FPopupMenu->Popup(short(LOWORD(Msg.LParam)), short(HIWORD(Msg.LParam)));
        Msg.Result = 0;
        Handled = true;
      }
      break;
  }
}

void TGradientCaption::AfterMessage(TMessage& Msg, bool&) {
  if (!Active()) return;
  switch (Msg.Msg) {
    case WM_NCPAINT:
      if (FRegionReplaced) {
        Msg.WParam = FSavedParam;
        if (FSavedRegion) DeleteObject(FSavedRegion);
        FSavedRegion = nullptr;
        FRegionReplaced = false;
      }
      Draw();
      break;
    case WM_NCACTIVATE:
      Draw();
      break;
    case WM_SETTEXT:
      // The system drew its own caption with the new text.
      if (TCustomForm* f = Form()) {
        if ((ComponentState() & csDesigning) && f->Caption() != FFormCaption) FFormCaption = f->Caption();
        Draw();
      }
      break;
  }
}
