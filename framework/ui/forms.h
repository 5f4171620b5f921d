// Forms (top-level windows, modeless and modal), the application object with
// its message loop, and the screen (cursors, forms, focus).
#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "framework/core/prompts.h"
#include "framework/ui/controls.h"

enum TFormBorderStyle : int { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;  // controls use bsNone / bsSingle
enum TPosition : int {
  poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
  poMainFormCenter, poOwnerFormCenter
};
enum TCloseAction : int { caNone, caHide, caFree, caMinimize };
enum TWindowState : int { wsNormal, wsMinimized, wsMaximized };
enum TFormStyle : int { fsNormal, fsStayOnTop };
using TBorderIcons = uint8_t;
constexpr TBorderIcons biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8;
using TModalResult = int;  // mrNone, mrOk, ... (prompts.h)

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

// Limits applied on WM_GETMINMAXINFO (0 = no limit).
struct TSizeConstraints {
  int MinWidth = 0, MinHeight = 0, MaxWidth = 0, MaxHeight = 0;
};

class TMainMenu;
class TButton;

class TCustomForm : public TCustomControl {
 public:
  // WindowClassName is the name the window class is registered under
  // ("TMainForm" for the main window, which other instances look for).
  explicit TCustomForm(TComponent* AOwner, const std::string& WindowClassName = "TForm");
  ~TCustomForm() override;

  const std::string& WindowClassName() const { return FWindowClassName; }
  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle Value);
  TBorderIcons BorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(TBorderIcons Value);
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition Value) { FPosition = Value; }
  TWindowState WindowState();
  void SetWindowState(TWindowState Value);
  TFormStyle FormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle Value);
  TMainMenu* Menu() const { return FMenu; }
  void SetMenu(TMainMenu* Value);
  TWinControl* ActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* Value);
  bool KeyPreview() const { return FKeyPreview; }
  void SetKeyPreview(bool Value) { FKeyPreview = Value; }
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult Value) { FModalResult = Value; }
  TIcon* Icon() { return &FIcon; }
  bool Active() const { return FActive; }
  bool Modal() const { return FModal; }
  TSizeConstraints Constraints;

  void Show();
  void Hide() { SetVisible(false); }
  void SetVisible(bool Value) override;
  // Shows the form modally and runs messages until ModalResult is set (a
  // button with a ModalResult, Close, or the code); returns it.
  int ShowModal();
  // Asks OnCloseQuery, then OnClose decides: hide (default), free, minimise
  // or nothing. Ends a modal loop with mrCancel.
  void Close();
  bool CloseQuery();
  // Deletes the form from the message loop once the current message is done.
  void Release();
  void BringToFront();
  // Fires OnCreate (TApplication::CreateForm calls it after the constructor).
  void DoCreate();
  void FocusControl(TWinControl* Control);
  // The buttons Enter and Escape click.
  TButton* DefaultButton();
  TButton* CancelButton();
  TRect ClientRect() override;
  // Tab, arrows, Enter and Escape that the focused control does not want;
  // true when the form used the key.
  virtual bool DialogKey(WORD Key, TShiftState Shift);
  // Offers an accelerator character to the form's controls (CM_DIALOGCHAR),
  // in creation order; true when one took it.
  bool DialogChar(char Key);

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnPaint;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Dispatch(TMessage& Message) override;
  void Paint() override;
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& Action);
  virtual void Activate();
  virtual void Deactivate();
  void VisibleChanged() override {}
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TWinControl;
  friend class TApplication;
  friend class TScreen;
  void FocusChanged(TWinControl* Control);
  void PlaceOnShow();
  void FormStyles(DWORD& Style, DWORD& ExStyle) const;
  std::string FWindowClassName;
  TFormBorderStyle FBorderStyle = bsSizeable;
  TBorderIcons FBorderIcons = biSystemMenu | biMinimize | biMaximize;
  TPosition FPosition = poDesigned;
  TWindowState FWindowState = wsNormal;
  TFormStyle FFormStyle = fsNormal;
  TMainMenu* FMenu = nullptr;
  TWinControl* FActiveControl = nullptr;
  bool FKeyPreview = false;
  TModalResult FModalResult = mrNone;
  TIcon FIcon;
  bool FActive = false;
  bool FModal = false;
  bool FCreated = false;
  bool FPlaced = false;
};

class TForm : public TCustomForm {
 public:
  using TCustomForm::TCustomForm;
};

class TScreen : public TComponent {
 public:
  explicit TScreen(TComponent* AOwner);
  ~TScreen() override;

  int Width() const;
  int Height() const;
  int PixelsPerInch() const;
  // A cursor other than crDefault overrides every control's while set.
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor Value);
  // The cursor registry: built-in ids (negative) and the program's own ids
  // (14000...). Unknown ids give the arrow.
  HCURSOR Cursors(TCursor Index);
  void SetCursors(TCursor Index, HCURSOR Handle);

  int FormCount() const { return static_cast<int>(FForms.size()); }
  TCustomForm* Forms(int Index) const { return FForms[static_cast<size_t>(Index)]; }
  TCustomForm* ActiveForm() const { return FActiveForm; }
  TWinControl* ActiveControl() const { return FActiveControl; }

  TNotifyEvent OnActiveControlChange;
  TNotifyEvent OnActiveFormChange;

 private:
  friend class TCustomForm;
  friend class TWinControl;
  friend class TControl;
  void AddForm(TCustomForm* Form);
  void RemoveForm(TCustomForm* Form);
  void SetActiveForm(TCustomForm* Form);
  void SetActiveControl(TWinControl* Control);
  void ControlDestroyed(TControl* Control);
  TCursor FCursor = crDefault;
  std::map<TCursor, HCURSOR> FCursors;
  std::vector<TCustomForm*> FForms;
  TCustomForm* FActiveForm = nullptr;
  TWinControl* FActiveControl = nullptr;
};

struct THintInfo {
  TControl* HintControl = nullptr;
  TPoint CursorPos{0, 0};
  int HintMaxWidth = 0;
  TColor HintColor = clInfoBk;
};

using TExceptionEvent = std::function<void(TObject* Sender, const std::exception& E)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
using TMessageEvent = std::function<void(MSG& Msg, bool& Handled)>;
using THelpEvent = std::function<bool(WORD Command, LPARAM Data, bool& CallHelp)>;
using TShowHintEvent = std::function<void(std::string& HintStr, bool& CanShow, THintInfo& HintInfo)>;
// A hook on the application window: true stops the message there.
using TWindowHookFunc = std::function<bool(TMessage& Message)>;

class TApplication : public TComponent {
 public:
  TApplication();
  ~TApplication() override;

  // A hidden top-level window that receives broadcasts and menu commands of
  // popup menus; created on first use.
  HWND Handle();
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& Value);
  std::string ExeName() const;
  TCustomForm* MainForm() const { return FMainForm; }
  // Creates a form owned by the application; the first becomes MainForm.
  // OnCreate fires after the constructor.
  template <class T, class... Args>
  T* CreateForm(Args&&... args) {
    T* form = new T(this, std::forward<Args>(args)...);
    FormCreated(form);
    return form;
  }
  void FormCreated(TCustomForm* Form);

  void Run();
  void Terminate();
  bool Terminated() const { return FTerminated; }
  // Runs every waiting message, then returns.
  void ProcessMessages();
  // Runs one message, or idles and waits for one.
  void HandleMessage();
  bool ProcessMessage(MSG& Msg);

  // Exceptions that escape event handlers end here: OnException when
  // assigned, otherwise ShowException. EAbort is silent.
  void HandleException(TObject* Sender);
  // Shows E's message through Prompt (the one message routine).
  void ShowException(const std::exception& E);
  // MessageBoxW owned by the active form; the prompt hook installed by the
  // application ends here.
  int MessageBox(const std::string& Text, const std::string& Caption, int Flags);

  int ParamCount();
  std::string ParamStr(int Index);
  // Replaces the parameters (ParamStr(1)...), for tests and forwarded lines.
  void SetParams(const std::vector<std::string>& Params);

  void Minimize();
  void Restore();
  void BringToFront();
  bool Active() const { return FActive; }
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& Value);
  TIcon* Icon() { return &FIcon; }

  TColor HintColor = clInfoBk;
  int HintPause = 500;
  int HintShortPause = 50;
  int HintHidePause = 2500;
  bool ShowHint = true;
  bool ShowMainForm = true;
  bool UpdateFormatSettings = true;
  bool UpdateMetricSettings = true;

  // Help goes to OnHelp first; unless it clears CallHelp, WinHelp opens
  // HelpFile (nothing without one). The result is OnHelp's or WinHelp's.
  std::string HelpFile;
  bool HelpCommand(WORD Command, LPARAM Data);
  bool HelpContext(THelpContext Context) { return HelpCommand(HELP_CONTEXT, static_cast<LPARAM>(Context)); }

  int HookMainWindow(TWindowHookFunc Hook);
  void UnhookMainWindow(int Id);

  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TExceptionEvent OnException;
  TIdleEvent OnIdle;
  THelpEvent OnHelp;
  TNotifyEvent OnHint;
  TMessageEvent OnMessage;
  TNotifyEvent OnMinimize;
  TNotifyEvent OnRestore;
  TShowHintEvent OnShowHint;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TCustomForm;
  friend class TWinControl;
  friend LRESULT CALLBACK AppWndProc(HWND, UINT, WPARAM, LPARAM);
  void AppWndProcMessage(TMessage& Message);
  void Idle(const MSG& Msg);
  bool IsKeyMsg(MSG& Msg);
  bool IsDialogChar(MSG& Msg);
  bool IsDlgMsg(MSG& Msg);
  void SetActive(bool Value);
  void ReleaseForms();
  HWND FHandle = nullptr;
  std::string FTitle;
  TCustomForm* FMainForm = nullptr;
  bool FTerminated = false;
  bool FActive = false;
  bool FHandleCreated = false;
  std::string FHint;
  TIcon FIcon;
  std::vector<std::string> FParams;
  bool FParamsSet = false;
  std::vector<std::pair<int, TWindowHookFunc>> FWindowHooks;
  int FNextHookId = 1;
  std::vector<TCustomForm*> FReleased;
};

extern TApplication* Application;
extern TScreen* Screen;

// Creates Application and Screen before any other static object uses them.
struct TFormsUnitInit {
  TFormsUnitInit();
  ~TFormsUnitInit();
};
static TFormsUnitInit FormsUnitInitInstance;

// The ancestor form of Control (itself when it is one).
TCustomForm* GetParentForm(TControl* Control);
