#include "framework/ui/forms.h"

#include <algorithm>

#include "framework/ui/menus.h"
#include "framework/ui/stdctrls.h"

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

namespace {
int gFormsUnitCount = 0;
}

TFormsUnitInit::TFormsUnitInit() {
  if (gFormsUnitCount++ == 0) {
    Application = new TApplication();
    Screen = new TScreen(nullptr);
  }
}

TFormsUnitInit::~TFormsUnitInit() {
  if (--gFormsUnitCount == 0) {
    TApplication* app = Application;
    delete app;
    Application = nullptr;
    TScreen* screen = Screen;
    Screen = nullptr;
    delete screen;
  }
}

TCustomForm* GetParentForm(TControl* Control) {
  if (!Control) return nullptr;
  while (Control->Parent()) Control = Control->Parent();
  return dynamic_cast<TCustomForm*>(Control);
}

namespace {

void CollectButtons(TWinControl* Parent, std::vector<TButton*>& Out) {
  for (int i = 0; i < Parent->ControlCount(); ++i) {
    TControl* c = Parent->Controls(i);
    if (auto* b = dynamic_cast<TButton*>(c)) Out.push_back(b);
    if (auto* w = dynamic_cast<TWinControl*>(c)) CollectButtons(w, Out);
  }
}

bool Usable(TControl* C) {
  for (TControl* c = C; c; c = c->Parent())
    if (!c->Visible() || !c->Enabled()) return false;
  return true;
}

// Enter and Escape that no push button took: a control that acts as a
// default or cancel button (one without a window) answers 1.
bool OfferDialogKey(TWinControl* Parent, WORD Key, TShiftState Shift) {
  for (int i = 0; i < Parent->ControlCount(); ++i) {
    TControl* c = Parent->Controls(i);
    if (c->Perform(CM_DIALOGKEY, Key, Shift) == 1) return true;
    if (auto* w = dynamic_cast<TWinControl*>(c); w && OfferDialogKey(w, Key, Shift)) return true;
  }
  return false;
}

}  // namespace

// ---- TCustomForm ---------------------------------------------------------

TCustomForm::TCustomForm(TComponent* AOwner, const std::string& WindowClassName)
    : TCustomControl(AOwner), FWindowClassName(WindowClassName) {
  FVisible = false;
  FColor = clBtnFace;
  FParentColor = false;
  FParentFont = false;
  FControlStyle = csAcceptsControls | csClickEvents | csDoubleClicks | csSetCaption;
  FWidth = 320;
  FHeight = 240;
  if (Screen) Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
  FComponentState |= csDestroying;
  if (OnDestroy) {
    try {
      OnDestroy(this);
    } catch (...) {
      if (Application) Application->HandleException(this);
    }
  }
  if (FMenu) {
    FMenu->FForm = nullptr;
    if (FHandle) ::SetMenu(FHandle, nullptr);
    FMenu = nullptr;
  }
  if (Screen) Screen->RemoveForm(this);
  if (Application) {
    if (Application->FMainForm == this) Application->FMainForm = nullptr;
    auto& r = Application->FReleased;
    r.erase(std::remove(r.begin(), r.end(), this), r.end());
  }
}

void TCustomForm::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  Params.ExStyle = WS_EX_CONTROLPARENT;
  Params.WndParent = nullptr;
  if (Application && Application->MainForm() && Application->MainForm() != this &&
      Application->MainForm()->HandleAllocated())
    Params.WndParent = Application->MainForm()->Handle();
  FormStyles(Params.Style, Params.ExStyle);
  if (FFormStyle == fsStayOnTop) Params.ExStyle |= WS_EX_TOPMOST;
  if (FPosition == poDefault || FPosition == poDefaultPosOnly) Params.X = Params.Y = CW_USEDEFAULT;
  Params.WinClassName = Widen(FWindowClassName);
  Params.SysClassName.clear();
  Params.WindowClassStyle = CS_DBLCLKS;
}

void TCustomForm::FormStyles(DWORD& Style, DWORD& ExStyle) const {
  switch (FBorderStyle) {
    case bsNone: Style |= WS_POPUP; break;
    case bsSingle: Style |= WS_CAPTION | WS_BORDER; break;
    case bsSizeable: Style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog:
      Style |= WS_POPUP | WS_CAPTION;
      ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      break;
    case bsToolWindow:
      Style |= WS_CAPTION;
      ExStyle |= WS_EX_TOOLWINDOW;
      break;
    case bsSizeToolWin:
      Style |= WS_CAPTION | WS_THICKFRAME;
      ExStyle |= WS_EX_TOOLWINDOW;
      break;
  }
  if (FBorderStyle != bsNone) {
    if (FBorderIcons & biSystemMenu) Style |= WS_SYSMENU;
    bool minMax = FBorderStyle != bsDialog && FBorderStyle != bsToolWindow && FBorderStyle != bsSizeToolWin;
    if (minMax && (FBorderIcons & biMinimize)) Style |= WS_MINIMIZEBOX;
    if (minMax && (FBorderIcons & biMaximize)) Style |= WS_MAXIMIZEBOX;
    if ((FBorderIcons & biHelp) && (FBorderStyle == bsDialog || !(FBorderIcons & (biMinimize | biMaximize))))
      ExStyle |= WS_EX_CONTEXTHELP;
  }
}

TRect TCustomForm::ClientRect() {
  if (FHandle) return TCustomControl::ClientRect();
  DWORD style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS, ex = WS_EX_CONTROLPARENT;
  FormStyles(style, ex);
  RECT r{0, 0, 0, 0};
  AdjustWindowRectEx(&r, style, FMenu != nullptr, ex);
  return Rect(0, 0, std::max<int>(FWidth - (r.right - r.left), 0), std::max<int>(FHeight - (r.bottom - r.top), 0));
}

void TCustomForm::CreateWnd() {
  TCustomControl::CreateWnd();
  if (FMenu) ::SetMenu(FHandle, FMenu->Handle());
  HICON icon = FIcon.Handle() ? FIcon.Handle() : (Application ? Application->Icon()->Handle() : nullptr);
  if (icon) SendMessageW(FHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FMenu) {
    if (FHandle) ::SetMenu(FHandle, nullptr);
    FMenu = nullptr;
  }
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
  if (Value == FBorderStyle) return;
  FBorderStyle = Value;
  RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons Value) {
  if (Value == FBorderIcons) return;
  FBorderIcons = Value;
  RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle Value) {
  if (Value == FFormStyle) return;
  FFormStyle = Value;
  if (FHandle)
    SetWindowPos(FHandle, Value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

TWindowState TCustomForm::WindowState() {
  if (FHandle && IsWindowVisible(FHandle)) {
    if (IsIconic(FHandle)) return wsMinimized;
    if (IsZoomed(FHandle)) return wsMaximized;
    return wsNormal;
  }
  return FWindowState;
}

void TCustomForm::SetWindowState(TWindowState Value) {
  FWindowState = Value;
  if (FHandle && IsWindowVisible(FHandle))
    ShowWindow(FHandle, Value == wsMinimized ? SW_MINIMIZE : Value == wsMaximized ? SW_MAXIMIZE : SW_RESTORE);
}

void TCustomForm::SetMenu(TMainMenu* Value) {
  if (Value == FMenu) return;
  if (FMenu) {
    FMenu->FForm = nullptr;
    if (FHandle) ::SetMenu(FHandle, nullptr);
  }
  FMenu = Value;
  if (Value) {
    Value->FForm = this;
    Value->FreeNotification(this);
    if (FHandle) ::SetMenu(FHandle, Value->Handle());
  }
  if (FHandle) DrawMenuBar(FHandle);
}

void TCustomForm::SetActiveControl(TWinControl* Value) { FocusControl(Value); }

void TCustomForm::FocusControl(TWinControl* Control) {
  FActiveControl = Control;
  if (Control && FHandle && IsWindowVisible(FHandle) && Control->CanFocus()) ::SetFocus(Control->Handle());
}

void TCustomForm::FocusChanged(TWinControl* Control) { FActiveControl = Control; }

void TCustomForm::PlaceOnShow() {
  int x = FLeft, y = FTop;
  TCustomForm* center = nullptr;
  switch (FPosition) {
    case poScreenCenter:
    case poDesktopCenter:
      x = (GetSystemMetrics(SM_CXSCREEN) - FWidth) / 2;
      y = (GetSystemMetrics(SM_CYSCREEN) - FHeight) / 2;
      break;
    case poMainFormCenter:
    case poOwnerFormCenter:
      center = Application ? Application->MainForm() : nullptr;
      if (FPosition == poOwnerFormCenter)
        if (auto* o = dynamic_cast<TCustomForm*>(Owner())) center = o;
      if (center && center != this && center->HandleAllocated()) {
        x = center->Left() + (center->Width() - FWidth) / 2;
        y = center->Top() + (center->Height() - FHeight) / 2;
      } else {
        x = (GetSystemMetrics(SM_CXSCREEN) - FWidth) / 2;
        y = (GetSystemMetrics(SM_CYSCREEN) - FHeight) / 2;
      }
      break;
    default:
      return;
  }
  SetBounds(std::max(x, 0), std::max(y, 0), FWidth, FHeight);
}

void TCustomForm::SetVisible(bool Value) {
  if (Value) {
    bool showing = FHandle && IsWindowVisible(FHandle);
    FVisible = true;
    if (showing) return;
    HandleNeeded();
    PlaceOnShow();
    DoShow();
    if (!FVisible) return;
    int cmd = FWindowState == wsMaximized ? SW_SHOWMAXIMIZED : FWindowState == wsMinimized ? SW_SHOWMINIMIZED : SW_SHOWNORMAL;
    ShowWindow(FHandle, cmd);
    if (FActiveControl && FActiveControl->CanFocus()) ::SetFocus(FActiveControl->Handle());
  } else {
    bool wasShowing = FHandle && IsWindowVisible(FHandle);
    FVisible = false;
    if (!wasShowing) return;
    DoHide();
    ShowWindow(FHandle, SW_HIDE);
  }
}

void TCustomForm::Show() {
  SetVisible(true);
  BringToFront();
}

void TCustomForm::BringToFront() {
  if (!FHandle) return;
  if (IsIconic(FHandle)) ShowWindow(FHandle, SW_RESTORE);
  SetWindowPos(FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(FHandle);
}

namespace {
struct TDisabledWindows {
  HWND Keep;
  std::vector<HWND> List;
};
BOOL CALLBACK DisableWindowProc(HWND Window, LPARAM Data) {
  auto* d = reinterpret_cast<TDisabledWindows*>(Data);
  if (Window != d->Keep && IsWindowVisible(Window) && IsWindowEnabled(Window)) {
    d->List.push_back(Window);
    EnableWindow(Window, FALSE);
  }
  return TRUE;
}
}  // namespace

int TCustomForm::ShowModal() {
  if (FModal || (FHandle && IsWindowVisible(FHandle))) throw Exception("Cannot make a visible window modal");
  if (GetCapture()) ReleaseCapture();
  HWND previous = GetActiveWindow();
  HandleNeeded();
  // A quit that arrives while the form is up ends it (mrCancel); one that
  // came before does not keep the form from running.
  bool terminatedBefore = Application->Terminated();
  FModal = true;
  FModalResult = mrNone;
  TDisabledWindows disabled{FHandle, {}};
  EnumThreadWindows(GetCurrentThreadId(), DisableWindowProc, reinterpret_cast<LPARAM>(&disabled));
  auto restore = [&] {
    for (HWND w : disabled.List)
      if (IsWindow(w)) EnableWindow(w, TRUE);
    FModal = false;
  };
  try {
    Show();
    for (;;) {
      Application->HandleMessage();
      if (Application->Terminated() && !terminatedBefore && FModalResult == mrNone) FModalResult = mrCancel;
      if (FModalResult != mrNone) {
        TCloseAction action = caHide;
        if (CloseQuery()) {
          DoClose(action);
          if (action == caNone) FModalResult = mrNone;
        } else {
          FModalResult = mrNone;
        }
        if (FModalResult != mrNone) {
          if (action == caFree) Release();
          break;
        }
      }
    }
  } catch (...) {
    restore();
    Hide();
    throw;
  }
  restore();
  if (previous && IsWindow(previous)) SetActiveWindow(previous);
  Hide();
  return FModalResult;
}

bool TCustomForm::CloseQuery() {
  bool can = true;
  if (OnCloseQuery) OnCloseQuery(this, can);
  return can;
}

void TCustomForm::Close() {
  if (FModal) {
    FModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application && Application->MainForm() == this) {
    Hide();
    Application->Terminate();
    return;
  }
  switch (action) {
    case caHide: Hide(); break;
    case caMinimize: SetWindowState(wsMinimized); break;
    case caFree: Release(); break;
    default: break;
  }
}

void TCustomForm::Release() {
  if (!Application) return;
  auto& r = Application->FReleased;
  if (std::find(r.begin(), r.end(), this) == r.end()) r.push_back(this);
  PostMessageW(Application->Handle(), WM_NULL, 0, 0);
}

void TCustomForm::DoCreate() {
  if (FCreated) return;
  FCreated = true;
  if (OnCreate) OnCreate(this);
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

void TCustomForm::DoClose(TCloseAction& Action) {
  if (OnClose) OnClose(this, Action);
}

void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::Paint() {
  if (OnPaint) OnPaint(this);
}

TButton* TCustomForm::DefaultButton() {
  std::vector<TButton*> buttons;
  CollectButtons(this, buttons);
  for (TButton* b : buttons)
    if (b->Default() && Usable(b)) return b;
  return nullptr;
}

TButton* TCustomForm::CancelButton() {
  std::vector<TButton*> buttons;
  CollectButtons(this, buttons);
  for (TButton* b : buttons)
    if (b->Cancel() && Usable(b)) return b;
  return nullptr;
}

bool TCustomForm::DialogKey(WORD Key, TShiftState Shift) {
  HWND focus = GetFocus();
  switch (Key) {
    case VK_TAB: {
      if (Shift & (ssCtrl | ssAlt)) return false;
      HWND next = GetNextDlgTabItem(FHandle, focus, (Shift & ssShift) ? TRUE : FALSE);
      if (next) ::SetFocus(next);
      return next != nullptr;
    }
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: {
      HWND next = GetNextDlgGroupItem(FHandle, focus, (Key == VK_LEFT || Key == VK_UP) ? TRUE : FALSE);
      if (!next || next == focus) return false;
      ::SetFocus(next);
      return true;
    }
    case VK_RETURN: {
      if (auto* b = dynamic_cast<TButton*>(FindControl(focus))) {
        b->Click();
        return true;
      }
      if (TButton* b = DefaultButton()) {
        b->Click();
        return true;
      }
      return OfferDialogKey(this, Key, Shift);
    }
    case VK_ESCAPE:
      if (TButton* b = CancelButton()) {
        b->Click();
        return true;
      }
      return OfferDialogKey(this, Key, Shift);
    default:
      return false;
  }
}

namespace {
bool OfferDialogChar(TWinControl* Parent, char Key) {
  for (int i = 0; i < Parent->ControlCount(); ++i) {
    TControl* c = Parent->Controls(i);
    if (c->Perform(CM_DIALOGCHAR, static_cast<unsigned char>(Key), 0) == 1) return true;
    if (auto* w = dynamic_cast<TWinControl*>(c); w && OfferDialogChar(w, Key)) return true;
  }
  return false;
}
}  // namespace

bool TCustomForm::DialogChar(char Key) { return OfferDialogChar(this, Key); }

namespace {
void TellSysColorChange(TWinControl* Parent) {
  for (int i = 0; i < Parent->ControlCount(); ++i) {
    TControl* c = Parent->Controls(i);
    c->Perform(CM_SYSCOLORCHANGE, 0, 0);
    if (auto* w = dynamic_cast<TWinControl*>(c)) TellSysColorChange(w);
  }
}
}  // namespace

void TCustomForm::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_CLOSE:
      Close();
      Message.Result = 0;
      return;
    case WM_ACTIVATE:
      if (LOWORD(Message.WParam) != WA_INACTIVE) {
        FActive = true;
        if (Screen) Screen->SetActiveForm(this);
        Activate();
        if (FActiveControl && FActiveControl->CanFocus() && !HIWORD(Message.WParam)) {
          ::SetFocus(FActiveControl->Handle());
          Message.Result = 0;
          return;
        }
        DefaultHandler(Message);
        if (GetFocus() == FHandle) {
          HWND first = GetNextDlgTabItem(FHandle, nullptr, FALSE);
          if (first && first != FHandle) ::SetFocus(first);
        }
        return;
      }
      FActive = false;
      Deactivate();
      break;
    case WM_ACTIVATEAPP:
      if (Application) Application->SetActive(Message.WParam != 0);
      break;
    case WM_SYSCOLORCHANGE:
      // Only top-level windows hear of it; controls that cache pictures made
      // from those colours are told here.
      TellSysColorChange(this);
      break;
    // Only top-level windows hear of palette changes either.
    case WM_QUERYNEWPALETTE:
      Message.Result = PaletteChanged(true) ? 1 : 0;
      return;
    case WM_PALETTECHANGED:
      if (reinterpret_cast<HWND>(Message.WParam) != FHandle) PaletteChanged(false);
      Message.Result = 0;
      return;
    case WM_GETMINMAXINFO: {
      DefaultHandler(Message);
      auto* mmi = reinterpret_cast<MINMAXINFO*>(Message.LParam);
      if (Constraints.MinWidth > 0) mmi->ptMinTrackSize.x = Constraints.MinWidth;
      if (Constraints.MinHeight > 0) mmi->ptMinTrackSize.y = Constraints.MinHeight;
      if (Constraints.MaxWidth > 0) mmi->ptMaxTrackSize.x = Constraints.MaxWidth;
      if (Constraints.MaxHeight > 0) mmi->ptMaxTrackSize.y = Constraints.MaxHeight;
      Message.Result = 0;
      return;
    }
    case WM_SIZE:
      if (Message.WParam == SIZE_MINIMIZED)
        FWindowState = wsMinimized;
      else if (Message.WParam == SIZE_MAXIMIZED)
        FWindowState = wsMaximized;
      else if (Message.WParam == SIZE_RESTORED)
        FWindowState = wsNormal;
      break;
    default:
      break;
  }
  TCustomControl::Dispatch(Message);
}

// ---- TScreen -------------------------------------------------------------

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {}

TScreen::~TScreen() {
  for (auto& [id, cursor] : FCursors)
    if (id > 0 && cursor) DestroyCursor(cursor);
}

int TScreen::Width() const { return GetSystemMetrics(SM_CXSCREEN); }
int TScreen::Height() const { return GetSystemMetrics(SM_CYSCREEN); }

int TScreen::PixelsPerInch() const {
  HDC dc = GetDC(nullptr);
  int v = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return v;
}

void TScreen::SetCursor(TCursor Value) {
  if (Value == FCursor) return;
  FCursor = Value;
  if (Value != crDefault) {
    ::SetCursor(Cursors(Value));
  } else {
    POINT p;
    GetCursorPos(&p);
    SetCursorPos(p.x, p.y);
  }
}

HCURSOR TScreen::Cursors(TCursor Index) {
  auto it = FCursors.find(Index);
  if (it != FCursors.end()) return it->second;
  LPCSTR id = nullptr;
  switch (Index) {
    case crNone: return nullptr;
    case crDefault:
    case crArrow:
    case crDrag:
    case crMultiDrag: id = IDC_ARROW; break;
    case crCross: id = IDC_CROSS; break;
    case crIBeam: id = IDC_IBEAM; break;
    case crSizeAll: id = IDC_SIZEALL; break;
    case crSizeNESW: id = IDC_SIZENESW; break;
    case crSizeNS:
    case crVSplit: id = IDC_SIZENS; break;
    case crSizeNWSE: id = IDC_SIZENWSE; break;
    case crSizeWE:
    case crHSplit: id = IDC_SIZEWE; break;
    case crUpArrow: id = IDC_UPARROW; break;
    case crHourGlass:
    case crSQLWait: id = IDC_WAIT; break;
    case crNoDrop:
    case crNo: id = IDC_NO; break;
    case crAppStart: id = IDC_APPSTARTING; break;
    case crHelp: id = IDC_HELP; break;
    case crHandPoint: id = IDC_HAND; break;
    default: id = IDC_ARROW; break;
  }
  HCURSOR c = LoadCursorW(nullptr, MAKEINTRESOURCEW(LOWORD(reinterpret_cast<ULONG_PTR>(id))));
  if (Index <= 0) FCursors[Index] = c;
  return c;
}

void TScreen::SetCursors(TCursor Index, HCURSOR Handle) {
  auto it = FCursors.find(Index);
  if (it != FCursors.end() && Index > 0 && it->second && it->second != Handle) DestroyCursor(it->second);
  if (Handle)
    FCursors[Index] = Handle;
  else
    FCursors.erase(Index);
}

void TScreen::AddForm(TCustomForm* Form) { FForms.push_back(Form); }

void TScreen::RemoveForm(TCustomForm* Form) {
  FForms.erase(std::remove(FForms.begin(), FForms.end(), Form), FForms.end());
  if (FActiveForm == Form) FActiveForm = nullptr;
}

void TScreen::SetActiveForm(TCustomForm* Form) {
  if (Form == FActiveForm) return;
  FActiveForm = Form;
  if (OnActiveFormChange) OnActiveFormChange(this);
}

void TScreen::SetActiveControl(TWinControl* Control) {
  if (Control == FActiveControl) return;
  FActiveControl = Control;
  if (OnActiveControlChange) OnActiveControlChange(this);
}

void TScreen::ControlDestroyed(TControl* Control) {
  if (FActiveControl == Control) FActiveControl = nullptr;
  if (FActiveForm == Control) FActiveForm = nullptr;
  for (TCustomForm* f : FForms)
    if (f->FActiveControl == Control) f->FActiveControl = nullptr;
}

// ---- TApplication --------------------------------------------------------

LRESULT CALLBACK AppWndProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (!Application || (Application->FHandle && Application->FHandle != Window))
    return DefWindowProcW(Window, Msg, WParam, LParam);
  if (!Application->FHandle) Application->FHandle = Window;
  TMessage m{Msg, WParam, LParam, 0};
  try {
    Application->AppWndProcMessage(m);
  } catch (...) {
    Application->HandleException(Application);
  }
  return m.Result;
}

namespace {
bool gInstalledPromptHook = false;
bool gInstalledProcessHook = false;
}  // namespace

TApplication::TApplication() : TComponent(nullptr) {
  FTitle = ChangeFileExt(ExtractFileName(ExeName()), "");
  if (!PromptHook()) {
    PromptHook() = [](const std::string& Text, const std::string& Caption, int Buttons) {
      return Application ? Application->MessageBox(Text, Caption, Buttons) : DefaultPrompt(Text, Caption, Buttons);
    };
    gInstalledPromptHook = true;
  }
  if (!ProcessMessagesHook()) {
    ProcessMessagesHook() = [] {
      if (Application) Application->ProcessMessages();
    };
    gInstalledProcessHook = true;
  }
}

TApplication::~TApplication() {
  FComponentState |= csDestroying;
  if (gInstalledPromptHook) PromptHook() = nullptr;
  if (gInstalledProcessHook) ProcessMessagesHook() = nullptr;
  FReleased.clear();
  DestroyComponents();
  if (FHandle) {
    HWND h = FHandle;
    FHandle = nullptr;
    DestroyWindow(h);
  }
}

HWND TApplication::Handle() {
  if (!FHandle && !FHandleCreated) {
    FHandleCreated = true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = AppWndProc;
    wc.hInstance = ModuleInstance();
    wc.lpszClassName = L"TApplication";
    RegisterClassExW(&wc);
    FHandle = CreateWindowExW(0, L"TApplication", Widen(FTitle).c_str(),
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0,
                              nullptr, nullptr, ModuleInstance(), nullptr);
  }
  return FHandle;
}

void TApplication::SetTitle(const std::string& Value) {
  FTitle = Value;
  if (FHandle) SetWindowTextW(FHandle, Widen(Value).c_str());
}

std::string TApplication::ExeName() const {
  wchar_t buf[MAX_PATH * 2];
  DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH * 2);
  return Narrow(buf, static_cast<int>(n));
}

void TApplication::FormCreated(TCustomForm* Form) {
  if (!FMainForm) {
    FMainForm = Form;
    Form->FreeNotification(this);
  }
  Form->DoCreate();
}

bool TApplication::HelpCommand(WORD Command, LPARAM Data) {
  bool CallHelp = true;
  bool Result = false;
  if (OnHelp) Result = OnHelp(Command, Data, CallHelp);
  if (CallHelp && !HelpFile.empty()) {
    HWND Owner = FMainForm && FMainForm->HandleAllocated() ? FMainForm->Handle() : Handle();
    Result = WinHelpA(Owner, HelpFile.c_str(), Command, static_cast<ULONG_PTR>(Data)) != FALSE;
  }
  return Result;
}

void TApplication::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FMainForm) FMainForm = nullptr;
}

void TApplication::AppWndProcMessage(TMessage& Message) {
  auto hooks = FWindowHooks;
  for (auto& h : hooks)
    if (h.second(Message)) return;
  switch (Message.Msg) {
    case WM_COMMAND:
      if (Message.LParam == 0)
        if (TMenuItem* item = FindMenuItemByCommand(LOWORD(Message.WParam))) {
          item->Click();
          return;
        }
      break;
    case WM_INITMENUPOPUP:
      MenuInitPopup(reinterpret_cast<HMENU>(Message.WParam));
      break;
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
      if (MenuOwnerDraw(Message)) return;
      break;
    case WM_ACTIVATEAPP:
      SetActive(Message.WParam != 0);
      break;
    case WM_CLOSE:
      if (FMainForm) FMainForm->Close();
      Message.Result = 0;
      return;
    case WM_QUERYENDSESSION:
      Message.Result = 1;
      return;
    default:
      break;
  }
  Message.Result = DefWindowProcW(FHandle, Message.Msg, Message.WParam, Message.LParam);
}

int TApplication::HookMainWindow(TWindowHookFunc Hook) {
  int id = FNextHookId++;
  FWindowHooks.emplace_back(id, std::move(Hook));
  return id;
}

void TApplication::UnhookMainWindow(int Id) {
  FWindowHooks.erase(std::remove_if(FWindowHooks.begin(), FWindowHooks.end(), [Id](auto& h) { return h.first == Id; }),
                     FWindowHooks.end());
}

void TApplication::Run() {
  FTerminated = false;
  Handle();
  if (FMainForm && ShowMainForm) FMainForm->Show();
  while (!FTerminated) HandleMessage();
}

void TApplication::Terminate() { PostQuitMessage(0); }

void TApplication::ProcessMessages() {
  MSG m;
  while (ProcessMessage(m)) {
  }
}

void TApplication::HandleMessage() {
  MSG m;
  if (!ProcessMessage(m)) Idle(m);
}

void TApplication::Idle(const MSG&) {
  bool done = true;
  if (OnIdle) {
    try {
      OnIdle(this, done);
    } catch (...) {
      HandleException(this);
    }
  }
  ReleaseForms();
  if (done) WaitMessage();
}

void TApplication::ReleaseForms() {
  while (!FReleased.empty()) {
    TCustomForm* f = FReleased.back();
    FReleased.pop_back();
    delete f;
  }
}

bool TApplication::IsKeyMsg(MSG& Msg) {
  if (Msg.message == WM_SYSCHAR || Msg.message == WM_CHAR) return IsDialogChar(Msg);
  if (Msg.message != WM_KEYDOWN && Msg.message != WM_SYSKEYDOWN) return false;
  TWinControl* control = nullptr;
  for (HWND w = Msg.hwnd; w && !control; w = GetParent(w)) control = TWinControl::FindControl(w);
  if (!control) return false;
  TCustomForm* form = GetParentForm(control);
  WORD key = static_cast<WORD>(Msg.wParam);
  TShiftState shift = KeyboardShiftState();
  if (form && form->Menu() && form->Menu()->IsShortCut(ShortCut(key, shift))) return true;
  if (!form || Msg.message != WM_KEYDOWN) return false;
  UINT mask = 0;
  switch (key) {
    case VK_TAB: mask = DLGC_WANTTAB; break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: mask = DLGC_WANTARROWS; break;
    case VK_RETURN:
    case VK_ESCAPE: mask = DLGC_WANTALLKEYS; break;
    default: return false;
  }
  MSG copy = Msg;
  LRESULT code = SendMessageW(Msg.hwnd, WM_GETDLGCODE, Msg.wParam, reinterpret_cast<LPARAM>(&copy));
  if (code & mask) return false;
  if (key == VK_RETURN && (code & DLGC_WANTMESSAGE)) return false;
  try {
    return form->DialogKey(key, shift);
  } catch (...) {
    HandleException(form);
    return true;
  }
}

bool TApplication::IsDialogChar(MSG& Msg) {
  // Alt+key anywhere, or a plain key in a control that takes no characters
  // (a button), as the system's dialogs treat accelerators.
  if (Msg.message == WM_CHAR) {
    MSG copy = Msg;
    const LRESULT code = SendMessageW(Msg.hwnd, WM_GETDLGCODE, Msg.wParam, reinterpret_cast<LPARAM>(&copy));
    if (!(code & (DLGC_BUTTON | DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON | DLGC_RADIOBUTTON)) ||
        (code & DLGC_WANTCHARS))
      return false;
  }
  wchar_t wc = static_cast<wchar_t>(Msg.wParam);
  char ch = 0;
  BOOL lossy = FALSE;
  if (wc < L' ' || WideCharToMultiByte(CP_ACP, 0, &wc, 1, &ch, 1, nullptr, &lossy) != 1 || lossy) return false;
  TWinControl* control = nullptr;
  for (HWND w = Msg.hwnd; w && !control; w = GetParent(w)) control = TWinControl::FindControl(w);
  TCustomForm* form = control ? GetParentForm(control) : nullptr;
  if (!form) return false;
  try {
    return form->DialogChar(ch);
  } catch (...) {
    HandleException(form);
    return true;
  }
}

bool TApplication::ProcessMessage(MSG& Msg) {
  if (!PeekMessageW(&Msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (Msg.message == WM_QUIT) {
    FTerminated = true;
    return true;
  }
  bool handled = false;
  if (OnMessage) {
    try {
      OnMessage(Msg, handled);
    } catch (...) {
      HandleException(this);
      handled = true;
    }
  }
  if (!handled && !IsKeyMsg(Msg)) {
    TranslateMessage(&Msg);
    DispatchMessageW(&Msg);
  }
  ReleaseForms();
  return true;
}

void TApplication::HandleException(TObject* Sender) {
  try {
    throw;
  } catch (const EAbort&) {
  } catch (const std::exception& e) {
    try {
      if (OnException)
        OnException(Sender, e);
      else
        ShowException(e);
    } catch (...) {
    }
  } catch (...) {
    try {
      Exception e("Unknown exception");
      if (OnException)
        OnException(Sender, e);
      else
        ShowException(e);
    } catch (...) {
    }
  }
}

void TApplication::ShowException(const std::exception& E) {
  std::string msg = E.what();
  while (!msg.empty() && static_cast<unsigned char>(msg.back()) <= ' ') msg.pop_back();
  if (!msg.empty() && msg.back() > '.') msg += '.';
  Prompt(msg, FTitle, pbOK | MB_ICONSTOP);
}

int TApplication::MessageBox(const std::string& Text, const std::string& Caption, int Flags) {
  HWND owner = GetActiveWindow();
  return MessageBoxW(owner, Widen(Text).c_str(), Widen(Caption).c_str(), static_cast<UINT>(Flags));
}

int TApplication::ParamCount() {
  if (FParamsSet) return static_cast<int>(FParams.size());
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv) LocalFree(argv);
  return std::max(argc - 1, 0);
}

std::string TApplication::ParamStr(int Index) {
  if (Index == 0) return ExeName();
  if (Index < 0) return std::string();
  if (FParamsSet) return Index <= static_cast<int>(FParams.size()) ? FParams[static_cast<size_t>(Index - 1)] : std::string();
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::string r;
  if (argv && Index < argc) r = Narrow(argv[Index]);
  if (argv) LocalFree(argv);
  return r;
}

void TApplication::SetParams(const std::vector<std::string>& Params) {
  FParams = Params;
  FParamsSet = true;
}

void TApplication::Minimize() {
  if (FMainForm && FMainForm->HandleAllocated()) ShowWindow(FMainForm->Handle(), SW_MINIMIZE);
  if (OnMinimize) OnMinimize(this);
}

void TApplication::Restore() {
  if (FMainForm && FMainForm->HandleAllocated()) ShowWindow(FMainForm->Handle(), SW_RESTORE);
  if (OnRestore) OnRestore(this);
}

void TApplication::BringToFront() {
  TCustomForm* f = Screen && Screen->ActiveForm() ? Screen->ActiveForm() : FMainForm;
  if (f && f->HandleAllocated()) f->BringToFront();
}

void TApplication::SetActive(bool Value) {
  if (Value == FActive) return;
  FActive = Value;
  if (Value) {
    if (OnActivate) OnActivate(this);
  } else {
    if (OnDeactivate) OnDeactivate(this);
  }
}

void TApplication::SetHint(const std::string& Value) {
  if (Value == FHint) return;
  FHint = Value;
  if (OnHint) OnHint(this);
}
