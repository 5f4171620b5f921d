#include "controls/commands/toolbar.h"

#include <algorithm>

TCustomToolbarX::TCustomToolbarX(TComponent* AOwner) : TCustomToolWindowX(AOwner) {}

void TCustomToolbarX::SetFloatRightX(int Value) {
  FFloatRightX = Value;
  if (!Docked()) ArrangeControls();
}

std::vector<TToolbarItem> TCustomToolbarX::Items(std::vector<TControl*>& Controls) {
  std::vector<TToolbarItem> Out;
  for (int I = 0; I < ControlCount(); ++I) {
    TControl* C = this->Controls(I);
    if (!C->Visible()) continue;
    TToolbarItem It;
    if (auto* S = dynamic_cast<TToolbarSepX*>(C)) {
      It.Separator = true;
      It.Blank = S->Blank();
      It.SizeHorz = S->SizeHorz();
      It.SizeVert = S->SizeVert();
    }
    It.Width = C->Width();
    It.Height = C->Height();
    It.Left = C->Left();
    It.Top = C->Top();
    Controls.push_back(C);
    Out.push_back(It);
  }
  return Out;
}

static TLayoutOrientation OrientationOf(TDockType T) {
  return T == dtNotDocked ? loFloating : (T == dtLeftRight ? loVertical : loHorizontal);
}

int TCustomToolbarX::DockedThickness(TDockType Type) {
  std::vector<TControl*> C;
  return ToolbarThickness(Items(C), OrientationOf(Type));
}

SIZE TCustomToolbarX::OrderControls(bool CanMoveControls, TDockType Type, TDockX* DockingTo) {
  std::vector<TControl*> C;
  std::vector<TToolbarItem> It = Items(C);
  TLayoutOrientation O = OrientationOf(Type);
  int B = ToolbarThickness(It, O);
  int Row = (DockingTo && DockingTo == DockedTo()) ? std::max(GetRowSize(), B) : B;
  TToolbarLayout L = OrderToolbarItems(It, O, FFloatRightX, Row, CanMoveControls);
  if (CanMoveControls) {
    FLines = L.Lines;
    for (size_t I = 0; I < C.size(); ++I) C[I]->SetBounds(It[I].Left, It[I].Top, It[I].Width, It[I].Height);
    Invalidate();
  }
  return {L.Width, L.Height};
}

void TCustomToolbarX::ReadPositionData(const TPositionReadInt& Read) { FFloatRightX = Read("FloatRightX", 0); }
void TCustomToolbarX::WritePositionData(const TPositionWriteInt& Write) { Write("FloatRightX", FFloatRightX); }

bool TCustomToolbarX::ChildControlTransparent(TControl* C) { return dynamic_cast<TToolbarSepX*>(C) != nullptr; }

void TCustomToolbarX::Paint() {
  TCustomToolWindowX::Paint();
  if (Docked()) return;
  HDC DC = Canvas()->Handle();
  int W = ClientWidth();
  for (const TSeparatorLine& L : FLines) {
    if (L.Blank) continue;
    RECT S{1, L.Y - 4, W - 1, L.Y - 3}, H{1, L.Y - 3, W - 1, L.Y - 2};
    FillRect(DC, &S, GetSysColorBrush(COLOR_BTNSHADOW));
    FillRect(DC, &H, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
  }
}

std::vector<TFloatSize> TCustomToolbarX::FloatSizes(bool SizingHeight) {
  std::vector<TControl*> C;
  SIZE Frame = AddNonClientSize({0, 0}, dtNotDocked);
  return FloatSizeList(Items(C), Frame.cx, Frame.cy, SizingHeight);
}

void TCustomToolbarX::BeginFloatResize(UINT HitTest) {
  FSizeEdge = HitTest;
  FSavedFloatRightX = FFloatRightX;
  FNewFloatRightX = FFloatRightX;
  const bool SizingHeight = HitTest == HTTOP || HitTest == HTBOTTOM;
  FSizes = FloatSizes(SizingHeight);
  RECT R;
  GetWindowRect(Handle(), &R);
  FStartRect = R;
  FLastSize = SizingHeight ? R.bottom - R.top : R.right - R.left;
  FLastGrowing = false;
  FMoved = false;
}

void TCustomToolbarX::FloatResizeStep(UINT HitTest, TRect& R) {
  const bool SizingHeight = HitTest == HTTOP || HitTest == HTBOTTOM;
  std::vector<int> Dim;
  for (const TFloatSize& S : FSizes) Dim.push_back(SizingHeight ? S.Height : S.Width);
  const int Current = SizingHeight ? FStartRect.bottom - FStartRect.top : FStartRect.right - FStartRect.left;
  int Proposed = SizingHeight ? R.bottom - R.top : R.right - R.left;
  bool Growing = Proposed > FLastSize;
  bool Reset = !FMoved || Growing != FLastGrowing;
  int Pick = SnapFloatSize(Dim, Current, Proposed, Reset, FloatDeadZone(Dim, Current));
  FLastGrowing = Growing;
  size_t Index = static_cast<size_t>(std::find(Dim.begin(), Dim.end(), Pick) - Dim.begin());
  TFloatSize S = FSizes[Index];
  TRect Out = FStartRect;
  if (HitTest == HTLEFT || HitTest == HTTOP) {
    Out.left = Out.right - S.Width;
    Out.top = Out.bottom - S.Height;
  } else {
    Out.right = Out.left + S.Width;
    Out.bottom = Out.top + S.Height;
  }
  // Which entry is the unwrapped one: the widest.
  int Widest = 0;
  for (const TFloatSize& F : FSizes) Widest = std::max(Widest, F.Width);
  FNewFloatRightX = S.Width == Widest ? 0 : S.Width - 2 * FloatFrameWidth();
  FMoved = FMoved || Out.left != FStartRect.left || Out.top != FStartRect.top || Out.right != FStartRect.right ||
           Out.bottom != FStartRect.bottom;
  FLastSize = SizingHeight ? Out.bottom - Out.top : Out.right - Out.left;
  R = Out;
}

void TCustomToolbarX::EndFloatResize(bool Accepted) {
  if (Accepted) {
    FFloatRightX = FNewFloatRightX;
    ArrangeControls();
  }
  FSizes.clear();
}

TToolbarSepX::TToolbarSepX(TComponent* AOwner) : TGraphicControl(AOwner) {
  FWidth = 6;
  FHeight = 6;
  // The press starts the toolbar's drag loop, which takes the capture.
  FControlStyle &= ~csCaptureMouse;
}

void TToolbarSepX::SetParent(TWinControl* AParent) {
  if (AParent && !dynamic_cast<TCustomToolbarX*>(AParent))
    throw EInvalidOperation("TToolbarSepX can only be placed on a TToolbarX");
  TGraphicControl::SetParent(AParent);
}

void TToolbarSepX::SetBlank(bool Value) {
  FBlank = Value;
  Invalidate();
}

void TToolbarSepX::SetSizeHorz(int Value) {
  FSizeHorz = Value;
  if (auto* T = dynamic_cast<TCustomToolbarX*>(Parent())) T->ArrangeControls();
}

void TToolbarSepX::SetSizeVert(int Value) {
  FSizeVert = Value;
  if (auto* T = dynamic_cast<TCustomToolbarX*>(Parent())) T->ArrangeControls();
}

void TToolbarSepX::Paint() {
  if (FBlank) return;
  auto* T = dynamic_cast<TCustomToolbarX*>(Parent());
  HDC DC = Canvas()->Handle();
  bool Vert = T && T->DockedTo() && T->DockedTo()->Vertical();
  if (Vert) {
    RECT S{0, FHeight / 2 - 1, FWidth, FHeight / 2}, H{0, FHeight / 2, FWidth, FHeight / 2 + 1};
    FillRect(DC, &S, GetSysColorBrush(COLOR_BTNSHADOW));
    FillRect(DC, &H, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
  } else {
    RECT S{FWidth / 2 - 1, 0, FWidth / 2, FHeight}, H{FWidth / 2, 0, FWidth / 2 + 1, FHeight};
    FillRect(DC, &S, GetSysColorBrush(COLOR_BTNSHADOW));
    FillRect(DC, &H, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
  }
}

void TToolbarSepX::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  // A press on a separator drags the toolbar.
  auto* T = dynamic_cast<TCustomToolbarX*>(Parent());
  if (!T || Button != mbLeft || (Shift & ssDouble)) return;
  if (T->DockedTo() && !T->DockedTo()->AllowDrag()) return;
  RECT W;
  GetWindowRect(T->Handle(), &W);
  POINT P{FLeft + X, FTop + Y};
  ::ClientToScreen(T->Handle(), &P);
  T->BeginMoving(P.x - W.left, P.y - W.top);
}
