#include "archive/core/zipcrypt.h"

#include <chrono>
#include <random>

#include "archive/core/crc.h"

TZipKeys& ZipKeys() {
  static TZipKeys keys;
  return keys;
}

uint8_t ZipDecryptByte() {
  uint32_t t = (ZipKeys().Key2 & 0xFFFF) | 2;
  return uint8_t((t * (t ^ 1)) >> 8);
}

void ZipUpdateKeys(uint8_t Plain) {
  TZipKeys& k = ZipKeys();
  k.Key0 = Crc32Byte(Plain, k.Key0);
  k.Key1 = (k.Key1 + (k.Key0 & 0xFF)) * 134775813u + 1;
  k.Key2 = Crc32Byte(uint8_t(k.Key1 >> 24), k.Key2);
}

void ZipInitKeys(const std::string& Password) {
  ZipKeys() = TZipKeys();
  for (char c : Password) ZipUpdateKeys(uint8_t(c));
}

uint8_t ZipEncryptByte(uint8_t Plain) {
  uint8_t c = uint8_t(ZipDecryptByte() ^ Plain);
  ZipUpdateKeys(Plain);
  return c;
}

uint8_t ZipDecipherByte(uint8_t Cipher) {
  uint8_t p = uint8_t(ZipDecryptByte() ^ Cipher);
  ZipUpdateKeys(p);
  return p;
}

void ZipEncryptBuffer(uint8_t* Buffer, size_t Count) {
  for (size_t i = 0; i < Count; i++) Buffer[i] = ZipEncryptByte(Buffer[i]);
}

void ZipDecryptBuffer(uint8_t* Buffer, size_t Count) {
  for (size_t i = 0; i < Count; i++) Buffer[i] = ZipDecipherByte(Buffer[i]);
}

void ZipMakeEncryptHeader(const std::string& Password, uint32_t Crc, uint8_t (&Header)[ZipEncryptHeaderSize]) {
  static std::mt19937 gen([] {
    std::random_device rd;
    return uint32_t(rd()) ^ uint32_t(std::chrono::steady_clock::now().time_since_epoch().count());
  }());
  ZipInitKeys(Password);
  for (size_t i = 0; i < 10; i++) Header[i] = ZipEncryptByte(uint8_t((gen() % 32767) >> 7));
  Header[10] = ZipEncryptByte(uint8_t(Crc >> 16));
  Header[11] = ZipEncryptByte(uint8_t(Crc >> 24));
}

bool ZipCheckDecryptHeader(const std::string& Password, const uint8_t (&Header)[ZipEncryptHeaderSize],
                           uint8_t Check) {
  ZipInitKeys(Password);
  uint8_t last = 0;
  for (size_t i = 0; i < ZipEncryptHeaderSize; i++) last = ZipDecipherByte(Header[i]);
  return last == Check;
}
