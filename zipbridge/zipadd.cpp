// Adding files to and deleting entries from the archive through ZIPENG.DLL.
#include "framework/core/os.h"
#include "framework/core/sysutils.h"
#include "zipbridge/finally.h"
#include "zipbridge/zipbridge.h"

void TZipBridge::Add() {
  SuccessCnt = 0;
  if (FFSpecArgs->Count() == 0) {
    SetZipError(zmNoFilesToZip);
    return;
  }
  if (FZipFileName.empty()) {
    SetZipError(zmNoZipSpecified);
    return;
  }
  if (Unattended && InSet(AddOptions, AddEncrypt) && FPassword.empty()) {
    SetZipError(zmUnattendedPassword);
    return;
  }
  const bool Span = InSet(AddOptions, AddDiskSpan) || InSet(AddOptions, AddDiskSpanErase);
  const bool IsExe = UpperCase(ExtractFileExt(FZipFileName)) == ".EXE";
  std::string Target = FZipFileName;
  if (Span) {
    if (InSet(AddOptions, AddFreshen) || InSet(AddOptions, AddUpdate)) {
      SetZipError(zmSpanFreshen);
      return;
    }
    if (IsExe) {
      SetZipError(zmSfxNoSpan);
      return;
    }
    std::string Dir = GetTempDir();
    if (!TempDir.empty()) {
      TempDir = IncludeTrailingBackslash(TempDir);
      Dir = TempDir;
    }
    Target = MakeTempFileName(Dir, "zip");
    if (Target.empty()) {
      SetZipError(zmTempFile);
      return;
    }
    DeleteFile(Target);
    if (Verbose && OnMessage) OnMessage(this, 0, "Temporary zipfile: " + Target);
  }
  if (FZipBusy) return;

  if (IsExe && !FileExists(FZipFileName) && FSFXOffset == 0) {
    int R = ConvertZipToSfx(true);
    if (R != 0) {
      ShowExceptionError(EZipBridge::CreateResFmtInt(zmAutoSfx, R));
      return;
    }
  }

  RunZipEng(Target, false);
  if (Span) {
    if (SuccessCnt > 0 && WriteSpannedSet(Target, FZipFileName) != 0) SuccessCnt = 0;
    DeleteFile(Target);
  }
  if (SuccessCnt > 0) List();
}

void TZipBridge::Delete() {
  SuccessCnt = 0;
  if (FFSpecArgs->Count() == 0) {
    SetZipError(zmNothingToDelete);
    return;
  }
  if (FZipFileName.empty() || !FileExists(FZipFileName)) {
    SetZipError(zmNoZipSpecified);
    return;
  }
  if (FZipBusy) return;
  RunZipEng(FZipFileName, true);
  if (SuccessCnt > 0) List();
}

void TZipBridge::RunZipEng(const std::string& Target, bool IsDelete) {
  FZipBusy = true;
  Cancel = false;
  bool LoadedHere = false;
  TFinally Cleanup{[&] {
    FFSpecArgs->Clear();
    FFSpecArgsExcl->Clear();
    FRunningRecord = nullptr;
    if (LoadedHere) UnloadZipEng();
    FZipBusy = false;
    Cancel = false;
  }};
  if (!ZipEngLoaded()) {
    if (!LoadZipEng()) return;
    LoadedHere = true;
  }
  TZipLibRecord Holder;
  BuildZipCmd(Holder, ZipEngVersion(), ExpandFileName(Target));
  if (IsDelete) ClearZipCmdFlags(Holder);
  FRunningRecord = &Holder;
  SuccessCnt = ExecZipEng(Holder.Record());
}
