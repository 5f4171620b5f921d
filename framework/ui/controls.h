// Controls: TControl (bounds, parent, events), TWinControl (owns an HWND and
// forwards its messages to virtual handlers), TGraphicControl (painted by its
// parent) and TCustomControl (a window with a canvas). Window procedures are
// bound to objects through a window property, never through generated code.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/classes.h"
#include "framework/ui/graphics.h"

struct TMessage {
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
  LRESULT Result;
};

// Messages the layer sends to its own controls. CN_* carry a notification that
// a parent received back to the child it concerns (reflection); CM_* report
// changes of a control's own state.
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_MOUSEENTER = CM_BASE + 1;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 2;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 3;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 4;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 5;
constexpr UINT CM_FONTCHANGED = CM_BASE + 6;
constexpr UINT CM_COLORCHANGED = CM_BASE + 7;
constexpr UINT CM_RELEASE = CM_BASE + 8;
// Enter or Escape (WParam, the shift state in LParam) that no push button
// of the form took; a control that takes it answers 1.
constexpr UINT CM_DIALOGKEY = CM_BASE + 9;
// An accelerator character (WParam) offered to every control of a form;
// a control that takes it answers 1.
constexpr UINT CM_DIALOGCHAR = CM_BASE + 10;
// The system colours changed: passed by a form to every control on it.
constexpr UINT CM_SYSCOLORCHANGE = CM_BASE + 11;
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
constexpr UINT CN_COMPAREITEM = CN_BASE + WM_COMPAREITEM;
constexpr UINT CN_DELETEITEM = CN_BASE + WM_DELETEITEM;
constexpr UINT CN_HSCROLL = CN_BASE + WM_HSCROLL;
constexpr UINT CN_VSCROLL = CN_BASE + WM_VSCROLL;
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;

enum TAlign : int { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TMouseButton : int { mbLeft, mbRight, mbMiddle };

using TShiftState = uint8_t;
constexpr TShiftState ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64;
// The shift state from a mouse message's wParam, or from the keyboard now.
TShiftState MouseShiftState(WPARAM Keys);
TShiftState KeyboardShiftState();

using TCursor = int;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSize = -22,
                  crSizeNESW = -6, crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10,
                  crHourGlass = -11, crDrag = -12, crNoDrop = -13, crHSplit = -14, crVSplit = -15,
                  crMultiDrag = -16, crSQLWait = -17, crNo = -18, crAppStart = -19, crHelp = -20,
                  crHandPoint = -21, crSizeAll = -22;

// A help topic number of the application's help file; 0 is none.
using THelpContext = int;

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;
using TMessageHandler = std::function<void(TMessage& Message)>;

// Control style flags.
using TControlStyle = uint32_t;
constexpr TControlStyle csAcceptsControls = 1, csCaptureMouse = 2, csClickEvents = 4, csDoubleClicks = 8,
                        csOpaque = 16, csSetCaption = 32;

class TWinControl;
class TCustomForm;
class TPopupMenu;

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  TWinControl* Parent() const { return FParent; }
  virtual void SetParent(TWinControl* AParent);

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
  void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
  void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
  void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
  virtual TRect ClientRect();
  int ClientWidth() { return ClientRect().right; }
  int ClientHeight() { return ClientRect().bottom; }
  void SetClientWidth(int Value);
  void SetClientHeight(int Value);
  TPoint ClientToScreen(TPoint P);
  TPoint ScreenToClient(TPoint P);

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign Value);
  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool Value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool Value);

  // Caption and Text are the same string; windowed controls read it back from
  // their window.
  virtual std::string Text();
  virtual void SetText(const std::string& Value);
  std::string Caption() { return Text(); }
  void SetCaption(const std::string& Value) { SetText(Value); }

  TColor Color() const { return FColor; }
  virtual void SetColor(TColor Value);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool Value);
  TFont* Font() { return &FFont; }
  void SetFont(TFont* Value) { FFont.Assign(Value); }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool Value);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor Value) { FCursor = Value; }
  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* Value);
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& Value) { FHint = Value; }
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool Value) { FShowHint = Value; }
  TControlStyle ControlStyle() const { return FControlStyle; }
  void SetControlStyle(TControlStyle Value) { FControlStyle = Value; }

  // Sends a message straight to the object (no window involved).
  LRESULT Perform(UINT Msg, WPARAM WParam, LPARAM LParam);
  // Message handling: the message map first (see SetMessageHandler), then
  // WndProc; Dispatch does the layer's own handling and ends in
  // DefaultHandler.
  virtual void WndProc(TMessage& Message);
  virtual void DefaultHandler(TMessage& Message);
  // Registers a handler for one message number (WM_APP + n, WM_GETMINMAXINFO,
  // ...), called instead of the control's own handling; the handler calls
  // Inherited(Message) to run that handling too. Empty removes it.
  void SetMessageHandler(UINT Msg, TMessageHandler Handler);
  void Inherited(TMessage& Message) { Dispatch(Message); }

  virtual void Invalidate();
  void Repaint();
  void Update();
  void Refresh() { Repaint(); }
  void BringToFront();
  // The form that holds the control (itself for a form), or nullptr.
  TCustomForm* GetParentForm();

  virtual void Click();
  virtual void DblClick();

  // The palette the control draws with; none by default.
  virtual HPALETTE GetPalette() { return nullptr; }
  // A palette change reached the form: realises GetPalette's palette
  // (in the background unless Foreground) and repaints when it changed
  // colours. True when the control has a palette.
  virtual bool PaletteChanged(bool Foreground);

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TNotifyEvent OnResize;

 protected:
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual void Resize();
  virtual void Changed() {}
  // The built-in handling of WndProc, by message.
  virtual void Dispatch(TMessage& Message);
  virtual void FontChanged();
  virtual void ColorChanged() { Invalidate(); }
  virtual void TextChanged() { Invalidate(); }
  virtual void VisibleChanged();
  virtual void EnabledChanged() { Invalidate(); }
  void RequestAlign();
  void ParentFontChanged();
  void ParentColorChanged();
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // True while the control is being destroyed; virtual calls into
  // descendants are no longer safe.
  bool Destroying() const { return (FComponentState & csDestroying) != 0; }

  TWinControl* FParent = nullptr;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  TAlign FAlign = alNone;
  bool FVisible = true;
  bool FEnabled = true;
  std::string FText;
  TColor FColor = clWindow;
  bool FParentColor = true;
  TFont FFont;
  bool FParentFont = true;
  TCursor FCursor = crDefault;
  TPopupMenu* FPopupMenu = nullptr;
  std::string FHint;
  bool FShowHint = false;
  TControlStyle FControlStyle = csClickEvents | csCaptureMouse | csDoubleClicks | csSetCaption;
  bool FClicked = false;
  bool FUpdatingFromParent = false;

 private:
  friend class TWinControl;
  std::map<UINT, TMessageHandler> FMessageHandlers;
};

struct TCreateParams {
  std::string Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  // Our class name, and the system class it is built on (empty: our own).
  std::wstring WinClassName;
  std::wstring SysClassName;
  UINT WindowClassStyle = CS_DBLCLKS;
  HBRUSH Background = nullptr;
};

class TWindowSubclass;

// A control with its own window.
class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;

  // The window, created on first use (with the parent's).
  HWND Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  void HandleNeeded() { Handle(); }
  // Destroys the window and creates it again; the control's state (text,
  // check state, items, bounds, subclasses) survives.
  void RecreateWnd();

  int ControlCount() const { return static_cast<int>(FControls.size()); }
  TControl* Controls(int Index) const { return FControls[static_cast<size_t>(Index)]; }
  void InsertControl(TControl* AControl);
  void RemoveControl(TControl* AControl);
  // The child (graphic or windowed) at P in client coordinates, last inserted
  // first; only visible and, unless AllowDisabled, enabled ones.
  TControl* ControlAtPos(TPoint P, bool AllowDisabled = false);
  // Lays out the aligned children: top, bottom, left, right, then client.
  virtual void AlignControls(TControl* AControl, TRect& Rect);
  void Realign();
  void DisableAlign() { ++FAlignLevel; }
  void EnableAlign();

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  TRect ClientRect() override;
  std::string Text() override;
  void SetText(const std::string& Value) override;
  void Invalidate() override;

  // The own palette, then the children's, last first; in the foreground the
  // first one that has a palette ends the walk.
  bool PaletteChanged(bool Foreground) override;

  bool Focused();
  virtual bool CanFocus();
  virtual void SetFocus();
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool Value);
  int TabOrder() const;
  void SetTabOrder(int Value);
  // The id the window gets for WM_COMMAND (unique per process).
  int ControlId() const { return FControlId; }

  void DefaultHandler(TMessage& Message) override;
  // The object behind a window of this layer, or nullptr.
  static TWinControl* FindControl(HWND Window);

  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;

 protected:
  virtual void CreateParams(TCreateParams& Params);
  virtual void CreateWnd();
  // Called before the window is destroyed (also on RecreateWnd): save what
  // must survive into fields here.
  virtual void DestroyWnd();
  virtual void CreateHandle();
  virtual void DestroyHandle();
  // Calls CreateWindowExW for Params.
  virtual void CreateWindowHandle(const TCreateParams& Params);
  // Shrinks the area the aligned children share (a group box's frame, ...).
  virtual void AdjustClientRect(TRect& Rect);
  void Dispatch(TMessage& Message) override;
  // Keyboard handling; returning with Key 0 swallows the key.
  virtual void KeyDown(WORD& Key, TShiftState Shift);
  virtual void KeyUp(WORD& Key, TShiftState Shift);
  virtual void KeyPress(char& Key);
  virtual void DoEnter();
  virtual void DoExit();
  // Paints the graphic children (after the window's own painting).
  void PaintControls(HDC DC, TControl* First);
  void FontChanged() override;
  void VisibleChanged() override;
  void EnabledChanged() override;
  void TextChanged() override {}
  void ColorChanged() override;
  // Fills the background with Color (WM_ERASEBKGND).
  virtual bool EraseBackground(HDC DC);
  HBRUSH BrushHandle();
  // Reads the window's bounds back into Left/Top/Width/Height.
  void UpdateBounds();
  bool Creating() const { return FCreating; }
  bool Recreating() const { return FRecreating; }

  HWND FHandle = nullptr;
  WNDPROC FDefWndProc = nullptr;
  bool FTabStop = false;

 private:
  friend class TControl;
  friend class TWindowSubclass;
  friend LRESULT CALLBACK LayerWndProc(HWND, UINT, WPARAM, LPARAM);
  void MainWndProc(TMessage& Message);
  bool IsControlMouseMsg(TMessage& Message);
  bool ReflectToChild(TMessage& Message);
  void HandleCtlColor(TMessage& Message);
  void UpdateMouseControl(TControl* Target);
  std::vector<TControl*> FControls;
  std::vector<TWindowSubclass*> FSubclasses;
  int FAlignLevel = 0;
  bool FAlignPending = false;
  int FControlId = 0;
  bool FCreating = false;
  bool FRecreating = false;
  HBRUSH FBrush = nullptr;
  TColor FBrushColor = clNone;
  TControl* FCaptureControl = nullptr;
};

// A control without a window, painted and fed mouse messages by its parent.
class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* AOwner);
  ~TGraphicControl() override;
  TCanvas* Canvas() { return FCanvas.get(); }

 protected:
  virtual void Paint() {}
  void Dispatch(TMessage& Message) override;

 private:
  std::unique_ptr<TCanvas> FCanvas;
};

// A window of our own class that paints itself through Paint on Canvas.
class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(TComponent* AOwner);
  ~TCustomControl() override;
  TCanvas* Canvas() { return FCanvas.get(); }

 protected:
  virtual void Paint() {}
  void Dispatch(TMessage& Message) override;

 private:
  std::unique_ptr<TCanvas> FCanvas;
};

// Subclasses a window: sees each message before the window's own procedure
// and passes it on with CallNext. Several subclasses on one window form a
// chain; the one attached last sees a message first. Detaching in any order
// keeps the others, and a procedure installed later by someone else stays in
// place (the chain then remains as a pass-through until the window dies).
// Attached to a TWinControl, a subclass follows the control across RecreateWnd.
class TWindowSubclass {
 public:
  TWindowSubclass() = default;
  virtual ~TWindowSubclass();
  TWindowSubclass(const TWindowSubclass&) = delete;
  TWindowSubclass& operator=(const TWindowSubclass&) = delete;

  void Attach(TWinControl* Control);
  void Attach(HWND Window);
  void Detach();
  bool Attached() const { return FControl != nullptr || FWindow != nullptr; }
  HWND Window() const { return FWindow; }
  TWinControl* Control() const { return FControl; }

  // Default: OnMessage when assigned, else CallNext.
  virtual LRESULT SubclassProc(UINT Msg, WPARAM WParam, LPARAM LParam);
  // The next subclass down the chain, or the window's previous procedure.
  LRESULT CallNext(UINT Msg, WPARAM WParam, LPARAM LParam);
  std::function<LRESULT(TWindowSubclass* Sender, UINT Msg, WPARAM WParam, LPARAM LParam)> OnMessage;
  // Fired when the window is destroyed (the subclass stays bound to a
  // control and is reinstalled with its next window).
  std::function<void(TWindowSubclass* Sender)> OnWindowDestroyed;

 private:
  friend class TWinControl;
  friend struct TSubclassChain;
  void Install(HWND Window);
  void Uninstall();
  TWinControl* FControl = nullptr;
  HWND FWindow = nullptr;
};

// A hidden message-only window whose messages go to Handler (unhandled ones:
// leave Result as DefWindowProc's by calling it yourself, or set it). For
// components that need a window of their own to post to (hook lists, timers).
HWND AllocateHWnd(std::function<void(HWND Window, TMessage& Message)> Handler);
void DeallocateHWnd(HWND Window);

// Turns on the common controls once (InitCommonControlsEx).
void InitCommonControlsOnce();
// Creates, registers and caches window classes of this layer.
HINSTANCE ModuleInstance();
