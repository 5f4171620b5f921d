// Edits with a small button inside their right edge: TLinkEditX (an
// ellipsis button), TComboBoxX (a flat combo whose button drops a list) and
// TFontComboBoxX (the installed font faces, TrueType ones marked).
#pragma once
#include "controls/commands/plusedit.h"
#include "controls/commands/tbbutton.h"

class TCustomLinkEditX : public TPlusEditX {
 public:
  explicit TCustomLinkEditX(TComponent* AOwner);
  ~TCustomLinkEditX() override;
  TToolbarButtonX* Button() const { return FButton; }
  bool BtnAllowDown() const { return FButton->GroupIndex() != 0; }
  void SetBtnAllowDown(bool Value);
  int BtnWidth() const { return FButton->Width(); }
  void SetBtnWidth(int Value);
  bool ButtonVisible() const { return FButtonVisible; }
  void SetButtonVisible(bool Value);
  void ButtonUp() { FButton->SetDown(false); }
  void ButtonDown() { FButton->SetDown(true); }
  // The right edge of the text area.
  int EditRight();

  TNotifyEvent OnButtonClick;

 protected:
  void CreateWnd() override;
  void Resize() override;
  void Dispatch(TMessage& Message) override;
  void SetEditRect();

 private:
  void PlaceButton();
  TToolbarButtonX* FButton = nullptr;
  bool FButtonVisible = true;
};

class TLinkEditX : public TCustomLinkEditX {
 public:
  using TCustomLinkEditX::TCustomLinkEditX;
};

class TComboBoxX;

// The drop-down list of a TComboBoxX: a top-level list that takes the mouse
// capture while shown, so a click anywhere closes it.
class TCBListView : public TListBox {
 public:
  TCBListView(TComponent* AOwner, TComboBoxX* Combo);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Dispatch(TMessage& Message) override;

 private:
  TComboBoxX* FCombo;
};


class TComboBoxX : public TCustomLinkEditX {
 public:
  explicit TComboBoxX(TComponent* AOwner);
  TCBListView* List() const { return FList; }
  TStrings* Items() { return FList->Items(); }
  int ItemIndex() { return FList->ItemIndex(); }
  void SetItemIndex(int Value);
  int DropDownCount = 8;
  TComboBoxStyle Style() const { return FStyle; }
  void SetStyle(TComboBoxStyle Value);
  bool DroppedDown();
  // Drops the list under the combo.
  void BtnClick();
  void CloseUp();
  // The list's item under the mouse was chosen.
  void ItemChosen(int Index);

  TNotifyEvent OnDropDown;

 protected:
  void KeyDown(WORD& Key, TShiftState Shift) override;

 private:
  TCBListView* FList;
  TComboBoxStyle FStyle = csDropDown;
  int FLastIndex = -1;
};

class TFontComboBoxX : public TComboBoxX {
 public:
  explicit TFontComboBoxX(TComponent* AOwner);
  bool TrueTypeFontsOnly() const { return FTrueTypeOnly; }
  void SetTrueTypeFontsOnly(bool Value);
  void FillList();
  TNotifyEvent OnFontChange;

 protected:
  void CreateWnd() override;
  void Change() override;

 private:
  bool FTrueTypeOnly = false;
};
