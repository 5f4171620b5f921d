#include "controls/views/placement.h"

#include <gtest/gtest.h>

#include <string>

#include "controls/views/propsstorage.h"
#include "framework/core/sysutils.h"
#include "framework/ui/registry.h"
#include "framework/ui/stdctrls.h"
#include "tests/support/testsupport.h"
#include "views_fixture.h"

namespace {

std::string PlacementKey() { return "Software\\MorvTest\\Placement" + std::to_string(GetCurrentProcessId()); }

class PlacementTest : public ViewsTest {
 protected:
  void TearDown() override {
    ViewsTest::TearDown();
    TRegistry reg;
    reg.DeleteKey("\\" + PlacementKey());
  }
  // A form with a memo "ViewPort" whose font and lines are kept.
  TFormStorage* MakeStoredForm(TFormBorderStyle Border = bsSizeable) {
    TForm* f = MakeForm(300, 200);
    f->SetBorderStyle(Border);
    auto* memo = new TMemo(f);
    memo->SetName("ViewPort");
    memo->SetParent(f);
    auto* storage = new TFormStorage(f);
    storage->UseRegistry = true;
    storage->SetIniFileName(PlacementKey());
    storage->SetIniSection("TViewer");
    storage->StoredProps()->Add("ViewPort.Font");
    storage->StoredProps()->Add("ViewPort.Lines");
    storage->Loaded();
    return storage;
  }
  TMemo* Memo() { return dynamic_cast<TMemo*>(UiDriver::FindComponent(FForm.get(), "ViewPort")); }
  void CloseForm() {
    bool can = true;
    FForm->OnCloseQuery(FForm.get(), can);
  }
};

TEST_F(PlacementTest, SavesOnCloseAndRestoresOnShow) {
  MakeStoredForm();
  FForm->Show();  // nothing stored: the designed place stays
  Application->ProcessMessages();
  EXPECT_EQ(FForm->Left(), 30);
  EXPECT_EQ(FForm->Width(), 300);
  FForm->SetBounds(50, 60, 320, 210);
  Memo()->Font()->SetName("Courier New");
  Memo()->Font()->SetSize(13);
  Memo()->Lines()->Add("one");
  Memo()->Lines()->Add("two");
  CloseForm();

  TRegIniFile reg(PlacementKey());
  EXPECT_EQ(reg.ReadString("TViewer", "NormPos", ""), "50,60,370,270");
  EXPECT_EQ(reg.ReadString("TViewer", "NormPos" + ScreenSizeSuffix(), ""), "50,60,370,270");
  EXPECT_EQ(reg.ReadInteger("TViewer", "PixelsPerInch", 0), Screen->PixelsPerInch());
  EXPECT_EQ(reg.ReadInteger("TViewer", "ShowCmd", -1), SW_SHOWNORMAL);
  EXPECT_FALSE(reg.ReadBool("TViewer", "Visible", true));
  EXPECT_EQ(reg.ReadString("TViewer", "ViewPort_FontName", ""), "Courier New");
  EXPECT_EQ(reg.ReadString("TViewer", "ViewPort_FontSize", ""), "13");
  EXPECT_EQ(reg.ReadString("TViewer.ViewPort_Lines", "Count", ""), "2");
  EXPECT_EQ(reg.ReadString("TViewer.ViewPort_Lines", "Item1", ""), "two");

  FForm.reset();
  MakeStoredForm();
  FForm->Show();
  Application->ProcessMessages();
  EXPECT_EQ(FForm->Left(), 50);
  EXPECT_EQ(FForm->Top(), 60);
  EXPECT_EQ(FForm->Width(), 320);
  EXPECT_EQ(FForm->Height(), 210);
  EXPECT_EQ(Memo()->Font()->Name(), "Courier New");
  EXPECT_EQ(Memo()->Font()->Size(), 13);
  ASSERT_EQ(Memo()->Lines()->Count(), 2);
  EXPECT_EQ(Memo()->Lines()->Strings(0), "one");

  // A list that became empty erases its section; reading keeps the lines.
  Memo()->Lines()->Clear();
  CloseForm();
  EXPECT_EQ(reg.ReadString("TViewer.ViewPort_Lines", "Count", "none"), "none");
  // A window still open when it is destroyed notes that.
  FForm->Hide();
  FForm->Show();
  Application->ProcessMessages();
  FForm.reset();
  EXPECT_TRUE(reg.ReadBool("TViewer", "Visible", false));
}

TEST_F(PlacementTest, PlainValuesServeAnotherScreenSizeAndOtherDpiIsIgnored) {
  {
    TRegIniFile reg(PlacementKey());
    reg.WriteString("TViewer", "NormPos", "40,45,340,245");
    reg.WriteString("TViewer", "NormPos(1x1)", "1,1,2,2");
    reg.WriteInteger("TViewer", "PixelsPerInch", Screen->PixelsPerInch());
  }
  MakeStoredForm();
  FForm->Show();
  Application->ProcessMessages();
  EXPECT_EQ(FForm->Left(), 40);
  EXPECT_EQ(FForm->Top(), 45);
  FForm.reset();
  {
    TRegIniFile reg(PlacementKey());
    reg.WriteString("TViewer", "NormPos" + ScreenSizeSuffix(), "70,75,370,275");
    reg.WriteInteger("TViewer", "PixelsPerInch", Screen->PixelsPerInch() + 24);
  }
  MakeStoredForm();
  FForm->Show();
  Application->ProcessMessages();
  EXPECT_EQ(FForm->Left(), 30);
}

TEST_F(PlacementTest, FixedSizeDialogTakesOnlyThePosition) {
  {
    TRegIniFile reg(PlacementKey());
    reg.WriteString("TViewer", "NormPos", "40,45,640,545");
  }
  MakeStoredForm(bsDialog);
  const int w = FForm->Width(), h = FForm->Height();
  FForm->Show();
  Application->ProcessMessages();
  EXPECT_EQ(FForm->Left(), 40);
  EXPECT_EQ(FForm->Width(), w);
  EXPECT_EQ(FForm->Height(), h);
}

TEST_F(PlacementTest, TrackingLimitsAndPreventResize) {
  TForm* f = MakeForm(600, 400);
  auto* placement = new TFormPlacement(f);
  placement->UseRegistry = true;
  placement->SetIniFileName(PlacementKey());
  placement->MinMaxInfo()->SetValue(TWinMinMaxInfo::MinTrackWidth, 506);
  placement->MinMaxInfo()->SetValue(TWinMinMaxInfo::MinTrackHeight, 260);
  placement->Loaded();
  f->Show();
  Application->ProcessMessages();
  SetWindowPos(f->Handle(), nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
  RECT r;
  GetWindowRect(f->Handle(), &r);
  EXPECT_EQ(r.right - r.left, 506);
  EXPECT_EQ(r.bottom - r.top, 260);

  placement->SetPreventResize(true);
  EXPECT_FALSE(f->BorderIcons() & biMaximize);
  EXPECT_TRUE(IsWindowVisible(f->Handle()));
  GetWindowRect(f->Handle(), &r);
  SetWindowPos(f->Handle(), nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER);
  RECT after;
  GetWindowRect(f->Handle(), &after);
  EXPECT_EQ(after.right - after.left, r.right - r.left);
  // The sizing border is no border to the mouse.
  const LRESULT hit = SendMessageW(f->Handle(), WM_NCHITTEST, 0, MAKELPARAM(after.right - 1, (after.top + after.bottom) / 2));
  EXPECT_FALSE(hit >= HTLEFT && hit <= HTBOTTOMRIGHT) << hit;
  placement->SetPreventResize(false);
  EXPECT_TRUE(f->BorderIcons() & biMaximize);
}

// Through the one base, an INI file and the registry keep a quoted value as
// it was written.
TEST(StorageValues, QuotedValuesComeBackUnchanged) {
  const std::string file = morvtest::TempDir() + "\\placement.ini";
  TIniFile ini(file);
  std::unique_ptr<TCustomIniFile> regStorage = RegistryStorage(PlacementKey());
  TRegIniFile reg(PlacementKey());
  for (TCustomIniFile* s : std::initializer_list<TCustomIniFile*>{&ini, regStorage.get()}) {
    for (const char* v : {"'single'", "\"double\"", "plain", "'"}) {
      StorageWriteString(s, "Sec", "V", v);
      EXPECT_EQ(StorageReadString(s, "Sec", "V", "?"), v);
    }
    StorageWriteInteger(s, "Sec", "N", -17);
    EXPECT_EQ(StorageReadInteger(s, "Sec", "N", 0), -17);
  }
  StorageWriteString(regStorage.get(), "Sec", "V", "'x'");
  EXPECT_EQ(reg.ReadString("Sec", "V", ""), "'x'");
  TRegistry r;
  r.DeleteKey("\\" + PlacementKey());
  EXPECT_EQ(StorageReadString(nullptr, "Sec", "V", "dflt"), "dflt");
}

TEST(StoredPropList, LinesAreBoundAndRenamed) {
  TComponent owner(nullptr);
  owner.SetName("Form1");
  auto* a = new TComponent(&owner);
  a->SetName("Alpha");
  TStringList list;
  for (const char* l : {"Alpha.Font", " Alpha . Tag ", "Missing.Font", "NoDot", ".Font", "Alpha."}) list.Add(l);
  RefreshStoredPropList(&owner, &list, true);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Objects(0), a);
  a->SetName("Beta");
  RefreshStoredPropList(&owner, &list, false);
  EXPECT_EQ(list.Strings(0), "Beta.Font");
  EXPECT_EQ(list.Strings(1), "Beta.Tag");
}

}  // namespace
