#include "archive/core/readwrite.h"

#include <algorithm>
#include <cstring>

#include "archive/core/arcutil.h"
#include "archive/core/crc.h"
#include "archive/core/zipcrypt.h"
#include "framework/core/prompts.h"

namespace {

TReadWriteObj* GCurrent = nullptr;

bool IsZipCipherType(TArcType T) {
  switch (T) {
    case atBh:
    case atBhExe:
    case atJar:
    case atZip:
    case atZipExe:
    case atZipMV:
      return true;
    default:
      return false;
  }
}

size_t ReadStream(TStream* S, uint8_t* Buf, size_t Count) {
  if (!S) return 0;
  size_t got = 0;
  while (got < Count) {
    int32_t n = S->Read(Buf + got, int32_t(std::min<size_t>(Count - got, 0x40000000)));
    if (n <= 0) break;
    got += size_t(n);
  }
  return got;
}

size_t WriteStream(TStream* S, const uint8_t* Buf, size_t Count) {
  if (!S) return 0;
  size_t put = 0;
  try {
    while (put < Count) {
      int32_t n = S->Write(Buf + put, int32_t(std::min<size_t>(Count - put, 0x40000000)));
      if (n <= 0) break;
      put += size_t(n);
    }
  } catch (const Exception&) {
  }
  return put;
}

}  // namespace

TReadWriteObj* CurrentArcComponent() { return GCurrent; }

void SetCurrentArcComponent(TReadWriteObj* Component) { GCurrent = Component; }

void SetComponentCancel(TReadWriteObj* Component, bool Value) {
  if (Component) Component->Cancel = Value;
  ProcessMessages();
}

TReadWriteObj::TReadWriteObj(TComponent* AOwner) : TArcMain(AOwner) {
  ReadBlockProc = [this](TUntypedFile* F, TStream* S, size_t Count, uint8_t CrcWidth, bool Decrypt, uint8_t* Buf) {
    return ReadBlock(F, S, Count, CrcWidth, Decrypt, Buf);
  };
  WriteBlockDecryptProc = [this](TUntypedFile* F, TStream* S, uint8_t DataFlag, size_t Count, uint8_t CrcWidth,
                                 bool Cipher, uint8_t* Buf) {
    return WriteBlockDecrypt(F, S, DataFlag, Count, CrcWidth, Cipher, Buf);
  };
  WriteBlockEncryptProc = [this](TUntypedFile* F, TStream* S, uint8_t DataFlag, size_t Count, uint8_t CrcWidth,
                                 bool Cipher, uint8_t* Buf) {
    return WriteBlockEncrypt(F, S, DataFlag, Count, CrcWidth, Cipher, Buf);
  };
}

TReadWriteObj::~TReadWriteObj() {
  if (GCurrent == this) GCurrent = nullptr;
}

size_t TReadWriteObj::ReadBlock(TUntypedFile* F, TStream* S, size_t Count, uint8_t CrcWidth, bool Decrypt,
                                uint8_t* Buf) {
  if (Count == 0 || !Buf) return 0;
  size_t n = 0;
  switch (InputMode) {
    case imFile:
      if (F) {
        n = F->Read(Buf, Count);
        F->IOResult();
      }
      break;
    case imHeldStream: n = ReadStream(HeldStream, Buf, Count); break;
    case imPassedStream: n = ReadStream(S, Buf, Count); break;
    case imStream2: n = ReadStream(Stream2, Buf, Count); break;
    case imMemory:
      n = std::min(Count, FMemLeft);
      if (n) {
        std::memcpy(Buf, FMemPtr, n);
        FMemPtr += n;
        FMemLeft -= n;
      }
      break;
    default: break;
  }
  if (n == 0) return 0;
  if (Decrypt) DecryptBuffer(Buf, n);
  UpdateCrc(CrcWidth, Buf, n);
  return n;
}

size_t TReadWriteObj::WriteBlockEncrypt(TUntypedFile* F, TStream* S, uint8_t DataFlag, size_t Count,
                                        uint8_t CrcWidth, bool Cipher, uint8_t* Buf) {
  if (Cipher && DataFlag == 1 && IsZipCipherType(ArcType()) && Count) {
    // The entry's CRC is the plain data's.
    UpdateCrc(CrcWidth, Buf, Count);
    ZipEncryptBuffer(Buf, Count);
    return WriteBlock(F, S, DataFlag, Count, 0, Buf);
  }
  return WriteBlock(F, S, DataFlag, Count, CrcWidth, Buf);
}

size_t TReadWriteObj::WriteBlockDecrypt(TUntypedFile* F, TStream* S, uint8_t DataFlag, size_t Count,
                                        uint8_t CrcWidth, bool Cipher, uint8_t* Buf) {
  if (Cipher && DataFlag == 1 && IsZipCipherType(ArcType())) ZipDecryptBuffer(Buf, Count);
  return WriteBlock(F, S, DataFlag, Count, CrcWidth, Buf);
}

size_t TReadWriteObj::PutBytes(TUntypedFile* F, TStream* S, const uint8_t* Buf, size_t Count) {
  if (Count == 0) return 0;
  switch (OutputMode) {
    case omFile: {
      if (!F) return 0;
      size_t n = F->Write(Buf, Count);
      F->IOResult();
      return n;
    }
    case omHeldStream: return WriteStream(HeldStream, Buf, Count);
    case omPassedStream: return WriteStream(S, Buf, Count);
    case omStream2: return WriteStream(Stream2, Buf, Count);
    case omTest: TestBytes += int64_t(Count); return Count;
    default: return 0;
  }
}

size_t TReadWriteObj::WriteBlock(TUntypedFile* F, TStream* S, uint8_t DataFlag, size_t Count, uint8_t CrcWidth,
                                 uint8_t* Buf) {
  if (Count == 0) return 0;
  size_t want = 0, put = 0;
  if (AsciiTranslation) {
    static const uint8_t kCrLf[2] = {'\r', '\n'};
    size_t run = 0;
    for (size_t i = 0; i < Count; i++) {
      if (Buf[i] != '\n') continue;
      // The carriage return may have ended the previous block.
      bool afterCr = i > 0 ? Buf[i - 1] == '\r' : FLastWasCr;
      if (afterCr) continue;
      want += i - run + 2;
      put += PutBytes(F, S, Buf + run, i - run);
      put += PutBytes(F, S, kCrLf, 2);
      run = i + 1;
    }
    want += Count - run;
    put += PutBytes(F, S, Buf + run, Count - run);
    FLastWasCr = Buf[Count - 1] == '\r';
  } else {
    want = Count;
    put = PutBytes(F, S, Buf, Count);
  }
  if (put != want) RaiseWriteError();
  if (DataFlag == 1) UpdateCrc(CrcWidth, Buf, Count);
  return Count;
}

void TReadWriteObj::DecryptBuffer(uint8_t* Buf, size_t Count) {
  switch (ArcType()) {
    case atArj:
    case atArjExe: {
      if (Password.empty()) return;
      size_t pos = ArjKeyPos % Password.size();
      for (size_t i = 0; i < Count; i++) {
        Buf[i] ^= uint8_t(uint8_t(Password[pos]) + ArjKeyModifier);
        if (++pos == Password.size()) pos = 0;
      }
      ArjKeyPos = pos;
      break;
    }
    default:
      if (IsZipCipherType(ArcType())) ZipDecryptBuffer(Buf, Count);
      break;
  }
}

void TReadWriteObj::UpdateCrc(uint8_t CrcWidth, const uint8_t* Buf, size_t Count) {
  if (CrcWidth == 32)
    Crc32Block(Buf, Count, Crc32);
  else if (CrcWidth == 16)
    Crc16Block(Buf, Count, Crc16);
}

void TReadWriteObj::DoProgress(int64_t FileDone, int64_t FileSize, int64_t ArchiveRemaining, int64_t ArchiveTotal) {
  ProgressByFile = uint8_t(CalcPercent(FileDone, FileSize));
  ProgressByArchive = uint8_t(CalcPercent(ArchiveTotal - ArchiveRemaining, ArchiveTotal));
  if (ProgressCallback) ProgressCallback();
}

bool TReadWriteObj::FireOnError(const std::string& FN, const std::string& MsgEx, int Code,
                                const std::string& VolumeName) {
  TReadWriteObj* running = CurrentArcComponent();
  if (!OnError || (running && running->Cancel)) return false;
  OnError(this, FN, MsgEx, VolumeName, Code);
  return true;
}

void TReadWriteObj::RaiseError(const std::string& FN, int Code, const std::string& MsgEx,
                               const std::string& VolumeName) {
  Timer().Pause();
  FireOnError(FN, MsgEx, Code, VolumeName);
  throw E_RAISE(Code);
}

void TReadWriteObj::ReportError(const std::string& FN, const std::string& MsgEx, int Code,
                                const std::string& VolumeName) {
  Timer().Pause();
  FireOnError(FN, MsgEx, Code, VolumeName);
  Timer().Resume();
}

void TReadWriteObj::RaiseWriteError() {
  RaiseError(OutFileName, errWriteFile);
  // An override of RaiseError that returns must not let the write go on.
  throw E_RAISE(errWriteFile);
}

size_t TArcCodecIO::ReadPacked(uint8_t* Buf, size_t Count) {
  if (FOwner.Cancel) throw EArcCancelled();
  if (Count == 0 || PackedLeft <= 0 || !FOwner.ReadBlockProc) return 0;
  size_t want = uint64_t(Count) > uint64_t(PackedLeft) ? size_t(PackedLeft) : Count;
  size_t n = FOwner.ReadBlockProc(FInFile, FInStream, want, ReadCrcWidth, Decrypt, Buf);
  PackedLeft -= int64_t(n);
  return n;
}

void TArcCodecIO::WriteUnpacked(const uint8_t* Buf, size_t Count) {
  constexpr size_t kChunk = 32768;
  while (Count) {
    if (FOwner.Cancel) throw EArcCancelled();
    size_t chunk = std::min(Count, kChunk);
    // The codec's buffer is its window: the cipher and the line-end
    // conversion work on a copy.
    FBuf.assign(Buf, Buf + chunk);
    auto& proc = Encrypting ? FOwner.WriteBlockEncryptProc : FOwner.WriteBlockDecryptProc;
    size_t n = proc ? proc(FOutFile, FOutStream, 1, chunk, WriteCrcWidth, Cipher, FBuf.data()) : 0;
    if (n == 0) FOwner.RaiseWriteError();
    Buf += chunk;
    Count -= chunk;
    FileDone += int64_t(chunk);
    ArchiveRemaining -= int64_t(chunk);
    FOwner.DoProgress(FileDone, FileSize, ArchiveRemaining, ArchiveTotal);
  }
}
