// Makes its owner window accept files dropped from the shell and reports the
// dropped names. The owner's window is subclassed through the window layer's
// chain, so the hook follows re-created windows and never removes a
// procedure installed after it.
#pragma once
#include <memory>
#include <string>

#include "framework/ui/controls.h"

class TFileDrag : public TComponent {
 public:
  explicit TFileDrag(TComponent* AOwner);
  ~TFileDrag() override;

  TStrings* Files() { return FFiles.get(); }
  int FileCount() const { return FFileCount; }
  bool EnableDrop() const { return FEnableDrop; }
  void SetEnableDrop(bool Value);
  // Where the last drop happened, in the owner's client coordinates.
  TPoint DropPoint() const { return FDropPoint; }

  TNotifyEvent OnDrop;

 protected:
  virtual void DoDrop();

 private:
  LRESULT WindowProc(UINT Msg, WPARAM WParam, LPARAM LParam);
  void DropFiles(HDROP Drop);
  std::unique_ptr<TStringList> FFiles;
  int FFileCount = 0;
  bool FEnableDrop = false;
  TPoint FDropPoint{0, 0};
  TWinControl* FOwnerControl = nullptr;
  HWND FAcceptingWindow = nullptr;
  TWindowSubclass FSubclass;
};
