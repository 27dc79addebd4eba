// Fixed-width little-endian fields read from and written to byte buffers. Every field of a
// recording goes through these; structs are never laid over raw bytes.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace tarn::le {

inline std::uint8_t ReadU8(const unsigned char* p) { return p[0]; }

inline std::uint16_t ReadU16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t ReadU32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::uint64_t ReadU64(const unsigned char* p) {
    return static_cast<std::uint64_t>(ReadU32(p)) | (static_cast<std::uint64_t>(ReadU32(p + 4)) << 32);
}

// Samples are two's complement; the conversion from the unsigned field is well defined in C++17
// on every compiler this project supports (and required from C++20 on).
inline std::int16_t ReadS16(const unsigned char* p) { return static_cast<std::int16_t>(ReadU16(p)); }
inline std::int32_t ReadS32(const unsigned char* p) { return static_cast<std::int32_t>(ReadU32(p)); }

inline void WriteU8(unsigned char* p, std::uint8_t v) { p[0] = v; }

inline void WriteU16(unsigned char* p, std::uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

inline void WriteU32(unsigned char* p, std::uint32_t v) {
    WriteU16(p, static_cast<std::uint16_t>(v));
    WriteU16(p + 2, static_cast<std::uint16_t>(v >> 16));
}

inline void WriteU64(unsigned char* p, std::uint64_t v) {
    WriteU32(p, static_cast<std::uint32_t>(v));
    WriteU32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

// The same by field type, for code that handles fields of several widths alike.
template <class T> T Read(const unsigned char* p);
template <> inline std::uint8_t Read<std::uint8_t>(const unsigned char* p) { return ReadU8(p); }
template <> inline std::uint16_t Read<std::uint16_t>(const unsigned char* p) { return ReadU16(p); }
template <> inline std::uint32_t Read<std::uint32_t>(const unsigned char* p) { return ReadU32(p); }
template <> inline std::uint64_t Read<std::uint64_t>(const unsigned char* p) { return ReadU64(p); }
inline void Write(unsigned char* p, std::uint8_t v) { WriteU8(p, v); }
inline void Write(unsigned char* p, std::uint16_t v) { WriteU16(p, v); }
inline void Write(unsigned char* p, std::uint32_t v) { WriteU32(p, v); }
inline void Write(unsigned char* p, std::uint64_t v) { WriteU64(p, v); }

// Signed samples in arrays walked by hot loops: on a little-endian host a plain load, which the
// compiler can vectorise; elsewhere the portable byte assembly.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
inline constexpr bool kHostIsLittleEndian = true;
#else
inline constexpr bool kHostIsLittleEndian = false;
#endif

template <class T> T LoadSigned(const unsigned char* p) {
    static_assert(std::is_same_v<T, std::int16_t> || std::is_same_v<T, std::int32_t>);
    if constexpr (kHostIsLittleEndian) {
        T v;
        std::memcpy(&v, p, sizeof v);
        return v;
    } else {
        return static_cast<T>(Read<std::make_unsigned_t<T>>(p));
    }
}

}  // namespace tarn::le
