#include "archive/formats/uue/uudecode.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "archive/core/arcutil.h"
#include "archive/formats/uue/uue_format.h"
#include "framework/core/sysutils.h"

namespace {

constexpr int errEolNotFound = 25168;
constexpr int errLineBeforeBegin = 25240;

constexpr size_t kBlock = 32768;
// Header lines are kept up to this length and read whole, so that a long
// "begin" line cannot spill into the body.
constexpr size_t kHeaderKeep = 1024;
// A count character says at most 63 bytes: 1 + 84 characters matter.
constexpr size_t kBodyKeep = 128;

// Lines of the open volume through the component's read path, with one line
// of look-ahead.
class TLineReader {
 public:
  TLineReader(TUUDecode& Owner, TUntypedFile& F) : FOwner(Owner), FFile(F), FBuf(kBlock) {}

  // Back to the start of the volume now open in F.
  void Restart(int64_t VolumeSize) {
    FVolumeSize = VolumeSize;
    FConsumed = 0;
    FPos = FLen = 0;
    FEnd = false;
    FHavePending = false;
    if (!FFile.Seek(0)) FFile.IOResult();
  }

  // The next line without its line end (carriage returns before the line
  // feed dropped), at most Keep bytes of it kept; False at the end of input.
  bool ReadLine(std::string& Line, size_t Keep) {
    if (FHavePending) {
      FHavePending = false;
      Line.swap(FPending);
      if (Line.size() > Keep) Line.resize(Keep);
      return true;
    }
    Line.clear();
    bool Any = false;
    for (;;) {
      if (FPos == FLen && !Fill()) break;
      Any = true;
      const uint8_t* Start = FBuf.data() + FPos;
      const void* Lf = std::memchr(Start, '\n', FLen - FPos);
      const size_t Span = Lf ? size_t(static_cast<const uint8_t*>(Lf) - Start) : FLen - FPos;
      if (Line.size() < Keep) Line.append(reinterpret_cast<const char*>(Start), std::min(Span, Keep - Line.size()));
      FPos += Span;
      if (Lf) {
        ++FPos;
        break;
      }
    }
    if (!Any) return false;
    while (!Line.empty() && Line.back() == '\r') Line.pop_back();
    return true;
  }

  void Unread(std::string Line) {
    FPending.swap(Line);
    FHavePending = true;
  }

 private:
  bool Fill() {
    if (FEnd) return false;
    size_t N = 0;
    if (FOwner.ReadBlockProc) N = FOwner.ReadBlockProc(&FFile, nullptr, kBlock, 0, false, FBuf.data());
    FPos = 0;
    FLen = N;
    if (N == 0) {
      FEnd = true;
      return false;
    }
    FConsumed += int64_t(N);
    FOwner.DoProgress(FConsumed, FVolumeSize, std::max<int64_t>(0, FVolumeSize - FConsumed), FVolumeSize);
    return true;
  }

  TUUDecode& FOwner;
  TUntypedFile& FFile;
  std::vector<uint8_t> FBuf;
  size_t FPos = 0, FLen = 0;
  bool FEnd = false;
  int64_t FVolumeSize = 0, FConsumed = 0;
  std::string FPending;
  bool FHavePending = false;
};

struct TAlphabet {
  int8_t Value[256];
  char FullLine = 'M';

  void Build(const std::string& Chars) {
    std::memset(Value, -1, sizeof Value);
    for (size_t i = 0; i < Chars.size() && i < 64; ++i)
      if (Value[uint8_t(Chars[i])] < 0) Value[uint8_t(Chars[i])] = int8_t(i);
    // Mailers turned the zero character of old encoders into blanks.
    if (Value[uint8_t(' ')] < 0) Value[uint8_t(' ')] = 0;
  }
  // Characters outside the alphabet, and those a short line lacks, count 0.
  int At(const std::string& Line, size_t I) const {
    if (I >= Line.size()) return 0;
    const int V = Value[uint8_t(Line[I])];
    return V < 0 ? 0 : V;
  }
  static size_t LineChars(int Count) { return 1 + size_t(Count + 2) / 3 * 4; }
  // "end" also opens a data line of the xxencode alphabet ("e" says 42
  // bytes): such a line is the end mark only when too short to be data.
  bool IsEnd(const std::string& Line) const {
    if (Line.compare(0, 3, "end") != 0) return false;
    const int V = Value[uint8_t('e')];
    return V < 0 || Line.size() < LineChars(V);
  }
  // A whole data line: every character in the alphabet and as many as the
  // count character asks.
  bool IsDataLine(const std::string& Line) const {
    if (Line.empty()) return false;
    for (char C : Line)
      if (Value[uint8_t(C)] < 0) return false;
    return Line.size() == LineChars(Value[uint8_t(Line[0])]);
  }
};

bool StartsWith(const std::string& S, const char* Prefix) { return S.compare(0, std::strlen(Prefix), Prefix) == 0; }

}  // namespace

TUUDecode::TUUDecode(TComponent* AOwner) : TUnBase(AOwner) {
  NextVolumeName = nvChangeExt;
  VolumeLongFilenames = false;
  MaxHeaderLines = 100;
}

std::string TUUDecode::UUVolumeName(const std::string& ArchiveName, int Number) const {
  return UueVolumeName(ArchiveName, Number, NextVolumeName);
}

void TUUDecode::ExtractArchive(TUntypedFile& ArcFile) {
  Cancel = false;
  AsciiTranslation = false;
  StartEntry();
  const std::string FirstVolume = ArchiveFile();
  TLineReader Reader(*this, ArcFile);
  Reader.Restart(ArchiveSize);

  bool Found = false;
  std::string Line, Name, Mode, Table;
  bool HaveTable = false;
  for (int i = 0; i < MaxHeaderLines && !Found; ++i) {
    if (!Reader.ReadLine(Line, kHeaderKeep)) break;
    if (StartsWith(Line, "begin ")) {
      ParseUueBeginLine(Line, Mode, Name);
      Found = true;
    } else if (StartsWith(Line, "table")) {
      std::string A, B;
      Reader.ReadLine(A, kHeaderKeep);
      Reader.ReadLine(B, kHeaderKeep);
      i += 2;
      Table = A.substr(0, 32) + B.substr(0, 32);
      HaveTable = true;
    } else if (StartsWith(Line, "charmap")) {
      std::string Rest = Line.substr(7);
      if (Rest.size() > 64 && Rest[0] == ' ') Rest.erase(0, 1);
      Table = Rest.substr(0, 64);
      HaveTable = true;
    }
  }
  if (!Found || Name.empty()) RaiseError(FirstVolume, errOpenFile);

  // The first body line decides the alphabet and is then read again as data.
  std::string First;
  if (Reader.ReadLine(First, kBodyKeep)) Reader.Unread(First);
  TAlphabet Alpha;
  if (HaveTable) {
    Alpha.Build(Table);
    Alpha.FullLine = !First.empty() ? First[0] : (Table.size() > 45 ? Table[45] : 'M');
  } else {
    // Short files have no full line to tell the alphabets apart: their first
    // line is told by the characters it uses.
    switch (UueLineKind(First)) {
      case TUueKind::ukUU:
        Alpha.Build(UueUUAlphabet);
        Alpha.FullLine = 'M';
        break;
      case TUueKind::ukXX:
        Alpha.Build(UueXXAlphabet);
        Alpha.FullLine = 'h';
        break;
      default: RaiseError(FirstVolume, errBadMethod);
    }
  }

  Entry.FileName = Name;
  const int ArcAge = FileAge(FirstVolume);
  Entry.Date = DosDateToDateTime(ArcAge > 0 ? ArcAge : 0);
  if (!SetEntryFileName(Name)) RaiseError(Name, errOpenFile);

  bool Exists = false, Extract = false;
  if (!BeginEntry(Entry.Date, Exists, Extract) || !Extract) return;

  TUntypedFile Out;
  if (OutputMode == omFile) {
    if (!CreateOutputFile(Out, OutFileName)) RaiseError(OutFileName, errOpenFile);
  }

  std::vector<uint8_t> OutBuf(kBlock + 3);
  size_t OutLen = 0;
  auto Flush = [&] {
    if (OutLen == 0) return;
    if (!WriteBlockDecryptProc || WriteBlockDecryptProc(&Out, nullptr, 1, OutLen, 32, false, OutBuf.data()) != OutLen)
      RaiseWriteError();
    OutLen = 0;
  };
  // True at the "end" line; False when the volume ends before it.
  auto DecodeSection = [&]() -> bool {
    while (!Cancel) {
      if (!Reader.ReadLine(Line, kBodyKeep) || Line.empty()) break;
      if (Alpha.IsEnd(Line)) {
        Flush();
        return true;
      }
      const int Count = Alpha.At(Line, 0);
      for (int Done = 0; Done < Count; Done += 3) {
        const size_t P = 1 + size_t(Done / 3) * 4;
        const int A = Alpha.At(Line, P), B = Alpha.At(Line, P + 1), C = Alpha.At(Line, P + 2),
                  D = Alpha.At(Line, P + 3);
        const uint8_t Bytes[3] = {uint8_t(A << 2 | B >> 4), uint8_t(B << 4 | C >> 2), uint8_t(C << 6 | D)};
        const int Take = std::min(3, Count - Done);
        std::memcpy(OutBuf.data() + OutLen, Bytes, size_t(Take));
        OutLen += size_t(Take);
        if (OutLen >= kBlock) Flush();
      }
    }
    Flush();
    return false;
  };
  // Past the text a continuation volume may carry before its data.
  auto FindContinuation = [&] {
    if (!Reader.ReadLine(Line, kHeaderKeep)) return;
    if ((!Line.empty() && Line[0] == Alpha.FullLine) || Alpha.IsDataLine(Line) || Alpha.IsEnd(Line)) {
      Reader.Unread(Line);
      return;
    }
    for (;;) {
      if (StartsWith(Line, "begin")) return;
      std::string Next;
      if (!Reader.ReadLine(Next, kHeaderKeep)) return;
      if (!Next.empty() && Next[0] == Alpha.FullLine) {
        ReportError(ArchiveFile(), "line starting with " + IntToStr(uint8_t(Next[0])) + " found before \"begin\"",
                    errLineBeforeBegin, Entry.VolumeName);
        Reader.Unread(Next);
        return;
      }
      Line.swap(Next);
    }
  };

  bool Ended = false;
  try {
    int Volume = VolumeStartNum();
    while (!Cancel) {
      if (DecodeSection()) {
        Ended = true;
        break;
      }
      if (Cancel) break;
      ++Volume;
      const std::string Current = ArcFile.FileName();
      std::string Next = UUVolumeName(FirstVolume, Volume);
      NextVolumeNumber = Volume;
      if (!RequestNextVolume(nullptr, Next, IntToStr(Volume))) break;
      if (!CloseFileVar(ArcFile)) RaiseError(Current, errCloseFile, Next);
      const int64_t Size = OpenFileRead(ArcFile, Next) ? ArcFile.Size() : -1;
      if (Size < 0) {
        if (ArcFile.IsOpen()) CloseFileVar(ArcFile);
        OpenFileRead(ArcFile, FirstVolume);
        RaiseError(Next, errOpenFile);
      }
      ArchiveSize = Size;
      Reader.Restart(Size);
      FindContinuation();
    }
  } catch (...) {
    CloseOutputFile(Out, faArchive, ArcAge > 0 ? ArcAge : 0);
    throw;
  }
  // A file cut short is kept for what it holds, but does not pass.
  if (!Ended) ReportError(ReportName(), "", errEolNotFound);
  if (!CloseOutputFile(Out, faArchive, ArcAge > 0 ? ArcAge : 0)) RaiseError(OutFileName, errCloseFile);
  EndEntry(Ended, false);
}
