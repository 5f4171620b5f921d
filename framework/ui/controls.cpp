#include "framework/ui/controls.h"

#include <windowsx.h>

#include <algorithm>

#include "framework/ui/forms.h"
#include "framework/ui/menus.h"

namespace {

const wchar_t kControlProp[] = L"Morv.Control";
const wchar_t kChainProp[] = L"Morv.Subclass";

thread_local TWinControl* gCreationControl = nullptr;
TControl* gMouseControl = nullptr;
HWND gMouseWindow = nullptr;
int gNextControlId = 100;

struct TClassInfo {
  WNDPROC DefProc;
};
std::map<std::wstring, TClassInfo>& Classes() {
  static std::map<std::wstring, TClassInfo> classes;
  return classes;
}
std::map<ATOM, WNDPROC>& AtomProcs() {
  static std::map<ATOM, WNDPROC> procs;
  return procs;
}

bool IsMouseButtonDown(UINT Msg) {
  return Msg == WM_LBUTTONDOWN || Msg == WM_RBUTTONDOWN || Msg == WM_MBUTTONDOWN || Msg == WM_LBUTTONDBLCLK ||
         Msg == WM_RBUTTONDBLCLK || Msg == WM_MBUTTONDBLCLK;
}
bool IsMouseButtonUp(UINT Msg) { return Msg == WM_LBUTTONUP || Msg == WM_RBUTTONUP || Msg == WM_MBUTTONUP; }

}  // namespace

LRESULT CALLBACK LayerWndProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);

HINSTANCE ModuleInstance() { return GetModuleHandleW(nullptr); }

void InitCommonControlsOnce() {
  static bool done = [] {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_USEREX_CLASSES | ICC_COOL_CLASSES |
                                              ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_PROGRESS_CLASS |
                                              ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    return true;
  }();
  (void)done;
}

TShiftState MouseShiftState(WPARAM Keys) {
  TShiftState s = 0;
  if (Keys & MK_SHIFT) s |= ssShift;
  if (Keys & MK_CONTROL) s |= ssCtrl;
  if (Keys & MK_LBUTTON) s |= ssLeft;
  if (Keys & MK_RBUTTON) s |= ssRight;
  if (Keys & MK_MBUTTON) s |= ssMiddle;
  if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
  return s;
}

TShiftState KeyboardShiftState() {
  TShiftState s = 0;
  if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
  if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
  return s;
}

void HandleLayerException(TObject* Sender) {
  if (Application) Application->HandleException(Sender);
}

// ---- TControl ------------------------------------------------------------

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {
  FFont.OnChange = [this](TObject*) {
    if (!FUpdatingFromParent) FParentFont = false;
    FontChanged();
  };
}

TControl::~TControl() {
  FComponentState |= csDestroying;
  if (gMouseControl == this) gMouseControl = nullptr;
  if (Screen) Screen->ControlDestroyed(this);
  FFont.OnChange = nullptr;
  if (FParent) FParent->RemoveControl(this);
}

void TControl::SetParent(TWinControl* AParent) {
  if (AParent == FParent) return;
  if (AParent == this) throw Exception("A control cannot have itself as its parent");
  if (FParent) FParent->RemoveControl(this);
  if (AParent) AParent->InsertControl(this);
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  AWidth = std::max(AWidth, 0);
  AHeight = std::max(AHeight, 0);
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
  bool resized = AWidth != FWidth || AHeight != FHeight;
  Invalidate();
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
  Invalidate();
  RequestAlign();
  if (resized) Resize();
}

TRect TControl::ClientRect() { return Rect(0, 0, FWidth, FHeight); }

void TControl::SetClientWidth(int Value) { SetWidth(FWidth - ClientWidth() + Value); }
void TControl::SetClientHeight(int Value) { SetHeight(FHeight - ClientHeight() + Value); }

TPoint TControl::ClientToScreen(TPoint P) {
  if (auto* w = dynamic_cast<TWinControl*>(this)) {
    ::ClientToScreen(w->Handle(), &P);
    return P;
  }
  if (!FParent) return P;
  return FParent->ClientToScreen(Point(P.x + FLeft, P.y + FTop));
}

TPoint TControl::ScreenToClient(TPoint P) {
  if (auto* w = dynamic_cast<TWinControl*>(this)) {
    ::ScreenToClient(w->Handle(), &P);
    return P;
  }
  if (!FParent) return P;
  TPoint q = FParent->ScreenToClient(P);
  return Point(q.x - FLeft, q.y - FTop);
}

void TControl::SetAlign(TAlign Value) {
  if (Value == FAlign) return;
  FAlign = Value;
  if (FParent) FParent->Realign();
}

void TControl::RequestAlign() {
  if (FParent && FAlign != alNone && !Destroying()) FParent->Realign();
}

void TControl::SetVisible(bool Value) {
  if (Value == FVisible) return;
  FVisible = Value;
  VisibleChanged();
  if (FParent && FAlign != alNone) FParent->Realign();
}

void TControl::VisibleChanged() {
  if (FParent && FParent->HandleAllocated()) {
    TRect r = BoundsRect();
    InvalidateRect(FParent->Handle(), &r, TRUE);
  }
}

void TControl::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  EnabledChanged();
}

std::string TControl::Text() { return FText; }

void TControl::SetText(const std::string& Value) {
  if (Value == FText) return;
  FText = Value;
  TextChanged();
}

void TControl::SetColor(TColor Value) {
  if (!FUpdatingFromParent) FParentColor = false;
  if (Value == FColor) return;
  FColor = Value;
  ColorChanged();
  if (auto* w = dynamic_cast<TWinControl*>(this))
    for (int i = 0; i < w->ControlCount(); ++i) w->Controls(i)->ParentColorChanged();
}

void TControl::SetParentColor(bool Value) {
  FParentColor = Value;
  if (Value) ParentColorChanged();
}

void TControl::ParentColorChanged() {
  if (!FParentColor || !FParent) return;
  FUpdatingFromParent = true;
  SetColor(FParent->Color());
  FUpdatingFromParent = false;
}

void TControl::SetParentFont(bool Value) {
  FParentFont = Value;
  if (Value) ParentFontChanged();
}

void TControl::ParentFontChanged() {
  if (!FParentFont || !FParent) return;
  FUpdatingFromParent = true;
  FFont.Assign(FParent->Font());
  FUpdatingFromParent = false;
}

void TControl::FontChanged() { Invalidate(); }

void TControl::SetPopupMenu(TPopupMenu* Value) {
  if (Value == FPopupMenu) return;
  FPopupMenu = Value;
  if (Value) Value->FreeNotification(this);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FPopupMenu) FPopupMenu = nullptr;
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
  TMessage m{Msg, WParam, LParam, 0};
  WndProc(m);
  return m.Result;
}

void TControl::WndProc(TMessage& Message) {
  auto it = FMessageHandlers.find(Message.Msg);
  if (it != FMessageHandlers.end()) {
    TMessageHandler handler = it->second;
    handler(Message);
    return;
  }
  Dispatch(Message);
}

void TControl::SetMessageHandler(UINT Msg, TMessageHandler Handler) {
  if (Handler)
    FMessageHandlers[Msg] = std::move(Handler);
  else
    FMessageHandlers.erase(Msg);
}

void TControl::DefaultHandler(TMessage& Message) { Message.Result = 0; }

void TControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: {
      DefaultHandler(Message);
      TMouseButton b = (Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK)   ? mbLeft
                       : (Message.Msg == WM_RBUTTONDOWN || Message.Msg == WM_RBUTTONDBLCLK) ? mbRight
                                                                                            : mbMiddle;
      bool dbl = Message.Msg == WM_LBUTTONDBLCLK || Message.Msg == WM_RBUTTONDBLCLK || Message.Msg == WM_MBUTTONDBLCLK;
      TShiftState s = MouseShiftState(Message.WParam);
      if (dbl) s |= ssDouble;
      if (b == mbLeft && (FControlStyle & csClickEvents)) FClicked = true;
      if (dbl && b == mbLeft && (FControlStyle & csDoubleClicks)) DblClick();
      MouseDown(b, s, GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
      return;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      DefaultHandler(Message);
      TMouseButton b = Message.Msg == WM_LBUTTONUP ? mbLeft : Message.Msg == WM_RBUTTONUP ? mbRight : mbMiddle;
      int x = GET_X_LPARAM(Message.LParam), y = GET_Y_LPARAM(Message.LParam);
      MouseUp(b, MouseShiftState(Message.WParam), x, y);
      if (b == mbLeft && FClicked) {
        FClicked = false;
        TRect r = ClientRect();
        POINT p{x, y};
        if (PtInRect(&r, p)) Click();
      }
      return;
    }
    case WM_MOUSEMOVE:
      DefaultHandler(Message);
      MouseMove(MouseShiftState(Message.WParam), GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
      return;
    case CM_MOUSEENTER:
      MouseEnter();
      return;
    case CM_MOUSELEAVE:
      MouseLeave();
      return;
    default:
      DefaultHandler(Message);
  }
}

void TControl::Invalidate() {
  if (!FParent || !FParent->HandleAllocated() || !FVisible) return;
  TRect r = BoundsRect();
  InvalidateRect(FParent->Handle(), &r, (FControlStyle & csOpaque) ? FALSE : TRUE);
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

void TControl::Update() {
  if (FParent && FParent->HandleAllocated()) UpdateWindow(FParent->Handle());
}

void TControl::BringToFront() {
  if (!FParent) return;
  auto& v = FParent->FControls;
  auto it = std::find(v.begin(), v.end(), this);
  if (it != v.end()) {
    v.erase(it);
    v.push_back(this);
  }
  if (auto* w = dynamic_cast<TWinControl*>(this)) {
    if (w->HandleAllocated()) SetWindowPos(w->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  } else {
    Invalidate();
  }
}

TCustomForm* TControl::GetParentForm() { return ::GetParentForm(this); }

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

bool TControl::PaletteChanged(bool Foreground) {
  if (!FVisible) return false;
  HPALETTE Palette = GetPalette();
  if (!Palette) return false;
  // A graphic control draws on its parent's window.
  auto* Own = dynamic_cast<TWinControl*>(this);
  TWinControl* Holder = Own ? Own : FParent;
  if (Holder && Holder->HandleAllocated()) {
    HWND Wnd = Holder->Handle();
    HDC DC = GetDC(Wnd);
    HPALETTE Old = SelectPalette(DC, Palette, !Foreground);
    if (RealizePalette(DC) != 0) Invalidate();
    SelectPalette(DC, Old, TRUE);
    ReleaseDC(Wnd, DC);
  }
  return true;
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseEnter() {
  if (OnMouseEnter) OnMouseEnter(this);
}

void TControl::MouseLeave() {
  if (OnMouseLeave) OnMouseLeave(this);
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

// ---- window procedure ----------------------------------------------------

LRESULT CALLBACK LayerWndProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto* control = static_cast<TWinControl*>(GetPropW(Window, kControlProp));
  if (!control) {
    control = gCreationControl;
    if (control) {
      gCreationControl = nullptr;
      control->FHandle = Window;
      SetPropW(Window, kControlProp, control);
    } else {
      auto it = AtomProcs().find(static_cast<ATOM>(GetClassWord(Window, GCW_ATOM)));
      WNDPROC def = it != AtomProcs().end() ? it->second : DefWindowProcW;
      return CallWindowProcW(def, Window, Msg, WParam, LParam);
    }
  }
  TMessage m{Msg, WParam, LParam, 0};
  control->MainWndProc(m);
  if (Msg == WM_NCDESTROY) {
    RemovePropW(Window, kControlProp);
    if (control->FHandle == Window) control->FHandle = nullptr;
  }
  return m.Result;
}

void TWinControl::MainWndProc(TMessage& Message) {
  try {
    WndProc(Message);
  } catch (...) {
    HandleLayerException(this);
  }
}

TWinControl* TWinControl::FindControl(HWND Window) {
  if (!Window) return nullptr;
  return static_cast<TWinControl*>(GetPropW(Window, kControlProp));
}

// ---- TWinControl ---------------------------------------------------------

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {
  FControlId = gNextControlId++;
  if (gNextControlId > 0xFFF0) gNextControlId = 100;
  FControlStyle |= csAcceptsControls;
}

TWinControl::~TWinControl() {
  FComponentState |= csDestroying;
  while (!FControls.empty()) {
    TControl* child = FControls.back();
    RemoveControl(child);
    delete child;
  }
  for (TWindowSubclass* s : FSubclasses) s->FControl = nullptr;
  if (FHandle) {
    HWND h = FHandle;
    RemovePropW(h, kControlProp);
    FHandle = nullptr;
    DestroyWindow(h);
  }
  FSubclasses.clear();
  if (FBrush) DeleteObject(FBrush);
}

HWND TWinControl::Handle() {
  if (!FHandle) CreateHandle();
  return FHandle;
}

void TWinControl::CreateParams(TCreateParams& Params) {
  Params.Caption = FText;
  Params.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (FVisible) Params.Style |= WS_VISIBLE;
  if (!FEnabled) Params.Style |= WS_DISABLED;
  if (FTabStop) Params.Style |= WS_TABSTOP;
  if (FControlStyle & csAcceptsControls) {
    Params.Style |= WS_CLIPCHILDREN;
    Params.ExStyle |= WS_EX_CONTROLPARENT;
  }
  Params.X = FLeft;
  Params.Y = FTop;
  Params.Width = FWidth;
  Params.Height = FHeight;
  if (FParent) Params.WndParent = FParent->Handle();
  Params.WinClassName = L"TWinControl";
}

void TWinControl::CreateWindowHandle(const TCreateParams& Params) {
  HMENU id = (Params.Style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(FControlId)) : nullptr;
  std::wstring caption = Widen(Params.Caption);
  TWinControl* saved = gCreationControl;
  gCreationControl = this;
  HWND h = CreateWindowExW(Params.ExStyle, Params.WinClassName.c_str(), caption.c_str(), Params.Style, Params.X,
                           Params.Y, Params.Width, Params.Height, Params.WndParent, id, ModuleInstance(), nullptr);
  gCreationControl = saved;
  if (!h) throw Exception("Error creating window " + Narrow(Params.WinClassName) + " (" + IntToStr(GetLastError()) + ")");
  if (!FHandle) {
    FHandle = h;
    SetPropW(h, kControlProp, this);
  }
}

void TWinControl::CreateWnd() {
  InitCommonControlsOnce();
  TCreateParams p;
  CreateParams(p);
  if (!p.WndParent && (p.Style & WS_CHILD)) throw Exception("Control '" + Name() + "' has no parent window");
  auto& classes = Classes();
  auto it = classes.find(p.WinClassName);
  if (it == classes.end()) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    WNDPROC def = DefWindowProcW;
    if (!p.SysClassName.empty()) {
      if (!GetClassInfoExW(nullptr, p.SysClassName.c_str(), &wc) &&
          !GetClassInfoExW(ModuleInstance(), p.SysClassName.c_str(), &wc))
        throw Exception("Window class " + Narrow(p.SysClassName) + " is not registered");
      def = wc.lpfnWndProc;
      wc.style &= ~CS_GLOBALCLASS;
    } else {
      wc.style = p.WindowClassStyle;
      wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
      wc.hbrBackground = p.Background;
    }
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = LayerWndProc;
    wc.hInstance = ModuleInstance();
    wc.lpszClassName = p.WinClassName.c_str();
    wc.lpszMenuName = nullptr;
    ATOM atom = RegisterClassExW(&wc);
    if (!atom && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
      throw Exception("Cannot register window class " + Narrow(p.WinClassName));
    if (atom) AtomProcs()[atom] = def;
    it = classes.emplace(p.WinClassName, TClassInfo{def}).first;
  }
  FDefWndProc = it->second.DefProc;
  FCreating = true;
  try {
    CreateWindowHandle(p);
  } catch (...) {
    FCreating = false;
    throw;
  }
  FCreating = false;
  SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Handle()), FALSE);
  UpdateBounds();
}

void TWinControl::CreateHandle() {
  if (FHandle) return;
  if (FParent && !FParent->HandleAllocated()) {
    FParent->CreateHandle();
    if (FHandle) return;
  }
  CreateWnd();
  for (TWindowSubclass* s : FSubclasses)
    if (!s->FWindow) s->Install(FHandle);
  for (TControl* c : std::vector<TControl*>(FControls))
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->CreateHandle();
  Realign();
}

void TWinControl::DestroyWnd() {
  if (!FHandle) return;
  FText = Text();
  HWND h = FHandle;
  DestroyWindow(h);
  FHandle = nullptr;
}

void TWinControl::DestroyHandle() {
  if (!FHandle) return;
  for (TControl* c : FControls)
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
  DestroyWnd();
}

void TWinControl::RecreateWnd() {
  if (!FHandle) return;
  bool hadFocus = Focused();
  // A form shows itself after creation, not through its style: a shown
  // window must come back shown.
  const bool wasShown = IsWindowVisible(FHandle);
  FRecreating = true;
  try {
    DestroyHandle();
    CreateHandle();
  } catch (...) {
    FRecreating = false;
    throw;
  }
  FRecreating = false;
  if (wasShown && FHandle && !IsWindowVisible(FHandle)) ShowWindow(FHandle, SW_SHOWNA);
  if (hadFocus && FHandle) ::SetFocus(FHandle);
}

void TWinControl::UpdateBounds() {
  if (!FHandle) return;
  RECT r;
  GetWindowRect(FHandle, &r);
  if (GetWindowLongW(FHandle, GWL_STYLE) & WS_CHILD) {
    HWND parent = GetParent(FHandle);
    if (parent) MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
  }
  FLeft = r.left;
  FTop = r.top;
  FWidth = r.right - r.left;
  FHeight = r.bottom - r.top;
}

void TWinControl::InsertControl(TControl* AControl) {
  if (!AControl || AControl->FParent == this) return;
  FControls.push_back(AControl);
  AControl->FParent = this;
  if (AControl->FParentFont) AControl->ParentFontChanged();
  if (AControl->FParentColor) AControl->ParentColorChanged();
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
    if (FHandle) w->CreateHandle();
  } else {
    AControl->Invalidate();
  }
  if (AControl->FAlign != alNone) Realign();
}

void TWinControl::RemoveControl(TControl* AControl) {
  auto it = std::find(FControls.begin(), FControls.end(), AControl);
  if (it == FControls.end()) return;
  if (gMouseControl == AControl) gMouseControl = nullptr;
  if (FCaptureControl == AControl) FCaptureControl = nullptr;
  if (!(AControl->FComponentState & csDestroying))
    if (auto* w = dynamic_cast<TWinControl*>(AControl)) w->DestroyHandle();
  if (FHandle && AControl->FVisible && !dynamic_cast<TWinControl*>(AControl)) {
    TRect r = AControl->BoundsRect();
    InvalidateRect(FHandle, &r, TRUE);
  }
  FControls.erase(std::find(FControls.begin(), FControls.end(), AControl));
  AControl->FParent = nullptr;
  if (AControl->FAlign != alNone && !Destroying()) Realign();
}

TControl* TWinControl::ControlAtPos(TPoint P, bool AllowDisabled) {
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
    TControl* c = *it;
    if (!c->FVisible || (!AllowDisabled && !c->FEnabled)) continue;
    TRect r = c->BoundsRect();
    if (PtInRect(&r, P)) return c;
  }
  return nullptr;
}

void TWinControl::AdjustClientRect(TRect&) {}

void TWinControl::AlignControls(TControl*, TRect& R) {
  static const TAlign order[] = {alTop, alBottom, alLeft, alRight, alClient};
  for (TAlign a : order) {
    for (TControl* c : std::vector<TControl*>(FControls)) {
      if (c->FAlign != a || !c->FVisible) continue;
      int w = std::max<int>(R.right - R.left, 0), h = std::max<int>(R.bottom - R.top, 0);
      switch (a) {
        case alTop:
          c->SetBounds(R.left, R.top, w, c->FHeight);
          R.top += c->FHeight;
          break;
        case alBottom:
          c->SetBounds(R.left, R.bottom - c->FHeight, w, c->FHeight);
          R.bottom -= c->FHeight;
          break;
        case alLeft:
          c->SetBounds(R.left, R.top, c->FWidth, h);
          R.left += c->FWidth;
          break;
        case alRight:
          c->SetBounds(R.right - c->FWidth, R.top, c->FWidth, h);
          R.right -= c->FWidth;
          break;
        case alClient:
          c->SetBounds(R.left, R.top, w, h);
          break;
        default:
          break;
      }
    }
  }
}

void TWinControl::Realign() {
  if (FAlignLevel > 0) {
    FAlignPending = true;
    return;
  }
  if (Destroying()) return;
  bool any = false;
  for (TControl* c : FControls)
    if (c->FAlign != alNone) any = true;
  if (!any) return;
  ++FAlignLevel;
  TRect r = ClientRect();
  AdjustClientRect(r);
  AlignControls(nullptr, r);
  --FAlignLevel;
  FAlignPending = false;
}

void TWinControl::EnableAlign() {
  if (FAlignLevel > 0) --FAlignLevel;
  if (FAlignLevel == 0 && FAlignPending) Realign();
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  AWidth = std::max(AWidth, 0);
  AHeight = std::max(AHeight, 0);
  if (FHandle) {
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
    SetWindowPos(FHandle, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    RequestAlign();
    return;
  }
  TControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  Realign();
}

TRect TWinControl::ClientRect() {
  if (FHandle) {
    RECT r;
    GetClientRect(FHandle, &r);
    return r;
  }
  return TControl::ClientRect();
}

std::string TWinControl::Text() {
  if (!FHandle) return FText;
  int n = GetWindowTextLengthW(FHandle);
  std::wstring w(static_cast<size_t>(n) + 1, L'\0');
  n = GetWindowTextW(FHandle, w.data(), n + 1);
  w.resize(static_cast<size_t>(std::max(n, 0)));
  return Narrow(w);
}

void TWinControl::SetText(const std::string& Value) {
  if (Value == Text()) return;
  FText = Value;
  if (FHandle) SetWindowTextW(FHandle, Widen(Value).c_str());
  Perform(CM_TEXTCHANGED, 0, 0);
  TextChanged();
}

void TWinControl::Invalidate() {
  if (FHandle) InvalidateRect(FHandle, nullptr, (FControlStyle & csOpaque) ? FALSE : TRUE);
}

bool TWinControl::PaletteChanged(bool Foreground) {
  if (!FVisible) return false;
  bool Result = TControl::PaletteChanged(Foreground);
  for (auto It = FControls.rbegin(); It != FControls.rend(); ++It) {
    if (Foreground && Result) break;
    Result = (*It)->PaletteChanged(Foreground) || Result;
  }
  return Result;
}

bool TWinControl::Focused() { return FHandle && GetFocus() == FHandle; }

bool TWinControl::CanFocus() {
  for (TControl* c = this; c; c = c->FParent)
    if (!c->FVisible || !c->FEnabled) return false;
  return true;
}

void TWinControl::SetFocus() {
  if (TCustomForm* f = GetParentForm(); f && f != this) {
    f->FocusControl(this);
    return;
  }
  ::SetFocus(Handle());
}

void TWinControl::SetTabStop(bool Value) {
  if (Value == FTabStop) return;
  FTabStop = Value;
  if (FHandle) {
    LONG s = GetWindowLongW(FHandle, GWL_STYLE);
    SetWindowLongW(FHandle, GWL_STYLE, Value ? (s | WS_TABSTOP) : (s & ~WS_TABSTOP));
  }
}

int TWinControl::TabOrder() const {
  if (!FParent) return -1;
  int i = 0;
  for (TControl* c : FParent->FControls) {
    if (c == this) return i;
    if (dynamic_cast<TWinControl*>(c)) ++i;
  }
  return -1;
}

void TWinControl::SetTabOrder(int Value) {
  if (!FParent) return;
  auto& v = FParent->FControls;
  v.erase(std::find(v.begin(), v.end(), this));
  int i = 0;
  auto pos = v.end();
  for (auto it = v.begin(); it != v.end(); ++it) {
    if (!dynamic_cast<TWinControl*>(*it)) continue;
    if (i == Value) {
      pos = it;
      break;
    }
    ++i;
  }
  pos = v.insert(pos, this);
  if (FHandle) {
    HWND after = HWND_TOP;
    for (auto it = v.begin(); it != pos; ++it)
      if (auto* w = dynamic_cast<TWinControl*>(*it); w && w->FHandle) after = w->FHandle;
    SetWindowPos(FHandle, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void TWinControl::FontChanged() {
  if (FHandle) {
    SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Handle()), TRUE);
    Invalidate();
  }
  for (TControl* c : FControls) c->ParentFontChanged();
}

void TWinControl::ColorChanged() {
  Invalidate();
}

void TWinControl::VisibleChanged() {
  if (FHandle) ShowWindow(FHandle, FVisible ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::EnabledChanged() {
  if (FHandle) EnableWindow(FHandle, FEnabled);
}

HBRUSH TWinControl::BrushHandle() {
  if (!FBrush || FBrushColor != FColor) {
    if (FBrush) DeleteObject(FBrush);
    FBrush = CreateSolidBrush(ColorToRGB(FColor));
    FBrushColor = FColor;
  }
  return FBrush;
}

bool TWinControl::EraseBackground(HDC DC) {
  RECT r;
  GetClientRect(FHandle, &r);
  ::FillRect(DC, &r, BrushHandle());
  return true;
}

void TWinControl::PaintControls(HDC DC, TControl* First) {
  bool started = First == nullptr;
  for (TControl* c : std::vector<TControl*>(FControls)) {
    if (!started) {
      started = c == First;
      if (!started) continue;
    }
    if (!c->FVisible || dynamic_cast<TWinControl*>(c)) continue;
    TRect r = c->BoundsRect();
    if (!RectVisible(DC, &r)) continue;
    int saved = SaveDC(DC);
    POINT org;
    GetViewportOrgEx(DC, &org);
    SetViewportOrgEx(DC, org.x + c->FLeft, org.y + c->FTop, nullptr);
    IntersectClipRect(DC, 0, 0, c->FWidth, c->FHeight);
    c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
    RestoreDC(DC, saved);
  }
}

void TWinControl::KeyDown(WORD& Key, TShiftState Shift) {
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(WORD& Key, TShiftState Shift) {
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(char& Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

bool TWinControl::ReflectToChild(TMessage& Message) {
  HWND child = nullptr;
  switch (Message.Msg) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
      child = reinterpret_cast<HWND>(Message.LParam);
      break;
    case WM_NOTIFY:
      child = reinterpret_cast<NMHDR*>(Message.LParam)->hwndFrom;
      break;
    case WM_DRAWITEM: {
      auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
      if (d->CtlType == ODT_MENU) return false;
      child = d->hwndItem;
      break;
    }
    case WM_MEASUREITEM: {
      auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
      if (m->CtlType == ODT_MENU) return false;
      child = GetDlgItem(FHandle, static_cast<int>(m->CtlID));
      break;
    }
    case WM_COMPAREITEM:
      child = reinterpret_cast<COMPAREITEMSTRUCT*>(Message.LParam)->hwndItem;
      break;
    case WM_DELETEITEM:
      child = reinterpret_cast<DELETEITEMSTRUCT*>(Message.LParam)->hwndItem;
      break;
    default:
      return false;
  }
  TWinControl* target = FindControl(child);
  if (!target || target == this) return false;
  Message.Result = target->Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam);
  return true;
}

void TWinControl::HandleCtlColor(TMessage& Message) {
  HDC dc = reinterpret_cast<HDC>(Message.WParam);
  SetTextColor(dc, ColorToRGB(FFont.Color()));
  SetBkColor(dc, ColorToRGB(FColor));
  Message.Result = reinterpret_cast<LRESULT>(BrushHandle());
}

void TWinControl::DefaultHandler(TMessage& Message) {
  if (Message.Msg >= CN_BASE && Message.Msg < CN_BASE + 0x400) {
    switch (Message.Msg) {
      case CN_CTLCOLOREDIT:
      case CN_CTLCOLORLISTBOX:
      case CN_CTLCOLORBTN:
      case CN_CTLCOLORSTATIC:
        HandleCtlColor(Message);
        return;
      default:
        Message.Result = 0;
        return;
    }
  }
  if (Message.Msg >= CM_BASE && Message.Msg < CN_BASE) {
    Message.Result = 0;
    return;
  }
  if (FHandle && FDefWndProc)
    Message.Result = CallWindowProcW(FDefWndProc, FHandle, Message.Msg, Message.WParam, Message.LParam);
  else
    Message.Result = 0;
}

void TWinControl::UpdateMouseControl(TControl* Target) {
  if (Target == gMouseControl) return;
  TControl* old = gMouseControl;
  gMouseControl = Target;
  if (old) old->Perform(CM_MOUSELEAVE, 0, 0);
  if (Target && gMouseControl == Target) {
    Target->Perform(CM_MOUSEENTER, 0, 0);
    if (Application) Application->SetHint(Target->Hint());
  }
}

bool TWinControl::IsControlMouseMsg(TMessage& Message) {
  if (Message.Msg < WM_MOUSEFIRST || Message.Msg > WM_MBUTTONDBLCLK) return false;
  POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
  TControl* target = FCaptureControl;
  if (!target) {
    target = ControlAtPos(p);
    if (target && dynamic_cast<TWinControl*>(target)) target = nullptr;
  }
  if (Message.Msg == WM_MOUSEMOVE) {
    UpdateMouseControl(target ? target : this);
    if (gMouseWindow != FHandle || !target) {
      TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, FHandle, 0};
      TrackMouseEvent(&t);
      gMouseWindow = FHandle;
    }
  }
  if (!target) return false;
  if (IsMouseButtonDown(Message.Msg) && (target->FControlStyle & csCaptureMouse) && !FCaptureControl) {
    FCaptureControl = target;
    SetCapture(FHandle);
  }
  TMessage forward{Message.Msg, Message.WParam, MAKELPARAM(p.x - target->FLeft, p.y - target->FTop), 0};
  target->WndProc(forward);
  if (IsMouseButtonUp(Message.Msg) && FCaptureControl) {
    FCaptureControl = nullptr;
    if (GetCapture() == FHandle) ReleaseCapture();
  }
  Message.Result = forward.Result;
  return true;
}

void TWinControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_COMMAND:
      if (ReflectToChild(Message)) return;
      if (Message.LParam == 0 && HIWORD(Message.WParam) == 0) {
        if (TMenuItem* item = FindMenuItemByCommand(LOWORD(Message.WParam))) {
          item->Click();
          Message.Result = 0;
          return;
        }
      }
      break;
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_COMPAREITEM:
    case WM_DELETEITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (ReflectToChild(Message)) return;
      if (Message.Msg == WM_DRAWITEM || Message.Msg == WM_MEASUREITEM) {
        if (MenuOwnerDraw(Message)) return;
      }
      break;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
      if (ReflectToChild(Message)) return;
      break;
    case WM_INITMENUPOPUP:
      MenuInitPopup(reinterpret_cast<HMENU>(Message.WParam));
      break;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      if (IsControlMouseMsg(Message)) return;
      TControl::Dispatch(Message);
      return;
    case WM_MOUSELEAVE:
      gMouseWindow = nullptr;
      if (gMouseControl == this || (gMouseControl && gMouseControl->FParent == this &&
                                    !dynamic_cast<TWinControl*>(gMouseControl)))
        UpdateMouseControl(nullptr);
      break;
    case WM_CONTEXTMENU: {
      POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
      TControl* target = this;
      if (p.x != -1 || p.y != -1) {
        POINT c = p;
        ::ScreenToClient(FHandle, &c);
        if (TControl* g = ControlAtPos(c); g && !dynamic_cast<TWinControl*>(g)) target = g;
      } else {
        RECT r;
        GetWindowRect(FHandle, &r);
        p = POINT{r.left + 4, r.top + 4};
      }
      for (TControl* t = target; t; t = t->FParent) {
        if (t->FPopupMenu && t->FPopupMenu->AutoPopup()) {
          t->FPopupMenu->SetPopupComponent(t);
          t->FPopupMenu->Popup(p.x, p.y);
          Message.Result = 0;
          return;
        }
        if (dynamic_cast<TWinControl*>(t) && t != target && t != this) break;
      }
      break;
    }
    case WM_SETCURSOR:
      if (LOWORD(Message.LParam) == HTCLIENT && Screen) {
        TCursor c = Screen->Cursor();
        if (c == crDefault && reinterpret_cast<HWND>(Message.WParam) == FHandle) {
          POINT p;
          GetCursorPos(&p);
          ::ScreenToClient(FHandle, &p);
          TControl* t = ControlAtPos(p);
          if (!t || dynamic_cast<TWinControl*>(t)) t = this;
          c = t->FCursor;
        }
        if (c != crDefault) {
          ::SetCursor(Screen->Cursors(c));
          Message.Result = 1;
          return;
        }
      }
      break;
    case WM_SETFOCUS:
      DefaultHandler(Message);
      if (TCustomForm* f = GetParentForm(); f && f != this) f->FocusChanged(this);
      if (Screen) Screen->SetActiveControl(this);
      DoEnter();
      return;
    case WM_KILLFOCUS:
      DefaultHandler(Message);
      DoExit();
      return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      WORD key = static_cast<WORD>(Message.WParam);
      TShiftState shift = KeyboardShiftState();
      bool down = Message.Msg == WM_KEYDOWN || Message.Msg == WM_SYSKEYDOWN;
      TCustomForm* f = GetParentForm();
      if (f && f != this && f->KeyPreview()) {
        TWinControl* fw = f;
        if (down)
          fw->KeyDown(key, shift);
        else
          fw->KeyUp(key, shift);
      }
      if (key) {
        if (down)
          KeyDown(key, shift);
        else
          KeyUp(key, shift);
      }
      if (!key) {
        Message.Result = 0;
        return;
      }
      Message.WParam = key;
      break;
    }
    case WM_CHAR: {
      wchar_t wc = static_cast<wchar_t>(Message.WParam);
      char ch = 0;
      BOOL lossy = FALSE;
      if (WideCharToMultiByte(CP_ACP, 0, &wc, 1, &ch, 1, nullptr, &lossy) != 1 || lossy) break;
      char key = ch;
      TCustomForm* f = GetParentForm();
      if (f && f != this && f->KeyPreview()) static_cast<TWinControl*>(f)->KeyPress(key);
      if (key) KeyPress(key);
      if (!key) {
        Message.Result = 0;
        return;
      }
      if (key != ch) {
        wchar_t out = 0;
        MultiByteToWideChar(CP_ACP, 0, &key, 1, &out, 1);
        Message.WParam = out;
      }
      break;
    }
    case WM_SIZE:
      DefaultHandler(Message);
      UpdateBounds();
      Realign();
      Resize();
      return;
    case WM_MOVE:
      DefaultHandler(Message);
      UpdateBounds();
      return;
    case WM_PAINT: {
      bool graphicChildren = false;
      for (TControl* c : FControls)
        if (c->FVisible && !dynamic_cast<TWinControl*>(c)) graphicChildren = true;
      if (!graphicChildren) break;
      PAINTSTRUCT ps;
      HDC dc = Message.WParam ? reinterpret_cast<HDC>(Message.WParam) : BeginPaint(FHandle, &ps);
      WPARAM saved = Message.WParam;
      Message.WParam = reinterpret_cast<WPARAM>(dc);
      // A multi-line edit leaves its text rectangle as the clip region, which
      // would hide the controls drawn on it outside that rectangle.
      const int state = SaveDC(dc);
      DefaultHandler(Message);
      RestoreDC(dc, state);
      PaintControls(dc, nullptr);
      Message.WParam = saved;
      if (!saved) EndPaint(FHandle, &ps);
      Message.Result = 0;
      return;
    }
    case CM_TEXTCHANGED:
      Message.Result = 0;
      return;
    default:
      break;
  }
  TControl::Dispatch(Message);
}

// ---- TGraphicControl, TCustomControl ------------------------------------

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner), FCanvas(std::make_unique<TCanvas>()) {}

TGraphicControl::~TGraphicControl() { FComponentState |= csDestroying; }

void TGraphicControl::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_PAINT && Message.WParam) {
    FCanvas->SetHandle(reinterpret_cast<HDC>(Message.WParam));
    FCanvas->Font()->Assign(&FFont);
    try {
      Paint();
    } catch (...) {
      FCanvas->SetHandle(nullptr);
      throw;
    }
    FCanvas->SetHandle(nullptr);
    Message.Result = 0;
    return;
  }
  TControl::Dispatch(Message);
}

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner), FCanvas(std::make_unique<TCanvas>()) {}

TCustomControl::~TCustomControl() { FComponentState |= csDestroying; }

void TCustomControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = Message.WParam ? reinterpret_cast<HDC>(Message.WParam) : BeginPaint(FHandle, &ps);
      FCanvas->SetHandle(dc);
      FCanvas->Font()->Assign(&FFont);
      FCanvas->Brush()->SetColor(FColor);
      try {
        Paint();
        FCanvas->SetHandle(nullptr);
        PaintControls(dc, nullptr);
      } catch (...) {
        FCanvas->SetHandle(nullptr);
        if (!Message.WParam) EndPaint(FHandle, &ps);
        throw;
      }
      if (!Message.WParam) EndPaint(FHandle, &ps);
      Message.Result = 0;
      return;
    }
    case WM_ERASEBKGND:
      Message.Result = EraseBackground(reinterpret_cast<HDC>(Message.WParam)) ? 1 : 0;
      return;
    default:
      TWinControl::Dispatch(Message);
  }
}

// ---- subclassing ---------------------------------------------------------

struct TSubclassChain {
  HWND Window = nullptr;
  WNDPROC Prev = nullptr;
  std::vector<TWindowSubclass*> Entries;
  int Depth = 0;
  bool Dead = false;
  // The window is being destroyed: the chain goes, its subclasses stay bound
  // to their controls and are installed again on the next window.
  void WindowGone() {
    RemovePropW(Window, L"Morv.Subclass");
    SetWindowLongPtrW(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Prev));
    std::vector<TWindowSubclass*> entries = Entries;
    Entries.clear();
    Dead = true;
    for (TWindowSubclass* s : entries) s->FWindow = nullptr;
    for (TWindowSubclass* s : entries)
      if (s->OnWindowDestroyed) s->OnWindowDestroyed(s);
  }
};

static LRESULT CALLBACK ChainProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);

namespace {
TSubclassChain* ChainOf(HWND Window) { return static_cast<TSubclassChain*>(GetPropW(Window, kChainProp)); }

void ReleaseChainIfIdle(TSubclassChain* Chain) {
  if (Chain->Depth > 0) return;
  if (Chain->Dead) {
    delete Chain;
    return;
  }
  if (!Chain->Entries.empty()) return;
  if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(Chain->Window, GWLP_WNDPROC)) != ChainProc) return;
  SetWindowLongPtrW(Chain->Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Chain->Prev));
  RemovePropW(Chain->Window, kChainProp);
  delete Chain;
}
}  // namespace

static LRESULT CALLBACK ChainProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TSubclassChain* chain = ChainOf(Window);
  if (!chain) return DefWindowProcW(Window, Msg, WParam, LParam);
  ++chain->Depth;
  LRESULT result = 0;
  try {
    if (chain->Entries.empty())
      result = CallWindowProcW(chain->Prev, Window, Msg, WParam, LParam);
    else
      result = chain->Entries.back()->SubclassProc(Msg, WParam, LParam);
  } catch (...) {
    HandleLayerException(nullptr);
  }
  --chain->Depth;
  if (Msg == WM_NCDESTROY && !chain->Dead) chain->WindowGone();
  ReleaseChainIfIdle(chain);
  return result;
}

TWindowSubclass::~TWindowSubclass() { Detach(); }

void TWindowSubclass::Attach(TWinControl* Control) {
  Detach();
  if (!Control) return;
  FControl = Control;
  Control->FSubclasses.push_back(this);
  if (Control->HandleAllocated()) Install(Control->FHandle);
}

void TWindowSubclass::Attach(HWND Window) {
  Detach();
  if (Window) Install(Window);
}

void TWindowSubclass::Detach() {
  if (FControl) {
    auto& v = FControl->FSubclasses;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
    FControl = nullptr;
  }
  if (FWindow) Uninstall();
}

void TWindowSubclass::Install(HWND Window) {
  if (!IsWindow(Window)) return;
  TSubclassChain* chain = ChainOf(Window);
  if (!chain) {
    chain = new TSubclassChain;
    chain->Window = Window;
    chain->Prev = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(Window, GWLP_WNDPROC));
    SetPropW(Window, kChainProp, chain);
    SetWindowLongPtrW(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ChainProc));
  }
  chain->Entries.push_back(this);
  FWindow = Window;
}

void TWindowSubclass::Uninstall() {
  HWND w = FWindow;
  FWindow = nullptr;
  TSubclassChain* chain = ChainOf(w);
  if (!chain) return;
  auto& v = chain->Entries;
  v.erase(std::remove(v.begin(), v.end(), this), v.end());
  ReleaseChainIfIdle(chain);
}

LRESULT TWindowSubclass::SubclassProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (OnMessage) return OnMessage(this, Msg, WParam, LParam);
  return CallNext(Msg, WParam, LParam);
}

LRESULT TWindowSubclass::CallNext(UINT Msg, WPARAM WParam, LPARAM LParam) {
  HWND w = FWindow;
  TSubclassChain* chain = w ? ChainOf(w) : nullptr;
  if (!chain) return w ? DefWindowProcW(w, Msg, WParam, LParam) : 0;
  auto& v = chain->Entries;
  auto it = std::find(v.begin(), v.end(), this);
  if (it == v.end() || it == v.begin()) return CallWindowProcW(chain->Prev, w, Msg, WParam, LParam);
  return (*(it - 1))->SubclassProc(Msg, WParam, LParam);
}

// ---- utility windows -----------------------------------------------------

namespace {
std::map<HWND, std::function<void(HWND, TMessage&)>>& UtilWindows() {
  static std::map<HWND, std::function<void(HWND, TMessage&)>> windows;
  return windows;
}

LRESULT CALLBACK UtilWndProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto it = UtilWindows().find(Window);
  if (it == UtilWindows().end()) return DefWindowProcW(Window, Msg, WParam, LParam);
  auto handler = it->second;
  TMessage m{Msg, WParam, LParam, 0};
  try {
    handler(Window, m);
  } catch (...) {
    HandleLayerException(nullptr);
  }
  return m.Result;
}
}  // namespace

HWND AllocateHWnd(std::function<void(HWND Window, TMessage& Message)> Handler) {
  static bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = UtilWndProc;
    wc.hInstance = ModuleInstance();
    wc.lpszClassName = L"TPUtilWindow";
    return RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
  HWND h = CreateWindowExW(0, L"TPUtilWindow", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ModuleInstance(), nullptr);
  if (!h) throw Exception("Cannot create a utility window");
  UtilWindows()[h] = std::move(Handler);
  return h;
}

void DeallocateHWnd(HWND Window) {
  UtilWindows().erase(Window);
  if (Window) DestroyWindow(Window);
}
