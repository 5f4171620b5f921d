#include "archive/core/unbase.h"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "archive/codecs/codec_error.h"
#include "archive/core/zipcrypt.h"
#include "framework/core/prompts.h"
#include "framework/core/sysutils.h"

TUnBase::TUnBase(TComponent* AOwner) : TZipCommon(AOwner) {
  AsciiTranslation = false;
  DateAttribute = TDateAttribute::daFileDate;
}

TUnBase::~TUnBase() = default;

bool TUnBase::IsLibraryType(TArcType T) { return T == atACE || T == atCab || T == atRar; }

int TUnBase::Extract() {
  InputMode = imFile;
  OutputMode = omFile;
  return ExecExtract();
}

int TUnBase::TestArchive() {
  InputMode = imFile;
  OutputMode = omTest;
  return ExecExtract();
}

void TUnBase::ExtractArchive(TUntypedFile&) {}

bool TUnBase::CreateOutputFile(TUntypedFile& F, const std::string& Name) {
  if (!TZipCommon::CreateOutputFile(F, Name)) return false;
  FFileName = Name;
  return true;
}

bool TUnBase::OutputIsArchive() const {
  return !OutFileName.empty() && SameText(ExpandFileName(OutFileName), ExpandFileName(ArchiveFile()));
}

std::string TUnBase::ReportName() const { return OutputMode == omFile ? OutFileName : Entry.FileName; }

int TUnBase::ExecExtract() {
  SetCurrentArcComponent(this);
  FEntriesBegun = 0;
  FFilesExtracted = 0;
  FFileName.clear();
  RunTotal = RunRemaining = 0;
  MaxFileDate = 0;
  ProgressByFile = ProgressByArchive = 0;
  Entry.Encrypted = false;
  Cancel = false;
  ProgressCallback = [this] {
    ProcessMessages();
    if (OnProgress) OnProgress(this, ProgressByFile, ProgressByArchive);
  };

  const std::string SavedArchive = ArchiveFile();
  Entry.VolumeName = SavedArchive;
  TUntypedFile ArcFile;
  // Volume changes inside the loop must not outlive the run, also when it
  // ends by an exception.
  struct TRestore {
    TUnBase& C;
    const std::string& Name;
    TUntypedFile& F;
    ~TRestore() {
      if (F.IsOpen()) C.CloseFileVar(F);
      if (C.ArchiveFile() != Name) C.SetArchiveFile(Name);
    }
  } Restore{*this, SavedArchive, ArcFile};

  const bool Library = IsLibraryType(ArcType());
  if (SavedArchive.empty() || (!Library && !FileExists(SavedArchive))) RaiseError(SavedArchive, errFileNotFound);
  if (!IsExtractableType()) RaiseError(SavedArchive, errBadArcType);
  if (!Library) {
    if (!OpenFileRead(ArcFile, SavedArchive)) RaiseError(SavedArchive, errOpenFile);
    const int64_t Size = ArcFile.Size();
    if (Size < 0 || ArcFile.IOResult() != 0) RaiseError(SavedArchive, errOpenFile);
    ArchiveSize = Size;
  }
  if (OnActivate) OnActivate(this);
  FFoundList.Clear();

  if (OnElapsedTime) Timer().Start();
  ExtractArchive(ArcFile);
  if (OnElapsedTime) OnElapsedTime(this, Timer().Stop());

  if (OnDeactivate) OnDeactivate(this);
  return FFilesExtracted;
}

void TUnBase::StartEntry() {
  ResetCrc();
  TestBytes = 0;
}

bool TUnBase::RefuseArchiveAsOutput() {
  if (OutputMode != omFile || !OutputIsArchive()) return false;
  ReportError(OutFileName, "", errSameInOut);
  return true;
}

bool TUnBase::BeginEntry(TDateTime Date, bool& Exists, bool& Extract) {
  Exists = Extract = false;
  // Writing the archive being read would truncate it under the reader and
  // lose every later entry, whatever the user said about overwriting.
  if (RefuseArchiveAsOutput()) return !Cancel;
  Timer().Pause();
  DoProgress(0, 0, RunRemaining, RunTotal);
  const bool ToFiles = OutputMode == omFile || OutputMode == omPassedStream;
  Exists = ToFiles && FileExists(OutFileName);
  bool Skip = false;
  if (Exists) {
    if (ConfirmOverwrites && OnFileExists) {
      OnFileExists(this, OutFileName, Date, OverwriteMode);
      Skip = OverwriteMode == TOverwriteMode::omSkip;
    } else if (ConfirmOverwrites) {
      Skip = true;
    } else {
      Skip = OverwriteMode == TOverwriteMode::omSkip;
    }
  }
  Extract = false;
  if (!Skip && !Cancel) {
    ++FEntriesBegun;
    Extract = true;
    if (OnBegin) OnBegin(this, OutputMode == omFile ? OutFileName : Entry.FileName, FEntriesBegun, Extract);
    if (Extract && ToFiles && OnRenameCompressedFile) {
      OnRenameCompressedFile(this, OutFileName);
      if (RefuseArchiveAsOutput()) Extract = false;
    }
  }
  if (Cancel) Extract = false;
  Timer().Resume();
  return !Cancel;
}

bool TUnBase::CloseOutputFile(TUntypedFile& F, uint32_t Attr, int DosDateTime) {
  if (OutputMode != omFile) return true;
  int Age = DosDateTime;
  switch (DateAttribute) {
    case TDateAttribute::daFileDate: break;
    case TDateAttribute::daSysDate: Age = DateTimeToFileDate(Now()); break;
    case TDateAttribute::daMaxFileDate: Age = MaxFileDate; break;
  }
  const std::string Name = F.FileName();
  // Dated through the open handle: opening the file once more by name costs
  // as much as writing a small file, on Wine above all.
  bool Dated = Age == 0;
  if (!Dated && F.Stream()) Dated = FileSetDate(F.Stream()->Handle(), Age) == 0;
  // Only the DOS attribute bits a plain file may carry; 32 (archive only) is
  // what every new file has already. The handle is open for writing, so a
  // read-only bit set here does not stop what is still to be written.
  const int DosAttr = int(Attr & (faReadOnly | faHidden | faSysFile | faArchive));
  bool AttrSet = !RestoreFileAttr || Attr == 32;
  if (!AttrSet && F.Stream()) AttrSet = FileSetAttr(F.Stream()->Handle(), DosAttr) == 0;
  std::unique_ptr<TStream> NoStream;
  const bool Closed = CloseOutput(F, NoStream);
  if (Name.empty()) return Closed;
  if (!Dated) FileSetDate(Name, Age);
  if (!AttrSet) FileSetAttr(Name, DosAttr);
  return Closed;
}

int64_t TUnBase::StoreCopy(TArcCodecIO& Io, int64_t Count) {
  constexpr size_t kChunk = 32768;
  std::vector<uint8_t> Buf(kChunk);
  int64_t Done = 0;
  while (Done < Count) {
    const size_t Want = size_t(std::min<int64_t>(Count - Done, int64_t(kChunk)));
    const size_t Got = Io.ReadPacked(Buf.data(), Want);
    if (Got == 0) break;
    Io.WriteUnpacked(Buf.data(), Got);
    Done += int64_t(Got);
    if (Got < Want) break;
  }
  return Done;
}

void TUnBase::RunDecoder(TArcCodecIO& Io, const std::function<void()>& Decode) {
  struct TFollow {
    TUnBase& C;
    TArcCodecIO& Io;
    ~TFollow() { C.RunRemaining = Io.ArchiveRemaining; }
  } Follow{*this, Io};
  try {
    Decode();
  } catch (const ECodecError& E) {
    RaiseError(ReportName(), E.Code);
  } catch (const std::bad_alloc&) {
    RaiseError(ReportName(), kErrOutOfMemory);
  }
}

void TUnBase::EndEntry(bool Pass, bool Decoded) {
  if (Pass) ++FFilesExtracted;
  if (OnEnd) {
    Timer().Pause();
    OnEnd(this, ReportName(), Pass);
    Timer().Resume();
  } else if (!Pass && Decoded) {
    ReportError(ReportName(), "", errCrcCheck);
  }
}

TUnBase::TPasswordResult TUnBase::CheckPassword(const uint8_t (&Header)[12], uint8_t Check) {
  // An empty password is no password: its header check passes by chance
  // for one archive in 256.
  if (!Password.empty() && ZipCheckDecryptHeader(Password, Header, Check)) return TPasswordResult::prPassed;
  TStringList& List = *Passwords();
  for (int i = 0; i < List.Count(); ++i) {
    const std::string P = List[i];
    if (ZipCheckDecryptHeader(P, Header, Check)) {
      Password = P;
      return TPasswordResult::prPassed;
    }
  }
  const std::string Name = ReportName();
  if (!OnGetPassword) {
    ReportError(Name, "OnGetPassword", errEventMissing);
    return TPasswordResult::prSkip;
  }
  for (int Attempt = 0; Attempt < PasswordAttempts; ++Attempt) {
    std::string P;
    bool TryAgain = true;
    OnGetPassword(this, Name, P, TryAgain);
    if (!TryAgain) break;
    if (ZipCheckDecryptHeader(P, Header, Check)) {
      Password = P;
      List.Insert(0, P);
      return TPasswordResult::prPassed;
    }
    Password.clear();
    ReportError(Name, "", errBadPassword);
  }
  ReportError(Name, "", errPasswordFailed);
  return TPasswordResult::prEndRun;
}

int64_t TUnBase::DecodeEntry(TUntypedFile& In, TUntypedFile& Out, int64_t Packed, int64_t Unpacked, bool Decrypt,
                             uint8_t CrcWidth, const std::function<void(TArcCodecIO&)>& Decode) {
  TArcCodecIO Io(*this, &In, nullptr, &Out, nullptr);
  Io.PackedLeft = Packed;
  Io.Decrypt = Decrypt;
  Io.ReadCrcWidth = 0;
  Io.WriteCrcWidth = CrcWidth;
  Io.FileSize = Unpacked;
  Io.ArchiveTotal = RunTotal;
  Io.ArchiveRemaining = RunRemaining;
  const std::string Name = ReportName();
  try {
    Decode(Io);
  } catch (const ECodecError& E) {
    RunRemaining = Io.ArchiveRemaining;
    RaiseError(Name, E.Code);
  } catch (const std::bad_alloc&) {
    RunRemaining = Io.ArchiveRemaining;
    RaiseError(Name, kErrOutOfMemory);
  } catch (...) {
    RunRemaining = Io.ArchiveRemaining;
    throw;
  }
  RunRemaining = Io.ArchiveRemaining;
  return Io.FileDone;
}

bool TUnBase::WriteEntry(uint32_t Attr, int DosDateTime, const std::function<void(TUntypedFile&)>& Write,
                         bool& Done) {
  Done = false;
  TUntypedFile Out;
  try {
    if (OutputMode == omFile && !CreateOutputFile(Out, OutFileName)) RaiseError(OutFileName, errOpenFile);
    try {
      Write(Out);
      Done = true;
    } catch (...) {
      CloseOutputFile(Out, Attr, DosDateTime);
      throw;
    }
    if (!CloseOutputFile(Out, Attr, DosDateTime)) RaiseError(OutFileName, errCloseFile);
  } catch (const EArcCancelled&) {
    return false;
  } catch (const E_RAISE&) {
    if (Cancel) return false;
    Done = false;
  }
  return true;
}
