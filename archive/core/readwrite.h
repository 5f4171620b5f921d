// The input/output layer between the archive components and the codecs: one
// way to read a block of archive data and one way to write a block of output,
// whatever the source or destination, with the archive's cipher, the running
// CRC of the entry and progress applied on the way. Also the library's error
// reporting (OnError, then E_RAISE) and the running-component reference.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archive/codecs/codec_io.h"
#include "archive/core/arcerrors.h"
#include "archive/core/arcmain.h"
#include "archive/core/untypedfile.h"

class TReadWriteObj;

// The component whose operation runs; one archive operation at a time per
// process. Error reports and the cancel test go through it.
TReadWriteObj* CurrentArcComponent();
void SetCurrentArcComponent(TReadWriteObj* Component);
// Sets Component's Cancel (when not null), then lets pending messages run.
void SetComponentCancel(TReadWriteObj* Component, bool Value);

// Input modes.
enum : uint8_t { imFile = 0, imHeldStream = 1, imPassedStream = 2, imStream2 = 3, imMemory = 4 };
// Output modes; 7 decodes and checks without writing anything.
enum : uint8_t { omFile = 0, omHeldStream = 1, omPassedStream = 2, omStream2 = 3, omTest = 7 };

class TReadWriteObj : public TArcMain {
 public:
  using TReadBlockProc =
      std::function<size_t(TUntypedFile* F, TStream* S, size_t Count, uint8_t CrcWidth, bool Decrypt, uint8_t* Buf)>;
  using TWriteBlockProc = std::function<size_t(TUntypedFile* F, TStream* S, uint8_t DataFlag, size_t Count,
                                               uint8_t CrcWidth, bool Cipher, uint8_t* Buf)>;

  explicit TReadWriteObj(TComponent* AOwner);
  ~TReadWriteObj() override;

  // Every lone line feed is written as carriage return plus line feed.
  bool AsciiTranslation = false;
  TStream* Stream2 = nullptr;     // input and output mode 3
  TStream* HeldStream = nullptr;  // mode 1
  uint8_t OutputMode = omFile;
  uint8_t InputMode = imFile;
  // Input mode 4 reads from here; each read moves the pointer on.
  void SetMemoryInput(const uint8_t* Data, size_t Size) {
    FMemPtr = Data;
    FMemLeft = Size;
  }
  size_t MemoryInputLeft() const { return FMemLeft; }

  // The three block operations as replaceable pointers, bound to the virtual
  // operations below by the constructor. Extractors write through the
  // decrypting one, writers through the encrypting one; all format code
  // reads through ReadBlockProc.
  TReadBlockProc ReadBlockProc;
  TWriteBlockProc WriteBlockDecryptProc;
  TWriteBlockProc WriteBlockEncryptProc;

  // Reads up to Count bytes from the source of InputMode (S is the passed
  // stream of mode 2), deciphers them when Decrypt, and adds them to the
  // running CRC of width 16 or 32. A short count is the end of input.
  virtual size_t ReadBlock(TUntypedFile* F, TStream* S, size_t Count, uint8_t CrcWidth, bool Decrypt, uint8_t* Buf);
  // With Cipher and DataFlag 1 on a Zip-family archive: enciphers Buf in
  // place (after adding the plain bytes to the CRC), then writes it.
  virtual size_t WriteBlockEncrypt(TUntypedFile* F, TStream* S, uint8_t DataFlag, size_t Count, uint8_t CrcWidth,
                                   bool Cipher, uint8_t* Buf);
  // With Cipher and DataFlag 1 on a Zip-family archive: deciphers Buf in
  // place, then writes it.
  virtual size_t WriteBlockDecrypt(TUntypedFile* F, TStream* S, uint8_t DataFlag, size_t Count, uint8_t CrcWidth,
                                   bool Cipher, uint8_t* Buf);
  // Writes Count bytes to the destination of OutputMode (line ends converted
  // with AsciiTranslation); a short write raises 25136. With DataFlag 1 the
  // bytes go into the running CRC. Returns Count.
  size_t WriteBlock(TUntypedFile* F, TStream* S, uint8_t DataFlag, size_t Count, uint8_t CrcWidth, uint8_t* Buf);
  // ARJ: XOR with the password (plus the entry's modifier), the position
  // kept across blocks; Zip family: the traditional Zip cipher.
  void DecryptBuffer(uint8_t* Buf, size_t Count);
  void UpdateCrc(uint8_t CrcWidth, const uint8_t* Buf, size_t Count);

  // Running CRCs of the current entry: CRC-32 starts at 0xFFFFFFFF, CRC-16 at 0.
  uint32_t Crc32 = 0xFFFFFFFFu;
  uint16_t Crc16 = 0;
  // At the start of an entry: both CRCs and the line-end state.
  void ResetCrc() {
    Crc32 = 0xFFFFFFFFu;
    Crc16 = 0;
    FLastWasCr = false;
  }
  // Bytes that output mode 7 took in since the last reset.
  int64_t TestBytes = 0;

  // The entry's password. ARJ garbling adds the header's modifier byte to
  // every password character; ArjKeyPos is the position in the password and
  // is set to 0 at the start of each entry.
  std::string Password;
  uint8_t ArjKeyModifier = 0;
  size_t ArjKeyPos = 0;

  // Progress of the running operation, in percent.
  uint8_t ProgressByFile = 0;
  uint8_t ProgressByArchive = 0;
  // Called after each progress update (the common base installs the one that
  // lets messages run and fires OnProgress).
  std::function<void()> ProgressCallback;
  virtual void DoProgress(int64_t FileDone, int64_t FileSize, int64_t ArchiveRemaining, int64_t ArchiveTotal);

  // Errors. Once the running component's Cancel is set, failures raise
  // without firing OnError.
  bool Cancel = false;
  TOnError OnError;
  std::string OutFileName;  // the current entry's output name, for reports
  [[noreturn]] virtual void RaiseError(const std::string& FN, int Code, const std::string& MsgEx = "",
                                       const std::string& VolumeName = "");
  virtual void ReportError(const std::string& FN, const std::string& MsgEx, int Code,
                           const std::string& VolumeName = "");
  [[noreturn]] void RaiseWriteError();

 private:
  bool FireOnError(const std::string& FN, const std::string& MsgEx, int Code, const std::string& VolumeName);
  size_t PutBytes(TUntypedFile* F, TStream* S, const uint8_t* Buf, size_t Count);
  const uint8_t* FMemPtr = nullptr;
  size_t FMemLeft = 0;
  bool FLastWasCr = false;
};

// Codecs move their data through this: packed input through the component's
// read pointer (deciphered, limited to the entry's packed size), unpacked
// output through its decrypting (extractors) or encrypting (writers) write
// pointer with the running CRC, then progress. A set Cancel raises
// EArcCancelled from either side.
class TArcCodecIO : public TCodecIO {
 public:
  TArcCodecIO(TReadWriteObj& Owner, TUntypedFile* InFile, TStream* InStream, TUntypedFile* OutFile,
              TStream* OutStream)
      : FOwner(Owner), FInFile(InFile), FInStream(InStream), FOutFile(OutFile), FOutStream(OutStream) {}

  int64_t PackedLeft = INT64_MAX;  // packed bytes of the entry still to read
  bool Decrypt = false;            // decipher the packed input
  uint8_t ReadCrcWidth = 0;
  uint8_t WriteCrcWidth = 32;
  bool Cipher = false;             // the cipher flag of the write pointer
  bool Encrypting = false;         // write through the encrypting pointer
  // Progress: the entry's unpacked size and bytes done, the run's total and
  // the bytes of it still to write.
  int64_t FileSize = 0;
  int64_t FileDone = 0;
  int64_t ArchiveTotal = 0;
  int64_t ArchiveRemaining = 0;

  size_t ReadPacked(uint8_t* Buf, size_t Count) override;
  void WriteUnpacked(const uint8_t* Buf, size_t Count) override;

 private:
  TReadWriteObj& FOwner;
  TUntypedFile* FInFile;
  TStream* FInStream;
  TUntypedFile* FOutFile;
  TStream* FOutStream;
  std::vector<uint8_t> FBuf;
};
