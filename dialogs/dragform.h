// TDragForm ("Drag and Drop"): how files and folders dropped on the main
// window are added, and to which archive; then adds them, with its own Zip
// component for the Zip family and with a writer of the format for ".lzh",
// ".cab" and ".bh". A password the user set encrypts the dropped folders'
// files as well as the dropped files.
#pragma once
#include <string>
#include <vector>

#include "controls/commands/editx.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

class TZipBridge;

class TDragForm : public TForm {
 public:
  explicit TDragForm(TComponent* AOwner);

  // The names dropped (full paths), read when the dialog is shown.
  std::vector<std::string> Dropped;
  // The password of the next add ('' none).
  const std::string& Password() const { return FPassword; }
  // The two-step entry: equal answers set it, an empty first answer clears
  // it, different answers leave it as it was.
  void SetPasswordAnswers(const std::string& First, const std::string& Second);

  void Button1Click(TObject* Sender);
  // Opens Name as the target archive (New and Open end here).
  void OpenTarget(const std::string& Name);

  TLabel* Label1 = nullptr;
  TEditX* Edit1 = nullptr;
  TButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr, *HelpButt = nullptr,
          *FlatButton1 = nullptr;
  TComboBox *ComboBox1 = nullptr, *ComboBox2 = nullptr, *ComboBox3 = nullptr;
  TCheckBox *CheckBox1 = nullptr, *CheckBox2 = nullptr, *CheckBox3 = nullptr;
  TGroupBox* GroupBox4 = nullptr;
  TEditX *EditX1 = nullptr, *EditX2 = nullptr;
  TOpenDialog *newbox = nullptr, *Openbox = nullptr;
  TZipBridge* ZipBridge1 = nullptr;

 private:
  void FormShow();
  void FillLists();
  std::string InitialFolder() const;
  void AddWithWriter();
  // Spanning is the item of ComboBox3 (2 none); true when a spanned set was
  // written.
  bool AddWithZip(int Spanning, int MaxSize, int FreeSize);
  std::string FPassword;
};


