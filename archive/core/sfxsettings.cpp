#include "archive/core/sfxsettings.h"

#include <algorithm>

#include "archive/core/bytes.h"

namespace {

// A counted text at Pos of Block, moving Pos; false when it runs past End.
bool CountedText(const uint8_t* Block, size_t End, size_t& Pos, std::string& Text) {
  if (Pos >= End) return false;
  size_t Len = Block[Pos++];
  if (Len > End - Pos) return false;
  Text.assign(reinterpret_cast<const char*>(Block + Pos), Len);
  Pos += Len;
  return true;
}

}  // namespace

std::vector<uint8_t> TSfxSettings::Build() const {
  std::vector<uint8_t> B = {uint8_t(Magic.at(0)), uint8_t(Magic.at(1)), uint8_t(Magic.at(2)), Flags, 0, 1, 0, 0};
  for (const std::string* T : {&Caption, &DefaultDir, &CommandLine, &Message}) {
    size_t Len = std::min(T->size(), MaxText);
    B.push_back(uint8_t(Len));
    B.insert(B.end(), T->begin(), T->begin() + ptrdiff_t(Len));
  }
  B.resize((B.size() + 3) & ~size_t(3), 0);
  PutLE16(B.data() + 6, uint16_t(B.size()));
  return B;
}

bool TSfxSettings::Parse(const uint8_t* P, size_t Avail) {
  if (Avail < 8) return false;
  const std::string Sig(reinterpret_cast<const char*>(P), 3);
  TSfxSettings S;
  if (Sig == "MPV" || Sig == "KRX") {
    S.Magic = Sig;
    size_t Len = GetLE16(P + 6);
    if (Len != Avail || Len < 12) return false;
    size_t Pos = 8;
    S.Flags = P[3];
    if (!CountedText(P, Len, Pos, S.Caption) || !CountedText(P, Len, Pos, S.DefaultDir) ||
        !CountedText(P, Len, Pos, S.CommandLine) || !CountedText(P, Len, Pos, S.Message) || Len - Pos >= 4)
      return false;
  } else if (Sig == "MPU") {
    size_t Lens[3] = {P[4], P[5], P[6]};
    size_t Used = 7 + Lens[0] + Lens[1] + Lens[2];
    if (Used > Avail || Avail - Used >= 4) return false;
    const char* T = reinterpret_cast<const char*>(P + 7);
    S.Flags = P[3] & 0x7F;
    S.Caption.assign(T, Lens[0]);
    S.DefaultDir.assign(T + Lens[0], Lens[1]);
    S.CommandLine.assign(T + Lens[0] + Lens[1], Lens[2]);
    S.HasMessage = false;
  } else {
    return false;
  }
  *this = S;
  return true;
}

size_t TSfxSettings::FindBefore(const uint8_t* Tail, size_t Count) {
  size_t Span = std::min(Count, MaxBlock);
  const uint8_t* Start = Tail + (Count - Span);
  for (size_t i = Span >= 8 ? Span - 8 + 1 : 0; i-- > 0;)
    if (Parse(Start + i, Span - i)) return Span - i;
  return 0;
}

size_t TSfxSettings::FindInFront(const uint8_t* Front, size_t Count) {
  const size_t End = PeImageEnd(Front, Count);
  if (End > 0 && End < Count && Count - End <= MaxBlock && Parse(Front + End, Count - End)) return Count - End;
  return FindBefore(Front, Count);
}

size_t PeImageEnd(const uint8_t* Image, size_t Size) {
  if (Size < 0x40 || Image[0] != 'M' || Image[1] != 'Z') return 0;
  const size_t Pe = GetLE32(Image + 0x3C);
  if (Pe > Size || Size - Pe < 24 || GetLE32(Image + Pe) != 0x00004550) return 0;
  const size_t Sections = GetLE16(Image + Pe + 6), OptionalSize = GetLE16(Image + Pe + 20);
  const size_t Table = Pe + 24 + OptionalSize;
  if (Table > Size || (Size - Table) / 40 < Sections) return 0;
  size_t End = 0;
  for (size_t i = 0; i < Sections; i++) {
    const uint8_t* S = Image + Table + i * 40;
    const uint64_t RawEnd = uint64_t(GetLE32(S + 20)) + GetLE32(S + 16);
    if (GetLE32(S + 16) != 0 && RawEnd > End) End = size_t(std::min<uint64_t>(RawEnd, Size + uint64_t(1)));
  }
  return End <= Size ? End : 0;
}
