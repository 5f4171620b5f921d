#include "archive/core/arcmain.h"

#include "archive/core/readwrite.h"
#include "archive/core/untypedfile.h"

void TArcFileAttr::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TArcFileAttr*>(Source)) {
    FFlags = src->FFlags;
    FAnyFile = (FFlags & AllAttrs) == AllAttrs;
    Rebuild();
    return;
  }
  TPersistent::Assign(Source);
}

void TArcFileAttr::SetftFileAttr(int Value) {
  FAnyFile = Value == 0 || (Value & 0x3F) == 0x3F || (Value & 0x80) != 0;
  if (!FAnyFile) FFlags = Value & AllAttrs;
  Rebuild();
}

void TArcFileAttr::SetFlag(int Bit, bool Value) {
  FFlags = Value ? FFlags | Bit : FFlags & ~Bit;
  FAnyFile = (FFlags & AllAttrs) == AllAttrs;
  Rebuild();
}

void TArcFileAttr::SetftAnyFile(bool Value) {
  FAnyFile = Value || (FFlags & AllAttrs) == AllAttrs;
  Rebuild();
}

void TArcFileAttr::Rebuild() {
  FMask = FAnyFile ? AllAttrs : FFlags & AllAttrs;
  FFlags = FMask;
  FAnyFile = FMask == AllAttrs;
}

void TArcTimer::Start() {
  FStartTick = GetTickCount();
  FPaused = false;
  FElapsed = 0;
}

float TArcTimer::Stop() {
  uint32_t now = FPaused ? FPauseTick : uint32_t(GetTickCount());
  FPaused = false;
  FElapsed = float(now - FStartTick) / 1000.0f;
  return FElapsed;
}

void TArcTimer::Pause() {
  if (FPaused) return;
  FPauseTick = GetTickCount();
  FPaused = true;
}

void TArcTimer::Resume() {
  if (!FPaused) return;
  FStartTick += uint32_t(GetTickCount()) - FPauseTick;
  FPaused = false;
}

void TArcFileList::Init(size_t RecordSize) {
  Clear();
  FRecordSize = RecordSize;
}

void TArcFileList::Add(const void* Record) {
  auto item = std::make_unique<uint8_t[]>(FRecordSize ? FRecordSize : 1);
  if (FRecordSize) std::memcpy(item.get(), Record, FRecordSize);
  FItems.push_back(std::move(item));
}

void TArcFileList::Clear() { FItems.clear(); }

void TArcFileList::Done() {
  Clear();
  FRecordSize = 0;
}

void* TArcFileList::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
  return FItems[size_t(Index)].get();
}

TArcMain::TArcMain(TComponent* AOwner)
    : TComponent(AOwner),
      FFileAttribute(std::make_unique<TArcFileAttr>()),
      FPasswords(std::make_unique<TStringList>()),
      FDiskManager(new TDiskManager(this)) {}

TArcMain::~TArcMain() = default;

void TArcMain::Loaded() { TComponent::Loaded(); }

void TArcMain::SetZipCmntBufSize(int Value) { FZipCmntBufSize = Value < 2000 ? 2000 : Value > 32767 ? 32767 : Value; }

void TArcMain::SetArcType(TArcType Value) {
  if (IsLoading()) {
    FArcType = Value;
    return;
  }
  DetectArcType();
}

void TArcMain::DetectArcType() { FArcType = FArchiveFile.empty() ? atNA : atUnknown; }

namespace {

// "/" becomes the system's separator ("\" on Windows); POSIX paths stay.
std::string SystemDelims(const std::string& Name) {
  std::string s = Name;
  for (char& c : s)
    if (c == '/') c = PathDelim;
  return s;
}

}  // namespace

void TArcMain::SetArchiveFile(const std::string& Value) {
  if (IsLoading()) {
    FArchiveFile = SystemDelims(Value);
    return;
  }
  if (Value.empty()) {
    FArchiveFile.clear();
    if (CurrentArcComponent() == this) SetCurrentArcComponent(nullptr);
    FArcType = atNA;
    return;
  }
  EntryCount = 0;
  FArchiveFile = SystemDelims(Value);
  SetArcType(atUnknown);
  InitVolumeNaming();
}

void TArcMain::SetPasswords(TStrings* Value) { FPasswords->Assign(Value); }

bool TArcMain::OpenFileRead(TUntypedFile& F, const std::string& FileName) { return F.OpenRead(FileName); }

bool TArcMain::CloseFileVar(TUntypedFile& F) { return F.Close(); }

bool TArcMain::SpecsPending(const TStrings& Specs, int FoundSoFar) const {
  for (int i = 0; i < Specs.Count(); i++)
    if (Specs[i].find_first_of("*?") != std::string::npos) return true;
  return Specs.Count() > 1 && Specs.Count() > FoundSoFar;
}

void TArcMain::SyncDiskDrive() {
  const std::string& name = FArchiveFile;
  std::string drive;
  if (name.find("\\\\") != std::string::npos || name.find(':', 1) != std::string::npos)
    drive = ExtractFileDrive(name);
  if (drive.empty()) drive = ExtractFileDrive(GetCurrentDir());
  // Without drive letters (POSIX) the whole tree is one drive.
  if (drive.empty()) drive.push_back('/');
  FDiskManager->SetDrive(drive);
}

void TArcMain::InitVolumeNaming() {
  NextVolumeNumber = 0;
  switch (FArcType) {
    case atACE: VolumeLetter = 'C'; break;
    case atArj: VolumeLetter = 'a'; break;
    case atRar:
    case atRarExe: VolumeLetter = 'r'; break;
    default: return;
  }
  std::string ext = ExtractFileExt(FArchiveFile);
  if (!ext.empty()) ext.erase(0, 1);
  if (ext.empty()) ext = FArcType == atACE ? "Ace" : FArcType == atArj ? "Arj" : "Rar";
  size_t start = ext.size();
  while (start > 0 && ext[start - 1] >= '0' && ext[start - 1] <= '9') start--;
  if (start < ext.size()) {
    // Longer runs than any volume number are cut to their last digits.
    std::string digits = ext.substr(std::max(start, ext.size() > 9 ? ext.size() - 9 : 0));
    NextVolumeNumber = std::stoi(digits) + 1;
    if (start == 0) VolumeLetter = ext[0];
  } else {
    NextVolumeNumber = FArcType == atArj || FArcType == atArjExe ? 1 : 0;
  }
}
