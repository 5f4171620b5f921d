#include "controls/commands/core/mxtables.h"

#include <algorithm>
#include <cctype>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

bool IsAlphaChar(unsigned char C) {
#ifdef _WIN32
  return IsCharAlphaA(static_cast<CHAR>(C)) != 0;
#else
  // Latin-1 letters besides ASCII, as the ANSI code page has them.
  return std::isalpha(C) || (C >= 0xC0 && C != 0xD7 && C != 0xF7);
#endif
}

std::string UpperAnsi(std::string S) {
#ifdef _WIN32
  if (!S.empty()) CharUpperBuffA(S.data(), static_cast<DWORD>(S.size()));
#else
  for (auto& c : S) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x80)
      c = static_cast<char>(std::toupper(u));
    else if (u >= 0xE0 && u != 0xF7 && u != 0xFF)
      c = static_cast<char>(u - 0x20);
  }
#endif
  return S;
}

std::string Trimmed(const std::string& S) {
  size_t b = 0, e = S.size();
  while (b < e && static_cast<unsigned char>(S[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(S[e - 1]) <= ' ') --e;
  return S.substr(b, e - b);
}

}  // namespace

std::string NormaliseCaption(const std::string& Caption) {
  std::string up = UpperAnsi(Caption), key;
  for (char c : up)
    if (IsAlphaChar(static_cast<unsigned char>(c))) key += c;
  return key;
}

const std::vector<TMXStdCommand>& StdCommandTable() {
  static const char* const kDoc = "Contains commands for controlling the display of your document";
  static const std::vector<TMXStdCommand> table = {
      {"ADDRESSBOOK", "", "Displays the list of contacts", 4097, "", true},
      {"ALIGNCENTER", "Ctrl+E", "Centers the paragraph between the margins", 4098, "", true},
      {"ALIGNLEFT", "Ctrl+L", "Aligns the paragraph at the left margin", 4099, "", true},
      {"ALIGNRIGHT", "Ctrl+R", "Aligns the paragraph at the right margin", 4100, "", true},
      {"AUTOPREVIEW", "", "Shows or hides the autopreview pane", 4101, "", true},
      {"BOLD", "Ctrl+B", "Bold Text", 4102, "", true},
      {"BOOKMARKS", "", "Insert a bookmark at the cursor", 4103, "", true},
      {"BULLETS", "", "Inserts a bullet on this line", 4104, "", true},
      {"CASCADE", "", "Arranges the windows as overlapping tiles", 4105, "", true},
      {"CONTENTS", "", "Displays help topics", 4106, "", false},
      {"CONTENTSANDINDEX", "F1", "Displays help topics", 4107, "", true},
      {"COPY", "Ctrl+C;Ctrl+Ins", "Copies the selection to the clipboard", 4108, "", true},
      {"CUT", "Ctrl+X;Shift+Del", "Cuts the selection and moves it to the clipboard", 4109, "", true},
      {"DATE", "", "Inserts today's date", 4155, "", false},
      {"DATEANDTIME", "", "Inserts today's date and/or time", 4111, "", true},
      {"DATETIME", "", "Inserts today's date and/or time", 4111, "", false},
      {"DECREASEINDENT", "", "Decrease indent", 4113, "", true},
      {"DELETE", "Del;Ctrl+Del", "Erases the selection", 4114, "", true},
      {"FIND", "Ctrl+F;F3", "Finds the specified text in the active document", 4115, "", true},
      {"FINDNEXT", "Shift+F3", "Repeats the last find", 4116, "", true},
      {"FONT", "", "View or edit the character attributes of the selected text", 4156, "", false},
      {"FONTSIZE", "", "View or edit the font size of the selected text", 4118, "", true},
      {"FONTSTYLE", "", "View or edit the font style of the selected text", 4119, "", true},
      {"FULLSCREEN", "F11", "Zooms the active document to the full screen", 4120, "", true},
      {"GOTOBOOKMARK", "", "Moves the cursor to the specified bookmark", 4154, "", false},
      {"HELPONHELP", "F1", "Display instructions about how to use help", 4122, "", true},
      {"HOME", "", "Browses the web", 4123, "", true},
      {"HYPERLINK", "", "Insert a new hyperlink", 4124, "", true},
      {"INCREASEINDENT", "", "Increase indent", 4125, "", true},
      {"INDENT", "", "Increase Indent", 4125, "", false},
      {"ITALIC", "Ctrl+I", "Italic Text", 4127, "", true},
      {"ALIGNJUSTIFY", "Ctrl+J", "Justifies the paragraph between the margins", 4128, "", true},
      {"JUSTIFY", "Ctrl+J", "Justifies the paragraph between the margins", 4128, "", false},
      {"MARKASREAD", "", "Marks the selected messages as read", 4129, "", true},
      {"MARKASUNREAD", "", "Marks the selected messages as unread", 4130, "", true},
      {"MOVETOFOLDER", "", "Moves selected items to another folder", 4131, "", true},
      {"NEW", "Ctrl+N", "Create a new document", 4132, "", true},
      {"NEWFOLDER", "", "Create a new folder", 4133, "", true},
      {"NEWMAIL", "", "Create a new email message", 4134, "", true},
      {"NEWMAILMESSAGE", "", "Create a new email message", 4134, "", false},
      {"NEWNOTE", "", "Create a new note", 4136, "", true},
      {"NEWTASK", "", "Create a new task", 4137, "", true},
      {"NOTE", "", "Create a new note", 4136, "", false},
      {"NUMBERING", "", "Inserts a numbering on this line", 4139, "", true},
      {"OPEN", "Ctrl+O", "Opens an existing document from a file", 4140, "", true},
      {"PASTE", "Ctrl+V;Shift+Ins", "Inserts the clipboard contents at the insertion point", 4141, "", true},
      {"PRINT", "Ctrl+P", "Print the active document", 4142, "", true},
      {"PRINTPREVIEW", "", "Display full pages", 4143, "", true},
      {"PROPERTIES", "", "Display properties for the active document", 4144, "", true},
      {"REDO", "Ctrl+Shift+Z", "Redoes the last action that was undone", 4145, "", true},
      {"REFRESH", "", "Updates the display to reflect any changes", 4146, "", true},
      {"RELOAD", "", "Reloads the content of the current page", 4146, "", false},
      {"REPEAT", "", "Repeats the last action", 4148, "", true},
      {"REPLACE", "Ctrl+H", "Replaces specific text with different text", 4149, "", true},
      {"SAVE", "Ctrl+S;Shift+F12;Alt+Shift+F2", "Saves the active document", 4150, "", true},
      {"SAVEALL", "", "Saves all opened documents", 4151, "", true},
      {"SEARCHTHEWEB", "", "Searches the Word Wide Web for the specified resource", 4152, "", true},
      {"SENDMAIL", "", "Compose and send new mail message", 4153, "", true},
      {"SETBOOKMARK", "", "Insert a bookmark at the cursor", 4154, "", true},
      {"SETDATE", "", "Set today's date", 4155, "", true},
      {"SETFONT", "", "View or edit the character attributes of the selected text", 4156, "", true},
      {"SETTIME", "", "Set current time", 4157, "", true},
      {"SORT", "", "Arranges items in the window", 4158, "", true},
      {"SPELLCHECK", "F7", "Checks the spelling in the active document", 4159, "", true},
      {"CHECKSPELLING", "F7", "Checks the spelling in the active document", 4159, "", false},
      {"SPLITWINDOW", "", "Splits the active document window horizontally", 4160, "", true},
      {"TASK", "", "Create a new task", 4137, "", false},
      {"TILE", "", "Arranges the windows as nonoverlapping tiles", 4162, "", true},
      {"TIME", "", "Inserts current time", 4157, "", false},
      {"UNDERLINE", "Ctrl+U", "Underlined text", 4164, "", true},
      {"UNDO", "Ctrl+Z", "Reverses the last action", 4165, "", true},
      {"UNINDENT", "", "Decrease indent", 4113, "", false},
      {"WHATSTHIS", "Shift+F1", "Shows help about the selected element", 4167, "", true},
      {"PARAGRAPH", "", "View or edit the paragraph attributes of the selected text", 4168, "", true},
      {"MOVEUP", "", "Moves the selection up", 4169, "", true},
      {"MOVEDOWN", "", "Moves the selection down", 4170, "", true},
      {"MOVELEFT", "", "Moves the selection left", 4171, "", true},
      {"MOVERIGHT", "", "Moves the selection right", 4172, "", true},
      {"UPONELEVEL", "", "Up one level", 4173, "", true},
      {"RULER", "", "Shows or hides the ruler", 4174, "", true},
      {"DELETE_B", "", "Erases the selection", 4175, "", true},
      {"NEWFOLDER_B", "", "Create a new folder", 4176, "", true},
      {"CREATE", "", "Create a new document", 4177, "", true},
      {"CREATE_B", "", "Create a new document", 4178, "", true},
      {"BACKWARD", "", "Return to the previous page in the hyperlink history list", 4179, "", true},
      {"BACK", "", "Return to the previous page in the hyperlink history list", 4179, "", false},
      {"FORWARD", "", "Go to the next page in the hyperlink history list", 4180, "", true},
      {"SYSTEMRESTORE", "", "Restore the window to normal size", 0, "MX_SYSTEMRESTORE", false},
      {"SYSTEMMOVE", "", "Change the window position", 0, "MX_SYSTEMMOVE", true},
      {"SYSTEMSIZE", "", "Change the window size", 0, "MX_SYSTEMSIZE", true},
      {"SYSTEMMINIMIZE", "", "Reduce the window to an icon", 0, "MX_SYSTEMMINIMIZE", false},
      {"SYSTEMMAXIMIZE", "", "Enlarge the window to full size", 0, "MX_SYSTEMMAXIMIZE", false},
      {"SYSTEMCLOSE", "", "Close the active window and prompts to save the pages", 0, "MX_SYSTEMCLOSE", true},
      {"CLEAR", "Del;Shift+Del", "Erases the selection", 0, "", false},
      {"SELECTALL", "Ctrl+A", "Select the entire document", 0, "", false},
      {"GOTO", "Ctrl+G", "Moves the cursor to the specified line", 0, "", false},
      {"PAGESETUP", "", "Change the printing options", 0, "", false},
      {"PRINTERSETUP", "", "Change the printer and printing options", 0, "", false},
      {"SAVEAS", "F12;Ctrl+Shift+S", "Saves a copy of the document in a separate file", 0, "", false},
      {"PASTELINK", "", "Insert Clipboard contents and a link to its source", 0, "", false},
      {"PASTESPECIAL", "", "Insert Clipboard contents with options", 0, "", false},
      {"NEWWINDOW", "", "Open another window for the active document", 0, "", false},
      {"ARRANGEICONS", "", "Arrange icons at the bottom of the window", 0, "", false},
      {"EDIT", "", "Contains commands for the clipboard, finding text, and editing links", 0, "", false},
      {"VIEW", "", "Contains commands for controlling the display of your document", 0, "", false},
      {"FILE", "", kDoc, 0, "", false},
      {"SEARCH", "", kDoc, 0, "", false},
      {"TOOLS", "", kDoc, 0, "", false},
      {"WINDOW", "", kDoc, 0, "", false},
      {"HELP", "", kDoc, 0, "", false},
  };
  return table;
}

T_MX_MenuItemCacheItem::~T_MX_MenuItemCacheItem() { SetBitmap(0); }

void T_MX_MenuItemCacheItem::SetBitmap(uintptr_t Value) {
  if (Value == Bitmap) return;
  if (Bitmap && FRelease) FRelease(Bitmap);
  Bitmap = Value;
}

T_MX_MenuItemCache::T_MX_MenuItemCache(TMXBitmapSource Source) : FSource(std::move(Source)) {
  for (const auto& c : StdCommandTable())
    AddItemWithResource(c.Key, c.ShortCut, c.Counted, c.ResId, c.ResName, c.Hint);
}

T_MX_MenuItemCacheItem* T_MX_MenuItemCache::AddItem(const std::string& Caption, const std::string& ShortCut,
                                                    bool Counted, uintptr_t Bitmap, const std::string& Hint) {
  auto& slot = FItems[NormaliseCaption(Caption)];
  if (!slot) slot = std::make_unique<T_MX_MenuItemCacheItem>(FSource.Release);
  slot->ShortCut = ShortCut;
  slot->Hint = Hint;
  slot->SetBitmap(Bitmap);
  slot->Counted = Counted;
  return slot.get();
}

T_MX_MenuItemCacheItem* T_MX_MenuItemCache::AddItemWithResource(const std::string& Caption,
                                                                const std::string& ShortCut, bool Counted,
                                                                int ResId, const std::string& ResName,
                                                                const std::string& Hint) {
  uintptr_t bmp = 0;
  if (ResId != 0 && FSource.LoadById)
    bmp = FSource.LoadById(ResId);
  else if (!ResName.empty() && FSource.LoadByName)
    bmp = FSource.LoadByName(ResName);
  return AddItem(Caption, ShortCut, Counted, bmp, Hint);
}

T_MX_MenuItemCacheItem* T_MX_MenuItemCache::Find(const std::string& Caption) const {
  auto it = FItems.find(NormaliseCaption(Caption));
  return it == FItems.end() ? nullptr : it->second.get();
}

T_MX_MenuItemCacheItem* T_MX_MenuItemCache::BitmapForCaption(const std::string& Caption) {
  if (auto* found = Find(Caption)) return found;
  const std::string key = NormaliseCaption(Caption);
  uintptr_t bmp = FSource.LoadByName ? FSource.LoadByName("BMP_MX_" + key) : 0;
  return AddItem(key, "", false, bmp, "");
}

uintptr_t T_MX_MenuItemCache::NthItemWithBitmap(int N) const {
  if (N < 0) return 0;
  for (const auto& [key, item] : FItems) {
    if (!item->Counted) continue;
    if (N-- == 0) return item->Bitmap;
  }
  return 0;
}

std::string NormaliseShortCutList(const std::string& Text,
                                  const std::function<std::string(const std::string&)>& ToCanonical) {
  std::string out;
  size_t pos = 0;
  while (pos <= Text.size()) {
    size_t semi = Text.find(';', pos);
    std::string part = Trimmed(Text.substr(pos, semi == std::string::npos ? std::string::npos : semi - pos));
    if (part.empty()) break;
    std::string canon = ToCanonical(part);
    if (canon.empty()) throw Exception("Invalid shortcut: '" + part + "'");
    if (!out.empty()) out += ';';
    out += canon;
    if (semi == std::string::npos) break;
    pos = semi + 1;
  }
  return out;
}

std::string FirstShortCutText(const std::string& Text) { return Trimmed(Text.substr(0, Text.find(';'))); }

bool ShortCutListHolds(const std::string& List, const std::string& Text) {
  const std::string want = UpperAnsi(Trimmed(Text));
  if (want.empty()) return false;
  size_t pos = 0;
  while (pos <= List.size()) {
    size_t semi = List.find(';', pos);
    if (UpperAnsi(Trimmed(List.substr(pos, semi == std::string::npos ? std::string::npos : semi - pos))) == want)
      return true;
    if (semi == std::string::npos) break;
    pos = semi + 1;
  }
  return false;
}

std::string MenuHintText(const std::string& Hint) {
  size_t bar = Hint.find('|');
  std::string s = Trimmed(bar == std::string::npos ? Hint : Hint.substr(bar + 1));
  std::string out;
  for (size_t i = 0; i < s.size();) {
    if (s[i] == '&' && i + 1 < s.size() && s[i + 1] == '#') {
      out += ' ';
      i += std::min<size_t>(5, s.size() - i);
    } else {
      out += s[i++];
    }
  }
  return out;
}

char CaptionAccelerator(const std::string& Caption) {
  for (size_t i = 0; i + 1 < Caption.size(); ++i) {
    if (Caption[i] != '&') continue;
    if (Caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return UpperAnsi(std::string(1, Caption[i + 1]))[0];
  }
  return 0;
}

std::string StripAccelerators(const std::string& Caption) {
  std::string out;
  for (size_t i = 0; i < Caption.size(); ++i) {
    if (Caption[i] == '&') {
      if (i + 1 < Caption.size() && Caption[i + 1] == '&') out += '&';
      if (i + 1 < Caption.size()) ++i;
      else break;
      if (Caption[i] != '&') out += Caption[i];
      continue;
    }
    out += Caption[i];
  }
  return out;
}
