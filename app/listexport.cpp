#include "app/listexport.h"

#include <algorithm>
#include <vector>

#include "app/entrytable.h"
#include "app/mainform.h"
#include "app/settings.h"
#include "app/utils.h"
#include "app/zipaccess.h"
#include "controls/views/prncells.h"
#include "framework/core/os.h"
#include "framework/core/sysutils.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/graphics.h"
#include "framework/ui/winapi.h"

namespace {

constexpr const char* ProgramVersion = "2.0";
constexpr const char* HomePage = "http://www.quillon2000.com/";
const std::string Rule(80, '-');

std::string Thousands(int64_t V) { return InsertThousandSeparators(std::to_string(V)); }

// Sizes with separators; "?" and the folder markers as they are.
std::string SizeText(const std::string& S) {
  if (S.empty() || S[0] < '0' || S[0] > '9') return S;
  return InsertThousandSeparators(S);
}

std::string HtmlEscaped(const std::string& S) {
  std::string r;
  for (char c : S) {
    switch (c) {
      case '&': r += "&amp;"; break;
      case '<': r += "&lt;"; break;
      case '>': r += "&gt;"; break;
      case '"': r += "&quot;"; break;
      default: r += c;
    }
  }
  return r;
}

std::string CountText() {
  return Thousands(FileCount) + (FileCount == 1 ? " file." : " files.");
}

std::string ContentLine(const std::string& Name) {
  return "Content OF archive: " + Name + ", archive size " + TotalPackedKB + " Kb, decompressed size: " +
         TotalUnpackedKB + " Kb, total " + CountText();
}

std::string Padded(const std::string& S, size_t Width) {
  return S.size() >= Width ? S : std::string(Width - S.size(), ' ') + S;
}

}  // namespace

std::string ListingDateText(int32_t DosDate) {
  FILETIME local;
  SYSTEMTIME st;
  if (!DosDateTimeToFileTime(static_cast<WORD>(static_cast<uint32_t>(DosDate) >> 16),
                             static_cast<WORD>(DosDate & 0xFFFF), &local) ||
      !FileTimeToSystemTime(&local, &st))
    return {};
  char d[80] = {}, t[80] = {};
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, d, sizeof d);
  GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, t, sizeof t);
  return std::string(d) + " " + t;
}

std::string ListingFileName(const std::string& ArchiveName, const std::string& Ext) {
  const std::string name = ExtractFileName(ArchiveName);
  return name.substr(0, name.find('.')) + Ext;
}

std::string HtmlListing(const std::string& ArchiveName, const std::string& Comment) {
  const std::string name = HtmlEscaped(ExtractFileName(ArchiveName));
  std::vector<std::string> lines = {
      "<html>",
      "<head>",
      std::string("<meta name=GENERATOR content=Quillon ") + ProgramVersion + " HTML ZIP GENERATOR >",
      "<title>" + name + "</title>",
      "<body bgcolor=#E8FCDA>",
      // The name goes into a quoted attribute: a blank or a '>' in it must
      // not end the link.
      "<H4>" + ContentLine("<a href=\"" + name + "\"> " + name + "</a>"),
      "<HR SIZE=3>",
      "<TABLE BORDER=0 cellpadding=1 cellspacing=1>",
      "<TR><TD><H5>File name</H5></TD><TD ALIGN=RIGHT><H5>Size</H5></TD><TD ALIGN=RIGHT><H5>Compressed size</H5>"
      "</TD><TD ALIGN=CENTER><H5>Date/Time</H5></TD><TD><H5>Path</H5></TD></TR></H3>",
  };
  for (int i = 0; i < FileCount; ++i) {
    const TFile& f = FileTable[static_cast<size_t>(i)];
    lines.push_back("<TR><TD>" + HtmlEscaped(f.Name) + "</TD><TD align=RIGHT>" + SizeText(f.SizeText) +
                    "</TD><TD align=RIGHT>" + SizeText(f.PackedText) + "</TD><TD ALIGN=CENTER>" +
                    ListingDateText(f.FileDate) + "</TD><TD ALIGN=LEFT>" + HtmlEscaped(f.Path) + "</TD>");
  }
  for (const char* tail : {"</TABLE>", "<HR SIZE=3>", "<H4>Archive comment:<BR></H4>"}) lines.push_back(tail);
  lines.push_back(HtmlEscaped(Comment));
  lines.push_back("</body>");
  lines.push_back("</html>");
  std::string doc;
  for (const std::string& l : lines) doc += l + "\r\n";
  return doc;
}

std::string TxtListing(const std::string& ArchiveName, const std::string& Comment) {
  std::string doc = ContentLine(ExtractFileName(ArchiveName)) + "\r\n\r\n" + Rule + "\r\n" +
                    "File NAME Size Comp. size Date Path \r\n" + Rule + "\r\n";
  for (int i = 0; i < FileCount; ++i) {
    const TFile& f = FileTable[static_cast<size_t>(i)];
    const std::string size = SizeText(f.SizeText);
    // The size ends at column 27 unless the name leaves no room.
    std::string line = f.Name;
    if (line.size() + size.size() < 27) line += std::string(27 - line.size() - size.size(), ' ');
    line += size + Padded(SizeText(f.PackedText), 13) + "  " + ListingDateText(f.FileDate) + "  " + f.Path;
    doc += line + "\r\n";
  }
  return doc + Rule + "\r\n\r\nArchive comment: " + Comment + "\r\n";
}

namespace {

const std::vector<float> GridColumns = {3.8f, 3.6f, 2.4f, 1.0f, 2.4f, 3.8f};
const uint8_t GridAlign[6] = {0, 2, 1, 2, 1, 0};  // left, centre, right, centre, right, left
const std::vector<float> TotalColumns = {7.4f, 2.4f, 1.0f, 2.4f, 3.8f};
const uint8_t TotalAlign[5] = {0, 1, 2, 1, 0};
constexpr float PageBlockWidth = 17.0f, FullPageHeight = 25.5f, TitleHeight = 2.5f, TotalsHeight = 1.0f,
                RowHeight = 0.5f;

void NewPage(TPrnCells* Cells, float Height) {
  Cells->Clear();
  Cells->SetFont("Arial", clBlack, -0.33f, 0);
  TCell* temp = Cells->AddCell("Temp", 0, 0, PageBlockWidth, Height);
  temp->CenterOnPage(0);
  // Every page starts where a full page would.
  temp->RangeChecks = false;
  temp->SetTop((Cells->PageHeight() - FullPageHeight) * 0.5f);
  temp->SetBottom(temp->Top() + Height);
  temp->RangeChecks = true;
}

void FillTitle(TPrnCells* Cells, const std::string& ArchiveName) {
  Cells->Select("BlockR1");
  Cells->SplitCellRows("Title", {1.65f, 0.4f, 0.4f, 0.15f});
  Cells->Select("TitleR1");
  Cells->SetCellTexts({ExtractFileName(ArchiveName)});
  Cells->SetFont("Arial", clBlack, -0.8f, fsBold);
  Cells->Select("TitleR2");
  Cells->SetCellTexts(
      {"Created WITH Quillon 2000 --- Great, powerful AND totally FREE Archive Utility FOR Windows"});
  Cells->SetFont("Times New Roman", clBlack, -0.35f, 0);
  Cells->Select("TitleR3");
  Cells->SetCellTexts({HomePage});
  Cells->SetFont("Arial", clBlack, -0.35f, fsUnderline);
}

// The grid of the header row and the entries First .. First + Count - 1
// (0-based) in the cell Block.
void FillGrid(TPrnCells* Cells, const std::string& Block, int First, int Count) {
  Cells->Select(Block);
  Cells->SplitCell("Cells", {-static_cast<float>(Count + 1), RowHeight}, GridColumns);
  std::vector<std::string> texts = {"Filename", "Modified", "Size", "Ratio", "Packed", "Path"};
  for (int i = First; i < First + Count; ++i) {
    const TFile& f = FileTable[static_cast<size_t>(i)];
    for (const std::string& t : {f.Name + (f.Encrypted ? "+" : ""), ListingDateText(f.FileDate),
                                 SizeText(f.SizeText), f.RatioText, SizeText(f.PackedText), f.Path})
      texts.push_back(t);
  }
  Cells->SetCellTexts(texts);
  for (int c = 0; c < 6; ++c) {
    Cells->Select("Cells*C" + std::to_string(c + 1));
    Cells->SetAlignment(GridAlign[c]);
  }
  Cells->Select("CellsR1C*");
  Cells->SetFont("Arial", clBlack, -0.4f, fsBold);
  Cells->SetFill(clSilver, bsSolid);
  Cells->SetFrame(kFrameLeft | kFrameTop | kFrameRight | kFrameBottom, clBlack, psSolid, 1);
}

void FillTotals(TPrnCells* Cells, const std::string& Block) {
  Cells->Select(Block);
  Cells->SplitCellColumns("Total", TotalColumns);
  Cells->SetCellTexts({FileCount == 1 ? "Total: 1 file" : "Total: " + Thousands(FileCount) + " files",
                       Thousands(TotalUnpacked), std::to_string(TotalRatio) + "%", Thousands(TotalPacked), ""});
  Cells->SetFont("Arial", clBlack, -0.35f, 0);
  for (int c = 0; c < 5; ++c) {
    Cells->Select("TotalC" + std::to_string(c + 1));
    Cells->SetAlignment(TotalAlign[c]);
  }
}

// The height of a grid of Rows rows: every row fits, also for an odd count.
float GridHeight(int Rows) { return static_cast<float>(Rows) * RowHeight; }

}  // namespace

int PrintListing(TPrnCells* Cells, const std::string& ArchiveName) {
  const std::string title = "Quillon 2000: " + ArchiveName;
  if (FileCount <= ListingRowsPerPage) {
    const float grid = GridHeight(FileCount + 1);
    NewPage(Cells, TitleHeight + grid + TotalsHeight);
    Cells->Select("Temp");
    Cells->SplitCellRows("Block", {TitleHeight, grid, TotalsHeight});
    FillTitle(Cells, ArchiveName);
    FillGrid(Cells, "BlockR2", 0, FileCount);
    FillTotals(Cells, "BlockR3");
    Cells->Print(title);
    return 1;
  }
  const float fullGrid = GridHeight(ListingRowsPerPage + 1);
  NewPage(Cells, FullPageHeight);
  Cells->Select("Temp");
  Cells->SplitCellRows("Block", {TitleHeight, fullGrid});
  FillTitle(Cells, ArchiveName);
  FillGrid(Cells, "BlockR2", 0, ListingRowsPerPage);
  Cells->Print(title);
  int pages = 1, next = ListingRowsPerPage;
  for (; FileCount - next > ListingRowsPerPage; next += ListingRowsPerPage, ++pages) {
    NewPage(Cells, fullGrid);
    FillGrid(Cells, "Temp", next, ListingRowsPerPage);
    Cells->Print(title);
  }
  const int rest = FileCount - next;
  const float grid = GridHeight(rest + 1);
  NewPage(Cells, grid + TotalsHeight);
  Cells->Select("Temp");
  Cells->SplitCellRows("Block", {grid, TotalsHeight});
  FillGrid(Cells, "BlockR1", next, rest);
  FillTotals(Cells, "BlockR2");
  Cells->Print(title);
  return pages + 1;
}

// ---- the commands --------------------------------------------------------------------

TListExport::TListExport(TMainForm* Form) : TComponent(Form), FForm(Form) {
  SetName("ListExport");
  HTMLSaveDialog = new TSaveDialog(this);
  HTMLSaveDialog->SetName("HTMLSaveDialog");
  HTMLSaveDialog->Filter = "HTML documents (*.html)|*.html|All files (*.*)|*.*";
  TXTSaveDialog = new TSaveDialog(this);
  TXTSaveDialog->SetName("TXTSaveDialog");
  TXTSaveDialog->Filter = "Text documents (*.txt)|*.txt|All files (*.*)|*.*";
  PrnCells1 = new TPrnCells(this);
  PrnCells1->SetName("PrnCells1");
  PrnCells1->AfterPrint = [this](TObject* Sender) { PrnCells1AfterPrint(Sender); };
  OpenDocument = [](const std::string& FileName) {
    ShellExecuteA(nullptr, "open", FileName.c_str(), nullptr, ExtractFileDir(FileName).c_str(), SW_SHOWNORMAL);
  };
}

void TListExport::WithWholeListing(const std::function<void()>& Work) {
  if (ExplorerStyle != 1) {
    Work();
    return;
  }
  const std::string folder = CurrentFolder;
  ExplorerStyle = 0;
  FForm->FillFileList();
  auto restore = [&] {
    ExplorerStyle = 1;
    CurrentFolder = folder;
    FForm->FillFileList();
    FForm->ShowSelectionStatus();
  };
  try {
    Work();
  } catch (...) {
    restore();
    throw;
  }
  restore();
}

void TListExport::ExportDocument(TSaveDialog* Dialog, const std::string& Ext, bool Html) {
  if (ArchiveName.empty()) return;
  Dialog->InitialDir = ExtractFileDir(ArchiveName);
  Dialog->FileName = ListingFileName(ArchiveName, Ext);
  if (!Dialog->Execute()) return;
  std::string file = Dialog->FileName;
  if (ExtractFileName(file).find('.') == std::string::npos) file += Ext;
  WithWholeListing([&] {
    const std::string comment = FForm->ZipBridge ? ZipArchiveComment(FForm->ZipBridge) : std::string();
    const std::string doc = Html ? HtmlListing(ArchiveName, comment) : TxtListing(ArchiveName, comment);
    HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    const bool ok = h != INVALID_HANDLE_VALUE &&
                    WriteFile(h, doc.data(), static_cast<DWORD>(doc.size()), &written, nullptr) &&
                    written == doc.size();
    const DWORD error = GetLastError();
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (!ok) throw EInOutError(SysErrorMessage(static_cast<int>(error)), static_cast<int>(error));
    if (OpenDocument) OpenDocument(file);
  });
}

void TListExport::HTMLdocumentClick(TObject*) { ExportDocument(HTMLSaveDialog, ".html", true); }

void TListExport::TXTdocumentClick(TObject*) { ExportDocument(TXTSaveDialog, ".txt", false); }

void TListExport::toPrinterClick(TObject*) {
  if (ArchiveName.empty()) return;
  WithWholeListing([&] { PrintListing(PrnCells1, ArchiveName); });
}

void TListExport::PrnCells1AfterPrint(TObject*) {
  ShowAppMessage("File listing has been successfully printed.", mtInformation, mbOK);
}
