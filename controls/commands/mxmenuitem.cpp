#include "controls/commands/mxmenuitem.h"

#include "controls/commands/mxbuttons.h"
#include "controls/commands/mxmenubar.h"
#include "controls/commands/mxpopup.h"
#include "controls/commands/mxstdcmds.h"
#include "controls/commands/mxutils.h"

namespace {
// An empty own text that hides the standard one.
const std::string kNone(1, '\x01');
}  // namespace

TMenuItemX::TMenuItemX(TComponent* AOwner) : TMenuItem(AOwner) {
  FBitmap = std::make_unique<TBitmap>();
  FControlOptions = std::make_unique<T_MX_ControlOptions>(this);
}

TMenuItemX::~TMenuItemX() {
  // An open menu window that shows this item, or its children, would draw
  // and choose through a pointer to it: the menus close first.
  if (IsMenuOpen()) {
    for (TPopupMenuXForm* f = CurrentPopupMenu->Form(); f; f = f->ChildForm()) {
      bool shown = f->Item == this;
      for (int i = 0; !shown && i < f->RowCount(); ++i) shown = f->Row(i).Item == this;
      if (shown) {
        CloseAllMenus(true);
        break;
      }
    }
  }
  if (TMenuItem* p = Parent()) {
    p->Remove(this);
    if (MenuBar && !p->Parent()) MenuBar->MenuChangedNotice(3);
  }
}

void TMenuItemX::NotifyBar(WPARAM What) {
  if (!MenuBar || !MenuBar->HandleAllocated()) return;
  TMenuItem* p = Parent();
  if (!p || !p->Parent()) PostMessageA(MenuBar->Handle(), WM_MX_MENUCHANGED, What, 0);
}

void TMenuItemX::SetCaption(const std::string& Value) {
  TMenuItem::SetCaption(Value);
  NotifyBar(1);
}

void TMenuItemX::SetVisible(bool Value) {
  TMenuItem::SetVisible(Value);
  NotifyBar(1);
}

void TMenuItemX::SetEnabled(bool Value) {
  TMenuItem::SetEnabled(Value);
  NotifyBar(0);
}

void TMenuItemX::SetPopupMenu(T_MX_PopupMenu* Value) {
  FPopupMenu = Value;
  if (Value) Value->FreeNotification(this);
}

void TMenuItemX::SetAttachMenu(T_MX_PopupMenu* Value) {
  FAttachMenu = Value;
  if (Value) Value->FreeNotification(this);
}

void TMenuItemX::Notification(TComponent* AComponent, TOperation Operation) {
  TMenuItem::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FAttachMenu) FAttachMenu = nullptr;
  if (AComponent == FPopupMenu) FPopupMenu = nullptr;
}

T_MX_MenuOptions* TMenuItemX::Options() {
  const bool wantBase = HasSubmenu();
  const bool isBase = dynamic_cast<T_MX_BaseOptions*>(FOptions.get()) != nullptr;
  if (FOptions && wantBase != isBase) FOptions.reset();
  if (!FOptions) {
    if (wantBase)
      FOptions = std::make_unique<T_MX_BaseOptions>();
    else
      FOptions = std::make_unique<T_MX_MenuOptions>();
  }
  return FOptions.get();
}

void TMenuItemX::SetOptions(T_MX_MenuOptions* Value) { Options()->Assign(Value); }

TBitmap* TMenuItemX::Bitmap() { return FBitmap.get(); }

HBITMAP TMenuItemX::Glyph() {
  if (!FBitmap->Empty()) return FBitmap->Handle();
  if (FDefaultIndex >= 0) return reinterpret_cast<HBITMAP>(MenuItemCache().NthItemWithBitmap(FDefaultIndex));
  if (Caption().empty() || IsLine()) return nullptr;
  return CacheBitmap(MenuItemCache().BitmapForCaption(Caption()));
}

bool TMenuItemX::HasBitmap() { return Glyph() != nullptr; }

std::string TMenuItemX::ShortCutText() const {
  if (TMenuItem::ShortCut()) return ShortCutToText(TMenuItem::ShortCut());
  if (FShortCutText == kNone) return "";
  if (!FShortCutText.empty()) return FShortCutText;
  if (Caption().empty() || IsLine()) return "";
  auto* e = MenuItemCache().Find(Caption());
  return e ? e->ShortCut : "";
}

void TMenuItemX::SetShortCutText(const std::string& Value) {
  TMenuItem::SetShortCut(0);
  if (Value.empty() || Value == kNone) {
    FShortCutText = kNone;
    return;
  }
  FShortCutText = NormaliseShortCutList(Value, [](const std::string& Part) {
    TShortCut s = TextToShortCut(Part);
    return s ? ShortCutToText(s) : std::string();
  });
}

std::string TMenuItemX::Hint() const {
  if (FHintText == kNone) return "";
  if (!FHintText.empty()) return FHintText;
  if (!TMenuItem::Hint().empty()) return TMenuItem::Hint();
  if (Caption().empty() || IsLine()) return "";
  auto* e = MenuItemCache().Find(Caption());
  return e ? e->Hint : "";
}

void TMenuItemX::SetHint(const std::string& Value) {
  TMenuItem::SetHint(Value);
  auto* e = Caption().empty() ? nullptr : MenuItemCache().Find(Caption());
  FHintText = Value.empty() && e && !e->Hint.empty() ? kNone : Value;
}

void TMenuItemX::SetControl(T_MX_ControlType Value) {
  if (Value == FControl) return;
  FControl = Value;
  switch (Value) {
    case ctlButton: FControlOptions = std::make_unique<T_MX_ButtonOptions>(this); break;
    case ctlButtonArray: FControlOptions = std::make_unique<T_MX_ButtonArrayOptions>(this); break;
    default: FControlOptions = std::make_unique<T_MX_ControlOptions>(this); break;
  }
}

T_MX_ButtonArrayOptions* TMenuItemX::GetButtonArray() {
  auto* o = dynamic_cast<T_MX_ButtonArrayOptions*>(FControlOptions.get());
  if (!o) throw EMenuError(Name() + ": This is not a Button Array");
  return o;
}

T_MX_ButtonOptions* TMenuItemX::GetButton() {
  auto* o = dynamic_cast<T_MX_ButtonOptions*>(FControlOptions.get());
  if (!o) throw EMenuError(Name() + ": This is not a Button");
  return o;
}

TMenuItem* TMenuItemX::ItemAt(int Index) const {
  if (Index < 0 || Index >= Count()) throw EMenuError("Menu not found");
  return Items(Index);
}

void TMenuItemX::ReleaseGroupSiblings() {
  TMenuItem* p = Parent();
  if (!p) return;
  const bool locked = UpdatesLocked;
  UpdatesLocked = true;
  for (int i = 0; i < p->Count(); ++i) {
    TMenuItem* s = p->Items(i);
    if (s == this || s->GroupIndex() != GroupIndex()) continue;
    auto* x = dynamic_cast<TMenuItemX*>(s);
    if (!x || x->Control() == ctlNone)
      s->SetChecked(false);
    else if (x->Control() == ctlButton)
      x->GetButton()->FDown = false;
    else
      x->GetButtonArray()->SetItemIndex(-1);
  }
  UpdatesLocked = locked;
}

TMenuItemX* NewMenuItemX(const std::string& Caption, TShortCut ShortCut, bool Checked, bool Enabled,
                         TNotifyEvent OnClick, int HelpContext, const std::string& Name) {
  auto* item = new TMenuItemX(nullptr);
  item->HelpContext = HelpContext;
  item->SetCaption(Caption);
  item->SetShortCutText(ShortCut ? ShortCutToText(ShortCut) : std::string());
  item->SetChecked(Checked);
  item->SetEnabled(Enabled);
  item->OnClick = std::move(OnClick);
  item->SetName(Name);
  return item;
}

void SplitCaption(TMenuItem* Item, const std::string& Caption, std::string& Text, std::string& ShortCut) {
  size_t tab = Caption.find('\t');
  Text = Caption.substr(0, tab);
  ShortCut.clear();
  if (auto* x = dynamic_cast<TMenuItemX*>(Item))
    ShortCut = FirstShortCutText(x->ShortCutText());
  else if (Item && Item->ShortCut())
    ShortCut = ShortCutToText(Item->ShortCut());
  if (ShortCut.empty() && tab != std::string::npos) ShortCut = Caption.substr(tab + 1);
}

namespace {

void FillColor(TCanvas* C, const TRect& R, TColor Color) {
  C->Brush()->SetStyle(bsSolid);
  C->Brush()->SetColor(Color);
  C->FillRect(R);
}

void Line(TCanvas* C, int X1, int X2, int Y, TColor Color) {
  if (Color == clNone) return;
  C->Pen()->SetColor(Color);
  C->MoveTo(X1, Y);
  C->LineTo(X2, Y);
}

void DrawTexts(TCanvas* C, const T_MX_DrawInfo& I, const std::string& Text, const std::string& ShortCut,
               TColor Color, int Offset) {
  const T_MX_MenuItemRect& r = *I.Rect;
  C->Font()->SetColor(Color);
  C->Brush()->SetStyle(bsClear);
  TRect cr = r.GetCaptionRect();
  OffsetRect(&cr, Offset, Offset);
  UINT align = I.Alignment == T_MX_Alignment::taRightJustify ? DT_RIGHT
               : I.Alignment == T_MX_Alignment::taCenter     ? DT_CENTER
               : I.Alignment == T_MX_Alignment::taHebrew     ? DT_RIGHT
                                                             : DT_LEFT;
  C->DrawText(Text, cr, align | DT_SINGLELINE | DT_VCENTER | DT_NOCLIP);
  if (!ShortCut.empty()) {
    TRect sr = r.GetShortCutRect();
    OffsetRect(&sr, Offset, Offset);
    UINT sa = I.Alignment == T_MX_Alignment::taHebrew ? DT_LEFT : DT_RIGHT;
    C->DrawText(ShortCut, sr, sa | DT_SINGLELINE | DT_VCENTER | DT_NOCLIP);
  }
  if (I.State & rsSubmenu) {
    const int y = (r.Top + r.Top + r.Height - 5) / 2;
    std::vector<TPoint> tri;
    if (I.Alignment == T_MX_Alignment::taHebrew) {
      int x = r.ArrowLeft + 5 + Offset;
      tri = {Point(x, y + 3 + Offset), Point(x + 3, y + Offset), Point(x + 3, y + 6 + Offset)};
    } else {
      int x = r.ArrowLeft + r.ArrowWidth - 5 + Offset;
      tri = {Point(x, y + 3 + Offset), Point(x - 3, y + Offset), Point(x - 3, y + 6 + Offset)};
    }
    C->Pen()->SetColor(Color);
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(Color);
    C->Polygon(tri);
  }
}

}  // namespace

void DrawMenuItemX(T_MX_DrawInfo& I) {
  TCanvas* C = I.Canvas;
  T_MX_Options& o = *I.Options;
  T_MX_Colors& col = *o.Colors();
  const T_MX_MenuItemRect& r = *I.Rect;
  TRect row = r.GetItemRect();
  std::string caption = I.Item ? I.Item->Caption() : I.SystemText;
  const bool separator = caption == "-" || (I.Item == nullptr && caption.empty());
  if (separator) I.State &= static_cast<T_MX_RowState>(~rsSelected);

  // Background.
  if (!(I.State & rsBackground)) {
    if (I.State & rsSelected) {
      TRect h = row;
      if (I.State & rsRecessed) InflateRect(&h, 1, -1);
      FillColor(C, h, col.Highlight);
    } else if (I.State & rsRecessed) {
      TRect h = row;
      int widen = (I.State & (rsTitleLeft | rsTitleRight)) ? 1 : 2;
      InflateRect(&h, widen, -1);
      FillDitheredRect(C, h);
      if (!(I.State & rsRecessedAbove)) Line(C, h.left, h.right, h.top, col.Line);
      if (!(I.State & rsRecessedBelow)) Line(C, h.left, h.right, h.bottom - 1, col.LineShadow);
    } else {
      FillColor(C, row, col.Menu);
    }
  }
  if (separator) {
    const int inset = (o.Flags & mfNoShortDividers) ? 2 : 14;
    const int mid = row.top + (row.bottom - row.top) / 2 - 1;
    Line(C, row.left + inset, row.right - inset, mid, col.Line);
    Line(C, row.left + inset, row.right - inset, mid + 1, col.LineShadow);
    return;
  }

  // Glyph column.
  HBITMAP glyph = nullptr;
  int imageIndex = -1;
  if (auto* x = dynamic_cast<TMenuItemX*>(I.Item)) glyph = x->Glyph();
  if (!I.Item) glyph = I.SystemBitmap;
  if (!glyph && I.Item && I.Images && I.Item->ImageIndex() >= 0) imageIndex = I.Item->ImageIndex();
  const bool hasImage = glyph || imageIndex >= 0;
  const bool checked = I.State & rsChecked, selected = I.State & rsSelected, disabled = I.State & rsDisabled;
  if (r.GlyphWidth > 0) {
    TRect g = r.GetGlyphRect();
    TRect checkArea = g, imageArea = g;
    if (o.Flags & mfShowCheckMark) {
      checkArea.right = g.left + (g.right - g.left) / 2;
      imageArea.left = checkArea.right;
    }
    const bool checkShown = checked && ((o.Flags & mfShowCheckMark) || !hasImage);
    if (!(I.State & rsRecessed) || selected) {
      if (!(o.Flags & mfNoBitmapRect) && hasImage) FillColor(C, imageArea, col.Menu);
      if (checked) FillColor(C, (o.Flags & mfShowCheckMark) ? checkArea : imageArea, col.Menu);
    }
    TRect frame = (o.Flags & mfShowCheckMark) ? checkArea : imageArea;
    InflateRect(&frame, -1, -1);
    if (selected) {
      if (hasImage && !(o.Flags & mfNoBitmapRect) && !checked) {
        TRect e = imageArea;
        InflateRect(&e, -1, -1);
        DrawEdge(C->Handle(), &e, BDR_RAISEDINNER, BF_RECT);
      }
      if (checked) DrawEdge(C->Handle(), &frame, BDR_SUNKENOUTER, BF_RECT);
    } else if (checked) {
      TRect d = frame;
      InflateRect(&d, -1, -1);
      FillDitheredRect(C, d);
      DrawEdge(C->Handle(), &frame, BDR_SUNKENOUTER, BF_RECT);
    }
    auto center = [&](const TRect& A, int W, int H) {
      return Point(A.left + (A.right - A.left - W) / 2, A.top + (A.bottom - A.top - H) / 2);
    };
    auto drawBitmap = [&](const TRect& Area, HBITMAP Bitmap) {
      BITMAP bm{};
      GetObjectA(Bitmap, sizeof bm, &bm);
      TPoint p = center(Area, bm.bmWidth, bm.bmHeight);
      if (disabled)
        DrawDisabledBitmap(C, p.x, p.y, Bitmap, col.DisabledShadow, col.DisabledText);
      else
        DrawTransparentBitmap(C, p.x, p.y, Bitmap);
    };
    if (glyph) {
      drawBitmap(imageArea, glyph);
    } else if (imageIndex >= 0) {
      TPoint p = center(imageArea, I.Images->Width(), I.Images->Height());
      if (disabled)
        DrawDisabledImage(C, p.x, p.y, col.DisabledShadow, col.DisabledText, imageIndex, I.Images);
      else
        ImageList_Draw(I.Images->Handle(), imageIndex, C->Handle(), p.x + 1, p.y + 1, ILD_TRANSPARENT);
    }
    if (checkShown) {
      HBITMAP mark = (I.State & rsRadio) ? RadioItemBitmap() : CheckMarkBitmap();
      TRect a = (o.Flags & mfShowCheckMark) ? checkArea : imageArea;
      if (mark) drawBitmap(a, mark);
    }
  }

  // Texts.
  std::string text, shortCut;
  SplitCaption(I.Item, caption, text, shortCut);
  TFontStyles style = C->Font()->Style();
  if (I.State & rsDefault) C->Font()->SetStyle(style | fsBold);
  if (disabled && !selected) {
    DrawTexts(C, I, text, shortCut, col.DisabledShadow, 1);
    DrawTexts(C, I, text, shortCut, col.DisabledText, 0);
  } else {
    DrawTexts(C, I, text, shortCut,
              disabled ? col.DisabledText : selected ? col.HighlightText : col.MenuText, 0);
  }
  C->Font()->SetStyle(style);
}
