// The listing documents and the printed listing of an archive opened in the
// main window; pages are recorded as metafiles instead of going to a printer.
#include "app/listexport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/entrytable.h"
#include "app/favorites.h"
#include "app/mainform.h"
#include "app/settings.h"
#include "app/utils.h"
#include "controls/views/prncells.h"
#include "framework/core/sysutils.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/testdriver.h"
#include "tests/support/testsupport.h"
#include "tests/support/win32/emfprinter.h"

using namespace morvtest;

namespace {

std::string Sep(int64_t V) { return InsertThousandSeparators(std::to_string(V)); }

// 2021-03-04 05:06 in the system's short formats, as the listings show it.
std::string SampleDate() {
  SYSTEMTIME st = {};
  st.wYear = 2021, st.wMonth = 3, st.wDay = 4, st.wHour = 5, st.wMinute = 6, st.wSecond = 8;
  char d[80] = {}, t[80] = {};
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, d, sizeof d);
  GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, t, sizeof t);
  return std::string(d) + " " + t;
}

std::string ReadText(const std::string& Path) {
  const std::vector<uint8_t> b = ReadFile(Path);
  return std::string(b.begin(), b.end());
}

class ListExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!UiDriver::DisplayAvailable()) GTEST_SKIP() << "no display (run under xvfb-run)";
    FDir = TempDir();
    FHost = HostPath(FDir);
    Form = std::make_unique<TMainForm>(Application);
    OtherFoldersPolicy = 0;  // no favourites question from a file another test left
    Form->Show();
    Application->ProcessMessages();
    Export = new TListExport(Form.get());
    Export->OpenDocument = [this](const std::string& File) { Opened.push_back(File); };
    Export->PrnCells1->SetPrinter(&Printer);
    FSavedHandler = AppMessageBoxHandler;
    AppMessageBoxHandler = [this](const std::string& Text, TMsgDlgType, TMsgDlgButtons) {
      Messages.push_back(Text);
      return static_cast<int>(mrOk);
    };
    ExplorerStyle = 0;
    SortOrder = 8;  // the archive's own order
  }
  void TearDown() override {
    if (Form) {
      AppMessageBoxHandler = FSavedHandler;
      Form.reset();
    }
    Application->ProcessMessages();
  }
  void Open(const std::string& Name) {
    Form->OpenArchiveFile(FDir + "\\" + Name);
    Form->FillFileList();
  }
  // Stored (not compressed) entries, so the packed sizes are the sizes.
  void MakeSampleZip() {
    ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir -p src/a/b && cd src && head -c 3000 /dev/zero > d.txt && "
                      "head -c 1000 /dev/zero > a/b/c.txt && head -c 200 /dev/zero > " + LongName + " && "
                      "head -c 2500 /dev/zero > 'a&b<c>.txt' && "
                      "touch -d '2021-03-04 05:06:08' d.txt a/b/c.txt " + LongName + " 'a&b<c>.txt' && "
                      "zip -q -0 ../t.zip d.txt a/b/c.txt " + LongName + " 'a&b<c>.txt' && "
                      "printf 'Say <hi> & \"bye\"' | zip -q -z ../t.zip"),
              0);
  }
  // N one-line files f1.txt .. fN.txt.
  void MakeNumberedZip(const std::string& Name, int N) {
    ASSERT_EQ(RunPeer("cd '" + FHost + "' && mkdir -p n" + Name + " && cd n" + Name + " && for i in $(seq 1 " +
                      std::to_string(N) + "); do echo $i > f$i.txt; done && zip -q ../" + Name + " $(seq -f 'f%g.txt' 1 " +
                      std::to_string(N) + ")"),
              0);
  }
  const std::string LongName = std::string(26, 'x') + ".txt";  // 30 characters
  std::unique_ptr<TMainForm> Form;
  TListExport* Export = nullptr;
  TEmfPrinter Printer;
  std::vector<std::string> Opened, Messages;
  std::string FDir, FHost;

 private:
  std::function<int(const std::string&, TMsgDlgType, TMsgDlgButtons)> FSavedHandler;
};

// Answers the save dialog with Name typed into its file-name field.
void AnswerSaveDialog(UiDriver::TModalAnswerer& Answer, const std::wstring& Name, std::string* Proposed) {
  Answer.Then([Name, Proposed](HWND Dialog, TCustomForm* Form) {
    if (Form) return false;
    HWND edit = GetDlgItem(Dialog, 0x47c);
    if (!edit) edit = GetDlgItem(Dialog, 0x480);
    if (!edit) return false;
    wchar_t was[MAX_PATH] = {};
    GetWindowTextW(edit, was, MAX_PATH);
    for (const wchar_t* p = was; *p; ++p) *Proposed += static_cast<char>(*p);
    SetWindowTextW(edit, Name.c_str());
    PostMessageW(Dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return true;
  });
}

}  // namespace

TEST(ListingFileName, ProposalEndsAtTheFirstDot) {
  struct Case {
    const char* Archive;
    const char* Ext;
    const char* Want;
  } cases[] = {{"C:\\x\\data.tar.gz", ".html", "data.html"},
               {"C:\\x\\data.tar.gz", ".txt", "data.txt"},
               {"C:\\x.y\\plain", ".txt", "plain.txt"},
               {"C:\\x\\.hidden.zip", ".txt", ".txt"}};
  for (const Case& c : cases) EXPECT_EQ(ListingFileName(c.Archive, c.Ext), c.Want) << c.Archive;
}

TEST_F(ListExportTest, GoldenDocumentsEscapeNamesAndComment) {
  if (Sep(3000) != "3,000") GTEST_SKIP() << "the golden texts are written for ',' as thousands separator";
  MakeSampleZip();
  Open("t.zip");
  ASSERT_EQ(FileCount, 4);
  const std::string date = SampleDate();
  const std::string name = FDir + "\\t.zip";
  // Sizes end at column 27, packed sizes fill 13 columns; the 30-character
  // name is followed by its size at once.
  const std::string rule(80, '-');
  const std::string txt =
      "Content OF archive: t.zip, archive size 7 Kb, decompressed size: 7 Kb, total 4 files.\r\n\r\n" + rule +
      "\r\nFile NAME Size Comp. size Date Path \r\n" + rule + "\r\n" +
      "d.txt" + std::string(17, ' ') + "3,000" + std::string(8, ' ') + "3,000  " + date + "  \r\n" +
      "c.txt" + std::string(17, ' ') + "1,000" + std::string(8, ' ') + "1,000  " + date + "  a\\b\\\r\n" +
      LongName + "200" + std::string(10, ' ') + "200  " + date + "  \r\n" +
      "a&b<c>.txt" + std::string(12, ' ') + "2,500" + std::string(8, ' ') + "2,500  " + date + "  \r\n" +
      rule + "\r\n\r\nArchive comment: Say <hi> & \"bye\"\r\n";
  EXPECT_EQ(TxtListing(name, "Say <hi> & \"bye\""), txt);

  auto row = [&](const std::string& N, int64_t Size, const std::string& Path) {
    return "<TR><TD>" + N + "</TD><TD align=RIGHT>" + Sep(Size) + "</TD><TD align=RIGHT>" + Sep(Size) +
           "</TD><TD ALIGN=CENTER>" + date + "</TD><TD ALIGN=LEFT>" + Path + "</TD>\r\n";
  };
  const std::string html =
      "<html>\r\n<head>\r\n<meta name=GENERATOR content=Quillon 2.0 HTML ZIP GENERATOR >\r\n"
      "<title>t.zip</title>\r\n<body bgcolor=#E8FCDA>\r\n"
      "<H4>Content OF archive: <a href=\"t.zip\"> t.zip</a>, archive size 7 Kb, decompressed size: 7 Kb, total 4 "
      "files.\r\n<HR SIZE=3>\r\n<TABLE BORDER=0 cellpadding=1 cellspacing=1>\r\n"
      "<TR><TD><H5>File name</H5></TD><TD ALIGN=RIGHT><H5>Size</H5></TD><TD ALIGN=RIGHT><H5>Compressed size</H5>"
      "</TD><TD ALIGN=CENTER><H5>Date/Time</H5></TD><TD><H5>Path</H5></TD></TR></H3>\r\n" +
      row("d.txt", 3000, "") + row("c.txt", 1000, "a\\b\\") + row(LongName, 200, "") +
      row("a&amp;b&lt;c&gt;.txt", 2500, "") +
      "</TABLE>\r\n<HR SIZE=3>\r\n<H4>Archive comment:<BR></H4>\r\n"
      "Say &lt;hi&gt; &amp; &quot;bye&quot;\r\n</body>\r\n</html>\r\n";
  EXPECT_EQ(HtmlListing(name, "Say <hi> & \"bye\""), html);

  // The menu command: the archive's name proposed, ".html" added to a name
  // without one, the comment read from the archive, the document opened.
  {
    UiDriver::TModalAnswerer answer;
    std::string proposed;
    AnswerSaveDialog(answer, L"listing", &proposed);
    Export->HTMLdocumentClick(nullptr);
    EXPECT_EQ(proposed, "t.html");
  }
  ASSERT_EQ(Opened.size(), 1u);
  EXPECT_TRUE(SameText(Opened[0], FDir + "\\listing.html")) << Opened[0];
  EXPECT_EQ(ReadText(FDir + "\\listing.html"), html);
  {
    UiDriver::TModalAnswerer answer;
    std::string proposed;
    AnswerSaveDialog(answer, L"listing.text", &proposed);
    Export->TXTdocumentClick(nullptr);
    EXPECT_EQ(proposed, "t.txt");
  }
  EXPECT_EQ(ReadText(FDir + "\\listing.text"), txt);
  // Cancelled: nothing written, nothing opened.
  {
    UiDriver::TModalAnswerer cancel;
    cancel.PressButton("Cancel");
    Export->TXTdocumentClick(nullptr);
  }
  EXPECT_EQ(Opened.size(), 2u);
}

TEST_F(ListExportTest, ExplorerStyleListsEveryEntryAndComesBack) {
  MakeSampleZip();
  Form->SetExplorerStyle(true);
  Open("t.zip");
  Form->ChangeFolder("a\\b\\");
  ASSERT_EQ(CurrentFolder, "a\\b\\");
  const int shown = FileCount;
  {
    UiDriver::TModalAnswerer answer;
    std::string proposed;
    AnswerSaveDialog(answer, L"all.txt", &proposed);
    Export->TXTdocumentClick(nullptr);
  }
  const std::string doc = ReadText(FDir + "\\all.txt");
  EXPECT_NE(doc.find("total 4 files."), std::string::npos) << doc;
  for (const std::string& n : {std::string("d.txt"), std::string("c.txt"), LongName})
    EXPECT_NE(doc.find("\r\n" + n), std::string::npos) << n;
  EXPECT_EQ(ExplorerStyle, 1);
  EXPECT_EQ(CurrentFolder, "a\\b\\");
  EXPECT_EQ(FileCount, shown);
  // A document that cannot be written raises the input/output error, opens
  // nothing, and the view still comes back.
  WriteFile(FDir + "\\locked.txt", std::string("old"));
  HANDLE held = CreateFileA((FDir + "\\locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  {
    UiDriver::TModalAnswerer answer;
    std::string proposed;
    AnswerSaveDialog(answer, L"locked.txt", &proposed);
    EXPECT_THROW(Export->TXTdocumentClick(nullptr), EInOutError);
  }
  CloseHandle(held);
  EXPECT_EQ(ReadText(FDir + "\\locked.txt"), "old");
  EXPECT_EQ(Opened.size(), 1u);
  EXPECT_EQ(CurrentFolder, "a\\b\\");
  EXPECT_EQ(FileCount, shown);
  // Printing goes the same way.
  Export->toPrinterClick(nullptr);
  ASSERT_EQ(Printer.Docs.size(), 1u);
  const auto& texts = Printer.Docs[0].Texts;
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Total: 4 files"), texts.end());
  EXPECT_EQ(CurrentFolder, "a\\b\\");
}

TEST_F(ListExportTest, PagesHoldFortyFiveEntries) {
  struct Case {
    int Entries, Pages;
  } cases[] = {{1, 1}, {44, 1}, {45, 1}, {46, 2}, {91, 3}};
  for (const Case& c : cases) {
    const std::string zip = "p" + std::to_string(c.Entries) + ".zip";
    MakeNumberedZip(zip, c.Entries);
    Open(zip);
    ASSERT_EQ(FileCount, c.Entries);
    Printer.Docs.clear();
    Messages.clear();
    Export->toPrinterClick(nullptr);
    ASSERT_EQ(static_cast<int>(Printer.Docs.size()), c.Pages) << c.Entries;
    EXPECT_EQ(Messages, std::vector<std::string>(static_cast<size_t>(c.Pages),
                                                 "File listing has been successfully printed."));
    const std::string total = c.Entries == 1 ? "Total: 1 file" : "Total: " + std::to_string(c.Entries) + " files";
    std::vector<std::string> all;
    for (size_t p = 0; p < Printer.Docs.size(); ++p) {
      const auto& texts = Printer.Docs[p].Texts;
      EXPECT_EQ(Printer.Docs[p].Title, "Quillon 2000: " + FDir + "\\" + zip);
      // Every page has the header row; the title only the first, the totals
      // only the last.
      EXPECT_NE(std::find(texts.begin(), texts.end(), "Filename"), texts.end());
      EXPECT_EQ(std::find(texts.begin(), texts.end(), zip) != texts.end(), p == 0) << c.Entries << " page " << p;
      EXPECT_EQ(std::find(texts.begin(), texts.end(), total) != texts.end(), p + 1 == Printer.Docs.size())
          << c.Entries << " page " << p;
      all.insert(all.end(), texts.begin(), texts.end());
    }
    // Every entry is on paper, also the last of an even count.
    for (int i = 1; i <= c.Entries; ++i)
      EXPECT_NE(std::find(all.begin(), all.end(), "f" + std::to_string(i) + ".txt"), all.end())
          << c.Entries << ": f" << i;
  }
}
