// The standard Windows controls: label, edit, memo, buttons, check and radio
// boxes, group box, combo box and list box.
#pragma once
#include <memory>
#include <string>

#include "framework/ui/controls.h"

enum TAlignment : int { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout : int { tlTop, tlCenter, tlBottom };
enum TScrollStyle : int { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TCheckBoxState : int { cbUnchecked, cbChecked, cbGrayed };
enum TLeftRight : int { taLeftText, taRightText };

// State bits of an owner-drawn item, the values of DRAWITEMSTRUCT.itemState.
using TOwnerDrawState = uint16_t;
constexpr TOwnerDrawState odSelected = ODS_SELECTED, odGrayed = ODS_GRAYED, odDisabled = ODS_DISABLED,
                          odChecked = ODS_CHECKED, odFocused = ODS_FOCUS, odDefault = ODS_DEFAULT,
                          odComboBoxEdit = ODS_COMBOBOXEDIT;

using TDrawItemEvent = std::function<void(TWinControl* Control, int Index, TRect Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = std::function<void(TWinControl* Control, int Index, int& Height)>;

// True when Key is the accelerator ("&x"; "&&" is a plain '&') of Caption,
// ignoring case.
bool IsAccel(char Key, const std::string& Caption);
// A label's answer to CM_DIALOGCHAR: focuses Target when Key is Caption's
// accelerator and Target can take the focus.
bool FocusByAccel(char Key, const std::string& Caption, TWinControl* Target);

class TLabel : public TGraphicControl {
 public:
  explicit TLabel(TComponent* AOwner);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout Value);
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool Value);
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* Value) { FFocusControl = Value; }

 protected:
  void Dispatch(TMessage& Message) override;
  void Paint() override;
  void TextChanged() override;
  void FontChanged() override;
  void AdjustBounds();
  UINT DrawTextFlags() const;

 private:
  TAlignment FAlignment = taLeftJustify;
  bool FAutoSize = true;
  bool FWordWrap = false;
  bool FTransparent = false;
  TTextLayout FLayout = tlTop;
  bool FShowAccelChar = true;
  TWinControl* FFocusControl = nullptr;
};

class TCustomEdit : public TWinControl {
 public:
  explicit TCustomEdit(TComponent* AOwner);
  void SetText(const std::string& Value) override;
  int MaxLength() const { return FMaxLength; }
  void SetMaxLength(int Value);
  char PasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(char Value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  bool Modified();
  void SetModified(bool Value);
  int SelStart();
  void SetSelStart(int Value);
  int SelLength();
  void SetSelLength(int Value);
  std::string SelText();
  void SetSelText(const std::string& Value);
  void SelectAll();
  void Clear() { SetText(""); }
  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Dispatch(TMessage& Message) override;
  virtual void Change();

 private:
  int FMaxLength = 0;
  char FPasswordChar = 0;
  bool FReadOnly = false;
  bool FInSetText = false;
  bool FModified = false;
};

class TEdit : public TCustomEdit {
 public:
  using TCustomEdit::TCustomEdit;
};

class TMemo : public TCustomEdit {
 public:
  explicit TMemo(TComponent* AOwner);
  ~TMemo() override;
  // The text as lines (CRLF separated); writes go to the window.
  TStrings* Lines() { return FLines.get(); }
  void SetLines(TStrings* Value) { FLines->Assign(Value); }
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle Value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  bool WantReturns() const { return FWantReturns; }
  void SetWantReturns(bool Value);
  bool WantTabs() const { return FWantTabs; }
  void SetWantTabs(bool Value) { FWantTabs = Value; }

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Dispatch(TMessage& Message) override;

 private:
  std::unique_ptr<TStrings> FLines;
  TScrollStyle FScrollBars = ssNone;
  bool FWordWrap = true;
  bool FWantReturns = true;
  bool FWantTabs = false;
};

class TButtonControl : public TWinControl {
 public:
  explicit TButtonControl(TComponent* AOwner);
};

class TButton : public TButtonControl {
 public:
  explicit TButton(TComponent* AOwner);
  bool Default() const { return FDefault; }
  void SetDefault(bool Value);
  bool Cancel() const { return FCancel; }
  void SetCancel(bool Value) { FCancel = Value; }
  int ModalResult() const { return FModalResult; }
  void SetModalResult(int Value) { FModalResult = Value; }
  // Sets the form's ModalResult (when ours is not mrNone), then OnClick.
  void Click() override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Dispatch(TMessage& Message) override;

 private:
  bool FDefault = false;
  bool FCancel = false;
  int FModalResult = 0;
};

class TCheckBox : public TButtonControl {
 public:
  explicit TCheckBox(TComponent* AOwner);
  TCheckBoxState State() const { return FState; }
  // A change fires OnClick, from code as from the mouse.
  void SetState(TCheckBoxState Value);
  bool Checked() const { return FState == cbChecked; }
  void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }
  bool AllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool Value) { FAllowGrayed = Value; }
  TLeftRight Alignment() const { return FAlignment; }
  void SetAlignment(TLeftRight Value);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Dispatch(TMessage& Message) override;
  virtual void Toggle();

 private:
  TCheckBoxState FState = cbUnchecked;
  bool FAllowGrayed = false;
  TLeftRight FAlignment = taRightText;
};

class TRadioButton : public TButtonControl {
 public:
  explicit TRadioButton(TComponent* AOwner);
  bool Checked() const { return FChecked; }
  // Checking unchecks the sibling radio buttons and fires OnClick.
  void SetChecked(bool Value);
  TLeftRight Alignment() const { return FAlignment; }
  void SetAlignment(TLeftRight Value);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Dispatch(TMessage& Message) override;

 private:
  bool FChecked = false;
  TLeftRight FAlignment = taRightText;
};

// Drawn by the layer (etched frame and caption) so it can hold graphic controls.
class TGroupBox : public TCustomControl {
 public:
  explicit TGroupBox(TComponent* AOwner);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void AdjustClientRect(TRect& Rect) override;
  void Paint() override;
  void TextChanged() override { Invalidate(); }
};

// Items of a list or combo box: in the window while it exists, kept in a list
// while it does not (before creation and across RecreateWnd).
class TWindowStrings : public TStrings {
 public:
  struct TMessages {
    UINT GetCount, GetText, GetTextLen, AddString, InsertString, DeleteString, ResetContent, GetItemData,
        SetItemData;
  };
  TWindowStrings(TWinControl* Control, const TMessages& Messages);
  int Count() const override;
  int Add(const std::string& S) override;
  void Insert(int Index, const std::string& S) override;
  void Delete(int Index) override;
  void Clear() override;
  int IndexOf(const std::string& S) const override;
  // Moves the items between window and list (DestroyWnd / CreateWnd).
  void SaveFromWindow();
  void LoadIntoWindow();
  bool Sorted = false;

 protected:
  std::string Get(int Index) const override;
  void Put(int Index, const std::string& S) override;
  TObject* GetObject(int Index) const override;
  void PutObject(int Index, TObject* AObject) override;
  void SetUpdateState(bool Updating) override;

 private:
  bool Live() const;
  void CheckIndex(int Index) const;
  TWinControl* FControl;
  TMessages FMsg;
  TStringList FSaved;
};

enum TListBoxStyle : int { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };

class TCustomListBox : public TWinControl {
 public:
  explicit TCustomListBox(TComponent* AOwner);
  ~TCustomListBox() override;
  TStrings* Items() { return FItems.get(); }
  void SetItems(TStrings* Value) { FItems->Assign(Value); }
  int ItemIndex();
  // A change fires OnClick.
  void SetItemIndex(int Value);
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool Value);
  bool ExtendedSelect() const { return FExtendedSelect; }
  void SetExtendedSelect(bool Value);
  bool Selected(int Index);
  void SetSelected(int Index, bool Value);
  int SelCount();
  bool Sorted() const { return FSorted; }
  void SetSorted(bool Value);
  TListBoxStyle Style() const { return FStyle; }
  void SetStyle(TListBoxStyle Value);
  int ItemHeight();
  void SetItemHeight(int Value);
  int TopIndex();
  void SetTopIndex(int Value);
  int ItemAtPos(TPoint P, bool Existing);
  TRect ItemRect(int Index);
  void Clear() { FItems->Clear(); }
  TCanvas* Canvas() { return &FCanvas; }
  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Dispatch(TMessage& Message) override;
  virtual void DrawItem(int Index, TRect Rect, TOwnerDrawState State);
  virtual void MeasureItem(int Index, int& Height);

 private:
  std::unique_ptr<TWindowStrings> FItems;
  TCanvas FCanvas;
  bool FMultiSelect = false;
  bool FExtendedSelect = true;
  bool FSorted = false;
  TListBoxStyle FStyle = lbStandard;
  int FItemHeight = 16;
  int FSavedIndex = -1;
  std::vector<int> FSavedSelection;
};

class TListBox : public TCustomListBox {
 public:
  using TCustomListBox::TCustomListBox;
};

enum TComboBoxStyle : int { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class TCustomComboBox : public TWinControl {
 public:
  explicit TCustomComboBox(TComponent* AOwner);
  ~TCustomComboBox() override;
  TStrings* Items() { return FItems.get(); }
  void SetItems(TStrings* Value) { FItems->Assign(Value); }
  int ItemIndex();
  // A change fires OnChange and OnClick.
  void SetItemIndex(int Value);
  TComboBoxStyle Style() const { return FStyle; }
  void SetStyle(TComboBoxStyle Value);
  int DropDownCount() const { return FDropDownCount; }
  void SetDropDownCount(int Value) { FDropDownCount = Value; }
  int MaxLength() const { return FMaxLength; }
  void SetMaxLength(int Value);
  bool Sorted() const { return FSorted; }
  void SetSorted(bool Value);
  bool DroppedDown();
  void SetDroppedDown(bool Value);
  void SetText(const std::string& Value) override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void Clear();
  TCanvas* Canvas() { return &FCanvas; }
  TNotifyEvent OnChange;
  TNotifyEvent OnDropDown;
  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Dispatch(TMessage& Message) override;
  virtual void Change();
  virtual void DrawItem(int Index, TRect Rect, TOwnerDrawState State);

 private:
  std::unique_ptr<TWindowStrings> FItems;
  TCanvas FCanvas;
  TComboBoxStyle FStyle = csDropDown;
  int FDropDownCount = 8;
  int FMaxLength = 0;
  bool FSorted = false;
  int FSavedIndex = -1;
  int FItemHeight = 16;
};

class TComboBox : public TCustomComboBox {
 public:
  using TCustomComboBox::TCustomComboBox;
};
