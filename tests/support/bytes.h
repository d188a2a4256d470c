// Building and patching binary test input: little-endian integers and IEEE values.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace tbtest {

/// value's lowest `size` bytes, least significant first.
inline std::string LittleEndian(std::uint64_t value, int size) {
    std::string bytes;
    for (int i = 0; i < size; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}
inline std::string Le16(std::uint16_t value) { return LittleEndian(value, 2); }
inline std::string Le32(std::uint32_t value) { return LittleEndian(value, 4); }

/// The bytes of value as this (little-endian) machine stores it: float, double.
template <typename T>
std::string BytesOf(T value) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    return std::string(bytes, sizeof(T));
}

/// Overwrites four bytes at offset with value, least significant first.
inline void PutLe32(std::string& bytes, std::size_t offset, std::uint32_t value) {
    bytes.replace(offset, 4, Le32(value));
}

/// The little-endian value of `size` bytes at offset.
inline std::uint64_t LoadLittleEndian(const std::string& bytes, std::size_t offset, int size) {
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[offset + i]);
    return value;
}

}  // namespace tbtest
