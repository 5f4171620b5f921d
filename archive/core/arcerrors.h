// The archive library's exception and its message table: every failure has a
// code that is also the number of its message.
#pragma once
#include <string>

#include "framework/core/sysutils.h"

// Text of message Code (25102..26899), empty for a number without one.
std::string ArcMessage(int Code);

class E_RAISE : public Exception {
 public:
  explicit E_RAISE(int Code) : Exception(ArcMessage(Code)) {}
  explicit E_RAISE(const std::string& Msg) : Exception(Msg) {}
};

// Raised by the codec adapter when the running component's Cancel is set;
// its message is 25400 "User Aborted". Extractors catch it to end quietly.
class EArcCancelled : public E_RAISE {
 public:
  EArcCancelled() : E_RAISE(25400) {}
};

// Codes used across the library by name.
enum : int {
  errBadHeader = 25108,
  errBadBlock = 25109,
  errWriteFile = 25136,
  errCloseFile = 25137,
  errCreateDir = 25150,
  errCrcCheck = 25151,
  errMakeDir = 25154,
  errNotAccessible = 25158,
  errSameInOut = 25171,
  errFileNotFound = 25172,
  errSizeDiffers = 25173,
  errOpenFile = 25235,
  errReadFile = 25236,
  errBadArcType = 25242,
  errBadFileName = 25243,
  errMaxVolumes = 25250,
  errNoUnrar = 25258,
  errNoCabinet = 25259,
  errNoAce = 25260,
  errEventMissing = 25270,
  errSeek = 25292,
  errBadMethod = 25326,
  errUserAborted = 25400,
  errBadPassword = 26517,
  errPasswordFailed = 26522,
  errNothingToDo = 26859,
  errAskCreateDir = 26899,
};
