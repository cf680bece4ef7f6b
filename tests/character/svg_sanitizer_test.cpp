// Character frames cleaned before Qt Svg sees them: nothing in them may name a file, and what
// drawing them costs is known before they are drawn.

#include "character/svg_sanitizer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr std::string_view kOpen =
    "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
    "width=\"40\" height=\"40\">";

std::string Svg(std::string_view body) {
    return std::string(kOpen) + std::string(body) + "</svg>";
}

std::string Clean(std::string_view source, std::uint64_t area = 100) {
    std::string reason;
    const std::optional<CleanSvg> clean = CleanSvgDocument(source, area, reason);
    EXPECT_TRUE(clean) << reason;
    return clean ? clean->text : std::string();
}

std::string Base64(std::string_view bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
        group |= i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) << 8 : 0;
        group |= i + 2 < bytes.size() ? static_cast<unsigned char>(bytes[i + 2]) : 0;
        out += kDigits[(group >> 18) & 63];
        out += kDigits[(group >> 12) & 63];
        out += i + 1 < bytes.size() ? kDigits[(group >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kDigits[group & 63] : '=';
    }
    return out;
}

std::string Picture(std::string_view svg) {
    return "<image width=\"10\" height=\"10\" xlink:href=\"data:image/svg+xml;base64," +
           Base64(svg) + "\"/>";
}

// A PNG header of the given size; nothing but the header is looked at before drawing.
std::string Png(std::uint32_t width, std::uint32_t height) {
    std::string png = "\x89PNG\r\n\x1A\n";
    png += std::string("\0\0\0\x0DIHDR", 8);
    for (const std::uint32_t side : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            png += static_cast<char>(side >> shift);
        }
    }
    return png + std::string("\x08\x06\0\0\0", 5);
}

TEST(SvgCleaning, DropsInstructionsDocumentTypesCommentsAndWhatPointsOutside) {
    const std::string text = Clean(
        "<?xml version=\"1.0\"?><?xml-stylesheet type=\"text/css\" href=\"/dev/zero\"?>"
        "<!DOCTYPE svg [<!ENTITY e SYSTEM \"/etc/passwd\">]><!-- note -->" +
        Svg("<?xml-stylesheet href=\"x.css\"?><defs><linearGradient id=\"g\"/></defs>"
            "<image xlink:href=\"/etc/passwd\"/><image href=\"file:///tmp/x.png\"/>"
            "<use xlink:href=\"other.svg#a\"/><script>alert(1)</script>"
            "<foreignObject><image xlink:href=\"#g\"/></foreignObject>"
            "<rect id=\"r\" fill=\"url(#g)\" width=\"4\" height=\"4\"/><use xlink:href=\"#r\"/>"
            "<style>@import url(/dev/zero);</style><style>rect { fill: red }</style>"));
    for (const char* gone : {"<?", "<!", "passwd", "x.png", "other.svg", "script", "foreign",
                             "@import", "/dev/zero"}) {
        EXPECT_EQ(text.find(gone), std::string::npos) << gone << " in " << text;
    }
    for (const char* kept : {"<linearGradient id=\"g\">", "<use xlink:href=\"#r\">",
                             "fill=\"url(#g)\"", "rect { fill: red }"}) {
        EXPECT_NE(text.find(kept), std::string::npos) << kept << " not in " << text;
    }
}

TEST(SvgCleaning, PicturesAreCleanedInsideTheirDataUrlsToABoundedDepth) {
    // An SVG picture whose own picture names a file: the inner reference goes, the picture stays.
    const std::string inner = Svg("<image xlink:href=\"/tmp/fifo\"/><circle r=\"5\"/>");
    const std::string text = Clean(Svg(Picture(inner)));
    EXPECT_NE(text.find("data:image/svg+xml;base64," + Base64(Svg("<circle r=\"5\"></circle>"))),
              std::string::npos)
        << text;

    // Pictures `depth` deep around `core`; one deeper than allowed is left out.
    const auto nest = [](int depth, std::string core) {
        for (int i = 0; i < depth; ++i) {
            core = Svg(Picture(core));
        }
        return core;
    };
    const std::string circle = Svg("<circle r=\"5\"/>");
    EXPECT_NE(Clean(nest(kMaxSvgPictureDepth, circle)), Clean(nest(kMaxSvgPictureDepth, Svg(""))));
    EXPECT_EQ(Clean(nest(kMaxSvgPictureDepth + 1, circle)),
              Clean(nest(kMaxSvgPictureDepth, Svg(""))));

    // Pictures of their own size only, and PNG or JPEG only besides SVG.
    const std::string unsized =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 9000 9000\"/>";
    EXPECT_EQ(Clean(Svg(Picture(unsized))).find("<image"), std::string::npos);
    const auto raster = [](std::string_view bytes) {
        return Svg("<image xlink:href=\"data:image/png;base64," + Base64(bytes) + "\"/>");
    };
    EXPECT_NE(Clean(raster(Png(64, 64))).find("<image"), std::string::npos);
    EXPECT_EQ(Clean(raster(Png(kMaxPictureSide + 1, 2))).find("<image"), std::string::npos);
    EXPECT_EQ(Clean(raster("GIF89a\x01\0\x01\0")).find("<image"), std::string::npos);
}

TEST(SvgCleaning, CostCountsEveryShapeAUseRepeatsAndNoUseOfItself) {
    std::string reason;
    // Each group uses the one before four times: 4^10 circles from a few hundred bytes.
    std::string body = "<circle id=\"g0\" r=\"1\"/>";
    for (int level = 1; level <= 10; ++level) {
        const std::string previous = "#g" + std::to_string(level - 1);
        body += "<g id=\"g" + std::to_string(level) + "\">";
        for (int i = 0; i < 4; ++i) {
            body += "<use xlink:href=\"" + previous + "\"/>";
        }
        body += "</g>";
    }
    const std::optional<CleanSvg> fanned = CleanSvgDocument(Svg(body), 100, reason);
    ASSERT_TRUE(fanned) << reason;
    EXPECT_GE(fanned->drawnPixels, 100u << 20);

    const std::optional<CleanSvg> looped = CleanSvgDocument(
        Svg("<g id=\"a\"><rect width=\"1\" height=\"1\"/><use xlink:href=\"#a\"/>"
            "<use xlink:href=\"#later\"/></g><rect id=\"later\"/><text>ab c</text>"),
        100, reason);
    ASSERT_TRUE(looped) << reason;
    EXPECT_EQ(looped->text.find("<use"), std::string::npos);
    EXPECT_EQ(looped->drawnPixels, 100u * 5) << "two rectangles and three letters";

    // An id given twice, or once more in a style sheet that is left out, would let a use be
    // counted for an empty element and drawn as a full one (or as itself).
    for (const std::string& twice :
         {Svg("<g id=\"a\"/><g id=\"a\"><circle r=\"1\"/></g><use xlink:href=\"#a\"/>"),
          Svg("<style>@<g id=\"a\"/></style><g id=\"a\"><use xlink:href=\"#a\"/></g>"),
          Svg("<g xml:id=\"a\"><circle r=\"1\"/></g><use xlink:href=\"#a\"/>")}) {
        const std::optional<CleanSvg> clean = CleanSvgDocument(twice, 100, reason);
        EXPECT_TRUE(!clean || clean->text.find("<use") == std::string::npos) << twice;
    }
}

TEST(SvgCleaning, RefusesWhatIsNotAWellFormedSvgDocument) {
    std::string groups;
    for (int i = 0; i < kMaxSvgNesting; ++i) {
        groups = "<g>" + groups + "</g>";
    }
    const std::string deep = Svg(groups);
    for (const std::string& bad :
         {std::string("<svg><g></svg>"), std::string("<html/>"), Svg("&nbsp;"), Svg("&#0;"),
          Svg("<a:b/>"), std::string("\xFF") + Svg(""), Svg("") + "<svg/>",
          std::string("<svg\0/>", 7), deep}) {
        std::string reason;
        EXPECT_FALSE(CleanSvgDocument(bad, 100, reason)) << bad;
        EXPECT_FALSE(reason.empty()) << bad;
    }
}

}  // namespace
