#include "dialogs/findform.h"

#include <optional>

#include "app/entrytable.h"
#include "app/toolactions.h"
#include "app/utils.h"
#include "controls/views/dateedit.h"
#include "dialogs/controltable.h"

namespace {

// The digits of Text without the characters in Skip; nothing when anything
// else is left or the value does not fit.
std::optional<int64_t> NumberOf(const std::string& Text, const std::string& Skip) {
  std::string digits;
  for (char c : Text) {
    if (Skip.find(c) != std::string::npos) continue;
    if (c < '0' || c > '9') return std::nullopt;
    digits += c;
  }
  if (digits.empty() || digits.size() > 18) return std::nullopt;
  return std::stoll(digits);
}

int DayKey(TDateTime D) {
  int y, m, d;
  DecodeDate(D, y, m, d);
  return y * 10000 + m * 100 + d;
}

}  // namespace

bool FindMatches(const TFile& F, const TFindCriteria& C) {
  if (!MatchWildcard(F.Name, C.Mask, true)) return false;
  if (C.UseDate) {
    TDateTime date;
    try {
      date = FileDateToDateTime(F.FileDate);
    } catch (const std::exception&) {
      return false;
    }
    const int key = DayKey(date);
    if (key < DayKey(C.DateFrom) || key >= DayKey(C.DateTo)) return false;
  }
  if (C.UseSize) {
    const auto size = NumberOf(F.SizeText, ",.");
    const auto limit = NumberOf(C.SizeText, " ");
    if (!size || !limit) return false;
    switch (C.SizeMode) {
      case 0: return *size <= *limit;
      case 1: return *size >= *limit;
      default: return *size == *limit;
    }
  }
  return true;
}

TFindForm::TFindForm(TComponent* AOwner) : TForm(AOwner, "TFindForm") {
  SetName("FindForm");
  SetCaption("Find file(s)");
  SetBounds(0, 0, 420, 220);
  SetKeyPreview(true);
  PageControl1 = new TPageControl(this);
  PageControl1->SetName("PageControl1");
  PageControl1->SetParent(this);
  PageControl1->SetBounds(8, 8, 310, 170);
  auto page = [this](const char* Name, const char* Caption) {
    auto* p = new TTabSheet(this);
    p->SetName(Name);
    p->SetCaption(Caption);
    p->SetPageControl(PageControl1);
    return p;
  };
  ScopePage = page("ScopePage", "Scope");
  DatePage = page("DatePage", "Date");
  SizePage = page("SizePage", "Size");
  BuildControlTable(this, {
      {"ftypeL", TControlKind::Label, "File &type:", 10, 14, 80, 14, "ScopePage"},
      {"ftype", TControlKind::EditX, "*.*", 10, 32, 270, 21, "ScopePage"},
      {"AllDates", TControlKind::Radio, "&All Dates", 10, 10, 200, 18, "DatePage"},
      {"FindDates", TControlKind::Radio, "&Find Files created or modified ", 10, 32, 260, 18, "DatePage"},
      {"AllSizes", TControlKind::Radio, "&All sizes", 10, 10, 200, 18, "SizePage"},
      {"FindSizes", TControlKind::Radio, "&Find  file size in the range", 10, 32, 260, 18, "SizePage"},
      {"SizeMode", TControlKind::Combo, "", 26, 58, 110, 21, "SizePage"},
      {"SelSize", TControlKind::EditX, "", 142, 58, 90, 21, "SizePage"},
      {"BytesL", TControlKind::Label, "bytes", 238, 61, 40, 14, "SizePage"},
      {"OKButton", TControlKind::DefaultButton, "OK", 330, 30, 75, 25},
      {"CancelButton", TControlKind::CancelButton, "Cancel", 330, 60, 75, 25},
  });
  ftype = Ctl<TEditX>(this, "ftype");
  AllDates = Ctl<TRadioButton>(this, "AllDates");
  FindDates = Ctl<TRadioButton>(this, "FindDates");
  AllSizes = Ctl<TRadioButton>(this, "AllSizes");
  FindSizes = Ctl<TRadioButton>(this, "FindSizes");
  SizeMode = Ctl<TComboBox>(this, "SizeMode");
  SizeMode->SetStyle(csDropDownList);
  for (const char* s : {"Below (<=)", "Above (>=)", "Exact (=)"}) SizeMode->Items()->Add(s);
  SelSize = Ctl<TEditX>(this, "SelSize");
  OKButton = Ctl<TButton>(this, "OKButton");
  CancelButton = Ctl<TButton>(this, "CancelButton");
  DateRange = new TDateFromToX(this);
  DateRange->SetName("DateRange");
  DateRange->SetParent(DatePage);
  DateRange->SetBounds(26, 56, 260, 60);

  OnShow = [this](TObject*) { FormShow(); };
  OnKeyPress = [this](TObject*, char& Key) {
    if (Key == 27) Close();
  };
  for (TRadioButton* r : {AllDates, FindDates, AllSizes, FindSizes})
    r->OnClick = [this](TObject*) { UpdateEnabled(); };
  OKButton->OnClick = [this](TObject* S) { OKClick(S); };
  CancelButton->OnClick = [this](TObject*) { Close(); };
}

void TFindForm::FormShow() {
  PageControl1->SetActivePage(ScopePage);
  ftype->SetText("*.*");
  AllDates->SetChecked(true);
  DateRange->SetDateFrom(EncodeDate(1980, 1, 1));
  DateRange->SetDateTo(Date());
  SizeMode->SetItemIndex(0);
  AllSizes->SetChecked(true);
  UpdateEnabled();
  if (ftype->CanFocus()) ftype->SetFocus();
}

void TFindForm::UpdateEnabled() {
  DateRange->SetEnabled(FindDates->Checked());
  SelSize->SetEnabled(FindSizes->Checked());
  SizeMode->SetEnabled(FindSizes->Checked());
}

void TFindForm::SetDateRange(TDateTime From, TDateTime To) {
  DateRange->SetDateFrom(From);
  DateRange->SetDateTo(To);
}

bool TFindForm::DateRangeEnabled() { return DateRange->Enabled(); }

TFindCriteria TFindForm::Criteria() {
  TFindCriteria c;
  c.Mask = ftype->Text();
  c.UseDate = FindDates->Checked();
  c.DateFrom = DateRange->DateFrom();
  c.DateTo = DateRange->DateTo();
  c.UseSize = FindSizes->Checked();
  c.SizeText = SelSize->Text();
  c.SizeMode = SizeMode->ItemIndex();
  return c;
}

void TFindForm::OKClick(TObject*) {
  const TFindCriteria c = Criteria();
  std::vector<int> rows;
  for (int r = 0; r < int(FileTable.size()); ++r)
    if (FindMatches(FileTable[size_t(r)], c)) rows.push_back(r);
  SelectMainListRows(rows);
  Close();
}
