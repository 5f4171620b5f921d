#include <algorithm>
#include <string>
#include <vector>

#include "framework/ui/dialogs.h"
#include "framework/ui/extctrls.h"
#include "framework/ui/stdctrls.h"
#include "tests/framework/ui/ui_fixture.h"

using namespace UiDriver;

TEST_F(UiTest, FormRegistersTheCallersWindowClassName) {
  TForm* f = MakeForm("TMainForm");
  f->Show();
  wchar_t cls[30];
  GetClassNameW(f->Handle(), cls, 30);
  EXPECT_EQ(std::wstring(cls), L"TMainForm");
  EXPECT_EQ(WindowText(f->Handle()), "Test");
  EXPECT_EQ(TWinControl::FindControl(f->Handle()), f);
}

TEST_F(UiTest, FormEventsFireInOrder) {
  TForm* f = MakeForm();
  std::vector<std::string> log;
  bool allowClose = false;
  f->OnCreate = [&](TObject*) { log.push_back("create"); };
  f->OnShow = [&](TObject*) { log.push_back("show"); };
  f->OnResize = [&](TObject*) { log.push_back("resize"); };
  f->OnHide = [&](TObject*) { log.push_back("hide"); };
  f->OnCloseQuery = [&](TObject*, bool& CanClose) {
    log.push_back("closequery");
    CanClose = allowClose;
  };
  f->OnClose = [&](TObject*, TCloseAction& Action) {
    log.push_back("close");
    Action = caHide;
  };
  f->DoCreate();
  f->DoCreate();
  f->Show();
  EXPECT_EQ(log.front(), "create");
  EXPECT_EQ(std::count(log.begin(), log.end(), "create"), 1);
  EXPECT_NE(std::find(log.begin(), log.end(), "show"), log.end());
  log.clear();
  f->SetBounds(10, 10, 300, 200);
  EXPECT_EQ(log, std::vector<std::string>{"resize"});
  log.clear();
  SendMessageW(f->Handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindowVisible(f->Handle()));
  EXPECT_EQ(log, std::vector<std::string>{"closequery"});
  log.clear();
  allowClose = true;
  SendMessageW(f->Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(f->Handle()));
  EXPECT_EQ(log, (std::vector<std::string>{"closequery", "close", "hide"}));
}

TEST_F(UiTest, MessageMapHandlesAppMessagesAndCanCallInherited) {
  TForm* f = MakeForm("TMainForm");
  f->SetMessageHandler(WM_APP + 101, [](TMessage& M) { M.Result = 6543124; });
  f->SetMessageHandler(WM_GETMINMAXINFO, [f](TMessage& M) {
    f->Inherited(M);
    auto* mmi = reinterpret_cast<MINMAXINFO*>(M.LParam);
    mmi->ptMinTrackSize.x = 259;
    mmi->ptMinTrackSize.y = 200;
  });
  f->Show();
  EXPECT_EQ(SendMessageW(f->Handle(), WM_APP + 101, 0, 0), 6543124);
  EXPECT_EQ(SendMessageW(f->Handle(), WM_APP + 102, 0, 0), 0);
  f->SetBounds(f->Left(), f->Top(), 50, 50);
  EXPECT_GE(f->Width(), 259);
  EXPECT_GE(f->Height(), 200);
}

TEST_F(UiTest, ConstraintsLimitTheTrackSize) {
  TForm* f = MakeForm();
  f->Constraints.MinWidth = 300;
  f->Constraints.MinHeight = 150;
  f->Show();
  f->SetBounds(0, 0, 100, 100);
  EXPECT_EQ(f->Width(), 300);
  EXPECT_EQ(f->Height(), 150);
}

TEST_F(UiTest, BorderStylesGiveTheirWindowStyles) {
  struct TCase {
    TFormBorderStyle Style;
    DWORD Want, Unwanted, ExWant;
  } cases[] = {
      {bsNone, WS_POPUP, WS_CAPTION, 0},
      {bsSingle, WS_CAPTION, WS_THICKFRAME, 0},
      {bsSizeable, WS_CAPTION | WS_THICKFRAME, 0, 0},
      {bsDialog, WS_CAPTION, WS_THICKFRAME | WS_MINIMIZEBOX, WS_EX_DLGMODALFRAME},
      {bsToolWindow, WS_CAPTION, WS_THICKFRAME, WS_EX_TOOLWINDOW},
  };
  for (const auto& c : cases) {
    TForm* f = MakeForm();
    f->SetBorderStyle(c.Style);
    f->Show();
    DWORD style = static_cast<DWORD>(GetWindowLongW(f->Handle(), GWL_STYLE));
    DWORD ex = static_cast<DWORD>(GetWindowLongW(f->Handle(), GWL_EXSTYLE));
    EXPECT_EQ(style & c.Want, c.Want) << c.Style;
    EXPECT_EQ(style & c.Unwanted, 0u) << c.Style;
    EXPECT_EQ(ex & c.ExWant, c.ExWant) << c.Style;
  }
}

TEST_F(UiTest, ShowModalEndsWithTheClickedButtonsModalResult) {
  TForm* f = MakeForm();
  auto* ok = new TButton(f);
  ok->SetName("OkButton");
  ok->SetCaption("OK");
  ok->SetModalResult(mrOk);
  ok->SetParent(f);
  auto* cancel = new TButton(f);
  cancel->SetName("CancelButton");
  cancel->SetCaption("Cancel");
  cancel->SetModalResult(mrCancel);
  cancel->SetLeft(100);
  cancel->SetParent(f);
  bool closeFired = false;
  f->OnClose = [&](TObject*, TCloseAction&) { closeFired = true; };
  TModalAnswerer answer;
  answer.PressButton("OkButton");
  EXPECT_EQ(f->ShowModal(), mrOk);
  EXPECT_TRUE(answer.Done());
  EXPECT_TRUE(closeFired);
  EXPECT_FALSE(IsWindowVisible(f->Handle()));
  EXPECT_FALSE(f->Modal());
}

TEST_F(UiTest, ShowModalDisablesOtherWindowsAndEnablesThemAfter) {
  TForm other(nullptr, "TOtherForm");
  other.Show();
  TForm* f = MakeForm();
  bool otherDisabledDuringModal = false;
  TModalAnswerer answer;
  answer.Then([&](HWND, TCustomForm* Form) {
    otherDisabledDuringModal = !IsWindowEnabled(other.Handle());
    Form->SetModalResult(mrYes);
    return true;
  });
  EXPECT_EQ(f->ShowModal(), mrYes);
  EXPECT_TRUE(otherDisabledDuringModal);
  EXPECT_TRUE(IsWindowEnabled(other.Handle()));
}

TEST_F(UiTest, CloseQueryCanKeepAModalFormOpen) {
  TForm* f = MakeForm();
  int asked = 0;
  f->OnCloseQuery = [&](TObject*, bool& CanClose) { CanClose = ++asked > 1; };
  TModalAnswerer answer;
  answer.Then([](HWND, TCustomForm* Form) {
    Form->Close();
    return true;
  });
  answer.Then([](HWND, TCustomForm* Form) {
    Form->Close();
    return true;
  });
  EXPECT_EQ(f->ShowModal(), mrCancel);
  EXPECT_EQ(asked, 2);
}

TEST_F(UiTest, EnterAndEscapeClickTheDefaultAndCancelButtons) {
  TForm* f = MakeForm();
  auto* edit = new TEdit(f);
  edit->SetParent(f);
  auto* ok = new TButton(f);
  ok->SetDefault(true);
  ok->SetTop(40);
  ok->SetParent(f);
  auto* cancel = new TButton(f);
  cancel->SetCancel(true);
  cancel->SetTop(80);
  cancel->SetParent(f);
  int okClicks = 0, cancelClicks = 0;
  ok->OnClick = [&](TObject*) { ++okClicks; };
  cancel->OnClick = [&](TObject*) { ++cancelClicks; };
  f->Show();
  edit->SetFocus();
  PressKey(edit, VK_RETURN);
  PressKey(edit, VK_ESCAPE);
  EXPECT_EQ(okClicks, 1);
  EXPECT_EQ(cancelClicks, 1);
}

TEST_F(UiTest, KeyPreviewSeesKeysFirstAndCanSwallowThem) {
  TForm* f = MakeForm();
  auto* edit = new TEdit(f);
  edit->SetParent(f);
  std::string formSaw, editSaw;
  f->SetKeyPreview(true);
  f->OnKeyPress = [&](TObject*, char& Key) {
    formSaw += Key;
    if (Key == 'x') Key = 0;
    if (Key == 'a') Key = 'b';
  };
  edit->OnKeyPress = [&](TObject*, char& Key) { editSaw += Key; };
  f->Show();
  edit->SetFocus();
  TypeText(edit, "axc");
  EXPECT_EQ(formSaw, "axc");
  EXPECT_EQ(editSaw, "bc");
  EXPECT_EQ(edit->Text(), "bc");
}

TEST_F(UiTest, ExceptionInAHandlerIsShownThroughThePromptRoutine) {
  TForm* f = MakeForm();
  auto* b = new TButton(f);
  b->SetParent(f);
  b->OnClick = [](TObject*) { throw Exception("Broken handler"); };
  f->Show();
  TPromptScript prompts({mrOk});
  Click(b);
  ASSERT_EQ(prompts.Prompts().size(), 1u);
  EXPECT_EQ(prompts.Prompts()[0].Text, "Broken handler.");
  EXPECT_EQ(prompts.Prompts()[0].Buttons & 0xF, pbOK);

  bool routed = false;
  Application->OnException = [&](TObject* Sender, const std::exception& E) {
    routed = Sender != nullptr && std::string(E.what()) == "Broken handler";
  };
  Click(b);
  Application->OnException = nullptr;
  EXPECT_TRUE(routed);
  EXPECT_EQ(prompts.Prompts().size(), 1u);
}

TEST_F(UiTest, AlignLaysOutChildrenInInsertionOrder) {
  TForm* f = MakeForm();
  f->Show();
  TRect client = f->ClientRect();
  auto make = [f](TAlign a, int size) {
    auto* p = new TPanel(f);
    p->SetBounds(0, 0, size, size);
    p->SetAlign(a);
    p->SetParent(f);
    return p;
  };
  TPanel* top = make(alTop, 30);
  TPanel* bottom = make(alBottom, 20);
  TPanel* left = make(alLeft, 50);
  TPanel* right = make(alRight, 40);
  TPanel* client1 = make(alClient, 10);
  EXPECT_EQ(top->BoundsRect().top, 0);
  EXPECT_EQ(top->Width(), client.right);
  EXPECT_EQ(bottom->Top(), client.bottom - 20);
  EXPECT_EQ(left->Left(), 0);
  EXPECT_EQ(left->Top(), 30);
  EXPECT_EQ(left->Height(), client.bottom - 50);
  EXPECT_EQ(right->Left(), client.right - 40);
  EXPECT_EQ(client1->Left(), 50);
  EXPECT_EQ(client1->Top(), 30);
  EXPECT_EQ(client1->Width(), client.right - 90);
  EXPECT_EQ(client1->Height(), client.bottom - 50);
  // Resizing the form lays the children out again.
  f->SetBounds(f->Left(), f->Top(), f->Width() + 60, f->Height() + 40);
  client = f->ClientRect();
  EXPECT_EQ(client1->Width(), client.right - 90);
  EXPECT_EQ(bottom->Top(), client.bottom - 20);
  // A hidden aligned control gives its room away.
  top->Hide();
  EXPECT_EQ(client1->Top(), 0);
}

TEST_F(UiTest, ApplicationParamsAndTitle) {
  Application->SetParams({"C:\\a b\\x.zip", "-e"});
  EXPECT_EQ(Application->ParamCount(), 2);
  EXPECT_EQ(Application->ParamStr(1), "C:\\a b\\x.zip");
  EXPECT_EQ(Application->ParamStr(2), "-e");
  EXPECT_EQ(Application->ParamStr(3), "");
  EXPECT_FALSE(Application->ParamStr(0).empty());
  Application->SetTitle("Quillon");
  EXPECT_EQ(Application->Title(), "Quillon");
  EXPECT_EQ(WindowText(Application->Handle()), "Quillon");
}

TEST_F(UiTest, ApplicationHooksSeeTheApplicationWindowsMessages) {
  int seen = 0;
  int id = Application->HookMainWindow([&](TMessage& M) {
    if (M.Msg != WM_APP + 7) return false;
    ++seen;
    M.Result = 42;
    return true;
  });
  EXPECT_EQ(SendMessageW(Application->Handle(), WM_APP + 7, 0, 0), 42);
  Application->UnhookMainWindow(id);
  EXPECT_EQ(SendMessageW(Application->Handle(), WM_APP + 7, 0, 0), 0);
  EXPECT_EQ(seen, 1);
}

TEST_F(UiTest, ActivationOfTheApplicationFiresOnActivateOnce) {
  int activated = 0, deactivated = 0;
  Application->OnActivate = [&](TObject*) { ++activated; };
  Application->OnDeactivate = [&](TObject*) { ++deactivated; };
  TForm* f = MakeForm();
  f->Show();
  SendMessageW(f->Handle(), WM_ACTIVATEAPP, FALSE, 0);
  SendMessageW(f->Handle(), WM_ACTIVATEAPP, TRUE, 0);
  SendMessageW(Application->Handle(), WM_ACTIVATEAPP, TRUE, 0);
  Application->OnActivate = nullptr;
  Application->OnDeactivate = nullptr;
  EXPECT_EQ(activated, 1);
  EXPECT_LE(deactivated, 1);
}

TEST_F(UiTest, ScreenKeepsFormsCursorsAndTheActiveControl) {
  TForm* f = MakeForm();
  bool found = false;
  for (int i = 0; i < Screen->FormCount(); ++i) found |= Screen->Forms(i) == f;
  EXPECT_TRUE(found);
  EXPECT_GT(Screen->Width(), 0);
  EXPECT_GT(Screen->Height(), 0);
  HCURSOR hand = LoadCursorW(nullptr, MAKEINTRESOURCEW(32649));
  Screen->SetCursors(14000, CopyCursor(hand));
  EXPECT_NE(Screen->Cursors(14000), nullptr);
  EXPECT_NE(Screen->Cursors(14000), Screen->Cursors(crDefault));
  EXPECT_EQ(Screen->Cursors(12345), Screen->Cursors(crArrow));
  auto* edit = new TEdit(f);
  edit->SetParent(f);
  f->Show();
  edit->SetFocus();
  EXPECT_EQ(Screen->ActiveControl(), edit);
  EXPECT_EQ(f->ActiveControl(), edit);
  delete edit;
  EXPECT_EQ(f->ActiveControl(), nullptr);
  EXPECT_NE(Screen->ActiveControl(), edit);
}

TEST_F(UiTest, MessageDialogIsAFormAnsweredByScript) {
  auto dlg = CreateMessageDialog("Archive Operation Interrupted. Continue?", mtConfirmation, mbYes | mbNo);
  EXPECT_EQ(dlg->Caption(), "Confirmation");
  EXPECT_EQ(Find<TLabel>(dlg.get(), "Message")->Caption(), "Archive Operation Interrupted. Continue?");
  EXPECT_TRUE(Find<TButton>(dlg.get(), "Yes")->Default());
  EXPECT_TRUE(Find<TButton>(dlg.get(), "No")->Cancel());
  EXPECT_EQ(FindComponent(dlg.get(), "OK"), nullptr);
  dlg.reset();
  TModalAnswerer answer;
  answer.PressButton("No");
  EXPECT_EQ(MessageDlg("Overwrite?", mtWarning, mbYesNoCancel), mrNo);
  ASSERT_EQ(answer.Seen().size(), 1u);
  EXPECT_EQ(answer.Seen()[0], "Warning");
}

TEST_F(UiTest, SystemMessageBoxIsAnsweredByScript) {
  TModalAnswerer answer;
  answer.PressButton("Yes");
  EXPECT_EQ(Application->MessageBox("Delete the file?", "Quillon", MB_YESNO), IDYES);
  ASSERT_EQ(answer.Seen().size(), 1u);
  EXPECT_NE(answer.Seen()[0].find("Delete the file?"), std::string::npos);
}

TEST_F(UiTest, HelpGoesToOnHelpAndWithoutAHelpFileNoFurther) {
  struct Call {
    WORD Command;
    LPARAM Data;
  };
  std::vector<Call> calls;
  bool callHelp = false;
  Application->OnHelp = [&](WORD Command, LPARAM Data, bool& CallHelp) {
    calls.push_back({Command, Data});
    CallHelp = callHelp;
    return true;
  };
  Application->HelpFile = "quillon.hlp";
  EXPECT_TRUE(Application->HelpContext(1234));
  EXPECT_TRUE(Application->HelpCommand(HELP_CONTEXTPOPUP, 77));
  // Without a help file, a handler that leaves CallHelp set still decides
  // the result: WinHelp is not called.
  Application->HelpFile.clear();
  callHelp = true;
  EXPECT_TRUE(Application->HelpContext(5));
  Application->OnHelp = nullptr;
  EXPECT_FALSE(Application->HelpContext(5));
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].Command, HELP_CONTEXT);
  EXPECT_EQ(calls[0].Data, 1234);
  EXPECT_EQ(calls[1].Command, HELP_CONTEXTPOPUP);
  EXPECT_EQ(calls[1].Data, 77);
  EXPECT_EQ(calls[2].Data, 5);
}

namespace {
// A control that draws with a palette and records how palette changes reach it.
class TPaletteUser : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  HPALETTE GetPalette() override { return Palette; }
  bool PaletteChanged(bool Foreground) override {
    Calls.push_back(Foreground);
    return TCustomControl::PaletteChanged(Foreground);
  }
  HPALETTE Palette = nullptr;
  std::vector<bool> Calls;
};
}  // namespace

TEST_F(UiTest, PaletteChangesReachTheControlsOfTheForm) {
  TForm* f = MakeForm();
  auto* plain = new TPaletteUser(f);
  plain->SetParent(f);
  auto* coloured = new TPaletteUser(f);
  coloured->SetParent(f);
  PALETTEENTRY entry{10, 20, 30, 0};
  struct {
    WORD Version, Count;
    PALETTEENTRY Entry;
  } log{0x300, 1, entry};
  HPALETTE palette = CreatePalette(reinterpret_cast<LOGPALETTE*>(&log));
  coloured->Palette = palette;
  f->Show();
  Application->ProcessMessages();
  plain->Calls.clear();
  coloured->Calls.clear();

  // Another window realised its palette: every control hears it in the
  // background.
  TForm other(nullptr, "TUiOtherForm");
  other.Show();
  SendMessageW(f->Handle(), WM_PALETTECHANGED, reinterpret_cast<WPARAM>(other.Handle()), 0);
  EXPECT_EQ(coloured->Calls, std::vector<bool>{false});
  EXPECT_EQ(plain->Calls, std::vector<bool>{false});
  // The form's own change is not news to it.
  SendMessageW(f->Handle(), WM_PALETTECHANGED, reinterpret_cast<WPARAM>(f->Handle()), 0);
  EXPECT_EQ(coloured->Calls.size(), 1u);
  // Asked for its palette in the foreground, the form says it has one; the
  // walk goes last control first and stops at the first with a palette.
  coloured->Calls.clear();
  plain->Calls.clear();
  EXPECT_EQ(SendMessageW(f->Handle(), WM_QUERYNEWPALETTE, 0, 0), 1);
  EXPECT_EQ(coloured->Calls, std::vector<bool>{true});
  EXPECT_TRUE(plain->Calls.empty());
  coloured->Palette = nullptr;
  EXPECT_EQ(SendMessageW(f->Handle(), WM_QUERYNEWPALETTE, 0, 0), 0);
  FForm.reset();
  DeleteObject(palette);
}
