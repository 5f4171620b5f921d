#include "controls/views/browsedr.h"

#include "controls/views/explorertext.h"
#include "controls/views/viewutils.h"

#undef GetObject

namespace {

constexpr int kStatusLineId = 14147;

std::string PathOfList(LPCITEMIDLIST List) {
  char path[MAX_PATH] = {};
  if (!List || !SHGetPathFromIDListA(List, path)) return "";
  return path;
}

bool IsWindowsNT() {
  OSVERSIONINFOA v{};
  v.dwOSVersionInfoSize = sizeof v;
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
  GetVersionExA(&v);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
  return v.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// Parses a path into an item list through the desktop folder.
LPITEMIDLIST ParsePath(const std::string& Path) {
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop))) return nullptr;
  std::wstring wide(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, Path.c_str(), -1, nullptr, 0)), L'\0');
  MultiByteToWideChar(CP_ACP, 0, Path.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
  LPITEMIDLIST list = nullptr;
  ULONG eaten = 0;
  if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, wide.data(), &eaten, &list, nullptr))) list = nullptr;
  desktop->Release();
  return list;
}

}  // namespace

int RootFolderNumber(TRootID Root, bool WindowsNT) {
  static const int numbers[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 16, 17, 18, 19, 20, 21};
  if (Root <= idTemplates) return numbers[Root];
  switch (Root) {
    case idCommonStartMenu: return WindowsNT ? 22 : 11;
    case idCommonPrograms: return WindowsNT ? 23 : 2;
    case idCommonStartup: return WindowsNT ? 24 : 7;
    case idCommonDesktopDirectory: return WindowsNT ? 25 : 16;
    case idAppData: return 26;
    case idPrintHood: return 27;
    default: return 0xFEFE;
  }
}

UINT BrowseInfoFlags(TBrowseFlags Options, bool StatusText) {
  static const UINT bits[] = {0x0001, 0x0002, 0x0008, 0x1000, 0x2000, 0x4000, 0x0010};
  UINT flags = 0;
  for (int i = 0; i <= bfEditBox; ++i)
    if (Options & (1u << i)) flags |= bits[i];
  if (Options & (1u << bfEditBox)) flags |= 0x0020;
  if (StatusText) flags |= 0x0004;
  return flags;
}

bool FolderExists(const std::string& Path) {
  TNoErrorBoxes quiet;
  bool exists;
  if (Path.size() == 3 && Path[1] == ':' && Path[2] == '\\') {
    const int letter = std::toupper(static_cast<unsigned char>(Path[0])) - 'A';
    exists = letter >= 0 && letter < 26 && (GetLogicalDrives() & (1u << letter));
  } else {
    std::string p = Path;
    if (!p.empty() && p.back() == '\\') p.pop_back();
    WIN32_FIND_DATAA fd;
    HANDLE h = p.empty() ? INVALID_HANDLE_VALUE : FindFirstFileA(p.c_str(), &fd);
    exists = h != INVALID_HANDLE_VALUE && (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
  }
  return exists;
}

TBrowseDirectoryDlg::TBrowseDirectoryDlg(TComponent* AOwner) : TComponent(AOwner) {}

TBrowseDirectoryDlg::~TBrowseDirectoryDlg() { FreeSelectionList(); }

void TBrowseDirectoryDlg::FreeSelectionList() {
  if (FSelectionList) CoTaskMemFree(FSelectionList);
  FSelectionList = nullptr;
}

void TBrowseDirectoryDlg::SetSelection(const std::string& Value) {
  if (Value == FSelection) return;
  FSelection = Value;
  if (!FSelection.empty() && FSelection.back() != '\\' && FolderExists(FSelection)) FSelection += '\\';
  if (FDlgWnd) ApplySelection();
}

std::string TBrowseDirectoryDlg::Caption() const {
  if (!FDlgWnd) return FCaption;
  char buf[257] = {};
  GetWindowTextA(FDlgWnd, buf, 256);
  return buf;
}

void TBrowseDirectoryDlg::SetCaption(const std::string& Value) {
  FCaption = Value;
  if (FDlgWnd) SetWindowTextA(FDlgWnd, Value.c_str());
}

void TBrowseDirectoryDlg::SetStatusText(const std::string& Value) {
  if (Value == FStatusText) return;
  FStatusText = Value;
  if (FDlgWnd) SendStatusText();
}

void TBrowseDirectoryDlg::SetFitStatusText(bool Value) {
  if (Value == FFitStatusText) return;
  FFitStatusText = Value;
  if (FDlgWnd) SendStatusText();
}

void TBrowseDirectoryDlg::SetEnableOKButton(bool Value) {
  FEnableOKButton = Value;
  if (FDlgWnd) SendMessageA(FDlgWnd, BFFM_ENABLEOK, 0, Value ? 1 : 0);
}

void TBrowseDirectoryDlg::SendStatusText() {
  std::string text = FStatusText;
  HWND status = FDlgWnd ? GetDlgItem(FDlgWnd, kStatusLineId) : nullptr;
  if (FFitStatusText && status && !text.empty()) {
    RECT r;
    GetClientRect(status, &r);
    HDC dc = GetDC(status);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(status, WM_GETFONT, 0, 0)));
    auto width = [dc](const std::string& s) {
      SIZE sz{};
      GetTextExtentPoint32A(dc, s.c_str(), static_cast<int>(s.size()), &sz);
      return static_cast<int>(sz.cx);
    };
    text = FolderExists(text) ? MinimizePath(text, r.right, width) : MinimizeText(text, r.right, width);
    SelectObject(dc, old);
    ReleaseDC(status, dc);
  }
  SendMessageA(FDlgWnd, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void TBrowseDirectoryDlg::ApplySelection() {
  if (FSelection.empty() && FSelectionList) {
    FSelection = PathOfList(FSelectionList);
    SendMessageA(FDlgWnd, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(FSelectionList));
    return;
  }
  if (LPITEMIDLIST list = ParsePath(FSelection)) {
    FreeSelectionList();
    FSelectionList = list;
  }
  if (FSelection.compare(0, 2, "\\\\") == 0) {
    if (FSelectionList) SendMessageA(FDlgWnd, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(FSelectionList));
    return;
  }
  const std::string path = BrowseSelectionText(FSelection);
  SendMessageA(FDlgWnd, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
}

int CALLBACK TBrowseDirectoryDlg::BrowseCallback(HWND Window, UINT Msg, LPARAM Param, LPARAM Data) {
  auto* self = reinterpret_cast<TBrowseDirectoryDlg*>(Data);
  switch (Msg) {
    case BFFM_INITIALIZED:
      self->DoInitialized(Window);
      return 0;
    case BFFM_SELCHANGED:
      self->DoSelChanged(Window, reinterpret_cast<LPCITEMIDLIST>(Param));
      return 0;
    case BFFM_VALIDATEFAILEDA: {
      bool cancel = false;
      self->DoValidateFailed(reinterpret_cast<const char*>(Param), cancel);
      return cancel ? 0 : 1;
    }
    default:
      return 0;
  }
}

void TBrowseDirectoryDlg::DoInitialized(HWND Window) {
  FDlgWnd = Window;
  if (Center) {
    RECT r;
    GetWindowRect(Window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    SetWindowPos(Window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2, 0,
                 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SendMessageA(Window, BFFM_ENABLEOK, 0, FEnableOKButton ? 1 : 0);
  if (!FStatusText.empty()) SendStatusText();
  if (!FSelection.empty() || FSelectionList) ApplySelection();
  if (!FCaption.empty()) SetWindowTextA(Window, FCaption.c_str());
  if (OnCreate) OnCreate(this);
}

void TBrowseDirectoryDlg::DoSelChanged(HWND, LPCITEMIDLIST Item) {
  if (!ShowSelectionInStatus && !OnSelChanged) return;
  const std::string path = PathOfList(Item);
  if (ShowSelectionInStatus) SetStatusText(path);
  if (OnSelChanged) OnSelChanged(this, path, Item);
}

void TBrowseDirectoryDlg::DoValidateFailed(const std::string& Path, bool& Cancel) {
  if (OnValidateFailed) OnValidateFailed(this, Path, Cancel);
}

bool TBrowseDirectoryDlg::Execute() {
  FDisplayName.clear();
  HWND owner = Parent;
  if (!owner) {
    if (auto* w = dynamic_cast<TWinControl*>(Owner()); w && w->HandleAllocated())
      owner = w->Handle();
    else if (Application && Application->MainForm())
      owner = Application->MainForm()->Handle();
  }
  char* display = static_cast<char*>(CoTaskMemAlloc(MAX_PATH));
  if (!display) return false;
  display[0] = '\0';
  LPITEMIDLIST root = nullptr;
  if (Root != idDesktopExpanded) SHGetSpecialFolderLocation(owner, RootFolderNumber(Root, IsWindowsNT()), &root);
  BROWSEINFOA bi{};
  bi.hwndOwner = owner;
  bi.pidlRoot = root;
  bi.pszDisplayName = display;
  bi.lpszTitle = Title.c_str();
  bi.ulFlags = BrowseInfoFlags(Options, ShowSelectionInStatus || !FStatusText.empty());
  bi.lpfn = BrowseCallback;
  bi.lParam = reinterpret_cast<LPARAM>(this);
  LPITEMIDLIST chosen;
  {
    TNoErrorBoxes quiet;
    chosen = SHBrowseForFolderA(&bi);
  }
  std::string result;
  bool made = false;
  if (chosen) {
    const std::string path = PathOfList(chosen);
    if (Options & (1u << bfComputers)) {
      result = path.empty() ? std::string("\\\\") + display : path;
      made = true;
    } else {
      result = path;
      made = !path.empty();
    }
    FImageIndex = bi.iImage;
    if (FImageIndex == -1 && !result.empty()) {
      SHFILEINFOA info{};
      SHGetFileInfoA(result.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
      FImageIndex = info.iIcon;
    }
    if (made) FDisplayName = display;
  }
  if (root) CoTaskMemFree(root);
  CoTaskMemFree(display);
  FDlgWnd = nullptr;
  if (made) {
    FSelection = result;
    FreeSelectionList();
    FSelectionList = chosen;
  } else {
    FSelection.clear();
    FreeSelectionList();
    if (chosen) CoTaskMemFree(chosen);
  }
  return made;
}
