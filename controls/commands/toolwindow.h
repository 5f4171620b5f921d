// TCustomToolWindowX: a window that lives docked on a TDockX or floating in a
// small tool window of its own, with a drag handle, a caption and a close
// button; the user drags it between docks and floats it (drag loop), and
// resizes it while floating (sizing loop).
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "controls/commands/dock.h"
#include "framework/ui/forms.h"

enum TDockMode : int { dmCanFloat, dmCannotFloat, dmCannotFloatOrChangeDocks };
enum TDragHandleStyle : int { dhDouble, dhNone, dhSingle };
enum TFloatingMode : int { fmOnTopOfParentForm, fmOnTopOfAllForms };
// The orientation a tool window is laid out for.
enum TDockType : int { dtNotDocked, dtTopBottom, dtLeftRight };

using TDockChangingExEvent = std::function<void(TObject* Sender, TDockX* DockingTo)>;

// The hidden form that parents the floating tool windows of one owner form.
class TFloatingWindowParent : public TForm {
 public:
  TFloatingWindowParent(TComponent* AOwner, TCustomForm* ParentForm);
  TCustomForm* ParentForm() const { return FParentForm; }
  bool DialogKey(WORD Key, TShiftState Shift) override;
  void ForgetParentForm() { FParentForm = nullptr; }

 private:
  TCustomForm* FParentForm;
};

// The window that carries a form's caption: the MDI frame for an MDI child
// form, else the form itself.
HWND FormFrameWindow(HWND Form);

// The system's small-caption routine, looked up in user32 by name; without it
// the library draws the caption itself (tests clear it to see that drawing).
using TDrawCaptionProc = BOOL(WINAPI*)(HWND, HDC, const RECT*, UINT);
extern TDrawCaptionProc ToolWindowDrawCaption;

// Measurements of the frame.
int DragHandleSize(bool CloseButtonWhenDocked, TDragHandleStyle Style);
int DragHandleOffset(bool CloseButtonWhenDocked, TDragHandleStyle Style);
int SmallCaptionHeight();


class TCustomToolWindowX : public TCustomControl {
 public:
  explicit TCustomToolWindowX(TComponent* AOwner);
  ~TCustomToolWindowX() override;

  bool ActivateParent = true;
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  bool CloseButton() const { return FCloseButton; }
  void SetCloseButton(bool Value);
  bool CloseButtonWhenDocked() const { return FCloseButtonWhenDocked; }
  void SetCloseButtonWhenDocked(bool Value);
  TDockX* DefaultDock() const { return FDefaultDock; }
  void SetDefaultDock(TDockX* Value);
  TDockableTo DockableTo = dtAll;
  TDockX* DockedTo() const { return FDockedTo; }
  void SetDockedTo(TDockX* Value);
  TDockMode DockMode = dmCanFloat;
  int DockPos() const { return FDockPos; }
  void SetDockPos(int Value);
  int DockRow() const { return FDockRow; }
  void SetDockRow(int Value);
  TDragHandleStyle DragHandleStyle() const { return FDragHandleStyle; }
  void SetDragHandleStyle(TDragHandleStyle Value);
  TFloatingMode FloatingMode = fmOnTopOfParentForm;
  bool FullSize() const { return FFullSize; }
  void SetFullSize(bool Value);
  bool HideWhenInactive() const { return FHideWhenInactive; }
  void SetHideWhenInactive(bool Value);
  TDockX* LastDock() const { return FLastDock; }
  void SetLastDock(TDockX* Value);
  bool ShowCaption() const { return FShowCaption; }
  void SetShowCaption(bool Value);
  bool UseLastDock() const { return FUseLastDock; }
  void SetUseLastDock(bool Value);
  bool Docked() const { return FDockedTo != nullptr; }
  TCustomForm* OwnerForm();
  // The screen top-left of the floating window.
  TPoint FloatingPosition() const { return FFloatingPosition; }
  void SetFloatingPosition(TPoint Value);

  void SetParent(TWinControl* AParent) override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void ArrangeControls();
  void MoveOnScreen(bool OnlyIfFullyOffscreen);
  int GetRowSize();
  SIZE AddNonClientSize(SIZE S, TDockType Type);
  // The window's size for a dock orientation (client laid out plus frame).
  SIZE SizeFor(TDockType Type);
  // The docked frame widths: handle along the leading side + 2 on each side.
  TRect DockedFrame();
  int FloatFrameWidth();
  int FloatFrameHeight();
  TRect CloseButtonRect();  // window coordinates
  // Starts the drag loop as a press at P (window coordinates) would.
  void BeginMoving(int InitX, int InitY);
  void BeginSizing(UINT HitTest);
  // Visibility of the floating window from the owner form's state.
  void UpdateVisibility();
  // The dock's background changed or moved under a docked window.
  void DockBackgroundChanged();
  // Redraws the docked frame later (a pending request is replaced).
  void PostFrameRedraw();
  void SetColor(TColor Value) override;
  // Docked on a dock with a background: that background's palette.
  HPALETTE GetPalette() override;
  // In the background the docked frame is not redrawn by the system.
  bool PaletteChanged(bool Foreground) override;
  // Layout the descendants give.
  virtual int DockedThickness(TDockType Type) = 0;
  virtual SIZE OrderControls(bool CanMoveControls, TDockType Type, TDockX* DockingTo) = 0;
  virtual SIZE GetMinimumFloatSize() { return {0, 0}; }
  // Position data: the extra values descendants keep (FloatRightX).
  using TPositionReadInt = std::function<int(const std::string& Name, int Default)>;
  using TPositionWriteInt = std::function<void(const std::string& Name, int Value)>;
  virtual void ReadPositionData(const TPositionReadInt&) {}
  virtual void WritePositionData(const TPositionWriteInt&) {}

  TNotifyEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnDockChanged;
  TNotifyEvent OnDockChanging;
  TDockChangingExEvent OnDockChangingEx;
  TDockChangingExEvent OnDockChangingHidden;
  TNotifyEvent OnMove;
  TNotifyEvent OnRecreated;
  TNotifyEvent OnRecreating;
  TNotifyEvent OnVisibleChanged;

  // The arrangement record the dock keeps for this window.
  TDockedBar DockBar;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Dispatch(TMessage& Message) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void DblClick() override;
  void VisibleChanged() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  virtual bool ChildControlTransparent(TControl*) { return false; }
  virtual void BeginFloatResize(UINT) {}
  virtual void FloatResizeStep(UINT, TRect&) {}
  virtual void EndFloatResize(bool) {}
  virtual void SizeChanging(int, int) {}
  bool FResizable = true;
  int FBoundsGuard = 0;

 private:
  friend class TDockX;
  void ChangeParent(TWinControl* P);
  bool ShouldBeVisible();
  void UpdateTopmost();
  HWND OwnerFrameWindow();
  // The window to place this one after to stand above Form and its owned
  // windows' group.
  HWND PlaceAbove(HWND Form);
  // Checks shortly after that the floating window still stands above its
  // owner form, and puts it back there when not.
  void PostRestack();
  void Restack();
  bool BackgroundShows();
  void RecalcNCArea();
  void DrawDockedNCArea(HDC DC);
  void DrawFloatingNCArea(HDC DC, bool DrawBorder, bool DrawCaption, bool DrawClose);
  void DrawLibraryCaption(HDC DC, const RECT& Cap);
  void NCPaint(HDC DC);
  static void NCPaintProc(HWND Wnd, HDC DC, void* Data);
  void TrackCloseButton();
  LRESULT HitTest(int X, int Y);
  static void HookProc(THookProcCode Code, void* Wnd, uintptr_t WParam, intptr_t LParam);
  TBorderStyle FBorderStyle = bsSingle;
  bool FCloseButton = true;
  bool FCloseButtonWhenDocked = false;
  TDockX* FDefaultDock = nullptr;
  TDockX* FDockedTo = nullptr;
  int FDockPos = -1;
  int FDockRow = 0;
  TDragHandleStyle FDragHandleStyle = dhDouble;
  bool FFullSize = false;
  bool FHideWhenInactive = true;
  TDockX* FLastDock = nullptr;
  bool FShowCaption = true;
  bool FUseLastDock = true;
  TPoint FFloatingPosition{0, 0};
  TFloatingWindowParent* FHost = nullptr;
  int FHidden = 0;
  int FParentChanging = 0;
  int FArrangeLock = 0;
  bool FArrangeNeeded = false;
  bool FClosePressed = false;
  bool FInactiveCaption = false;
};
