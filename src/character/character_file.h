#pragma once

#include <QImage>
#include <QPoint>
#include <QString>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Reads the tutor's own character files (docs/character-format.md): one JSON document with the
// display name, the frame size, frames as SVG and named animations. Files are untrusted: a file
// is taken whole or refused whole with a reason. Needs a QGuiApplication (frames are drawn with
// fonts); any platform, offscreen included.

inline constexpr std::size_t kMaxCharacterFileSize = std::size_t{8} << 20;
inline constexpr std::size_t kMaxFrameSource = std::size_t{256} << 10;
// Frames are drawn once at load; all of them together may take this much memory.
inline constexpr std::size_t kMaxFramePixelBytes = std::size_t{64} << 20;

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
    std::vector<QImage> frames;  // premultiplied ARGB, width x height each
    std::map<QString, CharacterAnimation> animations;

    const CharacterAnimation* Animation(const QString& animationName) const;
};

// The animations every character has.
const std::vector<QString>& RequiredAnimations();

// The character in `bytes`; nullopt with `reason` set when the file is refused.
std::optional<CharacterData> ReadCharacter(std::string_view bytes, std::string& reason);
