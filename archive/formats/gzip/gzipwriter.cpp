#include "archive/formats/gzip/gzipwriter.h"

#include <algorithm>
#include <vector>

#include "archive/core/arcutil.h"
#include "archive/core/bytes.h"
#include "archive/formats/gzip/gzip_format.h"
#include "archive/codecs/deflatestream.h"
#include "framework/core/os.h"

namespace {

bool EndsWithText(const std::string& S, const std::string& Tail) {
  return S.size() >= Tail.size() && SameText(S.substr(S.size() - Tail.size()), Tail);
}

// Zip level bits (as DeflateLevelName reads them) from gzip's extra flags.
uint16_t LevelFlags(uint8_t ExtraFlags) {
  if (ExtraFlags == 2) return 2;
  if (ExtraFlags == 4) return 6;
  return 0;
}

}  // namespace

TGZip::TGZip(TComponent* AOwner) : TCompBase(AOwner) {
  SetWriterDefaultExt(".GZ");
  SetDeflateType(dtDeflateN);
  SetCompressMethod(TCompressMethod::cmDeflate);
  SetWriterArcType(atGZip);
}

void TGZip::SetArcType(TArcType) {
  FArcType = atGZip;
  if (IsLoading() || ArchiveFile().empty() || DefaultExt().empty()) return;
  if (!EndsWithText(ArchiveFile(), DefaultExt())) SetArchiveFile(ArchiveFile() + DefaultExt());
}

std::string TGZip::OutputName(const std::string& InputFile) const {
  return ExtractFilePath(ArchiveFile()) + ExtractFileName(InputFile) + DefaultExt();
}

void TGZip::WriteRaw(TStream* Out, const void* Data, size_t Count) {
  std::vector<uint8_t> Buf(static_cast<const uint8_t*>(Data), static_cast<const uint8_t*>(Data) + Count);
  if (Count && WriteBlockEncryptProc(nullptr, Out, 0, Count, 0, false, Buf.data()) != Count)
    RaiseError(OutFileName, errWriteFile);
}

void TGZip::WriteMember(TStream* In, TStream* Out, const std::string& FileName, int DosDate) {
  const int64_t Size = In->Size();
  const int64_t Unix = LocalDateTimeToUnix(FileDateToDateTimeDef(DosDate));
  // Method 8 and a trailer always: gzip, 7-Zip and bsdtar refuse a member
  // of method 0 or one without a trailer, also for an empty input.
  uint8_t Head[10] = {0x1F, 0x8B, 8, GzipFlagName, 0, 0, 0, 0, 0, 0};
  PutLE32(Head + 4, Unix > 0 && Unix <= int64_t(UINT32_MAX) ? uint32_t(Unix) : 0);
  WriteRaw(Out, Head, sizeof Head);
  const std::string Name = ExtractFileName(FileName);
  WriteRaw(Out, Name.c_str(), Name.size() + 1);
  const int64_t DataStart = Out->Position();
  StartEntry(Size);
  DeflateStream(*this, FDeflate, In, Out, Size, false, false);
  const uint32_t Crc = ~Crc32;
  uint8_t Trailer[8];
  PutLE32(Trailer, Crc);
  PutLE32(Trailer + 4, uint32_t(BytesRead));
  WriteRaw(Out, Trailer, sizeof Trailer);

  if (OnRead) {
    Entry.FileName = Name;
    Entry.Date = FileDateToDateTimeDef(DosDate);
    Entry.PackedSize = uint32_t(std::min<int64_t>(Out->Position() - DataStart - 8, UINT32_MAX));
    Entry.UnpackedSize = uint32_t(std::min<int64_t>(BytesRead, UINT32_MAX));
    Entry.Crc = Crc;
    Entry.Method = 8;
    Entry.MethodName = CompressMethodToStr(8, DeflateFlags());
    Entry.Ratio = uint8_t(CalcRatio(Entry.PackedSize, Entry.UnpackedSize));
    Entry.Encrypted = false;
    OnRead(this, 0, EntryCount);
  }
}

bool TGZip::CompressOne(const std::string& FileName) {
  std::string Name = OutputName(FileName);
  if (!BeginEntry(Name)) return false;
  const int DosDate = GetStoredFileDate(FileName);
  if (FileExists(Name)) {
    if (ConfirmOverwrites && OnFileExists) {
      Timer().Pause();
      OnFileExists(this, Name, FileDateToDateTimeDef(FileAge(Name)), OverwriteMode);
      Timer().Resume();
      if (OverwriteMode == TOverwriteMode::omSkip) return false;
    }
    const int Attr = FileGetAttr(Name);
    if (!IsPlainFile(Attr)) {
      bool Allow = false;
      if (OnNonWriteableArchive) {
        Timer().Pause();
        OnNonWriteableArchive(this, Name, Allow);
        Timer().Resume();
      } else {
        ReportError(Name, "", errWriteFile);
      }
      if (!Allow || FileSetAttr(Name, faArchive) != 0) return false;
    }
  }
  std::unique_ptr<TStream> In = OpenInputFile(FileName);
  if (!In) {
    ReportError(FileName, "", errOpenFile);
    return false;
  }
  const std::string Folder = ExtractFileDir(Name);
  if (!Folder.empty() && !DirectoryExists(Folder)) {
    ReportError(Name, "", errOpenFile);
    return false;
  }
  // The gzip file is written under a temporary name and moved into place
  // complete: an old file of the name stays as it was when anything fails.
  const std::string Temp = CreateTempFileName();
  std::unique_ptr<TStream> Out;
  try {
    Out = std::make_unique<TFileStream>(Temp, fmCreate);
  } catch (const Exception&) {
    DeleteFile(Temp);
    ReportError(Name, "", errOpenFile);
    return false;
  }
  OutFileName = Name;
  try {
    WriteMember(In.get(), Out.get(), FileName, DosDate);
  } catch (...) {
    // A part-written gzip file is worth nothing.
    Out.reset();
    DeleteFile(Temp);
    throw;
  }
  Out.reset();
  In.reset();
  if (!MoveFileReplace(Temp, Name)) {
    // The complete gzip file is kept for the user, under the name reported.
    ReportError(Name, Temp, errWriteFile);
    return false;
  }
  FileSetDate(Name, DosDate);
  CountFileAdded();
  FLastGzipFile = Name;
  if (Switch == TSwitch::swMove) ShellDeleteFile(FileName);
  if (OnEnd) {
    Timer().Pause();
    OnEnd(this, Name, true);
    Timer().Resume();
  }
  return true;
}

void TGZip::CompressArchive() {
  FLastGzipFile.clear();
  if (Switch == TSwitch::swDelete) {
    ReportError(ArchiveFile(), "", errNothingToDo);
    return;
  }
  if (Switch == TSwitch::swRead) {
    if (FileExists(ArchiveFile())) ListArchive();
    return;
  }
  if (FileSpec()->Count() == 0) return;
  if (OnActivate) OnActivate(this);
  if (OnElapsedTime) Timer().Start();

  std::string Line = Trim((*FileSpec())[0]);
  for (char& C : Line)
    if (C == '\\' || C == '/') C = PathDelim;
  const bool Absolute = (!Line.empty() && Line[0] == PathDelim) || (Line.size() >= 2 && Line[1] == ':');
  const std::string Full = ExpandFileName(Absolute ? Line : DefaultDir() + Line);
  const std::string Dir = ExtractFilePath(Full);
  std::vector<std::string> Files;
  TSearchRec F;
  if (FindFirst(Full, faReadOnly | faHidden | faSysFile | faArchive, F) == 0) {
    do {
      if (!(F.Attr & faDirectory) && AttributeMatches(F.Attr)) {
        Files.push_back(Dir + F.Name);
        RunTotal += F.Size;
      }
    } while (FindNext(F) == 0);
    FindClose(F);
  }
  std::sort(Files.begin(), Files.end());
  RunRemaining = RunTotal;
  for (size_t i = 0; i < Files.size() && !Cancel; ++i) {
    EntryCount = int(i) + 1;
    CompressOne(Files[i]);
  }

  if (OnElapsedTime) OnElapsedTime(this, Timer().Stop());
  if (OnDeactivate) OnDeactivate(this);
}

bool TGZip::ReadHeader() {
  TStream* S = InStream();
  if (!S) return false;
  TStreamSource Src(*S);
  GzipHeader H;
  int Err = 0;
  if (!ReadGzipHeader(Src, H, Err) || !H.IsGzip) return false;
  HeaderPos = 0;
  FListedName = H.FileName;
  FListedHasName = H.HasName;
  FListedMethod = H.Method;
  FListedExtraFlags = H.ExtraFlags;
  FListedTime = H.MTime;
  FListedCrc = H.Crc;
  FListedSize = H.UnpackedSize;
  FListedPacked = int64_t(H.PackedSize);
  return true;
}

void TGZip::SetListedEntryInfo() {
  const std::string Base = ExtractFileName(ArchiveFile());
  Entry.FileName = FListedHasName ? FListedName : Base.substr(0, ExtDotOffset(Base));
  Entry.Date = FListedTime ? UnixToLocalDateTime(FListedTime) : FileDateToDateTimeDef(FileAge(ArchiveFile()));
  Entry.PackedSize = uint32_t(std::min<int64_t>(FListedPacked, UINT32_MAX));
  Entry.UnpackedSize = FListedSize;
  Entry.Crc = FListedCrc;
  Entry.Method = FListedMethod;
  Entry.MethodName = FListedMethod == 0   ? std::string("Stored")
                     : FListedMethod == 8 ? DeflateLevelName(LevelFlags(FListedExtraFlags))
                                          : std::string("Unknown");
  Entry.Ratio = uint8_t(CalcRatio(Entry.PackedSize, Entry.UnpackedSize));
  Entry.Encrypted = false;
}
