#include "app/dragout.h"

#include "app/entryextract.h"
#include "app/mainform.h"
#include "app/settings.h"
#include "app/zipaccess.h"
#include "controls/views/filedrag.h"
#include "framework/core/sysutils.h"

#include <shlobj.h>

uint8_t DragOutRunning = 0;
std::string ZipPassword;
std::function<HRESULT(IDataObject*, IDropSource*, DWORD, DWORD*)> DoDragDropHandler;

HRESULT STDMETHODCALLTYPE IMyDropSource::QueryInterface(REFIID Riid, void** Object) {
  if (!Object) return E_POINTER;
  if (IsEqualIID(Riid, IID_IUnknown) || IsEqualIID(Riid, IID_IDropSource)) {
    *Object = static_cast<IDropSource*>(this);
    AddRef();
    return S_OK;
  }
  *Object = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE IMyDropSource::AddRef() { return ULONG(InterlockedIncrement(&FRefCount)); }

ULONG STDMETHODCALLTYPE IMyDropSource::Release() {
  const LONG n = InterlockedDecrement(&FRefCount);
  if (n == 0) delete this;
  return ULONG(n);
}

HRESULT STDMETHODCALLTYPE IMyDropSource::QueryContinueDrag(BOOL EscapePressed, DWORD KeyState) {
  if (EscapePressed) return DRAGDROP_S_CANCEL;
  if (!(KeyState & MK_LBUTTON)) return DRAGDROP_S_DROP;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE IMyDropSource::GiveFeedback(DWORD) { return DRAGDROP_S_USEDEFAULTCURSORS; }

namespace {

std::wstring Wide(const std::string& S) {
  const int n = MultiByteToWideChar(CP_ACP, 0, S.c_str(), -1, nullptr, 0);
  std::wstring w(size_t(n > 0 ? n : 1), L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, S.c_str(), -1, w.data(), n);
  w.resize(wcslen(w.c_str()));
  return w;
}

bool IsReaderDragFormat(const std::string& Ext) {
  for (const char* e : {".arj", ".ace", ".arc", ".cab", ".zoo", ".lzh", ".gz", ".tar", ".enc", ".rar", ".bh"})
    if (Ext == e) return true;
  return false;
}

}  // namespace

IDataObject* BuildDragDataObject(HWND Owner, const std::string& Folder, const std::vector<std::string>& Files) {
  if (Files.empty()) return nullptr;
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop))) return nullptr;
  IDataObject* data = nullptr;
  LPITEMIDLIST folderId = nullptr;
  std::wstring path = Wide(ExcludeTrailingBackslash(Folder));
  IShellFolder* folder = nullptr;
  if (SUCCEEDED(desktop->ParseDisplayName(Owner, nullptr, path.data(), nullptr, &folderId, nullptr)) &&
      SUCCEEDED(desktop->BindToObject(folderId, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder)))) {
    std::vector<LPITEMIDLIST> items;
    bool ok = true;
    for (const std::string& f : Files) {
      std::wstring name = Wide(ExtractFileName(f));
      LPITEMIDLIST id = nullptr;
      if (FAILED(folder->ParseDisplayName(Owner, nullptr, name.data(), nullptr, &id, nullptr))) {
        ok = false;
        break;
      }
      items.push_back(id);
    }
    if (ok)
      folder->GetUIObjectOf(Owner, UINT(items.size()), const_cast<LPCITEMIDLIST*>(items.data()), IID_IDataObject,
                            nullptr, reinterpret_cast<void**>(&data));
    for (LPITEMIDLIST id : items) CoTaskMemFree(id);
    folder->Release();
  }
  if (folderId) CoTaskMemFree(folderId);
  desktop->Release();
  return data;
}

std::vector<std::string> DroppedFileNames(IDataObject* Data) {
  std::vector<std::string> names;
  if (!Data) return names;
  FORMATETC fmt = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium = {};
  if (FAILED(Data->GetData(&fmt, &medium))) return names;
  HDROP drop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
  if (drop) {
    const UINT n = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < n; ++i) {
      char name[MAX_PATH * 2] = {};
      DragQueryFileA(drop, i, name, sizeof name);
      names.push_back(name);
    }
    GlobalUnlock(medium.hGlobal);
  }
  ReleaseStgMedium(&medium);
  return names;
}

void TMainForm::FileListMouseMove(TShiftState Shift) {
  if (FChangingTree || DragOutRunning == 1 || !(Shift & ssLeft) || ArchiveName.empty()) return;
  const std::vector<int> rows = SelectedRows();
  if (rows.empty()) return;
  if (rows.size() == 1 && IsFolderRecord(FileTable[size_t(rows.front())])) return;
  for (int r : rows) {
    const TFile& f = FileTable[size_t(r)];
    if (!f.Encrypted || IsFolderRecord(f)) continue;
    if (ZipPassword.empty() && !IsReaderDragFormat(ArchiveExt)) {
      AppMessageBox("Because this file has password, before you do first drag to expolrer you have to\r"
                    "enter password which will be used for all drag operations.",
                    mtInformation, mbOK);
      ZipPassword = AskZipExtractPassword(ZipBridge);
    }
    break;
  }
  DragOutRunning = 1;
  // The window must not take its own drop.
  if (FileDrag1) FileDrag1->SetEnableDrop(false);
  DragExtractSelected();
  if (FileDrag1) FileDrag1->SetEnableDrop(true);
  DragOutRunning = 0;
  if (FileList->Visible() && FileList->CanFocus()) FileList->SetFocus();
}

void TMainForm::DragExtractSelected() {
  std::vector<std::string> specs, files;
  for (int r : SelectedRows()) {
    const TFile& f = FileTable[size_t(r)];
    if (IsFolderRecord(f) || IsParentRecord(f)) continue;
    specs.push_back(f.Path + f.Name);
  }
  if (specs.empty()) return;
  const std::string temp = EnsureTempFolder();
  TEntryExtract job;
  job.Specs = specs;
  job.Folder = temp;
  job.FolderNames = false;
  job.Overwrite = !IsReaderDragFormat(ArchiveExt);
  job.Password = ZipPassword;
  const TCursor cursor = Screen->Cursor();
  Screen->SetCursor(crHourGlass);
  ExtractEntries(ZipBridge, job);
  Screen->SetCursor(cursor);
  for (const std::string& s : specs) {
    const std::string file = temp + ExtractFileName(s);
    RememberTempFile(file);
    if (FileExists(file)) files.push_back(file);
  }
  IDataObject* data = BuildDragDataObject(Handle(), temp, files);
  if (!data) return;
  auto* source = new IMyDropSource;
  const DWORD allowed = (GetKeyState(VK_SHIFT) & 0x8000) ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
  DWORD effect = 0;
  if (DoDragDropHandler) DoDragDropHandler(data, source, allowed, &effect);
  else DoDragDrop(data, source, allowed, &effect);
  source->Release();
  data->Release();
}
