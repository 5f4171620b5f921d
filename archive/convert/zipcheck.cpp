#include "archive/convert/zipcheck.h"

#include "archive/convert/handlers.h"
#include "framework/core/prompts.h"

TZipCheck::TZipCheck(TComponent* AOwner) : TUnBase(AOwner) {}

void TZipCheck::SetCancel(bool Value) {
  Cancel = Value;
  if (CurrentArcComponent() == this || !CurrentArcComponent()) {
    ProcessMessages();
  } else {
    SetComponentCancel(CurrentArcComponent(), Value);
  }
}

int TZipCheck::Activate() {
  SetCurrentArcComponent(this);
  if (ArchiveFile().empty() || !IsTestableType()) RaiseError(ArchiveFile(), errBadArcType);
  if (!OnStatus) RaiseError(ArchiveFile(), errEventMissing);
  EntryCount = 0;
  Cancel = false;
  if (OnElapsedTime) Timer().Start();

  TComponent Holder(nullptr);
  TUnBase* X = Cancel ? nullptr : CreateExtractor(ArcType(), &Holder);
  if (!X) RaiseError(ArchiveFile(), errBadArcType);
  struct TForget {
    TUnBase*& P;
    ~TForget() { P = nullptr; }
  } Forget{FExtractor};
  FExtractor = X;

  X->Cancel = false;
  X->UseStoredDirs = false;
  if (ArcType() == atZip || ArcType() == atZipExe) X->SetZipCmntBufSize(ZipCmntBufSize());
  X->SetArchiveFile(ArchiveFile());
  X->SetFileSpec(FileSpec());
  X->SetPasswords(Passwords());
  X->PasswordAttempts = PasswordAttempts;
  X->OnBegin = OnBegin;
  X->OnActivate = OnActivate;
  X->OnDeactivate = OnDeactivate;
  X->OnError = OnError;
  X->OnGetPassword = OnGetPassword;
  X->OnProgress = OnProgress;
  X->OnCorruptZipHeader = OnCorruptZipHeader;
  int Passed = 0;
  X->OnEnd = [this, &Passed](TObject* Sender, const std::string& FN, bool Pass) {
    if (Pass) ++Passed;
    ++EntryCount;
    OnStatus(Sender, FN, Pass);
    if (OnEnd) OnEnd(Sender, FN);
  };
  X->OnNextVolume = OnNextVolume;
  struct TKeepPasswords {
    TZipCheck& C;
    TUnBase& X;
    ~TKeepPasswords() { C.SetPasswords(X.Passwords()); }
  } Keep{*this, *X};
  X->TestArchive();
  if (X->Cancel) Cancel = true;
  if (OnElapsedTime) OnElapsedTime(this, Timer().Stop());
  return Passed;
}
