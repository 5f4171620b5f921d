// TLnEForm: the progress window of the command-line jobs and of the list-file
// adds. It owns the two Zip components those jobs drive; its Cancel stops
// every running engine and ends the program, since it only serves runs that
// end the program anyway.
#pragma once
#include <cstdint>

#include "app/operation.h"
#include "framework/ui/comctrls.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

class TZipBridge;
class TCompBase;

// ActiveCompressor (app/addactions.h) is the writer at work for a
// command-line add too, set while CompressorRunning is 1.

class TLnEForm : public TForm {
 public:
  explicit TLnEForm(TComponent* AOwner);

  // Starts a run: cancel flag cleared, the bar at 0 of Max, the caption set,
  // the window shown without waiting.
  void Begin(const std::string& Caption, int Max);
  // Progress of ZipBridge1 (Second false) or ZipBridge2 in bytes: the bar
  // moves one step per whole 32,768 bytes.
  void AddBytes(bool Second, int64_t Bytes);
  // Cancel, Esc and closing the window: stops every engine, ends the program.
  void CancelRun();

  bool Cancelled = false;
  TZipBridge* ZipBridge1 = nullptr;
  TZipBridge* ZipBridge2 = nullptr;
  TProgressBar* ProgressBar = nullptr;
  TButton* CancelButton = nullptr;

 private:
  TByteProgress FBytes[2];
};

extern TLnEForm* LnEForm;
