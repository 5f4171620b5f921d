// One description of a binary record for reading and writing: a record lists
// its fields once, in order,
//   template <class IO> constexpr void Fields(IO& io) { io(Signature); io(Size); ... }
// (constexpr, so that a record's size can be checked at compile time), and
// the little-endian reader, writer and size counter below walk that list.
// Unsigned integers of 1, 2, 4 and 8 bytes and byte arrays are fields.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "archive/core/bytes.h"

namespace fields {

template <class T>
concept Field = std::is_unsigned_v<T> && (sizeof(T) == 1 || sizeof(T) == 2 || sizeof(T) == 4 || sizeof(T) == 8);

class TFieldReader {
 public:
  explicit TFieldReader(ByteReader& R) : FR(R) {}
  template <Field T>
  void operator()(T& V) {
    if constexpr (sizeof(T) == 1) V = FR.U8();
    else if constexpr (sizeof(T) == 2) V = FR.U16();
    else if constexpr (sizeof(T) == 4) V = FR.U32();
    else V = FR.U64();
  }
  template <size_t N>
  void operator()(uint8_t (&A)[N]) {
    const uint8_t* P = FR.Bytes(N);
    if (P) std::memcpy(A, P, N);
    else std::memset(A, 0, N);
  }

 private:
  ByteReader& FR;
};

class TFieldWriter {
 public:
  explicit TFieldWriter(uint8_t* P) : FP(P) {}
  template <Field T>
  void operator()(T V) {
    for (size_t i = 0; i < sizeof(T); ++i) FP[FPos++] = uint8_t(uint64_t(V) >> (8 * i));
  }
  template <size_t N>
  void operator()(const uint8_t (&A)[N]) {
    std::memcpy(FP + FPos, A, N);
    FPos += N;
  }

 private:
  uint8_t* FP;
  size_t FPos = 0;
};

class TFieldCounter {
 public:
  template <Field T>
  constexpr void operator()(const T&) { Size += sizeof(T); }
  template <size_t N>
  constexpr void operator()(const uint8_t (&)[N]) { Size += N; }
  size_t Size = 0;
};

}  // namespace fields

// Bytes of a record as its field list lays it out.
template <class Rec>
constexpr size_t FieldsSize() {
  Rec R{};
  fields::TFieldCounter C;
  R.Fields(C);
  return C.Size;
}

// Reads the record's fields from R; false when R ran out.
template <class Rec>
bool ReadFields(ByteReader& R, Rec& Record) {
  fields::TFieldReader IO(R);
  Record.Fields(IO);
  return R.Ok();
}

template <class Rec>
bool ReadFields(const uint8_t* P, size_t Count, Rec& Record) {
  ByteReader R(P, Count);
  return ReadFields(R, Record);
}

// Writes the record's fields to P, which holds FieldsSize<Rec>() bytes.
template <class Rec>
void WriteFields(const Rec& Record, uint8_t* P) {
  Rec Copy = Record;
  fields::TFieldWriter IO(P);
  Copy.Fields(IO);
}
