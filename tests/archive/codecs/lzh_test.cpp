#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "archive/codecs/lzh_decode.h"
#include "archive/codecs/lzh_encode.h"
#include "archive/codecs/lzhuf.h"
#include "archive/core/crc.h"
#include "archive/formats/lha/lha_format.h"
#include "codec_test_util.h"
#include "tests/support/testsupport.h"

using namespace codectest;

namespace {

class TMemEncIO : public TDeflateIO {
 public:
  explicit TMemEncIO(const std::vector<uint8_t>& in) : FIn(in) {}
  size_t ReadInput(uint8_t* buf, size_t count) override {
    const size_t n = std::min(count, FIn.size() - FPos);
    std::copy(FIn.begin() + long(FPos), FIn.begin() + long(FPos + n), buf);
    FPos += n;
    return n;
  }
  void WriteOutput(const uint8_t* buf, size_t count) override { Out.insert(Out.end(), buf, buf + count); }
  std::vector<uint8_t> Out;

 private:
  const std::vector<uint8_t>& FIn;
  size_t FPos = 0;
};

std::vector<uint8_t> Lh5Encode(TLzhEncoder& enc, const std::vector<uint8_t>& data, bool* unpackable = nullptr) {
  TMemEncIO io(data);
  const TLzhEncodeResult r = enc.Encode(io, data.size());
  EXPECT_EQ(r.InputBytes, data.size());
  if (unpackable) *unpackable = r.Unpackable;
  if (!r.Unpackable) {
    EXPECT_EQ(r.OutputBytes, io.Out.size());
  }
  return io.Out;
}

std::vector<uint8_t> Lh1Encode(TLzhufCodec& codec, const std::vector<uint8_t>& data, bool* unpackable = nullptr) {
  TMemEncIO io(data);
  const TLzhEncodeResult r = codec.Encode(io, data.size());
  if (unpackable) *unpackable = r.Unpackable;
  return io.Out;
}

std::vector<uint8_t> Decode(TLzhDecoder& dec, const std::vector<uint8_t>& packed, size_t size,
                            const TLzhParams& p = LzhLh5) {
  TMemIO io(packed);
  const uint64_t n = dec.Decode(io, packed.size(), size, p);
  EXPECT_EQ(n, io.Out.size());
  EXPECT_LE(io.Pos, packed.size());
  return io.Out;
}

std::vector<uint8_t> Lh1Decode(TLzhufCodec& codec, const std::vector<uint8_t>& packed, size_t size) {
  TMemIO io(packed);
  const uint64_t n = codec.Decode(io, packed.size(), size);
  EXPECT_EQ(n, io.Out.size());
  return io.Out;
}

std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> r;
  for (const auto& p : parts) r.insert(r.end(), p.begin(), p.end());
  return r;
}

struct TSample {
  const char* Name;
  std::vector<uint8_t> Data;
};

std::vector<TSample> Samples() {
  return {
      {"one byte", {'x'}},
      {"blanks", std::vector<uint8_t>(5000, ' ')},
      {"one byte value", std::vector<uint8_t>(70000, 'a')},
      {"text", morvtest::TextData(100000, 3)},
      {"text beyond the buffer", morvtest::TextData(400000, 4)},
      {"mixed", Cat({morvtest::TextData(20000, 5), morvtest::RandomData(3000, 6), morvtest::TextData(50000, 5)})},
      {"period 8192", [] {
         auto base = morvtest::RandomData(8192, 7);
         return Cat({base, base, base, base});
       }()},
  };
}

// Bits most significant first, as the LZH formats write them.
class TMsbBits {
 public:
  void Put(uint32_t v, unsigned n) {
    while (n--) {
      FCur = uint8_t(FCur << 1 | (v >> n & 1));
      if (++FCount == 8) {
        Bytes.push_back(FCur);
        FCount = 0;
      }
    }
  }
  std::vector<uint8_t> Done() {
    while (FCount) Put(0, 1);
    return Bytes;
  }
  std::vector<uint8_t> Bytes;

 private:
  uint8_t FCur = 0;
  unsigned FCount = 0;
};

uint16_t Crc16(const std::vector<uint8_t>& d) {
  uint16_t c = 0;
  Crc16Block(d.data(), d.size(), c);
  return c;
}

// A level-0 LHA archive of one entry around a packed stream.
std::vector<uint8_t> Level0(const std::string& method, const std::string& name, const std::vector<uint8_t>& packed,
                            const std::vector<uint8_t>& data) {
  std::vector<uint8_t> h(22);
  h[0] = uint8_t(name.size() + 22);
  std::copy(method.begin(), method.end(), h.begin() + 2);
  PutLE32(&h[7], uint32_t(packed.size()));
  PutLE32(&h[11], uint32_t(data.size()));
  PutLE32(&h[15], 0x2B2A6000);
  h[19] = 0x20;
  h[21] = uint8_t(name.size());
  h.insert(h.end(), name.begin(), name.end());
  const uint16_t crc = Crc16(data);
  h.push_back(uint8_t(crc));
  h.push_back(uint8_t(crc >> 8));
  uint8_t sum = 0;
  for (size_t i = 2; i < h.size(); ++i) sum = uint8_t(sum + h[i]);
  h[1] = sum;
  h.insert(h.end(), packed.begin(), packed.end());
  h.push_back(0);
  return h;
}

}  // namespace

TEST(LzhCodec, Lh5RoundTripsThroughOneEncoderAndDecoder) {
  // One encoder and one decoder for every sample: nothing of an entry may
  // carry over into the next.
  TLzhEncoder enc;
  TLzhDecoder dec;
  for (const TSample& s : Samples()) {
    SCOPED_TRACE(s.Name);
    bool unpackable = true;
    const auto packed = Lh5Encode(enc, s.Data, &unpackable);
    if (s.Data.size() == 1) {
      EXPECT_TRUE(unpackable);
      continue;
    }
    ASSERT_FALSE(unpackable);
    EXPECT_LT(packed.size(), s.Data.size());
    EXPECT_EQ(Decode(dec, packed, s.Data.size()), s.Data);
  }
}

TEST(LzhCodec, Lh1RoundTripsThroughOneCodec) {
  TLzhufCodec codec;
  for (const TSample& s : Samples()) {
    SCOPED_TRACE(s.Name);
    bool unpackable = true;
    const auto packed = Lh1Encode(codec, s.Data, &unpackable);
    if (s.Data.size() == 1) continue;
    // Repeats 8 KiB apart are out of reach of a 4 KiB ring.
    if (std::string(s.Name) == "period 8192") {
      EXPECT_TRUE(unpackable);
      continue;
    }
    ASSERT_FALSE(unpackable);
    EXPECT_EQ(Lh1Decode(codec, packed, s.Data.size()), s.Data);
  }
}

TEST(LzhCodec, EncodersGiveUpOnIncompressibleInput) {
  TLzhEncoder enc;
  TLzhufCodec lh1;
  const auto noise = morvtest::RandomData(100000, 9);
  bool unpackable = false;
  const auto packed = Lh5Encode(enc, noise, &unpackable);
  EXPECT_TRUE(unpackable);
  // It stopped early rather than encoding everything.
  EXPECT_LT(packed.size(), noise.size() / 2);
  Lh1Encode(lh1, noise, &unpackable);
  EXPECT_TRUE(unpackable);

  const std::vector<uint8_t> empty;
  EXPECT_TRUE(Lh5Encode(enc, empty, &unpackable).empty());
  EXPECT_FALSE(unpackable);
}

TEST(LzhCodec, Lh1RunIsOneLiteralAndOneMatch) {
  // 61 equal bytes: one literal, then a 60-byte match at distance 1. The
  // stream stays a few bytes long whatever the tree does.
  TLzhufCodec codec;
  const std::vector<uint8_t> run(61, 'q');
  const auto packed = Lh1Encode(codec, run);
  EXPECT_LE(packed.size(), 6u);
  EXPECT_EQ(Lh1Decode(codec, packed, run.size()), run);
}

TEST(LzhCodec, Lh1StreamShorterThanItsSizeEndsSoonAfterItsData) {
  // A header claiming a gigabyte over a few packed bytes: decoding ends soon
  // after the data does, not on zero bits at the claimed size.
  TLzhufCodec codec;
  const std::vector<uint8_t> run(61, 'q');
  const auto packed = Lh1Encode(codec, run);
  TMemIO io(packed);
  EXPECT_LT(codec.Decode(io, packed.size(), uint64_t(1) << 30), 100000u);
  // The exact size still decodes: the slack is never needed by a sound stream.
  EXPECT_EQ(Lh1Decode(codec, packed, run.size()), run);
}

TEST(LzhCodec, OutputStopsAtTheUnpackedSize) {
  TLzhEncoder enc;
  TLzhDecoder dec;
  const auto data = morvtest::TextData(50000, 12);
  const auto packed = Lh5Encode(enc, data);
  const auto head = Decode(dec, packed, 1234);
  EXPECT_EQ(head, std::vector<uint8_t>(data.begin(), data.begin() + 1234));
  EXPECT_TRUE(Decode(dec, packed, 0).empty());
}

TEST(LzhCodec, DamagedStreamsAreErrorsNotReadsOutOfBounds) {
  TLzhDecoder dec;
  auto errorOf = [&](const std::vector<uint8_t>& s, const TLzhParams& p) {
    return ErrorOf([&] {
      TMemIO io(s);
      dec.Decode(io, s.size(), 100000, p);
    });
  };
  // One block of one match of length 3 whose position code is the only one,
  // followed by its extra bits.
  auto oneMatch = [](unsigned code, uint32_t extra) {
    TMsbBits b;
    b.Put(1, 16);
    b.Put(0, 5), b.Put(0, 5);
    b.Put(0, 9), b.Put(256, 9);
    b.Put(0, 5), b.Put(code, 5);
    b.Put(extra, code - 1);
    return b.Done();
  };
  // Code 16 and fifteen 1-bits: a distance of 65,536, beyond the 32,768-byte
  // window of -lh6-.
  EXPECT_EQ(errorOf(oneMatch(16, 0x7FFF), LzhLh6), kErrInvalidCode);
  // Code 15 and fourteen 1-bits: a distance of 32,768 fits.
  EXPECT_EQ(errorOf(oneMatch(15, 0x3FFF), LzhLh6), 0);
  // ARJ's window is 26,624 bytes: a distance of 32,768 is beyond it.
  EXPECT_EQ(errorOf(oneMatch(15, 0x3FFF), LzhArj), kErrInvalidCode);

  // Code lengths that leave the code incomplete: two code-length symbols
  // of length 2.
  TMsbBits incomplete;
  incomplete.Put(1, 16);
  incomplete.Put(2, 5), incomplete.Put(2, 3), incomplete.Put(2, 3);
  EXPECT_EQ(errorOf(incomplete.Done(), LzhLh5), kErrBadHuffmanCode);
  // A single-symbol table whose symbol is beyond the alphabet.
  TMsbBits beyond;
  beyond.Put(1, 16);
  beyond.Put(0, 5), beyond.Put(0, 5);
  beyond.Put(0, 9), beyond.Put(510, 9);
  EXPECT_EQ(errorOf(beyond.Done(), LzhLh5), kErrBadHuffmanCode);
  // A count of position codes above the alphabet of -lh5- (14).
  TMsbBits count;
  count.Put(1, 16);
  count.Put(0, 5), count.Put(0, 5);
  count.Put(0, 9), count.Put(65, 9);
  count.Put(15, 4);
  EXPECT_EQ(errorOf(count.Done(), LzhLh5), kErrBadHuffmanCode);
}

TEST(LzhCodec, ShortStreamsEndQuietlyAndTheNextEntryDecodes) {
  TLzhEncoder enc;
  TLzhDecoder dec;
  const auto data = morvtest::TextData(60000, 13);
  const auto packed = Lh5Encode(enc, data);
  // Zero bits where a block should start end the entry without an error.
  EXPECT_TRUE(Decode(dec, std::vector<uint8_t>(8, 0), 5000).empty());
  const std::vector<uint8_t> cut(packed.begin(), packed.begin() + long(packed.size() / 2));
  const auto part = Decode(dec, cut, data.size());
  EXPECT_LT(part.size(), data.size());
  EXPECT_EQ(Decode(dec, packed, data.size()), data);
  TLzhufCodec lh1;
  const auto lh1Packed = Lh1Encode(lh1, data);
  const std::vector<uint8_t> lh1Cut(lh1Packed.begin(), lh1Packed.begin() + 100);
  EXPECT_LT(Lh1Decode(lh1, lh1Cut, data.size()).size(), data.size());
  EXPECT_EQ(Lh1Decode(lh1, lh1Packed, data.size()), data);
}

namespace {

struct TPeerEntry {
  std::string Method;
  std::vector<uint8_t> Packed;
  uint32_t Size = 0;
  uint16_t Crc = 0;
};

std::vector<TPeerEntry> LhaEntries(const std::vector<uint8_t>& arc) {
  std::vector<TPeerEntry> r;
  TMemorySource src(arc.data(), arc.size());
  uint64_t pos = 0;
  LhaHeader h;
  int err = 0;
  while (ReadLhaHeader(src, pos, h, err)) {
    TPeerEntry e;
    e.Method = h.MethodId;
    e.Packed.assign(arc.begin() + long(h.DataPos), arc.begin() + long(h.DataPos + h.DataSize));
    e.Size = h.UnpackedSize;
    e.Crc = h.Crc;
    r.push_back(e);
    pos = h.NextPos;
  }
  return r;
}

std::vector<uint8_t> DecodePeer(const TPeerEntry& e) {
  TLzhDecoder dec;
  TLzhufCodec lh1;
  if (e.Method == "-lh0-") return e.Packed;
  if (e.Method == "-lh1-") return Lh1Decode(lh1, e.Packed, e.Size);
  const TLzhParams& p = e.Method == "-lh4-" ? LzhLh4 : e.Method == "-lh6-" ? LzhLh6 : LzhLh5;
  return Decode(dec, e.Packed, e.Size, p);
}

const char* kJlhaMaker = R"(import jp.gr.java_conf.dangan.util.lha.*;
import java.io.*;
import java.nio.file.*;
public class MakeLzh {
  // MakeLzh level method,method,... file...: one archive <method>.lzh each.
  public static void main(String[] a) throws Exception {
    for (String m : a[1].split(",")) {
      LhaOutputStream out = new LhaOutputStream(new FileOutputStream(m + ".lzh"));
      for (int i = 2; i < a.length; i++) {
        LhaHeader h = new LhaHeader(new File(a[i]).getName());
        h.setCompressMethod(m);
        h.setHeaderLevel(Integer.parseInt(a[0]));
        out.putNextEntry(h);
        out.write(Files.readAllBytes(Paths.get(a[i])));
        out.closeEntry();
      }
      out.close();
    }
  }
}
)";

}  // namespace

// jlha's library writes every method; its command line lh5 to lh7.
TEST(LzhCodec, DecodesWhatJlhaWrites) {
  if (!morvtest::HavePeer("java") || !std::filesystem::exists("/usr/share/java/jlha.jar"))
    GTEST_SKIP() << "java or jlha missing";
  const std::string dir = morvtest::TempDir();
  const std::string host = morvtest::HostPath(dir);
  const std::vector<std::vector<uint8_t>> files = {
      morvtest::TextData(70000, 21), morvtest::RandomData(3000, 22), std::vector<uint8_t>(40000, 'z'),
      Cat({morvtest::TextData(30000, 23), morvtest::TextData(30000, 23)})};
  std::string names;
  for (size_t i = 0; i < files.size(); ++i) {
    morvtest::WriteFile(morvtest::Join(dir, "f" + std::to_string(i)), files[i]);
    names += " f" + std::to_string(i);
  }
  morvtest::WriteFile(morvtest::Join(dir, "MakeLzh.java"), std::string(kJlhaMaker));
  std::string out;
  ASSERT_EQ(morvtest::RunPeer("cd '" + host + "' && java -cp /usr/share/java/jlha.jar MakeLzh.java 1 " +
                                  "-lh1-,-lh4-,-lh5-,-lh6-" + names,
                              &out),
            0)
      << out;
  for (const std::string method : {"-lh1-", "-lh4-", "-lh5-", "-lh6-"}) {
    SCOPED_TRACE(method);
    const auto entries = LhaEntries(morvtest::ReadFile(morvtest::Join(dir, method + ".lzh")));
    ASSERT_EQ(entries.size(), files.size());
    for (size_t i = 0; i < files.size(); ++i) {
      const auto got = DecodePeer(entries[i]);
      EXPECT_EQ(got, files[i]) << "file " << i << " as " << entries[i].Method;
      EXPECT_EQ(Crc16(got), entries[i].Crc);
    }
  }
}

// Our streams in a level-0 header pass lhasa's test.
TEST(LzhCodec, LhasaAcceptsWhatWeWrite) {
  if (!morvtest::HavePeer("lhasa")) GTEST_SKIP() << "lhasa missing";
  const std::string dir = morvtest::TempDir();
  TLzhEncoder enc;
  TLzhufCodec lh1;
  std::string script = "cd '" + morvtest::HostPath(dir) + "' && for f in *.lzh; do lhasa t $f || exit 1; done";
  int n = 0;
  for (const TSample& s : Samples()) {
    if (s.Data.size() < 2 || std::string(s.Name) == "period 8192") continue;
    const std::string name = "s" + std::to_string(n++);
    morvtest::WriteFile(morvtest::Join(dir, name + "_5.lzh"), Level0("-lh5-", name, Lh5Encode(enc, s.Data), s.Data));
    morvtest::WriteFile(morvtest::Join(dir, name + "_1.lzh"), Level0("-lh1-", name, Lh1Encode(lh1, s.Data), s.Data));
  }
  std::string out;
  EXPECT_EQ(morvtest::RunPeer(script, &out), 0) << out;
  EXPECT_EQ(out.find("error"), std::string::npos) << out;
}
