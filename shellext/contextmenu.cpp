#include "shellext/contextmenu.h"

#include <algorithm>

#include "shellext/handover.h"

namespace brimshex {

namespace {

struct TVerb {
  uint8_t Code;
  const char* Switch;
  const char* Help;
};

const TVerb Verbs[] = {
    {cmdAddZipOptions, "-aZIP", "Compress the selected file(s) to a ZIP archive (with options)"},
    {cmdAddZip, "-aZ", "Compress the selected file(s) to the named ZIP archive"},
    {cmdAddCabOptions, "-aCAB", "Compress the selected file(s) to a CAB archive (with options)"},
    {cmdAddCab, "-aC", "Compress the selected file(s) to the named CAB archive"},
    {cmdAddLhaOptions, "-aLHA", "Compress the selected file(s) to a LHA archive (with options)"},
    {cmdAddLha, "-aL", "Compress the selected file(s) to the named LHA archive"},
    {cmdAddBhOptions, "-aBH", "Compress the selected file(s) to a BH archive (with options)"},
    {cmdAddBh, "-aB", "Compress the selected file(s) to the named Bh archive"},
    {cmdExtractTo, "-et", "Extract all of the files in the archive"},
    {cmdExtractHere, "-e", "Extract all of the files in the archive to the current folder"},
    {cmdExtractToSubFolder, "-es", "Extract all files from the archive to a subfolder"},
    {cmdConvertZip, "-tozip", "Convert the archive to a ZIP archive"},
    {cmdMakeSfx, "-tosfx", "Convert the ZIP archive to a Self-Extracting File"},
    {cmdOpenSfx, "", "Open the Self-Extracting Archive in Quillon"},
    {cmdMakeSpan, "-tospan", "Create a spanned set from the selected archive"},
    {cmdAbout, "", "Show the version of the Quillon shell extension"},
};

const TVerb* FindVerb(uint8_t Code) {
  for (const auto& verb : Verbs)
    if (verb.Code == Code) return &verb;
  return nullptr;
}

const char* const AboutText =
    "Brimshex 1.0\r\nThe Explorer shell extension of Quillon 2000: compress, extract and convert archives "
    "from the context menu, by right-drag and by drop.";

}  // namespace

const char* VerbHelpText(uint8_t Code) {
  const TVerb* verb = FindVerb(Code);
  return verb ? verb->Help : nullptr;
}

const char* VerbSwitch(uint8_t Code) {
  const TVerb* verb = FindVerb(Code);
  return verb ? verb->Switch : "";
}

HRESULT AnswerCommandString(UINT Kind, bool Valid, const char* Help, char* Buffer, UINT Size) {
  switch (Kind & ~GCS_UNICODE) {
    case GCS_VALIDATEA:
      return Valid ? S_OK : S_FALSE;
    case GCS_HELPTEXTA: {
      if (!Valid) return E_FAIL;
      if (!Help) return E_NOTIMPL;
      if (!Buffer || Size == 0) return E_INVALIDARG;
      const size_t length = std::min<size_t>(strlen(Help), Size - 1);
      if (Kind & GCS_UNICODE) {
        auto* wide = reinterpret_cast<wchar_t*>(Buffer);
        const int n = MultiByteToWideChar(CP_ACP, 0, Help, static_cast<int>(length), wide, static_cast<int>(Size - 1));
        wide[n > 0 ? n : 0] = L'\0';
      } else {
        memcpy(Buffer, Help, length);
        Buffer[length] = '\0';
      }
      return S_OK;
    }
    default:
      // No language-independent verbs: the help text is no verb.
      return Valid ? E_NOTIMPL : E_FAIL;
  }
}

bool InvokeOffset(const CMINVOKECOMMANDINFO* Info, UINT& Offset) {
  if (!Info || !IS_INTRESOURCE(Info->lpVerb)) return false;
  if (Info->cbSize >= sizeof(CMINVOKECOMMANDINFOEX) && (Info->fMask & CMIC_MASK_UNICODE)) {
    const auto* ex = reinterpret_cast<const CMINVOKECOMMANDINFOEX*>(Info);
    if (!IS_INTRESOURCE(ex->lpVerbW)) return false;
  }
  Offset = LOWORD(reinterpret_cast<UINT_PTR>(Info->lpVerb));
  return true;
}

void* TShellMenuHandler::Interface(REFIID Iid) {
  if (IsEqualIID(Iid, IID_IUnknown) || IsEqualIID(Iid, IID_IShellExtInit)) return static_cast<IShellExtInit*>(this);
  if (IsEqualIID(Iid, IID_IContextMenu)) return static_cast<IContextMenu*>(this);
  return nullptr;
}

HRESULT TContextMenu::Initialize(PCIDLIST_ABSOLUTE, IDataObject* Data, HKEY) {
  return Guarded([&]() -> HRESULT {
    FOptions = LoadShellExtOptions();
    FBitmap.LoadMenuBitmap(FOptions.UseBitmapImages);
    // A new selection: the last menu's commands no longer apply.
    FNames.clear();
    FCommands.clear();
    FPopup = nullptr;
    if (!Data) return E_FAIL;
    return ReadDroppedNames(Data, MaxSelectedNames, FNames);
  });
}

std::string TContextMenu::Caption(uint8_t Code) const {
  const std::string& first = FNames.front();
  const auto named = [&](const char* Text, const char* Extension) {
    return std::string(Text) + "\"" + CaptionName(first) + Extension + "\"";
  };
  switch (Code) {
    case cmdAddZipOptions: return "Compress to &ZIP + options...";
    case cmdAddZip: return named("&Compress to ", ".zip");
    case cmdAddCabOptions: return "Compress to &CAB + options...";
    case cmdAddCab: return named("C&ompress to ", ".cab");
    case cmdAddLhaOptions: return "Compress to &LHA + options...";
    case cmdAddLha: return named("Co&mpress to ", ".lha");
    case cmdAddBhOptions: return "Compress to &BH + options...";
    case cmdAddBh: return named("Com&press to ", ".bh");
    case cmdExtractTo: return "&Extract To...";
    case cmdExtractHere: return "Extract &Here";
    case cmdExtractToSubFolder: return "E&xtract To " + ShortenPath(WithoutExtension(first));
    case cmdConvertZip: return FSelfExtractor ? "Convert To " + CaptionName(first) + ".zip" : "Convert to &ZIP";
    case cmdMakeSfx: return "Create &Self-Extracting ZIP";
    case cmdOpenSfx: return "&Open with Quillon";
    case cmdMakeSpan: return "Create a S&panned Set...";
    case cmdAbout: return "&About...";
    default: return {};
  }
}

bool TContextMenu::InsertVerbItem(HMENU Menu, UINT Position, UINT FirstId, UINT LastId, uint8_t Code) {
  const UINT offset = static_cast<UINT>(FCommands.size());
  // Ids beyond the range the caller gave belong to other handlers.
  if (FirstId + offset < FirstId || FirstId + offset > LastId) return false;
  const std::string caption = Caption(Code);
  HMENU target = FPopup ? FPopup : Menu;
  const UINT at = FPopup ? offset : Position + offset + 1;
  if (!InsertMenuA(target, at, MF_BYPOSITION | MF_STRING, FirstId + offset, caption.c_str())) return false;
  FBitmap.SetItemBitmap(target, at);
  FCommands.push_back(Code);
  return true;
}

HRESULT TContextMenu::QueryContextMenu(HMENU Menu, UINT Position, UINT FirstId, UINT LastId, UINT Flags) {
  return Guarded([&]() -> HRESULT {
    FCommands.clear();
    FPopup = nullptr;
    FSelfExtractor = false;
    // The default-only request asks for the default verb, which we have none of.
    if (Flags & CMF_DEFAULTONLY) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
    if (!ShellExtEnabled()) return E_FAIL;
    if (FNames.empty()) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);

    const std::string& first = FNames.front();
    const TArchiveKind kind = GetArchiveKind(first, FOptions.CheckForSFXs);
    FSelfExtractor = FNames.size() == 1 && kind == akSfx;
    const TVerbEnables enables = LoadVerbSwitches();

    std::vector<uint8_t> codes;
    if (FSelfExtractor) {
      codes = {cmdExtractTo, cmdExtractHere, cmdExtractToSubFolder, cmdConvertZip, cmdOpenSfx};
    } else if (FNames.size() > 1 || kind == akNone) {
      codes = {cmdAddZipOptions, cmdAddZip, cmdAddCabOptions, cmdAddCab,
               cmdAddLhaOptions, cmdAddLha, cmdAddBhOptions, cmdAddBh};
    } else {
      codes = {cmdExtractTo, cmdExtractHere, cmdExtractToSubFolder};
      const bool zip = LowerExtension(first) == ".zip";
      if (!zip && FOptions.SupportConvertFormat) codes.push_back(cmdConvertZip);
      if (zip) codes.insert(codes.end(), {cmdMakeSfx, cmdMakeSpan});
    }

    InsertMenuA(Menu, Position, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    if (FOptions.Cascade) {
      FPopup = CreatePopupMenu();
      if (!FPopup) return E_FAIL;
      if (!InsertMenuA(Menu, Position + 1, MF_BYPOSITION | MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(FPopup),
                       "Quillon 2000")) {
        DestroyMenu(FPopup);
        FPopup = nullptr;
        return E_FAIL;
      }
      FBitmap.SetItemBitmap(Menu, Position + 1);
    }
    for (uint8_t code : codes)
      if (enables[code]) InsertVerbItem(Menu, Position, FirstId, LastId, code);

    if (!FPopup) {
      InsertMenuA(Menu, Position + static_cast<UINT>(FCommands.size()) + 1, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    } else {
      AppendMenuA(FPopup, MF_SEPARATOR, 0, nullptr);
      if (enables[cmdAbout]) {
        const UINT offset = static_cast<UINT>(FCommands.size());
        if (FirstId + offset >= FirstId && FirstId + offset <= LastId &&
            AppendMenuA(FPopup, MF_STRING, FirstId + offset, Caption(cmdAbout).c_str())) {
          FBitmap.SetItemBitmap(FPopup, static_cast<UINT>(GetMenuItemCount(FPopup) - 1));
          FCommands.push_back(cmdAbout);
        }
      }
    }
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, static_cast<USHORT>(FCommands.size()));
  });
}

HRESULT TContextMenu::InvokeCommand(CMINVOKECOMMANDINFO* Info) {
  return Guarded([&]() -> HRESULT {
    UINT offset = 0;
    if (!InvokeOffset(Info, offset)) return E_FAIL;
    const std::string program = GetMainProgramPath();
    if (program.empty() || !FileExists(program)) return S_OK;
    if (offset >= FCommands.size()) return E_FAIL;
    const uint8_t code = FCommands[offset];
    const std::string& first = FNames.front();
    if (code >= cmdAddZipOptions && code <= cmdAddBh) {
      // Morv reads the names from the list file: without it nothing starts.
      if (!WriteListFile(ListFileName(), FNames)) return E_FAIL;
      ShellOpen(program, VerbSwitch(code), FolderOf(first), Info->nShow);
    } else if (code == cmdAbout) {
      MessageBoxA(nullptr, AboutText, "Brimshex.DLL", MB_OK | MB_ICONINFORMATION);
    } else if (FindVerb(code)) {
      StartCommandLine(ProgramCommandLine(program, VerbSwitch(code), first), Info->nShow);
    }
    return S_OK;
  });
}

HRESULT TContextMenu::GetCommandString(UINT_PTR Offset, UINT Kind, UINT*, CHAR* Buffer, UINT Size) {
  const bool valid = Offset < FCommands.size();
  return AnswerCommandString(Kind, valid, valid ? VerbHelpText(FCommands[Offset]) : nullptr, Buffer, Size);
}

}  // namespace brimshex
