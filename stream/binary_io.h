#pragma once
// Little-endian fields and counted UTF-16 strings over a JStream, for the binary file formats.
//
// A read helper succeeds only when every byte of the field arrived; otherwise it leaves the
// target as it was and returns false, and so does every read after the stream's end was met.
// Write helpers follow the stream's own rules (a failed stream ignores them).

#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>

#include "stream/jstream.h"

namespace mora {

// Reads exactly `count` bytes into `target`; on a short read `target` is untouched.
bool ReadBytes(JStream& stream, void* target, uint32_t count);

template <typename T>
requires std::is_integral_v<T>
bool ReadLE(JStream& stream, T& value) {
    uint8_t bytes[sizeof(T)];
    if (!ReadBytes(stream, bytes, sizeof(T))) return false;
    std::make_unsigned_t<T> v = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
        v |= static_cast<std::make_unsigned_t<T>>(bytes[i]) << (8 * i);
    value = static_cast<T>(v);
    return true;
}

template <typename T>
requires std::is_integral_v<T>
void WriteLE(JStream& stream, T value) {
    uint8_t bytes[sizeof(T)];
    auto v = static_cast<std::make_unsigned_t<T>>(value);
    for (size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<uint8_t>(v >> (8 * i));
    stream.Write(bytes, sizeof(T));
}

// A counted UTF-16LE string: u32 count n of code units, then (when n > 0) n + 1 code units
// ending in 0. A count of 0 empties the target. A count larger than what the stream still holds
// fails without allocating it.
bool ReadStr(JStream& stream, std::string& text);
void WriteStr(JStream& stream, const std::string& text);

// Bytes left between the position and the end, for the streams that know their size.
std::optional<uint64_t> RemainingBytes(JStream& stream);

}  // namespace mora
