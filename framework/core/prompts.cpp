#include "framework/core/prompts.h"

TPromptHook& PromptHook() {
  static TPromptHook Hook;
  return Hook;
}

int Prompt(const std::string& Text, const std::string& Caption, int Buttons) {
  if (TPromptHook& Hook = PromptHook()) return Hook(Text, Caption, Buttons);
  return DefaultPrompt(Text, Caption, Buttons);
}

TProcessMessagesHook& ProcessMessagesHook() {
  static TProcessMessagesHook Hook;
  return Hook;
}

void ProcessMessages() {
  if (TProcessMessagesHook& Hook = ProcessMessagesHook()) Hook();
}
