#include "dialogs/lneform.h"

#include "app/addactions.h"
#include "app/mainform.h"
#include "app/zipaccess.h"
#include "archive/core/compbase.h"
#include "archive/core/unbase.h"
#include "dialogs/controltable.h"

TLnEForm* LnEForm = nullptr;

TLnEForm::TLnEForm(TComponent* AOwner) : TForm(AOwner, "TLnEForm") {
  LnEForm = this;
  SetName("LnEForm");
  SetCaption("Quillon - Extracting");
  SetBounds(0, 0, 360, 110);
  SetBorderStyle(bsDialog);
  SetKeyPreview(true);
  BuildControlTable(this, {
      {"TotalL", TControlKind::Label, "Total process:", 10, 10, 200, 14},
      {"CancelButton", TControlKind::CancelButton, "Cancel", 134, 52, 80, 24},
  });
  CancelButton = Ctl<TButton>(this, "CancelButton");
  ProgressBar = new TProgressBar(this);
  ProgressBar->SetName("ProgressBar");
  ProgressBar->SetParent(this);
  ProgressBar->SetBounds(10, 26, 334, 18);
  ProgressBar->SetStep(1);
  auto message = [](int ErrCode, const std::string& Text) {
    if (ErrCode > 0) Application->MessageBox("Error Msg: " + Text, "Quillon", MB_OK);
  };
  ZipBridge1 = CreateZipBridge(this, message, "ZipBridge1");
  ZipBridge2 = CreateZipBridge(this, nullptr, "ZipBridge2");
  CancelButton->OnClick = [this](TObject*) { CancelRun(); };
  OnKeyPress = [this](TObject*, char& Key) {
    if (Key == 27) CancelRun();
  };
  OnCloseQuery = [this](TObject*, bool& CanClose) {
    CanClose = false;
    CancelRun();
  };
}

void TLnEForm::Begin(const std::string& Caption, int Max) {
  Cancelled = false;
  CancelZip(ZipBridge1, false);
  CancelZip(ZipBridge2, false);
  FBytes[0].Reset();
  FBytes[1].Reset();
  ProgressBar->SetMin(0);
  ProgressBar->SetPosition(0);
  ProgressBar->SetMax(Max);
  SetCaption(Caption);
  CentreOnMainWindow(this);
  Show();
  Application->ProcessMessages();
}

void TLnEForm::AddBytes(bool Second, int64_t Bytes) {
  if (Second && ZipCancelled(ZipBridge2)) return;
  const int steps = FBytes[Second ? 1 : 0].Add(Bytes);
  if (steps > 0) ProgressBar->StepBy(steps);
  Application->ProcessMessages();
}

void TLnEForm::CancelRun() {
  Cancelled = true;
  CancelZip(ZipBridge1, true);
  CancelZip(ZipBridge2, true);
  if (ActiveExtractor) ActiveExtractor->Cancel = true;
  if (CompressorRunning && ActiveCompressor) ActiveCompressor->Cancel = true;
  Application->Terminate();
}
