#include "framework/ui/dialogs.h"

#include <algorithm>

#include "framework/ui/extctrls.h"
#include "framework/ui/stdctrls.h"

DWORD OpenOptionsToFlags(TOpenOptions Options) {
  struct TMap {
    TOpenOptions Option;
    DWORD Flag;
  };
  static const TMap map[] = {
      {ofReadOnly, OFN_READONLY}, {ofOverwritePrompt, OFN_OVERWRITEPROMPT}, {ofHideReadOnly, OFN_HIDEREADONLY},
      {ofNoChangeDir, OFN_NOCHANGEDIR}, {ofShowHelp, OFN_SHOWHELP}, {ofNoValidate, OFN_NOVALIDATE},
      {ofAllowMultiSelect, OFN_ALLOWMULTISELECT}, {ofPathMustExist, OFN_PATHMUSTEXIST},
      {ofFileMustExist, OFN_FILEMUSTEXIST}, {ofCreatePrompt, OFN_CREATEPROMPT}, {ofShareAware, OFN_SHAREAWARE},
      {ofNoReadOnlyReturn, OFN_NOREADONLYRETURN}, {ofNoTestFileCreate, OFN_NOTESTFILECREATE},
      {ofNoNetworkButton, OFN_NONETWORKBUTTON}, {ofNoLongNames, OFN_NOLONGNAMES},
      {ofNoDereferenceLinks, OFN_NODEREFERENCELINKS}, {ofEnableIncludeNotify, OFN_ENABLEINCLUDENOTIFY},
      {ofEnableSizing, OFN_ENABLESIZING},
  };
  DWORD flags = (Options & ofOldStyleDialog) ? 0 : OFN_EXPLORER;
  for (const auto& m : map)
    if (Options & m.Option) flags |= m.Flag;
  return flags;
}

std::wstring FilterToWide(const std::string& Filter) {
  std::wstring w = Widen(Filter);
  for (wchar_t& c : w)
    if (c == L'|') c = L'\0';
  w.push_back(L'\0');
  w.push_back(L'\0');
  return w;
}

std::vector<std::string> SplitMultiSelect(const wchar_t* Buffer, size_t Size) {
  std::vector<std::wstring> parts;
  size_t i = 0;
  while (i < Size && Buffer[i]) {
    size_t start = i;
    while (i < Size && Buffer[i]) ++i;
    parts.emplace_back(Buffer + start, i - start);
    ++i;
  }
  std::vector<std::string> out;
  if (parts.size() == 1) {
    out.push_back(Narrow(parts[0]));
  } else if (parts.size() > 1) {
    std::string dir = IncludeTrailingBackslash(Narrow(parts[0]));
    for (size_t k = 1; k < parts.size(); ++k) out.push_back(dir + Narrow(parts[k]));
  }
  return out;
}

TOpenDialog::TOpenDialog(TComponent* AOwner) : TComponent(AOwner), FFiles(std::make_unique<TStringList>()) {}

TOpenDialog::~TOpenDialog() = default;

bool TOpenDialog::Execute() { return DoExecute(false); }

bool TSaveDialog::Execute() { return DoExecute(true); }

bool TOpenDialog::DoExecute(bool Save) {
  const size_t size = (Options & ofAllowMultiSelect) ? 65536 : MAX_PATH * 2;
  std::vector<wchar_t> buffer(size, L'\0');
  std::wstring initial = Widen(FileName);
  std::copy_n(initial.begin(), std::min(initial.size(), size - 1), buffer.begin());
  std::wstring filter = FilterToWide(Filter);
  std::wstring dir = Widen(InitialDir);
  std::wstring title = Widen(Title);
  std::wstring ext = Widen(DefaultExt);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = GetActiveWindow();
  ofn.lpstrFilter = Filter.empty() ? nullptr : filter.c_str();
  ofn.nFilterIndex = static_cast<DWORD>(FilterIndex);
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(size);
  ofn.lpstrInitialDir = InitialDir.empty() ? nullptr : dir.c_str();
  ofn.lpstrTitle = Title.empty() ? nullptr : title.c_str();
  ofn.lpstrDefExt = DefaultExt.empty() ? nullptr : ext.c_str();
  ofn.Flags = OpenOptionsToFlags(Options);
  if (OnShow) OnShow(this);
  BOOL ok = Save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
  if (OnClose) OnClose(this);
  FFiles->Clear();
  if (!ok) return false;
  FilterIndex = static_cast<int>(ofn.nFilterIndex);
  if (ofn.Flags & OFN_READONLY)
    Options |= ofReadOnly;
  else
    Options &= ~ofReadOnly;
  if (ofn.Flags & OFN_EXTENSIONDIFFERENT)
    Options |= ofExtensionDifferent;
  else
    Options &= ~ofExtensionDifferent;
  std::vector<std::string> names = (Options & ofAllowMultiSelect)
                                       ? SplitMultiSelect(buffer.data(), size)
                                       : std::vector<std::string>{Narrow(buffer.data())};
  for (const std::string& n : names) FFiles->Add(n);
  FileName = names.empty() ? std::string() : names.front();
  return true;
}

namespace {

struct TButtonInfo {
  TMsgDlgButtons Button;
  const char* Name;
  const char* Caption;
  int Result;
};

const TButtonInfo kButtons[] = {
    {mbYes, "Yes", "&Yes", mrYes},           {mbNo, "No", "&No", mrNo},
    {mbOK, "OK", "OK", mrOk},                {mbCancel, "Cancel", "Cancel", mrCancel},
    {mbAbort, "Abort", "&Abort", mrAbort},   {mbRetry, "Retry", "&Retry", mrRetry},
    {mbIgnore, "Ignore", "&Ignore", mrIgnore}, {mbAll, "All", "&All", mrAll},
    {mbNoToAll, "NoToAll", "N&o to All", mrNoToAll}, {mbYesToAll, "YesToAll", "Yes to &All", mrYesToAll},
    {mbHelp, "Help", "&Help", mrNone},
};

}  // namespace

std::unique_ptr<TForm> CreateMessageDialog(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons) {
  static const char* captions[] = {"Warning", "Error", "Information", "Confirmation", ""};
  static const LPCSTR icons[] = {IDI_EXCLAMATION, IDI_HAND, IDI_ASTERISK, IDI_QUESTION, nullptr};
  auto form = std::make_unique<TForm>(nullptr, "TMessageForm");
  form->SetBorderStyle(bsDialog);
  form->SetPosition(poScreenCenter);
  form->SetCaption(DlgType == mtCustom ? (Application ? Application->Title() : std::string()) : captions[DlgType]);
  const int margin = 10, spacing = 10, buttonWidth = 75, buttonHeight = 25, gap = 8;
  int textLeft = margin;
  int iconHeight = 0;
  if (icons[DlgType]) {
    auto* image = new TImage(form.get());
    image->SetName("Image");
    image->SetBounds(margin, margin, 32, 32);
    image->Picture()->Icon()->SetHandle(
        CopyIcon(LoadIconW(nullptr, MAKEINTRESOURCEW(LOWORD(reinterpret_cast<ULONG_PTR>(icons[DlgType]))))));
    image->SetParent(form.get());
    textLeft = margin + 32 + spacing;
    iconHeight = 32;
  }
  auto* label = new TLabel(form.get());
  label->SetName("Message");
  label->SetWordWrap(true);
  label->SetAutoSize(false);
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, form->Font()->Handle());
  RECT tr{0, 0, std::max(GetSystemMetrics(SM_CXSCREEN) / 2, 200), 0};
  std::wstring wmsg = Widen(Msg);
  DrawTextW(dc, wmsg.c_str(), static_cast<int>(wmsg.size()), &tr, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  label->SetShowAccelChar(false);
  label->SetCaption(Msg);
  label->SetBounds(textLeft, margin, tr.right, tr.bottom);
  label->SetParent(form.get());
  int count = 0;
  for (const auto& b : kButtons)
    if (Buttons & b.Button) ++count;
  int buttonsWidth = count * buttonWidth + std::max(count - 1, 0) * gap;
  int clientWidth = std::max<int>(textLeft + tr.right + margin, buttonsWidth + 2 * margin);
  int top = margin + std::max<int>(iconHeight, tr.bottom) + spacing;
  int x = (clientWidth - buttonsWidth) / 2;
  bool haveDefault = false;
  for (const auto& b : kButtons) {
    if (!(Buttons & b.Button)) continue;
    auto* button = new TButton(form.get());
    button->SetName(b.Name);
    button->SetCaption(b.Caption);
    button->SetModalResult(b.Result);
    button->SetBounds(x, top, buttonWidth, buttonHeight);
    if (!haveDefault && (b.Button == mbOK || b.Button == mbYes)) {
      button->SetDefault(true);
      haveDefault = true;
    }
    if (b.Button == mbCancel || (b.Button == mbNo && !(Buttons & mbCancel))) button->SetCancel(true);
    button->SetParent(form.get());
    x += buttonWidth + gap;
  }
  form->SetClientWidth(clientWidth);
  form->SetClientHeight(top + buttonHeight + margin);
  return form;
}

int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int) {
  auto form = CreateMessageDialog(Msg, DlgType, Buttons);
  return form->ShowModal();
}

void ShowMessage(const std::string& Msg) { MessageDlg(Msg, mtCustom, mbOK); }
