#include "app/zipaccess.h"

#include <windows.h>

#include <algorithm>

#include "app/entrytable.h"
#include "app/sfxbuilder.h"
#include "archive/core/sfxsettings.h"
#include "framework/core/os.h"
#include "framework/core/streams.h"
#include "framework/core/sysutils.h"
#include "zipbridge/zipbridge.h"

namespace {

struct TFileStamp {
  std::string Name;
  uint64_t Size = 0;
  uint64_t Written = 0;
  bool Valid = false;
  bool operator==(const TFileStamp&) const = default;
};

TFileStamp StampOf(const std::string& Name) {
  TFileStamp s;
  s.Name = Name;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(Name.c_str(), GetFileExInfoStandard, &data)) return s;
  s.Size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  s.Written = (uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
  s.Valid = true;
  return s;
}

// What the one Zip component of the main window read last.
TFileStamp LastRead;
TZipBridge* LastZip = nullptr;

}  // namespace

std::string ZipDllFolder;

TZipBridge* CreateZipBridge(TComponent* Owner, std::function<void(int, const std::string&)> OnMessage,
                            const std::string& Name) {
  auto* zip = new TZipBridge(Owner);
  zip->SetName(Name);
  if (ZipDllFolder.empty()) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    zip->SetDLLDirectory(ExtractFilePath(path));
  } else {
    zip->SetDLLDirectory(ZipDllFolder);
  }
  if (OnMessage)
    zip->OnMessage = [OnMessage](TObject*, int ErrCode, const std::string& Message) { OnMessage(ErrCode, Message); };
  return zip;
}

void SetZipArchive(TZipBridge* Zip, const std::string& Name) {
  Zip->SetZipFileName(Name);
  LastRead = StampOf(Name);
  LastZip = Zip;
}

void RefreshZipArchive(TZipBridge* Zip, const std::string& Name) {
  const TFileStamp now = StampOf(Name);
  if (Zip == LastZip && now.Valid && now == LastRead && Zip->ZipFileName() == Name) return;
  SetZipArchive(Zip, Name);
}

int ZipEntryCount(TZipBridge* Zip) { return Zip->Count(); }

bool ZipReadFailed(TZipBridge* Zip) { return Zip->ZipFileName().empty(); }

std::string ZipErrorText(TZipBridge* Zip) { return Zip->Message; }

bool ZipSpanned(TZipBridge* Zip) { return Zip->Spanned(); }

bool FillFromZip(TZipBridge* Zip, TEntryFill& Fill, const std::function<void()>& Step) {
  const int n = Zip->Count();
  const auto& entries = Zip->ZipContents();
  for (int i = 0; i < n; ++i) {
    const ZipDirEntry& e = *entries[size_t(i)];
    const uint32_t dos = (uint32_t(e.ModifDate) << 16) | e.ModifTime;
    if (!Fill.AddZipEntry(e.FileName, e.ComprSize, e.UncomprSize, dos, e.Encrypted)) return false;
    if (Step) Step();
  }
  return true;
}

std::string ZipArchiveName(TZipBridge* Zip) { return Zip->ZipFileName(); }

std::string ZipArchiveComment(TZipBridge* Zip) { return Zip->ZipComment(); }

int WriteSfxImage(TZipBridge* Zip, const std::string& StubFile, THandle Out, std::string& Reason) {
  TSfxSettings Settings = Zip->SfxSettings();
  Settings.Magic = "KRX";
  const std::vector<uint8_t> Record = Settings.Build();
  Zip->SFXPath = StubFile;
  std::vector<uint8_t> Stub;
  try {
    TFileStream F(StubFile, fmOpenRead | fmShareDenyWrite);
    Stub.resize(size_t(F.Size()));
    if (Stub.empty() || F.Read(Stub.data(), int32_t(Stub.size())) != int32_t(Stub.size())) return sfxSourceFailed;
  } catch (const Exception&) {
    return sfxSourceFailed;
  }
  // Readers of self-extractors (the stub itself, the lister) find the
  // archive through the offset in the stub's string 1.
  const int64_t StubSize = int64_t(Stub.size());
  StampSfxArchiveOffset(Stub, StubSize + int64_t(Record.size()));
  int Result = sfxDone;
  for (const std::vector<uint8_t>* Part : {const_cast<const std::vector<uint8_t>*>(&Stub), &Record})
    if (Result == sfxDone && FileWrite(Out, Part->data(), int32_t(Part->size())) != int32_t(Part->size()))
      Result = sfxShortWrite;
  int64_t ZipSize = -1;
  if (Result == sfxDone) {
    try {
      ZipSize = Zip->AppendShiftedArchive(Out, StubSize + int64_t(Record.size()));
    } catch (const EZipBridge& E) {
      Result = E.ResId == zmWriteOutput || E.ResId == zmWriteEnd || E.ResId == zmWriteCentral ? sfxShortWrite
                                                                                            : sfxSourceFailed;
      Reason = E.Message();
    }
    Zip->CloseZipFile();
  }
  const int64_t Size = FileSeek(Out, 0, soFromEnd);
  if (Result == sfxDone && (StubSize <= 0 || ZipSize < 0 || Size != StubSize + ZipSize + int64_t(Record.size())))
    Result = sfxSizeMismatch;
  return Result;
}

bool ExtractZip(TZipBridge* Zip, const TZipExtractJob& Job) {
  SetZipArchive(Zip, Job.Archive);
  if (ZipReadFailed(Zip)) return false;
  Zip->ExtrBaseDir = Job.BaseDir;
  Zip->FSpecArgs()->Clear();
  for (const std::string& s : Job.Specs) Zip->FSpecArgs()->Add(s);
  Zip->ExtrOptions = 0;
  if (Job.DirNames) Zip->ExtrOptions |= ExtrOpts(1u << ExtrDirNames);
  if (Job.Overwrite) Zip->ExtrOptions |= ExtrOpts(1u << ExtrOverWrite);
  if (Job.SkipOlder) Zip->ExtrOptions |= ExtrOpts(1u << ExtrUpdate);
  Zip->OnProgress = [&Job](TObject*, ProgressType Type, const std::string& Name, int64_t Size) {
    if (Job.Progress && Type <= ptEndOfBatch) Job.Progress(int(Type), Name, Size);
  };
  Zip->OnMessage = [&Job](TObject*, int Code, const std::string& Text) {
    if (Job.Message) Job.Message(Code, Text);
  };
  Zip->OnCRC32Error = [&Job](TObject*, const std::string& File, uint32_t, uint32_t, bool& DoExtract) {
    DoExtract = Job.ExtractBadCrc ? Job.ExtractBadCrc(File) : false;
  };
  Zip->OnExtractOverwrite = [&Job](TObject*, const std::string& File, bool, bool& DoOverwrite) {
    if (Job.OverwriteFile) DoOverwrite = Job.OverwriteFile(File);
  };
  Zip->OnExtractSkipped = [&Job](TObject*, const std::string& File, UnZipSkipTypes Type, int) {
    if (Job.Skipped) Job.Skipped(File, int(Type));
  };
  Zip->Extract();
  Zip->OnProgress = nullptr;
  Zip->OnMessage = nullptr;
  Zip->OnCRC32Error = nullptr;
  Zip->OnExtractOverwrite = nullptr;
  Zip->OnExtractSkipped = nullptr;
  return true;
}

void CancelZip(TZipBridge* Zip, bool Value) { Zip->Cancel = Value; }

bool ZipCancelled(TZipBridge* Zip) { return Zip->Cancel; }

std::vector<std::string> ZipFileNames(TZipBridge* Zip) {
  std::vector<std::string> names;
  for (const auto& e : Zip->ZipContents()) {
    std::string n = e->FileName;
    std::replace(n.begin(), n.end(), '/', '\\');
    if (!n.empty() && n.back() != '\\') names.push_back(n);
  }
  return names;
}

int64_t ZipBytesBelow(TZipBridge* Zip, const std::string& Folder) {
  const std::string key = AnsiLowerCase(Folder);
  int64_t total = 0;
  for (const auto& e : Zip->ZipContents()) {
    std::string n = e->FileName;
    std::replace(n.begin(), n.end(), '/', '\\');
    if (!n.empty() && (n.back() == '\\' || n.back() == '/')) continue;
    if (AnsiLowerCase(n).compare(0, key.size(), key) == 0) total += int64_t(e->UncomprSize);
  }
  return total;
}

void SetZipPassword(TZipBridge* Zip, const std::string& Value) { Zip->SetPassword(Value); }

static_assert(zaDirNames == 1u << AddDirNames && zaRecurseDirs == 1u << AddRecurseDirs && zaMove == 1u << AddMove &&
              zaFreshen == 1u << AddFreshen && zaUpdate == 1u << AddUpdate && zaHiddenFiles == 1u << AddHiddenFiles &&
              zaEncrypt == 1u << AddEncrypt && zaDiskSpan == 1u << AddDiskSpan &&
              zaDiskSpanErase == 1u << AddDiskSpanErase);

int ConvertSfxFile(TZipBridge* Zip, const std::string& Name) {
  SetZipArchive(Zip, Name);
  return Zip->ConvertSfxToZip();
}

bool ZipIsSpanned(TZipBridge* Zip, const std::string& Name) {
  Zip->AddOptions = 0;
  Zip->KeepFreeOnDisk1 = 0;
  Zip->MaxVolumeSize = 0;
  Zip->MinFreeVolumeSize = 0;
  SetZipArchive(Zip, Name);
  return Zip->Spanned();
}

int WriteSpanned(TZipBridge* Zip, const std::string& In, const std::string& Out, int VolumeSize) {
  Zip->AddOptions |= AddOpts(1u << AddDiskSpan);
  Zip->MaxVolumeSize = VolumeSize;
  Zip->MinFreeVolumeSize = VolumeSize;
  Zip->KeepFreeOnDisk1 = 0;
  return Zip->WriteSpannedSet(In, Out);
}

int ReadSpanned(TZipBridge* Zip, const std::string& In, std::string& Out) { return Zip->ReadSpannedSet(In, Out); }

void SetSfxChoice(TZipBridge* Zip, const TSfxChoice& Choice) {
  Zip->SFXCaption = Choice.Caption;
  Zip->SFXDefaultDir = Choice.DefaultDir;
  Zip->SFXCommandLine = Choice.CommandLine;
  Zip->SFXOptions = SetOf(SFXAskFiles, SFXCheckSize);
  if (Choice.Message.size() >= 2) Zip->SFXMessage = Choice.Message;
  if (Choice.AutoRun) Zip->SFXOptions |= SFXOpts(1u << SFXAutoRun);
  if (Choice.HideOverwriteBox) Zip->SFXOptions |= SFXOpts(1u << SFXHideOverWriteBox);
  if (!Choice.SuccessMessage) Zip->SFXOptions |= SFXOpts(1u << SFXNoSuccessMsg);
  static const OvrOpts Modes[3] = {OvrConfirm, OvrAlways, OvrNever};
  Zip->SFXOverWriteMode = Modes[Choice.OverwriteMode < 0 || Choice.OverwriteMode > 2 ? 0 : Choice.OverwriteMode];
}

namespace {

// The component's messages go to Handler for one operation; its own handler
// comes back afterwards.
struct TScopedMessages {
  TScopedMessages(TZipBridge* Zip, const std::function<void(int, const std::string&)>& Handler)
      : FZip(Zip), FSaved(Zip->OnMessage) {
    Zip->OnMessage = [&Handler](TObject*, int Code, const std::string& Text) {
      if (Handler) Handler(Code, Text);
    };
  }
  ~TScopedMessages() { FZip->OnMessage = FSaved; }
  TZipBridge* FZip;
  TMessageEvent FSaved;
};

}  // namespace

int DeleteZipEntries(TZipBridge* Zip, const std::vector<std::string>& Specs,
                     const std::function<void(int, const std::string&)>& OnMessage) {
  Zip->FSpecArgs()->Clear();
  for (const std::string& s : Specs) Zip->FSpecArgs()->Add(s);
  TScopedMessages messages(Zip, OnMessage);
  Zip->Delete();
  Zip->FSpecArgs()->Clear();
  const int deleted = Zip->SuccessCnt;
  // The stamp of what was read follows the rewritten file.
  SetZipArchive(Zip, Zip->ZipFileName());
  return deleted;
}

int RenameZipEntry(TZipBridge* Zip, const std::string& OldName, const std::string& NewName, int32_t DosDate) {
  std::vector<ZipRenameRec> list(1);
  list[0].OldName = OldName;
  list[0].NewName = NewName;
  list[0].DateTime = DosDate;
  Zip->ErrCode = 0;
  Zip->RenameEntries(list, 0);
  const int code = Zip->ErrCode;
  SetZipArchive(Zip, Zip->ZipFileName());
  return code;
}

int AddToZip(TZipBridge* Zip, const TZipAddJob& Job) {
  Zip->TempDir = Job.TempDir;
  SetZipArchive(Zip, Job.Archive);
  Zip->AddOptions = Job.Options;
  Zip->AddCompLevel = Job.Level;
  if (Job.Options & zaDiskSpan) {
    Zip->MaxVolumeSize = Job.MaxVolumeSize;
    Zip->MinFreeVolumeSize = Job.MinFreeVolumeSize;
    Zip->KeepFreeOnDisk1 = Job.KeepFreeOnDisk1;
  }
  Zip->FSpecArgs()->Clear();
  for (const std::string& s : Job.Specs) Zip->FSpecArgs()->Add(s);
  const auto oldProgress = Zip->OnProgress;
  const auto oldMessage = Zip->OnMessage;
  if (Job.Progress)
    Zip->OnProgress = [&Job](TObject*, ProgressType Type, const std::string& Name, int64_t Size) {
      if (Type <= ptEndOfBatch) Job.Progress(int(Type), Name, Size);
    };
  if (Job.Message)
    Zip->OnMessage = [&Job](TObject*, int Code, const std::string& Text) { Job.Message(Code, Text); };
  Zip->Add();
  Zip->OnProgress = oldProgress;
  Zip->OnMessage = oldMessage;
  Zip->FSpecArgs()->Clear();
  return Zip->SuccessCnt;
}

bool AskZipPassword(TZipBridge* Zip, const std::string& Title, std::string& Text) {
  return Zip->ShowPasswordDlg(Title, "&Password:", Text);
}

std::string GetZipPassword(TZipBridge* Zip) { return Zip->Password(); }
bool WriteZipComment(TZipBridge* Zip, const std::string& Comment) {
  Zip->ErrCode = 0;
  Zip->SetZipComment(Comment);
  const bool ok = Zip->ErrCode == 0;
  SetZipArchive(Zip, Zip->ZipFileName());
  return ok;
}

int TestZipEntries(TZipBridge* Zip, const std::function<void(int, const std::string&)>& OnMessage) {
  Zip->FSpecArgs()->Clear();
  Zip->FSpecArgs()->Add("*.*");
  Zip->ExtrOptions = ExtrOpts(1u << ExtrTest);
  TScopedMessages messages(Zip, OnMessage);
  Zip->SuccessCnt = 0;
  Zip->Extract();
  Zip->ExtrOptions = 0;
  return Zip->SuccessCnt;
}

bool ZipHasEncrypted(TZipBridge* Zip) {
  for (const auto& e : Zip->ZipContents())
    if (e->Encrypted) return true;
  return false;
}

int ZipFileEntryCount(TZipBridge* Zip) {
  int n = 0;
  for (const auto& e : Zip->ZipContents())
    if (!e->FileName.empty() && e->FileName.back() != '/' && e->FileName.back() != '\\') ++n;
  return n;
}

std::string AskZipExtractPassword(TZipBridge* Zip) {
  std::string answer;
  Zip->AskExtractPassword(answer);
  return answer;
}
