// The traditional Zip stream cipher (PKWARE's "ZipCrypto") and its 12-byte
// encryption header. The library keeps one set of keys for the process: only
// one entry is enciphered or deciphered at a time.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

struct TZipKeys {
  uint32_t Key0 = 0x12345678u;
  uint32_t Key1 = 0x23456789u;
  uint32_t Key2 = 0x34567890u;
};

// The process-wide keys that the routines below and the block layer use.
TZipKeys& ZipKeys();

uint8_t ZipDecryptByte();
void ZipUpdateKeys(uint8_t Plain);
void ZipInitKeys(const std::string& Password);
// Returns the cipher byte for Plain and advances the keys.
uint8_t ZipEncryptByte(uint8_t Plain);
// Returns the plain byte for Cipher and advances the keys.
uint8_t ZipDecipherByte(uint8_t Cipher);
void ZipEncryptBuffer(uint8_t* Buffer, size_t Count);
void ZipDecryptBuffer(uint8_t* Buffer, size_t Count);

constexpr size_t ZipEncryptHeaderSize = 12;

// Keys from Password, then ten random bytes and the two bytes of Crc's high
// word, all enciphered. The keys are left ready for the entry's data.
void ZipMakeEncryptHeader(const std::string& Password, uint32_t Crc, uint8_t (&Header)[ZipEncryptHeaderSize]);
// Keys from Password, the header deciphered (Header itself is not changed);
// true when its last plain byte equals Check (the CRC's high byte, or the DOS
// time's high byte for entries with a data descriptor).
bool ZipCheckDecryptHeader(const std::string& Password, const uint8_t (&Header)[ZipEncryptHeaderSize],
                           uint8_t Check);
