#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "tests/archive/core/arctest.h"

namespace {

struct TAttrCase {
  int Value;
  bool Any;
  int Mask;
};

TEST(ArcFileAttr, MaskRules) {
  const TAttrCase cases[] = {
      {0, true, 0x93F},     {0x3F, true, 0x93F},  {0x80, true, 0x93F},  {0x81, true, 0x93F},
      {0x21, false, 0x21},  {0x900, false, 0x900}, {0x1E, false, 0x1E}, {0x40, false, 0},
      {0x93F, true, 0x93F}, {0x13F, true, 0x93F},
  };
  for (const TAttrCase& c : cases) {
    TArcFileAttr a;
    a.SetftFileAttr(c.Value);
    EXPECT_EQ(a.ftAnyFile(), c.Any) << std::hex << c.Value;
    EXPECT_EQ(a.ftFileAttr(), c.Mask) << std::hex << c.Value;
    EXPECT_EQ(a.ftArchive(), (c.Mask & 0x20) != 0);
    EXPECT_EQ(a.ftTemporary(), (c.Mask & 0x100) != 0);
    EXPECT_EQ(a.ftCompressed(), (c.Mask & 0x800) != 0);
  }
}

TEST(ArcFileAttr, FlagsRebuildTheMask) {
  TArcFileAttr a;
  EXPECT_TRUE(a.ftAnyFile());
  a.SetftFileAttr(0x80);
  a.SetftHidden(false);
  EXPECT_FALSE(a.ftAnyFile());
  EXPECT_EQ(a.ftFileAttr(), 0x93D);
  a.SetftHidden(true);
  EXPECT_TRUE(a.ftAnyFile()) << "all eight flags set again";
  EXPECT_EQ(a.ftFileAttr(), 0x93F);

  a.SetftFileAttr(0x01);
  a.SetftAnyFile(true);
  EXPECT_EQ(a.ftFileAttr(), 0x93F);

  TArcFileAttr b;
  b.SetftFileAttr(0x22);
  a.Assign(&b);
  EXPECT_FALSE(a.ftAnyFile());
  EXPECT_EQ(a.ftFileAttr(), 0x22);
  EXPECT_TRUE(a.ftHidden());
  EXPECT_FALSE(a.ftReadOnly());
}

TEST(ArcMain, ZipCommentBufferIsClamped) {
  TTestArc arc;
  EXPECT_EQ(arc.ZipCmntBufSize(), 32000) << "never set: archives with a comment are found too";
  const int cases[][2] = {{100, 2000}, {-5, 2000}, {1999, 2000}, {2000, 2000}, {5000, 5000},
                          {32767, 32767}, {32768, 32767}, {40000, 32767}};
  for (auto& c : cases) {
    arc.SetZipCmntBufSize(c[0]);
    EXPECT_EQ(arc.ZipCmntBufSize(), c[1]) << c[0];
  }
}

TEST(ArcMain, SettingTheNameDetectsAndNormalises) {
  TTestArc arc(atArj);
  arc.EntryCount = 5;
  arc.SetArchiveFile("C:/data/a.arj");
  EXPECT_EQ(arc.ArchiveFile(), std::string("C:") + PathDelim + "data" + PathDelim + "a.arj");
  EXPECT_EQ(arc.ArcType(), atArj);
  EXPECT_EQ(arc.Detections, 1);
  EXPECT_EQ(arc.EntryCount, 0);
  EXPECT_EQ(arc.VolumeLetter, 'a');
  EXPECT_EQ(arc.NextVolumeNumber, 1);

  SetCurrentArcComponent(&arc);
  arc.SetArchiveFile("");
  EXPECT_EQ(arc.ArchiveFile(), "");
  EXPECT_EQ(arc.ArcType(), atNA);
  EXPECT_EQ(arc.Detections, 1) << "no detection for an empty name";
  EXPECT_EQ(CurrentArcComponent(), nullptr);
}

TEST(ArcMain, NothingIsDetectedWhileLoading) {
  TTestArc arc(atZip);
  arc.BeginLoading();
  arc.SetArchiveFile("x/y.zip");
  arc.SetArcType(atTar);
  EXPECT_EQ(arc.Detections, 0);
  EXPECT_EQ(arc.ArcType(), atTar);
  EXPECT_EQ(arc.ArchiveFile(), std::string("x") + PathDelim + "y.zip");
  arc.Loaded();
  arc.SetArcType(atTar);
  EXPECT_EQ(arc.ArcType(), atZip) << "readers detect whatever value is assigned";
}

struct TVolCase {
  const char* Name;
  TArcType Type;
  char Letter;
  int Next;
};

TEST(ArcMain, VolumeNaming) {
  const TVolCase cases[] = {
      {"x.arj", atArj, 'a', 1},    {"x.rar", atRar, 'r', 0},    {"x.ace", atACE, 'C', 0},
      {"x.a05", atArj, 'a', 6},    {"x.r15", atRarExe, 'r', 16}, {"x.001", atRar, '0', 2},
      {"dir.v2\\x", atArj, 'a', 1}, {"x", atRar, 'r', 0},       {"x.c09", atACE, 'C', 10},
      {"x.exe", atRarExe, 'r', 0},
  };
  for (const TVolCase& c : cases) {
    TTestArc arc(c.Type);
    arc.SetArchiveFile(c.Name);
    EXPECT_EQ(arc.VolumeLetter, c.Letter) << c.Name;
    EXPECT_EQ(arc.NextVolumeNumber, c.Next) << c.Name;
  }
  TTestArc zip(atZip);
  zip.NextVolumeNumber = 7;
  zip.SetArchiveFile("x.z01");
  EXPECT_EQ(zip.VolumeLetter, 0);
  EXPECT_EQ(zip.NextVolumeNumber, 0);
}

struct TSpecCase {
  std::vector<std::string> Lines;
  int Found;
  bool Pending;
};

TEST(ArcMain, SpecsPending) {
  const TSpecCase cases[] = {
      {{"*.txt"}, 0, true},
      {{"*.txt"}, 5, true},
      {{"a.txt"}, 0, false},
      {{"a.txt"}, 1, false},
      {{"a?.txt"}, 1, true},
      {{"a.txt", "b.txt"}, 0, true},
      {{"a.txt", "b.txt"}, 1, true},
      {{"a.txt", "b.txt"}, 2, false},
      {{"*.txt", "*.doc"}, 2, true},
      {{"*.txt", "*.doc"}, 7, true},
      {{"a.txt", "d?.doc"}, 9, true},
      {{}, 0, false},
  };
  TTestArc arc;
  for (const TSpecCase& c : cases) {
    TStringList specs;
    for (auto& l : c.Lines) specs.Add(l);
    EXPECT_EQ(arc.SpecsPending(specs, c.Found), c.Pending) << specs.Text() << " found " << c.Found;
  }
}

TEST(ArcMain, OwnedObjectsAndPasswords) {
  TComponent owner(nullptr);
  auto* arc = new TTestArc(atUnknown, &owner);
  EXPECT_EQ(arc->DiskManager()->Owner(), arc);
  EXPECT_TRUE(arc->FileAttribute()->ftAnyFile());
  EXPECT_TRUE(arc->UseStoredDirs);
  EXPECT_EQ(arc->PasswordAttempts, 3);
  TStringList pw;
  pw.Add("one");
  pw.Add("two");
  arc->SetPasswords(&pw);
  EXPECT_EQ(arc->Passwords()->Count(), 2);
  EXPECT_EQ((*arc->Passwords())[1], "two");
}

TEST(ArcTimer, PausedTimeIsNotCounted) {
  TArcTimer t;
  t.Start();
  t.Pause();
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  t.Resume();
  float e = t.Stop();
  EXPECT_LT(e, 0.2f);
  EXPECT_EQ(t.Elapsed(), e);
  t.Start();
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_GE(t.Stop(), 0.1f);
}

TEST(ArcFileList, RecordsAreCopiedAndStay) {
  struct TRec {
    uint32_t Offset;
    uint32_t Packed;
    uint16_t Method;
  };
  TArcFileList list;
  list.Init(28);
  TRec r{0, 0, 8};
  std::vector<void*> addresses;
  for (uint32_t i = 0; i < 1000; i++) {
    r.Offset = i;
    r.Packed = i * 3;
    list.AddRec(r);
    addresses.push_back(list.Items(int(i)));
  }
  r.Offset = 99999;
  ASSERT_EQ(list.Count(), 1000);
  EXPECT_EQ(list.Rec<TRec>(500).Offset, 500u);
  EXPECT_EQ(list.Rec<TRec>(500).Packed, 1500u);
  EXPECT_EQ(list.Rec<TRec>(999).Method, 8);
  EXPECT_EQ(list.Items(3), addresses[3]);
  EXPECT_THROW(list.Items(1000), EListError);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.RecordSize(), 28u);
}

}  // namespace
