#include "settings/tutor_settings.h"

#include "platform/codepage.h"
#include "platform/files/files.h"

#include <algorithm>
#include <optional>
#include <string>

namespace {

constexpr std::size_t kMinNameLength = 2;

// Sequential reads over the file's bytes with the file's own semantics: a read consumes what is
// there, up to the count asked for.
class ByteReader {
  public:
    explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}

    std::size_t FileLength() const { return bytes_.size(); }
    bool AtEnd() const { return pos_ == bytes_.size(); }

    // The `count` bytes, or nothing when the file ends before all of them arrived.
    std::optional<std::string_view> Take(std::size_t count) {
        const std::size_t available = std::min(count, bytes_.size() - pos_);
        const std::string_view taken = bytes_.substr(pos_, available);
        pos_ += available;
        if (available < count) {
            return std::nullopt;
        }
        return taken;
    }

    std::optional<std::uint32_t> TakeU32() {
        const auto raw = Take(4);
        if (!raw) {
            return std::nullopt;
        }
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i) {
            value = value << 8 | static_cast<unsigned char>((*raw)[i]);
        }
        return value;
    }

    void TakeI32(std::int32_t& field) {
        if (const auto value = TakeU32()) {
            field = static_cast<std::int32_t>(*value);
        }
    }

    // A length field and the name it announces.
    void TakeName(std::string& name) {
        const auto length = TakeU32();
        if (!length || *length < kMinNameLength || *length >= FileLength()) {
            return;
        }
        if (const auto raw = Take(*length)) {
            const std::string_view cut = raw->substr(0, raw->find('\0'));
            if (cut.size() >= kMinNameLength) {
                name = cut;
            }
        }
    }

  private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

// The part of the file after the nine numbers. It stops early when the file ends where a name's
// length should be; the tail is read afterwards in every case.
void ReadNamesAndWindow(ByteReader& reader, TutorSettings& settings) {
    if (reader.AtEnd()) {
        return;
    }
    reader.TakeName(settings.strCharacter1);
    if (reader.AtEnd()) {
        return;
    }
    reader.TakeName(settings.strCharacter2);
    if (reader.AtEnd()) {
        settings.rcWindow = WindowRect{};
        return;
    }
    if (const auto rect = reader.Take(16)) {
        ByteReader fields(*rect);
        fields.TakeI32(settings.rcWindow.left);
        fields.TakeI32(settings.rcWindow.top);
        fields.TakeI32(settings.rcWindow.right);
        fields.TakeI32(settings.rcWindow.bottom);
    }
}

void AppendU32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
    }
}

void AppendI32(std::string& out, std::int32_t value) {
    AppendU32(out, static_cast<std::uint32_t>(value));
}

// A name as the reader would take it back. A name shorter than 2 bytes is stored with length 0:
// the reader would not skip its bytes and would take them for the following fields.
void AppendName(std::string& out, const std::string& name) {
    std::string_view stored = std::string_view(name).substr(0, name.find('\0'));
    if (stored.size() < kMinNameLength) {
        stored = {};
    }
    AppendU32(out, static_cast<std::uint32_t>(stored.size()));
    out += stored;
}

}  // namespace

void ParseSettings(TutorSettings& settings, std::string_view bytes) {
    ByteReader reader(bytes);
    for (std::int32_t* field :
         {&settings.nSpeed, &settings.nPauseSeconds, &settings.nRepeatCount,
          &settings.bShowPhonetic, &settings.bShowChinese, &settings.bShowBalloon,
          &settings.bShowMouth, &settings.bShowChineseBalloon, &settings.bSpeakChinese}) {
        reader.TakeI32(*field);
    }
    ReadNamesAndWindow(reader, settings);
    if (const auto tail = reader.TakeU32()) {
        settings.reservedTail = *tail;
    }
}

std::string SerializeSettings(const TutorSettings& settings) {
    std::string out;
    out.reserve(64 + settings.strCharacter1.size() + settings.strCharacter2.size());
    for (std::int32_t field :
         {settings.nSpeed, settings.nPauseSeconds, settings.nRepeatCount, settings.bShowPhonetic,
          settings.bShowChinese, settings.bShowBalloon, settings.bShowMouth,
          settings.bShowChineseBalloon, settings.bSpeakChinese}) {
        AppendI32(out, field);
    }
    AppendName(out, settings.strCharacter1);
    AppendName(out, settings.strCharacter2);
    AppendI32(out, settings.rcWindow.left);
    AppendI32(out, settings.rcWindow.top);
    AppendI32(out, settings.rcWindow.right);
    AppendI32(out, settings.rcWindow.bottom);
    AppendU32(out, settings.reservedTail);
    return out;
}

std::error_code LoadSettings(TutorSettings& settings, const std::filesystem::path& path) {
    std::string bytes;
    const std::error_code error = ReadWholeFile(path, bytes, kSettingsFileLimit);
    if (!error) {
        ParseSettings(settings, bytes);
    }
    return error;
}

std::error_code SaveSettings(const TutorSettings& settings, const std::filesystem::path& path) {
    return ReplaceFile(path, SerializeSettings(settings));
}

bool SameCharacterName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t at = 0; at < a.size();) {
        const std::size_t length = Cp936CharLength(a, at);
        if (length == 1) {
            const auto fold = [](char c) {
                return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
            };
            if (fold(a[at]) != fold(b[at])) {
                return false;
            }
        } else if (a.substr(at, length) != b.substr(at, length)) {
            return false;
        }
        at += length;
    }
    return true;
}
