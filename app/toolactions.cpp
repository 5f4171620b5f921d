#include "app/toolactions.h"

#include "app/mainform.h"
#include "dialogs/uuencodeform.h"

namespace {

// The window of class T the main window owns, made on first use.
template <class T>
T* OwnedForm(TMainForm* Form, const char* Name) {
  for (int i = 0; i < Form->ComponentCount(); ++i)
    if (auto* f = dynamic_cast<T*>(Form->Components(i)); f && f->Name() == Name) return f;
  auto* f = new T(Form);
  f->SetName(Name);
  return f;
}

}  // namespace

void InstallToolActions(TMainForm* Form) {
  Form->UUencode->OnClick = [Form](TObject*) { OwnedForm<TUUEncodeForm>(Form, "UUEncodeForm")->ShowModal(); };
}

void SelectMainListRows(const std::vector<int>& Rows) {
  if (!MainForm) return;
  for (int r : Rows) MainForm->SetRowSelected(r, true);
  MainForm->ShowSelectionStatus();
}
