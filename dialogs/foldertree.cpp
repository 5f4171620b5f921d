#include "dialogs/foldertree.h"

#include <algorithm>
#include <vector>

#include "app/mainform.h"
#include "framework/core/sysutils.h"
#include "framework/ui/registry.h"

TDriveTree::TDriveTree(TTreeView* Tree, bool ShellDriveNames, size_t MaxSubfolders)
    : FTree(Tree), FShellDriveNames(ShellDriveNames), FMaxSubfolders(MaxSubfolders) {}

void TDriveTree::Expanding(TTreeNode* Node) {
  const std::string folder = NodeFolder(Node);
  if (!folder.empty() && Node != FDesktopNode) Fill(IncludeTrailingBackslash(folder), Node, 1);
}

void TDriveTree::Rebuild() {
  FTree->Items()->Clear();
  FFolders.clear();
  FDesktopNode = FTree->Items()->Add(nullptr, "Desktop");
  FDesktopNode->SetImageIndex(34);
  FDesktopNode->SetSelectedIndex(34);
  TRegistry reg;
  if (reg.OpenKeyReadOnly("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"))
    FFolders[FDesktopNode] = reg.ReadString("Desktop");
  FComputerNode = FTree->Items()->AddChild(FDesktopNode, "My Computer");
  if (MainForm) FTree->SetImages(MainForm->SmallSysImages);
  FDesktopNode->SetExpanded(true);
  Fill("", FComputerNode, 1);
  FComputerNode->SetExpanded(true);
}

void TDriveTree::Fill(const std::string& Folder, TTreeNode* Node, int Level) {
  if (Folder.empty()) {
    DWORD hidden = 0;
    TRegistry reg;
    if (reg.OpenKeyReadOnly("\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer") &&
        reg.GetDataType("NoDrives") == rdInteger)
      hidden = DWORD(reg.ReadInteger("NoDrives"));
    for (char letter = 'a'; letter <= 'z'; ++letter) {
      const std::string root = std::string(1, letter) + ":\\";
      const UINT type = GetDriveTypeA(root.c_str());
      if (type == DRIVE_NO_ROOT_DIR || type == DRIVE_UNKNOWN) continue;
      if (int32_t(hidden) < 0 || (hidden >> (letter - 'a')) & 1) continue;
      SHFILEINFOA info = {};
      SHGetFileInfoA(root.c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
      std::string name = info.szDisplayName;
      // "Local Disk (C:)" is shown "(C:) Local Disk " unless the shell's name is asked for.
      if (name.empty()) name = "(" + std::string(1, char(letter - 32)) + ":) ";
      else if (!FShellDriveNames && name.size() >= 4)
        name = name.substr(name.size() - 4) + " " + name.substr(0, name.size() - 4);
      TTreeNode* n = FTree->Items()->AddChild(Node, name);
      n->SetImageIndex(info.iIcon);
      n->SetSelectedIndex(info.iIcon);
      n->SetHasChildren(true);
      FFolders[n] = root;
    }
    return;
  }
  if (Level > 2) return;
  std::vector<std::string> names;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((Folder + "*.*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::string n = fd.cFileName;
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && n != "." && n != "..") names.push_back(n);
    } while (names.size() < FMaxSubfolders && FindNextFileA(h, &fd));
    FindClose(h);
  }
  if (Level == 2) {
    if (!names.empty()) Node->SetHasChildren(true);
    return;
  }
  if (!Node->HasChildren() || Node->Count() > 0) return;
  std::sort(names.begin(), names.end(),
            [](const std::string& A, const std::string& B) { return AnsiLowerCase(A) < AnsiLowerCase(B); });
  for (const std::string& n : names) {
    SHFILEINFOA info = {};
    SHGetFileInfoA((Folder + n).c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    TTreeNode* child = FTree->Items()->AddChild(Node, n);
    child->SetImageIndex(info.iIcon);
    child->SetSelectedIndex(info.iIcon == 3 ? 4 : info.iIcon);
    FFolders[child] = Folder + n;
    Fill(Folder + n + "\\", child, 2);
  }
}

std::string TDriveTree::NodeFolder(TTreeNode* Node) const {
  auto it = FFolders.find(Node);
  return it == FFolders.end() ? std::string() : it->second;
}

void TDriveTree::OpenPath(std::string text) {
  Rebuild();
  text = IncludeTrailingBackslash(text);
  if (text.size() > 3) text.pop_back();
  const std::string want = AnsiLowerCase(text);
  // Opens the tree along the path; a prefix no node stands for ends the walk.
  TTreeNode* parent = FComputerNode;
  for (size_t p = want.find('\\'); parent; p = want.find('\\', p + 1)) {
    std::string prefix = p == std::string::npos ? want : want.substr(0, p + 1);
    if (prefix.size() > 3 && prefix.back() == '\\') prefix.pop_back();
    TTreeNode* next = nullptr;
    for (int i = 0; i < parent->Count(); ++i)
      if (AnsiLowerCase(ExcludeTrailingBackslash(NodeFolder(parent->Item(i)))) ==
          AnsiLowerCase(ExcludeTrailingBackslash(prefix)))
        next = parent->Item(i);
    if (!next) break;
    if (AnsiLowerCase(ExcludeTrailingBackslash(NodeFolder(next))) == AnsiLowerCase(ExcludeTrailingBackslash(want))) {
      next->SetExpanded(true);
      FTree->SetSelected(next);
      break;
    }
    next->SetExpanded(true);
    parent = next;
    if (p == std::string::npos) break;
  }
}

void CreateFolderChain(const std::string& Path) {
  for (size_t p = Path.find('\\'); p != std::string::npos; p = Path.find('\\', p + 1)) {
    const std::string part = Path.substr(0, p);
    if (part.size() > 2 && !DirectoryExists(part)) CreateDir(part);
  }
}

void RememberFolder(std::initializer_list<std::string*> Slots, const std::string& Folder) {
  const std::string d = AnsiLowerCase(Folder);
  std::vector<std::string> list;
  for (std::string* s : Slots)
    if (!s->empty()) list.push_back(*s);
  auto it = std::find(list.begin(), list.end(), d);
  if (it != list.end()) list.erase(it);
  list.insert(list.begin(), d);
  list.resize(Slots.size());
  size_t i = 0;
  for (std::string* s : Slots) *s = list[i++];
}
