#include "character/svg_sanitizer.h"

#include <algorithm>
#include <array>
#include <limits>
#include <map>
#include <vector>

namespace {

// A cleaned document may grow a little (quotes and line breaks become references); more than
// this is not a frame.
constexpr std::size_t kMaxCleanSize = std::size_t{1} << 20;
constexpr std::uint64_t kSaturated = std::numeric_limits<std::uint64_t>::max() / 4;

std::uint64_t Add(std::uint64_t a, std::uint64_t b) {
    return std::min(kSaturated, std::min(a, kSaturated) + std::min(b, kSaturated));
}

// What Qt Svg draws from, and the parts of an SVG font, which only name installed fonts.
// Everything else (scripts, animation, links, foreign content, media, font files, elements later
// versions of Qt may learn) is left out with all it holds.
constexpr std::array<std::string_view, 31> kKeptElements{
    "svg",    "g",         "defs",           "switch",         "title",          "desc",
    "use",    "image",     "path",           "rect",           "circle",         "ellipse",
    "line",   "polyline",  "polygon",        "text",           "tspan",          "textArea",
    "tbreak", "stop",      "solidColor",     "linearGradient", "radialGradient", "style",
    "font",   "font-face", "font-face-name", "font-face-src",  "glyph",          "missing-glyph",
    "hkern"};
constexpr std::array<std::string_view, 8> kShapes{"path", "rect",     "circle",  "ellipse",
                                                  "line", "polyline", "polygon", "image"};
constexpr std::array<std::string_view, 3> kTextElements{"text", "tspan", "textArea"};

template <std::size_t N>
bool OneOf(std::string_view name, const std::array<std::string_view, N>& names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string_view LocalName(std::string_view name) {
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string_view Prefix(std::string_view name) {
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? std::string_view() : name.substr(0, colon);
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

// Valid UTF-8 holding only characters XML allows.
bool IsXmlText(std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size;) {
        const unsigned char lead = bytes[i];
        char32_t c = 0;
        std::size_t length = 0;
        if (lead < 0x80) {
            if (lead < 0x20 && lead != '\t' && lead != '\n' && lead != '\r') {
                return false;
            }
            ++i;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF) {
            c = lead & 0x1F;
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            c = lead & 0x0F;
            length = 3;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            c = lead & 0x07;
            length = 4;
        } else {
            return false;
        }
        if (size - i < length) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80) {
                return false;
            }
            c = (c << 6) | (bytes[i + k] & 0x3F);
        }
        const bool overlong = (length == 3 && c < 0x800) || (length == 4 && c < 0x10000);
        if (overlong || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE ||
            c == 0xFFFF) {
            return false;
        }
        i += length;
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void AppendEscaped(std::string& out, std::string_view text, bool attribute) {
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += attribute ? "&quot;" : "\"";
                break;
            case '\t':
                out += attribute ? "&#9;" : "\t";
                break;
            case '\n':
                out += attribute ? "&#10;" : "\n";
                break;
            case '\r':
                out += "&#13;";
                break;
            default:
                out.push_back(c);
        }
    }
}

constexpr std::string_view kBase64 =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Base64(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) {
            group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        }
        if (i + 2 < bytes.size()) {
            group |= static_cast<unsigned char>(bytes[i + 2]);
        }
        out.push_back(kBase64[(group >> 18) & 63]);
        out.push_back(kBase64[(group >> 12) & 63]);
        out.push_back(i + 1 < bytes.size() ? kBase64[(group >> 6) & 63] : '=');
        out.push_back(i + 2 < bytes.size() ? kBase64[group & 63] : '=');
    }
    return out;
}

// Base64 with white space between the characters and padding at the end, or missing; false on
// anything else.
bool FromBase64(std::string_view text, std::string& bytes) {
    std::uint32_t group = 0;
    int count = 0;
    bool padded = false;
    for (const char c : text) {
        if (IsSpace(c)) {
            continue;
        }
        if (c == '=') {
            padded = true;
            continue;
        }
        const std::size_t value = kBase64.find(c);
        if (padded || value == std::string_view::npos) {
            return false;
        }
        group = (group << 6) | static_cast<std::uint32_t>(value);
        if (++count == 4) {
            bytes.push_back(static_cast<char>(group >> 16));
            bytes.push_back(static_cast<char>(group >> 8));
            bytes.push_back(static_cast<char>(group));
            group = 0;
            count = 0;
        }
    }
    if (count == 1) {
        return false;
    }
    if (count >= 2) {
        group <<= 6 * (4 - count);
        bytes.push_back(static_cast<char>(group >> 16));
        if (count == 3) {
            bytes.push_back(static_cast<char>(group >> 8));
        }
    }
    return true;
}

std::uint32_t BigEndian(std::string_view bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = 0; i < size; ++i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

bool SideFits(std::uint32_t side) {
    return side >= 1 && side <= kMaxPictureSide;
}

// The size a PNG or JPEG picture declares; false for anything else or a size out of bounds.
bool RasterPixels(std::string_view bytes, std::uint64_t& pixels) {
    if (bytes.size() >= 24 && bytes.substr(0, 8) == "\x89PNG\r\n\x1A\n" &&
        bytes.substr(12, 4) == "IHDR") {
        const std::uint32_t width = BigEndian(bytes, 16, 4);
        const std::uint32_t height = BigEndian(bytes, 20, 4);
        pixels = std::uint64_t{width} * height;
        return SideFits(width) && SideFits(height);
    }
    if (bytes.size() < 4 || bytes.substr(0, 3) != "\xFF\xD8\xFF") {
        return false;
    }
    // The first frame header gives the size; segments before it are skipped by their lengths.
    std::size_t at = 2;
    while (at + 4 <= bytes.size() && static_cast<unsigned char>(bytes[at]) == 0xFF) {
        const auto marker = static_cast<unsigned char>(bytes[at + 1]);
        if (marker == 0xFF) {
            ++at;  // fill byte
            continue;
        }
        const bool frameHeader =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frameHeader) {
            if (at + 9 > bytes.size()) {
                return false;
            }
            const std::uint32_t height = BigEndian(bytes, at + 5, 2);
            const std::uint32_t width = BigEndian(bytes, at + 7, 2);
            pixels = std::uint64_t{width} * height;
            return SideFits(width) && SideFits(height);
        }
        if (marker == 0xDA || marker == 0xD9) {
            return false;  // image data or the end before any frame header
        }
        const std::uint32_t length = BigEndian(bytes, at + 2, 2);
        if (length < 2) {
            return false;
        }
        at += 2 + length;
    }
    return false;
}

// A plain length in pixels ("40", "40.5", "40px"), rounded up; 0 for anything else.
std::uint32_t PixelLength(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsSpace(text.back())) {
        text.remove_suffix(1);
    }
    if (text.size() > 2 && text.substr(text.size() - 2) == "px") {
        text.remove_suffix(2);
    }
    std::uint64_t whole = 0;
    std::size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        whole =
            std::min<std::uint64_t>(whole * 10 + static_cast<unsigned>(text[i] - '0'), 1u << 30);
    }
    if (i == 0) {
        return 0;
    }
    bool fraction = false;
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            fraction = fraction || text[i] != '0';
        }
    }
    if (i != text.size()) {
        return 0;
    }
    return static_cast<std::uint32_t>(whole + (fraction ? 1 : 0));
}

// Letters, digits, '_', '-', '.' and ':', as ids are written.
bool IsPlainId(std::string_view id) {
    if (id.empty() || id.size() > 256) {
        return false;
    }
    for (const char c : id) {
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
              c == '_' || c == '-' || c == '.' || c == ':')) {
            return false;
        }
    }
    return true;
}

struct Attribute {
    std::string_view name;
    std::string value;  // references resolved
};

class Cleaner {
  public:
    Cleaner(std::string_view source, std::uint64_t drawArea, int pictureDepth, std::string& reason)
        : source_(source), drawArea_(drawArea), pictureDepth_(pictureDepth), reason_(reason) {}

    // For an SVG picture: the root must give its size in pixels, which is also the drawing area.
    void RequireSize() { requireSize_ = true; }

    bool Run(CleanSvg& clean);
    std::uint32_t Width() const { return width_; }
    std::uint32_t Height() const { return height_; }

  private:
    struct Open {
        std::string_view name;
        bool kept = false;
        bool text = false;   // letters in it are drawn
        bool style = false;  // a style sheet, checked when it closes
        std::string id;
        std::uint64_t cost = 0;
        std::size_t prefixes = 0;  // declared prefixes in force before it
        std::size_t outAt = 0;     // where its start tag begins in the output
    };

    bool Fail(const std::string& why) {
        reason_ = why + " at byte " + std::to_string(pos_);
        return false;
    }
    bool AtEnd() const { return pos_ >= source_.size(); }
    bool Next(std::string_view text) const { return source_.substr(pos_, text.size()) == text; }
    void SkipSpace() {
        while (!AtEnd() && IsSpace(source_[pos_])) {
            ++pos_;
        }
    }
    bool SkipPast(std::string_view end) {
        const std::size_t found = source_.find(end, pos_);
        if (found == std::string_view::npos) {
            return Fail("unterminated markup");
        }
        pos_ = found + end.size();
        return true;
    }
    bool ReadName(std::string_view& name);
    bool SkipDoctype();
    bool SkipMisc(bool& skipped);
    bool ReadReference(std::string& out);
    bool ReadAttributes(std::vector<Attribute>& attributes, bool& empty);
    bool StartElement();
    bool EndElement();
    void Text(std::string_view text);
    bool Prefixed(std::string_view name) const;
    // Decides what becomes of a reference of a kept element; false leaves the element out.
    bool Reference(std::string_view element, Attribute& attribute, bool& dropAttribute,
                   std::uint64_t& cost);
    bool Picture(std::string_view url, std::string& cleaned, std::uint64_t& pixels);
    bool Close(Open& element);

    std::string_view source_;
    std::uint64_t drawArea_;
    int pictureDepth_;
    std::string& reason_;
    bool requireSize_ = false;
    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
    std::size_t pos_ = 0;
    std::string out_;
    std::vector<Open> open_;
    std::vector<std::string_view> prefixes_;
    // Drawing cost of each element with an id that has been closed: only those can be used, so
    // that no use repeats itself.
    std::map<std::string, std::uint64_t, std::less<>> closed_;
    bool rootDone_ = false;
    std::uint64_t total_ = 0;
};

bool Cleaner::ReadName(std::string_view& name) {
    const std::size_t start = pos_;
    const auto first = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':';
    };
    const auto rest = [&first](char c) {
        return first(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
    };
    if (AtEnd() || !first(source_[pos_])) {
        return Fail("a name is expected (names are ASCII)");
    }
    while (!AtEnd() && rest(source_[pos_])) {
        ++pos_;
    }
    name = source_.substr(start, pos_ - start);
    const std::size_t colon = name.find(':');
    if (colon != std::string_view::npos &&
        (colon == 0 || colon + 1 == name.size() || name.find(':', colon + 1) != name.npos)) {
        return Fail("a name with a misplaced colon");
    }
    if (!AtEnd() && static_cast<unsigned char>(source_[pos_]) >= 0x80) {
        return Fail("names are ASCII");
    }
    return true;
}

bool Cleaner::SkipDoctype() {
    // The document type is dropped whole, its internal subset with it: entities it declares are
    // never expanded.
    pos_ += 9;
    char quote = 0;
    int brackets = 0;
    while (!AtEnd()) {
        const char c = source_[pos_++];
        if (quote != 0) {
            quote = c == quote ? 0 : quote;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '[') {
            ++brackets;
        } else if (c == ']') {
            --brackets;
        } else if (c == '<' && source_.substr(pos_, 3) == "!--") {
            --pos_;
            if (!SkipPast("-->")) {
                return false;
            }
        } else if (c == '>' && brackets <= 0) {
            return true;
        }
    }
    return Fail("unterminated document type");
}

// Comments, processing instructions and white space, dropped; `skipped` is false when none was
// there.
bool Cleaner::SkipMisc(bool& skipped) {
    skipped = false;
    if (Next("<!--")) {
        skipped = true;
        return SkipPast("-->");
    }
    if (Next("<?")) {
        skipped = true;
        return SkipPast("?>");
    }
    if (!AtEnd() && IsSpace(source_[pos_])) {
        skipped = true;
        SkipSpace();
    }
    return true;
}

bool Cleaner::ReadReference(std::string& out) {
    const std::size_t end = source_.find(';', pos_);
    if (end == std::string_view::npos || end - pos_ > 12) {
        return Fail("a reference without its ';'");
    }
    const std::string_view name = source_.substr(pos_ + 1, end - pos_ - 1);
    static const std::map<std::string_view, char> kEntities{
        {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
    if (const auto found = kEntities.find(name); found != kEntities.end()) {
        out.push_back(found->second);
        pos_ = end + 1;
        return true;
    }
    if (name.size() < 2 || name[0] != '#') {
        return Fail("an entity the document does not define");
    }
    const bool hex = name[1] == 'x';
    char32_t c = 0;
    std::size_t digits = 0;
    for (std::size_t i = hex ? 2 : 1; i < name.size(); ++i, ++digits) {
        const char d = name[i];
        int value = -1;
        if (d >= '0' && d <= '9') {
            value = d - '0';
        } else if (hex && d >= 'a' && d <= 'f') {
            value = d - 'a' + 10;
        } else if (hex && d >= 'A' && d <= 'F') {
            value = d - 'A' + 10;
        }
        if (value < 0) {
            return Fail("a malformed character reference");
        }
        c = c * (hex ? 16 : 10) + static_cast<char32_t>(value);
        if (c > 0x10FFFF) {
            return Fail("a reference to a character XML does not allow");
        }
    }
    const bool allowed = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
                         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
    if (digits == 0 || !allowed) {
        return Fail("a reference to a character XML does not allow");
    }
    AppendUtf8(out, c);
    pos_ = end + 1;
    return true;
}

bool Cleaner::ReadAttributes(std::vector<Attribute>& attributes, bool& empty) {
    for (;;) {
        const std::size_t before = pos_;
        SkipSpace();
        if (Next("/>")) {
            pos_ += 2;
            empty = true;
            return true;
        }
        if (Next(">")) {
            ++pos_;
            empty = false;
            return true;
        }
        if (pos_ == before) {
            return Fail("attributes must be separated by white space");
        }
        Attribute attribute;
        if (!ReadName(attribute.name)) {
            return false;
        }
        SkipSpace();
        if (!Next("=")) {
            return Fail("an attribute without a value");
        }
        ++pos_;
        SkipSpace();
        if (AtEnd() || (source_[pos_] != '"' && source_[pos_] != '\'')) {
            return Fail("an attribute value without quotes");
        }
        const char quote = source_[pos_++];
        for (;;) {
            if (AtEnd()) {
                return Fail("an unterminated attribute value");
            }
            const char c = source_[pos_];
            if (c == quote) {
                ++pos_;
                break;
            }
            if (c == '<') {
                return Fail("'<' in an attribute value");
            }
            if (c == '&') {
                if (!ReadReference(attribute.value)) {
                    return false;
                }
                continue;
            }
            // As an XML reader normalises them.
            attribute.value.push_back(IsSpace(c) ? ' ' : c);
            ++pos_;
        }
        for (const Attribute& other : attributes) {
            if (other.name == attribute.name) {
                return Fail("a repeated attribute");
            }
        }
        attributes.push_back(std::move(attribute));
    }
}

bool Cleaner::Prefixed(std::string_view name) const {
    const std::string_view prefix = Prefix(name);
    return prefix.empty() || prefix == "xml" || prefix == "xmlns" ||
           std::find(prefixes_.begin(), prefixes_.end(), prefix) != prefixes_.end();
}

bool Cleaner::Picture(std::string_view url, std::string& cleaned, std::uint64_t& pixels) {
    const std::size_t comma = url.find(',');
    if (comma == std::string_view::npos) {
        return false;
    }
    const std::string_view header = url.substr(0, comma);
    std::string bytes;
    if (header.size() < 7 || !StartsWithNoCase(header.substr(header.size() - 7), ";base64") ||
        !FromBase64(url.substr(comma + 1), bytes)) {
        return false;  // Qt Svg draws only base64 pictures
    }
    if (RasterPixels(bytes, pixels)) {
        // Written anew, so that what Qt decodes is exactly what was checked.
        cleaned = (bytes[0] == '\x89' ? "data:image/png;base64," : "data:image/jpeg;base64,") +
                  Base64(bytes);
        return true;
    }
    if (pictureDepth_ + 1 > kMaxSvgPictureDepth) {
        return false;
    }
    std::string ignored;
    Cleaner inner(bytes, 0, pictureDepth_ + 1, ignored);
    inner.RequireSize();
    CleanSvg picture;
    if (!inner.Run(picture)) {
        return false;
    }
    // The picture is drawn once, into an image of its own size.
    pixels = Add(picture.drawnPixels, std::uint64_t{inner.Width()} * inner.Height());
    cleaned = "data:image/svg+xml;base64," + Base64(picture.text);
    return true;
}

bool Cleaner::Reference(std::string_view element, Attribute& attribute, bool& dropAttribute,
                        std::uint64_t& cost) {
    const std::string_view value = attribute.value;
    if (!value.empty() && value[0] == '#') {
        const auto found =
            IsPlainId(value.substr(1)) ? closed_.find(value.substr(1)) : closed_.end();
        if (element == "use") {
            if (found == closed_.end()) {
                return false;  // it would repeat itself, or nothing
            }
            cost = Add(cost, found->second);
            return true;
        }
        dropAttribute = found == closed_.end();
        return true;
    }
    if (element != "image" || !StartsWithNoCase(value, "data:")) {
        return false;  // anything outside the document
    }
    std::string cleaned;
    std::uint64_t pixels = 0;
    if (!Picture(value, cleaned, pixels)) {
        return false;
    }
    cost = Add(cost, pixels);
    attribute.value = std::move(cleaned);
    return true;
}

bool Cleaner::StartElement() {
    const std::size_t start = pos_;
    ++pos_;
    std::string_view name;
    std::vector<Attribute> attributes;
    bool empty = false;
    if (!ReadName(name) || !ReadAttributes(attributes, empty)) {
        return false;
    }
    if (open_.size() >= static_cast<std::size_t>(kMaxSvgNesting)) {
        pos_ = start;
        return Fail("elements nested deeper than " + std::to_string(kMaxSvgNesting));
    }
    Open element;
    element.name = name;
    element.prefixes = prefixes_.size();
    for (const Attribute& attribute : attributes) {
        if (Prefix(attribute.name) == "xmlns") {
            prefixes_.push_back(LocalName(attribute.name));
        }
    }
    if (!Prefixed(name)) {
        return Fail("an undeclared namespace prefix");
    }
    for (const Attribute& attribute : attributes) {
        if (!Prefixed(attribute.name)) {
            return Fail("an undeclared namespace prefix");
        }
    }
    const std::string_view local = LocalName(name);
    const bool root = open_.empty();
    if (root) {
        if (local != "svg") {
            return Fail("the root element is not svg");
        }
        if (requireSize_) {
            for (const Attribute& attribute : attributes) {
                if (attribute.name == "width") {
                    width_ = PixelLength(attribute.value);
                } else if (attribute.name == "height") {
                    height_ = PixelLength(attribute.value);
                }
            }
            if (!SideFits(width_) || !SideFits(height_)) {
                return Fail("a picture without a width and height in pixels up to 1024");
            }
            drawArea_ = std::uint64_t{width_} * height_;
        }
    }
    // A style sheet is text: elements in it are left out.
    const bool parentKept = root || (open_.back().kept && !open_.back().style);
    element.kept = parentKept && OneOf(local, kKeptElements);
    element.text = OneOf(local, kTextElements);
    element.style = local == "style";
    element.outAt = out_.size();
    if (OneOf(local, kShapes)) {
        element.cost = drawArea_;
    }
    std::vector<bool> dropped(attributes.size(), false);
    for (std::size_t i = 0; element.kept && i < attributes.size(); ++i) {
        Attribute& attribute = attributes[i];
        if (attribute.name == "id") {
            // Only plain ids name an element: Qt Svg might read other ones otherwise than here.
            dropped[i] = !IsPlainId(attribute.value);
            element.id = dropped[i] ? std::string() : attribute.value;
        }
        if (attribute.name == "xml:id") {
            dropped[i] = true;  // a second way to give an id, which Qt Svg also reads
        }
        if (LocalName(attribute.name) == "href") {
            bool dropAttribute = false;
            element.kept = Reference(local, attribute, dropAttribute, element.cost);
            dropped[i] = dropAttribute;
        }
    }
    if (element.kept) {
        out_ += '<';
        out_ += name;
        for (std::size_t i = 0; i < attributes.size(); ++i) {
            if (!dropped[i]) {
                out_ += ' ';
                out_ += attributes[i].name;
                out_ += "=\"";
                AppendEscaped(out_, attributes[i].value, true);
                out_ += '"';
            }
        }
        out_ += '>';
    }
    open_.push_back(std::move(element));
    if (empty) {
        if (!Close(open_.back())) {
            return false;
        }
        open_.pop_back();
    }
    return true;
}

bool Cleaner::Close(Open& element) {
    if (element.kept && element.style && out_.find('@', element.outAt) != std::string::npos) {
        // At-rules would ask for other style sheets or fonts.
        out_.resize(element.outAt);
        element.kept = false;
    }
    if (element.kept) {
        out_ += "</";
        out_ += element.name;
        out_ += '>';
        // One element for each id: with two, a reference could be counted for one and drawn
        // as the other.
        if (!element.id.empty() && !closed_.emplace(element.id, element.cost).second) {
            return Fail("the id \"" + element.id.substr(0, 40) + "\" given twice");
        }
        if (open_.size() > 1) {
            Open& parent = open_[open_.size() - 2];
            parent.cost = Add(parent.cost, element.cost);
        } else {
            total_ = element.cost;
        }
    }
    prefixes_.resize(element.prefixes);
    if (open_.size() == 1) {
        rootDone_ = true;
    }
    return true;
}

bool Cleaner::EndElement() {
    pos_ += 2;
    std::string_view name;
    if (!ReadName(name)) {
        return false;
    }
    SkipSpace();
    if (!Next(">")) {
        return Fail("an end tag without '>'");
    }
    ++pos_;
    if (open_.empty() || open_.back().name != name) {
        return Fail("an end tag that does not match");
    }
    if (!Close(open_.back())) {
        return false;
    }
    open_.pop_back();
    return true;
}

void Cleaner::Text(std::string_view text) {
    Open& element = open_.back();
    if (!element.kept) {
        return;
    }
    if (element.text) {
        for (const char c : text) {
            // One shape per letter: the first byte of each character that is not a space.
            if (!IsSpace(c) && (static_cast<unsigned char>(c) & 0xC0) != 0x80) {
                element.cost = Add(element.cost, drawArea_);
            }
        }
    }
    AppendEscaped(out_, text, false);
}

bool Cleaner::Run(CleanSvg& clean) {
    if (!IsXmlText(source_)) {
        reason_ = "not UTF-8 text that XML allows";
        return false;
    }
    if (Next("\xEF\xBB\xBF")) {
        pos_ += 3;
    }
    // Before the root: declarations, style sheet instructions, comments and a document type,
    // all of them dropped.
    for (;;) {
        bool skipped = false;
        if (!SkipMisc(skipped)) {
            return false;
        }
        if (skipped) {
            continue;
        }
        if (Next("<!DOCTYPE")) {
            if (!SkipDoctype()) {
                return false;
            }
            continue;
        }
        break;
    }
    if (!Next("<")) {
        return Fail("no root element");
    }
    if (!StartElement()) {
        return false;
    }
    std::string text;
    while (!rootDone_) {
        if (AtEnd()) {
            return Fail("the document ends inside an element");
        }
        if (out_.size() > kMaxCleanSize) {
            reason_ = "larger than 1 MiB once cleaned";
            return false;
        }
        const char c = source_[pos_];
        if (c == '<') {
            if (!text.empty()) {
                Text(text);
                text.clear();
            }
            bool skipped = false;
            if (Next("<![CDATA[")) {
                pos_ += 9;
                const std::size_t end = source_.find("]]>", pos_);
                if (end == std::string_view::npos) {
                    return Fail("an unterminated CDATA section");
                }
                text.append(source_.substr(pos_, end - pos_));
                pos_ = end + 3;
            } else if (Next("</")) {
                if (!EndElement()) {
                    return false;
                }
            } else if (Next("<!--") || Next("<?")) {
                if (!SkipMisc(skipped)) {
                    return false;
                }
            } else if (Next("<!")) {
                return Fail("a declaration inside the document");
            } else if (!StartElement()) {
                return false;
            }
        } else if (c == '&') {
            if (!ReadReference(text)) {
                return false;
            }
        } else if (c == '\r') {
            // Line ends as an XML reader normalises them.
            text.push_back('\n');
            pos_ += Next("\r\n") ? 2 : 1;
        } else {
            text.push_back(c);
            ++pos_;
        }
    }
    for (;;) {
        bool skipped = false;
        if (!SkipMisc(skipped)) {
            return false;
        }
        if (!skipped) {
            break;
        }
    }
    if (!AtEnd()) {
        return Fail("content after the root element");
    }
    if (out_.empty()) {
        reason_ = "the root element refers outside the document";
        return false;
    }
    if (out_.size() > kMaxCleanSize) {
        reason_ = "larger than 1 MiB once cleaned";
        return false;
    }
    clean.text = std::move(out_);
    clean.drawnPixels = total_;
    return true;
}

}  // namespace

std::optional<CleanSvg> CleanSvgDocument(std::string_view source, std::uint64_t drawArea,
                                         std::string& reason) {
    Cleaner cleaner(source, drawArea, 0, reason);
    CleanSvg clean;
    if (!cleaner.Run(clean)) {
        return std::nullopt;
    }
    return clean;
}
