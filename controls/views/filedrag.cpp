#include "controls/views/filedrag.h"

#include <vector>

#include "controls/views/viewprops.h"

TFileDrag::TFileDrag(TComponent* AOwner) : TComponent(AOwner), FFiles(std::make_unique<TStringList>()) {
  FOwnerControl = dynamic_cast<TWinControl*>(AOwner);
  if (FOwnerControl) {
    FSubclass.OnMessage = [this](TWindowSubclass*, UINT Msg, WPARAM WParam, LPARAM LParam) {
      return WindowProc(Msg, WParam, LParam);
    };
    FOwnerControl->HandleNeeded();
    FSubclass.Attach(FOwnerControl);
    SetEnableDrop(true);
  }
}

TFileDrag::~TFileDrag() {
  if (FOwnerControl && !(FOwnerControl->ComponentState() & csDestroying)) SetEnableDrop(false);
  FSubclass.Detach();
}

void TFileDrag::SetEnableDrop(bool Value) {
  FEnableDrop = Value;
  if (!FOwnerControl) {
    FEnableDrop = false;
    return;
  }
  if (FOwnerControl->HandleAllocated()) {
    FAcceptingWindow = FOwnerControl->Handle();
    DragAcceptFiles(FAcceptingWindow, Value ? TRUE : FALSE);
  }
}

LRESULT TFileDrag::WindowProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  // A re-created window has lost its drop registration.
  if (FSubclass.Window() && FSubclass.Window() != FAcceptingWindow && Msg != WM_NCDESTROY && Msg != WM_DESTROY) {
    FAcceptingWindow = FSubclass.Window();
    DragAcceptFiles(FAcceptingWindow, FEnableDrop ? TRUE : FALSE);
  }
  if (Msg == WM_DROPFILES) {
    DropFiles(reinterpret_cast<HDROP>(WParam));
    return 0;
  }
  return FSubclass.CallNext(Msg, WParam, LParam);
}

void TFileDrag::DropFiles(HDROP Drop) {
  std::vector<wchar_t> name(128);
  FFiles->Clear();
  FFileCount = static_cast<int>(DragQueryFileW(Drop, 0xFFFFFFFF, nullptr, 0));
  DragQueryPoint(Drop, &FDropPoint);
  for (int i = 0; i < FFileCount; ++i) {
    UINT len = DragQueryFileW(Drop, static_cast<UINT>(i), nullptr, 0) + 1;
    if (len > name.size()) name.resize(len);
    UINT got = DragQueryFileW(Drop, static_cast<UINT>(i), name.data(), static_cast<UINT>(name.size()));
    FFiles->Add(Narrow(name.data(), static_cast<int>(got)));
  }
  // The drop handle belongs to the receiver once the names are read.
  DragFinish(Drop);
  DoDrop();
}

void TFileDrag::DoDrop() {
  if (OnDrop) OnDrop(this);
}

namespace {
struct TFileDragProps {
  TFileDragProps() {
    RegisterProperties<TFileDrag>("TFileDrag",
                                  {PropBool<TFileDrag>("EnableDrop", &TFileDrag::EnableDrop, &TFileDrag::SetEnableDrop)});
  }
} fileDragProps;
}  // namespace
