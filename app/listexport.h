// The listing of the open archive as an HTML or a plain-text document, and on
// the printer: the File menu's "Print file listing ..." commands and the
// toolbar's Print button. The documents read the entry table and its totals.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "framework/core/classes.h"

class TMainForm;
class TPrnCells;
class TSaveDialog;

// Entries on one printed page.
constexpr int ListingRowsPerPage = 45;

// The entry's DOS date-time in the system's short date and time formats.
std::string ListingDateText(int32_t DosDate);
// The save dialog's proposal: the archive's file name up to its first '.',
// plus Ext (".html", ".txt").
std::string ListingFileName(const std::string& ArchiveName, const std::string& Ext);
// The documents for the entry table as it stands (FileTable, FileCount and
// the totals), with the archive's full path and comment. Names, folders and
// the comment are escaped in the HTML.
std::string HtmlListing(const std::string& ArchiveName, const std::string& Comment);
std::string TxtListing(const std::string& ArchiveName, const std::string& Comment);
// Prints the entry table on Cells' printer, one job per page; returns the
// number of pages.
int PrintListing(TPrnCells* Cells, const std::string& ArchiveName);

// The commands on the main window. The window makes one (it owns it) and
// points the menu items "... to HTML document", "... to TXT document" and
// "... to Printer" and the Print button at the three Click handlers.
class TListExport : public TComponent {
 public:
  explicit TListExport(TMainForm* Form);
  void HTMLdocumentClick(TObject* Sender);
  void TXTdocumentClick(TObject* Sender);
  void toPrinterClick(TObject* Sender);
  void PrnCells1AfterPrint(TObject* Sender);

  TSaveDialog* HTMLSaveDialog;
  TSaveDialog* TXTSaveDialog;
  TPrnCells* PrnCells1;
  // Opens a written document with the program the shell registers for it.
  std::function<void(const std::string& FileName)> OpenDocument;

 private:
  void ExportDocument(TSaveDialog* Dialog, const std::string& Ext, bool Html);
  // With the Explorer display style on, the table is refilled with every
  // entry of the archive while Work runs, and the view comes back after.
  void WithWholeListing(const std::function<void()>& Work);
  TMainForm* FForm;
};
