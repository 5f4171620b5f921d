#include "controls/commands/mxpopup.h"

#include <algorithm>
#include <cstdlib>

#include "controls/commands/mxbuttons.h"
#include "controls/commands/mxmenubar.h"
#include "controls/commands/mxstdcmds.h"
#include "framework/ui/comctrls.h"

unsigned TPopupMenuXForm::SubmenuDelay = 250;
unsigned TPopupMenuXForm::ExpandDelay = 2000;

namespace {
// The last mouse position any menu window saw, in screen coordinates.
TPoint LastMouse{-10000, -10000};

std::string SystemItemText(HMENU Menu, int Position, UINT* Id = nullptr, UINT* StateOut = nullptr,
                           bool* Separator = nullptr) {
  char buf[256] = {};
  MENUITEMINFOA mi{};
  mi.cbSize = sizeof mi;
  mi.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
  mi.dwTypeData = buf;
  mi.cch = sizeof buf - 1;
  if (!GetMenuItemInfoA(Menu, static_cast<UINT>(Position), TRUE, &mi)) return "";
  if (Id) *Id = mi.wID;
  if (StateOut) *StateOut = mi.fState;
  if (Separator) *Separator = (mi.fType & MFT_SEPARATOR) != 0;
  return buf;
}

const char* SystemBitmapKey(UINT Id) {
  switch (Id & 0xFFF0) {
    case SC_RESTORE: return "SYSTEMRESTORE";
    case SC_MOVE: return "SYSTEMMOVE";
    case SC_SIZE: return "SYSTEMSIZE";
    case SC_MINIMIZE: return "SYSTEMMINIMIZE";
    case SC_MAXIMIZE: return "SYSTEMMAXIMIZE";
    case SC_CLOSE: return "SYSTEMCLOSE";
    default: return nullptr;
  }
}
}  // namespace

TPopupMenuXForm::TPopupMenuXForm(TComponent* AOwner) : TCustomForm(AOwner, "TPopupMenuXForm") {
  SetBorderStyle(bsNone);
  SetFormStyle(fsStayOnTop);
  SetVisible(false);
  Buffer = std::make_unique<TBitmap>();
  BackBuffer = std::make_unique<TBitmap>();
  Options = std::make_unique<T_MX_Options>();
  SubmenuTimer = new TTimer(this);
  SubmenuTimer->SetEnabled(false);
  SubmenuTimer->SetInterval(SubmenuDelay);
  SubmenuTimer->OnTimer = [this](TObject*) { SubmenuTimerFired(); };
  ExpandTimer = new TTimer(this);
  ExpandTimer->SetEnabled(false);
  ExpandTimer->SetInterval(ExpandDelay);
  ExpandTimer->OnTimer = [this](TObject*) { ExpandTimerFired(); };
  InstallMessageHook();
  AddMenuControl(this);
}

TPopupMenuXForm::~TPopupMenuXForm() {
  RemoveMenuControl(this);
  RemoveMessageHook();
  FChild.reset();
  FDeadChild.reset();
  if (FMenuFont) DeleteObject(FMenuFont);
}

void TPopupMenuXForm::CreateParams(TCreateParams& Params) {
  TCustomForm::CreateParams(Params);
  Params.Style = WS_POPUP | WS_CLIPSIBLINGS;
  Params.ExStyle |= WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
  if (Application && Application->MainForm() && Application->MainForm()->HandleAllocated())
    Params.WndParent = Application->MainForm()->Handle();
}

void TPopupMenuXForm::ApplyFont(HFONT Font) {
  LOGFONTA lf{};
  GetObjectA(Font, sizeof lf, &lf);
  TCustomForm::Font()->SetHandle(CreateFontIndirectA(&lf));
  Canvas()->Font()->Assign(TCustomForm::Font());
  Buffer->Canvas()->Font()->Assign(TCustomForm::Font());
}

void TPopupMenuXForm::Prepare() {
  const bool hadHidden = State & fsShowHidden;
  State = (PopupMenu && PopupMenu->Ctl3D) ? fsCtl3D : 0;
  Options = std::make_unique<T_MX_Options>();
  if (PopupMenu) Options->Assign(PopupMenu->Options());
  if (hadHidden || (Options->Flags & mfHiddenIsVisible)) State |= fsShowHidden;
  if (ParentForm) Options->Title()->Visible = false;
  if (auto* x = dynamic_cast<TMenuItemX*>(Item); x && x->HasOwnOptions())
    if (auto* own = dynamic_cast<T_MX_BaseOptions*>(x->Options())) static_cast<T_MX_BaseOptions*>(Options.get())->Assign(own);
  if (!ParentForm) Animation = Options->Animation;
  if (FMenuFont) DeleteObject(FMenuFont);
  FMenuFont = nullptr;
  if (PopupMenu && !PopupMenu->SystemFont()) {
    TFont* src = PopupMenu->Font();
    if (PopupMenu->ParentFont())
      if (auto* c = dynamic_cast<TControl*>(PopupMenu->Owner())) src = c->Font();
    TCustomForm::Font()->Assign(src);
    Canvas()->Font()->Assign(src);
    Buffer->Canvas()->Font()->Assign(src);
  } else {
    FMenuFont = CreateMenuFont();
    ApplyFont(FMenuFont);
  }
  if (!PopupMenu || PopupMenu->SystemFont())
    RowHeight = Buffer->Canvas()->TextHeight("Hj") + 5;
  else
    RowHeight = Options->ItemHeight;
}

int TPopupMenuXForm::ItemHeightOf(TMenuItem* It) {
  if (It && It->IsLine()) return Options->SeparatorHeight;
  int h = RowHeight;
  if (auto* x = dynamic_cast<TMenuItemX*>(It)) {
    if (x->Control() != ctlNone) h = x->GetControlHeight(RowHeight);
    if (x->Hidden() && (State & fsShowHidden)) h = RowHeight + 2;
  }
  return h;
}

void TPopupMenuXForm::MeasureItems() {
  CaptionWidth = ShortCutWidth = ItemLeft = ItemWidth = 0;
  State &= ~fsHasHidden;
  Rows.clear();
  HiddenCount = 0;
  if (!Options) return;
  TCanvas* c = Buffer->Canvas();
  int y = Options->Margins()->Top + Border();
  ItemLeft = Border();
  if (Options->Draggable) y += 9;
  bool hiddenSeen = false;
  int widest = 0;
  auto addRow = [&](int Height, TMenuItem* It, int Pos, const std::string& Caption, const std::string& Short) {
    Rows.push_back(TRow{y, Height + 2, It, Pos});
    y += Height + 2 + Options->Margins()->ItemSpace;
    TFontStyles style = c->Font()->Style();
    if (It && It->Default()) c->Font()->SetStyle(style | fsBold);
    int cw = 0;
    auto* x = dynamic_cast<TMenuItemX*>(It);
    if (x && x->Control() == ctlButtonArray)
      cw = x->GetButtonArray()->Bitmap()->Width() - Options->Margins()->Left - Options->Margins()->Right;
    else if (Caption != "-")
      cw = c->TextWidth(StripAccelerators(Caption));
    int sw = Short.empty() ? 0 : c->TextWidth(Short);
    c->Font()->SetStyle(style);
    CaptionWidth = std::max(CaptionWidth, cw);
    ShortCutWidth = std::max(ShortCutWidth, sw);
    widest = std::max(widest, cw + sw + (sw ? 4 : 0));
  };
  if (Item && !MenuHandle) {
    for (int i = 0; i < Item->Count(); ++i) {
      TMenuItem* it = Item->Items(i);
      if (!it->Visible()) continue;
      auto* x = dynamic_cast<TMenuItemX*>(it);
      if (x && x->Hidden()) {
        State |= fsHasHidden;
        if (!(State & fsShowHidden)) {
          ++HiddenCount;
          hiddenSeen = true;
          continue;
        }
      }
      if (it->IsLine() && hiddenSeen && Rows.empty()) continue;
      hiddenSeen = false;
      std::string text, shortCut;
      SplitCaption(it, it->Caption(), text, shortCut);
      addRow(ItemHeightOf(it), it, i, text, shortCut);
    }
  } else if (MenuHandle) {
    const int n = GetMenuItemCount(MenuHandle);
    for (int p = 0; p < n && p < 256; ++p) {
      bool sep = false;
      std::string caption = SystemItemText(MenuHandle, p, nullptr, nullptr, &sep);
      size_t tab = caption.find('\t');
      std::string text = caption.substr(0, tab), shortCut = tab == std::string::npos ? "" : caption.substr(tab + 1);
      addRow(sep ? Options->SeparatorHeight : RowHeight, nullptr, p, sep ? "-" : text, shortCut);
    }
  }
  if (Options->Flags & mfStandardAlign)
    ItemWidth = CaptionWidth + ShortCutWidth + (ShortCutWidth ? 4 : 0);
  else
    ItemWidth = widest;
  ItemWidth += Options->Margins()->Left + Options->Margins()->Right;
  if (!ParentForm && Options->Title()->Visible && Options->Title()->Align == atLeft)
    ItemLeft += Options->Title()->Width;
  if (Rows.empty() && (State & fsHasHidden) && !(State & fsShowHidden)) {
    State |= fsShowHidden;
    MeasureItems();
    State &= ~fsHasHidden;
  }
}

int TPopupMenuXForm::ContentHeight() {
  int bottom = Rows.empty() ? Options->Margins()->Top + Border() : Rows.back().Top + Rows.back().Height;
  bottom += (State & fsCtl3D) ? 2 : 1;
  if ((State & fsHasHidden) && !(State & fsShowHidden)) bottom += 19;
  return bottom;
}

int TPopupMenuXForm::ContentWidth() {
  int w = ItemLeft + ItemWidth + 4 + ((State & fsCtl3D) ? 3 : 2);
  if (!ParentForm && Options->Title()->Visible) {
    if (Options->Title()->Align == atRight) w += Options->Title()->Width;
  }
  return w;
}

TRect TPopupMenuXForm::GetItemRect(int Index) const {
  if (Index < 0 || Index >= RowCount()) throw EListError("Row index out of range");
  const TRow& r = Rows[static_cast<size_t>(Index)];
  return Rect(ItemLeft, r.Top, ItemLeft + ItemWidth, r.Top + r.Height);
}

int TPopupMenuXForm::GetRowHeight(int Index) const {
  TRect r = GetItemRect(Index);
  return r.bottom - r.top;
}

TMenuItem* TPopupMenuXForm::RowItem(int Index) const {
  if (Index < 0 || Index >= RowCount() || !Rows[static_cast<size_t>(Index)].Item)
    throw EMenuError("Menu item not found.");
  return Rows[static_cast<size_t>(Index)].Item;
}

int TPopupMenuXForm::HitTest(int X, int Y) {
  if (!Item && !MenuHandle) return -1;
  if (Y <= Options->Margins()->Top + Border() - 1) return -1;
  if (!ParentForm && Options->Title()->Visible) {
    if (Options->Title()->Align == atLeft && X <= Options->Title()->Width) return -1;
    if (Options->Title()->Align == atRight && X >= Buffer->Width() - Options->Title()->Width) return -1;
  }
  if (Options->Draggable && Y <= 11) return -2;
  for (int i = 0; i < RowCount(); ++i) {
    TRect r = GetItemRect(i);
    if (Y >= r.top && Y < r.bottom && X >= 0 && X < Width()) return i;
  }
  if ((State & fsHasHidden) && !(State & fsShowHidden) && X >= 3 && X < Width() - 3 && Y >= Height() - 16 &&
      Y < Height() - 3)
    return -3;
  return -1;
}

bool TPopupMenuXForm::ShowMenu() {
  Prepare();
  HStep = VStep = 1;
  HiddenCount = 0;
  State |= fsAnimating;
  State &= ~fsClosing;
  RECT work{};
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
    work = Rect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  MeasureItems();
  FullWidth = ContentWidth();
  FullHeight = ContentHeight();
  Buffer->SetSize(FullWidth, FullHeight);
  int left = Left(), top = Top();
  const bool hebrew = Options->Alignment == T_MX_Alignment::taHebrew;
  if (hebrew) {
    State |= fsLeftwards;
    if (work.right < left) left = work.right;
  } else {
    State &= ~fsLeftwards;
    // The point given to Popup is the menu's right edge or middle when its
    // alignment says so (a drop-down from a toolbar on the right side).
    if (!ParentForm && PopupMenu && PopupMenu->Alignment() == paRight) left -= FullWidth;
    if (!ParentForm && PopupMenu && PopupMenu->Alignment() == paCenter) left -= FullWidth / 2;
    if (left + FullWidth > work.right) {
      if (ParentForm) {
        left = Animation == anVSlide ? ParentForm->Left() + 6 - FullWidth : ParentForm->Left() + 6;
        State |= fsLeftwards;
      } else {
        left = work.right - FullWidth;
      }
    }
    if (left < 1) left = 1;
  }
  State &= ~fsUpwards;
  if (top + FullHeight > work.bottom && FullHeight <= top && Animation != anHSlide) {
    State |= fsUpwards;
    if (PopupMenu && dynamic_cast<TCustomMenuBarX*>(PopupMenu->PopupComponent()))
      top -= static_cast<TCustomMenuBarX*>(PopupMenu->PopupComponent())->Height();
    top -= FullHeight;
  } else if (top + FullHeight > work.bottom) {
    top = work.bottom - FullHeight;
  }
  if (top < 1) top = 1;
  AnimLeft = hebrew ? left - FullWidth : left;
  AnimTop = top;
  T_MX_Animation shown = Animation;
  if (Animation == anRandom) shown = Animation = (std::rand() & 1) ? anVSlide : anHSlide;
  if (Animation == anSmart) shown = anVSlide, Animation = anHSlide;
  if (Animation == anPopup) shown = anUnfold, Animation = anHSlide;
  AnimWidth = FullWidth;
  AnimHeight = FullHeight;
  if (shown == anHSlide || shown == anUnfold) HStep = std::max(3, FullWidth / 10);
  if (shown == anVSlide || shown == anUnfold) VStep = std::max(3, FullHeight / 20);
  HStep = std::max(HStep, VStep);
  if (shown == anVSlide || shown == anUnfold) {
    AnimHeight = std::max(1, FullHeight / 3 - VStep);
    if (State & fsUpwards) AnimTop += FullHeight - AnimHeight;
  }
  if (shown == anHSlide || shown == anUnfold) {
    AnimWidth = 0;
    if (State & fsLeftwards) AnimLeft += FullWidth;
  }
  if (shown == anNone) AnimWidth = FullWidth, AnimHeight = FullHeight;
  ProcessMouseMoveMessages();
  if (State & fsClosing) {
    State &= ~fsAnimating;
    return false;
  }
  State |= fsWholeRepaint;
  HandleNeeded();
  FVisible = true;
  SetWindowPos(Handle(), HWND_TOPMOST, AnimLeft, AnimTop, std::max(AnimWidth, 1), AnimHeight,
               SWP_NOACTIVATE | SWP_SHOWWINDOW);
  UpdateBounds();
  Paint();
  HideCaretCounted();
  BuildToolTips();
  PlayMenuSound("MenuPopup");
  if (shown == anNone)
    FinishAnimation();
  else
    SendMessageA(Handle(), WM_MX_ANIMATE, GetTickCount(), 7);
  return true;
}

void TPopupMenuXForm::AnimationStep(DWORD Posted, int Delay) {
  if (State & fsClosing) return;
  const DWORD spent = GetTickCount() - Posted;
  if (Delay >= 1 && Delay <= 99 && spent < DWORD(Delay)) Sleep(DWORD(Delay) - spent);
  if ((AnimWidth >= FullWidth && AnimHeight >= FullHeight) ||
      (AnimWidth + HStep >= FullWidth && AnimHeight + VStep >= FullHeight)) {
    FinishAnimation();
    return;
  }
  StepTick = GetTickCount();
  if (AnimWidth < FullWidth) {
    AnimWidth = std::min(FullWidth, AnimWidth + HStep);
    if (State & fsLeftwards) AnimLeft -= HStep;
  }
  if (AnimHeight < FullHeight) {
    AnimHeight = std::min(FullHeight, AnimHeight + VStep);
    if (State & fsUpwards) AnimTop -= VStep;
  }
  SetWindowPos(Handle(), HWND_TOPMOST, AnimLeft, AnimTop, std::max(AnimWidth, 1), AnimHeight,
               SWP_NOACTIVATE);
  UpdateBounds();
  Paint();
  ProcessMouseMoveMessages();
  ProcessPaintMessages();
  PostMessageA(Handle(), WM_MX_ANIMATE, GetTickCount(), static_cast<LPARAM>(StepTick - GetTickCount() + 7));
}

void TPopupMenuXForm::FinishAnimation() {
  int left = AnimLeft, top = AnimTop;
  if (State & fsUpwards) top = AnimTop + AnimHeight - FullHeight;
  if (State & fsLeftwards) left = AnimLeft + AnimWidth - FullWidth;
  AnimLeft = left, AnimTop = top, AnimWidth = FullWidth, AnimHeight = FullHeight;
  SetWindowPos(Handle(), HWND_TOPMOST, left, top, FullWidth, FullHeight, SWP_NOACTIVATE);
  UpdateBounds();
  State |= fsWholeRepaint;
  Paint();
  State &= ~(fsAnimating | fsClosing);
  if (PopupMenu) SubmenuTimer->SetEnabled(true);
}

void TPopupMenuXForm::BuildToolTips() {
  ToolTips.reset();
  if (!PopupMenu || !PopupMenu->ShowHint() || PopupMenu->StatusBar()) return;
  ToolTips = std::make_unique<T_MX_ToolTipWindow>(this);
  if (Options->Draggable) ToolTips->AddTool(Rect(0, 0, Width(), 11), "Drag to make this menu float");
  for (int i = 0; i < RowCount(); ++i) {
    auto* x = dynamic_cast<TMenuItemX*>(Rows[size_t(i)].Item);
    if (!x) continue;
    if (x->Hint().empty()) continue;
    ToolTips->AddTool(GetItemRect(i), x->Hint());
  }
  if ((State & fsHasHidden) && !(State & fsShowHidden))
    ToolTips->AddTool(Rect(3, Height() - 16, Width() - 3, Height() - 3), "Expand (Ctrl+Down)");
  ToolTips->Activate();
}

void TPopupMenuXForm::Paint() {
  if (!HandleAllocated() || Buffer->Empty()) return;
  PaintRows();
  HDC dc = GetDC(Handle());
  BitBlt(dc, 0, 0, Buffer->Width(), Buffer->Height(), Buffer->Canvas()->Handle(), 0, 0, SRCCOPY);
  ReleaseDC(Handle(), dc);
  ValidateRect(Handle(), nullptr);
}

void TPopupMenuXForm::PaintRows() {
  TCanvas* c = Buffer->Canvas();
  T_MX_Options& o = *Options;
  T_MX_Colors& col = *o.Colors();
  const int border = Border(), w = Buffer->Width(), h = Buffer->Height();
  const bool title = !ParentForm && o.Title()->Visible;
  T_MX_MenuItemRect& r = MenuItemRect();
  r.Clear();
  int left = border, right = w - border;
  if (title) (o.Title()->Align == atLeft ? left : right) += (o.Title()->Align == atLeft ? 1 : -1) * o.Title()->Width;
  const T_MX_Margins& m = *o.Margins();
  if (o.Alignment != T_MX_Alignment::taHebrew) {
    r.CaptionLeft = left + m.Left;
    r.ShortCutLeft = right - m.Right - ShortCutWidth;
    r.GlyphLeft = left;
    r.GlyphWidth = m.Left - 3;
    r.ArrowWidth = m.Right - 4;
    r.ArrowLeft = right - r.ArrowWidth - 2;
  } else {
    r.ShortCutLeft = left + m.Left;
    r.CaptionLeft = r.ShortCutLeft + ShortCutWidth + 10;
    r.GlyphLeft = right - o.ItemHeight - 1;
    r.GlyphWidth = m.Left - 3;
    r.ArrowWidth = m.Left - 4;
    r.ArrowLeft = border;
  }
  r.CaptionWidth = CaptionWidth;
  r.ShortCutWidth = ShortCutWidth;
  const bool whole = State & fsWholeRepaint;
  const bool picture = !o.Background()->Empty();
  if (whole) {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(col.Menu);
    c->FillRect(Rect(0, 0, w, h));
    if (picture) {
      TBitmap* b = o.Background();
      switch (o.BackgroundDisplay) {
        case bdCenter: c->Draw((w - b->Width()) / 2, (h - b->Height()) / 2, b); break;
        case bdTile:
          for (int y = 0; y < h; y += std::max(1, b->Height()))
            for (int x = 0; x < w; x += std::max(1, b->Width())) c->Draw(x, y, b);
          break;
        case bdStretch: c->StretchDraw(Rect(border, border, w - border, h - border), b); break;
        default: c->Draw(border, border, b); break;
      }
      BackBuffer->SetSize(w, h);
      BitBlt(BackBuffer->Canvas()->Handle(), 0, 0, w, h, c->Handle(), 0, 0, SRCCOPY);
    }
    TRect all = Rect(0, 0, w, h);
    if (State & fsCtl3D) {
      DrawEdge(c->Handle(), &all, EDGE_RAISED, BF_RECT);
    } else {
      c->Brush()->SetStyle(bsSolid);
      c->Brush()->SetColor(col.Border);
      c->FrameRect(all);
    }
    if (title) {
      HRGN clip = CreateRectRgn(0, 0, w, h);
      SelectClipRgn(c->Handle(), clip);
      o.Title()->Draw(c);
      SelectClipRgn(c->Handle(), nullptr);
      DeleteObject(clip);
    }
  }
  T_MX_DrawInfo info;
  info.Canvas = c;
  info.MenuHandle = MenuHandle;
  info.Options = Options.get();
  info.Alignment = o.Alignment;
  info.Rect = &r;
  info.WholeRepaint = whole;
  info.Images = PopupMenu ? PopupMenu->Images() : nullptr;
  info.LeftButtonDown = MouseButtons & 1;
  POINT mouse;
  GetCursorPos(&mouse);
  ::ScreenToClient(Handle(), &mouse);
  info.Mouse = mouse;
  for (int i = 0; i < RowCount(); ++i) {
    if (!whole && i != ItemIndex && i != PrevItemIndex) continue;
    const TRow& row = Rows[size_t(i)];
    r.ItemLeft = ItemLeft;
    r.ItemRight = ItemLeft + ItemWidth;
    r.Top = row.Top;
    r.Height = row.Height;
    if (picture) {
      TRect rr = GetItemRect(i);
      BitBlt(c->Handle(), rr.left, rr.top, rr.right - rr.left, rr.bottom - rr.top, BackBuffer->Canvas()->Handle(),
             rr.left, rr.top, SRCCOPY);
    }
    T_MX_RowState s = 0;
    TMenuItem* it = row.Item;
    info.Item = it;
    info.Position = row.Position + (it ? 0 : HiddenCount);
    info.SystemText.clear();
    info.SystemBitmap = nullptr;
    if (i == ItemIndex) s |= rsSelected;
    if (picture) s |= rsBackground;
    if (title) s |= o.Title()->Align == atLeft ? rsTitleLeft : rsTitleRight;
    if (it) {
      if (it->Checked()) s |= rsChecked;
      if (!it->Enabled()) s |= rsDisabled;
      if (it->Default()) s |= rsDefault;
      if (it->RadioItem()) s |= rsRadio;
      auto* x = dynamic_cast<TMenuItemX*>(it);
      if (it->Count() > 0 || (x && x->AttachMenu())) s |= rsSubmenu;
      auto hiddenShown = [&](int k) {
        if (k < 0 || k >= RowCount()) return false;
        auto* y = dynamic_cast<TMenuItemX*>(Rows[size_t(k)].Item);
        return y && y->Hidden();
      };
      if ((State & fsShowHidden) && x && x->Hidden()) {
        s |= rsRecessed;
        if (hiddenShown(i - 1)) s |= rsRecessedAbove;
        if (hiddenShown(i + 1)) s |= rsRecessedBelow;
      }
      info.State = s;
      if (x && x->Control() != ctlNone)
        x->ControlOptions()->Draw(info);
      else
        DrawMenuItemX(info);
    } else {
      UINT id = 0, st = 0;
      bool sep = false;
      std::string text = SystemItemText(MenuHandle, row.Position, &id, &st, &sep);
      if (st & (MFS_DISABLED | MFS_GRAYED)) s |= rsDisabled;
      if (st & MFS_CHECKED) s |= rsChecked;
      info.SystemText = sep ? "-" : text;
      if (const char* key = SystemBitmapKey(id)) info.SystemBitmap = CacheBitmap(MenuItemCache().BitmapForCaption(key));
      info.State = s;
      DrawMenuItemX(info);
    }
  }
  if ((State & fsHasHidden) && !(State & fsShowHidden) && (whole || ItemIndex == -3 || PrevItemIndex == -3)) {
    TRect e = Rect(border, h - border - m.Bottom - 16, w - border, h - border - m.Bottom);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(col.Menu);
    c->FillRect(e);
    if (ItemIndex == -3) {
      FillDitheredRect(c, e);
      DrawEdge(c->Handle(), &e, (MouseButtons & 1) ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    }
    // Two chevrons pointing down.
    const int cx = (e.left + e.right) / 2, cy = e.top + 4;
    c->Pen()->SetColor(col.MenuText);
    for (int k = 0; k < 2; ++k)
      for (int d = 0; d < 3; ++d) {
        c->MoveTo(cx - 3 + d, cy + k * 4 + d);
        c->LineTo(cx + 4 - d, cy + k * 4 + d);
      }
  }
  State &= ~fsWholeRepaint;
}

bool TPopupMenuXForm::IsSelectable(int Index) const {
  const TRow& r = Rows[size_t(Index)];
  if (r.Item) return !r.Item->IsLine();
  bool sep = false;
  SystemItemText(MenuHandle, r.Position, nullptr, nullptr, &sep);
  return !sep;
}

void TPopupMenuXForm::SetItemIndex(int NewIndex) {
  if (NewIndex == ItemIndex) return;
  const int old = ItemIndex;
  PrevItemIndex = old;
  State |= fsSelChanged;
  if ((!Item && !MenuHandle) || Rows.empty()) {
    ItemIndex = NewIndex;
    return;
  }
  const int n = RowCount();
  const bool up = NewIndex < old;
  int i = NewIndex;
  for (int guard = 0; guard <= n + 1; ++guard) {
    if (i < 0) i = n - 1;
    if (i >= n) {
      if ((State & fsHasHidden) && !(State & fsShowHidden)) {
        ExpandTimer->SetEnabled(false);
        ShowHiddenItems();
        return;
      }
      i = 0;
    }
    if (IsSelectable(i) || i == old) break;
    i += up ? -1 : 1;
  }
  ItemIndex = i;
  State |= fsKeyboard;
  Paint();
  if (ItemIndex >= 0 && Rows[size_t(ItemIndex)].Item) ShowMenuItemHint(Rows[size_t(ItemIndex)].Item);
}

void TPopupMenuXForm::ShowHiddenItems() {
  const int keep = ItemIndex;
  State |= fsShowHidden;
  ShowMenu();
  ItemIndex = keep < RowCount() ? keep : -1;
  Paint();
}

bool TPopupMenuXForm::ShowsSource(TMenuItem* Source) const {
  if (!FChild || !FChild->Visible() || !Source) return false;
  if (FChild->Item == Source) return true;
  auto* x = dynamic_cast<TMenuItemX*>(Source);
  return x && x->AttachMenu() && FChild->Item == x->AttachMenu()->Items();
}

void TPopupMenuXForm::CloseChild() {
  if (!FChild) return;
  FChild->HideMenu();
  FDeadChild = std::move(FChild);
}

void TPopupMenuXForm::OpenSubmenu(bool SelectFirst) {
  TMenuItem* it = ItemIndex >= 0 && ItemIndex < RowCount() ? Rows[size_t(ItemIndex)].Item : nullptr;
  if (it && ShowsSource(it)) return;
  if (State & fsClosing) return;
  CloseChild();
  FDeadChild.reset();
  if (!it || !it->Enabled()) return;
  TMenuItem* source = nullptr;
  TCustomPopupMenuX* menu = PopupMenu;
  auto* x = dynamic_cast<TMenuItemX*>(it);
  if (it->Count() > 0) {
    source = it;
  } else if (x && x->AttachMenu()) {
    auto* attached = x->AttachMenu();
    if (auto* am = dynamic_cast<TCustomPopupMenuX*>(attached)) {
      am->AddEmptyItem();
      menu = am;
    }
    attached->SetPopupComponent(it);
    if (attached->OnPopup) attached->OnPopup(attached);
    source = attached->Items();
  }
  if (!source || !source->Enabled() || source->Count() == 0) return;
  if (source->OnClick) source->OnClick(source);
  FChild = std::make_unique<TPopupMenuXForm>(nullptr);
  FChild->ParentForm = this;
  FChild->Item = source;
  FChild->ParentItemIndex = ItemIndex;
  FChild->Animation = Animation;
  FChild->PopupMenu = menu;
  if (SelectFirst) FChild->ItemIndex = 0;
  const int x0 = Options->Alignment == T_MX_Alignment::taHebrew ? 5 : Width() - 5;
  TPoint p = ClientToScreen(Point(x0, Rows[size_t(ItemIndex)].Top - 5));
  FChild->SetBounds(p.x, p.y, 0, 0);
  FChild->ShowMenu();
  if (SelectFirst) FChild->SetItemIndex(0), FChild->ItemIndex = FChild->ItemIndex < 0 ? 0 : FChild->ItemIndex;
}

void TPopupMenuXForm::HideMenu() {
  SubmenuTimer->SetEnabled(false);
  ExpandTimer->SetEnabled(false);
  CloseChild();
  ToolTips.reset();
  if (HandleAllocated()) {
    SetWindowPos(Handle(), nullptr, Left(), Top(), 0, 0, SWP_NOACTIVATE | SWP_NOZORDER | SWP_HIDEWINDOW);
    UpdateBounds();
  }
  FVisible = false;
  ItemIndex = -1;
  ProcessPaintMessages();
}

void TPopupMenuXForm::SubmenuTimerFired() {
  if (State & fsClosing) return;
  SubmenuTimer->SetEnabled(false);
  if (State & fsSelChanged) {
    State &= ~fsSelChanged;
    TMenuItem* it = ItemIndex >= 0 && ItemIndex < RowCount() ? Rows[size_t(ItemIndex)].Item : nullptr;
    if (it && !(State & fsKeyboard)) ShowMenuItemHint(it);
    if (!ShowsSource(it)) OpenSubmenu(false);
  }
  HWND fg = GetForegroundWindow();
  if (fg) {
    DWORD pid = 0;
    GetWindowThreadProcessId(fg, &pid);
    if (pid != GetCurrentProcessId()) {
      RestoreCaret();
      CloseAllMenus(true);
      return;
    }
  }
  if (!(State & fsClosing) && Visible()) SubmenuTimer->SetEnabled(true);
}

void TPopupMenuXForm::ExpandTimerFired() {
  ExpandTimer->SetEnabled(false);
  if (ItemIndex == -3) ShowHiddenItems();
}

void TPopupMenuXForm::MouseMove(TShiftState Shift, int X, int Y) {
  if ((State & (fsAnimating | fsClosing | fsRightChild))) return;
  MouseButtons = uint8_t(((Shift & ssLeft) ? 1 : 0) | ((Shift & ssRight) ? 2 : 0));
  TPoint p = ClientToScreen(Point(X, Y));
  if (std::abs(p.x - LastMouse.x) <= 2 && std::abs(p.y - LastMouse.y) <= 2) return;
  LastMouse = p;
  FMouse = Point(X, Y);
  SubmenuTimer->SetEnabled(false);
  if (ParentForm && ParentForm->ItemIndex != ParentItemIndex) {
    ParentForm->PrevItemIndex = ParentForm->ItemIndex;
    ParentForm->ItemIndex = ParentItemIndex;
    ParentForm->State |= fsSelChanged;
    ParentForm->State &= ~fsKeyboard;
    ParentForm->Paint();
  }
  const int hit = HitTest(X, Y);
  if (ToolTips) ToolTips->RelayMouseMove(Point(X, Y));
  if (hit == ItemIndex) {
    if (hit >= 0) {
      auto* x = dynamic_cast<TMenuItemX*>(Rows[size_t(hit)].Item);
      if (x && x->Control() == ctlButtonArray) {
        int before = x->GetButtonArray()->HotIndex;
        Paint();
        if (x->GetButtonArray()->HotIndex != before) ShowMenuItemHint(x);
      }
    }
  } else {
    SetMenuHintText("");
    PrevItemIndex = ItemIndex;
    ItemIndex = hit;
    State |= fsSelChanged;
    State &= ~fsKeyboard;
    Paint();
    if (hit >= 0 && Rows[size_t(hit)].Item) ShowMenuItemHint(Rows[size_t(hit)].Item);
    if (hit == -3) {
      ExpandTimer->SetInterval(ExpandDelay);
      ExpandTimer->SetEnabled(false);
      ExpandTimer->SetEnabled(true);
    }
  }
  SubmenuTimer->SetInterval(SubmenuDelay);
  SubmenuTimer->SetEnabled(true);
}

void TPopupMenuXForm::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  (void)Y;
  (void)X;
  MouseButtons = uint8_t(((Shift & ssLeft) || Button == mbLeft ? 1 : 0) | ((Shift & ssRight) || Button == mbRight ? 2 : 0));
  State |= fsMouseInside;
  if (ToolTips) ToolTips->Deactivate();
  if (Button == mbLeft && ItemIndex == -2 && Options->Draggable)
    CloseAllMenus(true);
  else if (Button == mbLeft)
    Paint();
}

void TPopupMenuXForm::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (State & (fsAnimating | fsClosing)) return;
  MouseButtons = uint8_t(((Shift & ssLeft) ? 1 : 0) | ((Shift & ssRight) ? 2 : 0));
  State |= fsMouseInside;
  const int hit = HitTest(X, Y);
  if (hit != ItemIndex) {
    PrevItemIndex = ItemIndex;
    ItemIndex = hit;
    Paint();
  }
  if (hit == -3) {
    ExpandTimer->SetEnabled(false);
    ShowHiddenItems();
    return;
  }
  if (Button == mbRight) {
    auto* x = hit >= 0 ? dynamic_cast<TMenuItemX*>(Rows[size_t(hit)].Item) : nullptr;
    if (x && x->PopupMenu()) {
      State |= fsRightChild;
      CloseChild();
      FDeadChild.reset();
      T_MX_PopupMenu* pm = x->PopupMenu();
      if (pm->OnPopup) pm->OnPopup(pm);
      pm->SetPopupComponent(x);
      FChild = std::make_unique<TPopupMenuXForm>(nullptr);
      FChild->ParentForm = this;
      FChild->Item = pm->Items();
      FChild->ParentItemIndex = ItemIndex;
      auto* pmx = dynamic_cast<TCustomPopupMenuX*>(pm);
      FChild->PopupMenu = pmx ? pmx : PopupMenu;
      FChild->Animation = pmx ? pmx->Options()->Animation : Animation;
      TPoint p = ClientToScreen(Point(X, Y));
      FChild->SetBounds(p.x, p.y, 0, 0);
      FChild->ShowMenu();
    }
    return;
  }
  if (Button != mbLeft) return;
  if (FChild && FChild->Visible()) {
    State &= ~fsRightChild;
    OpenSubmenu(false);
    return;
  }
  ChooseCurrent(false);
}

void TPopupMenuXForm::ChooseCurrent(bool FromKeyboard) {
  if (ItemIndex < 0 || ItemIndex >= RowCount()) return;
  const TRow& row = Rows[size_t(ItemIndex)];
  if (!row.Item) {
    ChooseSystemRow(ItemIndex);
    return;
  }
  TMenuItem* it = row.Item;
  auto* x = dynamic_cast<TMenuItemX*>(it);
  if (it->Count() > 0 || (x && x->AttachMenu())) {
    OpenSubmenu(FromKeyboard);
    return;
  }
  if (!it->Enabled() || it->IsLine()) return;
  ChooseItem(it);
}

bool TPopupMenuXForm::MayClose() {
  SubmenuTimer->SetEnabled(false);
  bool can = true;
  if (PopupMenu && PopupMenu->OnCloseQuery) PopupMenu->OnCloseQuery(PopupMenu, can);
  if (!can) {
    Paint();
    SubmenuTimer->SetEnabled(true);
    if (ToolTips) ToolTips->Activate();
  }
  return can;
}

void TPopupMenuXForm::ChooseSystemRow(int Index) {
  UINT id = 0, st = 0;
  bool sep = false;
  SystemItemText(MenuHandle, Rows[size_t(Index)].Position + HiddenCount, &id, &st, &sep);
  if (sep || (st & (MFS_DISABLED | MFS_GRAYED))) return;
  if (!MayClose()) return;
  TCustomPopupMenuX* menu = PopupMenu;
  HWND owner = MenuOwner;
  CloseAllMenus(true);
  if (owner) SendMessageA(owner, WM_NCACTIVATE, TRUE, 0);
  RestoreCaret();
  PlayMenuSound("MenuCommand");
  if (menu && menu->OnMenuCommand) menu->OnMenuCommand(nullptr);
  // System commands are WM_SYSCOMMAND; as WM_COMMAND the window would ignore them.
  if (owner) PostMessageA(owner, WM_SYSCOMMAND, id, 0);
}

void TPopupMenuXForm::ChooseItem(TMenuItem* It) {
  if (!MayClose()) return;
  TCustomPopupMenuX* menu = PopupMenu;
  CloseAllMenus(true);
  RestoreCaret();
  PlayMenuSound("MenuCommand");
  auto* x = dynamic_cast<TMenuItemX*>(It);
  if (x && x->Hidden() && !(Options->Flags & mfNoChangeHidden)) {
    x->Unhide();
    if (TMenuItem* p = x->Parent()) {
      const int at = p->IndexOf(x);
      for (int d : {-1, 1}) {
        int k = at + d;
        if (k < 0 || k >= p->Count()) continue;
        auto* s = dynamic_cast<TMenuItemX*>(p->Items(k));
        if (s && s->IsLine() && s->Hidden()) s->Unhide();
      }
    }
  }
  if (menu && menu->OnMenuCommand) menu->OnMenuCommand(It);
  if (x && x->Control() == ctlButtonArray) {
    auto* a = x->GetButtonArray();
    a->SetItemIndex(a->HotIndex);
  }
  It->Click();
}

bool TPopupMenuXForm::HandleKey(UINT Msg, WPARAM Key) {
  if (Msg == WM_KEYUP || Msg == WM_SYSKEYUP) return false;
  if (ToolTips) ToolTips->Deactivate();
  if (Msg == WM_SYSKEYDOWN) {
    if (Key == VK_MENU || Key == VK_F10) {
      CloseAllMenus(true);
      if (MenuBar) MenuBar->SetKeyboardMode(true);
      RestoreCaret();
      return true;
    }
  }
  const bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
  switch (Key) {
    case VK_UP:
      SubmenuTimer->SetEnabled(false);
      SetItemIndex(ItemIndex - 1);
      return true;
    case VK_DOWN:
      if (ctrl && (State & fsHasHidden) && !(State & fsShowHidden)) {
        ShowHiddenItems();
        return true;
      }
      SubmenuTimer->SetEnabled(false);
      SetItemIndex(ItemIndex + 1);
      return true;
    case VK_TAB:
      SubmenuTimer->SetEnabled(false);
      SetItemIndex(shift ? ItemIndex - 1 : ItemIndex + 1);
      return true;
    case VK_RETURN:
      // The command runs after the hook that routed the key has returned.
      PostMessageA(Handle(), WM_MX_CHOOSE, 1, 0);
      return true;
    case VK_ESCAPE:
      if (ParentForm) {
        ParentForm->CloseChild();
      } else {
        CloseAllMenus(true);
        RestoreCaret();
      }
      return true;
    case VK_LEFT:
      if (!ParentForm) return false;
      ParentForm->CloseChild();
      return true;
    case VK_RIGHT: {
      if (ItemIndex < 0 || ItemIndex >= RowCount()) return false;
      TMenuItem* it = Rows[size_t(ItemIndex)].Item;
      auto* x = dynamic_cast<TMenuItemX*>(it);
      if (!it || !it->Enabled() || !(it->Count() > 0 || (x && x->AttachMenu()))) return false;
      OpenSubmenu(true);
      return true;
    }
    case VK_F1: {
      TMenuItem* it = ItemIndex >= 0 && ItemIndex < RowCount() ? Rows[size_t(ItemIndex)].Item : nullptr;
      if (!Application || Application->HelpFile.empty() || !it || it->HelpContext == 0) return false;
      const THelpContext context = it->HelpContext;
      CloseAllMenus(true);
      Application->HelpContext(context);
      // The key's follow-up goes with it; an ending program still ends.
      MSG pending;
      if (PeekMessageA(&pending, nullptr, 0, 0, PM_REMOVE) && pending.message == WM_QUIT)
        PostQuitMessage(static_cast<int>(pending.wParam));
      return true;
    }
    case VK_SHIFT:
    case VK_CONTROL:
      return false;
    default:
      break;
  }
  // Accelerators: the first row whose marked letter is the key.
  const char want = static_cast<char>(MapVirtualKeyA(static_cast<UINT>(Key), 2) & 0xFF);
  if (!want) return false;
  const char up = static_cast<char>(std::toupper(static_cast<unsigned char>(want)));
  for (int i = 0; i < RowCount(); ++i) {
    const TRow& r = Rows[size_t(i)];
    std::string caption = r.Item ? r.Item->Caption() : SystemItemText(MenuHandle, r.Position);
    if (CaptionAccelerator(caption) != up) continue;
    UINT st = 0;
    bool enabled = r.Item ? r.Item->Enabled() : (SystemItemText(MenuHandle, r.Position, nullptr, &st), !(st & (MFS_DISABLED | MFS_GRAYED)));
    if (!enabled) {
      MessageBeep(0);
      return true;
    }
    PrevItemIndex = ItemIndex;
    ItemIndex = i;
    Paint();
    PostMessageA(Handle(), WM_MX_CHOOSE, 1, 0);
    return true;
  }
  MessageBeep(0);
  return true;
}

void TPopupMenuXForm::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_MX_ANIMATE:
      AnimationStep(static_cast<DWORD>(Message.WParam), static_cast<int>(Message.LParam));
      return;
    case WM_MX_CHOOSE:
      if (Visible() && !(State & fsClosing)) ChooseCurrent(Message.WParam != 0);
      return;
    case WM_MX_STOPTIMERS:
      for (TPopupMenuXForm* f = this; f; f = f->ParentForm) f->SubmenuTimer->SetEnabled(false);
      return;
    case WM_MX_CLOSING:
      for (TPopupMenuXForm* f = this; f; f = f->FChild.get()) f->State = T_MX_FormState((f->State | fsClosing) & ~fsAnimating);
      return;
    case WM_MX_HIDECHAIN:
      HideMenu();
      return;
    case WM_MOUSEACTIVATE:
      Message.Result = MA_NOACTIVATE;
      return;
    case WM_SETFOCUS:
      if (Application && Application->MainForm() && Application->MainForm()->HandleAllocated())
        ::SetFocus(Application->MainForm()->Handle());
      return;
    case WM_ERASEBKGND:
      Message.Result = 1;
      return;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(Handle(), &ps);
      if (!Buffer->Empty())
        BitBlt(ps.hdc, 0, 0, Buffer->Width(), Buffer->Height(), Buffer->Canvas()->Handle(), 0, 0, SRCCOPY);
      EndPaint(Handle(), &ps);
      return;
    }
    case WM_MOUSELEAVE:
    case CM_MOUSELEAVE:
      MouseButtons = 0;
      if (!(State & (fsAnimating | fsRightChild))) SetMenuHintText("");
      break;
    default:
      break;
  }
  TCustomForm::Dispatch(Message);
}

TCustomPopupMenuX::TCustomPopupMenuX(TComponent* AOwner) : T_MX_PopupMenu(AOwner) {
  FForm = std::make_unique<TPopupMenuXForm>(nullptr);
}

TCustomPopupMenuX::~TCustomPopupMenuX() {
  if (CurrentPopupMenu == this) CloseAllMenus(false);
  FForm.reset();
}

void TCustomPopupMenuX::SetStatusBar(TStatusBar* Value) {
  FStatusBar = Value;
  if (Value) Value->FreeNotification(this);
}

void TCustomPopupMenuX::SetImages(TCustomImageList* Value) {
  FImages = Value;
  if (Value) Value->FreeNotification(this);
}

void TCustomPopupMenuX::SetParentFont(bool Value) {
  FParentFont = Value;
  if (Value) FSystemFont = false;
}

void TCustomPopupMenuX::SetSystemFont(bool Value) {
  FSystemFont = Value;
  if (Value) FParentFont = false;
}

void TCustomPopupMenuX::Notification(TComponent* AComponent, TOperation Operation) {
  T_MX_PopupMenu::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FImages) FImages = nullptr;
  if (AComponent == FStatusBar) FStatusBar = nullptr;
}

void TCustomPopupMenuX::GetMenuSource(TMenuItem*& AItem, HMENU& Handle) {
  AItem = ReplaceItem ? ReplaceItem : Items();
  Handle = FReplaceHandle;
}

void TCustomPopupMenuX::AddEmptyItem() {
  if (Items()->Count() > 0 || ReplaceItem || FReplaceHandle) return;
  auto* e = new TMenuItemX(this);
  e->SetCaption("(Empty)");
  e->SetEnabled(false);
  e->SetShortCutText("");
  Items()->Add(e);
}

bool TCustomPopupMenuX::IsShowing() { return FForm && FForm->HandleAllocated() && IsWindowVisible(FForm->Handle()); }

TPopupMenuXForm* TCustomPopupMenuX::DeepestOpenForm() {
  TPopupMenuXForm* f = FForm.get();
  while (f && f->ChildForm() && f->ChildForm()->Visible()) f = f->ChildForm();
  return f;
}

void TCustomPopupMenuX::SelectFirst(bool Select) {
  FForm->ItemIndex = Select ? 0 : -1;
  if (IsShowing()) FForm->Repaint();
}

void TCustomPopupMenuX::ClearTrackFlags() { FForm->State &= ~fsShowHidden; }

void TCustomPopupMenuX::Popup(int X, int Y) {
  CloseAllMenus(false);
  CurrentPopupMenu = this;
  DoPopup();
  AddEmptyItem();
  const bool fromBar = dynamic_cast<TCustomMenuBarX*>(PopupComponent()) != nullptr;
  if (!fromBar) ClearTrackFlags();
  TPopupMenuXForm* f = FForm.get();
  f->ParentForm = nullptr;
  GetMenuSource(f->Item, f->MenuHandle);
  if (f->MenuHandle) f->Item = nullptr;
  f->MenuOwner = FMenuOwner;
  if (fromBar) FSystemFont = static_cast<TCustomMenuBarX*>(PopupComponent())->SystemFont;
  f->PopupMenu = this;
  f->State |= fsSelChanged;
  f->SetBounds(X, Y, 0, 0);
  if (!f->ShowMenu()) {
    f->HideMenu();
    if (CurrentPopupMenu == this) CurrentPopupMenu = nullptr;
  }
}
