#include "app/cmdline.h"
#include "app/mainform.h"
#include "app/startup.h"
#include "framework/ui/forms.h"
#include "framework/ui/winapi.h"
#include <ole2.h>

namespace {

// Creates the main window "TMainForm" (its creation loads the settings) and
// the dialogs, then runs the message loop. Until the main window exists the
// program shows nothing.
int CreateMainWindowAndRun() {
  // Shell links, the shell's file dialogs and icons need COM on this thread.
  OleInitialize(nullptr);
  Application->SetTitle("Quillon");
  TMainForm* form = Application->CreateForm<TMainForm>();
  std::vector<std::string> params;
  for (int i = 1; i <= Application->ParamCount(); ++i) params.push_back(Application->ParamStr(i));
  int exitCode = 0;
  if (IsCommandLineJob(params)) {
    exitCode = RunCommandLineJob(form, params);
  } else {
    form->Show();
    form->StartupOpen();
    Application->Run();
  }
  // The window layer's function-local tables end before the static
  // Application does; the forms go first.
  Application->DestroyComponents();
  OleUninitialize();
  return exitCode;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (HandOverToRunningInstance()) return 0;
  return CreateMainWindowAndRun();
}
