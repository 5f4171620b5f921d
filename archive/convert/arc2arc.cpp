#include "archive/convert/arc2arc.h"

#include "archive/convert/handlers.h"
#include "archive/core/arcutil.h"
#include "framework/core/prompts.h"
#include "archive/convert/zipcheck.h"
#include "archive/formats/gzip/ungzip.h"
#include "archive/formats/tar/tarwriter.h"
#include "archive/formats/tar/untar.h"

TArc2Arc::TArc2Arc(TComponent* AOwner) : TZipCommon(AOwner) { DateAttribute = TDateAttribute::daFileDate; }

void TArc2Arc::SetCancel(bool Value) {
  Cancel = Value;
  if (CurrentArcComponent() && CurrentArcComponent() != this) {
    SetComponentCancel(CurrentArcComponent(), Value);
  } else {
    ProcessMessages();
  }
}

bool TArc2Arc::Extract(const std::string& Folder) {
  TComponent Holder(nullptr);
  TUnBase* X = CreateExtractor(ArcType(), &Holder);
  if (!X || !IsExtractableType()) {
    ReportError(ArchiveFile(), "", errBadArcType);
    Cancel = true;
    return false;
  }
  X->UseStoredDirs = true;
  X->SetArchiveFile(ArchiveFile());
  X->SetExtractDir(Folder);
  if (FileSpec()->Count() > 0) {
    X->SetFileSpec(FileSpec());
  } else {
    X->FileSpec()->Add("*.*");
  }
  X->SetPasswords(Passwords());
  X->PasswordAttempts = PasswordAttempts;
  X->OnError = OnError;
  X->OnGetPassword = OnGetPassword;
  X->OnNextVolume = OnNextVolume;
  X->OnProgress = OnProgress;
  X->OnActivate = OnExtractActivate;
  X->OnBegin = OnExtractBegin;
  X->OnEnd = OnExtractEnd;
  X->OnDeactivate = OnExtractDeactivate;
  X->DateAttribute = TDateAttribute::daFileDate;
  // The folder is new: nothing in it to ask about.
  X->ConfirmOverwrites = false;
  X->OverwriteMode = TOverwriteMode::omOverwrite;
  // A .tgz converts as the tar inside it; the tar file itself is no entry.
  auto* Gz = dynamic_cast<TUnGZIP*>(X);
  if (Gz) Gz->SetUnTar(new TUnTAR(Gz));
  X->Extract();
  if (Gz && !Gz->FileName().empty() && Gz->UnTar()->ArcType() == atTar) DeleteFile(Gz->FileName());
  SetCurrentArcComponent(this);
  if (X->Cancel) Cancel = true;
  return !Cancel;
}

bool TArc2Arc::Build(const std::string& Folder, std::string& Written) {
  TComponent Holder(nullptr);
  TCompBase* W = CreateWriter(OutArcType, &Holder);
  if (!W) return false;
  W->SetArchiveFile(OutArchiveFile);
  W->Switch = TSwitch::swAdd;
  W->StoredDirNames = TStoredDirNames::sdRelative;
  W->RecurseDirs = true;
  W->FileSpec()->Add(Folder + "*.*");
  if (Passwords()->Count() > 0) W->Password = (*Passwords())[0];
  W->DateAttribute = DateAttribute;
  W->SetTempDir(TempDir());
  W->OnError = OnError;
  W->OnProgress = OnProgress;
  W->OnActivate = OnCompressActivate;
  W->OnBegin = OnCompressBegin;
  W->OnEnd = OnCompressEnd;
  W->OnDeactivate = OnCompressDeactivate;
  W->Compress();
  SetCurrentArcComponent(this);
  if (W->Cancel) Cancel = true;
  Written = W->ArchiveFile();
  if (auto* Tar = dynamic_cast<TTar*>(W); Tar && OutArcType == TOutArcType::tyGzipTar)
    Written = Tar->GzipArchiveName().empty() ? ChangeFileExt(Written, ".gz") : Tar->GzipArchiveName();
  return !Cancel;
}

void TArc2Arc::Check(const std::string& Written) {
  TComponent Holder(nullptr);
  TZipCheck* T = new TZipCheck(&Holder);
  T->UseStoredDirs = true;
  T->SetArchiveFile(Written);
  if (!T->IsTestableType()) {
    ReportError(Written, "", errBadArcType);
    SetCurrentArcComponent(this);
    return;
  }
  T->FileSpec()->Add("*.*");
  T->SetPasswords(Passwords());
  T->OnError = OnError;
  T->OnGetPassword = OnGetPassword;
  T->OnProgress = OnProgress;
  T->OnNextVolume = OnNextVolume;
  T->OnStatus = OnIntegrityStatus;
  T->OnEnd = OnIntegrityEnd;
  T->OnActivate = OnIntegrityActivate;
  T->OnDeactivate = OnIntegrityDeactivate;
  if (OnIntegrityBegin)
    T->OnBegin = [this](TObject* Sender, const std::string& FN, int, bool&) { OnIntegrityBegin(Sender, FN); };
  T->Activate();
  SetCurrentArcComponent(this);
  if (T->Cancel) Cancel = true;
}

bool TArc2Arc::Activate() {
  if (ArchiveFile().empty()) return false;
  SetCurrentArcComponent(this);
  Cancel = false;
  ProgressCallback = [this] {
    ProcessMessages();
    if (OnProgress) OnProgress(this, ProgressByFile, ProgressByArchive);
  };
  {
    TComponent Holder(nullptr);
    if (!CreateWriter(OutArcType, &Holder)) return false;
  }
  // Reading an archive while writing it would destroy it.
  if (SameText(ExpandFileName(ArchiveFile()), ExpandFileName(OutArchiveFile)))
    RaiseError(OutArchiveFile, errSameInOut);
  bool Replace = false;
  if (OutArcMethod == TOutArcMethod::amCreateNew && FileExists(OutArchiveFile)) {
    if (ConfirmOverwrites) {
      if (!OnFileExists) return false;
      TOverwriteMode Mode = OverwriteMode;
      Timer().Pause();
      OnFileExists(this, OutArchiveFile, FileDateToDateTimeDef(FileAge(OutArchiveFile)), Mode);
      Timer().Resume();
      OverwriteMode = Mode;
      if (Cancel || Mode == TOverwriteMode::omSkip) return false;
    }
    Replace = true;
  }
  const std::string OutDir = ExtractFilePath(ExpandFileName(OutArchiveFile));
  if (!OutDir.empty() && !DirectoryExists(OutDir) && !ForceDirectories(OutDir)) RaiseError(OutDir, errCreateDir);
  if (OnElapsedTime) Timer().Start();

  const std::string Folder = CreateTempFolder();
  // The temporary folder goes whatever happens; each file is reported.
  struct TRemove {
    TArc2Arc& C;
    const std::string& Folder;
    ~TRemove() {
      // A handler that raises must not stop the cleaning, nor escape here.
      auto Report = [this](const std::string& Name) {
        try {
          if (C.OnRemoveTempfile) C.OnRemoveTempfile(&C, Name);
        } catch (...) {
        }
      };
      if (RemoveTempFolder(Folder, Report)) Report(ExcludeTrailingBackslash(Folder));
    }
  } Remove{*this, Folder};

  if (!Extract(Folder)) return false;
  // The old target goes only now that there is something to put in its place.
  if (Replace && !DeleteFile(OutArchiveFile)) RaiseError(OutArchiveFile, errWriteFile);
  std::string Written;
  if (!Build(Folder, Written)) return false;
  if (IntegrityCheck && OnIntegrityStatus) Check(Written);
  if (OnElapsedTime) OnElapsedTime(this, Timer().Stop());
  return !Cancel;
}
