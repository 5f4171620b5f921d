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
  // The 2 pixel white line left of the button.
  TWinControl* Divider() const { return FDivider; }
  bool BtnAllowDown() const { return FButton->GroupIndex() != 0; }
  void SetBtnAllowDown(bool Value);
  std::string BtnCaption() const { return FButton->Caption(); }
  void SetBtnCaption(const std::string& Value) { FButton->SetCaption(Value); }
  TBitmap* BtnGlyph() { return FButton->Glyph(); }
  void SetBtnGlyph(TBitmap* Value) { FButton->SetGlyph(Value); }
  TBitmap* BtnMask() { return FButton->GlyphMask(); }
  void SetBtnMask(TBitmap* Value) { FButton->SetGlyphMask(Value); }
  TButtonLayout BtnLayout() const { return FButton->Layout(); }
  void SetBtnLayout(TButtonLayout Value) { FButton->SetLayout(Value); }
  int BtnMargin() const { return FButton->Margin(); }
  void SetBtnMargin(int Value) { FButton->SetMargin(Value); }
  int BtnNumGlyphs() const { return FButton->NumGlyphs(); }
  void SetBtnNumGlyphs(int Value) { FButton->SetNumGlyphs(Value); }
  int BtnSpacing() const { return FButton->Spacing(); }
  void SetBtnSpacing(int Value) { FButton->SetSpacing(Value); }
  int BtnWidth() const { return FButton->Width(); }
  void SetBtnWidth(int Value);
  bool ButtonVisible() const { return FButtonVisible; }
  void SetButtonVisible(bool Value);
  void ButtonUp() { FButton->SetDown(false); }
  void ButtonDown() { FButton->SetDown(true); }
  // The right edge of the text area.
  int EditRight();
  // Whether the button's frame shows raised (focus, or the mouse over an
  // easy-style edit).
  bool ButtonFrameHot();

  TNotifyEvent OnButtonClick;
  TNotifyEvent OnButtonDblClick;
  TNotifyEvent OnButtonMouseEnter;
  TNotifyEvent OnButtonMouseExit;
  TMouseEvent OnButtonMouseDown;
  TMouseEvent OnButtonMouseUp;
  TMouseMoveEvent OnButtonMouseMove;

 protected:
  void CreateWnd() override;
  void Resize() override;
  void Dispatch(TMessage& Message) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void BorderDrawn(HDC DC) override;
  void SetEditRect();

 private:
  void PlaceButton();
  TToolbarButtonX* FButton = nullptr;
  TWinControl* FDivider = nullptr;
  bool FButtonVisible = true;
  bool FMouseIn = false;
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
  int ItemHeight() { return FList->ItemHeight(); }
  void SetItemHeight(int Value) { FList->SetItemHeight(Value); }
  bool Sorted() const { return FList->Sorted(); }
  void SetSorted(bool Value) { FList->SetSorted(Value); }
  TComboBoxStyle Style() const { return FStyle; }
  void SetStyle(TComboBoxStyle Value);
  bool DroppedDown();
  // Drops the list under the combo.
  void BtnClick();
  void CloseUp();
  // The list's item under the mouse was chosen.
  void ItemChosen(int Index);

  TNotifyEvent OnDropDown;
  // Owner-drawn styles: the list's items are drawn (and, variable, measured)
  // by these, on the list's canvas.
  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

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
  void DrawFace(TWinControl* Control, int Index, TRect Rect, TOwnerDrawState State);
  bool FTrueTypeOnly = false;
  TBitmap FTrueTypeSign;
};
