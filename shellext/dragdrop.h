// Dragging in Explorer: files dropped on a Zip archive are added to it, and
// an archive dragged with the right button onto a folder can be extracted
// there.
#pragma once
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "shellext/comobj.h"
#include "shellext/contextmenu.h"
#include "shellext/menubitmap.h"

namespace brimshex {

class TDropTarget : public TComObject, public IDropTarget, public IPersistFile {
 public:
  static IUnknown* Create() { return NewComObject<TDropTarget, IDropTarget>(); }
  BRIMSHEX_IUNKNOWN

  STDMETHODIMP GetClassID(CLSID* ClassId) override;
  STDMETHODIMP IsDirty() override { return S_OK; }
  STDMETHODIMP Load(LPCOLESTR FileName, DWORD Mode) override;
  STDMETHODIMP Save(LPCOLESTR, BOOL) override { return S_OK; }
  STDMETHODIMP SaveCompleted(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP GetCurFile(LPOLESTR* FileName) override;

  STDMETHODIMP DragEnter(IDataObject* Data, DWORD KeyState, POINTL Point, DWORD* Effect) override;
  STDMETHODIMP DragOver(DWORD KeyState, POINTL Point, DWORD* Effect) override;
  STDMETHODIMP DragLeave() override;
  STDMETHODIMP Drop(IDataObject* Data, DWORD KeyState, POINTL Point, DWORD* Effect) override;

 private:
  void* Interface(REFIID Iid) override;

  std::string FTarget;
  std::vector<std::string> FDropped;
};

class TDragDropContextMenu : public TShellMenuHandler {
 public:
  static IUnknown* Create() { return NewComObject<TDragDropContextMenu, IShellExtInit>(); }

  STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE Folder, IDataObject* Data, HKEY ProgId) override;
  STDMETHODIMP QueryContextMenu(HMENU Menu, UINT Position, UINT FirstId, UINT LastId, UINT Flags) override;
  STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* Info) override;
  STDMETHODIMP GetCommandString(UINT_PTR Offset, UINT Kind, UINT* Reserved, CHAR* Buffer, UINT Size) override;

 private:
  // Target folder + the dragged name's file part, cut before its last ".".
  std::string SubFolder() const;

  std::vector<std::string> FDragged;
  std::string FTargetFolder;
  bool FItemsAdded = false;
  TMenuBitmap FBitmap;
};

}  // namespace brimshex
