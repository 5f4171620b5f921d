#include "controls/commands/linkedit.h"

#include <algorithm>

#include "controls/commands/core/fontfaces.h"

namespace {

// The white line between the text and the button.
class TLinkEditDivider : public TCustomControl {
 public:
  explicit TLinkEditDivider(TComponent* AOwner) : TCustomControl(AOwner) {
    FColor = clWhite;
    FParentColor = false;
    FWidth = 2;
  }

 protected:
  void Paint() override {
    Canvas()->Brush()->SetColor(clWhite);
    Canvas()->FillRect(ClientRect());
  }
};

}  // namespace

TCustomLinkEditX::TCustomLinkEditX(TComponent* AOwner) : TPlusEditX(AOwner) {
  FButton = new TToolbarButtonX(this);
  FButton->SetAllowAllUp(true);
  TBitmap G;
  G.LoadFromResourceName(GetModuleHandleW(nullptr), "ELLIPSIS");
  FButton->SetGlyph(&G);
  FButton->SetNumGlyphs(1);
  FButton->SetWidth(15);
  FButton->SetParent(this);
  FButton->OnClick = [this](TObject*) {
    FButton->Invalidate();
    if (OnButtonClick) OnButtonClick(this);
  };
  FButton->OnDblClick = [this](TObject*) {
    if (OnButtonDblClick) OnButtonDblClick(this);
  };
  FButton->OnMouseDown = [this](TObject*, TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (!Focused()) SetFocus();
    if (OnButtonMouseDown) OnButtonMouseDown(this, Button, Shift, X, Y);
  };
  FButton->OnMouseUp = [this](TObject*, TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnButtonMouseUp) OnButtonMouseUp(this, Button, Shift, X, Y);
  };
  FButton->OnMouseMove = [this](TObject*, TShiftState Shift, int X, int Y) {
    if (OnButtonMouseMove) OnButtonMouseMove(this, Shift, X, Y);
  };
  FButton->OnMouseEnter = [this](TObject*) {
    // The button keeps its flat look: it leaves its hot state at once.
    FButton->MouseLeft();
    if (OnButtonMouseEnter) OnButtonMouseEnter(this);
  };
  FButton->OnMouseExit = [this](TObject*) {
    if (OnButtonMouseExit) OnButtonMouseExit(this);
  };
  FDivider = new TLinkEditDivider(this);
  FDivider->SetParent(this);
  PlaceButton();
}

TCustomLinkEditX::~TCustomLinkEditX() { FButton = nullptr; }

void TCustomLinkEditX::SetBtnAllowDown(bool Value) { FButton->SetGroupIndex(Value ? 1 : 0); }

void TCustomLinkEditX::SetBtnWidth(int Value) {
  if (Value == FButton->Width()) return;
  FButton->SetBounds(FWidth - Value - 5, 0, Value, std::max(FHeight - 5, 1));
  if (HandleAllocated()) RecreateWnd();
  PlaceButton();
  SetEditRect();
}

void TCustomLinkEditX::SetButtonVisible(bool Value) {
  FButtonVisible = Value;
  FButton->SetVisible(Value);
  FDivider->SetVisible(Value);
  SetEditRect();
  RedrawBorder();
}

int TCustomLinkEditX::EditRight() { return FButtonVisible ? FDivider->Left() - 1 : ClientWidth(); }

void TCustomLinkEditX::SetEditRect() {
  if (!HandleAllocated()) return;
  RECT R{0, 0, EditRight(), ClientHeight() + 1};
  SendMessageW(FHandle, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&R));
}

void TCustomLinkEditX::PlaceButton() {
  if (!FButton) return;
  int W = FButton->Width();
  if (FWidth < W + 4) FWidth = W + 4;
  FButton->SetBounds(FWidth - W - 5, 0, W, std::max(FHeight - 5, 1));
  if (FDivider) FDivider->SetBounds(FButton->Left() - 2, FButton->Top(), 2, FButton->Height());
}

void TCustomLinkEditX::CreateWnd() {
  TPlusEditX::CreateWnd();
  SetEditRect();
}

void TCustomLinkEditX::Resize() {
  TPlusEditX::Resize();
  PlaceButton();
  SetEditRect();
}

bool TCustomLinkEditX::ButtonFrameHot() {
  if (!FButtonVisible) return false;
  if (FComponentState & csDesigning) return true;
  return (HandleAllocated() && GetFocus() == FHandle) || (FMouseIn && MouseBehaviour == mbEasyStyle);
}

void TCustomLinkEditX::BorderDrawn(HDC DC) {
  if (!FButtonVisible) return;
  RECT R{FButton->Left() + 1, FButton->Top() + 2, FButton->Left() + FButton->Width() + 3,
         FButton->Top() + FButton->Height() + 3};
  if (ButtonFrameHot()) {
    FrameRect(DC, &R, GetSysColorBrush(COLOR_BTNFACE));
    ++R.left;
    DrawEdge(DC, &R, BDR_RAISEDINNER, BF_LEFT | BF_TOP);
    DrawEdge(DC, &R, BDR_RAISEDINNER, BF_RIGHT | BF_BOTTOM);
  } else {
    DrawEdge(DC, &R, BDR_RAISEDINNER, BF_LEFT);
    ++R.left;
    FrameRect(DC, &R, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
  }
}

void TCustomLinkEditX::MouseEnter() {
  TPlusEditX::MouseEnter();
  FMouseIn = true;
  // Only the button's frame: the easy style's border is already drawn.
  if (HandleAllocated()) {
    HDC DC = GetWindowDC(FHandle);
    BorderDrawn(DC);
    ReleaseDC(FHandle, DC);
  }
}

void TCustomLinkEditX::MouseLeave() {
  FMouseIn = false;
  TPlusEditX::MouseLeave();  // redraws the border and the button's frame
}

void TCustomLinkEditX::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SETCURSOR: {
      POINT P;
      GetCursorPos(&P);
      ::ScreenToClient(FHandle, &P);
      if (FButtonVisible && P.x >= FWidth - FButton->Width() - FDivider->Width() && P.x < ClientWidth()) {
        ::SetCursor(LoadCursor(nullptr, IDC_ARROW));
        Message.Result = TRUE;
        return;
      }
      break;
    }
    case WM_CUT:
    case WM_PASTE:
      if (!EditorEnabled || ReadOnly()) {
        Message.Result = 0;
        return;
      }
      break;
    case WM_KILLFOCUS:
      FMouseIn = false;
      break;
    default:
      break;
  }
  TPlusEditX::Dispatch(Message);
}

TCBListView::TCBListView(TComponent* AOwner, TComboBoxX* Combo) : TListBox(AOwner), FCombo(Combo) {}

void TCBListView::CreateParams(TCreateParams& Params) {
  TListBox::CreateParams(Params);
  Params.Style = (Params.Style & ~static_cast<DWORD>(WS_CHILD)) | WS_POPUP | WS_BORDER;
  Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_STATICEDGE;
  Params.WindowClassStyle |= CS_SAVEBITS;
  // Top-level, owned by the combo, so that its owner-draw messages reach
  // the list through the combo.
  Params.WndParent = FCombo->HandleAllocated() ? FCombo->Handle() : nullptr;
}

void TCBListView::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_MOUSEMOVE: {
      LRESULT R = SendMessageW(FHandle, LB_ITEMFROMPOINT, 0, Message.LParam);
      if (HIWORD(R) == 0 && FEnabled) SetItemIndex(LOWORD(R));
      Message.Result = 0;
      return;
    }
    case WM_LBUTTONDOWN: {
      // A press outside closes the list; one on an item chooses it. No
      // click is passed on to any other window.
      POINT P{static_cast<short>(LOWORD(Message.LParam)), static_cast<short>(HIWORD(Message.LParam))};
      RECT C;
      GetClientRect(FHandle, &C);
      int Chosen = -1;
      if (PtInRect(&C, P)) {
        LRESULT R = SendMessageW(FHandle, LB_ITEMFROMPOINT, 0, Message.LParam);
        if (HIWORD(R) == 0) Chosen = LOWORD(R);
      }
      if (Chosen >= 0)
        FCombo->ItemChosen(Chosen);
      else
        FCombo->CloseUp();
      Message.Result = 0;
      return;
    }
    default:
      TListBox::Dispatch(Message);
  }
}

TComboBoxX::TComboBoxX(TComponent* AOwner) : TCustomLinkEditX(AOwner) {
  TBitmap G;
  G.LoadFromResourceName(GetModuleHandleW(nullptr), "DOWNBITMAP");
  Button()->SetGlyph(&G);
  SetBtnAllowDown(true);
  OnButtonClick = [this](TObject*) { BtnClick(); };
  FList = new TCBListView(this, this);
  FList->SetVisible(false);
  FList->SetEnabled(false);
  FList->SetParent(this);
}

bool TComboBoxX::DroppedDown() { return FList->HandleAllocated() && IsWindowVisible(FList->Handle()); }

void TComboBoxX::BtnClick() {
  if (OnDropDown) OnDropDown(this);
  RECT W;
  GetWindowRect(Handle(), &W);
  int Count = std::min(Items()->Count(), DropDownCount);
  int ItemH = FList->ItemHeight();
  int Shown = ItemH * Count;
  if (FStyle == csOwnerDrawVariable) {
    Shown = 0;
    // The items are measured here: the system does not ask the owner of a
    // pop-up list everywhere.
    HWND L = FList->Handle();
    for (int I = 0; I < Items()->Count(); ++I) {
      int Height = ItemH;
      if (OnMeasureItem) OnMeasureItem(FList, I, Height);
      Height = std::clamp(Height, 1, 255);
      SendMessageW(L, LB_SETITEMHEIGHT, static_cast<WPARAM>(I), Height);
      if (I < Count) Shown += Height;
    }
  }
  int H = FStyle >= csOwnerDrawFixed ? Shown + 3 : Shown + 4;
  FList->SetEnabled(true);
  FList->SetVisible(true);
  FList->SetBounds(W.left, W.bottom, W.right - W.left, std::max(H, 4));
  SetWindowPos(FList->Handle(), HWND_TOPMOST, W.left, W.bottom, W.right - W.left, std::max(H, 4),
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
  SetCapture(FList->Handle());
}

void TComboBoxX::CloseUp() {
  if (FList->HandleAllocated() && GetCapture() == FList->Handle()) ReleaseCapture();
  FList->SetEnabled(false);
  FList->SetVisible(false);
  ButtonUp();
}

void TComboBoxX::ItemChosen(int Index) {
  SetItemIndex(Index);
  SelectAll();
  CloseUp();
}

void TComboBoxX::SetItemIndex(int Value) {
  if (Value != FList->ItemIndex()) FList->SetItemIndex(Value);
  if (Value >= 0 && Value < Items()->Count()) SetText(Items()->Strings(Value));
  FLastIndex = FList->ItemIndex();
}

void TComboBoxX::SetStyle(TComboBoxStyle Value) {
  FStyle = Value;
  if (Value == csOwnerDrawFixed || Value == csOwnerDrawVariable)
    FList->OnDrawItem = [this](TWinControl* C, int I, TRect R, TOwnerDrawState S) {
      if (OnDrawItem) OnDrawItem(C, I, R, S);
    };
  else
    FList->OnDrawItem = nullptr;
  if (Value == csOwnerDrawVariable)
    FList->OnMeasureItem = [this](TWinControl* C, int I, int& H) {
      if (OnMeasureItem) OnMeasureItem(C, I, H);
    };
  else
    FList->OnMeasureItem = nullptr;
  // Last: a new list window measures its items at once.
  FList->SetStyle(Value == csOwnerDrawFixed      ? lbOwnerDrawFixed
                  : Value == csOwnerDrawVariable ? lbOwnerDrawVariable
                                                 : lbStandard);
  SetButtonVisible(Value != csSimple);
  ChangeColorOnFocus = Value == csDropDownList;
  EditorEnabled = Value != csDropDownList;
  KeyboardFilter = Value == csDropDownList ? kfAll : kfNone;
}

void TComboBoxX::KeyDown(WORD& Key, TShiftState Shift) {
  TCustomLinkEditX::KeyDown(Key, Shift);
  const int N = Items()->Count();
  int I = FList->ItemIndex();
  switch (Key) {
    case VK_RETURN:
    case VK_ESCAPE:
      CloseUp();
      return;
    case VK_PRIOR:
      if (N) SetItemIndex(0);
      return;
    case VK_NEXT:
      if (N) SetItemIndex(N - 1);
      return;
    case VK_UP:
      if (N) SetItemIndex(I < 0 ? 0 : std::max(I - 1, 0));
      Key = 0;
      return;
    case VK_DOWN:
      if (Shift == ssAlt) {
        ButtonDown();
        BtnClick();
      } else if (N) {
        SetItemIndex(I < 0 ? 0 : std::min(I + 1, N - 1));
      }
      Key = 0;
      return;
    default:
      return;
  }
}

namespace {
int CALLBACK CollectFace(const LOGFONTA* LF, const TEXTMETRICA*, DWORD Type, LPARAM Data) {
  reinterpret_cast<std::vector<TFontFace>*>(Data)->push_back({LF->lfFaceName, (Type & TRUETYPE_FONTTYPE) != 0});
  return 1;
}
}  // namespace

TFontComboBoxX::TFontComboBoxX(TComponent* AOwner) : TComboBoxX(AOwner) {
  FTrueTypeSign.LoadFromResourceName(GetModuleHandleW(nullptr), "TRUETYPESIGN2");
}

void TFontComboBoxX::CreateWnd() {
  TComboBoxX::CreateWnd();
  List()->SetSorted(true);
  OnDrawItem = [this](TWinControl* C, int I, TRect R, TOwnerDrawState S) { DrawFace(C, I, R, S); };
  SetStyle(csOwnerDrawFixed);
  SetItemHeight(14);
  FillList();
}

void TFontComboBoxX::DrawFace(TWinControl*, int Index, TRect Rect, TOwnerDrawState State) {
  TCanvas* C = List()->Canvas();
  C->FillRect(Rect);
  if (State == odSelected) DrawFocusRect(C->Handle(), &Rect);
  if (Index < 0 || Index >= Items()->Count()) return;
  std::string Face = Items()->Strings(Index);
  if (!Face.empty() && Face.back() == '*') {
    Face.pop_back();
    FTrueTypeSign.SetTransparentColor(FTrueTypeSign.Canvas()->Pixels(0, 10));
    FTrueTypeSign.SetTransparent(true);
    C->Draw(Rect.left + 2, Rect.top + 2, &FTrueTypeSign);
  }
  C->Brush()->SetStyle(bsClear);
  C->TextOut(Rect.left + 17, Rect.top, Face);
  C->Brush()->SetStyle(bsSolid);
}

void TFontComboBoxX::SetTrueTypeFontsOnly(bool Value) {
  if (Value == FTrueTypeOnly) return;
  FTrueTypeOnly = Value;
  FillList();
}

void TFontComboBoxX::FillList() {
  std::vector<TFontFace> Faces;
  LOGFONTA LF{};
  LF.lfCharSet = DEFAULT_CHARSET;
  HDC DC = GetDC(nullptr);
  EnumFontFamiliesExA(DC, &LF, CollectFace, reinterpret_cast<LPARAM>(&Faces), 0);
  ReleaseDC(nullptr, DC);
  Items()->Clear();
  for (const std::string& F : FontFaceList(Faces, FTrueTypeOnly)) Items()->Add(F);
}

void TFontComboBoxX::Change() {
  std::string T = Text();
  std::string Face = FontFaceName(T);
  if (Face != T) {
    SetText(Face);
    return;  // the new text comes back here
  }
  TComboBoxX::Change();
  if (OnFontChange) OnFontChange(this);
}
