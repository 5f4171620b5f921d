// TContAddForm ("Add"): adds the names the shell extension handed over in
// its list file to a Zip, CAB, LZH or BH archive, with the action,
// compression and spanning the user chooses.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "controls/commands/editx.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

// The list limit of this dialog.
constexpr size_t MaxListNames = 10000;

class TContAddForm : public TForm {
 public:
  explicit TContAddForm(TComponent* AOwner);

  // The target of the switch ("-azip", "-acab", "-alha", "-abh" or "-a")
  // for the first listed name.
  static std::string TargetFor(const std::string& FirstName, const std::string& Switch);
  // The action and compression items, the controls enabled, by ArchiveExt.
  void ApplyTargetFormat();
  void OKClick();

  std::vector<std::string> Names;
  TLabel* Label1 = nullptr;
  TEditX* Edit1 = nullptr;
  TEditX *EditX1 = nullptr, *EditX2 = nullptr;
  TComboBox *ComboBox1 = nullptr, *ComboBox2 = nullptr, *ComboBox3 = nullptr;
  TCheckBox *CheckBox1 = nullptr, *CheckBox2 = nullptr, *CheckBox3 = nullptr;
  TButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr, *FlatButton1 = nullptr;
  TOpenDialog *NewBox = nullptr, *OpenBox = nullptr;
  // Set when OK ran the add; the add's result (0 done).
  bool Added = false;
  int AddResult = 0;
  // Set by Password...: the Zip password, or the BH writer's for a .bh target.
  std::string ZipPassword, BhPassword;

 private:
  void FormShow();
  void ChooseArchive(bool New);
  void PasswordClick();
  void OpenTarget(const std::string& Name);
  void AddZip();
  void AddWithWriter();
};
