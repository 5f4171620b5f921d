// The menu bar: Alt and F10 modes, mnemonics, shortcuts, hot tracking; and a
// picture of an open menu for people to look at.
#include <filesystem>
#include <utility>
#include <vector>

#include "controls/commands/mxstdcmds.h"
#include "framework/ui/comctrls.h"
#include "menus_fixture.h"

class MenuBarTest : public MenuTest {
 protected:
  void SetUp() override {
    MenuTest::SetUp();
    if (IsSkipped()) return;
    Main = new TMainMenu(FForm.get());
    File = AddItem(Main->Items(), "&File");
    AddItem(File, "&Open Archive...", &OpenClicks);
    AddItem(File, "-");
    AddItem(File, "E&xit");
    Edit = AddItem(Main->Items(), "&Edit");
    AddItem(Edit, "&Copy", &CopyClicks);
    Tools = AddItem(Main->Items(), "&Tools");
    AddItem(Tools, "Spell", &SpellClicks)->SetShortCutText("F7;Alt+K");
    AddItem(Main->Items(), "&Nothing");  // no children: never drops
    FForm->SetMenu(Main);
    Bar = new TCustomMenuBarX(FForm.get());
    Bar->SetParent(FForm.get());
    Bar->Options()->Animation = anNone;
    Bar->Loaded();
    Pump();
  }
  TPopupMenuXForm* Drop() { return Bar->DropMenu()->Form(); }
  TMainMenu* Main = nullptr;
  TMenuItemX *File = nullptr, *Edit = nullptr, *Tools = nullptr;
  TCustomMenuBarX* Bar = nullptr;
  int OpenClicks = 0, CopyClicks = 0, SpellClicks = 0;
};

TEST_F(MenuBarTest, TakesOverTheFormsMenu) {
  EXPECT_EQ(Bar->Menu(), Main);
  EXPECT_EQ(FForm->Menu(), nullptr);
  EXPECT_EQ(GetMenu(FForm->Handle()), nullptr);
  EXPECT_EQ(MenuBar, Bar);
  EXPECT_EQ(Bar->BarItems().size(), 4u);
  EXPECT_GT(Bar->Height(), 10);
  EXPECT_LT(Bar->ItemRect(0).right, Bar->ItemRect(1).right);
}

TEST_F(MenuBarTest, AltHighlightsTheFirstItemAndDownOpensIt) {
  Key(VK_MENU, WM_SYSKEYDOWN);
  Key(VK_MENU, WM_SYSKEYUP);
  EXPECT_EQ(Bar->TrackMode, 2);
  EXPECT_EQ(Bar->HotIndex(), 0);
  EXPECT_FALSE(IsMenuOpen());
  Key(VK_DOWN);
  ASSERT_TRUE(IsMenuOpen());
  EXPECT_EQ(Drop()->Item, File);
  EXPECT_EQ(Drop()->ItemIndex, 0);
  // Right moves to the next item and drops its menu.
  Key(VK_RIGHT);
  ASSERT_TRUE(IsMenuOpen());
  EXPECT_EQ(Bar->HotIndex(), 1);
  EXPECT_EQ(Drop()->Item, Edit);
  Key(VK_LEFT);
  EXPECT_EQ(Drop()->Item, File);
  Key(VK_ESCAPE);
  EXPECT_FALSE(IsMenuOpen());
  EXPECT_EQ(Bar->TrackMode, 0);
}

TEST_F(MenuBarTest, F10EntersAndLeavesMenuMode) {
  Key(VK_F10, WM_SYSKEYDOWN);
  Key(VK_F10, WM_SYSKEYUP);
  EXPECT_EQ(Bar->TrackMode, 2);
  EXPECT_EQ(Bar->HotIndex(), 0);
  Key(VK_F10, WM_SYSKEYDOWN);
  Key(VK_F10, WM_SYSKEYUP);  // the release after leaving is ignored
  EXPECT_EQ(Bar->TrackMode, 0);
  EXPECT_EQ(Bar->HotIndex(), -1);
  Key(VK_F10, WM_SYSKEYDOWN);
  Key(VK_F10, WM_SYSKEYUP);
  EXPECT_EQ(Bar->TrackMode, 2);
}

TEST_F(MenuBarTest, AltLetterOpensByMnemonicAndLetterChooses) {
  Key('E', WM_SYSKEYDOWN);
  ASSERT_TRUE(IsMenuOpen());
  EXPECT_EQ(Drop()->Item, Edit);
  Key('E', WM_SYSKEYUP);
  Key(VK_MENU, WM_KEYUP);
  EXPECT_EQ(Bar->TrackMode, 2);
  Key('C');
  WaitFor([&] { return CopyClicks > 0; }, 2000);
  EXPECT_EQ(CopyClicks, 1);
  EXPECT_FALSE(IsMenuOpen());
  // Alt while a menu is open closes it, and its release does not reopen the mode.
  Key('F', WM_SYSKEYDOWN);
  ASSERT_TRUE(IsMenuOpen());
  Key(VK_MENU, WM_SYSKEYDOWN);
  EXPECT_FALSE(IsMenuOpen());
  Key(VK_MENU, WM_SYSKEYUP);
  EXPECT_EQ(Bar->TrackMode, 0);
  // An item without children drops nothing.
  Key('N', WM_SYSKEYDOWN);
  EXPECT_FALSE(IsMenuOpen());
}

TEST_F(MenuBarTest, EveryShortcutOfAnItemFires) {
  Key(VK_F7);
  WaitFor([&] { return SpellClicks > 0; }, 2000);
  EXPECT_EQ(SpellClicks, 1);
  Key('K', WM_SYSKEYDOWN);
  WaitFor([&] { return SpellClicks > 1; }, 2000);
  EXPECT_EQ(SpellClicks, 2);
  // A disabled parent stops it.
  Tools->SetEnabled(false);
  Key(VK_F7);
  WaitFor([] { return false; }, 100);
  EXPECT_EQ(SpellClicks, 2);
}

TEST_F(MenuBarTest, MouseHotTracksAndClickDrops) {
  TRect r = Bar->ItemRect(1);
  PostMouse(Bar, WM_MOUSEMOVE, r.left + 4, r.top + 4);
  EXPECT_EQ(Bar->HotIndex(), 1);
  EXPECT_EQ(Bar->TrackMode, 1);
  PostMouse(Bar, WM_MOUSEMOVE, r.left + 5, r.top + 5);  // within 2 pixels
  EXPECT_EQ(Bar->HotIndex(), 1);
  PostMouse(Bar, WM_LBUTTONDOWN, r.left + 8, r.top + 4, MK_LBUTTON);
  ASSERT_TRUE(IsMenuOpen());
  EXPECT_EQ(Drop()->Item, Edit);
  // The menu opens below the item.
  TPoint below = Bar->ClientToScreen(Point(r.left, r.bottom));
  EXPECT_EQ(Drop()->Left(), below.x);
  EXPECT_EQ(Drop()->Top(), below.y);
  // Moving to another item while a menu is open drops that one.
  TRect f = Bar->ItemRect(0);
  PostMouse(Bar, WM_MOUSEMOVE, f.left + 4, f.top + 4);
  EXPECT_EQ(Drop()->Item, File);
  // A click elsewhere closes the menu and leaves the mode.
  PostMouse(FForm.get(), WM_LBUTTONDOWN, 300, 300, MK_LBUTTON);
  EXPECT_FALSE(IsMenuOpen());
  EXPECT_EQ(Bar->TrackMode, 0);
}

TEST_F(MenuBarTest, DeletingAnItemOfTheOpenMenuClosesIt) {
  TRect r = Bar->ItemRect(1);
  PostMouse(Bar, WM_LBUTTONDOWN, r.left + 4, r.top + 4, MK_LBUTTON);
  ASSERT_TRUE(IsMenuOpen());
  ASSERT_EQ(Drop()->Item, Edit);
  // A row's item goes: the menu closes rather than keep a stale row.
  delete Edit->Items(0);
  EXPECT_FALSE(IsMenuOpen());
  Pump();
  // The bar item itself goes while its menu is open.
  TRect f = Bar->ItemRect(0);
  PostMouse(Bar, WM_LBUTTONDOWN, f.left + 4, f.top + 4, MK_LBUTTON);
  ASSERT_TRUE(IsMenuOpen());
  ASSERT_EQ(Drop()->Item, File);
  delete File;
  File = nullptr;
  EXPECT_FALSE(IsMenuOpen());
  Pump();
  EXPECT_EQ(Bar->BarItems().size(), 3u);
}

TEST_F(MenuBarTest, ToolTipsNameTheItemsWithHints) {
  EXPECT_EQ(Bar->ToolTips(), nullptr);  // ShowHint is off
  Bar->ShowHint = true;
  Bar->MenuChangedNotice(1);
  Pump();
  ASSERT_NE(Bar->ToolTips(), nullptr);
  // File, Edit and Tools are standard commands with hints; Nothing has none.
  const HWND tips = Bar->ToolTips()->Handle();
  ASSERT_EQ(SendMessageA(tips, TTM_GETTOOLCOUNT, 0, 0), 3);
  char text[256] = {};
  TOOLINFOA ti{};
  ti.cbSize = TTTOOLINFOA_V1_SIZE;
  ti.lpszText = text;
  ASSERT_TRUE(SendMessageA(tips, TTM_ENUMTOOLSA, 0, reinterpret_cast<LPARAM>(&ti)));
  EXPECT_STREQ(text, "Contains commands for controlling the display of your document");
  TRect file = Bar->ItemRect(0);
  EXPECT_EQ(ti.rect.left, file.left);
  EXPECT_EQ(ti.rect.right, file.right);
  // Of several pending change notices the last acts for all: a relayout
  // followed by a repaint still moves the tools.
  File->TMenuItem::SetCaption("&File with a much longer caption");
  Bar->MenuChangedNotice(1);
  Bar->MenuChangedNotice(0);
  Pump();
  // File has no standard hint now: Edit's tool comes first.
  TOOLINFOA edit{};
  edit.cbSize = TTTOOLINFOA_V1_SIZE;
  edit.lpszText = text;
  ASSERT_TRUE(SendMessageA(Bar->ToolTips()->Handle(), TTM_ENUMTOOLSA, 0, reinterpret_cast<LPARAM>(&edit)));
  EXPECT_EQ(edit.rect.left, Bar->ItemRect(1).left);
  EXPECT_GT(edit.rect.left, file.right);
  // With a status bar the hints go there instead.
  auto* status = new TStatusBar(FForm.get());
  status->SetParent(FForm.get());
  Bar->StatusBar = status;
  Bar->MenuChangedNotice(1);
  Pump();
  EXPECT_EQ(Bar->ToolTips(), nullptr);
}

namespace {

LRESULT CALLBACK MdiChildProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  return DefMDIChildProcA(Window, Msg, WParam, LParam);
}

}  // namespace

// The form as an MDI frame with one maximised child.
class MdiMenuBarTest : public MenuBarTest {
 protected:
  HWND MakeChild(DWORD Style) {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    static bool registered = false;
    if (!registered) {
      WNDCLASSA wc{};
      wc.lpfnWndProc = MdiChildProc;
      wc.hInstance = inst;
      wc.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32515));  // IDI_WARNING
      wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
      wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
      wc.lpszClassName = "MorvMdiChild";
      registered = RegisterClassA(&wc) != 0;
    }
    if (!Client) {
      CLIENTCREATESTRUCT ccs{nullptr, 50000};
      Client = CreateWindowExA(WS_EX_CLIENTEDGE, "MDICLIENT", nullptr,
                               WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE | MDIS_ALLCHILDSTYLES, 0, Bar->Height(), 500,
                               280, FForm->Handle(), nullptr, inst, &ccs);
    }
    MDICREATESTRUCTA mcs{"MorvMdiChild", "Document", inst, 0, 0, 240, 160, Style, 0};
    auto child = reinterpret_cast<HWND>(SendMessageA(Client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
    SendMessageA(Client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(child), 0);
    Activate();
    WaitFor([&] { return Bar->ActiveChild() == child; });
    return child;
  }
  static constexpr DWORD AllBoxes =
      WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_VISIBLE;
  void ClickButton(int Button) {
    TRect r = Bar->ButtonRect(Button);
    PostMouse(Bar, WM_LBUTTONDOWN, r.left + 3, r.top + 3, MK_LBUTTON);
    PostMouse(Bar, WM_LBUTTONUP, r.left + 3, r.top + 3);
  }
  HWND Client = nullptr;
};

TEST_F(MdiMenuBarTest, MaximisedChildGetsItsIconAndCaptionButtons) {
  const int plainWidth = Bar->ItemRect(3).right;
  HWND child = MakeChild(AllBoxes);
  ASSERT_EQ(Bar->ActiveChild(), child);
  // Its system item comes first; the menu's items move right.
  auto items = Bar->BarItems();
  ASSERT_EQ(items.size(), 5u);
  EXPECT_EQ(items[0], Bar->SystemItem());
  EXPECT_EQ(Bar->ItemRect(0).right - Bar->ItemRect(0).left, Bar->ButtonSize() + 4);
  EXPECT_EQ(Bar->ItemRect(4).right, plainWidth + Bar->ButtonSize() + 4);
  // Close at the right end, restore and minimise left of it.
  const int size = Bar->ButtonSize();
  EXPECT_EQ(Bar->ButtonRect(3).right, Bar->Width() - 2);
  EXPECT_EQ(Bar->ButtonRect(2).right, Bar->ButtonRect(3).left - 2);
  EXPECT_EQ(Bar->ButtonRect(1).right, Bar->ButtonRect(2).left);
  EXPECT_EQ(Bar->ButtonRect(1).right - Bar->ButtonRect(1).left, size);
  for (int b = 1; b <= 3; ++b) {
    TRect r = Bar->ButtonRect(b);
    EXPECT_EQ(Bar->ButtonAt(r.left + 2, r.top + 2), b);
  }
  EXPECT_EQ(Bar->ButtonAt(Bar->Width() / 2, 5), 0);
  // The icon is drawn in the first cell.
  Bar->Repaint();
  int inked = 0;
  HDC dc = GetDC(Bar->Handle());
  TRect icon = Bar->ItemRect(0);
  for (int y = icon.top; y < icon.bottom; ++y)
    for (int x = icon.left; x < icon.right; ++x)
      if (GetPixel(dc, x, y) != static_cast<COLORREF>(ColorToRGB(clMenu))) ++inked;
  ReleaseDC(Bar->Handle(), dc);
  EXPECT_GT(inked, 20);
  const std::string dir = std::string(MORV_BINARY_DIR) + "/screenshots";
  std::filesystem::create_directories(dir);
  RECT fr;
  GetWindowRect(FForm->Handle(), &fr);
  TBitmap shot;
  shot.SetSize(fr.right - fr.left, fr.bottom - fr.top);
  HDC screen = GetDC(nullptr);
  BitBlt(shot.Canvas()->Handle(), 0, 0, shot.Width(), shot.Height(), screen, fr.left, fr.top, SRCCOPY);
  ReleaseDC(nullptr, screen);
  shot.SaveToFile(dir + "/menubar_mdi.bmp");

  // Restore: the child is no longer maximised and the bar drops its parts.
  ClickButton(2);
  EXPECT_FALSE(IsZoomed(child));
  ASSERT_TRUE(WaitFor([&] { return Bar->ActiveChild() == nullptr; }));
  EXPECT_EQ(Bar->BarItems().size(), 4u);
  // Minimise.
  SendMessageA(Client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(child), 0);
  ASSERT_TRUE(WaitFor([&] { return Bar->ActiveChild() == child; }));
  ClickButton(1);
  EXPECT_TRUE(IsIconic(child));
  // Close.
  SendMessageA(Client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(child), 0);
  ASSERT_TRUE(WaitFor([&] { return Bar->ActiveChild() == child; }));
  ClickButton(3);
  EXPECT_FALSE(IsWindow(child));
  EXPECT_TRUE(WaitFor([&] { return Bar->ActiveChild() == nullptr; }));
}

TEST_F(MdiMenuBarTest, ButtonsTheChildLacksDoNothing) {
  HWND child = MakeChild(WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_VISIBLE);
  ASSERT_EQ(Bar->ActiveChild(), child);
  TRect restore = Bar->ButtonRect(2);
  EXPECT_EQ(Bar->ButtonAt(restore.left + 2, restore.top + 2), 0);
  ClickButton(2);
  EXPECT_TRUE(IsZoomed(child));
  EXPECT_EQ(Bar->PressedButton(), 0);
  // A child with neither box shows the close button only.
  HWND plain = MakeChild(WS_CAPTION | WS_SYSMENU | WS_VISIBLE);
  ASSERT_EQ(Bar->ActiveChild(), plain);
  TRect minimise = Bar->ButtonRect(1);
  EXPECT_EQ(Bar->ButtonAt(minimise.left + 2, minimise.top + 2), 0);
  TRect close = Bar->ButtonRect(3);
  EXPECT_EQ(Bar->ButtonAt(close.left + 2, close.top + 2), 3);
}

TEST_F(MdiMenuBarTest, SystemMenuDropsFromTheKeyboardAndSendsItsCommands) {
  HWND child = MakeChild(AllBoxes);
  ASSERT_EQ(Bar->ActiveChild(), child);
  // Alt alone makes the system item hot; Down drops the child's system menu.
  Key(VK_MENU, WM_SYSKEYDOWN);
  Key(VK_MENU, WM_SYSKEYUP);
  EXPECT_EQ(Bar->HotIndex(), 0);
  Key(VK_DOWN);
  ASSERT_TRUE(IsMenuOpen());
  EXPECT_EQ(Drop()->MenuHandle, GetSystemMenu(child, FALSE));
  EXPECT_GT(Drop()->RowCount(), 3);
  // Left wraps from the system item to the last item.
  Key(VK_LEFT);
  EXPECT_EQ(Bar->HotIndex(), 4);
  Key(VK_ESCAPE);
  EXPECT_FALSE(IsMenuOpen());
  // Alt+minus of the numeric pad drops it at once; C chooses Close.
  Key(VK_SUBTRACT, WM_SYSKEYDOWN);
  ASSERT_TRUE(IsMenuOpen());
  EXPECT_EQ(Drop()->MenuHandle, GetSystemMenu(child, FALSE));
  Key('C');
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(child); }));
  EXPECT_FALSE(IsMenuOpen());
}

TEST_F(MdiMenuBarTest, DoubleClickOnTheIconClosesTheChild) {
  HWND child = MakeChild(AllBoxes);
  ASSERT_EQ(Bar->ActiveChild(), child);
  TRect icon = Bar->ItemRect(0);
  PostMouse(Bar, WM_LBUTTONDOWN, icon.left + 3, icon.top + 3, MK_LBUTTON);
  PostMouse(Bar, WM_LBUTTONUP, icon.left + 3, icon.top + 3);
  ASSERT_TRUE(IsMenuOpen());  // a single click drops the system menu
  PostMouse(Bar, WM_LBUTTONDBLCLK, icon.left + 3, icon.top + 3, MK_LBUTTON);
  PostMouse(Bar, WM_LBUTTONUP, icon.left + 3, icon.top + 3);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(child); }));
}

TEST_F(MenuBarTest, ScreenshotOfAnOpenMenu) {
  auto* popup = new TPopupMenuX(FForm.get());
  popup->Options()->Animation = anNone;
  popup->Options()->Title()->Visible = true;
  popup->Options()->Title()->Width = 22;
  popup->Options()->Title()->Text = "Quillon 2000";
  popup->Options()->Title()->Font()->SetName("Arial Black");
  popup->Options()->Title()->Font()->SetSize(11);
  popup->Options()->Title()->Font()->SetColor(clWhite);
  for (const char* c : {"&New Archive...", "&Open Archive...", "&Close Archive", "-", "&Copy", "&Paste", "&Delete",
                        "&Find", "P&roperties", "-", "&Refresh", "&Contents"})
    AddItem(popup->Items(), c);
  TMenuItemX* checked = AddItem(popup->Items(), "Status &Bar");
  checked->SetChecked(true);
  TMenuItemX* sub = AddItem(popup->Items(), "Arrange &Icons");
  AddItem(sub, "by &Name");
  popup->Items()->Items(2)->SetEnabled(false);
  TPopupMenuXForm* w = Show(popup, FForm->Left() + 40, FForm->Top() + 60);
  MoveToRow(w, 4);
  Pump();
  WaitFor([] { return false; }, 200);
  RECT fr, mr;
  GetWindowRect(FForm->Handle(), &fr);
  GetWindowRect(w->Handle(), &mr);
  RECT all;
  UnionRect(&all, &fr, &mr);
  TBitmap shot;
  shot.SetSize(all.right - all.left, all.bottom - all.top);
  HDC screen = GetDC(nullptr);
  BitBlt(shot.Canvas()->Handle(), 0, 0, shot.Width(), shot.Height(), screen, all.left, all.top, SRCCOPY);
  ReleaseDC(nullptr, screen);
  const std::string dir = std::string(MORV_BINARY_DIR) + "/screenshots";
  std::filesystem::create_directories(dir);
  shot.SaveToFile(dir + "/menu_open.bmp");
  EXPECT_TRUE(std::filesystem::exists(dir + "/menu_open.bmp"));
  // The pictures are drawn: the Copy row is not plain menu colour in its glyph column.
  TRect r = w->GetItemRect(4);
  int coloured = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.left + 20; ++x)
      if (ColorToRGB(w->Buffer->Canvas()->Pixels(x, y)) != ColorToRGB(clHighlight) &&
          ColorToRGB(w->Buffer->Canvas()->Pixels(x, y)) != ColorToRGB(clMenu))
        ++coloured;
  EXPECT_GT(coloured, 20);
}

TEST_F(MenuBarTest, F1ShowsTheHelpOfTheHotItemOrOfTheOpenRow) {
  std::vector<std::pair<WORD, LPARAM>> Calls;
  Application->OnHelp = [&](WORD Command, LPARAM Data, bool& CallHelp) {
    Calls.push_back({Command, Data});
    CallHelp = false;
    return true;
  };
  File->HelpContext = 11;
  File->Items(0)->HelpContext = 12;
  // Without a help file F1 is only a key.
  Key(VK_MENU, WM_SYSKEYDOWN);
  Key(VK_MENU, WM_SYSKEYUP);
  ASSERT_EQ(Bar->TrackMode, 2);
  Key(VK_F1);
  EXPECT_TRUE(Calls.empty());

  Application->HelpFile = "quillon.hlp";
  Key(VK_F1);
  Key(VK_RIGHT);  // Edit has no context
  Key(VK_F1);
  EXPECT_EQ(Bar->TrackMode, 2);
  Key(VK_LEFT);
  Key(VK_DOWN);
  ASSERT_TRUE(IsMenuOpen());
  ASSERT_EQ(Drop()->ItemIndex, 0);
  Key(VK_F1);
  EXPECT_FALSE(IsMenuOpen());
  EXPECT_EQ(Bar->TrackMode, 0);
  Application->HelpFile.clear();
  Application->OnHelp = nullptr;

  ASSERT_EQ(Calls.size(), 2u);
  EXPECT_EQ(Calls[0], std::make_pair(static_cast<WORD>(HELP_CONTEXT), static_cast<LPARAM>(11)));
  EXPECT_EQ(Calls[1], std::make_pair(static_cast<WORD>(HELP_CONTEXT), static_cast<LPARAM>(12)));
}
