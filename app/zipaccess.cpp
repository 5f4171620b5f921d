#include "app/zipaccess.h"

#include <windows.h>

#include "app/entrytable.h"
#include "app/sfxbuilder.h"
#include "archive/core/sfxsettings.h"
#include "framework/core/os.h"
#include "framework/core/streams.h"
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

TZipBridge* CreateZipBridge(TComponent* Owner, std::function<void(int, const std::string&)> OnMessage) {
  auto* zip = new TZipBridge(Owner);
  zip->SetName("ZipBridge");
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
