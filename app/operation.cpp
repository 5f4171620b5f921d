#include "app/operation.h"

#include <algorithm>
#include <climits>

#include "app/mainform.h"
#include "dialogs/msgform.h"

int TByteProgress::MaxFor(int64_t TotalBytes) {
  const int64_t steps = std::max<int64_t>(TotalBytes, 0) / StepBytes + 1;
  return int(std::min<int64_t>(steps, INT_MAX));
}

int TByteProgress::Add(int64_t Bytes) {
  FPending += std::clamp<int64_t>(Bytes, 0, StepBytes);
  const int64_t steps = FPending / StepBytes;
  FPending %= StepBytes;
  return int(steps);
}

void SetBusyState(bool Busy) {
  if (!MainForm) return;
  MainForm->ToolbarPanel->SetEnabled(!Busy);
  for (TMenuItem* m : {MainForm->File1, MainForm->Actions1}) m->SetEnabled(!Busy);
}

TOperationScope::TOperationScope(TMainForm* Form, int ProgressMax)
    : FForm(Form), FPanel1(Form->SPanel1->Caption()), FPanel2(Form->SPanel2->Caption()),
      FPanel2Visible(Form->SPanel2->Visible()) {
  Form->LedOn->SetLedOn(false);
  Form->LedOff->SetLedOn(true);
  Form->SPanel2->SetVisible(false);
  TProgressBar* bar = Form->ProgressBar1;
  bar->SetBounds(Form->SPanel2->Left(), Form->SPanel2->Top(), Form->SPanel2->Width(), Form->SPanel2->Height());
  bar->SetMin(0);
  bar->SetMax(std::max(ProgressMax, 1));
  bar->SetPosition(0);
  bar->SetStep(1);
  bar->SetVisible(true);
  Form->SPanel1->Repaint();
  bar->Repaint();
}

TOperationScope::~TOperationScope() {
  FForm->SPanel1->SetCaption(FPanel1);
  FForm->SPanel2->SetCaption(FPanel2);
  FForm->SPanel2->SetVisible(FPanel2Visible);
  FForm->ProgressBar1->SetVisible(false);
  FForm->LedOn->SetLedOn(true);
  FForm->LedOff->SetLedOn(false);
}

void TOperationScope::AddBytes(int64_t Bytes) {
  const int steps = FBytes.Add(Bytes);
  if (steps > 0)
    FForm->ProgressBar1->SetPosition(std::min(FForm->ProgressBar1->Position() + steps, FForm->ProgressBar1->Max()));
}

void TOperationScope::SetPercent(int Percent) { FForm->ProgressBar1->SetPosition(std::clamp(Percent, 0, 100)); }

TStrings* OperationLog() { return MsgForm()->MessageMemo->Lines(); }

void ClearOperationLog() { OperationLog()->Clear(); }

void LogLine(const std::string& Line) {
  // Every line carries its own line break, so an empty line stays a line.
  TMemo* memo = MsgForm()->MessageMemo;
  memo->SetText(memo->Text() + Line + "\r\n");
  MsgForm()->ScrollToEnd();
}
