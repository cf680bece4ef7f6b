#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

// The learner's settings and their file "quorvan.set".
//
// File layout (little-endian, no padding): the nine int32 fields in declaration order; N1 (uint32)
// and the N1 bytes of strCharacter1; N2 (uint32) and the N2 bytes of strCharacter2; rcWindow as
// four int32 (left, top, right, bottom); reservedTail (uint32). Names have no terminator. A file
// written from the initial values is 83 bytes long.

struct WindowRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    bool operator==(const WindowRect&) const = default;
};

struct TutorSettings {
    std::int32_t nSpeed = 2;  // index 0..4 into the speed list
    std::int32_t nPauseSeconds = 2;
    std::int32_t nRepeatCount = 2;
    std::int32_t bShowPhonetic = 1;
    std::int32_t bShowChinese = 1;
    std::int32_t bShowBalloon = 1;
    std::int32_t bShowMouth = 0;
    std::int32_t bShowChineseBalloon = 1;
    std::int32_t bSpeakChinese = 1;
    std::string strCharacter1 = "merlin.acs";
    std::string strCharacter2 = "Genie.acs";
    WindowRect rcWindow;             // all zero: no stored window placement
    std::uint32_t reservedTail = 4;  // not interpreted, written back as read

    bool operator==(const TutorSettings&) const = default;
};

inline constexpr char kSettingsFileName[] = "quorvan.set";

// Whether two character file names (CP936) name the same file as the learner sees it: equal but
// for the case of ASCII letters. Two-byte characters compare exactly, also where their second
// byte looks like a letter.
bool SameCharacterName(std::string_view a, std::string_view b);

// Reads a settings file's bytes over `settings`, which holds the values to keep for whatever the
// file does not supply. No value is range-checked.
// - A field takes the file's value only if all its bytes are present; a file that ends inside a
//   field leaves that field, and everything after it, unchanged.
// - A name is read only if its length N satisfies 2 <= N < file length; otherwise the name is kept
//   and the reading goes on directly after the length field. The bytes read are cut at the first
//   zero byte; a result shorter than 2 bytes also keeps the name, since it could not be written
//   back (the file cannot hold names shorter than 2 bytes).
// - When the file ends where the first or second name's length field should be, the rest is
//   skipped up to reservedTail, which is then absent too.
// - When the file ends right where rcWindow should be, rcWindow becomes all zero.
void ParseSettings(TutorSettings& settings, std::string_view bytes);

// The file's bytes for `settings`.
std::string SerializeSettings(const TutorSettings& settings);

// A settings file holds two names and a few numbers; anything far larger is not one.
inline constexpr std::size_t kSettingsFileLimit = 1 << 20;

// Reads the settings file over `settings`; a missing, unreadable or oversized file changes
// nothing and gives the reason.
std::error_code LoadSettings(TutorSettings& settings, const std::filesystem::path& path =
                                                          std::filesystem::path(kSettingsFileName));

// Writes the settings file and gives the reason when it was not stored. The bytes go to a new file
// in the same directory which then replaces the old one, so a failure at any point (full disk, size
// limit, missing directory) leaves the old file as it was and no temporary file behind.
std::error_code SaveSettings(
    const TutorSettings& settings,
    const std::filesystem::path& path = std::filesystem::path(kSettingsFileName));
