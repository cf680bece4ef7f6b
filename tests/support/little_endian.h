#pragma once

#include <cstdint>
#include <string>

// Numbers as the file formats under test store them: least significant byte first. Written here
// on their own, not with the program's writers, so that a test of a file's bytes also checks
// the program's byte order.

inline std::string Le16(std::uint16_t value) {
    return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

inline std::string Le32(std::uint32_t value) {
    return Le16(static_cast<std::uint16_t>(value & 0xFFFF)) +
           Le16(static_cast<std::uint16_t>(value >> 16));
}
