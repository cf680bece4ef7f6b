#pragma once

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QString>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Reads the tutor's own character files (docs/character-format.md): one JSON document with the
// display name, the frame size, frames as SVG and named animations. Files are untrusted: a file
// is taken whole or refused whole with a reason. Reading draws nothing; drawing the frames needs
// a QGuiApplication (frames are drawn with fonts), on any thread and platform, offscreen
// included.

inline constexpr std::size_t kMaxCharacterFileSize = std::size_t{8} << 20;
inline constexpr std::size_t kMaxFrameSource = std::size_t{256} << 10;
// The drawn frames of a character together take at most this much memory.
inline constexpr std::size_t kMaxFramePixelBytes = std::size_t{64} << 20;
// What drawing may cost (CleanSvg::drawnPixels): per frame, so that no single frame takes long
// to draw, and per file.
inline constexpr std::uint64_t kMaxFrameDrawnPixels = std::uint64_t{1} << 28;
inline constexpr std::uint64_t kMaxCharacterDrawnPixels = std::uint64_t{1} << 31;
// Drawing all frames of a file may take this long; a file whose frames take longer is refused.
inline constexpr std::chrono::milliseconds kMaxDrawTime{5000};

struct CharacterStep {
    int frame = 0;  // index into CharacterData::frames
    int ms = 0;
};

struct CharacterAnimation {
    bool loop = false;
    std::vector<CharacterStep> steps;
};

struct CharacterData {
    QString name;
    int width = 0;
    int height = 0;
    QPoint balloon;  // where the balloon's tail points, in frame pixels
    std::vector<QString> frameNames;
    std::vector<QByteArray> frameSources;  // cleaned SVG, drawn by DrawFrames
    std::map<QString, CharacterAnimation> animations;

    const CharacterAnimation* Animation(const QString& animationName) const;
};

// The animations every character has.
const std::vector<QString>& RequiredAnimations();

// The character in `bytes`, its frames cleaned but not drawn; nullopt with `reason` set when the
// file is refused.
std::optional<CharacterData> ReadCharacter(std::string_view bytes, std::string& reason);

// The display name of the character in `bytes`, read with the fields before the frames (format,
// name, size, balloon), which it checks; its frames and animations are neither checked nor
// cleaned. For listing many files at once.
std::optional<QString> ReadCharacterName(std::string_view bytes, std::string& reason);

// Every frame of `data` drawn, in order: premultiplied ARGB, width x height each. Nullopt with
// `reason` set when a frame is not SVG that Qt Svg can draw or the frames take longer than
// `budget`; nullopt with an empty reason once `stop` is set (checked between frames).
std::optional<std::vector<QImage>> DrawFrames(const CharacterData& data,
                                              std::chrono::milliseconds budget,
                                              const std::atomic<bool>& stop, std::string& reason);
