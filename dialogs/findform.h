// TFindForm ("Find file(s)"): selects the list rows whose entries match a
// name mask, a date range and a size condition.
#pragma once
#include <string>

#include "controls/commands/editx.h"
#include "framework/core/sysutils.h"
#include "framework/ui/comctrls.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

struct TFile;
class TDateFromToX;

struct TFindCriteria {
  std::string Mask = "*.*";
  bool UseDate = false;
  TDateTime DateFrom = 0, DateTo = 0;  // the lower day included, the upper not
  bool UseSize = false;
  std::string SizeText;  // blanks ignored
  int SizeMode = 0;      // 0 below (<=), 1 above (>=), 2 exact (=)
};

// True when the entry passes the mask, the date and the size condition. A
// size that is no number (a folder row's) never passes a size condition.
bool FindMatches(const TFile& F, const TFindCriteria& C);

class TFindForm : public TForm {
 public:
  explicit TFindForm(TComponent* AOwner);

  void OKClick(TObject* Sender);
  TFindCriteria Criteria();
  void SetDateRange(TDateTime From, TDateTime To);
  bool DateRangeEnabled();

  TPageControl* PageControl1 = nullptr;
  TTabSheet *ScopePage = nullptr, *DatePage = nullptr, *SizePage = nullptr;
  TEditX* ftype = nullptr;
  TRadioButton *AllDates = nullptr, *FindDates = nullptr, *AllSizes = nullptr, *FindSizes = nullptr;
  TDateFromToX* DateRange = nullptr;
  TEditX* SelSize = nullptr;
  TComboBox* SizeMode = nullptr;
  TButton *OKButton = nullptr, *CancelButton = nullptr;

 private:
  void FormShow();
  void UpdateEnabled();
};
