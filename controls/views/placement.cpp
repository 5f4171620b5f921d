#include "controls/views/placement.h"

#include <cstdio>

#include "controls/views/propsstorage.h"
#include "framework/core/sysutils.h"
#include "framework/ui/registry.h"

namespace {

// The registry read as an INI file, through the storage base.
class TRegIniStorage : public TCustomIniFile {
 public:
  explicit TRegIniStorage(const std::string& Key) : F(Key) {}
  std::string ReadString(const std::string& S, const std::string& I, const std::string& D) override {
    return F.ReadString(S, I, D);
  }
  void WriteString(const std::string& S, const std::string& I, const std::string& V) override { F.WriteString(S, I, V); }
  int ReadInteger(const std::string& S, const std::string& I, int D) override { return F.ReadInteger(S, I, D); }
  void WriteInteger(const std::string& S, const std::string& I, int V) override { F.WriteInteger(S, I, V); }
  bool ReadBool(const std::string& S, const std::string& I, bool D) override { return F.ReadBool(S, I, D); }
  void WriteBool(const std::string& S, const std::string& I, bool V) override { F.WriteBool(S, I, V); }
  void ReadSection(const std::string& S, TStrings* L) override { F.ReadSection(S, L); }
  void EraseSection(const std::string& S) override { F.EraseSection(S); }
  void DeleteKey(const std::string& S, const std::string& I) override { F.DeleteKey(S, I); }

 private:
  TRegIniFile F;
};

}  // namespace

std::unique_ptr<TCustomIniFile> RegistryStorage(const std::string& Key) {
  return std::make_unique<TRegIniStorage>(Key);
}

// ---- unit routines ----

std::string DefaultPlacementSection(TComponent* Component) {
  if (!Component) return {};
  if (dynamic_cast<TCustomForm*>(Component)) return Component->ClassName();
  if (auto* control = dynamic_cast<TControl*>(Component)) {
    if (TCustomForm* form = GetParentForm(control)) return form->ClassName() + control->Name();
    if (control->Parent()) return control->Parent()->Name() + control->Name();
  }
  if (Component->Owner() && dynamic_cast<TCustomForm*>(Component->Owner()))
    return Component->Owner()->ClassName() + "." + Component->Name();
  return Component->Name();
}

std::string DefaultIniFileName() { return ChangeFileExt(ExtractFileName(Application->ExeName()), ".INI"); }

std::string DefaultRegistryKey() {
  return "Software\\" + ChangeFileExt(ExtractFileName(Application->ExeName()), "");
}

std::string ScreenSizeSuffix() {
  return "(" + IntToStr(Screen->Width()) + "x" + IntToStr(Screen->Height()) + ")";
}

std::string StorageReadString(TCustomIniFile* Storage, const std::string& Section, const std::string& Ident,
                              const std::string& Default) {
  return Storage ? Storage->ReadString(Section, Ident, Default) : Default;
}

void StorageWriteString(TCustomIniFile* Storage, const std::string& Section, const std::string& Ident,
                        const std::string& Value) {
  if (!Storage) return;
  // The INI reader strips one pair of quotes; a quoted value gets another.
  const bool quoted = Value.size() >= 2 && (Value.front() == '"' || Value.front() == '\'') &&
                      Value.back() == Value.front();
  Storage->WriteString(Section, Ident, quoted && Storage->StripsQuotes() ? "\"" + Value + "\"" : Value);
}

int StorageReadInteger(TCustomIniFile* Storage, const std::string& Section, const std::string& Ident, int Default) {
  return Storage ? Storage->ReadInteger(Section, Ident, Default) : Default;
}

void StorageWriteInteger(TCustomIniFile* Storage, const std::string& Section, const std::string& Ident, int Value) {
  if (Storage) Storage->WriteInteger(Section, Ident, Value);
}

namespace {

void WritePosStr(TCustomIniFile* Storage, const std::string& Section, const std::string& Ident,
                 const std::string& Value) {
  StorageWriteString(Storage, Section, Ident + ScreenSizeSuffix(), Value);
  StorageWriteString(Storage, Section, Ident, Value);
}

std::string ReadPosStr(TCustomIniFile* Storage, const std::string& Section, const std::string& Ident) {
  std::string s = StorageReadString(Storage, Section, Ident + ScreenSizeSuffix(), "");
  return s.empty() ? StorageReadString(Storage, Section, Ident, "") : s;
}

std::string Four(int A, int B, int C, int D) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%d,%d,%d,%d", A, B, C, D);
  return buf;
}

// Word I (from 1) of a text split at blanks and commas, as a number.
int Word(const std::string& S, int I, int Default) {
  int n = 0;
  size_t p = 0;
  while (p < S.size()) {
    while (p < S.size() && (S[p] == ' ' || S[p] == ',')) ++p;
    const size_t start = p;
    while (p < S.size() && S[p] != ' ' && S[p] != ',') ++p;
    if (p > start && ++n == I) return StrToIntDef(S.substr(start, p - start), Default);
  }
  return Default;
}

}  // namespace

void WriteFormPlacement(TCustomForm* Form, TCustomIniFile* Storage, const std::string& Section) {
  WINDOWPLACEMENT wp = {};
  wp.length = sizeof wp;
  GetWindowPlacement(Form->Handle(), &wp);
  if (Form == Application->MainForm() && IsIconic(Application->Handle())) wp.showCmd = SW_SHOWMINIMIZED;
  StorageWriteInteger(Storage, Section, "Flags", int(wp.flags));
  StorageWriteInteger(Storage, Section, "ShowCmd", int(wp.showCmd));
  StorageWriteInteger(Storage, Section, "PixelsPerInch", Screen->PixelsPerInch());
  WritePosStr(Storage, Section, "MinMaxPos",
              Four(wp.ptMinPosition.x, wp.ptMinPosition.y, wp.ptMaxPosition.x, wp.ptMaxPosition.y));
  WritePosStr(Storage, Section, "NormPos",
              Four(wp.rcNormalPosition.left, wp.rcNormalPosition.top, wp.rcNormalPosition.right,
                   wp.rcNormalPosition.bottom));
}

void ReadFormPlacement(TCustomForm* Form, TCustomIniFile* Storage, const std::string& Section, bool LoadPosition,
                       bool LoadState) {
  if (!(LoadPosition || LoadState)) return;
  WINDOWPLACEMENT wp = {};
  wp.length = sizeof wp;
  GetWindowPlacement(Form->Handle(), &wp);
  if (!IsWindowVisible(Form->Handle())) wp.showCmd = SW_HIDE;
  if (LoadPosition) {
    bool usable = false;
    wp.flags = UINT(StorageReadInteger(Storage, Section, "Flags", int(wp.flags)));
    const std::string minMax = ReadPosStr(Storage, Section, "MinMaxPos");
    if (!minMax.empty()) {
      usable = true;
      wp.ptMinPosition = {Word(minMax, 1, 0), Word(minMax, 2, 0)};
      wp.ptMaxPosition = {Word(minMax, 3, 0), Word(minMax, 4, 0)};
    }
    const std::string norm = ReadPosStr(Storage, Section, "NormPos");
    if (!norm.empty()) {
      usable = true;
      wp.rcNormalPosition.left = Word(norm, 1, Form->Left());
      wp.rcNormalPosition.top = Word(norm, 2, Form->Top());
      wp.rcNormalPosition.right = Word(norm, 3, Form->Left() + Form->Width());
      wp.rcNormalPosition.bottom = Word(norm, 4, Form->Top() + Form->Height());
    }
    if (StorageReadInteger(Storage, Section, "PixelsPerInch", Screen->PixelsPerInch()) != Screen->PixelsPerInch())
      usable = false;
    if (usable) {
      // A form of fixed size takes only the stored position.
      if (Form->BorderStyle() != bsSizeable && Form->BorderStyle() != bsSizeToolWin) {
        wp.rcNormalPosition.right = wp.rcNormalPosition.left + Form->Width();
        wp.rcNormalPosition.bottom = wp.rcNormalPosition.top + Form->Height();
      }
      if (wp.rcNormalPosition.right > wp.rcNormalPosition.left) {
        if (Form->Position() == poScreenCenter) Form->SetPosition(poDesigned);
        SetWindowPlacement(Form->Handle(), &wp);
        Form->SetBounds(wp.rcNormalPosition.left, wp.rcNormalPosition.top,
                        wp.rcNormalPosition.right - wp.rcNormalPosition.left,
                        wp.rcNormalPosition.bottom - wp.rcNormalPosition.top);
      }
    }
  }
  if (LoadState) {
    TWindowState state = wsNormal;
    if (Form->Position() == poDefault) state = wsMaximized;
    switch (StorageReadInteger(Storage, Section, "ShowCmd", 0)) {
      case 1: case 5: case 9: state = wsNormal; break;
      case 2: case 6: case 7: state = wsMinimized; break;
      case 3: state = wsMaximized; break;
      default: break;
    }
    // The main form minimises the whole program, not itself.
    if (state == wsMinimized && Form == Application->MainForm()) {
      Form->SetWindowState(wsNormal);
      PostMessageW(Application->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
      return;
    }
    Form->SetWindowState(state);
  }
  Form->Update();
}

// ---- TWinMinMaxInfo ----

void TWinMinMaxInfo::SetValue(int Index, int Value) {
  if (Index < 0 || Index > 7 || FValues[Index] == Value) return;
  FValues[Index] = Value;
  if (FOwner) FOwner->UpdatePlacement();
}

bool TWinMinMaxInfo::DefaultMinMaxInfo() const {
  for (int v : FValues)
    if (v) return false;
  return true;
}

void TWinMinMaxInfo::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TWinMinMaxInfo*>(Source);
  if (!other) {
    TPersistent::Assign(Source);
    return;
  }
  for (int i = 0; i < 8; ++i) FValues[i] = other->FValues[i];
  if (FOwner) FOwner->UpdatePlacement();
}

// ---- TFormPlacement ----

TFormPlacement::TFormPlacement(TComponent* AOwner) : TComponent(AOwner) {
  FMinMaxInfo.FOwner = this;
  if (!dynamic_cast<TCustomForm*>(AOwner)) Options = 0;
}

TFormPlacement::~TFormPlacement() {
  if (TCustomForm* f = Form(); f && FHooked && !(f->ComponentState() & csDestroying)) {
    f->OnShow = FSavedShow;
    f->OnCloseQuery = FSavedCloseQuery;
    f->OnDestroy = FSavedDestroy;
  }
  FMinMaxInfo.FOwner = nullptr;
}

TCustomForm* TFormPlacement::Form() const { return dynamic_cast<TCustomForm*>(Owner()); }

std::string TFormPlacement::IniFileName() const {
  if (!FIniFileName.empty()) return FIniFileName;
  return UseRegistry ? DefaultRegistryKey() : DefaultIniFileName();
}

std::string TFormPlacement::IniSection() const {
  return FIniSection.empty() ? DefaultPlacementSection(Owner()) : FIniSection;
}

void TFormPlacement::Loaded() {
  TComponent::Loaded();
  TCustomForm* f = Form();
  if (!f || FHooked || (ComponentState() & csDesigning)) return;
  FHooked = true;
  // The class name read while the form is being destroyed is its base's.
  if (FIniSection.empty()) FIniSection = DefaultPlacementSection(f);
  FSavedShow = f->OnShow;
  FSavedCloseQuery = f->OnCloseQuery;
  FSavedDestroy = f->OnDestroy;
  f->OnShow = [this](TObject* S) { FormShow(S); };
  f->OnCloseQuery = [this](TObject* S, bool& CanClose) { FormCloseQuery(S, CanClose); };
  f->OnDestroy = [this](TObject* S) { FormDestroy(S); };
  UpdateHook();
}

void TFormPlacement::FormShow(TObject* Sender) {
  if (FActive) RestoreFormPlacement();
  if (FSavedShow) FSavedShow(Sender);
}

void TFormPlacement::FormCloseQuery(TObject* Sender, bool& CanClose) {
  if (FSavedCloseQuery) FSavedCloseQuery(Sender, CanClose);
  if (CanClose && FActive && Form()->HandleAllocated()) SaveFormPlacement();
}

void TFormPlacement::FormDestroy(TObject* Sender) {
  if (FActive && !FSaved) {
    FDestroying = true;
    SaveFormPlacement();
    FDestroying = false;
  }
  // The hook leaves while the form's window is still there.
  delete FHook;
  FHook = nullptr;
  FHooked = false;
  if (FSavedDestroy) FSavedDestroy(Sender);
}

bool TFormPlacement::OpenStorage() {
  if (FStorage) return true;
  if (UseRegistry) FStorage = RegistryStorage(IniFileName());
  else FStorage = std::make_unique<TIniFile>(IniFileName());
  return false;
}

void TFormPlacement::CloseStorage(bool WasOpen) {
  if (!WasOpen) FStorage.reset();
}

void TFormPlacement::SaveFormPlacement() {
  // A form never restored keeps what is stored.
  if (FActive && !FRestored) return;
  const bool was = OpenStorage();
  SavePlacement();
  if (OnSavePlacement) OnSavePlacement(this);
  FSaved = true;
  CloseStorage(was);
}

void TFormPlacement::RestoreFormPlacement() {
  FSaved = false;
  const bool was = OpenStorage();
  RestorePlacement();
  FRestored = true;
  if (OnRestorePlacement) OnRestorePlacement(this);
  if (Options & PlacementBit(fpActiveControl)) {
    const std::string name = StorageReadString(FStorage.get(), IniSection(), "ActiveControl", "");
    if (TCustomForm* f = Form(); f && !name.empty())
      for (int i = 0; i < f->ComponentCount(); ++i)
        if (auto* c = dynamic_cast<TWinControl*>(f->Components(i)); c && SameText(c->Name(), name)) {
          if (c->CanFocus()) f->SetActiveControl(c);
          break;
        }
  }
  CloseStorage(was);
  UpdatePlacement();
}

void TFormPlacement::SavePlacement() {
  TCustomForm* f = Form();
  if (!f) return;
  WriteFormPlacement(f, FStorage.get(), IniSection());
  if ((Options & PlacementBit(fpActiveControl)) && f->ActiveControl())
    StorageWriteString(FStorage.get(), IniSection(), "ActiveControl", f->ActiveControl()->Name());
  FStorage->WriteBool(IniSection(), "Visible", FDestroying);
}

void TFormPlacement::RestorePlacement() {
  if (TCustomForm* f = Form())
    ReadFormPlacement(f, FStorage.get(), IniSection(), Options & PlacementBit(fpPosition),
                      Options & PlacementBit(fpState));
}

std::string TFormPlacement::ReadString(const std::string& Ident, const std::string& Default) {
  const bool was = OpenStorage();
  std::string s = StorageReadString(FStorage.get(), IniSection(), Ident, Default);
  CloseStorage(was);
  return s;
}

void TFormPlacement::WriteString(const std::string& Ident, const std::string& Value) {
  const bool was = OpenStorage();
  StorageWriteString(FStorage.get(), IniSection(), Ident, Value);
  CloseStorage(was);
}

int TFormPlacement::ReadInteger(const std::string& Ident, int Default) {
  const bool was = OpenStorage();
  const int v = StorageReadInteger(FStorage.get(), IniSection(), Ident, Default);
  CloseStorage(was);
  return v;
}

void TFormPlacement::WriteInteger(const std::string& Ident, int Value) {
  const bool was = OpenStorage();
  StorageWriteInteger(FStorage.get(), IniSection(), Ident, Value);
  CloseStorage(was);
}

void TFormPlacement::SetPreventResize(bool Value) {
  if (Value == FPreventResize) return;
  FPreventResize = Value;
  if (TCustomForm* f = Form(); f && !(ComponentState() & csDesigning)) {
    const bool active = FActive;
    FActive = false;
    TBorderIcons icons = f->BorderIcons();
    if (Value) icons &= TBorderIcons(~biMaximize);
    else if (f->BorderStyle() != bsDialog) icons |= biMaximize;
    f->SetBorderIcons(icons);
    FActive = active;
  }
  UpdateHook();
}

void TFormPlacement::UpdateHook() {
  TCustomForm* f = Form();
  if (!f || !FHooked) return;
  const bool want = FPreventResize || !FMinMaxInfo.DefaultMinMaxInfo();
  if (want && !FHook) {
    FHook = new TWindowHook(this);
    FHook->AfterMessage = [this](TObject*, TMessage& Msg, bool& Handled) { HookAfter(Msg, Handled); };
    FHook->SetWinControl(f);
    FHook->SetActive(true);
  } else if (!want && FHook) {
    FHook->SetActive(false);
  } else if (want) {
    FHook->SetActive(true);
  }
}

void TFormPlacement::UpdatePlacement() {
  UpdateHook();
  TCustomForm* f = Form();
  if (!f || !f->HandleAllocated()) return;
  // Without limits the maximised window goes back to the frame's corner.
  if (!FPreventResize && FMinMaxInfo.DefaultMinMaxInfo()) {
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof wp;
    if (!GetWindowPlacement(f->Handle(), &wp)) return;
    int fx = 0, fy = 0;
    switch (f->BorderStyle()) {
      case bsSingle: case bsDialog: case bsToolWindow:
        fx = GetSystemMetrics(SM_CXFIXEDFRAME);
        fy = GetSystemMetrics(SM_CYFIXEDFRAME);
        break;
      case bsSizeable: case bsSizeToolWin:
        fx = GetSystemMetrics(SM_CXSIZEFRAME);
        fy = GetSystemMetrics(SM_CYSIZEFRAME);
        break;
      default: break;
    }
    if (wp.ptMaxPosition.x != -fx || wp.ptMaxPosition.y != -fy) {
      wp.ptMaxPosition = {-fx, -fy};
      if (!IsWindowVisible(f->Handle())) wp.showCmd = SW_HIDE;
      SetWindowPlacement(f->Handle(), &wp);
    }
  }
}

void TFormPlacement::HookAfter(TMessage& Msg, bool& Handled) {
  TCustomForm* f = Form();
  if (!f) return;
  if (FPreventResize) {
    switch (Msg.Msg) {
      case WM_GETMINMAXINFO:
        if (f->HandleAllocated() && IsWindowVisible(f->Handle())) {
          // The window's own rectangle: the form's size may already be the
          // one asked for.
          RECT r;
          GetWindowRect(f->Handle(), &r);
          auto* info = reinterpret_cast<MINMAXINFO*>(Msg.LParam);
          info->ptMinTrackSize = info->ptMaxTrackSize = {r.right - r.left, r.bottom - r.top};
          Msg.Result = 1;
          Handled = true;
        }
        break;
      case WM_NCHITTEST:
        if (Msg.Result >= HTLEFT && Msg.Result <= HTBOTTOMRIGHT) Msg.Result = HTNOWHERE;
        break;
      case WM_INITMENUPOPUP:
        if (HIWORD(Msg.LParam)) {
          const HMENU menu = reinterpret_cast<HMENU>(Msg.WParam);
          EnableMenuItem(menu, SC_SIZE, MF_BYCOMMAND | MF_GRAYED);
          EnableMenuItem(menu, SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED);
          Msg.Result = 1;
        }
        break;
    }
    return;
  }
  if (Msg.Msg != WM_GETMINMAXINFO) return;
  auto* info = reinterpret_cast<MINMAXINFO*>(Msg.LParam);
  auto set = [&](int Index, LONG& Field) {
    if (int v = FMinMaxInfo.Value(Index)) Field = v;
  };
  set(TWinMinMaxInfo::MinTrackWidth, info->ptMinTrackSize.x);
  set(TWinMinMaxInfo::MinTrackHeight, info->ptMinTrackSize.y);
  set(TWinMinMaxInfo::MaxTrackWidth, info->ptMaxTrackSize.x);
  set(TWinMinMaxInfo::MaxTrackHeight, info->ptMaxTrackSize.y);
  set(TWinMinMaxInfo::MaxSizeWidth, info->ptMaxSize.x);
  set(TWinMinMaxInfo::MaxSizeHeight, info->ptMaxSize.y);
  set(TWinMinMaxInfo::MaxPosLeft, info->ptMaxPosition.x);
  set(TWinMinMaxInfo::MaxPosTop, info->ptMaxPosition.y);
  Msg.Result = 0;
}

// ---- TFormStorage ----

TFormStorage::TFormStorage(TComponent* AOwner) : TFormPlacement(AOwner), FStoredProps(new TStringList) {}

TFormStorage::~TFormStorage() = default;

void TFormStorage::Loaded() {
  TFormPlacement::Loaded();
  if (Owner()) RefreshStoredPropList(Owner(), FStoredProps.get(), true);
}

void TFormStorage::SavePlacement() {
  TFormPlacement::SavePlacement();
  SaveProperties();
}

void TFormStorage::RestorePlacement() {
  TFormPlacement::RestorePlacement();
  RestoreProperties();
}

void TFormStorage::SaveProperties() {
  const bool was = OpenStorage();
  TPropsStorage s;
  s.Section = IniSection();
  s.OnReadString = [this](const std::string& Section, const std::string& Ident, const std::string& Default) {
    return StorageReadString(Storage(), Section, Ident, Default);
  };
  s.OnWriteString = [this](const std::string& Section, const std::string& Ident, const std::string& Value) {
    StorageWriteString(Storage(), Section, Ident, Value);
  };
  s.OnEraseSection = [this](const std::string& Section) { Storage()->EraseSection(Section); };
  SaveStoredProps(s, Owner(), FStoredProps.get());
  CloseStorage(was);
}

void TFormStorage::RestoreProperties() {
  const bool was = OpenStorage();
  TPropsStorage s;
  s.Section = IniSection();
  s.OnReadString = [this](const std::string& Section, const std::string& Ident, const std::string& Default) {
    return StorageReadString(Storage(), Section, Ident, Default);
  };
  LoadStoredProps(s, Owner(), FStoredProps.get());
  CloseStorage(was);
}
