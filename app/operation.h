// The one pattern of every long archive operation in a window: the busy
// state, the status panels and lamps, the progress bar in place of the second
// panel, the operation log and the byte counting of Zip progress.
#pragma once
#include <cstdint>
#include <string>

class TMainForm;
class TStrings;

// Zip progress moves one step per 32,768 bytes; the bar's maximum is
// Total div 32,768 + 1.
class TByteProgress {
 public:
  static constexpr int64_t StepBytes = 32768;
  static int MaxFor(int64_t TotalBytes);
  // Adds min(Bytes, 32,768); returns the whole steps now complete and keeps
  // the rest for the next call.
  int Add(int64_t Bytes);
  void Reset() { FPending = 0; }
  int64_t Pending() const { return FPending; }

 private:
  int64_t FPending = 0;
};

// Disables (Busy) or enables the toolbar and the File and Actions menus.
void SetBusyState(bool Busy);

// Begins an operation on the main window: the panels' texts are kept, the
// lamps show work, the progress bar stands where the second panel was with
// the given maximum. The end (destructor) puts everything back.
class TOperationScope {
 public:
  TOperationScope(TMainForm* Form, int ProgressMax);
  ~TOperationScope();
  TOperationScope(const TOperationScope&) = delete;
  TOperationScope& operator=(const TOperationScope&) = delete;
  // Zip progress: bytes through the accumulator, the bar by whole steps.
  void AddBytes(int64_t Bytes);
  void SetPercent(int Percent);

 private:
  TMainForm* FForm;
  std::string FPanel1, FPanel2;
  bool FPanel2Visible;
  TByteProgress FBytes;
};

// The operation log (the memo of the "View Last Output" window).
TStrings* OperationLog();
void ClearOperationLog();
// Appends a line and scrolls the memo to it.
void LogLine(const std::string& Line);
