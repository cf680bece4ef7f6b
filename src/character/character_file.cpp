#include "character/character_file.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QPainter>
#include <QSvgRenderer>
#include <cmath>

#include "character/svg_sanitizer.h"

namespace {

constexpr int kMinSide = 32;
constexpr int kMaxSide = 512;
constexpr int kMaxNameLength = 64;
constexpr qsizetype kMaxFrames = 256;
constexpr qsizetype kMaxAnimations = 64;
constexpr qsizetype kMaxSteps = 256;
constexpr int kMinStepMs = 20;
constexpr int kMaxStepMs = 10000;

std::string Quote(const QString& text) {
    return "\"" + text.left(40).toStdString() + "\"";
}

bool ReadInt(const QJsonObject& object, const char* key, int low, int high, int& value) {
    const QJsonValue item = object.value(QLatin1String(key));
    if (!item.isDouble()) {
        return false;
    }
    const double number = item.toDouble();
    // The range first: converting a huge or NaN value to an integer is undefined.
    if (!(number >= low && number <= high) || number != std::floor(number)) {
        return false;
    }
    value = static_cast<int>(number);
    return true;
}

bool ReadFrames(const QJsonObject& frames, CharacterData& data, std::string& reason) {
    if (frames.isEmpty() || frames.size() > kMaxFrames) {
        reason = "\"frames\" must hold 1 to 256 frames";
        return false;
    }
    const std::uint64_t area = std::uint64_t(data.width) * std::uint64_t(data.height);
    if (area * 4 * std::uint64_t(frames.size()) > kMaxFramePixelBytes) {
        reason = "the frames together are too large to draw";
        return false;
    }
    std::uint64_t drawn = 0;
    for (auto it = frames.begin(); it != frames.end(); ++it) {
        if (!it.value().isString()) {
            reason = "frame " + Quote(it.key()) + " is not a string";
            return false;
        }
        const QByteArray source = it.value().toString().toUtf8();
        if (static_cast<std::size_t>(source.size()) > kMaxFrameSource) {
            reason = "frame " + Quote(it.key()) + " is larger than 256 KiB";
            return false;
        }
        std::string why;
        const std::optional<CleanSvg> clean = CleanSvgDocument(
            std::string_view(source.constData(), static_cast<std::size_t>(source.size())), area,
            why);
        if (!clean) {
            reason = "frame " + Quote(it.key()) + " is not SVG that can be drawn: " + why;
            return false;
        }
        if (clean->drawnPixels > kMaxFrameDrawnPixels) {
            reason = "frame " + Quote(it.key()) + " draws too much (" +
                     std::to_string(clean->drawnPixels / area) + " shapes of the frame's size)";
            return false;
        }
        drawn += clean->drawnPixels;
        data.frameNames.push_back(it.key());
        data.frameSources.push_back(QByteArray::fromStdString(clean->text));
    }
    if (drawn > kMaxCharacterDrawnPixels) {
        reason = "the frames together draw too much (" + std::to_string(drawn / area) +
                 " shapes of the frame's size)";
        return false;
    }
    return true;
}

int FrameIndex(const CharacterData& data, const QString& frameName) {
    for (std::size_t i = 0; i < data.frameNames.size(); ++i) {
        if (data.frameNames[i] == frameName) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool ReadAnimations(const QJsonObject& animations, CharacterData& data, std::string& reason) {
    if (animations.isEmpty() || animations.size() > kMaxAnimations) {
        reason = "\"animations\" must hold 1 to 64 animations";
        return false;
    }
    for (auto it = animations.begin(); it != animations.end(); ++it) {
        const std::string where = "animation " + Quote(it.key());
        if (!it.value().isObject()) {
            reason = where + " is not an object";
            return false;
        }
        const QJsonObject object = it.value().toObject();
        CharacterAnimation animation;
        const QJsonValue loop = object.value(QLatin1String("loop"));
        if (!loop.isUndefined() && !loop.isBool()) {
            reason = where + ": \"loop\" is not true or false";
            return false;
        }
        animation.loop = loop.toBool(false);
        const QJsonValue steps = object.value(QLatin1String("steps"));
        if (!steps.isArray() || steps.toArray().isEmpty() || steps.toArray().size() > kMaxSteps) {
            reason = where + ": \"steps\" must be a list of 1 to 256 steps";
            return false;
        }
        for (const QJsonValue& stepValue : steps.toArray()) {
            const QJsonObject step = stepValue.toObject();
            CharacterStep parsed;
            if (!stepValue.isObject() || !step.value(QLatin1String("frame")).isString() ||
                !ReadInt(step, "ms", kMinStepMs, kMaxStepMs, parsed.ms)) {
                reason = where + " has a step without a frame name and ms from 20 to 10000";
                return false;
            }
            const QString frameName = step.value(QLatin1String("frame")).toString();
            parsed.frame = FrameIndex(data, frameName);
            if (parsed.frame < 0) {
                reason = where + " names the missing frame " + Quote(frameName);
                return false;
            }
            animation.steps.push_back(parsed);
        }
        data.animations.emplace(it.key(), std::move(animation));
    }
    for (const QString& required : RequiredAnimations()) {
        if (!data.Animation(required)) {
            reason = "the animation " + Quote(required) + " is missing";
            return false;
        }
    }
    return true;
}

// The file's JSON and its fields before the frames (format, name, size, balloon) into `data`;
// nullopt with `reason` when the file is refused for them.
std::optional<QJsonObject> ReadHeader(std::string_view bytes, CharacterData& data,
                                      std::string& reason) {
    if (bytes.size() > kMaxCharacterFileSize) {
        reason = "larger than 8 MiB";
        return std::nullopt;
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        reason = error.error != QJsonParseError::NoError
                     ? "not valid JSON: " + error.errorString().toStdString()
                     : "not a JSON object";
        return std::nullopt;
    }
    QJsonObject root = document.object();
    int version = 0;
    if (root.value(QLatin1String("format")).toString() != QLatin1String("quorvan-character") ||
        !ReadInt(root, "version", 1, 1, version)) {
        reason = "not a character file of format \"quorvan-character\" version 1";
        return std::nullopt;
    }
    const QJsonValue name = root.value(QLatin1String("name"));
    data.name = name.toString();
    const qsizetype nameLength = data.name.toUcs4().size();
    if (!name.isString() || nameLength < 1 || nameLength > kMaxNameLength) {
        reason = "\"name\" must be text of 1 to 64 characters";
        return std::nullopt;
    }
    if (!ReadInt(root, "width", kMinSide, kMaxSide, data.width) ||
        !ReadInt(root, "height", kMinSide, kMaxSide, data.height)) {
        reason = "\"width\" and \"height\" must be whole numbers from 32 to 512";
        return std::nullopt;
    }
    data.balloon = QPoint(data.width / 2, data.height / 5);
    const QJsonValue balloon = root.value(QLatin1String("balloon"));
    if (!balloon.isUndefined()) {
        int x = 0;
        int y = 0;
        if (!balloon.isObject() || !ReadInt(balloon.toObject(), "x", 0, data.width - 1, x) ||
            !ReadInt(balloon.toObject(), "y", 0, data.height - 1, y)) {
            reason = "\"balloon\" must be a point inside the frame";
            return std::nullopt;
        }
        data.balloon = QPoint(x, y);
    }
    if (!root.value(QLatin1String("frames")).isObject() ||
        !root.value(QLatin1String("animations")).isObject()) {
        reason = "\"frames\" and \"animations\" must be objects";
        return std::nullopt;
    }
    return root;
}

}  // namespace

const CharacterAnimation* CharacterData::Animation(const QString& animationName) const {
    const auto found = animations.find(animationName);
    return found == animations.end() ? nullptr : &found->second;
}

const std::vector<QString>& RequiredAnimations() {
    static const std::vector<QString> kNames{
        QStringLiteral("Show"),    QStringLiteral("Hide"),    QStringLiteral("Idle"),
        QStringLiteral("Talk"),    QStringLiteral("Greet"),   QStringLiteral("RestPose"),
        QStringLiteral("Explain"), QStringLiteral("Reading"), QStringLiteral("DoMagic1"),
        QStringLiteral("DoMagic2")};
    return kNames;
}

std::optional<std::vector<QImage>> DrawFrames(const CharacterData& data,
                                              std::chrono::milliseconds budget,
                                              const std::atomic<bool>& stop, std::string& reason) {
    reason.clear();
    const auto start = std::chrono::steady_clock::now();
    std::vector<QImage> frames;
    frames.reserve(data.frameSources.size());
    for (std::size_t i = 0; i < data.frameSources.size(); ++i) {
        if (stop.load()) {
            return std::nullopt;
        }
        QSvgRenderer renderer(data.frameSources[i]);
        if (!renderer.isValid()) {
            reason = "frame " + Quote(data.frameNames[i]) + " is not SVG that can be drawn";
            return std::nullopt;
        }
        QImage image(data.width, data.height, QImage::Format_ARGB32_Premultiplied);
        if (image.isNull()) {
            reason = "out of memory";
            return std::nullopt;
        }
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            renderer.render(&painter, QRectF(0, 0, data.width, data.height));
        }
        frames.push_back(std::move(image));
        if (std::chrono::steady_clock::now() - start > budget) {
            reason =
                "its frames take longer than " + std::to_string(budget.count()) + " ms to draw";
            return std::nullopt;
        }
    }
    return frames;
}

std::optional<CharacterData> ReadCharacter(std::string_view bytes, std::string& reason) {
    CharacterData data;
    const std::optional<QJsonObject> root = ReadHeader(bytes, data, reason);
    if (!root || !ReadFrames(root->value(QLatin1String("frames")).toObject(), data, reason) ||
        !ReadAnimations(root->value(QLatin1String("animations")).toObject(), data, reason)) {
        return std::nullopt;
    }
    return data;
}

std::optional<QString> ReadCharacterName(std::string_view bytes, std::string& reason) {
    CharacterData data;
    if (!ReadHeader(bytes, data, reason)) {
        return std::nullopt;
    }
    return data.name;
}
