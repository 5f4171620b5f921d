#include "archive/core/compbase.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "archive/core/arctables.h"
#include "archive/core/arcutil.h"
#include "framework/core/os.h"
#include "framework/core/prompts.h"

namespace {

constexpr size_t kChunk = 32768;

bool IsSep(char C) { return C == '\\' || C == '/'; }

bool IsDriveLetter(char C) { return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z'); }

std::string SystemDelims(std::string S) {
  for (char& C : S)
    if (IsSep(C)) C = PathDelim;
  return S;
}

bool StartsWithText(const std::string& S, const std::string& Prefix) {
  return S.size() >= Prefix.size() && SameText(S.substr(0, Prefix.size()), Prefix);
}

// The part after the last "\" or ":".
std::string NamePart(const std::string& S) {
  size_t I = S.size();
  while (I > 0 && S[I - 1] != '\\' && S[I - 1] != ':') --I;
  return S.substr(I);
}

bool IsAbsolute(const std::string& S) {
  return (!S.empty() && IsSep(S[0])) || (S.size() >= 2 && S[1] == ':' && IsDriveLetter(S[0]));
}

}  // namespace

TCompBase::TCompBase(TComponent* AOwner) : TZipCommon(AOwner) {
  FArcType = atBh;
  SetDeflateType(dtDeflateN);
  FDefaultDir = IncludeTrailingBackslash(GetCurrentDir());
}

TCompBase::~TCompBase() = default;

void TCompBase::SetWriterArcType(TArcType Type) {
  FWriterArcType = Type;
  FArcType = Type;
}

void TCompBase::SetWriterDefaultExt(const std::string& Ext) {
  FWriterDefaultExt = Ext;
  FDefaultExt = Ext;
}

void TCompBase::SetArcType(TArcType) {
  FArcType = FWriterArcType;
  if (!IsLoading()) ApplyDefaultExt();
}

void TCompBase::SetCompressMethod(TCompressMethod Value) { FCompressMethod = Value; }

void TCompBase::SetDeflateType(TDeflateType Value) {
  static constexpr int kLevels[] = {1, 2, 7, 9};
  FDeflateType = Value;
  FDeflateLevel = kLevels[Value <= dtDeflateX ? Value : dtDeflateN];
}

uint16_t TCompBase::DeflateFlags() const {
  switch (FDeflateType) {
    case dtDeflateS: return 6;
    case dtDeflateF: return 4;
    case dtDeflateX: return 2;
    default: return 0;
  }
}

void TCompBase::SetDefaultDir(const std::string& Value) {
  std::string S = Trim(Value);
  if (S.empty() || !DirectoryExists(RemoveBackslash(SystemDelims(S)))) S = GetCurrentDir();
  FDefaultDir = IncludeTrailingBackslash(SystemDelims(S));
}

void TCompBase::SetDefaultExt(const std::string& Value) {
  const std::string Previous = FDefaultExt;
  if (Value.empty() || Value == ".") {
    FDefaultExt = FWriterDefaultExt;
  } else {
    std::string S = Value[0] == '.' ? Value : "." + Value;
    FDefaultExt = AnsiLowerCase(S.substr(0, 4));
  }
  if (IsLoading() || ArchiveFile().empty()) return;
  const std::string Ext = ExtractFileExt(ArchiveFile());
  if (Ext.empty() || SameText(Ext, Previous)) SetArchiveFile(ChangeFileExt(ArchiveFile(), FDefaultExt));
}

void TCompBase::ApplyDefaultExt() {
  if (ArchiveFile().empty() || FDefaultExt.empty()) return;
  if (ExtractFileExt(ArchiveFile()).empty()) SetArchiveFile(ArchiveFile() + FDefaultExt);
}

std::string TCompBase::MakeStoredName(const std::string& FileName) const {
  const std::string S = AnsiToOemStr(FileName);
  switch (StoredDirNames) {
    case TStoredDirNames::sdNone: return NamePart(S);
    case TStoredDirNames::sdAbsolute: return S;
    case TStoredDirNames::sdAbsoluteNoDrv: {
      const size_t Colon = S.find(':');
      return Colon == std::string::npos ? S : S.substr(Colon + 1);
    }
    case TStoredDirNames::sdRelative: {
      const std::string Base = AnsiToOemStr(FBaseDir);
      return !Base.empty() && StartsWithText(S, Base) ? S.substr(Base.size()) : S;
    }
    case TStoredDirNames::sdRelativeStoreStart: {
      std::string Base = AnsiToOemStr(FBaseDir);
      while (!Base.empty() && Base.back() == '\\') Base.pop_back();
      const bool Root = Base.empty() || (Base.size() == 2 && Base[1] == ':');
      if (Root) {
        // The name keeps its leading "\" without the drive.
        if (S.size() >= 2 && S[1] == ':' && IsDriveLetter(S[0])) return S.substr(2);
        return S;
      }
      const size_t Cut = Base.rfind('\\');
      const std::string Parent = Cut == std::string::npos ? std::string() : Base.substr(0, Cut + 1);
      return !Parent.empty() && StartsWithText(S, Parent) ? S.substr(Parent.size()) : S;
    }
  }
  return S;
}

bool TCompBase::SetEntryFileName(const std::string& StoredName) {
  OutFileName = MakeStoredName(StoredName);
  return true;
}

std::string TCompBase::SpecStoredName(const std::string& Line) { return MakeStoredName(Line); }

int TCompBase::GetStoredFileDate(const std::string& FileName) const {
  switch (DateAttribute) {
    case TDateAttribute::daSysDate: return DateTimeToFileDate(Now());
    case TDateAttribute::daMaxFileDate:
      if (FMaxFileDate != 0) return FMaxFileDate;
      break;
    case TDateAttribute::daFileDate: break;
  }
  const int Age = FileAge(FileName);
  return Age == -1 ? DateTimeToFileDate(Now()) : Age;
}

bool TCompBase::AttributeMatches(int Attr) const {
  if (Attr & faDirectory) return false;
  const int Mask = FileAttribute()->ftFileAttr();
  if ((Mask & 0x3F) == 0x3F || (Mask & 0x80)) return true;
  static constexpr int kChecked[] = {faArchive, faReadOnly, faHidden, faSysFile, TArcFileAttr::AttrCompressed,
                                     TArcFileAttr::AttrTemporary};
  for (int Bit : kChecked)
    if ((Attr & Bit) && !(Mask & Bit)) return false;
  return true;
}

int TCompBase::Compress() {
  InputMode = imPassedStream;
  OutputMode = omPassedStream;
  return ExecCompress();
}

int TCompBase::ExecCompress() {
  SetCurrentArcComponent(this);
  FFilesAdded = 0;
  FDeletedCount = 0;
  FMaxFileDate = 0;
  FArchiveWritten = false;
  FTempKept = false;
  FTempName.clear();
  FMoved.clear();
  BytesToRead = BytesRead = PackedBytes = FileSize = 0;
  RunTotal = RunRemaining = 0;
  ProgressByFile = ProgressByArchive = 0;
  Cancel = false;
  ProgressCallback = [this] {
    ProcessMessages();
    if (OnProgress) OnProgress(this, ProgressByFile, ProgressByArchive);
  };
  if (!ArchiveFile().empty()) CompressArchive();
  return FFilesAdded;
}

void TCompBase::CompressArchive() {
  const std::string Arc = ArchiveFile();
  FArchiveExisted = FileExists(Arc);
  if (Switch == TSwitch::swRead) {
    if (FArchiveExisted) ListArchive();
    return;
  }
  if (Switch == TSwitch::swDelete && !FArchiveExisted) RaiseError(Arc, errNothingToDo);
  if (FArchiveExisted && !UnlockArchive(Arc)) RaiseError(Arc, errWriteFile);

  // Whatever happens, the old archive stays as it was until the new one is
  // complete; the temporary file goes unless a failed move kept it.
  struct TCleanup {
    TCompBase& C;
    ~TCleanup() {
      C.CloseStreams();
      if (!C.FTempKept && !C.FTempName.empty()) {
        if (FileExists(C.FTempName)) DeleteFile(C.FTempName);
        C.FTempName.clear();
      }
      C.ClearWorkList();
    }
  } Cleanup{*this};

  FTempName = CreateTempFileName();
  try {
    // Entries are many small writes with seeks back to their headers: gathered,
    // they cost few system calls.
    FOutStream = std::make_unique<TBufferedWriteStream>(std::make_unique<TFileStream>(FTempName, fmCreate));
  } catch (const Exception&) {
    RaiseError(FTempName, errOpenFile);
  }
  if (FArchiveExisted) {
    try {
      FInStream = std::make_unique<TFileStream>(Arc, fmOpenRead | fmShareDenyWrite);
    } catch (const Exception&) {
      RaiseError(Arc, errOpenFile);
    }
  }
  OutFileName = Arc;
  if (OnActivate) OnActivate(this);

  StubSize = -1;
  if (FInStream) {
    GotoNextHeader();
    const int64_t Stub = StubSize >= 0 ? StubSize : (StartOffset > 1 ? StartOffset - 1 : 0);
    if (Stub > 0) {
      FInStream->SetPosition(0);
      if (CopyRaw(Stub) != Stub) RaiseError(Arc, errWriteFile);
    }
  }
  RunCompression();
  const bool Moved = Switch == TSwitch::swMove && FFilesAdded > 0 && FArchiveWritten;
  CloseStreams();
  // Sources go while the archive that holds them can still be read back: the
  // step after it may turn that archive into another (.tar into .tgz).
  if (Moved) DeleteMovedFiles();
  AfterArchive();
  if (OnDeactivate) OnDeactivate(this);
  if (OnElapsedTime) OnElapsedTime(this, Timer().Elapsed());
}

bool TCompBase::UnlockArchive(const std::string& Arc) {
  const int Attr = FileGetAttr(Arc);
  constexpr int kLocked = faReadOnly | faHidden | faSysFile;
  if (Attr == -1 || !(Attr & kLocked)) return true;
  bool WriteToFile = false;
  if (OnNonWriteableArchive) {
    Timer().Pause();
    OnNonWriteableArchive(this, Arc, WriteToFile);
    Timer().Resume();
  }
  return WriteToFile && FileSetAttr(Arc, Attr & ~kLocked) == 0;
}

void TCompBase::RunCompression() {
  if (Switch != TSwitch::swDelete) ExpandFileSpecs();
  RunRemaining = RunTotal;
  if (OnElapsedTime) Timer().Start();
  ProcessWorkList();
  if (OnElapsedTime) Timer().Stop();
  FinishArchive();
}

void TCompBase::ExpandFileSpecs() {
  for (int i = 0; i < FileSpec()->Count() && !Cancel; ++i) {
    if (i > 0) ProcessMessages();
    ExpandSpecLine((*FileSpec())[i]);
  }
}

void TCompBase::ExpandSpecLine(const std::string& Line) {
  std::string L = Trim(Line);
  if (L.empty()) return;
  if (IsSep(L[0]) && !(L.size() > 1 && IsSep(L[1]))) {
    L = ExtractFileDrive(FDefaultDir) + L;
  } else if (L.size() >= 3 && L[1] == ':' && IsDriveLetter(L[0]) && !IsSep(L[2])) {
    L.insert(2, 1, '\\');
  }
  L = SystemDelims(L);
  if (!IsAbsolute(L)) L = FDefaultDir + L;
  const std::string Full = ExpandFileName(L);
  FBaseDir = ExtractFilePath(Full);
  SearchFolder(FBaseDir, ExtractFileName(Full));
}

void TCompBase::SearchFolder(const std::string& Dir, const std::string& Mask) {
  TSearchRec F;
  if (!Mask.empty() && FindFirst(Dir + Mask, faReadOnly | faHidden | faSysFile | faArchive, F) == 0) {
    do {
      if (!(F.Attr & faDirectory)) AddFoundFile(Dir + F.Name, F);
    } while (!Cancel && FindNext(F) == 0);
    FindClose(F);
  }
  if (!RecurseDirs || Cancel) return;
  std::vector<std::string> Subs;
  if (FindFirst(Dir + "*.*", faDirectory | faReadOnly | faHidden | faSysFile | faArchive, F) == 0) {
    do {
      if ((F.Attr & faDirectory) && F.Name != "." && F.Name != "..") Subs.push_back(Dir + F.Name + PathDelim);
    } while (FindNext(F) == 0);
    FindClose(F);
  }
  std::sort(Subs.begin(), Subs.end());
  for (const std::string& Sub : Subs) {
    if (Cancel) return;
    if (OnRecurseDir) OnRecurseDir(this, Sub);
    SearchFolder(Sub, Mask);
  }
}

void TCompBase::AddFoundFile(const std::string& FullName, const TSearchRec& F) {
  if (!AttributeMatches(F.Attr)) return;
  // The archive being written, and its temporary file, are never their own
  // entries.
  if (SameText(FullName, ExpandFileName(ArchiveFile())) || (!FTempName.empty() && SameText(FullName, FTempName)))
    return;
  const std::string Stored = MakeStoredName(FullName);
  if (Stored.empty() || IsFileExcluded(Stored)) return;
  const int Found = FindWorkItem(Stored);
  if (Found < 0) {
    TWorkItem& It = FWorkList.emplace_back();
    It.Name = Stored;
    It.SourceName = FullName;
    It.Action = waAdd;
    It.Size = F.Size;
    It.FileDate = F.Time;
    It.FileAttr = F.Attr;
    FIndex.emplace(AnsiUpperCase(Stored), int(FWorkList.size()) - 1);
  } else {
    TWorkItem& It = FWorkList[size_t(Found)];
    if (It.Action != waCopy || !OnReplaceFile) return;
    bool Replace = true;
    Timer().Pause();
    OnReplaceFile(this, OemToAnsiStr(It.Name), FullName, FileDateToDateTimeDef(It.OldDate),
                  FileDateToDateTimeDef(F.Time), int(It.OldSize), int(F.Size), It.OldAttr, F.Attr, Replace);
    Timer().Resume();
    if (!Replace) return;
    It.Action = waReplace;
    It.SourceName = FullName;
    It.Size = F.Size;
    It.FileDate = F.Time;
    It.FileAttr = F.Attr;
  }
  RunTotal += F.Size;
  if (uint32_t(F.Time) > uint32_t(FMaxFileDate)) FMaxFileDate = F.Time;
}

TWorkItem& TCompBase::AddOldEntry(const std::string& StoredName) {
  TWorkItem& It = FWorkList.emplace_back();
  It.Name = StoredName;
  It.Action = waCopy;
  FIndex.emplace(AnsiUpperCase(StoredName), int(FWorkList.size()) - 1);
  return It;
}

void TCompBase::WalkOldEntries(const std::function<TOldEntry()>& Describe) {
  if (!FInStream) return;
  bool More = ReadFirstHeader();
  StubSize = HeaderPos;
  for (; More; More = ReadNextHeader()) {
    const TOldEntry E = Describe();
    if (Switch == TSwitch::swDelete && IsFileIncluded(OemToAnsiStr(E.Stored))) {
      NoteDeletedEntry();
      continue;
    }
    if (E.Position + GetHeaderSize() + E.HeaderLength + E.PackedSize > FInStream->Size())
      RaiseError(ArchiveFile(), errReadFile);
    TWorkItem& It = AddOldEntry(E.Stored);
    It.Position = E.Position;
    It.HeaderLength = E.HeaderLength;
    It.PackedSize = E.PackedSize;
    It.OldSize = E.OldSize;
    It.OldDate = E.OldDate;
    It.OldAttr = E.OldAttr;
  }
}

int TCompBase::FindWorkItem(const std::string& Name) const {
  const auto I = FIndex.find(AnsiUpperCase(Name));
  return I == FIndex.end() ? -1 : I->second;
}

void TCompBase::ClearWorkList() {
  FCurItem = nullptr;
  FWorkList.clear();
  FIndex.clear();
}

void TCompBase::ProcessWorkList() {
  for (size_t i = 0; i < FWorkList.size(); ++i) {
    TWorkItem& It = FWorkList[i];
    FCurItem = &It;
    EntryCount = int(i) + 1;
    // Once cancelled, no more files are compressed; entries of the old
    // archive are still copied, so that cancelling never loses them.
    if (Cancel) {
      if (It.Action == waAdd) It.Action = waSkip;
      if (It.Action == waReplace) It.Action = waCopy;
    }
    switch (It.Action) {
      case waAdd:
      case waReplace:
        if (CompressFile(It.SourceName)) {
          ++FFilesAdded;
          FMoved.emplace_back(It.SourceName, It.Name);
        } else if (It.Action == waReplace && It.Position >= 0) {
          It.Action = waCopy;
          CopyOldEntry(It);
        } else {
          It.Action = waSkip;
        }
        break;
      case waCopy: CopyOldEntry(It); break;
      default: break;
    }
  }
  FCurItem = nullptr;
}

void TCompBase::CopyOldEntry(TWorkItem& Item) {
  if (!FInStream || !FOutStream || Item.Position < 0) {
    Item.Action = waSkip;
    return;
  }
  FCurItem = &Item;
  const int64_t Length = GetHeaderSize() + Item.HeaderLength + Item.PackedSize + Item.TrailerLength;
  Item.OutputOffset = FOutStream->Position();
  FInStream->SetPosition(Item.Position);
  if (CopyRaw(Length) != Length) RaiseError(ArchiveFile(), errWriteFile);
  if (ArcType() == atTar) {
    const int64_t Fill = (512 - FOutStream->Position() % 512) % 512;
    if (Fill > 0) {
      std::vector<uint8_t> Zeros(size_t(Fill), 0);
      WriteBlockEncryptProc(nullptr, FOutStream.get(), 0, Zeros.size(), 0, false, Zeros.data());
    }
  }
}

int64_t TCompBase::CopyRaw(int64_t Count) {
  std::vector<uint8_t> Buf(kChunk);
  int64_t Done = 0;
  while (Done < Count) {
    const size_t Want = size_t(std::min<int64_t>(Count - Done, int64_t(kChunk)));
    const size_t Got = ReadBlockProc(nullptr, FInStream.get(), Want, 0, false, Buf.data());
    if (Got == 0) break;
    WriteBlockEncryptProc(nullptr, FOutStream.get(), 0, Got, 0, false, Buf.data());
    Done += int64_t(Got);
    DoProgress(Done, Count, RunRemaining, RunTotal);
    if (Got < Want) break;
  }
  return Done;
}

int64_t TCompBase::StoreData(TStream* Input, TStream* Output, int64_t Count, bool Cipher, uint8_t CrcWidth) {
  std::vector<uint8_t> Buf(kChunk);
  int64_t Done = 0;
  while (Done < Count) {
    const size_t Want = size_t(std::min<int64_t>(Count - Done, int64_t(kChunk)));
    const size_t Got = ReadBlockProc(nullptr, Input, Want, CrcWidth, false, Buf.data());
    if (Got == 0) break;
    WriteBlockEncryptProc(nullptr, Output, 1, Got, 0, Cipher, Buf.data());
    Done += int64_t(Got);
    BytesToRead -= int64_t(Got);
    BytesRead += int64_t(Got);
    PackedBytes += int64_t(Got);
    RunRemaining -= int64_t(Got);
    DoProgress(BytesRead, FileSize, RunRemaining, RunTotal);
    if (Got < Want) break;
  }
  return Done;
}

void TCompBase::StartEntry(int64_t Size) {
  ResetCrc();
  FileSize = Size;
  BytesToRead = Size;
  BytesRead = 0;
  PackedBytes = 0;
}

bool TCompBase::BeginEntry(std::string& Name) {
  Timer().Pause();
  DoProgress(0, 0, RunRemaining, RunTotal);
  bool Extract = true;
  if (OnBegin) OnBegin(this, Name, EntryCount, Extract);
  if (Extract && OnRenameCompressedFile) OnRenameCompressedFile(this, Name);
  Timer().Resume();
  return Extract && !Cancel;
}

std::unique_ptr<TStream> TCompBase::OpenInputFile(const std::string& FileName) {
  try {
    return std::make_unique<TFileStream>(FileName, fmOpenRead | fmShareDenyWrite);
  } catch (const Exception&) {
    return nullptr;
  }
}

bool TCompBase::IsCompressedExtension(const std::string& FileName) {
  const std::string Ext = ExtractFileExt(FileName);
  if (Ext.empty()) return false;
  const int Index = GetArcExtIndex(Ext);
  return Index >= 0 && Index != ArcExtExeIndex;
}

bool TCompBase::StoresUnpacked(const std::string& FileName) const {
  return StoreAlreadyCompressedFiles && IsCompressedExtension(FileName);
}

void TCompBase::WriteRaw(const void* Data, size_t Count) {
  if (Count == 0) return;
  std::vector<uint8_t> Buf(static_cast<const uint8_t*>(Data), static_cast<const uint8_t*>(Data) + Count);
  WriteBlockEncryptProc(nullptr, OutStream(), 0, Count, 0, false, Buf.data());
}

bool TCompBase::CompressFile(const std::string&) { return false; }

int TCompBase::ListEntryHook() { return 0; }

bool TCompBase::ReadFirstHeader() {
  EntryCount = 0;
  return ReadHeader();
}

int64_t TCompBase::GetHeaderSize() { return 0; }

bool TCompBase::ReadHeader() { return false; }

bool TCompBase::ReadNextHeader() { return false; }

void TCompBase::GotoNextHeader() {}

void TCompBase::SetListedEntryInfo() {}

void TCompBase::AfterArchive() {}

void TCompBase::FinishArchive() {
  if (FOutStream) PutArchiveInPlace(false);
}

void TCompBase::PutArchiveInPlace(bool Raise) {
  // The last gathered writes reach the disk here; an archive that did not
  // get them all must not replace the old one.
  if (FOutStream) {
    try {
      FOutStream->Flush();
    } catch (const Exception&) {
      RaiseError(ArchiveFile(), errWriteFile);
    }
  }
  const bool Anything = FFilesAdded > 0 || FDeletedCount > 0;
  if (ReplaceArchive(FTempName, ArchiveFile()))
    FArchiveWritten = Anything;
  else
    ReportReplaceFailure(Raise);
}

std::string TCompBase::StoredNameOf(const std::string& FileName) const {
  return FCurItem && FCurItem->SourceName == FileName ? FCurItem->Name : MakeStoredName(FileName);
}

void TCompBase::CloseStreams() {
  FInStream.reset();
  FOutStream.reset();
}

bool TCompBase::ReplaceArchive(const std::string& TempName, const std::string& ArcName) {
  CloseStreams();
  if (FFilesAdded == 0 && FDeletedCount == 0) {
    DeleteFile(TempName);
    return true;
  }
  // The old archive is never deleted to make room: when the move fails it
  // stays as it was and the complete new one is kept under its temporary name.
  if (MoveFileReplace(TempName, ArcName)) return true;
  FTempKept = FileExists(TempName);
  return false;
}

void TCompBase::ReportReplaceFailure(bool Raise) {
  ReportError(ArchiveFile(), FTempName, errWriteFile);
  if (Raise) throw E_RAISE(ArcMessage(errWriteFile) + ": " + FTempName);
}

void TCompBase::ListArchive() {
  if (!OnRead) return;
  try {
    FInStream = std::make_unique<TFileStream>(ArchiveFile(), fmOpenRead | fmShareDenyNone);
  } catch (const Exception&) {
    RaiseError(ArchiveFile(), errOpenFile);
  }
  struct TClose {
    std::unique_ptr<TStream>& S;
    ~TClose() { S.reset(); }
  } Close{FInStream};
  int Number = 0;
  for (bool More = ReadFirstHeader(); More && !Cancel; More = ReadNextHeader()) {
    ListEntryHook();
    SetListedEntryInfo();
    OnRead(this, int(HeaderPos), ++Number);
  }
}

void TCompBase::DeleteMovedFiles() {
  const auto Moved = std::move(FMoved);
  FMoved.clear();
  std::unordered_set<std::string> InArchive;
  if (VerifyBeforeDelete) {
    std::vector<TWorkItem> Saved;
    Saved.swap(FWorkList);
    std::unordered_map<std::string, int> SavedIndex;
    SavedIndex.swap(FIndex);
    try {
      FInStream = std::make_unique<TFileStream>(ArchiveFile(), fmOpenRead | fmShareDenyNone);
      GotoNextHeader();
      for (const TWorkItem& It : FWorkList) InArchive.insert(AnsiUpperCase(It.Name));
    } catch (const Exception&) {
      InArchive.clear();
    }
    FInStream.reset();
    FWorkList.swap(Saved);
    FIndex.swap(SavedIndex);
  }
  for (const auto& [Source, Stored] : Moved)
    if (!VerifyBeforeDelete || InArchive.count(AnsiUpperCase(Stored))) ShellDeleteFile(Source);
}
