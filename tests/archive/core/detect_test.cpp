#include "archive/core/detect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/core/arctables.h"
#include "archive/core/bytes.h"
#include "framework/core/streams.h"
#include "tests/archive/core/pe_stub.h"
#include "tests/support/testsupport.h"

namespace {

using petest::Join;

TDetectResult Detect(const std::string& File, bool Removable = false, const std::string& Label = "",
                     int CmntBufSize = 32000) {
  TDetectDrive Drive;
  Drive.Removable = Removable;
  Drive.VolumeLabel = Label;
  return DetectArcType(File, Drive, CmntBufSize);
}

std::string TypeName(TArcType T) { return ArcTypeNames[T]; }

uint32_t Sig32At(const std::vector<uint8_t>& Data, int64_t Pos) {
  return Pos >= 0 && size_t(Pos) + 4 <= Data.size() ? GetLE32(Data.data() + Pos) : 0;
}

std::vector<uint8_t> Concat(std::vector<uint8_t> A, const std::vector<uint8_t>& B) {
  A.insert(A.end(), B.begin(), B.end());
  return A;
}

// A DOS program header (no PE header, so no module loader takes it) whose
// image ends at Pages * 512 + LastPage bytes as the header counts them.
std::vector<uint8_t> DosProgram(uint16_t Pages, uint16_t LastPage, size_t Size) {
  std::vector<uint8_t> P(Size, 0x90);
  std::memset(P.data(), 0, std::min<size_t>(64, Size));
  P[0] = 'M';
  P[1] = 'Z';
  PutLE16(P.data() + 2, LastPage);
  PutLE16(P.data() + 4, Pages);
  return P;
}

// Archives made by the peer tools are detected by their bytes, whatever
// their names, with the embedded-archive offset their walk needs.
TEST(DetectPeers, EveryTypeFromPeerArchives) {
  const std::string Dir = morvtest::TempDir();
  const std::string Host = morvtest::HostPath(Dir);
  morvtest::WriteFile(Join(Dir, "a.txt"), morvtest::TextData(6000, 1));
  morvtest::WriteFile(Join(Dir, "b.txt"), morvtest::TextData(3000, 2));
  struct Case {
    const char* Tool;
    const char* Command;
    const char* File;
    TArcType Want;
  };
  const Case Cases[] = {
      {"zip", "zip -q a.zip a.txt b.txt", "a.zip", atZip},
      {"zip", "zip -q -0 stored.dat a.txt", "stored.dat", atZip},
      {"zip", "zip -q a.jar a.txt", "a.jar", atJar},
      {"zip", "zip -q -P secret enc.zip a.txt", "enc.zip", atZip},
      {"zip", "zip -q - a.txt > streamed.zip", "streamed.zip", atZip},
      {"gzip", "gzip -c a.txt > a.txt.gz", "a.txt.gz", atGZip},
      {"gzip", "gzip -c -n a.txt > noname", "noname", atGZip},
      {"compress", "compress -f -b12 -c a.txt > a12.Z", "a12.Z", atGZip},
      {"compress", "compress -f -b16 -c a.txt > a16.Z", "a16.Z", atGZip},
      {"tar", "tar --format=gnu -cf gnu.tar a.txt b.txt", "gnu.tar", atTar},
      {"tar", "tar --format=v7 -cf v7.tar a.txt", "v7.tar", atTar},
      {"tar", "tar --format=ustar -cf ustar.tar a.txt", "ustar.tar", atTar},
      {"tar", "tar --format=pax -cf pax.tar a.txt", "pax.tar", atTar},
      // A volume-header block in front of the first entry.
      {"tar", "tar -cf vol.tar -V MYLABEL a.txt", "vol.tar", atTar},
      {"jlha", "jlha a j.lzh a.txt b.txt", "j.lzh", atLha},
      {"arj", "arj a -y a.arj a.txt b.txt", "a.arj", atArj},
      {"arc", "arc a a.arc a.txt b.txt", "a.arc", atArc},
      {"gcab", "gcab -c a.cab a.txt b.txt", "a.cab", atCab},
      {"gcab", "gcab -cz z.cab a.txt b.txt", "z.cab", atCab},
      {"uuencode", "uuencode a.txt a.txt > a.uue", "a.uue", atUue},
  };
  for (const Case& C : Cases) {
    if (!morvtest::HavePeer(C.Tool)) {
      ADD_FAILURE() << "peer missing: " << C.Tool;
      continue;
    }
    std::string Out;
    ASSERT_EQ(morvtest::RunPeer("cd '" + Host + "' && " + C.Command + " </dev/null", &Out), 0) << C.Command << Out;
    const std::string File = Join(Dir, C.File);
    const TDetectResult R = Detect(File);
    EXPECT_EQ(TypeName(R.ArcType), TypeName(C.Want)) << C.Command;
    EXPECT_EQ(R.ArchiveSize, int64_t(morvtest::ReadFile(File).size())) << C.Command;
    EXPECT_NE(R.ArchiveDate, 29221) << C.Command;
    if (IsZipArcType(C.Want)) {
      EXPECT_EQ(R.Flags, zfEndFound | zfCentralFound | zfLocalFound) << C.Command;
      EXPECT_EQ(R.StartOffset, int64_t(R.Zip.End.CentralDirOffset)) << C.Command;
      EXPECT_EQ(Sig32At(morvtest::ReadFile(File), R.StartOffset), ZipCentralSig) << C.Command;
    } else {
      EXPECT_EQ(R.StartOffset, 1) << C.Command;
    }
  }
}

// Zip self-extractors: a Windows stub names the archive's offset in one of
// its string resources 1 to 4; without such a string the program is not
// taken for an archive (no scan).
TEST(DetectPeers, ZipSelfExtractorOnAProgramStub) {
  const std::string Dir = morvtest::TempDir();
  const std::string Host = morvtest::HostPath(Dir);
  morvtest::WriteFile(Join(Dir, "a.txt"), morvtest::TextData(6000, 3));
  struct Case {
    const char* Name;
    const char* Rc;
    TArcType Want;
  };
  const Case Cases[] = {
      {"offset1.exe", "STRINGTABLE\nBEGIN\n  1, \"8192\"\nEND\n", atZipExe},
      // A string that names no archive is passed over for the next one.
      {"offset3.exe", "STRINGTABLE\nBEGIN\n  1, \"100\"\n  2, \"200\"\n  3, \"0008192\"\nEND\n", atZipExe},
      // An empty string, text or an offset beyond the file end the search.
      {"gap.exe", "STRINGTABLE\nBEGIN\n  1, \"100\"\n  3, \"8192\"\nEND\n", atUnknown},
      {"text.exe", "STRINGTABLE\nBEGIN\n  1, \"Setup\"\n  2, \"8192\"\nEND\n", atUnknown},
      {"far.exe", "STRINGTABLE\nBEGIN\n  1, \"99999999\"\n  2, \"8192\"\nEND\n", atUnknown},
      {"none.exe", "STRINGTABLE\nBEGIN\n  100, \"8192\"\nEND\n", atUnknown},
  };
  ASSERT_EQ(morvtest::RunPeer("cd '" + Host + "' && zip -q a.zip a.txt"), 0);
  const std::vector<uint8_t> Zip = morvtest::ReadFile(Join(Dir, "a.zip"));
  for (int Bits : {32, 64})
    for (const Case& C : Cases) {
      std::string Log;
      const std::string Stub = petest::BuildProgram(Dir, "stub.exe", C.Rc, Bits, &Log);
      ASSERT_FALSE(Stub.empty()) << Log;
      std::vector<uint8_t> Image = morvtest::ReadFile(Stub);
      ASSERT_LT(Image.size(), 8192u);
      Image.resize(8192, 0);  // the archive starts at 8192, where the strings say
      const std::string Sfx = Join(Dir, C.Name);
      morvtest::WriteFile(Sfx, Concat(Image, Zip));
      // zip -A adjusts the offsets of the directory to the stub in front.
      ASSERT_EQ(morvtest::RunPeer("cd '" + Host + "' && zip -q -A " + C.Name), 0);
      const TDetectResult R = Detect(Sfx);
      EXPECT_EQ(TypeName(R.ArcType), TypeName(C.Want)) << C.Name << " PE" << Bits;
      if (C.Want == atZipExe) {
        EXPECT_EQ(R.StartOffset, 8192) << C.Name;
        EXPECT_EQ(R.Flags, zfLocalFound) << C.Name;
        EXPECT_EQ(Sig32At(morvtest::ReadFile(Sfx), R.StartOffset), ZipLocalSig);
      }
    }
}

// DOS self-extractors: the archive follows the program image, whose length
// the header counts in 512-byte pages, the last one possibly partial.
TEST(DetectFiles, DosProgramImageEnd) {
  const std::string Dir = morvtest::TempDir();
  const std::string Host = morvtest::HostPath(Dir);
  morvtest::WriteFile(Join(Dir, "a.txt"), morvtest::TextData(3000, 4));
  ASSERT_EQ(morvtest::RunPeer("cd '" + Host + "' && arj a -y a.arj a.txt </dev/null"), 0);
  const std::vector<uint8_t> Arj = morvtest::ReadFile(Join(Dir, "a.arj"));
  struct Case {
    const char* Name;
    uint16_t Pages, LastPage;
    size_t ImageEnd;  // where the archive is put
    size_t Skip;      // bytes between the image and the ARJ header
    int64_t Offset;   // expected 1-based start
  };
  const Case Cases[] = {
      // A last-page count of 0 means the last page is full: 3 x 512.
      {"full.exe", 3, 0, 1536, 0, 1537},
      {"partial.exe", 3, 100, 1124, 0, 1125},
      // Two bytes between image and archive are stepped over.
      {"skip.exe", 2, 0, 1024, 2, 1027},
  };
  for (const Case& C : Cases) {
    std::vector<uint8_t> P = DosProgram(C.Pages, C.LastPage, C.ImageEnd + C.Skip);
    const std::string File = Join(Dir, C.Name);
    morvtest::WriteFile(File, Concat(P, Arj));
    const TDetectResult R = Detect(File);
    EXPECT_EQ(TypeName(R.ArcType), TypeName(atArjExe)) << C.Name;
    EXPECT_EQ(R.StartOffset, C.Offset) << C.Name;
    EXPECT_EQ(GetLE16(morvtest::ReadFile(File).data() + R.StartOffset - 1), 0xEA60) << C.Name;
  }

  // No archive at the image end: the program is scanned from byte 17000 for
  // the marks of LHA, Zip and RAR archives.
  struct ScanCase {
    const char* Mark;
    size_t At;
    TArcType Want;
    int64_t Offset;
  };
  const ScanCase Scans[] = {
      {"-lh5-", 20002, atLhaExe, 20001},
      {"PK\x03\x04", 30000, atZipExe, 30000},
      {"Rar!", 17000 + 32768 - 2, atRarExe, 17000 + 32768 - 1},  // across a block boundary
      {"Rar!", 17000 + 6 * 32768 + 10, atUnknown, 1},              // beyond the scanned range
      {"-lh5-", 16990, atUnknown, 1},                               // before the scan starts
  };
  for (const ScanCase& S : Scans) {
    std::vector<uint8_t> P = DosProgram(1, 200, S.At + 4000);
    std::memcpy(P.data() + S.At, S.Mark, std::strlen(S.Mark));
    const std::string File = Join(Dir, "scan.exe");
    morvtest::WriteFile(File, P);
    const TDetectResult R = Detect(File);
    EXPECT_EQ(TypeName(R.ArcType), TypeName(S.Want)) << S.Mark << " at " << S.At;
    if (S.Want != atUnknown) {
      EXPECT_EQ(R.StartOffset, S.Offset) << S.Mark << " at " << S.At;
    }
  }
}

// Leading NUL bytes: the archive's first header is found behind them and its
// exact position kept, so that a walk starts there.
TEST(DetectFiles, NulPaddedArchives) {
  const std::string Dir = morvtest::TempDir();
  const std::string Host = morvtest::HostPath(Dir);
  morvtest::WriteFile(Join(Dir, "a.txt"), morvtest::TextData(2000, 5));
  ASSERT_EQ(morvtest::RunPeer("cd '" + Host + "' && zip -q a.zip a.txt && arj a -y a.arj a.txt </dev/null"), 0);
  const std::vector<uint8_t> Nuls(100, 0);

  const std::string PaddedZip = Join(Dir, "padded.zip");
  morvtest::WriteFile(PaddedZip, Concat(Nuls, morvtest::ReadFile(Join(Dir, "a.zip"))));
  TDetectResult R = Detect(PaddedZip);
  EXPECT_EQ(TypeName(R.ArcType), TypeName(atZip));
  // The directory's offsets do not count the padding: the walk goes through
  // the local headers from the first one.
  EXPECT_EQ(R.StartOffset, 100);
  EXPECT_TRUE(R.Flags & zfLocalFound);
  EXPECT_FALSE(R.Flags & zfCentralFound);
  EXPECT_EQ(Sig32At(morvtest::ReadFile(PaddedZip), R.StartOffset), ZipLocalSig);

  const std::string PaddedArj = Join(Dir, "padded.arj");
  morvtest::WriteFile(PaddedArj, Concat(Nuls, morvtest::ReadFile(Join(Dir, "a.arj"))));
  R = Detect(PaddedArj);
  EXPECT_EQ(TypeName(R.ArcType), TypeName(atArj));
  EXPECT_EQ(R.StartOffset, 101);

  const std::string PaddedRar = Join(Dir, "padded.rar");
  std::vector<uint8_t> Rar = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
  Rar.resize(64, 0);
  morvtest::WriteFile(PaddedRar, Concat(std::vector<uint8_t>(7, 0), Rar));
  R = Detect(PaddedRar);
  EXPECT_EQ(TypeName(R.ArcType), TypeName(atRar));
  EXPECT_EQ(R.StartOffset, 8);
}

TEST(DetectFiles, ZipStructureEdges) {
  const std::string Dir = morvtest::TempDir();
  const std::string Host = morvtest::HostPath(Dir);
  morvtest::WriteFile(Join(Dir, "a.txt"), morvtest::TextData(2000, 6));

  // End record only.
  std::vector<uint8_t> Empty(22, 0);
  PutLE32(Empty.data(), ZipEndSig);
  morvtest::WriteFile(Join(Dir, "empty.zip"), Empty);
  TDetectResult R = Detect(Join(Dir, "empty.zip"));
  EXPECT_EQ(TypeName(R.ArcType), TypeName(atZip));
  EXPECT_TRUE(R.Flags & zfEndFound);
  EXPECT_EQ(R.StartOffset, 0);

  // A comment longer than the search reaches: the end record is not found,
  // the local headers from offset 0 are walked.
  morvtest::WriteFile(Join(Dir, "comment.txt"), std::string(65000, 'c'));
  ASSERT_EQ(morvtest::RunPeer("cd '" + Host + "' && zip -q big.zip a.txt && zip -q -z big.zip < comment.txt"), 0);
  R = Detect(Join(Dir, "big.zip"), false, "", 32767);
  EXPECT_EQ(TypeName(R.ArcType), TypeName(atZip));
  EXPECT_EQ(R.Flags, zfLocalFound);
  EXPECT_EQ(R.StartOffset, 0);
  // With a buffer that reaches it, the directory is found.
  R = Detect(Join(Dir, "big.zip"), false, "", 65535);
  EXPECT_EQ(R.Flags, zfEndFound | zfCentralFound | zfLocalFound);

  // A prefix that the directory's offsets do not count (a stub put in front
  // without zip -A): the end record's own position tells the shift.
  const std::vector<uint8_t> Junk = morvtest::RandomData(777, 9);
  ASSERT_EQ(morvtest::RunPeer("cd '" + Host + "' && zip -q plain.zip a.txt comment.txt"), 0);
  morvtest::WriteFile(Join(Dir, "shifted.zip"), Concat(Junk, morvtest::ReadFile(Join(Dir, "plain.zip"))));
  R = Detect(Join(Dir, "shifted.zip"));
  EXPECT_EQ(TypeName(R.ArcType), TypeName(atZip));
  EXPECT_EQ(R.StartOffset, 777);
  EXPECT_EQ(R.Flags, zfEndFound | zfLocalFound);

  // Split archives start with the spanned-set mark; the local headers follow.
  ASSERT_EQ(morvtest::RunPeer("cd '" + Host + "' && head -c 200000 /dev/urandom > r.bin && "
                              "zip -q -0 -s 64k split.zip r.bin a.txt"),
            0);
  R = Detect(Join(Dir, "split.z01"));
  EXPECT_EQ(TypeName(R.ArcType), TypeName(atZip));
  EXPECT_EQ(R.StartOffset, 4);
  EXPECT_EQ(R.Flags, zfLocalFound);
}

// Only a disk labelled as a disk of a spanned set makes a Zip atZipMV; other
// removable drives hold plain Zips.
TEST(DetectFiles, SpannedDisksNeedTheirLabel) {
  const std::string Dir = morvtest::TempDir();
  const std::string Host = morvtest::HostPath(Dir);
  ASSERT_EQ(morvtest::RunPeer("cd '" + Host + "' && head -c 150000 /dev/urandom > r.bin && "
                              "zip -q -0 -s 64k split.zip r.bin && zip -q whole.zip r.bin && "
                              "head -c 5000 whole.zip > head.zip && cp head.zip head.jar"),
            0);
  std::vector<uint8_t> End(22, 0);
  PutLE32(End.data(), ZipEndSig);
  PutLE16(End.data() + 4, 2);
  // The last disk of a set: no signature at its start, its end record found.
  morvtest::WriteFile(Join(Dir, "last.zip"), Concat(morvtest::TextData(300, 8), End));

  const char* const Label = "PKBACK# 001";
  struct Case {
    const char* File;
    TArcType Fixed, Removable, Spanned;
  };
  const Case Cases[] = {
      // A whole archive stays a plain Zip even on a disk of a set.
      {"whole.zip", atZip, atZip, atZip},
      // The first disk, marked "PK\7\8".
      {"split.z01", atZip, atZip, atZipMV},
      // A first disk without the mark, its end record elsewhere.
      {"head.zip", atZip, atZip, atZipMV},
      {"head.jar", atJar, atJar, atZipMV},
      {"last.zip", atUnknown, atUnknown, atZipMV},
  };
  for (const Case& C : Cases) {
    const std::string File = Join(Dir, C.File);
    EXPECT_EQ(TypeName(Detect(File).ArcType), TypeName(C.Fixed)) << C.File;
    EXPECT_EQ(TypeName(Detect(File, false, Label).ArcType), TypeName(C.Fixed)) << C.File;
    EXPECT_EQ(TypeName(Detect(File, true).ArcType), TypeName(C.Removable)) << C.File;
    EXPECT_EQ(TypeName(Detect(File, true, "USBSTICK").ArcType), TypeName(C.Removable)) << C.File;
    EXPECT_EQ(TypeName(Detect(File, true, Label).ArcType), TypeName(C.Spanned)) << C.File;
  }
}

TEST(DetectFiles, SmallAndPlainFiles) {
  const std::string Dir = morvtest::TempDir();
  struct Case {
    const char* Name;
    std::string Bytes;
    TArcType Want;
  };
  std::string Mail = "From: someone\nSubject: files\n\nbegin 644 a.txt\n#86)C\n`\nend\n";
  Mail.resize(600, '\n');
  std::string Ace(40, '\0');
  std::memcpy(&Ace[7], "**ACE**", 7);
  const Case Cases[] = {
      {"short.bin", std::string(19, 'x'), atFileOpenErr},
      // Below 20 bytes only the types whose sound files can be that short:
      // compress (a 3-byte header holds an empty file) and uuencode.
      {"empty.Z", std::string("\x1f\x9d\x90", 3), atGZip},
      {"one.Z", std::string("\x1f\x9d\x90\x61\x00", 5), atGZip},
      {"cut.Z", std::string("\x1f\x9d", 2), atFileOpenErr},
      {"tiny.uue", "begin 644 a\n`\nend\n", atUue},
      {"tiny.gz", std::string("\x1f\x8b\x08", 3) + std::string(15, '\0'), atFileOpenErr},
      {"tiny.arc", std::string("\x1a\x02", 2) + std::string(15, 'a'), atFileOpenErr},
      {"twenty.bin", std::string(20, 'x'), atUnknown},
      // PostScript starts with "%!", which is no gzip signature.
      {"doc.ps", "%!PS-Adobe-3.0\n%%Title: test\n%%EndComments\nshowpage\n", atUnknown},
      {"mail.txt", Mail, atUue},
      {"noline.txt", "Xbegin 644 a.txt\n" + std::string(100, 'x'), atUnknown},
      {"a.ace", Ace, atACE},
      {"a.ha", "HA\x01\x00" + std::string(40, '\0'), atHa},
      {"a.zoo", "ZOO 2.10 Archive.\x1a" + std::string(40, '\0'), atZoo},
      {"a.bh", std::string("BH\x05\x07", 4) + std::string(40, '\0'), atBh},
      {"a.pak", std::string("\x1a\x0a", 2) + std::string(40, 'p'), atPak},
      {"squeezed.arc", std::string("\x1a\x04", 2) + std::string(40, 'a'), atArc},
      {"packed.arc", std::string("\x1a\x03", 2) + std::string(40, 'a'), atArc},
      // The ARC self-extractor mark names a fixed offset, 7717.
      {"arcsfx.exe", std::string("\xb7\xdf", 2) + std::string(8000, 'a'), atArcExe},
      {"short.exe", std::string(70, '\0') + std::string("\xb7\xdf", 2) + std::string(17, 'a'), atUnknown},
  };
  for (const Case& C : Cases) {
    const std::string File = Join(Dir, C.Name);
    morvtest::WriteFile(File, C.Bytes);
    const TDetectResult R = Detect(File);
    EXPECT_EQ(TypeName(R.ArcType), TypeName(C.Want)) << C.Name;
    if (!IsKnownArcType(R.ArcType)) {
      EXPECT_EQ(R.ArchiveDate, 29221) << C.Name;
    } else if (!IsZipArcType(R.ArcType)) {
      EXPECT_GE(R.StartOffset, 1) << C.Name;
      EXPECT_LE(R.StartOffset, int64_t(C.Bytes.size())) << C.Name;
    }
  }
  EXPECT_EQ(Detect("").ArcType, atNA);
  EXPECT_EQ(Detect(Join(Dir, "missing.zip")).ArcType, atFileOpenErr);
}

TEST(DetectTable, SignatureRows) {
  struct Case {
    uint32_t Sig;
    TArcType Plain, InProgram;
  };
  const Case Cases[] = {
      {0x04034B50, atZip, atZipExe},     {0x06054B50, atZip, atZipExe},      {0x02014B50, atNA, atNA},
      {0x34474B50, atNA, atNA},           {0x08074B50, atZip, atZip},          {0x4643534D, atCab, atUnsupported},
      {0x07054842, atBh, atBhExe},        {0x8C655D13, atMsGZ, atUnsupported}, {0x00004148, atHa, atUnsupported},
      {0x00088B1F, atGZip, atUnsupported}, {0x00009D1F, atGZip, atUnsupported}, {0x00009E1F, atGZip, atUnsupported},
      {0x0000A01F, atGZip, atUnsupported}, {0x00001E1F, atGZip, atUnsupported}, {0x53502125, atUnknown, atUnknown},
      {0x0000EA60, atArj, atArjExe},      {0x204F4F5A, atZoo, atUnsupported},  {0x6C2D0021, atLha, atLhaExe},
      {0x21726152, atRar, atRarExe},      {0x00000A1A, atPak, atPakExe},       {0x00000B1A, atPak, atPakExe},
      {0x00001E1A, atArc, atUnsupported}, {0x0000021A, atArc, atUnsupported},  {0x0000081A, atArc, atArcExe},
      {0x0000091A, atArc, atArcExe},      {0x0000041A, atArc, atArcExe},       {0x0000011A, atUnknown, atUnknown},
      {0x00000C1A, atUnknown, atUnknown}, {0x12345678, atUnknown, atUnknown},
  };
  for (const Case& C : Cases)
    for (int Mode : {1, 0, 2}) {
      int64_t Offset = 1;
      uint8_t Flags = 0;
      const TArcType Want = Mode == 1 ? C.Plain : Mode == 0 ? C.InProgram : (C.Plain == C.InProgram ? C.Plain : atNA);
      EXPECT_EQ(TypeName(ArcTypeFromSignature(Mode, C.Sig, false, Offset, Flags)), TypeName(Want))
          << std::hex << C.Sig << " mode " << Mode;
      EXPECT_EQ(Offset, 1);
    }
  // Spanned-set marks on a spanned disk.
  int64_t Offset = 1;
  uint8_t Flags = 0;
  EXPECT_EQ(ArcTypeFromSignature(1, 0x08074B50, true, Offset, Flags), atZipMV);
  EXPECT_EQ(Flags, zfLocalFound);
  EXPECT_EQ(ArcTypeFromSignature(0, 0x02014B50, true, Offset, Flags), atZipMV);
  // The ARC self-extractor marks fix their offset.
  EXPECT_EQ(ArcTypeFromSignature(1, 0x000092B7, false, Offset, Flags), atArcExe);
  EXPECT_EQ(Offset, 7717);

  for (int T = 0; T < ArcTypeCount; ++T)
    EXPECT_EQ(IsKnownArcType(TArcType(T)), T > atUnknown) << T;
}

// Detection on every third-party archive: the well-formed ones by their
// folder's type; the deliberately malformed ones only must not crash it.
TEST(DetectFixtures, SharedArchives) {
  namespace fs = std::filesystem;
  const std::string Root = morvtest::HostPath(morvtest::SharedPath("fixtures"));
  if (!fs::is_directory(Root)) GTEST_SKIP() << "no shared fixtures";
  struct Folder {
    const char* Name;
    std::vector<TArcType> Types;
  };
  const Folder Folders[] = {
      {"ace", {atACE}},          {"arc", {atArc, atPak}}, {"arj", {atArj}},    {"cab", {atCab}},
      {"lha", {atLha}},          {"rar", {atRar}},        {"uue", {atUue}},    {"z", {atGZip}},
      {"zip", {atZip, atJar}},
  };
  // Marks of inputs made to break readers, and what no detection can tell.
  const char* const Malformed[] = {"bad_", "invalid", "overflow", "oob", "huge", "leak", "underflow",
                                   "use_after_free", "truncated", "malformed", "loop", "fuzz", "desync",
                                   "leftshift", "cve-", "partial", "violation", "beyond-eof", "broken"};
  // Not the first part of an archive, or not a type this system reads.
  const char* const Others[] = {
      ".pma",                                 // PMarc's own methods ("-pm0-")
      "search_",                              // a cabinet somewhere inside other data
      "base64",                               // "begin-base64" is no uuencoding
      "nocomp.multi.zip",                     // the last part of a split Zip
      "split.002", "split.003", "split.004",  // byte ranges cut out of an archive
      "split.005", "split.006",
  };
  int Checked = 0;
  for (const Folder& F : Folders) {
    const fs::path Dir = fs::path(Root) / F.Name;
    if (!fs::is_directory(Dir)) continue;
    for (const auto& E : fs::recursive_directory_iterator(Dir)) {
      if (!E.is_regular_file()) continue;
      const std::string Host = E.path().string();
      const std::string Name = E.path().filename().string();
      const TDetectResult R = Detect(morvtest::LocalPath(Host));
      ++Checked;
      std::string Lower = Name;
      std::transform(Lower.begin(), Lower.end(), Lower.begin(), ::tolower);
      bool Skip = Host.find("lhasa-expected") != std::string::npos;
      for (const char* M : Malformed) Skip = Skip || Lower.find(M) != std::string::npos;
      for (const char* O : Others) Skip = Skip || Lower.find(O) != std::string::npos;
      // Shorter than any archive detection takes.
      Skip = Skip || fs::file_size(E.path()) < 20;
      if (Skip) continue;
      EXPECT_NE(std::find(F.Types.begin(), F.Types.end(), R.ArcType), F.Types.end())
          << Host << " gave " << TypeName(R.ArcType);
    }
  }
  EXPECT_GT(Checked, 100);
}

// What the rules make of sets cut into parts and of types this system does
// not read: later parts and foreign types are no archives on a fixed drive;
// on a disk of a spanned set the last part is that set's disk.
TEST(DetectFixtures, SplitPartsAndForeignTypes) {
  struct Case {
    const char* File;
    TArcType Fixed, Spanned;
    uint8_t SpannedFlags;
  };
  const Case Cases[] = {
      {"zip/sharpcompress/Infozip.nocomp.multi.z01", atZip, atZipMV, zfLocalFound},
      {"zip/sharpcompress/Infozip.nocomp.multi.zip", atUnknown, atZipMV, zfEndFound | zfCentralFound},
      {"zip/sharpcompress/WinZip26.nocomp.multi.zip", atUnknown, atZipMV, zfEndFound | zfCentralFound},
      {"zip/sharpcompress/Zip.deflate.split.001", atZip, atZipMV, zfLocalFound},
      // A byte range of one archive: its end record points into other parts.
      {"zip/sharpcompress/Zip.deflate.split.006", atUnknown, atZipMV, zfEndFound},
      {"rar/sharpcompress/Rar4.split.001", atRar, atRar, 0},
      {"rar/sharpcompress/Rar4.split.002", atUnknown, atZipMV, 0},
      // A cabinet behind other bytes is searched for by no rule.
      {"cab/libmspack/search_basic.cab", atUnknown, atZipMV, 0},
      // PMarc's "-pm0-" is no LHA method mark.
      {"lha/lhasa/pmarc124/pm0.pma", atUnknown, atZipMV, 0},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.File);
    const std::string File = morvtest::SharedPath(std::string("fixtures/") + C.File);
    EXPECT_EQ(TypeName(Detect(File).ArcType), TypeName(C.Fixed));
    const TDetectResult R = Detect(File, true, "PKBACK# 002");
    EXPECT_EQ(TypeName(R.ArcType), TypeName(C.Spanned));
    if (C.Spanned == atZipMV) {
      EXPECT_EQ(int(C.SpannedFlags), int(R.Flags));
    }
  }
}

}  // namespace
