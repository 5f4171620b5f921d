/* A stand-in for morv.exe in the shell extension's tests: it records how it
   was started (command line, working folder, show state) and the bytes of
   the list file, into the file that MORV_STANDIN_RECORD names, and ends. */
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <stdio.h>
#include <string.h>

static void Put(HANDLE File, const char* Text, DWORD Length) {
  DWORD written = 0;
  WriteFile(File, Text, Length, &written, NULL);
}

int WINAPI WinMain(HINSTANCE Instance, HINSTANCE Previous, LPSTR Line, int Show) {
  char record[MAX_PATH * 2], partial[MAX_PATH * 2 + 8], folder[MAX_PATH * 2], temp[MAX_PATH * 2], number[32];
  STARTUPINFOA startup;
  HANDLE out, list;
  (void)Instance;
  (void)Previous;
  (void)Line;
  (void)Show;
  if (!GetEnvironmentVariableA("MORV_STANDIN_RECORD", record, sizeof record)) return 2;
  snprintf(partial, sizeof partial, "%s.part", record);
  out = CreateFileA(partial, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (out == INVALID_HANDLE_VALUE) return 3;
  Put(out, GetCommandLineA(), (DWORD)strlen(GetCommandLineA()));
  Put(out, "\n", 1);
  folder[0] = 0;
  GetCurrentDirectoryA(sizeof folder, folder);
  Put(out, folder, (DWORD)strlen(folder));
  Put(out, "\n", 1);
  memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  GetStartupInfoA(&startup);
  snprintf(number, sizeof number, "%d\n", (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1);
  Put(out, number, (DWORD)strlen(number));
  temp[0] = 0;
  GetTempPathA(sizeof temp, temp);
  strncat(temp, "morvce.dat", sizeof temp - strlen(temp) - 1);
  list = CreateFileA(temp, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  if (list == INVALID_HANDLE_VALUE) {
    Put(out, "-\n", 2);
  } else {
    char buffer[4096];
    DWORD got = 0;
    Put(out, "+\n", 2);
    while (ReadFile(list, buffer, sizeof buffer, &got, NULL) && got > 0) Put(out, buffer, got);
    CloseHandle(list);
  }
  CloseHandle(out);
  /* Whole records only: the test waits for the final name. */
  for (int tries = 0; tries < 100; ++tries) {
    if (MoveFileExA(partial, record, MOVEFILE_REPLACE_EXISTING)) return 0;
    Sleep(50);
  }
  return 4;
}
