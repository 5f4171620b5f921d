// Small routines shared by the controls of this folder: the program's two
// extra screen cursors, integer and rectangle helpers, a banded gradient fill,
// text shortening, the active-window test and word routines.
#pragma once
#include <string>

#include "framework/ui/forms.h"

constexpr TCursor crHandCursor = 14000;  // "MV_HANDCUR"
constexpr TCursor crDragCursor = 14001;  // "MV_DRAGCUR"

// Registers the two cursors with Screen (done once at start-up; callable again).
void RegisterViewCursors();

int IntMax(int A, int B);
int IntMin(int A, int B);
int RectWidth(const TRect& R);
int RectHeight(const TRect& R);

// Direction: 0 top to bottom, 1 bottom to top, 2 left to right, 3 right to left.
void GradientFillRect(TCanvas* Canvas, const TRect& ARect, TColor BeginColor, TColor EndColor, int Direction,
                      int Colors);
std::string EllipsizeText(const std::string& Text, TCanvas* Canvas, int MaxWidth);
bool ActiveWindowInThread();

// Critical-error boxes off while it lives: probing a drive without a disk must
// not stop to ask.
class TNoErrorBoxes {
 public:
  TNoErrorBoxes() : FOld(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
  ~TNoErrorBoxes() { SetErrorMode(FOld); }
  TNoErrorBoxes(const TNoErrorBoxes&) = delete;
  TNoErrorBoxes& operator=(const TNoErrorBoxes&) = delete;

 private:
  UINT FOld;
};
std::string ReplaceAllStr(const std::string& S, const std::string& Find, const std::string& Replace);
int CountWords(const std::string& S, const std::string& Delims);
// N counts from 1.
std::string ExtractNthWord(int N, const std::string& S, const std::string& Delims);
