// The converter, UUencode, find, rename, file properties and comment windows
// driven as a user drives them over an archive open in the main window; what
// they write is checked by the peer tools.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/entrytable.h"
#include "app/mainform.h"
#include "app/settings.h"
#include "app/zipaccess.h"
#include "archive/lister/arclister.h"
#include "controls/commands/editx.h"
#include "controls/views/placement.h"
#include "dialogs/arcconvform.h"
#include "dialogs/commentform.h"
#include "dialogs/dragform.h"
#include "dialogs/filepropform.h"
#include "dialogs/findform.h"
#include "dialogs/passwordform.h"
#include "dialogs/renameform.h"
#include "dialogs/uuencodeform.h"
#include "framework/core/os.h"
#include "framework/core/sysutils.h"
#include "framework/ui/registry.h"
#include "framework/ui/testdriver.h"
#include "framework/ui/winapi.h"
#include "tests/app/mainform_fixture.h"
#include "tests/support/testsupport.h"

using namespace morvtest;

namespace {

// Answers every message box with OK and keeps the texts.
struct TBoxes {
  TBoxes() {
    for (int i = 0; i < 8; ++i)
      Answer.Then([this](HWND, TCustomForm* F) {
        // Only message boxes: another modal window is the test's own to answer.
        auto* message = F ? dynamic_cast<TLabel*>(UiDriver::FindComponent(F, "Message")) : nullptr;
        if (!message) return false;
        Texts.push_back(message->Caption());
        F->SetModalResult(mrOk);
        return true;
      });
  }
  bool Saw(const std::string& Part) const {
    for (const std::string& t : Texts)
      if (t.find(Part) != std::string::npos) return true;
    return false;
  }
  UiDriver::TModalAnswerer Answer;
  std::vector<std::string> Texts;
};

void Shot(TCustomForm* F, const std::string& Name) { SaveScreenshot(F, Name); }

class ToolDialogsTest : public TMainFormFixture {
 protected:
  void SetUp() override {
    TMainFormFixture::SetUp();
    if (IsSkipped()) return;
    ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir -p src/a && cd src && head -c 70000 /dev/urandom > a/c.bin"
                      " && seq 1 3000 > d.txt && echo small > e.txt && head -c 1234 /dev/zero > f.dat"
                      " && zip -q -r ../t.zip a d.txt e.txt f.dat"),
              0);
  }
  void Open(const std::string& Name) {
    TMainFormFixture::Open(Name);
    Application->ProcessMessages();
  }
  int Row(const std::string& Name) {
    for (size_t r = 0; r < FileTable.size(); ++r)
      if (AnsiLowerCase(FileTable[r].Name) == AnsiLowerCase(Name)) return int(r);
    return -1;
  }
  std::vector<std::string> SelectedNames() {
    std::vector<std::string> names;
    for (int r : Form->SelectedRows()) names.push_back(FileTable[size_t(r)].Name);
    std::sort(names.begin(), names.end());
    return names;
  }
};

// --- converter -------------------------------------------------------------

struct ConvCase {
  int Type;
  const char* Peer;
  const char* Check;  // run on the output, host path in $1
};

// Every output type passes its peer's test and holds what the source held.
TEST_F(ToolDialogsTest, ConverterOutputsPassTheirPeers) {
  Open(FDir + "\\t.zip");
  const ConvCase cases[] = {
      {1, "cabextract", "cabextract -t \"$1\""},
      {2, "lha", "lha t \"$1\""},
      {3, "unzip", "unzip -t \"$1\" && unzip -p \"$1\" d.txt | cmp - src/d.txt"},
      {4, "tar", "tar tf \"$1\" && tar xOf \"$1\" a/c.bin | cmp - src/a/c.bin"},
      {5, "tar", "tar tzf \"$1\" && tar xzOf \"$1\" d.txt | cmp - src/d.txt"},
  };
  TARCConvForm d(nullptr);
  d.Show();
  Application->ProcessMessages();
  // The output never stands on the input: a Zip made from t.zip is t_1.ZIP.
  EXPECT_EQ(d.Edit1->Text(), FDir + "\\t.zip");
  EXPECT_EQ(d.Edit2->Text(), FDir + "\\t.BH");
  for (const ConvCase& c : cases) {
    SCOPED_TRACE(c.Type);
    if (!HavePeer(c.Peer)) continue;
    if (!d.Visible()) d.Show();
    UiDriver::SetValue(d.RadioGroup1, std::to_string(c.Type));
    Application->ProcessMessages();
    std::string out = d.Edit2->Text();
    if (c.Type == 3) {
      EXPECT_EQ(out, FDir + "\\t_1.ZIP");
    } else {
      out = FDir + "\\conv" + std::to_string(c.Type) + ConvOutputExt(c.Type);
      UiDriver::SetValue(d.Edit2, out);
    }
    TBoxes boxes;
    UiDriver::Click(d.btnOK);
    Application->ProcessMessages();
    ASSERT_TRUE(boxes.Saw("Archive successfully converted.")) << (boxes.Texts.empty() ? "" : boxes.Texts[0]);
    EXPECT_EQ(boxes.Texts.size(), 1u) << boxes.Texts[0];
    EXPECT_FALSE(d.Visible());
    // The gzip step adds its extension to the tar's name.
    if (c.Type == 5) out += ".GZ";
    ASSERT_TRUE(FileExists(out)) << out;
    const std::string target = "'" + HostPath(out) + "'";
    std::string log;
    EXPECT_EQ(RunPeer("cd '" + FHost + "' && set -- " + target + " && " + c.Check, &log), 0) << log;
  }
}

TEST_F(ToolDialogsTest, ConverterRefusesInputAsOutput) {
  Open(FDir + "\\t.zip");
  const std::vector<uint8_t> before = ReadFile(FDir + "\\t.zip");
  TARCConvForm d(nullptr);
  d.Show();
  UiDriver::SetValue(d.RadioGroup1, "3");
  UiDriver::SetValue(d.Edit2, FDir + "\\T.ZIP");
  TBoxes boxes;
  UiDriver::Click(d.btnOK);
  Application->ProcessMessages();
  EXPECT_FALSE(boxes.Saw("Archive successfully converted."));
  EXPECT_TRUE(boxes.Saw("Error: ")) << (boxes.Texts.empty() ? "" : boxes.Texts[0]);
  EXPECT_FALSE(d.Converted());
  EXPECT_TRUE(d.Visible());
  EXPECT_EQ(ReadFile(FDir + "\\t.zip"), before);
  ASSERT_GT(d.ListBox1->Items()->Count(), 3);
  EXPECT_EQ((*d.ListBox1->Items())[0], std::string(76, '#'));
  Shot(&d, "converter");
  // A source that cannot be read is no success either.
  UiDriver::SetValue(d.Edit1, FDir + "\\missing.zip");
  UiDriver::SetValue(d.Edit2, FDir + "\\out.ZIP");
  TBoxes more;
  UiDriver::Click(d.btnOK);
  Application->ProcessMessages();
  EXPECT_FALSE(more.Saw("Archive successfully converted."));
  EXPECT_FALSE(FileExists(FDir + "\\out.ZIP"));
}

// An enciphered source entry asks for the password in the password window;
// an empty answer gives up on it.
TEST_F(ToolDialogsTest, ConverterAsksThePasswordOfAnEncipheredSource) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && zip -q -P secret ../enc.zip d.txt e.txt"), 0);
  const struct {
    const char* Answer;
    bool Converted;
  } Cases[] = {{"secret", true}, {"", false}};
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Answer);
    const std::string out = FDir + "\\enc" + (C.Converted ? "1" : "2") + ".TAR";
    TARCConvForm d(nullptr);
    d.Show();
    UiDriver::SetValue(d.Edit1, FDir + "\\enc.zip");
    UiDriver::SetValue(d.RadioGroup1, "4");
    UiDriver::SetValue(d.Edit2, out);
    int asked = 0;
    UiDriver::TModalAnswerer answer;
    for (int i = 0; i < 6; ++i)
      answer.Then([&](HWND, TCustomForm* F) {
        if (!F || F != Form->PasswordForm1) return false;
        ++asked;
        EXPECT_EQ(F->Caption(), "Password");
        EXPECT_EQ(Form->PasswordForm1->Password->Text(), "");
        UiDriver::SetValue(Form->PasswordForm1->Password, C.Answer);
        UiDriver::Click(Form->PasswordForm1->OKButt);
        return true;
      });
    TBoxes boxes;
    UiDriver::Click(d.btnOK);
    Application->ProcessMessages();
    EXPECT_GE(asked, 1);
    EXPECT_EQ(boxes.Saw("Archive successfully converted."), C.Converted)
        << (boxes.Texts.empty() ? "" : boxes.Texts[0]);
    if (C.Converted) {
      std::string log;
      EXPECT_EQ(RunPeer("cd '" + FHost + "' && tar xOf '" + HostPath(out) + "' d.txt | cmp - src/d.txt && tar xOf '" +
                            HostPath(out) + "' e.txt | cmp - src/e.txt",
                        &log),
                0)
          << log;
    } else {
      EXPECT_FALSE(d.Converted());
    }
  }
}

// A volume of the source that is not there is asked for by name; Cancel
// stops the conversion without an output, another place for it goes on.
TEST_F(ToolDialogsTest, ConverterAsksForAMissingVolume) {
  if (!HavePeer("arj")) GTEST_SKIP() << "no arj";
  ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir -p vol moved && cd vol && head -c 120000 /dev/urandom > big.bin"
                    " && echo tail > a.txt && arj a -m0 -v50k -y v.arj big.bin a.txt > /dev/null"
                    " && test -f v.a01 && mv v.a01 ../moved/"),
            0);
  const struct {
    bool Found;  // the box is answered with the volume's new place
  } Cases[] = {{false}, {true}};
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Found);
    const std::string out = FDir + "\\vol" + (C.Found ? "1" : "2") + ".TAR";
    TARCConvForm d(nullptr);
    d.Show();
    UiDriver::SetValue(d.Edit1, FDir + "\\vol\\v.arj");
    UiDriver::SetValue(d.RadioGroup1, "4");
    UiDriver::SetValue(d.Edit2, out);
    std::string caption, prompt, proposed;
    UiDriver::TModalAnswerer answer;
    answer.Then([&](HWND, TCustomForm* F) {
      if (!F || F->Name() != "VolumeBox") return false;
      caption = F->Caption();
      prompt = UiDriver::Find<TLabel>(F, "Prompt")->Caption();
      auto* value = UiDriver::Find<TEditX>(F, "Value");
      proposed = value->Text();
      if (C.Found) {
        UiDriver::SetValue(value, FDir + "\\moved\\v.a01");
        UiDriver::Click(UiDriver::Find<TButton>(F, "OKButt"));
      } else {
        UiDriver::Click(UiDriver::Find<TButton>(F, "CancelButt"));
      }
      return true;
    });
    TBoxes boxes;
    UiDriver::Click(d.btnOK);
    Application->ProcessMessages();
    ASSERT_TRUE(answer.Done());
    EXPECT_TRUE(SameText(caption, "v.a01")) << caption;
    EXPECT_EQ(prompt.rfind("Volume ID: ", 0), 0u) << prompt;
    EXPECT_TRUE(SameText(proposed, FDir + "\\vol\\v.a01")) << proposed;
    EXPECT_EQ(boxes.Saw("Archive successfully converted."), C.Found);
    if (C.Found) {
      std::string log;
      EXPECT_EQ(RunPeer("cd '" + FHost + "' && tar xOf '" + HostPath(out) + "' big.bin | cmp - vol/big.bin", &log), 0)
          << log;
    } else {
      EXPECT_FALSE(FileExists(out));
      EXPECT_EQ(d.StatusBar1->SimpleText(), "User canceled...");
    }
  }
}

// --- drag and drop ---------------------------------------------------------

// Dropped files added with custom spanning make a new set of volumes no
// larger than asked; the dropped folder's files go into the archive itself,
// unspanned. The user is told to open the set's last volume.
TEST_F(ToolDialogsTest, DropWithSpanningWritesAVolumeSet) {
  ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir -p drop/fold && cd drop && head -c 90000 /dev/urandom > big1.bin"
                    " && head -c 90000 /dev/urandom > big2.bin && seq 1 2000 > fold/g.txt"),
            0);
  Open(FDir + "\\t.zip");
  Form->FileDrag1Drop({FDir + "\\drop\\fold", FDir + "\\drop\\big1.bin", FDir + "\\drop\\big2.bin"});
  Application->ProcessMessages();
  TDragForm* d = Form->DragForm;
  ASSERT_TRUE(d && d->Visible());
  EXPECT_TRUE(d->GroupBox4->Enabled());
  EXPECT_EQ(d->ComboBox3->ItemIndex(), 2);
  EXPECT_FALSE(d->EditX1->Enabled());
  UiDriver::SetValue(d->ComboBox3, "Custom");
  ASSERT_EQ(d->ComboBox3->ItemIndex(), 1);
  EXPECT_TRUE(d->EditX1->Enabled());
  UiDriver::SetValue(d->EditX1, "100000");
  UiDriver::SetValue(d->EditX2, "0");
  TBoxes boxes;
  UiDriver::Click(d->Button1);
  Application->ProcessMessages();
  ASSERT_EQ(boxes.Texts.size(), 1u) << (boxes.Texts.empty() ? "" : boxes.Texts[0]);
  EXPECT_EQ(boxes.Texts[0],
            "Now, because you were creating spanning disks, you have to open \rthe last archive of this archive set.");
  EXPECT_TRUE(ArchiveName.empty());
  EXPECT_TRUE(Form->Enabled());
  std::vector<std::string> volumes;
  for (int i = 1; i < 10 && FileExists(FDir + "\\t00" + std::to_string(i) + ".zip"); ++i)
    volumes.push_back(FDir + "\\t00" + std::to_string(i) + ".zip");
  std::string listing;
  RunPeer("cd '" + FHost + "' && ls -l", &listing);
  ASSERT_GE(volumes.size(), 2u) << listing;
  for (const std::string& v : volumes) EXPECT_LE(ReadFile(v).size(), 100000u) << v;
  // Info-ZIP joins the volumes under its own names and finds the files whole.
  std::string cmd = "cd '" + FHost + "' && mkdir -p iz && ";
  for (size_t i = 0; i + 1 < volumes.size(); ++i)
    cmd += "cp '" + HostPath(volumes[i]) + "' iz/set.z0" + std::to_string(i + 1) + " && ";
  cmd += "cp '" + HostPath(volumes.back()) + "' iz/set.zip && cd iz && zip -q -s 0 set.zip --out whole.zip"
         " && unzip -tq whole.zip > /dev/null && unzip -q whole.zip -d x && cmp x/big1.bin ../drop/big1.bin"
         " && cmp x/big2.bin ../drop/big2.bin && unzip -Z1 whole.zip | sort | tr '\\n' ' '";
  std::string log;
  ASSERT_EQ(RunPeer(cmd, &log), 0) << log;
  EXPECT_EQ(Trim(log), "big1.bin big2.bin");
  EXPECT_EQ(RunPeer("cd '" + FHost + "' && unzip -tq t.zip && unzip -p t.zip g.txt | cmp - drop/fold/g.txt", &log), 0)
      << log;
}

TEST_F(ToolDialogsTest, ConverterTypeChoiceSetsMethodCheckAndExtension) {
  TARCConvForm d(nullptr);
  d.Show();
  Application->ProcessMessages();
  // Nothing open: OK waits for both names.
  EXPECT_FALSE(d.btnOK->Enabled());
  UiDriver::SetValue(d.Edit1, "C:\\a\\b.rar");
  EXPECT_FALSE(d.btnOK->Enabled());
  UiDriver::SetValue(d.Edit2, "C:\\a\\b.BH");
  EXPECT_TRUE(d.btnOK->Enabled());
  UiDriver::SetValue(d.RadioGroup2, "1");
  UiDriver::SetValue(d.RadioGroup1, "1");
  EXPECT_EQ(d.Edit2->Text(), "C:\\a\\b.CAB");
  EXPECT_EQ(d.RadioGroup2->ItemIndex(), 0);
  EXPECT_FALSE(d.RadioGroup2->Enabled());
  EXPECT_FALSE(d.CheckBox1->Enabled());
  UiDriver::SetValue(d.RadioGroup1, "5");
  EXPECT_EQ(d.Edit2->Text(), "C:\\a\\b.TAR");
  EXPECT_TRUE(d.RadioGroup2->Enabled());
  EXPECT_FALSE(d.CheckBox1->Enabled());
  UiDriver::SetValue(d.RadioGroup1, "3");
  EXPECT_TRUE(d.CheckBox1->Enabled());
  EXPECT_EQ(d.Edit2->Text(), "C:\\a\\b.ZIP");
  // Choosing the input's own type never proposes the input.
  UiDriver::SetValue(d.Edit1, "C:\\a\\b.zip");
  UiDriver::SetValue(d.RadioGroup1, "0");
  UiDriver::SetValue(d.RadioGroup1, "3");
  EXPECT_EQ(d.Edit2->Text(), "C:\\a\\b_1.ZIP");
  EXPECT_EQ(ConvOutputName("C:\\a\\b.rar", 0), "C:\\a\\b.BH");
  EXPECT_EQ(ConvOutputName("C:\\a\\b.tar", 4), "C:\\a\\b_1.TAR");
}

// --- uuencode --------------------------------------------------------------

TEST_F(ToolDialogsTest, UUEncodeRoundTripThroughUudecode) {
  if (!HavePeer("uudecode")) GTEST_SKIP() << "no uudecode";
  Open(FDir + "\\t.zip");
  TUUEncodeForm d(nullptr);
  d.Show();
  Application->ProcessMessages();
  EXPECT_EQ(d.SourceFile->Text(), FDir + "\\t.zip");
  EXPECT_EQ(d.DestFile->Text(), FDir + "\\t.uue");
  UiDriver::SetValue(d.RadioGroup1, "1");
  EXPECT_EQ(d.DestFile->Text(), FDir + "\\t.xxe");
  UiDriver::SetValue(d.RadioGroup1, "0");
  EXPECT_EQ(d.DestFile->Text(), FDir + "\\t.uue");
  Shot(&d, "uuencode");
  TBoxes boxes;
  UiDriver::Click(d.OKButton);
  Application->ProcessMessages();
  EXPECT_TRUE(boxes.Saw("Archive encoded as ")) << (boxes.Texts.empty() ? "" : boxes.Texts[0]);
  std::string log;
  ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir -p dec && uudecode -o dec/t.zip t.uue && cmp dec/t.zip t.zip", &log),
            0)
      << log;
  // The Actions menu's command opens the window.
  ASSERT_TRUE(Form->UUencode->Enabled());
  std::string caption;
  {
    UiDriver::TModalAnswerer answer;
    answer.Then([&](HWND, TCustomForm* F) {
      if (!dynamic_cast<TUUEncodeForm*>(F)) return false;
      caption = F->Caption();
      F->SetModalResult(mrCancel);
      return true;
    });
    Form->UUencode->Click();
  }
  EXPECT_EQ(caption, "UUEncode / XXEncode");
  EXPECT_EQ(UUVolumeKBytes(5), 1434);
  EXPECT_EQ(UUVolumeKBytes(0), 0);
}

TEST_F(ToolDialogsTest, UUEncodeProbeKeepsExistingFilesAndReportsUncreatable) {
  const std::string kept = FDir + "\\kept.uue";
  WriteFile(kept, std::string("the user's own text"));
  EXPECT_TRUE(CanCreateFile(kept));
  EXPECT_EQ(ReadFile(kept), std::vector<uint8_t>({'t', 'h', 'e', ' ', 'u', 's', 'e', 'r', '\'', 's', ' ', 'o', 'w',
                                                   'n', ' ', 't', 'e', 'x', 't'}));
  EXPECT_TRUE(CanCreateFile(FDir + "\\new.uue"));
  EXPECT_FALSE(FileExists(FDir + "\\new.uue"));

  Open(FDir + "\\t.zip");
  TUUEncodeForm d(nullptr);
  d.Show();
  Application->ProcessMessages();
  const std::string bad = FDir + "\\no\\such\\folder\\t.uue";
  UiDriver::SetValue(d.DestFile, bad);
  TBoxes boxes;
  UiDriver::Click(d.OKButton);
  Application->ProcessMessages();
  EXPECT_TRUE(boxes.Saw("Can't create file: " + bad));
  EXPECT_FALSE(boxes.Saw("Archive encoded as "));
}

// --- find ------------------------------------------------------------------

struct FindCase {
  const char* Name;
  std::function<void(TFindForm&)> Fill;
  std::vector<std::string> Selected;
};

TEST_F(ToolDialogsTest, FindByMaskSizeAndDate) {
  // Dates the peers set: d.txt and e.txt old, f.dat today.
  ASSERT_EQ(RunPeer("cd '" + FHost + "/src' && touch -d 2001-05-10 d.txt && touch -d 2003-02-01 e.txt && rm -f ../t.zip"
                    " && zip -q -r ../t.zip a d.txt e.txt f.dat"),
            0);
  Open(FDir + "\\t.zip");
  auto date = [](TFindForm& d, TDateTime From, TDateTime To) {
    UiDriver::Click(d.FindDates);
    d.SetDateRange(From, To);
  };
  auto size = [](TFindForm& d, const char* Text, int Mode) {
    UiDriver::Click(d.FindSizes);
    UiDriver::SetValue(d.SelSize, Text);
    d.SizeMode->SetItemIndex(Mode);
  };
  const FindCase cases[] = {
      {"mask", [](TFindForm& d) { UiDriver::SetValue(d.ftype, "*.txt"); }, {"d.txt", "e.txt"}},
      {"below", [&](TFindForm& d) { size(d, "1 234", 0); }, {"e.txt", "f.dat"}},
      {"above", [&](TFindForm& d) { size(d, "1234", 1); }, {"c.bin", "d.txt", "f.dat"}},
      {"exact", [&](TFindForm& d) { size(d, "1234", 2); }, {"f.dat"}},
      {"range", [&](TFindForm& d) { date(d, EncodeDate(2001, 5, 10), EncodeDate(2003, 2, 1)); }, {"d.txt"}},
      {"to today", [&](TFindForm& d) { date(d, EncodeDate(1980, 1, 1), Date()); }, {"d.txt", "e.txt"}},
      {"mask and size", [&](TFindForm& d) {
         UiDriver::SetValue(d.ftype, "*.txt");
         size(d, "100", 1);
       }, {"d.txt"}},
  };
  TFindForm d(nullptr);
  for (const FindCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Form->SetRowSelected(-1, false);
    d.Show();
    Application->ProcessMessages();
    EXPECT_FALSE(d.SelSize->Enabled());
    EXPECT_FALSE(d.DateRangeEnabled());
    c.Fill(d);
    UiDriver::Click(d.OKButton);
    Application->ProcessMessages();
    EXPECT_FALSE(d.Visible());
    EXPECT_EQ(SelectedNames(), c.Selected);
  }
  // Rows already selected stay selected.
  Form->SetRowSelected(-1, false);
  Form->SetRowSelected(Row("f.dat"), true);
  d.Show();
  UiDriver::SetValue(d.ftype, "*.txt");
  Shot(&d, "find");
  UiDriver::Click(d.OKButton);
  Application->ProcessMessages();
  EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"d.txt", "e.txt", "f.dat"}));
}

TEST(FindMatchesTest, SizeTextsAndFolderRows) {
  TFile f;
  f.Name = "x.bin";
  f.SizeText = "1,234";
  f.FileDate = DateTimeToFileDate(EncodeDate(2020, 3, 4));
  TFindCriteria c;
  c.UseSize = true;
  c.SizeText = "1234";
  c.SizeMode = 2;
  EXPECT_TRUE(FindMatches(f, c));
  f.SizeText = "1.234";
  EXPECT_TRUE(FindMatches(f, c));
  // A folder row's size column is a marker, never a number.
  TFile dir;
  dir.Name = "sub\\";
  dir.SizeText = "SUB-DIR";
  c.SizeMode = 0;
  c.Mask = "*";
  EXPECT_FALSE(FindMatches(dir, c));
  c.SizeText = "12a";
  EXPECT_FALSE(FindMatches(f, c));
  // The upper day is not in the range.
  TFindCriteria d;
  d.UseDate = true;
  d.DateFrom = EncodeDate(2020, 3, 4);
  d.DateTo = EncodeDate(2020, 3, 4);
  EXPECT_FALSE(FindMatches(f, d));
  d.DateTo = EncodeDate(2020, 3, 5);
  EXPECT_TRUE(FindMatches(f, d));
}

// --- rename ----------------------------------------------------------------

TEST_F(ToolDialogsTest, RenameEntryRefusesTakenNamesAndRenamesInTheZip) {
  Open(FDir + "\\t.zip");
  TRenameFForm d(nullptr);
  Form->SetRowSelected(Row("e.txt"), true);
  d.Show();
  Application->ProcessMessages();
  EXPECT_EQ(d.FileName->Text(), "e.txt");
  {
    TBoxes boxes;
    UiDriver::SetValue(d.FileName, "D.TXT");
    UiDriver::Click(d.OKButton);
    Application->ProcessMessages();
    EXPECT_TRUE(boxes.Saw("The file name D.TXT already exists."));
    EXPECT_TRUE(d.Visible());
  }
  UiDriver::SetValue(d.FileName, "renamed.txt");
  Shot(&d, "rename");
  UiDriver::Click(d.OKButton);
  Application->ProcessMessages();
  EXPECT_FALSE(d.Visible());
  std::string names;
  ASSERT_EQ(RunPeer("unzip -Z1 '" + FHost + "/t.zip' | sort", &names), 0) << names;
  EXPECT_EQ(names, "a/\na/c.bin\nd.txt\nf.dat\nrenamed.txt\n");
  std::string test;
  EXPECT_EQ(RunPeer("cd '" + FHost + "' && unzip -t t.zip && unzip -p t.zip renamed.txt | cmp - src/e.txt", &test), 0)
      << test;
  EXPECT_GE(Row("renamed.txt"), 0);
  // An entry may take its own name in another case.
  Form->SetRowSelected(-1, false);
  Form->SetRowSelected(Row("d.txt"), true);
  EXPECT_FALSE(EntryNameTaken(Row("d.txt"), "D.TXT"));
  EXPECT_TRUE(EntryNameTaken(Row("f.dat"), "D.TXT"));
}

// --- file properties and comment --------------------------------------------

TEST_F(ToolDialogsTest, FilePropertiesShowTheEntryAndLeaveTempAlone) {
  Open(FDir + "\\t.zip");
  const std::string temp = EnsureTempFolder();
  auto listing = [](const std::string& Dir) {
    std::string out;
    RunPeer("ls -A '" + HostPath(Dir) + "' 2>/dev/null", &out);
    return out;
  };
  const std::string tempBefore = listing(temp), sysBefore = listing(GetTempDir());
  Form->SetRowSelected(Row("f.dat"), true);
  TFilePropForm d(nullptr);
  d.Show();
  Application->ProcessMessages();
  EXPECT_EQ(d.NameV->Caption(), "f.dat");
  EXPECT_EQ(d.SizeV->Caption(), "1,234 bytes");
  EXPECT_EQ(d.TypeV->Caption().empty(), false);
  EXPECT_FALSE(d.ModifiedV->Caption().empty());
  EXPECT_EQ(listing(temp), tempBefore);
  EXPECT_EQ(listing(GetTempDir()), sysBefore);
  Shot(&d, "file-properties");
  d.Close();

  TFile up;
  up.Name = "..\\";
  up.SizeText = "UP---DIR";
  TFileProps p = FilePropsOf(up);
  EXPECT_EQ(p.Name, "..");
  EXPECT_EQ(p.Type, "Up Folder");
  EXPECT_EQ(p.Size, "");
  TFile sub;
  sub.Name = "docs\\";
  sub.SizeText = "SUB-DIR";
  p = FilePropsOf(sub);
  EXPECT_EQ(p.Name, "docs");
  EXPECT_EQ(p.Type, "Sub Folder");
  EXPECT_FALSE(FileTypeName("x.qqq").empty());
}

TEST_F(ToolDialogsTest, CommentEditorButtonsFollowReadOnly) {
  Open(FDir + "\\t.zip");
  TCommentForm d(nullptr);
  d.CommentText->SetText("A comment\r\nof two lines");
  d.Show();
  Application->ProcessMessages();
  EXPECT_TRUE(d.ClearButt->Enabled());
  EXPECT_TRUE(d.InsertButt->Enabled());
  Shot(&d, "comment");
  UiDriver::Click(d.ClearButt);
  EXPECT_EQ(d.CommentText->Text(), "");
  WriteFile(FDir + "\\file_id.diz", std::string(5000, 'x'));
  ASSERT_TRUE(d.InsertFromFile(FDir + "\\file_id.diz"));
  EXPECT_EQ(d.CommentText->Text().size(), size_t(MaxCommentLength));
  d.Close();
  d.CommentText->SetReadOnly(true);
  d.Show();
  Application->ProcessMessages();
  EXPECT_FALSE(d.ClearButt->Enabled());
  EXPECT_FALSE(d.InsertButt->Enabled());
  d.Close();
}

}  // namespace
