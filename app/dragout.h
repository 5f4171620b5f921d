// Dragging selected entries out of the entry list: they are extracted into
// Temp and handed to the system's drag loop as a shell data object.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "framework/ui/winapi.h"

#include <ole2.h>

// The drop source of a drag started here.
class IMyDropSource : public IDropSource {
 public:
  IMyDropSource() = default;
  virtual ~IMyDropSource() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID Riid, void** Object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL EscapePressed, DWORD KeyState) override;
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD Effect) override;

 private:
  LONG FRefCount = 1;
};

extern uint8_t DragOutRunning;
// The password of the open Zip archive for dragging, asked once.
extern std::string ZipPassword;

// The shell's data object for Files (full paths, all in Folder); nullptr
// when the shell cannot give one. The caller releases it.
IDataObject* BuildDragDataObject(HWND Owner, const std::string& Folder, const std::vector<std::string>& Files);
// The file names a data object carries as CF_HDROP.
std::vector<std::string> DroppedFileNames(IDataObject* Data);

// Runs the drag loop; tests replace it. Unset, DoDragDrop.
extern std::function<HRESULT(IDataObject* Data, IDropSource* Source, DWORD Allowed, DWORD* Effect)> DoDragDropHandler;
