// The program at the front of a self-extractor (SFXSTUB.BIN and MORVSE.DAT):
// it finds the Zip archive appended to itself and the settings block just
// before it, shows the block's caption and message with the folder to
// extract to, and extracts with the archive library. Exit code 0 when every file came out sound, 1
// after errors, 2 when the user cancelled.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "archive/core/sfxsettings.h"
#include "archive/core/ziprecords.h"
#include "archive/formats/zip/unzip.h"
#include "framework/core/streams.h"

namespace {

enum : int { idFolder = 100, idMessage = 101, idFolderLabel = 102 };
constexpr const char* WindowClass = "MorvSfxStub";

std::string OwnPath() {
  char Buf[MAX_PATH] = {};
  DWORD N = GetModuleFileNameA(nullptr, Buf, MAX_PATH);
  return std::string(Buf, N < MAX_PATH ? N : 0);
}

// The settings block that ends where the archive begins: before the first
// local header, which the central directory names.
TSfxSettings ReadSettings(const std::string& Self) {
  TSfxSettings S;
  S.Caption = "Self-extracting Archive";
  try {
    TFileStream F(Self, fmOpenRead | fmShareDenyWrite);
    TZipLocation Loc = FindZipEndRecord(F, 65535);
    if (!Loc.EndFound()) return S;
    int64_t Start = Loc.End.CentralDirOffset, Pos = Start;
    for (int i = 0; i < Loc.End.EntriesTotal && Pos < Loc.EndOffset; i++) {
      TZipCentralHeader H;
      if (!ReadZipRecordAt(F, Pos, H) || !H.Valid()) break;
      Start = std::min<int64_t>(Start, H.LocalHeaderOffset);
      Pos += int64_t(TZipCentralHeader::Size) + H.NameLength + H.ExtraLength + H.CommentLength;
    }
    // The program in front is this stub: a few hundred KB at most.
    if (Start <= 0 || Start > F.Size() || Start > (int64_t(16) << 20)) return S;
    std::vector<uint8_t> Front(static_cast<size_t>(Start));
    if (F.Seek(0, soFromBeginning) != 0 || F.Read(Front.data(), int32_t(Start)) != int32_t(Start)) return S;
    TSfxSettings Found;
    if (Found.FindInFront(Front.data(), Front.size())) S = Found;
  } catch (const std::exception&) {
  }
  return S;
}

struct TState {
  HWND Window = nullptr;
  int Answer = 0;  // IDOK or IDCANCEL once chosen
};
TState State;

LRESULT CALLBACK WindowProc(HWND W, UINT Msg, WPARAM WP, LPARAM LP) {
  switch (Msg) {
    case WM_COMMAND:
      if (LOWORD(WP) == IDOK || LOWORD(WP) == IDCANCEL) {
        State.Answer = LOWORD(WP);
        return 0;
      }
      break;
    case WM_CLOSE: State.Answer = IDCANCEL; return 0;
  }
  return DefWindowProcA(W, Msg, WP, LP);
}

HWND Control(HWND Parent, const char* Class, const char* Text, DWORD Style, int X, int Y, int W, int H, int Id) {
  HWND C = CreateWindowExA(Class == std::string("EDIT") ? WS_EX_CLIENTEDGE : 0, Class, Text,
                           WS_CHILD | WS_VISIBLE | Style, X, Y, W, H, Parent, reinterpret_cast<HMENU>(INT_PTR(Id)),
                           GetModuleHandleA(nullptr), nullptr);
  SendMessageA(C, WM_SETFONT, WPARAM(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
  return C;
}

// Shows the caption, the message and the folder; false when cancelled.
bool AskFolder(const TSfxSettings& S, std::string& Folder) {
  HINSTANCE Inst = GetModuleHandleA(nullptr);
  WNDCLASSA C = {};
  C.lpfnWndProc = WindowProc;
  C.hInstance = Inst;
  C.hIcon = LoadIconA(Inst, MAKEINTRESOURCEA(1));
  C.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  C.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  C.lpszClassName = WindowClass;
  RegisterClassA(&C);
  RECT R = {0, 0, 420, 190};
  DWORD Style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  AdjustWindowRect(&R, Style, FALSE);
  HWND W = CreateWindowExA(WS_EX_DLGMODALFRAME, WindowClass, S.Caption.c_str(), Style, CW_USEDEFAULT, CW_USEDEFAULT,
                           R.right - R.left, R.bottom - R.top, nullptr, nullptr, Inst, nullptr);
  if (!W) return false;
  State.Window = W;
  Control(W, "STATIC", S.Message.c_str(), SS_LEFT, 12, 10, 396, 80, idMessage);
  Control(W, "STATIC", "Extract to:", SS_LEFT, 12, 98, 396, 16, idFolderLabel);
  HWND Edit = Control(W, "EDIT", Folder.c_str(), ES_AUTOHSCROLL | WS_TABSTOP, 12, 116, 396, 22, idFolder);
  Control(W, "BUTTON", "Extract", BS_DEFPUSHBUTTON | WS_TABSTOP, 226, 152, 88, 26, IDOK);
  Control(W, "BUTTON", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 320, 152, 88, 26, IDCANCEL);
  ShowWindow(W, SW_SHOWNORMAL);
  SetFocus(Edit);
  MSG M;
  while (State.Answer == 0 && GetMessageA(&M, nullptr, 0, 0) > 0)
    if (!IsDialogMessageA(W, &M)) {
      TranslateMessage(&M);
      DispatchMessageA(&M);
    }
  char Buf[MAX_PATH] = {};
  GetWindowTextA(Edit, Buf, MAX_PATH);
  Folder = Buf;
  ShowWindow(W, SW_HIDE);
  return State.Answer == IDOK;
}

int Ask(const std::string& Text, const std::string& Caption, UINT Type) {
  return MessageBoxA(State.Window, Text.c_str(), Caption.c_str(), Type);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const std::string Self = OwnPath();
  const TSfxSettings S = ReadSettings(Self);

  char Cur[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, Cur);
  std::string Folder = S.DefaultDir.empty() ? std::string(Cur) : S.DefaultDir;
  if (!AskFolder(S, Folder)) return 2;
  if (Folder.empty()) Folder = Cur;
  ForceDirectories(Folder);

  TUnZIP Z(nullptr);
  int Errors = 0;
  Z.OnError = [&](TObject*, const std::string&, const std::string&, const std::string&, int) { Errors++; };
  Z.OnEnd = [&](TObject*, const std::string&, bool Pass) { Errors += Pass ? 0 : 1; };
  if (S.Flags & (sfOverwriteAlways | sfOverwriteNever)) {
    Z.ConfirmOverwrites = false;
    Z.OverwriteMode = (S.Flags & sfOverwriteAlways) ? TOverwriteMode::omOverwrite : TOverwriteMode::omSkip;
  } else {
    Z.OnFileExists = [&](TObject*, const std::string& FN, TDateTime, TOverwriteMode& Mode) {
      Mode = Ask(FN + "\n\nexists already. Overwrite it?", S.Caption, MB_YESNO | MB_ICONQUESTION) == IDYES
                 ? TOverwriteMode::omOverwrite
                 : TOverwriteMode::omSkip;
    };
  }
  Z.SetArchiveFile(Self);
  Z.SetExtractDir(Folder);
  Z.FileSpec()->Add("*.*");
  int Done = Z.Extract();
  if (!Z.IsExtractableType()) Errors++;

  if (!(S.Flags & sfNoSuccessMsg) || Errors > 0) {
    std::string Text = std::to_string(Done) + " file(s) extracted to " + Folder;
    if (Errors > 0) Text += "\n" + std::to_string(Errors) + " error(s)";
    Ask(Text, S.Caption, Errors > 0 ? MB_ICONWARNING : MB_ICONINFORMATION);
  }

  if (!S.CommandLine.empty() && Errors == 0 &&
      ((S.Flags & sfAutoRun) ||
       ((S.Flags & sfAskCmdLine) && Ask("Run " + S.CommandLine + "?", S.Caption, MB_YESNO) == IDYES))) {
    STARTUPINFOA Si = {};
    Si.cb = sizeof Si;
    PROCESS_INFORMATION Pi = {};
    std::string Cmd = S.CommandLine;
    if (CreateProcessA(nullptr, Cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, Folder.c_str(), &Si, &Pi)) {
      CloseHandle(Pi.hThread);
      CloseHandle(Pi.hProcess);
    }
  }
  return Errors > 0 ? 1 : 0;
}
