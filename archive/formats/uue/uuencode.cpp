#include "archive/formats/uue/uuencode.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "archive/core/arcutil.h"
#include "archive/formats/uue/uue_format.h"

namespace {

constexpr size_t kBlock = 32768;
constexpr size_t kLineBytes = 45;
constexpr int kHeaderLines = 3;  // what a volume's header counts for
const char kVersion[] = "2.5213";
const char kLibrary[] = "Morv archive library, https://morv.invalid/";

std::string DataLine(const char* Alpha, const uint8_t* P, size_t N) {
  std::string S(1, Alpha[N]);
  for (size_t i = 0; i < N; i += 3) {
    const unsigned B0 = P[i], B1 = i + 1 < N ? P[i + 1] : 0, B2 = i + 2 < N ? P[i + 2] : 0;
    S += Alpha[B0 >> 2];
    S += Alpha[((B0 << 4) | (B1 >> 4)) & 63];
    S += Alpha[((B1 << 2) | (B2 >> 6)) & 63];
    S += Alpha[B2 & 63];
  }
  return S;
}

}  // namespace

TUUEncode::TUUEncode(TComponent* AOwner) : TCompBase(AOwner) {
  SetWriterDefaultExt(".UUE");
  SetWriterArcType(atUue);
  SetCompressMethod(TCompressMethod::cmUUEncode);
  FArcType = atUue;
}

void TUUEncode::Loaded() {
  TCompBase::Loaded();
  SetCompressMethod(TCompressMethod::cmUUEncode);
}

void TUUEncode::SetArcType(TArcType) { FArcType = atUue; }

void TUUEncode::SetOutFilename(const std::string& Value) {
  if (Value == ".") {
    FOutFilename.clear();
    return;
  }
  FOutFilename = Value;
  if (!Value.empty() && ExtractFileExt(Value).empty()) FOutFilename += DefaultExt();
}

void TUUEncode::CompressArchive() {
  if (FOutFilename.empty()) RaiseError(ArchiveFile(), errBadFileName, "OutFile");
  if (FileExists(FOutFilename)) {
    if (OnFileExists) {
      Timer().Pause();
      OnFileExists(this, FOutFilename, FileDateToDateTimeDef(FileAge(FOutFilename)), OverwriteMode);
      Timer().Resume();
    }
    if (OverwriteMode == TOverwriteMode::omSkip) return;
    const int Attr = FileGetAttr(FOutFilename);
    if (Attr != -1 && (Attr & faReadOnly)) {
      bool WriteToFile = false;
      if (OnNonWriteableArchive) {
        Timer().Pause();
        OnNonWriteableArchive(this, FOutFilename, WriteToFile);
        Timer().Resume();
      }
      if (!WriteToFile) return;
      OutFileName = FOutFilename;
      if (FileSetAttr(FOutFilename, Attr & ~faReadOnly) != 0) RaiseWriteError();
    }
  }
  if (OnActivate) OnActivate(this);
  if (OnElapsedTime) Timer().Start();
  try {
    Encode();
  } catch (const EArcCancelled&) {
    if (OnDeactivate) OnDeactivate(this);
    if (OnElapsedTime) OnElapsedTime(this, Timer().Stop());
    return;
  }
  CountFileAdded();
  if (OnEnd) {
    Timer().Pause();
    OnEnd(this, FOutFilename, true);
    Timer().Resume();
  }
  if (OnDeactivate) OnDeactivate(this);
  if (OnElapsedTime) OnElapsedTime(this, Timer().Stop());
}

void TUUEncode::Encode() {
  const bool XX = CompressMethod() == TCompressMethod::cmXXEncode;
  SetWriterDefaultExt(XX ? ".XXE" : ".UUE");
  const char* Alpha = XX ? UueXXAlphabet : UueUUAlphabet;
  const std::string Input = ArchiveFile();
  std::unique_ptr<TStream> In = OpenInputFile(Input);
  if (!In) RaiseError(Input, errOpenFile);
  const int64_t Size = In->Size();
  RunTotal = RunRemaining = Size;
  StartEntry(Size);
  const int InputDate = FileAge(Input);
  const std::string StoredName = ExtractFileName(Input);

  std::unique_ptr<TStream> Out;
  std::string Current;
  std::vector<std::string> Written;
  std::string Buf;
  auto Open = [&](const std::string& Name) {
    try {
      Out = std::make_unique<TFileStream>(Name, fmCreate);
    } catch (const Exception&) {
      RaiseError(Name, errOpenFile);
    }
    Current = OutFileName = Name;
    Written.push_back(Name);
  };
  auto Flush = [&] {
    if (Buf.empty()) return;
    if (WriteBlockEncryptProc(nullptr, Out.get(), 0, Buf.size(), 0, false, reinterpret_cast<uint8_t*>(Buf.data())) !=
        Buf.size())
      RaiseWriteError();
    Buf.clear();
  };
  auto Line = [&](const std::string& S) {
    if (Buf.size() + S.size() + 2 > kBlock) Flush();
    Buf += S;
    Buf += "\r\n";
  };
  auto Close = [&] {
    Flush();
    Out.reset();
    if (DateAttribute == TDateAttribute::daFileDate && InputDate != -1) FileSetDate(Current, InputDate);
  };

  const int VolumeLines = KBytesPerVolume > 0 ? KBytesPerVolume * 16 : 0;
  int Lines = kHeaderLines;
  int Number = 0;
  auto PutData = [&](const uint8_t* P, size_t N) {
    if (VolumeLines && Lines >= VolumeLines) {
      Close();
      ++Number;
      Open(UueVolumeName(FOutFilename, Number, nvChangeExt));
      Line("part " + std::to_string(Number));
      Line("begin 644 " + StoredName);
      Lines = kHeaderLines;
    }
    Line(DataLine(Alpha, P, N));
    ++Lines;
  };

  try {
    Open(FOutFilename);
    Line(std::string(XX ? "XXEncode " : "UUEncode ") + kVersion + " (" + kLibrary + ")");
    Line("");
    if (WriteTableToFile) {
      Line("table");
      Line(std::string(Alpha, 32));
      Line(std::string(Alpha + 32, 32));
    }
    Line("begin 644 " + StoredName);

    std::vector<uint8_t> Data(kBlock + kLineBytes);
    size_t Held = 0;  // bytes of a line not yet written, at the front
    for (;;) {
      if (Cancel) throw EArcCancelled();
      const size_t Got = ReadBlockProc(nullptr, In.get(), kBlock, 0, false, Data.data() + Held);
      Held += Got;
      size_t At = 0;
      for (; Held - At >= kLineBytes; At += kLineBytes) PutData(Data.data() + At, kLineBytes);
      std::copy(Data.begin() + At, Data.begin() + Held, Data.begin());
      Held -= At;
      BytesRead += int64_t(Got);
      RunRemaining -= int64_t(Got);
      DoProgress(BytesRead, Size, RunRemaining, RunTotal);
      if (Got == 0) break;
    }
    if (Held) PutData(Data.data(), Held);

    Line(std::string(1, Alpha[0]));
    Line("end");
    Line(std::to_string(BytesRead) + " bytes");
    if (Number) Line("encoded into " + std::to_string(Number) + " file(s)");
    Close();
  } catch (...) {
    // Volumes of a file not encoded to its end are worth nothing.
    Out.reset();
    for (const std::string& Name : Written) DeleteFile(Name);
    throw;
  }
}
