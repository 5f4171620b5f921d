// The folder tree combo of the file browser and its drop-down tree.
#include <algorithm>

#include "controls/views/fileexplorer.h"

// After the layer's headers, whose names these system headers would rename.
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#undef GetObject

namespace {

constexpr int kComboArrowBitmap = 32738;  // OBM_COMBO

std::string ShellDisplayName(const std::string& Path) {
  SHFILEINFOA info{};
  SHGetFileInfoA(Path.c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME);
  return info.szDisplayName;
}

bool HasSubFolders(const std::string& Path) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((AddSlash(Path) + "*.*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool found = false;
  do {
    const std::string n = fd.cFileName;
    found = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && n != "." && n != "..";
  } while (!found && FindNextFileA(h, &fd));
  FindClose(h);
  return found;
}

// The key a node is matched by in a path: "C:\" for a drive, "name\" below.
std::string NodeKey(TTreeNode* Node) {
  if (Node->Level() == 1) return Node->Text().size() >= 4 ? Node->Text().substr(2, 2) + "\\" : "";
  return Node->Text() + "\\";
}

void SortChildren(TTreeNode* Node) {
  if (!Node || Node->Count() < 2) return;
  std::vector<std::string> names;
  for (int i = 0; i < Node->Count(); ++i) names.push_back(Node->Item(i)->Text());
  if (std::is_sorted(names.begin(), names.end(),
                     [](const std::string& a, const std::string& b) { return AnsiCompareText(a, b) < 0; }))
    return;
  // The framework's nodes have no sort of their own: rebuild them in order.
  struct TChild {
    std::string Text;
    int Image, Selected;
    bool HasChildren;
  };
  std::vector<TChild> kids;
  for (int i = 0; i < Node->Count(); ++i) {
    TTreeNode* c = Node->Item(i);
    kids.push_back({c->Text(), c->ImageIndex(), c->SelectedIndex(), c->HasChildren() && c->Count() == 0});
  }
  bool expandedKids = false;
  for (int i = 0; i < Node->Count(); ++i) expandedKids = expandedKids || Node->Item(i)->Count() > 0;
  if (expandedKids) return;  // loaded sub-trees keep their place rather than be reloaded
  std::stable_sort(kids.begin(), kids.end(),
                   [](const TChild& a, const TChild& b) { return AnsiCompareText(a.Text, b.Text) < 0; });
  TTreeNodes* nodes = Node->Owner();
  Node->DeleteChildren();
  for (const TChild& k : kids) {
    TTreeNode* c = nodes->AddChild(Node, k.Text);
    c->SetImageIndex(k.Image);
    c->SetSelectedIndex(k.Selected);
    c->SetHasChildren(k.HasChildren);
  }
}

}  // namespace

// ---- the drop-down tree -------------------------------------------------------

TDirTreeView::TDirTreeView(TComponent* AOwner) : TCustomTreeView(AOwner) {}

void TDirTreeView::CreateParams(TCreateParams& Params) {
  TCustomTreeView::CreateParams(Params);
  Params.Style = (Params.Style & ~WS_CHILD) | WS_POPUP | WS_BORDER;
  Params.ExStyle |= WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  Params.WindowClassStyle |= CS_SAVEBITS;
}

void TDirTreeView::CreateWnd() {
  TCustomTreeView::CreateWnd();
  CallWindowProcW(FDefWndProc, FHandle, WM_SETFOCUS, 0, 0);
}

void TDirTreeView::Dispatch(TMessage& Message) {
  auto* combo = dynamic_cast<TDirTreeCombo*>(Owner());
  switch (Message.Msg) {
    case WM_MOUSEMOVE: {
      POINT p{static_cast<short>(LOWORD(Message.LParam)), static_cast<short>(HIWORD(Message.LParam))};
      RECT r;
      GetClientRect(FHandle, &r);
      const bool inside = PtInRect(&r, p) != FALSE;
      if (inside && !FMouseIn) {
        FMouseIn = true;
        ReleaseCapture();
      } else if (!inside && FMouseIn) {
        FMouseIn = false;
        SetCapture(FHandle);
      }
      if (inside && Visible()) {
        TVHITTESTINFO hit{};
        hit.pt = p;
        if (TreeView_HitTest(FHandle, &hit) && (hit.flags & TVHT_ONITEMLABEL))
          if (TTreeNode* n = Items()->GetNode(hit.hItem); n && n != Selected()) SetSelected(n);
      }
      break;
    }
    case WM_LBUTTONDOWN: {
      POINT p{static_cast<short>(LOWORD(Message.LParam)), static_cast<short>(HIWORD(Message.LParam))};
      RECT r;
      GetClientRect(FHandle, &r);
      if (!PtInRect(&r, p)) {
        ReleaseCapture();
        if (combo) combo->HideTree();
        Message.Result = 0;
        return;
      }
      TVHITTESTINFO hit{};
      hit.pt = p;
      if (TreeView_HitTest(FHandle, &hit) && (hit.flags & TVHT_ONITEM) && combo) {
        if (TTreeNode* n = Items()->GetNode(hit.hItem)) SetSelected(n);
        combo->ChooseSelected(true);
        Message.Result = 0;
        return;
      }
      break;
    }
    default:
      break;
  }
  TCustomTreeView::Dispatch(Message);
}

// ---- the combo --------------------------------------------------------------

TDirTreeCombo::TDirTreeCombo(TComponent* AOwner) : TCustomEdit(AOwner) {
  SetBounds(Left(), Top(), 216, 21);
  SetReadOnly(true);
  FBtn = new TSpeedButton(this);
  FBtn->SetParent(this);
  FTree = new TDirTreeView(this);
  FTree->SetParent(this);
  FTree->SetBounds(0, Top() + Height(), Width(), 240);
  FTree->SetVisible(false);
  FTree->SetEnabled(false);
  char win[MAX_PATH] = {};
  GetWindowsDirectoryA(win, MAX_PATH);
  FWinDir = AddSlash(win);
  FImages = std::make_unique<TCustomImageList>(nullptr);
  FImages->SetShareImages(true);
  SHFILEINFOA info{};
  FImages->SetHandle(reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA(FWinDir.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON)));
  FTree->SetImages(FImages.get());
  FTree->OnExpanding = [this](TObject*, TTreeNode* Node, bool&) { TreeExpanding(Node); };
  FTabStop = true;
}

TDirTreeCombo::~TDirTreeCombo() {
  if (FFileList) FFileList->FDirTree = nullptr;
  FTree->OnExpanding = nullptr;
  FTree->Items()->Clear();
  FTree->SetImages(nullptr);
}

void TDirTreeCombo::CreateParams(TCreateParams& Params) {
  TCustomEdit::CreateParams(Params);
  Params.Style |= WS_CLIPCHILDREN | ES_MULTILINE;
}

void TDirTreeCombo::CreateWnd() {
  TCustomEdit::CreateWnd();
  Font()->SetName("MS Sans Serif");
  Font()->SetSize(8);
  FBtn->SetBounds(174, 0, 17, 17);
  FBtn->SetDown(false);
  FBtn->OnClick = [this](TObject*) { DropDown(); };
  TBitmap arrow;
  arrow.SetHandle(LoadBitmapW(nullptr, MAKEINTRESOURCEW(kComboArrowBitmap)));
  FBtn->SetGlyph(&arrow);
  FBtn->SetNumGlyphs(1);
  FTree->SetBounds(0, 0, 0, FTree->Height());
  LoadDrives();
  SetExpandRoot(true);
  FTree->SetVisible(false);
  FTree->SetEnabled(false);
  if (!FTree->Selected()) {
    if (TTreeNode* root = FTree->Items()->GetFirstNode()) {
      FImageIndex = root->ImageIndex();
      SetText(root->Text());
    }
  }
  Resize();
}

void TDirTreeCombo::Resize() {
  TCustomEdit::Resize();
  if (!HandleAllocated()) return;
  FBtn->SetBounds(Width() - FBtn->Width() - 4, FBtn->Top(), FBtn->Width(), Height() - 4);
  SetEditRect();
}

void TDirTreeCombo::SetEditRect() {
  if (!HandleAllocated()) return;
  RECT r;
  r.left = FImageIndex >= 0 && FImageIndex < FImages->Count() ? 23 : 0;
  r.top = 0;
  r.right = FBtn->Left() - 2;
  r.bottom = ClientHeight() + 1;
  SendMessageW(Handle(), EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
}

void TDirTreeCombo::Dispatch(TMessage& Message) {
  TCustomEdit::Dispatch(Message);
  if (Message.Msg == WM_PAINT && FImageIndex >= 0 && FImageIndex < FImages->Count() && HandleAllocated()) {
    HDC dc = GetDC(Handle());
    ImageList_Draw(FImages->Handle(), FImageIndex, dc, 5, ClientHeight() / 2 - 8, ILD_TRANSPARENT);
    ReleaseDC(Handle(), dc);
  }
}

void TDirTreeCombo::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomEdit::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FFileList) FFileList = nullptr;
}

std::string TDirTreeCombo::SelectedPath() const { return FTree->FSelectedPath; }

void TDirTreeCombo::SetSelectedPath(const std::string& Value) {
  if (!SameText(Value, FTree->FSelectedPath)) FTree->FSelectedPath = Value;
  if (FFileList) FFileList->SetDirectory(Value);
}

void TDirTreeCombo::SetFileList(TFileListView* Value) {
  if (FFileList == Value) return;
  FFileList = Value;
  if (FFileList) {
    FFileList->SetDirTree(this);
    if (!SelectedPath().empty()) {
      FFileList->SetDirectory(SelectedPath());
      FFileList->UpdateFileList();
    }
  }
}

bool TDirTreeCombo::ExpandRoot() const { return FTree->FExpandRoot; }

void TDirTreeCombo::SetExpandRoot(bool Value) {
  FTree->FExpandRoot = Value;
  if (Value)
    if (TTreeNode* root = FTree->Items()->GetFirstNode()) root->Expand(false);
}

void TDirTreeCombo::SetGlyph(TBitmap* Value) {
  if (Value) FBtn->SetGlyph(Value);
}

int TDirTreeCombo::TreeHeight() const { return FTree->Height(); }
void TDirTreeCombo::SetTreeHeight(int Value) { FTree->SetHeight(Value); }

bool TDirTreeCombo::DroppedDown() const { return FTree->Visible(); }

void TDirTreeCombo::HideTree() {
  FTree->SetVisible(false);
  FTree->SetEnabled(false);
  if (GetCapture() == (FTree->HandleAllocated() ? FTree->Handle() : nullptr)) ReleaseCapture();
}

void TDirTreeCombo::DropDown() {
  const TPoint p = ClientToScreen(TPoint{0, Height()});
  FTree->SetBounds(p.x, p.y, Width(), FTree->Height());
  if (FTree->Visible()) {
    HideTree();
  } else {
    FTree->SetEnabled(true);
    FTree->SetVisible(true);
    FTree->FMouseIn = false;
    SetCapture(FTree->Handle());
  }
}

void TDirTreeCombo::LoadDrives() {
  TTreeNodes* nodes = FTree->Items();
  nodes->BeginUpdate();
  nodes->Clear();
  TTreeNode* root = nullptr;
  LPITEMIDLIST drives = nullptr;
  if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives)) && drives) {
    SHFILEINFOA info{};
    if (SHGetFileInfoA(reinterpret_cast<LPCSTR>(drives), 0, &info, sizeof info,
                       SHGFI_PIDL | SHGFI_DISPLAYNAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON)) {
      root = nodes->Add(nullptr, info.szDisplayName);
      root->SetImageIndex(info.iIcon);
      root->SetSelectedIndex(info.iIcon);
    }
    CoTaskMemFree(drives);
  }
  if (root) {
    const DWORD mask = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
      if (!(mask & (1u << i))) continue;
      const char letter = static_cast<char>('A' + i);
      const std::string path = std::string(1, letter) + ":\\";
      TTreeNode* n = nodes->AddChild(root, DriveCaption(letter, ShellDisplayName(path)));
      n->SetHasChildren(true);
      n->SetImageIndex(GetSmallIconIndex(path));
      n->SetSelectedIndex(GetOpenIconIndex(path));
    }
  }
  nodes->EndUpdate();
}

void TDirTreeCombo::ReloadTree() {
  TTreeNodes* nodes = FTree->Items();
  nodes->BeginUpdate();
  FTree->SetSelected(nullptr);
  nodes->Clear();
  LoadDrives();
  FTree->OnExpanding = [this](TObject*, TTreeNode* Node, bool&) { TreeExpanding(Node); };
  nodes->EndUpdate();
}

std::string TDirTreeCombo::GetNodePath(TTreeNode* Node) const {
  std::string path;
  for (TTreeNode* n = Node; n && n->Parent(); n = n->Parent()) {
    if (n->Level() == 1)
      path = (n->Text().size() >= 4 ? n->Text().substr(2, 2) : std::string()) + "\\" + path;
    else
      path = n->Text() + (path.empty() ? "" : "\\" + path);
  }
  return path;
}

void TDirTreeCombo::TreeExpanding(TTreeNode* Node) {
  if (!Node || Node->GetFirstChild()) return;
  if (!Node->Parent()) return;
  FTree->FNodePath = GetNodePath(Node);
  Node->SetHasChildren(false);
  AddSubFolders(FTree->FNodePath, Node);
  SortChildren(Node);
}

void TDirTreeCombo::AddSubFolders(const std::string& Path, TTreeNode* Parent) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((AddSlash(Path) + "*.*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = fd.cFileName;
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == "." || name == "..") continue;
    const std::string path = AddSlash(Path) + name;
    TTreeNode* n = FTree->Items()->AddChild(Parent, name);
    n->SetHasChildren(HasSubFolders(path));
    n->SetImageIndex(GetSmallIconIndex(path));
    n->SetSelectedIndex(GetOpenIconIndex(path));
  } while (FindNextFileA(h, &fd));
  FindClose(h);
}

void TDirTreeCombo::SetPath(const std::string& Path) {
  if (Path.size() <= 1 || !DirectoryExists(Path)) return;
  TTreeNode* root = FTree->Items()->GetFirstNode();
  if (!root) return;
  if (root->Expanded()) root->Collapse(true);
  TTreeNode* node = root;
  bool complete = true;
  FTree->Items()->BeginUpdate();
  size_t start = 0;
  for (size_t slash; (slash = Path.find('\\', start)) != std::string::npos; start = slash + 1) {
    const std::string key = Path.substr(start, slash - start + 1);
    if (!node->GetFirstChild()) TreeExpanding(node);
    TTreeNode* found = nullptr;
    for (TTreeNode* n = node->GetFirstChild(); n; n = n->GetNext())
      if (SameText(NodeKey(n), key)) {
        found = n;
        break;
      }
    if (!found) {
      complete = false;
      break;
    }
    FTree->SetSelected(found);
    found->Expand(false);
    node = found;
  }
  FTree->Items()->EndUpdate();
  if (!complete) return;
  if (TTreeNode* sel = FTree->Selected()) FImageIndex = sel->ImageIndex();
  SetText(node->Text());
  SetEditRect();
  if (!SameText(FTree->FSelectedPath, AddSlash(Path))) FTree->FSelectedPath = AddSlash(Path);
}

void TDirTreeCombo::ChooseSelected(bool ByClick) {
  TTreeNode* node = FTree->Selected();
  if (!node) return;
  if (ByClick && HandleAllocated()) SendMessageW(Handle(), WM_LBUTTONDOWN, 0, 0);
  const std::string path = GetNodePath(node);
  if (ByClick) {
    FImageIndex = node->ImageIndex();
    SetText(node->Text());
  }
  HideTree();
  if (node->Level() == 1 && GetDriveTypeA(path.c_str()) == DRIVE_REMOVABLE && !DiskInDrive(path[0])) return;
  SetSelectedPath(node->Parent() ? path : "Drives");
  if (!ByClick) {
    FImageIndex = node->ImageIndex();
    SetText(node->Text());
  }
  SetEditRect();
  Invalidate();
}

void TDirTreeCombo::KeyDown(WORD& Key, TShiftState Shift) {
  TTreeNode* sel = FTree->Selected();
  const bool ctrl = (Shift & ssCtrl) != 0;
  if (Key == VK_DOWN && sel) {
    TTreeNode* next = sel->Expanded() && sel->GetFirstChild() ? sel->GetFirstChild() : sel->GetNext();
    while (next && next->Parent() && !next->Parent()->Expanded()) next = next->GetNext();
    if (next) FTree->SetSelected(next);
  } else if (Key == VK_DOWN && !sel) {
    if (TTreeNode* root = FTree->Items()->GetFirstNode()) FTree->SetSelected(root);
  } else if (Key == VK_UP && sel && sel->Parent()) {
    TTreeNode* prev = sel->GetPrevSibling();
    if (!prev) {
      prev = sel->Parent();
    } else {
      while (prev->Expanded() && prev->GetLastChild()) prev = prev->GetLastChild();
    }
    FTree->SetSelected(prev);
  } else if (Key == VK_F4) {
    DropDown();
  } else if (Key == VK_RETURN) {
    ChooseSelected(false);
  } else if (Key == VK_ESCAPE) {
    if (DroppedDown()) HideTree();
  } else if (Key == VK_LEFT && ctrl && sel) {
    sel->Collapse(true);
  } else if (Key == VK_RIGHT && ctrl && sel) {
    sel->Expand(false);
  }
  TCustomEdit::KeyDown(Key, Shift);
}
