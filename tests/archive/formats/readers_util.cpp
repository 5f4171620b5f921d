#include "tests/archive/formats/readers_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "archive/core/crc.h"
#include "archive/formats/ace/ace_format.h"
#include "archive/formats/arc/arc_format.h"
#include "archive/formats/arj/arj_format.h"
#include "archive/formats/bh/bh_format.h"
#include "archive/formats/cab/cab_format.h"
#include "archive/formats/ha/ha_format.h"
#include "archive/formats/lha/lha_format.h"
#include "archive/formats/msgz/msgz_format.h"
#include "archive/formats/rar/rar_format.h"
#include "archive/formats/tar/tar_format.h"
#include "archive/formats/zoo/zoo_format.h"
#include "tests/support/testsupport.h"

namespace rdtest {

namespace {

constexpr int kMaxSteps = 1 << 20;

// Runs a reader step by step; read(pos, entry, next, err) returns false at
// the end or on an error.
template <typename Step>
WalkResult Loop(uint64_t pos, Step step) {
  WalkResult r;
  for (int i = 0; i < kMaxSteps; i++) {
    WalkEntry e;
    uint64_t next = 0;
    bool report = true;
    if (!step(pos, e, next, report, r.Err)) return r;
    if (report) r.Entries.push_back(e);
    if (next <= pos) {
      r.Stuck = true;
      return r;
    }
    pos = next;
  }
  r.Stuck = true;
  return r;
}

WalkResult WalkRar(TArcSource& src) {
  RarArchive a;
  WalkResult r;
  if (!ReadRarArchiveHeader(src, 0, a, r.Err)) return r;
  if (a.HeadersEncrypted) {
    r.Err = -1;
    return r;
  }
  return Loop(a.FirstBlockPos, [&](uint64_t pos, WalkEntry& e, uint64_t& next, bool& report, int& err) {
    RarBlock b;
    if (!ReadRarBlock(src, pos, b, err)) return false;
    report = b.IsFile();
    e = {b.FileName, b.PackedSize, b.UnpackedSize, b.FileCrc, b.IsDirectory(), b.Encrypted(), b.Flags};
    next = b.NextPos;
    return true;
  });
}

WalkResult WalkAce(TArcSource& src) {
  AceMainHeader m;
  WalkResult r;
  if (!ReadAceMainHeader(src, 0, m, r.Err)) return r;
  return Loop(m.NextPos, [&](uint64_t pos, WalkEntry& e, uint64_t& next, bool&, int& err) {
    AceFileHeader h;
    if (!ReadAceFileHeader(src, pos, h, err)) return false;
    e = {h.FileName, h.PackedSize, h.UnpackedSize, h.Crc, h.IsDirectory(), h.Encrypted(), h.HeadFlags};
    next = h.NextPos;
    return true;
  });
}

WalkResult WalkArj(TArcSource& src) {
  ArjHeader m;
  WalkResult r;
  uint64_t start = 0;
  if (!FindArjMainHeader(src, 0, 25000, start, r.Err) || !ReadArjMainHeader(src, start, m, r.Err)) return r;
  return Loop(m.NextPos, [&](uint64_t pos, WalkEntry& e, uint64_t& next, bool&, int& err) {
    ArjHeader h;
    if (!ReadArjHeader(src, pos, h, err)) return false;
    e = {h.FileName, h.PackedSize, h.UnpackedSize, h.FileCrc, h.IsDirectory(), (h.Flags & 1) != 0, h.Flags};
    next = h.NextPos;
    return true;
  });
}

WalkResult WalkArc(TArcSource& src) {
  std::string folder;
  return Loop(0, [&](uint64_t pos, WalkEntry& e, uint64_t& next, bool& report, int& err) {
    ArcHeader h;
    if (!ReadArcHeader(src, pos, h, err)) return false;
    std::string before = folder;
    ApplyArcFolder(h, folder);
    report = !h.IsFolderEnd();
    e = {before + h.Name, h.PackedSize, h.UnpackedSize, h.Crc, h.IsFolder(), false, h.Method};
    next = h.NextPos;
    return true;
  });
}

WalkResult WalkBh(TArcSource& src) {
  return Loop(0, [&](uint64_t pos, WalkEntry& e, uint64_t& next, bool&, int& err) {
    BhHeader h;
    if (!ReadBhHeader(src, pos, h, err)) return false;
    e = {h.FileName, h.PackedSize, h.UnpackedSize, h.Crc, false, h.Encrypted(), h.Flags};
    next = h.NextPos;
    return true;
  });
}

WalkResult WalkCab(TArcSource& src) {
  CabHeader h;
  WalkResult r;
  if (!ReadCabHeader(src, 0, h, r.Err)) return r;
  unsigned left = h.FileCount;
  return Loop(h.Pos + h.FilesOffset, [&](uint64_t pos, WalkEntry& e, uint64_t& next, bool&, int& err) {
    if (left == 0) return false;
    left--;
    CabFile f;
    if (!ReadCabFile(src, h, pos, f, err)) return false;
    e = {f.FileName, 0, f.UnpackedSize, 0, false, false, f.FolderIndex};
    next = f.NextPos;
    return true;
  });
}

WalkResult WalkHa(TArcSource& src) {
  HaArchiveHeader a;
  WalkResult r;
  if (!ReadHaArchiveHeader(src, a, r.Err)) return r;
  return Loop(a.FirstEntryPos, [&](uint64_t pos, WalkEntry& e, uint64_t& next, bool&, int& err) {
    HaEntry h;
    if (!ReadHaEntry(src, pos, h, err)) return false;
    e = {h.FileName, h.PackedSize, h.UnpackedSize, h.Crc, h.IsDirectory(), false, h.Method};
    next = h.NextPos;
    return true;
  });
}

WalkResult WalkLha(TArcSource& src) {
  return Loop(LhaFirstHeaderPos(src, 0), [&](uint64_t pos, WalkEntry& e, uint64_t& next, bool&, int& err) {
    LhaHeader h;
    if (!ReadLhaHeader(src, pos, h, err)) return false;
    e = {h.FileName, h.DataSize, h.UnpackedSize, h.Crc, h.IsDirectory, false, h.Level, h.HasCrc};
    next = h.NextPos;
    return true;
  });
}

WalkResult WalkMsgz(TArcSource& src) {
  MsgzArchiveHeader a;
  WalkResult r;
  if (!ReadMsgzArchiveHeader(src, 0, a, r.Err) || !a.HasEntries) return r;
  return Loop(a.FirstEntryPos, [&](uint64_t pos, WalkEntry& e, uint64_t& next, bool&, int& err) {
    MsgzEntry h;
    if (!ReadMsgzEntry(src, pos, h, err)) return false;
    // The packed size does not lie between the headers here.
    e = {h.FileName, 0, h.UnpackedSize, 0, false, false, 0};
    next = h.NextPos;
    return true;
  });
}

WalkResult WalkTar(TArcSource& src) {
  return Loop(0, [&](uint64_t pos, WalkEntry& e, uint64_t& next, bool&, int& err) {
    TarHeader h;
    if (!ReadTarHeader(src, pos, h, err)) return false;
    e = {h.FileName, h.Size, h.Size, h.Checksum, h.IsDirectory, false, uint16_t(uint8_t(h.TypeFlag))};
    next = h.NextPos;
    return true;
  });
}

WalkResult WalkZoo(TArcSource& src) {
  ZooArchiveHeader a;
  WalkResult r;
  if (!ReadZooArchiveHeader(src, a, r.Err)) return r;
  return Loop(a.Start, [&](uint64_t pos, WalkEntry& e, uint64_t& next, bool&, int& err) {
    ZooEntry h;
    if (!ReadZooEntry(src, pos, h, err)) return false;
    e = {h.FileName, h.PackedSize, h.UnpackedSize, h.FileCrc, false, false, h.Method};
    next = h.Next;
    return true;
  });
}

// Python's repr of a str made from bytes (Latin-1), single- or double-quoted.
bool Unrepr(const std::string& s, size_t& at, std::string& out, bool& exact) {
  if (at >= s.size() || (s[at] != '\'' && s[at] != '"')) return false;
  char q = s[at++];
  exact = true;
  while (at < s.size() && s[at] != q) {
    unsigned char c = uint8_t(s[at]);
    if (c == '\\' && at + 1 < s.size()) {
      char k = s[at + 1];
      at += 2;
      switch (k) {
        case 'x':
          out.push_back(char(std::stoi(s.substr(at, 2), nullptr, 16)));
          at += 2;
          break;
        case 'n': out.push_back('\n'); break;
        case 't': out.push_back('\t'); break;
        case 'r': out.push_back('\r'); break;
        default: out.push_back(k); break;
      }
    } else if (c < 0x80) {
      out.push_back(char(c));
      at++;
    } else {
      // A UTF-8 sequence for one code point; above 0xFF the bytes are lost.
      unsigned cp = 0;
      int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : 1;
      cp = c & (0x3F >> more);
      at++;
      for (int i = 0; i < more && at < s.size(); i++) cp = (cp << 6) | (uint8_t(s[at++]) & 0x3F);
      if (cp > 0xFF) exact = false;
      out.push_back(char(cp & 0xFF));
    }
  }
  at++;
  return true;
}

}  // namespace

WalkResult Walk(TFormat f, TArcSource& src) {
  switch (f) {
    case TFormat::Ace: return WalkAce(src);
    case TFormat::Arc: return WalkArc(src);
    case TFormat::Arj: return WalkArj(src);
    case TFormat::Bh: return WalkBh(src);
    case TFormat::Cab: return WalkCab(src);
    case TFormat::Ha: return WalkHa(src);
    case TFormat::Lha: return WalkLha(src);
    case TFormat::Msgz: return WalkMsgz(src);
    case TFormat::Rar: return WalkRar(src);
    case TFormat::Tar: return WalkTar(src);
    case TFormat::Zoo: return WalkZoo(src);
  }
  return {};
}

std::vector<ListedArchive> SourcesListings(const std::string& dirPrefix) {
  std::vector<uint8_t> raw = morvtest::ReadFile(morvtest::SharedPath("fixtures/SOURCES.md"));
  std::string text(raw.begin(), raw.end());
  std::vector<ListedArchive> out;
  std::istringstream in(text);
  std::string line;
  bool inBlock = false;
  ListedArchive* cur = nullptr;
  while (std::getline(in, line)) {
    if (line.compare(0, 3, "```") == 0) {
      inBlock = !inBlock;
      cur = nullptr;
      continue;
    }
    if (!inBlock) continue;
    if (line.compare(0, dirPrefix.size(), dirPrefix) == 0) {
      size_t br = line.find(" [");
      out.push_back({});
      cur = &out.back();
      cur->Path = line.substr(0, br);
      if (br != std::string::npos) cur->Bytes = std::stoull(line.substr(br + 2));
      continue;
    }
    if (!cur || line.size() < 3 || line[0] != ' ') {
      if (line.size() && line[0] != ' ') cur = nullptr;
      continue;
    }
    std::string body = line.substr(2);
    if (body.find("more lines)") != std::string::npos) {
      cur->Partial = true;
    } else if (body.compare(0, 1, "!") == 0 || body.find("cannot list") != std::string::npos) {
      cur->Unlistable = true;
    } else if ((body[0] == 'F' || body[0] == 'D') && body.size() > 2 && body[1] == ' ') {
      Listed e;
      e.Kind = body[0];
      size_t at = 2;
      if (!Unrepr(body, at, e.Name, e.NameKnown)) continue;
      std::istringstream kv(body.substr(at));
      std::string tok;
      while (kv >> tok) {
        size_t eq = tok.find('=');
        if (eq != std::string::npos) e.Fields[tok.substr(0, eq)] = tok.substr(eq + 1);
      }
      cur->Entries.push_back(e);
    }
  }
  return out;
}

std::string NormName(const std::string& name) {
  std::string s;
  for (char c : name) {
    if (c == '/') c = '\\';
    if (c == '\\' && !s.empty() && s.back() == '\\') continue;
    s.push_back(c);
  }
  while (!s.empty() && s.back() == '\\') s.pop_back();
  return s;
}

bool FixtureExists(const std::string& rel) {
  std::error_code ec;
  return std::filesystem::exists(morvtest::SharedPath("fixtures/" + rel), ec);
}

std::vector<uint8_t> Fixture(const std::string& rel) { return morvtest::ReadFile(morvtest::SharedPath("fixtures/" + rel)); }

void Put8(std::vector<uint8_t>& v, uint8_t x) { v.push_back(x); }
void Put16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(uint8_t(x));
  v.push_back(uint8_t(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  Put16(v, uint16_t(x));
  Put16(v, uint16_t(x >> 16));
}
void PutStr(std::vector<uint8_t>& v, const std::string& s) { v.insert(v.end(), s.begin(), s.end()); }

uint32_t Crc32Of(const uint8_t* p, size_t n) {
  uint32_t c = 0xFFFFFFFF;
  Crc32Block(p, n, c);
  return ~c;
}

uint16_t Crc16Of(const uint8_t* p, size_t n) {
  uint16_t c = 0;
  Crc16Block(p, n, c);
  return c;
}

void ExpectRobust(TFormat f, const std::vector<uint8_t>& data) {
  TMemorySource whole(data.data(), data.size());
  WalkResult full = Walk(f, whole);
  ASSERT_FALSE(full.Stuck);
  size_t step = data.size() <= 2048 ? 1 : data.size() / 1024;
  for (size_t len = 0; len < data.size(); len += step) {
    // A copy of exactly len bytes, so that ASan sees any read past it.
    std::vector<uint8_t> cut(data.begin(), data.begin() + len);
    TMemorySource src(cut.data(), cut.size());
    WalkResult r = Walk(f, src);
    ASSERT_FALSE(r.Stuck) << "cut at " << len;
    if (r.Err == 0) {
      uint64_t packed = 0;
      for (const WalkEntry& e : r.Entries) packed += e.Packed;
      ASSERT_LE(packed, len) << "clean end of an archive cut at " << len;
    }
  }
  std::vector<uint8_t> bad = data;
  size_t spots = std::min<size_t>(data.size(), 400);
  for (size_t i = 0; i < spots; i++) {
    size_t at = data.size() <= 400 ? i : i * (data.size() / spots);
    for (uint8_t v : {uint8_t(0x00), uint8_t(0xFF), uint8_t(data[at] ^ 0x80)}) {
      bad[at] = v;
      TMemorySource src(bad.data(), bad.size());
      ASSERT_FALSE(Walk(f, src).Stuck) << "byte " << at << " set to " << int(v);
    }
    bad[at] = data[at];
  }
}

}  // namespace rdtest
