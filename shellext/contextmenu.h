// The context-menu handler of files and folders: compress the selection, or
// extract, convert or split one archive, by starting Morv.
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
#include "shellext/menubitmap.h"
#include "shellext/settings.h"

namespace brimshex {

// Help text of a command code; nullptr for a code without one.
const char* VerbHelpText(uint8_t Code);
// Morv's switch for a command code ("" for none).
const char* VerbSwitch(uint8_t Code);

// GetCommandString's answer for both menu handlers: validation, the help
// text (ANSI or wide, cut to the buffer) and no verbs.
HRESULT AnswerCommandString(UINT Kind, bool Valid, const char* Help, char* Buffer, UINT Size);
// The command offset of an invoke request; false for a string verb.
bool InvokeOffset(const CMINVOKECOMMANDINFO* Info, UINT& Offset);

// What both menu handlers are to COM.
class TShellMenuHandler : public TComObject, public IShellExtInit, public IContextMenu {
 public:
  BRIMSHEX_IUNKNOWN

 protected:
  void* Interface(REFIID Iid) override;
};

// Selection, options, command table, popup and bitmap belong to the object:
// Explorer builds menus on several threads at once.
class TContextMenu : public TShellMenuHandler {
 public:
  static IUnknown* Create() { return NewComObject<TContextMenu, IShellExtInit>(); }

  STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE Folder, IDataObject* Data, HKEY ProgId) override;
  STDMETHODIMP QueryContextMenu(HMENU Menu, UINT Position, UINT FirstId, UINT LastId, UINT Flags) override;
  STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* Info) override;
  STDMETHODIMP GetCommandString(UINT_PTR Offset, UINT Kind, UINT* Reserved, CHAR* Buffer, UINT Size) override;

 private:
  std::string Caption(uint8_t Code) const;
  bool InsertVerbItem(HMENU Menu, UINT Position, UINT FirstId, UINT LastId, uint8_t Code);

  std::vector<std::string> FNames;
  std::vector<uint8_t> FCommands;  // command code by command offset
  HMENU FPopup = nullptr;          // owned by the menu it was put in
  bool FSelfExtractor = false;
  TShellExtOptions FOptions;
  TMenuBitmap FBitmap;
};

}  // namespace brimshex
