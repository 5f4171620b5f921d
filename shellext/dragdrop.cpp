#include "shellext/dragdrop.h"

#include "shellext/contextmenu.h"
#include "shellext/handover.h"
#include "shellext/server.h"
#include "shellext/settings.h"

namespace brimshex {

void* TDropTarget::Interface(REFIID Iid) {
  if (IsEqualIID(Iid, IID_IUnknown) || IsEqualIID(Iid, IID_IDropTarget)) return static_cast<IDropTarget*>(this);
  if (IsEqualIID(Iid, IID_IPersistFile) || IsEqualIID(Iid, IID_IPersist)) return static_cast<IPersistFile*>(this);
  return nullptr;
}

HRESULT TDropTarget::GetClassID(CLSID* ClassId) {
  if (!ClassId) return E_POINTER;
  *ClassId = CLSID_DropTarget;
  return S_OK;
}

HRESULT TDropTarget::Load(LPCOLESTR FileName, DWORD) {
  return Guarded([&]() -> HRESULT {
    FTarget.clear();
    if (!FileName) return E_INVALIDARG;
    const int size = WideCharToMultiByte(CP_ACP, 0, FileName, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return E_FAIL;
    std::string name(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, FileName, -1, name.data(), size, nullptr, nullptr);
    name.resize(static_cast<size_t>(size - 1));
    FTarget = std::move(name);
    return S_OK;
  });
}

HRESULT TDropTarget::GetCurFile(LPOLESTR* FileName) {
  // Nothing to hand out: a caller must not free what was never set.
  if (FileName) *FileName = nullptr;
  return E_NOTIMPL;
}

HRESULT TDropTarget::DragEnter(IDataObject* Data, DWORD, POINTL, DWORD* Effect) {
  return Guarded([&]() -> HRESULT {
    FDropped.clear();
    const auto refuse = [&](HRESULT Result) {
      FDropped.clear();
      if (Effect) *Effect = DROPEFFECT_NONE;
      return Result;
    };
    if (GetArchiveKind(FTarget, false) != akZip) return refuse(E_FAIL);
    if (!Data) return refuse(E_FAIL);
    const HRESULT got = ReadDroppedNames(Data, MaxDraggedNames, FDropped);
    if (FAILED(got)) return refuse(got);
    if (FDropped.empty()) return S_OK;
    const std::string target = LowerCaseStr(FTarget);
    for (const auto& name : FDropped)
      if (LowerCaseStr(name) == target) return refuse(E_FAIL);
    if (Effect) *Effect = DROPEFFECT_COPY;
    return S_OK;
  });
}

HRESULT TDropTarget::DragOver(DWORD, POINTL, DWORD* Effect) {
  if (Effect) *Effect = FDropped.empty() ? DROPEFFECT_NONE : DROPEFFECT_COPY;
  return S_OK;
}

HRESULT TDropTarget::DragLeave() {
  FDropped.clear();
  return S_OK;
}

HRESULT TDropTarget::Drop(IDataObject*, DWORD, POINTL, DWORD* Effect) {
  return Guarded([&]() -> HRESULT {
    std::vector<std::string> dropped;
    dropped.swap(FDropped);
    if (Effect) *Effect = DROPEFFECT_NONE;
    // Nothing collected (no names, or a refused drag): nothing to add.
    if (dropped.empty()) return S_OK;
    const std::string program = GetMainProgramPath();
    if (program.empty()) return S_OK;
    std::vector<std::string> names;
    names.reserve(dropped.size() + 1);
    names.push_back(FTarget);
    names.insert(names.end(), dropped.begin(), dropped.end());
    if (!WriteListFile(ListFileName(), names)) return S_OK;
    ShellOpen(program, VerbSwitch(cmdAddZip), FolderOf(dropped.front()), SW_SHOWNORMAL);
    return S_OK;
  });
}

HRESULT TDragDropContextMenu::Initialize(PCIDLIST_ABSOLUTE Folder, IDataObject* Data, HKEY) {
  return Guarded([&]() -> HRESULT {
    FBitmap.LoadMenuBitmap(LoadShellExtOptions().UseBitmapImages);
    FDragged.clear();
    FItemsAdded = false;
    char path[MAX_PATH + 1] = {};
    FTargetFolder = Folder && SHGetPathFromIDListA(Folder, path) ? path : "";
    if (!Data) return E_FAIL;
    return ReadDroppedNames(Data, MaxDraggedNames, FDragged);
  });
}

std::string TDragDropContextMenu::SubFolder() const {
  std::string folder = FTargetFolder;
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  const std::string& name = FDragged.front();
  const size_t slash = name.rfind('\\');
  return WithoutExtension(folder + (slash == std::string::npos ? name : name.substr(slash + 1)));
}

HRESULT TDragDropContextMenu::QueryContextMenu(HMENU Menu, UINT Position, UINT FirstId, UINT LastId, UINT Flags) {
  return Guarded([&]() -> HRESULT {
    FItemsAdded = false;
    const auto none = MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
    if (!ShellExtEnabled() || Flags != CMF_NORMAL || FDragged.size() != 1 || FTargetFolder.empty()) return none;
    if (FirstId + 1 < FirstId || FirstId + 1 > LastId) return none;
    if (GetArchiveKind(FDragged.front(), LoadShellExtOptions().CheckForSFXs) == akNone) return none;
    if (!InsertMenuA(Menu, Position, MF_BYPOSITION | MF_STRING, FirstId, "Extract &Here")) return none;
    FBitmap.SetItemBitmap(Menu, Position);
    const std::string caption = "E&xtract to " + ShortenPath(SubFolder());
    if (!InsertMenuA(Menu, Position + 1, MF_BYPOSITION | MF_STRING, FirstId + 1, caption.c_str())) {
      DeleteMenu(Menu, Position, MF_BYPOSITION);
      return none;
    }
    FBitmap.SetItemBitmap(Menu, Position + 1);
    FItemsAdded = true;
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 2);
  });
}

HRESULT TDragDropContextMenu::InvokeCommand(CMINVOKECOMMANDINFO* Info) {
  return Guarded([&]() -> HRESULT {
    UINT offset = 0;
    if (!InvokeOffset(Info, offset) || offset >= 3) return E_FAIL;
    if (offset == 2) return S_OK;
    // Only the items this object put in a menu can be chosen.
    if (!FItemsAdded) return E_FAIL;
    const std::string program = GetMainProgramPath();
    if (program.empty()) return S_OK;
    const std::string destination = offset == 0 ? FTargetFolder : SubFolder();
    const std::string parameters = "-e " + QuoteArgument(FDragged.front()) + " " + QuoteFolder(destination);
    std::string folder = FTargetFolder;
    while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
    ShellOpen(program, parameters, FolderOf(folder), Info->nShow);
    return S_OK;
  });
}

HRESULT TDragDropContextMenu::GetCommandString(UINT_PTR Offset, UINT Kind, UINT*, CHAR* Buffer, UINT Size) {
  return AnswerCommandString(Kind, FItemsAdded && Offset < 2, nullptr, Buffer, Size);
}

}  // namespace brimshex
