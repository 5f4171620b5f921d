// TGradientCaption paints its form's title bar: a gradient behind the icon,
// caption parts each in its own font and colour, then the form's caption,
// shortened with "..." when the bar is too short. Frame and buttons stay
// the system's.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "controls/views/windowhook.h"
#include "framework/ui/forms.h"
#include "framework/ui/graphics.h"
#include "framework/ui/menus.h"

enum THideDirection : int { hdLeftToRight, hdRightToLeft };

class TGradientCaption;

class TCaptionPart : public TPersistent {
 public:
  explicit TCaptionPart(TGradientCaption* Owner);
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  TFont* Font() { return &FFont; }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool Value);
  TColor InactiveColor() const { return FInactiveColor; }
  void SetInactiveColor(TColor Value);
  bool GlueNext() const { return FGlueNext; }
  void SetGlueNext(bool Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);

 private:
  void Changed();
  TGradientCaption* FOwner;
  std::string FCaption;
  TFont FFont;
  bool FParentFont = true, FGlueNext = false, FVisible = true;
  TColor FInactiveColor = clInactiveCaptionText;
};

class TCaptionPartList {
 public:
  explicit TCaptionPartList(TGradientCaption* Owner) : FOwner(Owner) {}
  TCaptionPart* Add();
  int Count() const { return int(FItems.size()); }
  TCaptionPart* Items(int Index) const { return FItems[size_t(Index)].get(); }
  void Clear();

 private:
  TGradientCaption* FOwner;
  std::vector<std::unique_ptr<TCaptionPart>> FItems;
};

class TGradientCaption : public TComponent {
 public:
  explicit TGradientCaption(TComponent* AOwner);
  ~TGradientCaption() override;

  bool Active() const;
  void SetActive(bool Value);
  TCaptionPartList* Captions() { return &FCaptions; }
  bool DefaultFont() const { return FDefaultFont; }
  void SetDefaultFont(bool Value);
  const std::string& FormCaption() const { return FFormCaption; }
  void SetFormCaption(const std::string& Value);
  TColor FontInactiveColor() const { return FFontInactiveColor; }
  void SetFontInactiveColor(TColor Value);
  TFont* Font() { return &FFont; }
  // Setting a font of one's own leaves the system's caption font.
  void FontChanged();
  bool GradientActive() const { return FGradientActive; }
  void SetGradientActive(bool Value);
  bool GradientInactive() const { return FGradientInactive; }
  void SetGradientInactive(bool Value);
  int GradientSteps() const { return FGradientSteps; }
  void SetGradientSteps(int Value);
  THideDirection HideDirection() const { return FHideDirection; }
  void SetHideDirection(THideDirection Value);
  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* Value) { FPopupMenu = Value; }
  TColor StartColor() const { return FStartColor; }
  void SetStartColor(TColor Value);
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;

  // Sends the form a caption repaint.
  void Update();
  // The title bar's rectangle in window coordinates, without the buttons.
  TRect CaptionRect() const;
  // The texts drawn for a bar Room pixels wide, in order (tests read them).
  std::vector<std::string> LayoutTexts(TCanvas* Canvas, int Room);

 private:
  TCustomForm* Form() const;
  void SetDefaultCaptionFont();
  void BeforeMessage(TMessage& Msg, bool& Handled);
  void AfterMessage(TMessage& Msg, bool& Handled);
  void Draw();

  TCaptionPartList FCaptions;
  TFont FFont;
  TWindowHook* FHook = nullptr;
  bool FActive = true, FDefaultFont = true, FGradientActive = true, FGradientInactive = false;
  bool FWindowActive = true, FRegionReplaced = false, FRightPressed = false;
  HRGN FSavedRegion = nullptr;
  WPARAM FSavedParam = 0;
  std::string FFormCaption;
  TColor FFontInactiveColor = clInactiveCaptionText, FStartColor = clWindowText;
  int FGradientSteps = 64;
  THideDirection FHideDirection = hdLeftToRight;
  TPopupMenu* FPopupMenu = nullptr;
};
