// CRC-32 (reflected 0xEDB88320: Zip, gzip, PNG) and CRC-16/ARC (reflected
// 0xA001: ARC, LHA, ZOO). Callers keep the register themselves: CRC-32 starts
// at 0xFFFFFFFF and is inverted at the end, CRC-16 starts at 0.
#pragma once
#include <cstddef>
#include <cstdint>

class TStream;

extern const uint32_t Crc32Table[256];
extern const uint16_t Crc16Table[256];

inline uint32_t Crc32Byte(uint8_t Value, uint32_t Crc) { return Crc32Table[(Crc ^ Value) & 0xFF] ^ (Crc >> 8); }
inline uint16_t Crc16Byte(uint8_t Value, uint16_t Crc) {
  return uint16_t(Crc16Table[(Crc ^ Value) & 0xFF] ^ (Crc >> 8));
}

void Crc32Block(const void* Buffer, size_t Count, uint32_t& Crc);
void Crc16Block(const void* Buffer, size_t Count, uint16_t& Crc);

// The register over the whole stream from position 0, without the final
// inversion; the stream is left at position 0.
uint32_t StreamCrc32(TStream& Stream);
