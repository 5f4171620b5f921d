// Codecs raise ECodecError with the library's message number; the extractor
// turns it into its own error report, so codecs need no framework.
#pragma once
#include <exception>

enum : int {
  kErrBadBlock = 25109,
  kErrBadHuffmanCode = 25120,
  kErrInvalidCode = 25121,
  kErrIncompleteCodeSet = 25138,
  kErrOutOfMemory = 25253,
  kErrAmbiguousTree = 25293,
  kErrStackOverflow = 25298,
  kErrUnsupportedMethod = 25326,
};

class ECodecError : public std::exception {
 public:
  explicit ECodecError(int code) : Code(code) {}
  const char* what() const noexcept override { return "codec error"; }
  int Code;
};
