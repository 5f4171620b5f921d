// The small prompts are built from a table of their controls (name, kind,
// caption, position), so that each reads as its layout plus its handlers.
#pragma once
#include <initializer_list>
#include <string>

#include "framework/ui/forms.h"

enum class TPromptControl { Label, Button, Check, Image };

struct TPromptRow {
  const char* Name;
  TPromptControl Kind;
  const char* Caption;
  int Left, Top, Width, Height;
};

// A dialog-bordered form of the given client size, placed on the main
// window when shown, that closes on Escape, with the rows' controls.
void BuildPromptForm(TCustomForm* Form, const std::string& Caption, int ClientWidth, int ClientHeight,
                     std::initializer_list<TPromptRow> Rows);

// The control named Name on Form; raises when missing or of another kind.
template <class T>
T* PromptControl(TCustomForm* Form, const std::string& Name) {
  for (int i = 0; i < Form->ComponentCount(); ++i)
    if (Form->Components(i)->Name() == Name)
      if (auto* C = dynamic_cast<T*>(Form->Components(i))) return C;
  throw Exception("No control '" + Name + "'");
}
