#include <string>
#include <vector>

#include "framework/ui/dialogs.h"
#include "framework/ui/extctrls.h"
#include "framework/ui/stdctrls.h"
#include "tests/framework/ui/ui_fixture.h"
#include "tests/support/testsupport.h"

using namespace UiDriver;

TEST(FileDialogs, OptionsFilterAndMultiSelectBuffers) {
  DWORD flags = OpenOptionsToFlags(ofAllowMultiSelect | ofFileMustExist | ofHideReadOnly);
  EXPECT_EQ(flags, static_cast<DWORD>(OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY));
  EXPECT_EQ(OpenOptionsToFlags(ofOldStyleDialog | ofOverwritePrompt), static_cast<DWORD>(OFN_OVERWRITEPROMPT));
  std::wstring f = FilterToWide("Zip|*.zip|All|*.*");
  EXPECT_EQ(f, std::wstring(L"Zip\0*.zip\0All\0*.*\0\0", 19));
  const wchar_t many[] = L"C:\\dir\0a.zip\0b.zip\0";
  EXPECT_EQ(SplitMultiSelect(many, sizeof many / sizeof many[0]),
            (std::vector<std::string>{"C:\\dir\\a.zip", "C:\\dir\\b.zip"}));
  const wchar_t one[] = L"C:\\dir\\only.zip\0";
  EXPECT_EQ(SplitMultiSelect(one, sizeof one / sizeof one[0]), std::vector<std::string>{"C:\\dir\\only.zip"});
  const wchar_t unterminated[] = {L'C', L':', L'\\', L'x'};
  EXPECT_EQ(SplitMultiSelect(unterminated, 4), std::vector<std::string>{"C:\\x"});
}

TEST_F(UiTest, SaveDialogIsAnsweredByScript) {
  std::string dir = morvtest::TempDir();
  TSaveDialog dlg(nullptr);
  dlg.InitialDir = dir;
  dlg.Filter = "Zip archives|*.zip|All files|*.*";
  dlg.DefaultExt = "zip";
  TModalAnswerer answer;
  answer.Then([](HWND Dialog, TCustomForm* Form) {
    if (Form) return false;
    HWND name = GetDlgItem(Dialog, 0x47c);
    if (!name) name = GetDlgItem(Dialog, 0x480);
    if (!name) return false;
    SetWindowTextW(name, L"answer");
    PostMessageW(Dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return true;
  });
  ASSERT_TRUE(dlg.Execute());
  EXPECT_TRUE(SameText(dlg.FileName, dir + "\\answer.zip")) << dlg.FileName;
  ASSERT_EQ(dlg.Files()->Count(), 1);
  EXPECT_EQ(dlg.Files()->Strings(0), dlg.FileName);

  TModalAnswerer cancel;
  cancel.PressButton("Cancel");
  EXPECT_FALSE(dlg.Execute());
  EXPECT_EQ(dlg.Files()->Count(), 0);
}

TEST_F(UiTest, RunShowsTheMainFormAndEndsWhenItCloses) {
  auto* form = Application->CreateForm<TForm>("TMainForm");
  ASSERT_EQ(Application->MainForm(), form);
  bool shown = false;
  form->OnShow = [&](TObject*) { shown = true; };
  TTimer closer(nullptr);
  closer.SetInterval(50);
  closer.OnTimer = [&](TObject*) {
    closer.SetEnabled(false);
    form->Close();
  };
  Application->Run();
  EXPECT_TRUE(shown);
  EXPECT_TRUE(Application->Terminated());
  delete form;
  EXPECT_EQ(Application->MainForm(), nullptr);
  // A modal form still runs after the loop ended.
  TForm dialog(nullptr);
  TModalAnswerer answer;
  answer.Then([](HWND, TCustomForm* Form) {
    Form->SetModalResult(mrOk);
    return true;
  });
  EXPECT_EQ(dialog.ShowModal(), mrOk);
}

TEST_F(UiTest, ReleasedFormIsDeletedByTheMessageLoop) {
  auto* f = new TForm(nullptr);
  bool destroyed = false;
  f->OnDestroy = [&](TObject*) { destroyed = true; };
  f->Show();
  f->Release();
  EXPECT_FALSE(destroyed);
  EXPECT_TRUE(WaitFor([&] { return destroyed; }, 2000));
}

TEST_F(UiTest, HintOfTheControlUnderTheMouseReachesOnHint) {
  TForm* f = MakeForm();
  auto* b = new TButton(f);
  b->SetHint("Opens an archive");
  b->SetParent(f);
  auto* l = new TLabel(f);
  l->SetHint("Status");
  l->SetAutoSize(false);
  l->SetBounds(10, 100, 60, 20);
  l->SetParent(f);
  f->Show();
  std::vector<std::string> hints;
  Application->OnHint = [&](TObject*) { hints.push_back(Application->Hint()); };
  SendMessageW(b->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  SendMessageW(f->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(15, 105));
  SendMessageW(f->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(300, 250));
  Application->OnHint = nullptr;
  EXPECT_EQ(hints, (std::vector<std::string>{"Opens an archive", "Status", ""}));
}

TEST_F(UiTest, VariableOwnerDrawItemsAreMeasuredByTheHandler) {
  TForm* f = MakeForm();
  auto* list = new TListBox(f);
  list->SetStyle(lbOwnerDrawVariable);
  list->OnMeasureItem = [](TWinControl*, int Index, int& Height) { Height = 20 + Index * 5; };
  list->SetParent(f);
  f->Show();
  list->Items()->SetText("a\nb\nc");
  EXPECT_EQ(SendMessageW(list->Handle(), LB_GETITEMHEIGHT, 0, 0), 20);
  EXPECT_EQ(SendMessageW(list->Handle(), LB_GETITEMHEIGHT, 2, 0), 30);
}

TEST_F(UiTest, ImageShowsItsPictureAndPanelItsBevel) {
  TForm* f = MakeForm();
  auto* panel = new TPanel(f);
  panel->SetBounds(0, 0, 200, 120);
  panel->SetBevelOuter(bvLowered);
  panel->SetParent(f);
  auto* image = new TImage(f);
  image->SetAutoSize(true);
  image->Picture()->Bitmap()->SetSize(8, 6);
  TCanvas* c = image->Picture()->Bitmap()->Canvas();
  c->Brush()->SetColor(clNavy);
  c->FillRect(Rect(0, 0, 8, 6));
  image->SetLeft(20);
  image->SetTop(30);
  image->SetParent(panel);
  f->Show();
  EXPECT_EQ(image->Width(), 8);
  EXPECT_EQ(image->Height(), 6);
  UpdateWindow(panel->Handle());
  TControlCanvasDC canvas(panel->Handle());
  EXPECT_EQ(canvas.Pixels(22, 32), clNavy);
  EXPECT_EQ(canvas.Pixels(0, 0), static_cast<TColor>(ColorToRGB(clBtnShadow)));
  EXPECT_EQ(canvas.Pixels(100, 100), static_cast<TColor>(ColorToRGB(clBtnFace)));
}
