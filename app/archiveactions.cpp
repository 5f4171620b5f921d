// The archive commands of the main window that open a dialog.
#include "app/mainform.h"
#include "dialogs/extractform.h"
#include "dialogs/msgform.h"

void TMainForm::ExtractButtonClick(TObject*) {
  if (ArchiveName.empty() || FileCount == 0) return;
  const std::vector<int> rows = SelectedRows();
  if (rows.size() == 1 && IsParentRecord(FileTable[size_t(rows.front())])) return;
  if (!ExtractForm) {
    ExtractForm = new TExtractForm(this);
  }
  ExtractForm->Show();
}

void TMainForm::ViewLastOutputClick(TObject*) { MsgForm()->ShowModal(); }
