#include "archive/core/untypedfile.h"

#include <algorithm>



TUntypedFile::~TUntypedFile() { Close(); }

bool TUntypedFile::OpenRead(const std::string& FileName) {
  Close();
  FFileName = FileName;
  try {
    FStream = std::make_unique<TFileStream>(FileName, fmOpenRead | fmShareDenyNone);
    return true;
  } catch (const Exception&) {
    FError = 2;
    return false;
  }
}

bool TUntypedFile::Create(const std::string& FileName) {
  Close();
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
  try {
    if (FStream->Seek(Pos, soFromBeginning) == Pos) return true;
  } catch (const Exception&) {
  }
  FError = 25;
  return false;
}

int64_t TUntypedFile::Position() { return FStream ? FStream->Position() : 0; }

int64_t TUntypedFile::Size() { return FStream ? FStream->Size() : 0; }

int TUntypedFile::IOResult() {
  int e = FError;
  FError = 0;
  return e;
}
