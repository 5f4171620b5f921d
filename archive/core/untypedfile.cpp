#include "archive/core/untypedfile.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr size_t kReadAhead = 65536;
}

TUntypedFile::~TUntypedFile() { Close(); }

bool TUntypedFile::OpenRead(const std::string& FileName) {
  Close();
  FError = 0;  // a failure to open an earlier file is not this one's
  FFileName = FileName;
  try {
    FStream = std::make_unique<TFileStream>(FileName, fmOpenRead | fmShareDenyNone);
    FReadAhead = true;
    FAheadLen = 0;
    FAheadStart = FPos = 0;
    return true;
  } catch (const Exception&) {
    FError = 2;
    return false;
  }
}

bool TUntypedFile::Create(const std::string& FileName) {
  Close();
  FError = 0;
  FFileName = FileName;
  try {
    FStream = std::make_unique<TFileStream>(FileName, fmCreate);
    return true;
  } catch (const Exception&) {
    FError = 5;
    return false;
  }
}

bool TUntypedFile::Close() {
  if (!FStream) return false;
  FReadAhead = false;
  FStream.reset();
  bool ok = FError == 0;
  FError = 0;
  return ok;
}

size_t TUntypedFile::Read(void* Buffer, size_t Count) {
  if (!FStream) {
    FError = 103;
    return 0;
  }
  uint8_t* p = static_cast<uint8_t*>(Buffer);
  size_t got = 0;
  if (FReadAhead) {
    try {
      while (got < Count) {
        if (FPos >= FAheadStart && FPos < FAheadStart + int64_t(FAheadLen)) {
          const size_t at = size_t(FPos - FAheadStart);
          const size_t n = std::min(Count - got, FAheadLen - at);
          std::memcpy(p + got, FAhead.data() + at, n);
          got += n;
          FPos += int64_t(n);
          continue;
        }
        if (FStream->Seek(FPos, soFromBeginning) != FPos) break;
        // A large read goes straight to the caller's buffer.
        if (Count - got >= kReadAhead) {
          const int32_t n = FStream->Read(p + got, int32_t(std::min<size_t>(Count - got, 0x40000000)));
          if (n <= 0) break;
          got += size_t(n);
          FPos += n;
          continue;
        }
        if (FAhead.empty()) FAhead.resize(kReadAhead);
        FAheadLen = 0;
        const int32_t n = FStream->Read(FAhead.data(), int32_t(kReadAhead));
        FAheadLen = n > 0 ? size_t(n) : 0;
        FAheadStart = FPos;
        if (n <= 0) break;
      }
    } catch (const Exception&) {
      FAheadLen = 0;
      FError = 100;
    }
    return got;
  }
  try {
    while (got < Count) {
      int32_t want = int32_t(std::min<size_t>(Count - got, 0x40000000));
      int32_t n = FStream->Read(p + got, want);
      if (n <= 0) break;
      got += size_t(n);
    }
  } catch (const Exception&) {
    FError = 100;
  }
  return got;
}

size_t TUntypedFile::Write(const void* Buffer, size_t Count) {
  if (!FStream) {
    FError = 103;
    return 0;
  }
  StopReadAhead();
  const uint8_t* p = static_cast<const uint8_t*>(Buffer);
  size_t put = 0;
  try {
    while (put < Count) {
      int32_t want = int32_t(std::min<size_t>(Count - put, 0x40000000));
      int32_t n = FStream->Write(p + put, want);
      if (n <= 0) break;
      put += size_t(n);
    }
  } catch (const Exception&) {
  }
  if (put < Count) FError = 101;
  return put;
}

bool TUntypedFile::Seek(int64_t Pos) {
  if (!FStream || Pos < 0) {
    FError = 103;
    return false;
  }
  if (FReadAhead) {
    FPos = Pos;
    return true;
  }
  try {
    if (FStream->Seek(Pos, soFromBeginning) == Pos) return true;
  } catch (const Exception&) {
  }
  FError = 25;
  return false;
}

int64_t TUntypedFile::Position() {
  if (FReadAhead) return FPos;
  return FStream ? FStream->Position() : 0;
}

TFileStream* TUntypedFile::Stream() {
  StopReadAhead();
  return FStream.get();
}

void TUntypedFile::StopReadAhead() {
  if (!FReadAhead) return;
  FReadAhead = false;
  FAhead = {};
  FAheadLen = 0;
  try {
    FStream->Seek(FPos, soFromBeginning);
  } catch (const Exception&) {
    FError = 25;
  }
}

int64_t TUntypedFile::Size() { return FStream ? FStream->Size() : 0; }

int TUntypedFile::IOResult() {
  int e = FError;
  FError = 0;
  return e;
}
