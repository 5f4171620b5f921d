// The LED, the splitter, the drop target, the shortcut maker and the
// application events, and a screenshot of a form that shows them together.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/views/advled.h"
#include "controls/views/advsplitter.h"
#include "controls/views/appevents.h"
#include "controls/views/extlistview.h"
#include "controls/views/filedrag.h"
#include "controls/views/shelllink.h"
#include "framework/ui/comctrls.h"
#include "tests/support/testsupport.h"
#include "views_fixture.h"

// After the layer's headers, whose names these system headers would rename.
#include <objbase.h>
#include <shlobj.h>
#undef GetObject

// ---- LED -------------------------------------------------------------------

TEST(AdvLed, SwitchingCountsAndPictureNames) {
  TAdvLed led(nullptr);
  std::vector<std::pair<bool, int>> events;
  led.OnLedStateChanged = [&](TObject*, bool On, int N) { events.push_back({On, N}); };
  led.SetLedOn(true);
  led.SetLedOn(true);
  led.SetLedOn(false);
  EXPECT_EQ(events, (std::vector<std::pair<bool, int>>{{true, 1}, {false, 2}}));
  EXPECT_EQ(led.PictureName(), "AMRNDLED3DUP");
  led.SetCtl3D(false);
  EXPECT_EQ(led.BorderStyle(), brDefault);
  EXPECT_EQ(led.PictureName(), "AMRNDLEDFLAT");
  led.SetBorderStyle(brLowered);
  EXPECT_TRUE(led.Ctl3D());
  EXPECT_EQ(led.PictureName(), "AMRNDLED3DDWN");
  led.SetLedType(ltParallelFwd);
  EXPECT_EQ(led.PictureName(), "AMPRLLEDFWT3DDWN");
  led.SetBorderStyle(brDefault);
  EXPECT_EQ(led.PictureName(), "AMPRLLEDFWT");
  EXPECT_EQ(led.Width(), 13);
  EXPECT_EQ(led.Height(), 13);
  led.SetBounds(5, 6, 40, 30);
  led.Loaded();
  EXPECT_EQ(led.Width(), 13);
  EXPECT_EQ(led.Left(), 5);
}

TEST(AdvLed, AllSixtyFourPicturesUseTheKeyColours) {
  for (int t = ltDiamond; t <= ltTriangleUp; ++t)
    for (auto [border, ctl3d] : {std::pair{brRaised, true}, {brLowered, true}, {brDefault, true}, {brDefault, false}}) {
      std::string name = LedPictureName(static_cast<TLedType>(t), border, ctl3d);
      TBitmap bmp;
      ASSERT_TRUE(LoadLedPicture(name, &bmp)) << name;
      ASSERT_EQ(bmp.Width(), 13);
      int body = 0;
      for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 13; ++x) body += bmp.Canvas()->Pixels(x, y) == clSilver;
      EXPECT_GE(body, 12) << name;
      EXPECT_EQ(bmp.Canvas()->Pixels(0, 12), static_cast<TColor>(clOlive)) << name;
    }
  TBitmap bmp;
  EXPECT_FALSE(LoadLedPicture("AMNOSUCH", &bmp));
}

TEST_F(ViewsTest, LedPixelsFollowTheState) {
  TForm* f = MakeForm(200, 120);
  f->SetColor(clBlue);
  auto* led = new TAdvLed(f);
  led->SetParent(f);
  led->SetLeft(20);
  led->SetTop(20);
  f->Show();
  auto centre = [&] {
    InvalidateRect(f->Handle(), nullptr, TRUE);
    UpdateWindow(f->Handle());
    return ScreenPixel(f->Handle(), 26, 26);
  };
  EXPECT_EQ(centre(), ColorToRGB(clGreen));
  led->SetLedOn(true);
  EXPECT_EQ(centre(), ColorToRGB(clLime));
  led->SetColorOn(clRed);
  EXPECT_EQ(centre(), ColorToRGB(clRed));
  // The olive background takes the form's colour.
  EXPECT_EQ(ScreenPixel(f->Handle(), 20, 32), ColorToRGB(clBlue));
}

// ---- splitter --------------------------------------------------------------

class SplitterTest : public ViewsTest {
 protected:
  TAdvSplitter* MakeSplitter(TSplitterOrientation O) {
    TForm* f = MakeForm(300, 260);
    auto* s = new TAdvSplitter(f);
    s->SetParent(f);
    s->SetOrientation(O);
    s->SetBounds(0, 0, 200, 150);
    f->Show();
    s->HandleNeeded();
    return s;
  }
};

TEST_F(SplitterTest, PositionClamps) {
  TAdvSplitter* s = MakeSplitter(soVertical);
  EXPECT_EQ(s->GetPane(0), nullptr);
  EXPECT_EQ(s->GetPane(3), nullptr);
  s->Pane1Setting()->SetFrameStyle(ftNone);
  s->SetPosition(5);
  EXPECT_EQ(s->Position(), 10);
  s->Pane1Setting()->SetFrameStyle(ftLowered);
  s->SetPosition(5);
  EXPECT_EQ(s->Position(), 14);
  s->Pane2Setting()->SetFrameStyle(ftNone);
  s->SetPosition(5000);
  EXPECT_EQ(s->Position(), s->ClientWidth() - 2 - 10 - 1);
  s->SetPosition(80);
  EXPECT_EQ(s->GetPane(1)->Width(), 80);
  EXPECT_EQ(s->GetPane(2)->Left(), 82);
  EXPECT_EQ(s->GetPane(2)->Width(), s->ClientWidth() - 82);
}

TEST_F(SplitterTest, NoPaneGetsANegativeSize) {
  TAdvSplitter* s = MakeSplitter(soHorizontal);
  s->SetBounds(0, 0, 200, 12);
  s->SetPosition(50);
  EXPECT_GE(s->Position(), 0);
  EXPECT_GE(s->GetPane(1)->Height(), 0);
  EXPECT_GE(s->GetPane(2)->Height(), 0);
  EXPECT_LE(s->Position() + s->Thickness(), s->ClientHeight());
}

TEST_F(SplitterTest, DraggingTheBarMovesAndClamps) {
  TAdvSplitter* s = MakeSplitter(soVertical);
  s->SetPosition(60);
  HWND h = s->Handle();
  auto grab = [&](int X, int Y) {
    POINT p{X, Y};
    ClientToScreen(h, &p);
    SetCursorPos(p.x, p.y);
    SendMessageW(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(X, Y));
  };
  POINT now;
  GetCursorPos(&now);
  POINT want{61, 40};
  ClientToScreen(h, &want);
  SetCursorPos(want.x, want.y);
  GetCursorPos(&now);
  if (now.x != want.x || now.y != want.y) GTEST_SKIP() << "the pointer cannot be placed on this display";
  grab(61, 40);
  SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(120, 40));
  SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(120, 40));
  EXPECT_EQ(s->Position(), 120);
  EXPECT_EQ(s->GetPane(1)->Width(), 120);
  // Live dragging below the minimum is clamped by the frame of pane 1.
  s->SetAutoUpdate(true);
  grab(121, 40);
  SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(11, 40));
  EXPECT_EQ(s->Position(), 14);
  SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(11, 40));
  EXPECT_EQ(GetCapture(), nullptr);
  // Away from the bar nothing is armed.
  s->SetAutoUpdate(false);
  grab(150, 40);
  SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 40));
  SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(100, 40));
  EXPECT_EQ(s->Position(), 14);
}

TEST_F(SplitterTest, ProportionalResizeKeepsTheFraction) {
  TAdvSplitter* s = MakeSplitter(soVertical);
  s->ProportionalResize = true;
  s->SetPosition(50);
  const int before = s->ClientWidth();
  s->SetWidth(s->Width() + before);
  EXPECT_NEAR(s->Position(), 100 * s->ClientWidth() / (2 * before), 1);
  s->ProportionalResize = false;
  s->SetWidth(s->Width() - 40);
  EXPECT_NEAR(s->Position(), 100 * (s->ClientWidth() + 40) / (2 * before), 1);
}

TEST_F(SplitterTest, OnePaneFillsTheControl) {
  TAdvSplitter* s = MakeSplitter(soVertical);
  s->GetPane(2)->Hide();
  s->UpdatePanes();
  EXPECT_EQ(s->GetPane(1)->Width(), s->ClientWidth());
  EXPECT_EQ(s->GetPane(1)->Height(), s->ClientHeight());
}

// ---- file drop -------------------------------------------------------------

namespace {
HGLOBAL MakeDrop(const std::vector<std::wstring>& Names, POINT At) {
  size_t chars = 1;
  for (auto& n : Names) chars += n.size() + 1;
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + chars * sizeof(wchar_t));
  auto* d = static_cast<DROPFILES*>(GlobalLock(g));
  d->pFiles = sizeof(DROPFILES);
  d->pt = At;
  d->fWide = TRUE;
  auto* p = reinterpret_cast<wchar_t*>(reinterpret_cast<BYTE*>(d) + sizeof(DROPFILES));
  for (auto& n : Names) {
    std::copy(n.begin(), n.end(), p);
    p += n.size() + 1;
  }
  GlobalUnlock(g);
  return g;
}
}  // namespace

TEST_F(ViewsTest, FileDragReceivesALongPathAndFollowsRecreation) {
  TForm* f = MakeForm();
  auto* drag = new TFileDrag(f);
  EXPECT_TRUE(drag->EnableDrop());
  EXPECT_NE(GetWindowLongW(f->Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
  int drops = 0;
  drag->OnDrop = [&](TObject*) { ++drops; };
  std::wstring longPath = L"C:\\";
  while (longPath.size() < 196) longPath += L"abcdefghi\\";
  longPath = longPath.substr(0, 196) + L".txt";
  ASSERT_EQ(longPath.size(), 200u);
  HGLOBAL drop = MakeDrop({longPath, L"C:\\b.zip"}, {7, 9});
  SendMessageW(f->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  EXPECT_EQ(drops, 1);
  // The receiver finished the drop: the block is freed.
  EXPECT_EQ(GlobalSize(drop), 0u);
  ASSERT_EQ(drag->FileCount(), 2);
  EXPECT_EQ(drag->Files()->Strings(0), Narrow(longPath));
  EXPECT_EQ(drag->Files()->Strings(1), "C:\\b.zip");
  EXPECT_EQ(drag->DropPoint().x, 7);
  EXPECT_EQ(drag->DropPoint().y, 9);

  f->RecreateWnd();
  Application->ProcessMessages();
  SendMessageW(f->Handle(), WM_NULL, 0, 0);
  EXPECT_NE(GetWindowLongW(f->Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
  SendMessageW(f->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({L"C:\\c.arj"}, {0, 0})), 0);
  EXPECT_EQ(drops, 2);
  EXPECT_EQ(drag->Files()->Strings(0), "C:\\c.arj");

  drag->SetEnableDrop(false);
  EXPECT_EQ(GetWindowLongW(f->Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
  delete drag;
  // The form's own procedure is back and still works.
  EXPECT_TRUE(IsWindow(f->Handle()));
  EXPECT_EQ(SendMessageW(f->Handle(), WM_GETTEXTLENGTH, 0, 0), 5);
}

namespace {
WNDPROC gDragPrevious = nullptr;
int gDragLaterSaw = 0;
LRESULT CALLBACK DragLaterProc(HWND W, UINT M, WPARAM Wp, LPARAM Lp) {
  if (M == WM_APP + 5) ++gDragLaterSaw;
  return CallWindowProcW(gDragPrevious, W, M, Wp, Lp);
}
}  // namespace

TEST_F(ViewsTest, FileDragLeavesALaterSubclassInPlace) {
  TForm* f = MakeForm();
  auto* drag = new TFileDrag(f);
  HWND w = f->Handle();
  gDragLaterSaw = 0;
  gDragPrevious = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DragLaterProc)));
  delete drag;
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(w, GWLP_WNDPROC)), DragLaterProc);
  SendMessageW(w, WM_APP + 5, 0, 0);
  EXPECT_EQ(gDragLaterSaw, 1);
  EXPECT_EQ(SendMessageW(w, WM_GETTEXTLENGTH, 0, 0), 5);
  SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gDragPrevious));
}

TEST(FileDrag, NonWindowedOwnerInstallsNothing) {
  TComponent owner(nullptr);
  auto* drag = new TFileDrag(&owner);
  EXPECT_FALSE(drag->EnableDrop());
  EXPECT_EQ(drag->FileCount(), 0);
}

// ---- shortcuts -------------------------------------------------------------

TEST(ShellLink, WrittenShortcutResolvesToTargetDescriptionAndIcon) {
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  std::string dir = morvtest::TempDir();
  std::string target = dir + "\\missing target.exe";
  std::string link = dir + "\\plain.lnk", iconLink = dir + "\\icon.lnk";
  CreateShellLink(target, link, "Plain shortcut");
  CreateShellLinkWithIcon(target, iconLink, "With icon");
  CreateShellLink(target, dir + "\\no such folder\\x.lnk", "nothing");
  EXPECT_EQ(GetFileAttributesA((dir + "\\no such folder\\x.lnk").c_str()), INVALID_FILE_ATTRIBUTES);

  auto resolve = [](const std::string& File, std::wstring& Path, std::wstring& Args, std::wstring& Desc,
                    std::wstring& Icon, int& IconIndex) {
    IShellLinkW* sl = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                           reinterpret_cast<void**>(&sl))));
    IPersistFile* pf = nullptr;
    ASSERT_TRUE(SUCCEEDED(sl->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pf))));
    ASSERT_TRUE(SUCCEEDED(pf->Load(Widen(File).c_str(), STGM_READ)));
    wchar_t buf[MAX_PATH] = {};
    sl->GetPath(buf, MAX_PATH, nullptr, SLGP_RAWPATH);
    Path = buf;
    buf[0] = 0;
    sl->GetArguments(buf, MAX_PATH);
    Args = buf;
    buf[0] = 0;
    sl->GetDescription(buf, MAX_PATH);
    Desc = buf;
    buf[0] = 0;
    IconIndex = -1;
    sl->GetIconLocation(buf, MAX_PATH, &IconIndex);
    Icon = buf;
    pf->Release();
    sl->Release();
  };
  std::wstring path, args, desc, icon;
  int index;
  resolve(link, path, args, desc, icon, index);
  EXPECT_EQ(Narrow(path), target);
  EXPECT_EQ(args, L"");
  EXPECT_EQ(Narrow(desc), "Plain shortcut");
  EXPECT_EQ(icon, L"");
  resolve(iconLink, path, args, desc, icon, index);
  EXPECT_EQ(Narrow(path), target);
  EXPECT_EQ(args, L"");
  EXPECT_EQ(Narrow(desc), "With icon");
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string folder(exe);
  folder = folder.substr(0, folder.find_last_of('\\') + 1);
  EXPECT_EQ(Narrow(icon), folder + "morv.ico");
  EXPECT_EQ(index, 0);
  CoUninitialize();
}

// ---- application events ----------------------------------------------------

TEST(AppEvents, NewestFirstChainingAndRestore) {
  std::vector<std::string> calls;
  Application->OnActivate = [&](TObject*) { calls.push_back("app"); };
  Application->OnMessage = nullptr;
  {
    TComponent owner(nullptr);
    auto* older = new TAppEvents(&owner);
    auto* newer = new TAppEvents(&owner);
    EXPECT_TRUE(TAppEventList::Instance()->Hooked());
    older->OnActivate = [&](TObject*) { calls.push_back("older"); };
    newer->OnActivate = [&](TObject*) { calls.push_back("newer"); };
    Application->OnActivate(Application);
    EXPECT_EQ(calls, (std::vector<std::string>{"newer", "older", "app"}));
    calls.clear();
    newer->Chained = false;
    Application->OnActivate(Application);
    EXPECT_EQ(calls, (std::vector<std::string>{"newer"}));

    int handledBy = 0;
    older->OnMessage = [&](MSG&, bool&) { handledBy = 1; };
    newer->OnMessage = [&](MSG&, bool& Handled) {
      handledBy = 2;
      Handled = true;
    };
    newer->Chained = true;
    MSG m{};
    bool handled = false;
    Application->OnMessage(m, handled);
    EXPECT_TRUE(handled);
    EXPECT_EQ(handledBy, 2);

    older->OnHelp = [](WORD, LPARAM, bool&) { return true; };
    bool callHelp = false;
    EXPECT_TRUE(Application->OnHelp(0, 0, callHelp));

    newer->SetHintPause(777);
    EXPECT_EQ(Application->HintPause, 777);
    EXPECT_EQ(older->HintPause(), 777);
    Application->HintPause = 500;
  }
  EXPECT_FALSE(TAppEventList::Instance()->Hooked());
  calls.clear();
  ASSERT_TRUE(Application->OnActivate);
  Application->OnActivate(Application);
  EXPECT_EQ(calls, (std::vector<std::string>{"app"}));
  EXPECT_FALSE(Application->OnMessage);
  Application->OnActivate = nullptr;
}

TEST(AppEvents, ExceptionsGoToTheHandlersOrTheDefaultDisplay) {
  TComponent owner(nullptr);
  auto* events = new TAppEvents(&owner);
  std::string seen;
  events->OnException = [&](TObject*, const std::exception& E) { seen = E.what(); };
  Application->OnException(nullptr, Exception("first"));
  EXPECT_EQ(seen, "first");
  events->OnException = nullptr;
  UiDriver::TPromptScript script({mrOk});
  Application->OnException(nullptr, Exception("shown"));
  ASSERT_EQ(script.Prompts().size(), 1u);
  EXPECT_NE(script.Prompts()[0].Text.find("shown"), std::string::npos);
}

TEST_F(ViewsTest, AppEventsOnActivateFiresOnActivation) {
  TForm* f = MakeForm();
  auto* events = new TAppEvents(f);
  int activations = 0;
  events->OnActivate = [&](TObject*) { ++activations; };
  int settings = 0;
  events->OnSettingsChanged = [&](TObject*) { ++settings; };
  HWND app = Application->Handle();
  SendMessageW(app, WM_ACTIVATEAPP, FALSE, 0);
  SendMessageW(app, WM_ACTIVATEAPP, TRUE, 0);
  EXPECT_EQ(activations, 1);
  SendMessageW(app, WM_WININICHANGE, 0, 0);
  EXPECT_EQ(settings, 1);
}

// ---- a picture for people to look at ---------------------------------------

TEST_F(ViewsTest, ScreenshotOfListStatusBarAndLeds) {
  TForm* f = MakeForm(520, 340);
  f->SetCaption("Quillon 2000 - views");
  auto* bar = new TStatusBar(f);
  bar->SetParent(f);
  bar->SetAlign(alBottom);
  bar->Panels()->Add()->SetWidth(260);
  bar->Panels()->Add()->SetWidth(120);
  bar->Panels()->Items(0)->SetText("50000 entries");
  auto* lv = new TExtListView(f);
  lv->SetParent(f);
  lv->SetAlign(alClient);
  lv->SetViewStyle(vsReport);
  for (const char* c : {"Name", "Size", "Date", "Path"}) {
    TListColumn* col = lv->Columns()->Add();
    col->SetCaption(c);
    col->SetWidth(110);
  }
  lv->SetVirtualMode(true);
  lv->OnVMGetItemInfo = [](TObject*, int Item, int Sub, TLVVMMaskItems&, int&, LPARAM&, UINT&, UINT&, int&,
                           std::string& Text) {
    static const char* names[] = {"readme.txt", "setup.exe", "data.bin", "notes.doc"};
    Text = Sub == 0 ? names[Item % 4] : Sub == 1 ? std::to_string(1000 + Item * 37) : Sub == 2 ? "12/10/2026" : "docs\\";
  };
  lv->SetItemCountEx(50000, 0);
  lv->SetExtendedStyles(LVXBit(lvxFullRowSelect) | LVXBit(lvxGridLines));
  lv->SetAutoColumnSort(acsSortToggle);
  lv->SetShowSortArrows(true);
  f->Show();
  lv->Loaded();
  lv->SetCurrentSortColumn(1);
  std::vector<TAdvLed*> leds;
  for (int i = 0; i < 4; ++i) {
    auto* led = new TAdvLed(f);
    leds.push_back(led);
  }
  // The LEDs sit on the status bar's second panel.
  for (int i = 0; i < 4; ++i) {
    leds[static_cast<size_t>(i)]->SetParent(bar);
    leds[static_cast<size_t>(i)]->SetBounds(270 + 18 * i, 4, 13, 13);
    leds[static_cast<size_t>(i)]->SetLedType(i % 2 ? ltSquare : ltRound);
    leds[static_cast<size_t>(i)]->SetLedOn(i % 2 == 0);
  }
  Application->ProcessMessages();
  RedrawWindow(f->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  RECT r;
  GetWindowRect(f->Handle(), &r);
  TBitmap shot;
  shot.SetSize(r.right - r.left, r.bottom - r.top);
  HDC window = GetWindowDC(f->Handle());
  BitBlt(shot.Canvas()->Handle(), 0, 0, shot.Width(), shot.Height(), window, 0, 0, SRCCOPY);
  ReleaseDC(f->Handle(), window);
  std::string file = morvtest::LocalPath(std::string(MORV_BINARY_DIR) + "/views_screenshot.bmp");
  EXPECT_NO_THROW(shot.SaveToFile(file));
}
