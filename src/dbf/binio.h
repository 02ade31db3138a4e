#pragma once
// Byte-order helpers for the file formats: DBF and CDX headers are
// little-endian, FPT headers and CDX interior entries big-endian. Values are
// always assembled byte by byte; no structure is ever copied to disk as is.
#include <cstdint>

namespace dbfbin {

inline uint16_t getLE16(const unsigned char *p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t getLE32(const unsigned char *p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint16_t getBE16(const unsigned char *p) { return uint16_t((p[0] << 8) | p[1]); }
inline uint32_t getBE32(const unsigned char *p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

inline void putLE16(unsigned char *p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void putLE32(unsigned char *p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}
inline void putBE16(unsigned char *p, uint16_t v)
{
    p[0] = uint8_t(v >> 8);
    p[1] = uint8_t(v);
}
inline void putBE32(unsigned char *p, uint32_t v)
{
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

// Overloads for char buffers (QByteArray::data()).
inline uint16_t getLE16(const char *p) { return getLE16(reinterpret_cast<const unsigned char *>(p)); }
inline uint32_t getLE32(const char *p) { return getLE32(reinterpret_cast<const unsigned char *>(p)); }
inline uint16_t getBE16(const char *p) { return getBE16(reinterpret_cast<const unsigned char *>(p)); }
inline uint32_t getBE32(const char *p) { return getBE32(reinterpret_cast<const unsigned char *>(p)); }
inline void putLE16(char *p, uint16_t v) { putLE16(reinterpret_cast<unsigned char *>(p), v); }
inline void putLE32(char *p, uint32_t v) { putLE32(reinterpret_cast<unsigned char *>(p), v); }
inline void putBE16(char *p, uint16_t v) { putBE16(reinterpret_cast<unsigned char *>(p), v); }
inline void putBE32(char *p, uint32_t v) { putBE32(reinterpret_cast<unsigned char *>(p), v); }

} // namespace dbfbin
