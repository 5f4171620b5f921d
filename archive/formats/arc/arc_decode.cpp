#include "archive/formats/arc/arc_decode.h"

#include <cstring>

#include "archive/codecs/codec_error.h"
#include "archive/codecs/lzw.h"

namespace {

constexpr size_t kBufSize = 32768;
constexpr uint8_t kRunMark = 0x90;

// Packed bytes of one entry, never past its packed size; -1 at the end.
class TArcInput {
 public:
  void Begin(TCodecIO& Io, uint64_t Left) {
    FIo = &Io;
    FLeft = Left;
    FPos = FLen = 0;
  }
  int Get() {
    if (FPos == FLen) {
      FLen = ReadPackedPiece(*FIo, FLeft, FBuf, kBufSize);
      FPos = 0;
      if (FLen == 0) return -1;
    }
    return FBuf[FPos++];
  }

 private:
  TCodecIO* FIo = nullptr;
  uint64_t FLeft = 0;
  uint8_t FBuf[kBufSize];
  size_t FPos = 0, FLen = 0;
};

class TArcOutput {
 public:
  void Begin(TCodecIO& Io) {
    FIo = &Io;
    FLen = 0;
  }
  void Put(uint8_t C) {
    FBuf[FLen++] = C;
    if (FLen == kBufSize) Flush();
  }
  void Flush() {
    if (FLen) FIo->WriteUnpacked(FBuf, FLen);
    FLen = 0;
  }

 private:
  TCodecIO* FIo = nullptr;
  uint8_t FBuf[kBufSize];
  size_t FLen = 0;
};

// Run-length expansion: 0x90 n repeats the byte before it n - 1 more times;
// 0x90 0 is one 0x90 byte.
class TRunExpander {
 public:
  explicit TRunExpander(TArcOutput& Out) : FOut(Out) {}
  void Begin() {
    FRepeat = false;
    FLast = 0;
  }
  void Put(uint8_t C) {
    if (!FRepeat) {
      if (C == kRunMark) {
        FRepeat = true;
      } else {
        FOut.Put(C);
        FLast = C;
      }
      return;
    }
    FRepeat = false;
    if (C == 0) {
      FOut.Put(kRunMark);
      return;
    }
    while (--C) FOut.Put(FLast);
  }

 private:
  TArcOutput& FOut;
  bool FRepeat = false;
  uint8_t FLast = 0;
};

class TDirect {
 public:
  explicit TDirect(TArcOutput& Out) : FOut(Out) {}
  void Put(uint8_t C) { FOut.Put(C); }

 private:
  TArcOutput& FOut;
};

template <class Sink>
void Copy(TArcInput& In, Sink& Out) {
  for (int C; (C = In.Get()) >= 0;) Out.Put(uint8_t(C));
}

constexpr int kSqueezeEnd = 256;
constexpr int kMaxNodes = 256;

template <class Sink>
void Unsqueeze(TArcInput& In, Sink& Out) {
  auto Get16 = [&In]() -> int {
    const int Lo = In.Get(), Hi = In.Get();
    if (Lo < 0 || Hi < 0) throw ECodecError(kErrArcBadTree);
    return int16_t(uint16_t(Lo | Hi << 8));
  };
  const int Count = Get16();
  if (Count < 0 || Count > kMaxNodes) throw ECodecError(kErrArcBadTree);
  int16_t Child[kMaxNodes][2];
  Child[0][0] = Child[0][1] = -(kSqueezeEnd + 1);
  for (int i = 0; i < Count; ++i)
    for (int Side = 0; Side < 2; ++Side) Child[i][Side] = int16_t(Get16());
  // Every child must name a node of the tree or a value up to the end mark,
  // so that a walk never leaves the table.
  const int Nodes = Count > 0 ? Count : 1;
  for (int i = 0; i < Nodes; ++i)
    for (int Side = 0; Side < 2; ++Side)
      if (Child[i][Side] >= Nodes || Child[i][Side] < -(kSqueezeEnd + 1)) throw ECodecError(kErrArcBadTree);

  int Cur = 0, Bits = 0;
  for (;;) {
    int Node = 0;
    while (Node >= 0) {
      if (Bits == 0) {
        Cur = In.Get();
        if (Cur < 0) return;
        Bits = 8;
      }
      Node = Child[Node][Cur & 1];
      Cur >>= 1;
      --Bits;
    }
    const int Value = -(Node + 1);
    if (Value == kSqueezeEnd) return;
    Out.Put(uint8_t(Value));
  }
}

// The fixed 12-bit crunch: a 4096-entry string table found by hashing, with
// every new string placed where the encoder placed it.
class TFixedLzw {
 public:
  explicit TFixedLzw(TArcInput& In) : FIn(In) {}

  template <class Sink>
  void Run(Sink& Out, bool NewHash) {
    FNewHash = NewHash;
    Reset();
    const int FirstCode = Code();
    if (FirstCode < 0) return;
    int Prev = FirstCode;
    uint8_t First = FTab[FirstCode].Follower;
    Out.Put(First);
    for (;;) {
      const int Read = Code();
      if (Read < 0) return;
      size_t Sp = 0;
      auto Push = [&](uint8_t C) {
        if (Sp == kStack) throw ECodecError(kErrStackOverflow);
        FStack[Sp++] = C;
      };
      int C = Read;
      if (!FTab[C].Used) {
        // The string being defined now: the previous one and its first byte.
        Push(First);
        C = Prev;
      }
      while (FTab[C].Predecessor != kNoPred) {
        Push(FTab[C].Follower);
        C = FTab[C].Predecessor;
      }
      First = FTab[C].Follower;
      Push(First);
      if (FFree) {
        Place(uint16_t(Prev), First);
        --FFree;
      }
      Prev = Read;
      while (Sp) Out.Put(FStack[--Sp]);
    }
  }

 private:
  static constexpr unsigned kTable = 4096;
  static constexpr size_t kStack = 4096;
  static constexpr uint16_t kNoPred = 0xFFFF;

  struct TEntry {
    bool Used;
    uint16_t Next;  // 0: last of its hash chain
    uint16_t Predecessor;
    uint8_t Follower;
  };

  unsigned Hash(uint16_t Pred, uint8_t Foll) const {
    if (FNewHash) return (uint32_t(Pred + Foll) * 15073u) & 0xFFF;
    const uint32_t Key = (uint32_t(Pred + Foll) | 0x800) & 0xFFFF;
    return (Key * Key >> 6) & 0xFFF;
  }

  void Place(uint16_t Pred, uint8_t Foll) {
    unsigned At = Hash(Pred, Foll);
    if (FTab[At].Used) {
      unsigned Last = At;
      for (unsigned Steps = 0; FTab[Last].Next && Steps < kTable; ++Steps) Last = FTab[Last].Next;
      unsigned Probe = (Last + 101) & 0xFFF;
      unsigned Steps = 0;
      while (FTab[Probe].Used) {
        Probe = (Probe + 1) & 0xFFF;
        // Never more strings than slots are placed, so a free one exists.
        if (++Steps == kTable) throw ECodecError(kErrCorruptInput);
      }
      FTab[Last].Next = uint16_t(Probe);
      At = Probe;
    }
    FTab[At] = TEntry{true, 0, Pred, Foll};
  }

  void Reset() {
    std::memset(FTab, 0, sizeof FTab);
    for (unsigned C = 0; C < 256; ++C) Place(kNoPred, uint8_t(C));
    FFree = kTable - 256;
    FHolding = false;
  }

  // Two 12-bit codes from three bytes.
  int Code() {
    const int A = FIn.Get();
    if (A < 0) return -1;
    if (FHolding) {
      FHolding = false;
      return FHeld << 8 | A;
    }
    const int B = FIn.Get();
    if (B < 0) return -1;
    FHeld = B & 0x0F;
    FHolding = true;
    return A << 4 | B >> 4;
  }

  TArcInput& FIn;
  bool FNewHash = false;
  TEntry FTab[kTable];
  uint8_t FStack[kStack];
  unsigned FFree = 0;
  bool FHolding = false;
  int FHeld = 0;
};

// Feeds the crunched codes' output, which LzwDecode delivers in pieces,
// through the run-length expansion.
class TRunIO : public TCodecIO {
 public:
  TRunIO(TCodecIO& Inner, TRunExpander& Runs) : FInner(Inner), FRuns(Runs) {}
  size_t ReadPacked(uint8_t* Buf, size_t Count) override { return FInner.ReadPacked(Buf, Count); }
  void WriteUnpacked(const uint8_t* Buf, size_t Count) override {
    for (size_t i = 0; i < Count; ++i) FRuns.Put(Buf[i]);
  }

 private:
  TCodecIO& FInner;
  TRunExpander& FRuns;
};

}  // namespace

struct TArcState {
  TArcInput In;
  TArcOutput Out;
  TRunExpander Runs{Out};
  TDirect Plain{Out};
  TFixedLzw Fixed{In};
  TLzwDecoder Lzw;
};

bool ArcMethodSupported(uint8_t Method) { return Method >= 1 && Method <= 9; }

TArcDecoder::TArcDecoder() = default;
TArcDecoder::~TArcDecoder() = default;

void TArcDecoder::Decode(TCodecIO& io, uint8_t Method, uint64_t packedSize) {
  if (!ArcMethodSupported(Method)) throw ECodecError(kErrUnsupportedMethod);
  TArcState* S = &FState.Get();
  S->In.Begin(io, packedSize);
  S->Out.Begin(io);
  S->Runs.Begin();
  switch (Method) {
    case 1:
    case 2: Copy(S->In, S->Plain); break;
    case 3: Copy(S->In, S->Runs); break;
    case 4: Unsqueeze(S->In, S->Runs); break;
    case 5: S->Fixed.Run(S->Plain, false); break;
    case 6:
    case 7: S->Fixed.Run(S->Runs, Method == 7); break;
    case 8: {
      // The bits byte comes straight from io: S->In has read nothing yet.
      uint64_t Left = packedSize;
      uint8_t Bits = 0;
      if (ReadPackedPiece(io, Left, &Bits, 1) != 1 || Bits != 12) throw ECodecError(kErrArcBits);
      TRunIO Runs(io, S->Runs);
      S->Lzw.Decode(Runs, Left, 12);
      break;
    }
    case 9: S->Lzw.Decode(io, packedSize, 13); return;
  }
  S->Out.Flush();
}

void ArcDecode(TCodecIO& io, uint8_t Method, uint64_t packedSize) { TArcDecoder().Decode(io, Method, packedSize); }
