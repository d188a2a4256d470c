// Little-endian loads and stores of the binary formats (workbooks, Jet databases,
// COMTRADE and SPICE samples, minidumps). Byte by byte, so they hold on any host and
// for unaligned data; compilers turn them into single moves on little-endian machines.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace tb_bytes {

inline std::uint16_t LoadU16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t LoadU32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t LoadU64(const unsigned char* p) {
    return static_cast<std::uint64_t>(LoadU32(p)) | (static_cast<std::uint64_t>(LoadU32(p + 4)) << 32);
}
inline std::int16_t LoadI16(const unsigned char* p) { return static_cast<std::int16_t>(LoadU16(p)); }
inline float LoadF32(const unsigned char* p) {
    const std::uint32_t bits = LoadU32(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
inline double LoadF64(const unsigned char* p) {
    const std::uint64_t bits = LoadU64(p);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

/// Stores the low 16 bits of v.
inline void StoreU16(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
inline void StoreU32(unsigned char* p, std::uint32_t v) {
    StoreU16(p, v & 0xFFFF);
    StoreU16(p + 2, v >> 16);
}
inline void StoreU64(unsigned char* p, std::uint64_t v) {
    StoreU32(p, static_cast<std::uint32_t>(v));
    StoreU32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

/// Appends the low 16 bits of v.
inline void AppendU16(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
inline void AppendU32(std::string& out, std::uint32_t v) {
    AppendU16(out, v & 0xFFFF);
    AppendU16(out, v >> 16);
}
inline void AppendU64(std::string& out, std::uint64_t v) {
    AppendU32(out, static_cast<std::uint32_t>(v));
    AppendU32(out, static_cast<std::uint32_t>(v >> 32));
}
inline void AppendF64(std::string& out, double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    AppendU64(out, bits);
}

}  // namespace tb_bytes
