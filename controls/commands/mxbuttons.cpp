#include "controls/commands/mxbuttons.h"

#include "controls/commands/mxutils.h"

namespace {
// The row in the menu colour; returns its rectangle.
TRect FillRow(T_MX_DrawInfo& I) {
  TRect row = I.Rect->GetItemRect();
  I.Canvas->Brush()->SetStyle(bsSolid);
  I.Canvas->Brush()->SetColor(I.Options->Colors()->Menu);
  I.Canvas->FillRect(row);
  return row;
}
}  // namespace

void T_MX_ButtonOptions::SetDown(bool Value) {
  if (Value) FItem->ReleaseGroupSiblings();
  if (AllowAllUp || Value) FDown = Value;
  RefreshMenuControls();
}

void T_MX_ButtonOptions::Draw(T_MX_DrawInfo& I) {
  TCanvas* C = I.Canvas;
  T_MX_Colors& col = *I.Options->Colors();
  const TRect row = FillRow(I);
  TRect face = row;
  InflateRect(&face, -2, -1);
  face.bottom -= 2;
  const bool selected = I.State & rsSelected;
  if ((selected && I.LeftButtonDown) || (FDown && !selected)) {
    FillDitheredRect(C, face);
    DrawEdge(C->Handle(), &face, EDGE_SUNKEN, BF_RECT);
  } else if (selected) {
    DrawEdge(C->Handle(), &face, FDown ? EDGE_SUNKEN : BDR_RAISEDINNER, BF_RECT);
  }
  if (BorderFrame) {
    TRect f = face;
    InflateRect(&f, -5, -3);
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(clBtnShadow);
    C->FrameRect(f);
  }
  C->Font()->SetColor(col.MenuText);
  C->Brush()->SetStyle(bsClear);
  C->DrawText(FItem->Caption(), face, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void T_MX_ButtonArrayOptions::SetItemIndex(int Value) {
  if (Value != -1) FItem->ReleaseGroupSiblings();
  HotIndex = FItemIndex;
  FItemIndex = Value;
  RefreshMenuControls();
}

int T_MX_ButtonArrayOptions::CellAt(const TRect& R, int X, int Y) const {
  if (FBitmap.Empty() || Columns <= 0 || Rows <= 0) return -1;
  const int cw = FBitmap.Width() / Columns, ch = FBitmap.Height() / Rows;
  if (cw <= 0 || ch <= 0) return -1;
  const int x = X - (R.left + 2), y = Y - (R.top + 1);
  if (x < 0 || y < 0 || x >= cw * Columns || y >= ch * Rows) return -1;
  const int cell = (y / ch) * Columns + x / cw;
  return cell < CellCount() ? cell : -1;
}

void T_MX_ButtonArrayOptions::Draw(T_MX_DrawInfo& I) {
  TCanvas* C = I.Canvas;
  const TRect row = FillRow(I);
  if (FBitmap.Empty() || Columns <= 0 || Rows <= 0) return;
  const int x0 = row.left + 2, y0 = row.top + 1;
  DrawBitmapTransparent(C, x0, y0, FBitmap.Handle(), ColorToRGB(FBitmap.Canvas()->Pixels(0, 0)));
  const int cw = FBitmap.Width() / Columns, ch = FBitmap.Height() / Rows;
  auto cellRect = [&](int i) { return Bounds(x0 + (i % Columns) * cw, y0 + (i / Columns) * ch, cw, ch); };
  if (FItemIndex >= 0) {
    TRect r = cellRect(FItemIndex);
    DrawEdge(C->Handle(), &r, BDR_SUNKENOUTER, BF_RECT);
  }
  const int hot = (I.State & rsSelected) ? CellAt(row, I.Mouse.x, I.Mouse.y) : -1;
  if (hot >= 0) {
    TRect r = cellRect(hot);
    DrawEdge(C->Handle(), &r, I.LeftButtonDown ? BDR_SUNKENINNER : BDR_RAISEDINNER, BF_RECT);
    HotIndex = hot;
  }
}
