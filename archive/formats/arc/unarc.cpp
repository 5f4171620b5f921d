#include "archive/formats/arc/unarc.h"

#include <algorithm>

#include "archive/codecs/codec_error.h"
#include "archive/core/arcutil.h"
#include "archive/formats/arc/arc_decode.h"
#include "archive/formats/arc/arc_format.h"

namespace {

struct TArcFoundRec {
  uint64_t Pos = 0;  // the entry's header
  int Folder = 0;    // index into the folder list
};

}  // namespace

TUnARC::TUnARC(TComponent* AOwner) : TUnBase(AOwner) {}

void TUnARC::SelectEntries(TArcSource& Src) {
  RunTotal = RunRemaining = 0;
  MaxFileDate = 0;
  FoundList().Init(sizeof(TArcFoundRec));
  FFolders.clear();
  const bool Pending = SpecsPending(*FileSpec(), 0);
  std::string Folder;
  uint64_t Pos = StartOffset > 0 ? uint64_t(StartOffset - 1) : 0;
  Timer().Pause();
  while (Pos < uint64_t(ArchiveSize) && !Cancel) {
    ArcHeader H;
    int Err = 0;
    if (!ReadArcHeader(Src, Pos, H, Err)) {
      // Another mark than 0x1A ends the archive as the end record does; a
      // header cut short is damage, but the entries before it are sound.
      if (Err == rdReadError) ReportError(ArchiveFile(), "", errReadFile);
      break;
    }
    Pos = H.NextPos;
    if (H.IsFolder() || H.IsFolderEnd()) {
      // Folders are made as their files are written.
      ApplyArcFolder(H, Folder);
      continue;
    }
    if (!IsFileIncluded(OemToAnsiStr(Folder + H.Name))) continue;
    if (FFolders.empty() || FFolders.back() != Folder) FFolders.push_back(Folder);
    FoundList().AddRec(TArcFoundRec{H.Pos, int(FFolders.size()) - 1});
    RunTotal += H.UnpackedSize;
    MaxFileDate = std::max(MaxFileDate, int(H.DosDateTime()));
    if (!Pending) break;
  }
  Timer().Resume();
  RunRemaining = RunTotal;
}

bool TUnARC::DecodeEntry(TUntypedFile& F, const ArcHeader& H, int64_t& Produced) {
  TUntypedFile Out;
  const int DosDate = int(H.DosDateTime());
  if (OutputMode == omFile && !CreateOutputFile(Out, OutFileName)) {
    ReportError(OutFileName, "", errWriteFile);
    RunRemaining -= H.UnpackedSize;
    return false;
  }
  try {
    if (!F.Seek(int64_t(H.DataPos))) RaiseError(ArchiveFile(), errReadFile);
    TArcCodecIO Io(*this, &F, nullptr, &Out, nullptr);
    // A packed size past the end of the file gives what the file holds.
    Io.PackedLeft = std::min<int64_t>(H.PackedSize, std::max<int64_t>(0, ArchiveSize - int64_t(H.DataPos)));
    Io.ReadCrcWidth = 0;
    Io.WriteCrcWidth = 16;
    Io.FileSize = H.UnpackedSize;
    Io.ArchiveTotal = RunTotal;
    Io.ArchiveRemaining = RunRemaining;
    RunDecoder(Io, [&] { FDecoder.Decode(Io, H.Method, uint64_t(Io.PackedLeft)); });
    Produced = Io.FileDone;
  } catch (...) {
    CloseOutputFile(Out, faArchive, DosDate);
    throw;
  }
  if (!CloseOutputFile(Out, faArchive, DosDate)) RaiseError(OutFileName, errCloseFile);
  return true;
}

bool TUnARC::ExtractEntry(TUntypedFile& F, TArcSource& Src, int Index) {
  if (Cancel) return false;
  const TArcFoundRec Rec = FoundList().Rec<TArcFoundRec>(Index);
  StartEntry();
  ArcHeader H;
  int Err = 0;
  if (!ReadArcHeader(Src, Rec.Pos, H, Err)) {
    ReportError(ArchiveFile(), "", errReadFile);
    return true;
  }
  const std::string Stored = FFolders[size_t(Rec.Folder)] + H.Name;
  Entry.FileName = OemToAnsiStr(Stored);
  Entry.Encrypted = false;
  Entry.PackedSize = H.PackedSize;
  Entry.UnpackedSize = H.UnpackedSize;
  Entry.Crc = H.Crc;
  Entry.Method = H.Method;
  Entry.MethodName = CompressMethodToStr(H.Method);
  Entry.ExternalAttr = faArchive;
  Entry.Date = DosDateToDateTime(int(H.DosDateTime()));
  if (!SetEntryFileName(Entry.FileName)) return true;

  bool Exists = false, Extract = false;
  if (!BeginEntry(Entry.Date, Exists, Extract)) return false;
  if (!Extract) {
    RunRemaining -= H.UnpackedSize;
    DoProgress(0, 0, RunRemaining, RunTotal);
    return true;
  }
  // A type without a decoder gets no file: an empty one would pass for the
  // entry.
  if (!ArcMethodSupported(H.Method)) {
    ReportError(ReportName(), "", errBadMethod);
    RunRemaining -= H.UnpackedSize;
    EndEntry(false, false);
    return true;
  }

  bool Decoded = false;
  int64_t Produced = 0;
  try {
    if (!DecodeEntry(F, H, Produced)) return true;
    Decoded = true;
  } catch (const EArcCancelled&) {
    return false;
  } catch (const E_RAISE&) {
    if (Cancel) return false;
  }
  const bool Pass = Decoded && Crc16 == H.Crc && uint64_t(Produced) == H.UnpackedSize;
  EndEntry(Pass, Decoded);
  return true;
}

void TUnARC::ExtractArchive(TUntypedFile& ArcFile) {
  AsciiTranslation = false;
  TUntypedFileSource Src(ArcFile, ArchiveSize);
  SelectEntries(Src);
  for (int i = 0; i < FoundList().Count(); ++i)
    if (!ExtractEntry(ArcFile, Src, i)) return;
}
