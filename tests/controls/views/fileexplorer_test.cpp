// The file browser on temporary folders: listing, masks, attributes, sort,
// drive list and navigation, and the shell operations of its context menu.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "controls/views/fileexplorer.h"
#include "controls/views/shelllink.h"
#include "framework/ui/testdriver.h"
#include "tests/support/testsupport.h"
#include "views_fixture.h"

#include <objbase.h>
#include <shlobj.h>
#undef GetObject

namespace {

void Write(const std::string& Path, size_t Size) { morvtest::WriteFile(Path, std::string(Size, 'x')); }

class FileListTest : public ShellViewsTest {
 protected:
  void SetUp() override {
    ShellViewsTest::SetUp();
    if (IsSkipped()) return;
    CreateDirectoryA((Dir + "\\sub").c_str(), nullptr);
    CreateDirectoryA((Dir + "\\Zeta").c_str(), nullptr);
    Write(Dir + "\\a.txt", 10);
    Write(Dir + "\\b.dat", 1000);
    Write(Dir + "\\c.txt", 300);
    Write(Dir + "\\ro.txt", 20);
    SetFileAttributesA((Dir + "\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    Write(Dir + "\\hid.txt", 30);
    SetFileAttributesA((Dir + "\\hid.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    Form = MakeForm(640, 400);
    List = new TFileListView(Form);
    List->SetParent(Form);
    List->SetAlign(alClient);
    Form->Show();
  }
  void TearDown() override {
    if (Form) {
      for (const char* f : {"\\ro.txt", "\\sub\\ro.txt"}) SetFileAttributesA((Dir + f).c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    ShellViewsTest::TearDown();
  }
  std::vector<std::string> Names() {
    std::vector<std::string> n;
    for (int i = 0; i < List->Items()->Count(); ++i) n.push_back(List->Items()->Item(i)->Caption());
    return n;
  }
  TListItem* ItemNamed(const std::string& Name) {
    for (int i = 0; i < List->Items()->Count(); ++i)
      if (List->Items()->Item(i)->Caption() == Name) return List->Items()->Item(i);
    return nullptr;
  }
  void SelectOnly(std::initializer_list<const char*> Names) {
    for (int i = 0; i < List->Items()->Count(); ++i) List->Items()->Item(i)->SetSelected(false);
    for (const char* n : Names) {
      TListItem* item = ItemNamed(n);
      ASSERT_NE(item, nullptr) << n;
      item->SetSelected(true);
      item->SetFocused(true);
    }
  }
  bool Exists(const std::string& Rel) { return GetFileAttributesA((Dir + "\\" + Rel).c_str()) != INVALID_FILE_ATTRIBUTES; }
  TForm* Form = nullptr;
  TFileListView* List = nullptr;
};

using NameList = std::vector<std::string>;

}  // namespace

TEST_F(FileListTest, FolderListingMasksAndAttributes) {
  EXPECT_EQ(List->Directory(), "Drives");
  List->SetDirectory(Dir);
  EXPECT_EQ(List->Directory(), Dir + "\\");
  ASSERT_EQ(List->Columns()->Count(), 5);
  EXPECT_EQ(List->Columns()->Items(1)->Caption(), "Size(Bytes)");
  EXPECT_EQ(List->Columns()->Items(3)->Caption(), "Modified");
  // Ascending names after a refill, folders first.
  EXPECT_EQ(Names(), (NameList{"sub", "Zeta", "a.txt", "b.dat", "c.txt", "hid.txt", "ro.txt"}));
  TListItem* ro = ItemNamed("ro.txt");
  ASSERT_NE(ro, nullptr);
  EXPECT_EQ(ro->SubItems()->Strings(0), "20");
  EXPECT_EQ(ro->SubItems()->Strings(3), "AR");
  EXPECT_EQ(ro->SubItems()->Strings(4), Dir + "\\ro.txt");
  EXPECT_EQ(ro->SubItems()->Strings(5), "file");
  EXPECT_EQ(ItemNamed("sub")->SubItems()->Strings(5), "dir");
  // The modified text is in the list's own order, read back as a date.
  TDateTime when;
  EXPECT_TRUE(TryParseDateTimeText(List->ShortDateFormat(), ro->SubItems()->Strings(2), when))
      << ro->SubItems()->Strings(2);
  EXPECT_LT(std::abs(when - Now()), 1.0);
  EXPECT_EQ(List->TotalSize(), 10 + 1000 + 300 + 20 + 30);

  List->SetMask("*.txt;*.dat");
  EXPECT_EQ(Names(), (NameList{"sub", "Zeta", "a.txt", "b.dat", "c.txt", "hid.txt", "ro.txt"}));
  List->SetMask("*.dat;*.dat");
  EXPECT_EQ(Names(), (NameList{"sub", "Zeta", "b.dat", "b.dat"}));
  List->SetShowFolders(false);
  List->SetMask("*.txt");
  EXPECT_EQ(Names(), (NameList{"a.txt", "c.txt", "hid.txt", "ro.txt"}));
  List->SetFileType(FileTypeOf({ftArchive}));
  EXPECT_EQ(Names(), (NameList{"a.txt", "c.txt"}));
  List->SetFileType(FileTypeOf({ftArchive, ftHidden}));
  EXPECT_EQ(Names(), (NameList{"a.txt", "c.txt", "hid.txt"}));

  // A folder that does not exist is ignored.
  List->SetDirectory(Dir + "\\missing");
  EXPECT_EQ(List->Directory(), Dir + "\\");
  List->SetDateFormat(1u << dfYMD);
  EXPECT_EQ(List->ShortDateFormat().Format, "yyyy/mm/dd");
  EXPECT_TRUE(TryParseDateTimeText(List->ShortDateFormat(), ItemNamed("a.txt")->SubItems()->Strings(2), when));
}

TEST_F(FileListTest, ColumnClicksSort) {
  List->SetDirectory(Dir);
  List->ColumnClick(1);
  NameList names = Names();
  ASSERT_EQ(names.size(), 7u);
  EXPECT_EQ(NameList(names.begin(), names.begin() + 5), (NameList{"b.dat", "c.txt", "hid.txt", "ro.txt", "a.txt"}));
  EXPECT_EQ(names[5] + names[6] == "subZeta" || names[5] + names[6] == "Zetasub", true);
  List->ColumnClick(1);
  names = Names();
  EXPECT_EQ(NameList(names.begin() + 2, names.end()), (NameList{"a.txt", "ro.txt", "hid.txt", "c.txt", "b.dat"}));
  List->ColumnClick(2);  // by type name, descending first
  EXPECT_FALSE(List->ReverseSort() == false);
  List->ColumnClick(0);
  EXPECT_EQ(Names(), (NameList{"ro.txt", "hid.txt", "c.txt", "b.dat", "a.txt", "Zeta", "sub"}));
  // A header click goes through the same path as a call.
  ListView_SortItems(List->Handle(), nullptr, 0);
  NMLISTVIEW nm{};
  nm.hdr.hwndFrom = List->Handle();
  nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(List->Handle()));
  nm.hdr.code = LVN_COLUMNCLICK;
  nm.iItem = -1;
  nm.iSubItem = 0;
  SendMessageW(Form->Handle(), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
  EXPECT_EQ(Names(), (NameList{"sub", "Zeta", "a.txt", "b.dat", "c.txt", "hid.txt", "ro.txt"}));
}

TEST_F(FileListTest, DriveListAndUpOneLevel) {
  List->SetDirectory(Dir + "\\sub");
  List->OneLevelUp();
  EXPECT_EQ(List->Directory(), Dir + "\\");
  List->SetDirectory("C:\\");
  List->OneLevelUp();
  EXPECT_EQ(List->Directory(), "Drives");
  ASSERT_EQ(List->Columns()->Count(), 5);
  EXPECT_EQ(List->Columns()->Items(1)->Caption(), "Type");
  EXPECT_EQ(List->Columns()->Items(2)->Caption(), "Disk Size");
  TListItem* c = nullptr;
  for (int i = 0; i < List->Items()->Count(); ++i)
    if (List->Items()->Item(i)->SubItems()->Strings(4) == "C:\\") c = List->Items()->Item(i);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->Caption().substr(0, 7), " (C:)  ");
  EXPECT_EQ(c->SubItems()->Strings(0), "Fixed Disk");
  EXPECT_EQ(c->SubItems()->Strings(5), "drv");
  EXPECT_NE(c->SubItems()->Strings(1).find(" Mb"), std::string::npos);
  // Sizes over 2 GiB come out whole: the text matches the 64-bit query.
  ULARGE_INTEGER avail, total, free;
  ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &avail, &total, &free));
  EXPECT_EQ(c->SubItems()->Strings(1), DriveSizeText(static_cast<int64_t>((total.QuadPart + 512) / 1024)));
  EXPECT_EQ(GetDiskSizeKB("C:\\"), static_cast<int64_t>((total.QuadPart + 512) / 1024));
  List->OneLevelUp();
  EXPECT_EQ(List->Directory(), "Drives");
  // The word in any case shows the drive list and is stored as given.
  List->SetDirectory(Dir);
  List->SetDirectory("drives");
  EXPECT_EQ(List->Directory(), "drives");
  EXPECT_EQ(List->Columns()->Items(3)->Caption(), "Free Space");
  // Opening a drive row goes into it. C: is the row taken: other test
  // programs map and unmap removable drives while this runs.
  for (int i = 0; i < List->Items()->Count(); ++i)
    if (List->Items()->Item(i)->SubItems()->Strings(4) == "C:\\") c = List->Items()->Item(i);
  ASSERT_NE(c, nullptr);
  List->SetSelected(c);
  const std::string root = c->SubItems()->Strings(4);
  List->OpenItem();
  EXPECT_EQ(List->Directory(), root);
}

TEST_F(FileListTest, CopyCutPasteOnce) {
  List->SetDirectory(Dir);
  SelectOnly({"a.txt", "c.txt"});
  List->CutCopy(0);
  EXPECT_EQ(List->CopyMode(), 0);
  EXPECT_EQ(List->CopyList()->Count(), 2);
  List->SetDirectory(Dir + "\\sub");
  {
    UiDriver::TPromptScript prompts({});
    UiDriver::PressKey(List, 'V', ssCtrl);
    EXPECT_TRUE(prompts.Prompts().empty());
  }
  EXPECT_TRUE(Exists("sub\\a.txt"));
  EXPECT_TRUE(Exists("sub\\c.txt"));
  EXPECT_TRUE(Exists("a.txt"));
  EXPECT_EQ(morvtest::ReadFile(Dir + "\\sub\\c.txt").size(), 300u);
  EXPECT_EQ(Names(), (NameList{"a.txt", "c.txt"}));
  // Pasted once: the list is empty now and Ctrl+V does nothing at all.
  EXPECT_EQ(List->CopyList()->Count(), 0);
  {
    UiDriver::TPromptScript prompts({});
    UiDriver::PressKey(List, 'V', ssCtrl);
    EXPECT_TRUE(prompts.Prompts().empty());
    List->Paste();
    ASSERT_EQ(prompts.Prompts().size(), 1u);
    EXPECT_EQ(prompts.Prompts()[0].Text, "No file(s) selected");
  }
  // A cut moves.
  List->SetDirectory(Dir);
  SelectOnly({"b.dat"});
  UiDriver::PressKey(List, 'X', ssCtrl);
  EXPECT_EQ(List->CopyMode(), 2);
  List->SetDirectory(Dir + "\\Zeta");
  List->Paste();
  EXPECT_TRUE(Exists("Zeta\\b.dat"));
  EXPECT_FALSE(Exists("b.dat"));
}

TEST_F(FileListTest, DeleteGoesToRecycleBinAndLosesCut) {
  List->SetDirectory(Dir);
  SelectOnly({"c.txt"});
  List->CutCopy(2);
  SelectOnly({"a.txt"});
  // Wine keeps the bin under XDG_DATA_HOME, which must exist.
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg) CreateDirectoryA(morvtest::LocalPath(xdg).c_str(), nullptr);
  UiDriver::TModalAnswerer answers;
  answers.Then([](HWND Dialog, TCustomForm*) {
    for (const char* b : {"&Yes", "Yes", "OK"})
      if (HWND button = FindWindowExA(Dialog, nullptr, "Button", b)) {
        SendMessageA(button, BM_CLICK, 0, 0);
        return true;
      }
    SendMessageA(Dialog, WM_COMMAND, IDYES, 0);
    return true;
  });
  UiDriver::PressKey(List, VK_DELETE);
  EXPECT_FALSE(Exists("a.txt"));
  EXPECT_TRUE(Exists("c.txt"));
  EXPECT_EQ(List->CopyList()->Count(), 0);  // the cut is lost
  EXPECT_EQ(ItemNamed("a.txt"), nullptr);
  // In the recycle bin, which the test run keeps in a folder of its own.
  if (xdg) {
    std::string trash = morvtest::LocalPath(std::string(xdg) + "/Trash/files/a.txt");
    EXPECT_NE(GetFileAttributesA(trash.c_str()), INVALID_FILE_ATTRIBUTES) << trash;
  }
}

TEST_F(FileListTest, RenameRefusalsAndRename) {
  List->SetDirectory(Dir);
  UiDriver::TPromptScript prompts({});
  SelectOnly({"sub"});
  UiDriver::PressKey(List, VK_F2);
  List->SetReadOnly(true);
  SelectOnly({"a.txt"});
  List->RenameItem();
  List->SetReadOnly(false);
  ASSERT_EQ(prompts.Prompts().size(), 2u);
  EXPECT_EQ(prompts.Prompts()[0].Text, "Cannot rename Folders!");
  EXPECT_EQ(prompts.Prompts()[1].Text, "It's ReadOnly");
  EXPECT_EQ(SendMessageW(List->Handle(), LVM_GETEDITCONTROL, 0, 0), 0);

  // A read-only file that also carries the archive bit ("AR") may be renamed.
  SelectOnly({"ro.txt"});
  ASSERT_EQ(List->Selected()->SubItems()->Strings(3), "AR");
  List->RenameItem();
  HWND edit = reinterpret_cast<HWND>(SendMessageW(List->Handle(), LVM_GETEDITCONTROL, 0, 0));
  ASSERT_NE(edit, nullptr);
  SetWindowTextA(edit, "renamed.txt");
  SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
  Application->ProcessMessages();
  EXPECT_TRUE(Exists("renamed.txt"));
  EXPECT_FALSE(Exists("ro.txt"));
  ASSERT_NE(ItemNamed("renamed.txt"), nullptr);
  EXPECT_EQ(ItemNamed("renamed.txt")->SubItems()->Strings(4), Dir + "\\renamed.txt");
  EXPECT_EQ(prompts.Prompts().size(), 2u);
  SetFileAttributesA((Dir + "\\renamed.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FileListTest, AttributesDialogWritesBits) {
  List->SetDirectory(Dir);
  SelectOnly({"c.txt"});
  UiDriver::TModalAnswerer answers;
  answers.Then([](HWND, TCustomForm* Form) {
    if (!Form || Form->Caption() != "Set Attributes") return false;
    EXPECT_TRUE(UiDriver::Find<TCheckBox>(Form, "Archive")->Checked());
    EXPECT_FALSE(UiDriver::Find<TCheckBox>(Form, "ReadOnly")->Checked());
    UiDriver::SetValue(UiDriver::Find<TCheckBox>(Form, "ReadOnly"), "1");
    UiDriver::SetValue(UiDriver::Find<TCheckBox>(Form, "Hidden"), "1");
    UiDriver::Click(UiDriver::Find<TButton>(Form, "OK"));
    return true;
  });
  List->BuiltInMenu()->ItemClick("ItemFileAttr");
  EXPECT_TRUE(answers.Done());
  const DWORD a = GetFileAttributesA((Dir + "\\c.txt").c_str());
  EXPECT_EQ(a & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE),
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  ASSERT_NE(ItemNamed("c.txt"), nullptr);
  EXPECT_EQ(ItemNamed("c.txt")->SubItems()->Strings(3), "ARH");
  SetFileAttributesA((Dir + "\\c.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FileListTest, SendToFoldersAndShortcuts) {
  List->SetDirectory(Dir);
  SelectOnly({"a.txt", "c.txt"});
  // Typed without a trailing "\": each item lands in the folder under its name.
  List->SendToFolder(Dir + "\\Zeta");
  EXPECT_TRUE(Exists("Zeta\\a.txt"));
  EXPECT_TRUE(Exists("Zeta\\c.txt"));
  EXPECT_EQ(List->CopyList()->Count(), 0);

  UiDriver::TModalAnswerer answers;
  const std::string target = Dir + "\\sub";
  answers.Then([&](HWND, TCustomForm* Form) {
    if (!Form || Form->Caption() != "Send to any folder") return false;
    EXPECT_NE(UiDriver::FindComponent(Form, "Browse"), nullptr);
    UiDriver::SetValue(UiDriver::Find<TEdit>(Form, "Edit"), target);
    UiDriver::Click(UiDriver::Find<TButton>(Form, "OK"));
    return true;
  });
  SelectOnly({"b.dat"});
  List->BuiltInMenu()->ItemClick("Send_To0");
  EXPECT_TRUE(Exists("sub\\b.dat"));

  // A shortcut in the user's Send To folder to a folder copies into it.
  char sendTo[MAX_PATH] = {};
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, sendTo, CSIDL_SENDTO, TRUE));
  const std::string link = std::string(sendTo) + "\\Morv test target.lnk";
  CreateDirectoryA((Dir + "\\linked").c_str(), nullptr);
  CreateShellLink(Dir + "\\linked", link, "test");
  TFileListView second(Form);
  second.SetParent(Form);
  DeleteFileA(link.c_str());
  TFileListViewPopUp* menu = second.BuiltInMenu();
  ASSERT_GE(menu->SendToList()->Count(), 1);
  int index = -1;
  for (int i = 0; i < menu->SendToList()->Count(); ++i)
    if (menu->SendToList()->Strings(i) == link) index = i;
  ASSERT_GE(index, 0);
  TMenuItem* item = dynamic_cast<TMenuItem*>(UiDriver::FindComponent(menu, "Send_To" + std::to_string(index + 4)));
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Caption(), "Morv test target");
  CreateShellLink(Dir + "\\linked", link, "test");
  second.SetDirectory(Dir);
  for (int i = 0; i < second.Items()->Count(); ++i)
    second.Items()->Item(i)->SetSelected(second.Items()->Item(i)->Caption() == "c.txt");
  menu->ItemClick(item->Name());
  DeleteFileA(link.c_str());
  EXPECT_TRUE(Exists("linked\\c.txt"));

  // Names to the clipboard, one per line.
  SelectOnly({"a.txt", "c.txt"});
  List->BuiltInMenu()->ItemClick("Send_To2");
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE h = GetClipboardData(CF_TEXT);
  std::string text = h ? static_cast<const char*>(GlobalLock(h)) : "";
  if (h) GlobalUnlock(h);
  CloseClipboard();
  EXPECT_EQ(text, Dir + "\\a.txt\r\n" + Dir + "\\c.txt");
}

TEST_F(FileListTest, MenuStatesAndNewFolder) {
  List->SetDirectory(Dir);
  for (int i = 0; i < List->Items()->Count(); ++i) List->Items()->Item(i)->SetSelected(false);
  TFileListViewPopUp* menu = List->BuiltInMenu();
  menu->UpdateStates();
  auto enabled = [&](const char* Name) { return dynamic_cast<TMenuItem*>(UiDriver::FindComponent(menu, Name))->Enabled(); };
  EXPECT_FALSE(enabled("ItemOpen"));
  EXPECT_FALSE(enabled("ItemOpPaste"));
  EXPECT_TRUE(enabled("ItemFolder"));
  SelectOnly({"a.txt"});
  menu->UpdateStates();
  EXPECT_TRUE(enabled("ItemOpen"));
  EXPECT_TRUE(enabled("ItemView"));
  EXPECT_TRUE(enabled("ItemRename"));
  SelectOnly({"a.txt", "b.dat"});
  List->CutCopy(0);
  menu->UpdateStates();
  EXPECT_FALSE(enabled("ItemRename"));
  EXPECT_TRUE(enabled("ItemOpPaste"));
  EXPECT_EQ(List->SelectedNumber(), 2);
  EXPECT_EQ(List->SelectedSize(), 1010);
  EXPECT_GT(List->DriveFreeSpace(), 0);

  UiDriver::TPromptScript prompts({});
  UiDriver::TModalAnswerer answers;
  auto name = [](const std::string& Value) {
    return [Value](HWND, TCustomForm* Form) {
      if (!Form || Form->Caption() != "New Folder") return false;
      UiDriver::SetValue(UiDriver::Find<TEdit>(Form, "Edit"), Value);
      UiDriver::Click(UiDriver::Find<TButton>(Form, Value.empty() ? "Cancel" : "OK"));
      return true;
    };
  };
  answers.Then(name("made"));
  UiDriver::PressKey(List, 'N', ssCtrl);
  EXPECT_TRUE(Exists("made"));
  ASSERT_NE(ItemNamed("made"), nullptr);
  answers.Then(name("made"));
  answers.Then(name(""));
  List->NewFolder();
  ASSERT_EQ(prompts.Prompts().size(), 1u);
  EXPECT_EQ(prompts.Prompts()[0].Text, "Folder \"made\" already exists!");
  List->SetReadOnly(true);
  List->NewFolder();
  ASSERT_EQ(prompts.Prompts().size(), 2u);
  EXPECT_EQ(prompts.Prompts()[1].Text, "It's ReadOnly! ");
  List->SetReadOnly(false);
  Shot(Form->Handle(), "filelist.bmp");
}
