#include "app/sfxbuilder.h"

#include "app/utils.h"
#include "app/zipaccess.h"
#include "framework/core/os.h"
#include "framework/core/sysutils.h"
#include "framework/ui/winapi.h"

namespace {

// The same file under two names (case, short names, a second path).
bool SameFile(const std::string& A, const std::string& B) {
  if (SameText(ExpandFileName(A), ExpandFileName(B))) return true;
  auto Identity = [](const std::string& Name, BY_HANDLE_FILE_INFORMATION& Info) {
    HANDLE H = CreateFileA(Name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (H == INVALID_HANDLE_VALUE) return false;
    bool Ok = GetFileInformationByHandle(H, &Info) != 0;
    CloseHandle(H);
    return Ok;
  };
  BY_HANDLE_FILE_INFORMATION IA, IB;
  return Identity(A, IA) && Identity(B, IB) && IA.dwVolumeSerialNumber == IB.dwVolumeSerialNumber &&
         IA.nFileIndexHigh == IB.nFileIndexHigh && IA.nFileIndexLow == IB.nFileIndexLow;
}

int Fail(int Result, const std::string& Text) {
  ShowAppMessage(Text, mtError, mbOK);
  return Result;
}

// The wait cursor while the file is written.
class TWaitCursor {
 public:
  TWaitCursor() : FOld(SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)))) {}
  ~TWaitCursor() { SetCursor(FOld); }

 private:
  HCURSOR FOld;
};

}  // namespace

std::string SfxStubFile() { return ProgramFolder() + "MORVSE.DAT"; }

int BuildSfxArchive(TZipBridge& Zip, const std::string& OutName, const std::string& StubFile) {
  const std::string Source = ZipArchiveName(&Zip);
  const std::string CantCreate = "Can't create file: " + OutName;
  if (OutName.empty() || (!Source.empty() && SameFile(OutName, Source)))
    return Fail(sfxCreateFailed, CantCreate + "\rIt is the Zip archive the self-extractor is made from.");
  if (FileExists(OutName) &&
      ShowAppMessage("The file " + OutName + " exists already.\rReplace it?", mtConfirmation, mbYes | mbNo) !=
          mrYes)
    return sfxCreateFailed;
  if (!FileExists(StubFile))
    return Fail(sfxSourceFailed, CantCreate + "\rThe self-extractor program " + StubFile + " cannot be read.");

  TWaitCursor Busy;
  const std::string Work = MakeTempFileName(ExtractFilePath(ExpandFileName(OutName)), "mse");
  const THandle Out = Work.empty() ? InvalidHandle : FileOpen(Work, fmOpenReadWrite | fmShareExclusive);
  if (Out == InvalidHandle) {
    if (!Work.empty()) DeleteFile(Work);
    return Fail(sfxCreateFailed, CantCreate);
  }
  std::string Reason;
  int Result = WriteSfxImage(&Zip, StubFile, Out, Reason);
  FileClose(Out);
  if (Result == sfxDone && !MoveFileReplace(Work, OutName)) Result = sfxCreateFailed;
  if (Result == sfxDone) return sfxDone;

  DeleteFile(Work);
  switch (Result) {
    case sfxShortWrite: return Fail(Result, CantCreate + "\rWriting failed; the disk may be full.");
    case sfxSourceFailed:
      return Fail(Result, CantCreate + "\rThe Zip archive " + Source + " or the self-extractor program " + StubFile +
                              " cannot be read." + (Reason.empty() ? "" : "\r" + Reason));
    case sfxSizeMismatch: return Fail(Result, CantCreate + "\rThe written file is incomplete.");
    default: return Fail(Result, CantCreate);
  }
}

std::string SfxTargetFor(const std::string& ZipName) {
  const std::string Name = ExtractFileName(ZipName);
  return ExtractFilePath(ZipName) + Name.substr(0, Name.find('.')) + ".exe";
}

int RunSfxJob(TZipBridge& Zip, const std::string& ZipName) {
  SetZipArchive(&Zip, ZipName);
  int Result = BuildSfxArchive(Zip, SfxTargetFor(ZipName));
  SetZipArchive(&Zip, "");
  return Result;
}
