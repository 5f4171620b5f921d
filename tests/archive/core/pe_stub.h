// Builds small Windows programs with string tables through the mingw tools
// on the host, for the resource reader and the self-extractor detection.
#pragma once
#include <string>

#include "tests/support/testsupport.h"

namespace petest {

inline std::string Join(const std::string& Dir, const std::string& Name) {
#ifdef _WIN32
  return Dir + "\\" + Name;
#else
  return Dir + "/" + Name;
#endif
}

// Compiles Rc (resource script text) into a program Dir\Name that does
// nothing; Bits 32 gives a PE32 (i686) image, 64 a PE32+ (x86-64) one. Returns
// the program's path, empty when the tools failed (Log then holds why).
inline std::string BuildProgram(const std::string& Dir, const std::string& Name, const std::string& Rc, int Bits,
                                std::string* Log = nullptr) {
  const std::string Host = morvtest::HostPath(Dir);
  morvtest::WriteFile(Join(Dir, Name + ".rc"), Rc);
  morvtest::WriteFile(Join(Dir, Name + ".c"), std::string("void start(void) {}\n"));
  const std::string Tool = Bits == 32 ? "i686-w64-mingw32-" : "x86_64-w64-mingw32-";
  const std::string Entry = Bits == 32 ? "_start" : "start";
  const std::string Cmd = "cd '" + Host + "' && " + Tool + "windres " + Name + ".rc -O coff -o " + Name +
                          ".res && " + Tool + "gcc -nostdlib -Wl,-e," + Entry + " -s -o " + Name + " " + Name +
                          ".c " + Name + ".res";
  std::string Out;
  const int Rc2 = morvtest::RunPeer(Cmd, &Out);
  if (Log) *Log = Out;
  return Rc2 == 0 ? Join(Dir, Name) : std::string();
}

}  // namespace petest
