#include "content/page_text.h"

#include <string_view>

#include "content/course_index.h"
#include "content/leading_number.h"
#include "content/lesson_text.h"
#include "content/section_selector.h"
#include "content/text_lines.h"
#include "platform/codepage.h"

namespace {

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// The course folder as the start of a URL inside an attribute value: the characters a URL or the
// attribute would read as syntax ("#" a fragment, "?" a query, "%" an escape, a quote the end of
// the value) are percent-encoded. Bytes of 0x80 and above stay: the page is converted to Unicode
// before the engine sees it, which then encodes the name as the file system spells it.
std::string UrlOfFolder(const std::string& workDir) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url;
    url.reserve(workDir.size());
    for (const char c : workDir) {
        const auto byte = static_cast<unsigned char>(c);
        const bool special = byte <= 0x20 || byte == 0x7F ||
                             std::string_view("\"#%&'<>?\\`").find(c) != std::string_view::npos;
        if (special) {
            url += '%';
            url += kHex[byte >> 4];
            url += kHex[byte & 0xF];
        } else {
            url += c;
        }
    }
    return url;
}

std::string PanelStart(const std::string& workDir, const char* attributes) {
    return std::string("<TABLE ") + attributes + " background=\"" + UrlOfFolder(workDir) +
           "\\bkg.gif\">\n";
}

// Where the section's body starts: the number of lines after the header line to skip, or
// nothing when the header does not describe the section.
std::optional<int> SectionSkip(std::string_view header, int section) {
    const std::optional<std::string_view> text = SectionSkipText(header, section);
    if (!text) {
        return std::nullopt;
    }
    return LeadingNumber(*text);
}

// The last row of a section too long to show whole.
const std::string kCutNotice =
    Utf8ToCp936("<TR><TD><B>（本节太长，后面的内容没有显示。）</B></TD></TR>");

}  // namespace

std::optional<std::string_view> SectionSkipText(std::string_view header, int section) {
    const std::string marker = "#" + std::to_string(section);
    const size_t at = header.find(marker);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view rest = header.substr(at + marker.size());
    const size_t end = rest.find('#');
    if (rest.empty() || end == std::string_view::npos) {
        return std::nullopt;
    }
    rest = rest.substr(0, end);
    const size_t skip = rest.find('@');
    if (skip == std::string_view::npos) {
        return std::nullopt;
    }
    return rest.substr(skip + 1);
}

std::string PictureFileName(std::string_view line) {
    std::string name;
    for (char c : line.substr(line.find('=') + 1)) {
        if (c != '"' && c != ' ' && c != '>') {
            name += c;
        }
    }
    if (const size_t slash = name.rfind('\\'); slash != std::string::npos) {
        name.erase(0, slash + 1);
    }
    if (const size_t slash = name.rfind('/'); slash != std::string::npos) {
        name.erase(0, slash + 1);
    }
    return name;
}

std::string BuildCoverPageText(const std::string& workDir) {
    static const std::string kWelcome = Utf8ToCp936(
        "<tr><td align=\"center\">"
        "<h2 align=\"center\" style=\"color:red;font-size:15pt\">"
        "四个符号读英文，英语口语能速成。<br>快来听一听，开口说英语就这么简单。</h2>\n"
        "<p align=\"center\" style=\"margin-top:0;margin-bottom:0;text-indent:17pt\">"
        "<span style=\"font-size:16pt;font-family:楷体_GB2312,KaiTi,'Times New Roman',serif\">"
        "从零起步，唱熟两首歌，就能准确朗读英文。</span></p>\n"
        "<p align=\"center\" style=\"text-indent:30.7pt\"><b>"
        "<span style=\"font-size:18pt;font-family:黑体,SimHei,'Times New Roman',sans-serif\">"
        "一项攻克世界难题的发明成果</span></b></p>\n"
        "<p align=\"center\" style=\"margin-top:0;margin-bottom:0;text-indent:17pt\">"
        "<span style=\"font-size:22pt;font-family:黑体,SimHei,'Times New Roman',sans-serif\">"
        "欢迎进入Quorvan多媒体教学课堂</span></p>\n"
        "<p style=\"margin-top:0;margin-bottom:0;text-indent:17pt\">&nbsp;</p>\n"
        "<p align=\"center\"><span style=\"font-size:15pt;font-family:宋体,SimSun,"
        "'Times New Roman',serif\">Quorvan 开发组 编制</span></p>\n"
        "<p align=\"center\"><span style=\"font-size:15pt;font-family:宋体,SimSun,"
        "'Times New Roman',serif\">Quorvan 学习园地 出版</span></p>\n"
        "</td></tr></table>\n<HR>");
    static const std::string kLinks = Utf8ToCp936(
        "<tr><td align=\"center\"><span class=\"folder\">打开课文</span></td>\n"
        "<td align=\"center\"><span class=\"setting\">系统设置</span></td></tr></table>");
    const char* panel = "border=1 cellPadding=5 width=100%";
    return PanelStart(workDir, panel) + kWelcome + PanelStart(workDir, panel) + kLinks;
}

std::string BuildContentsPageText(const std::string& workDir,
                                  const std::vector<std::string>& lessonNames) {
    static const std::string kHeading =
        Utf8ToCp936("<tr><td align=\"center\"><b>目录</b></td></tr>\n");
    std::string html = PanelStart(workDir, "border=0 cellPadding=5 width=100%") +
                       PanelStart(workDir, "border=1 align=\"center\" width=80%") + kHeading;
    for (const std::string& entry : lessonNames) {
        html += "<tr><td align=\"center\"><span class=\"file\">";
        html += SplitCourseEntry(entry).name;
        html += "</span></td></tr>\n";
    }
    html += "</td></tr></table></td></tr>\n</table>";
    return html;
}

LessonPageText BuildLessonPageText(const std::string* lessonText,
                                   const LessonPageOptions& options) {
    LessonPageText page;
    std::string table = "<TABLE border=1 width=100% background=\"" + UrlOfFolder(options.workDir) +
                        "\\bkg.gif\">\n";
    if (!lessonText) {
        page.built = true;
        page.html = table + "</TABLE>";
        return page;
    }

    const std::vector<std::string_view> lines = SplitTextLines(*lessonText);
    const size_t dot = options.lessonFile.rfind('.');
    const bool hasPictureFolder = !options.lessonFile.empty() && dot != std::string::npos;
    std::string selector;
    int lineCount = 0;
    int lineId = 1;
    bool inTable = false;

    for (size_t index = 0; index < lines.size(); ++index) {
        // Checked before the line is worked on, so an enormous line costs nothing.
        if (index > 0 &&
            (lineCount >= kMaxPageLines || table.size() + lines[index].size() > kMaxPageBytes)) {
            table += kCutNotice;
            page.cut = true;
            break;
        }
        std::string line(index == 0 ? lines[index].substr(0, kMaxHeaderBytes) : lines[index]);
        SpaceBeforeBracket(line);
        SpaceBetweenUnderlineAndBracket(line);

        if (index == 0) {
            selector = line;
            BuildSectionSelector(selector, options.section);
            const std::optional<int> skip = SectionSkip(line, options.section);
            if (!skip || (*skip > 0 && static_cast<size_t>(*skip) >= lines.size())) {
                return page;
            }
            index += std::max(0, *skip);
            continue;
        }

        if (!options.showChinese) {
            StripNonAscii(line);
        }
        if (!options.showPhonetic) {
            StripPhoneticMarks(line);
        }
        if (!line.empty() && Contains(line, "#")) {
            break;
        }

        if ((Contains(line, "<IMG") || Contains(line, "<img")) && Contains(line, "=") &&
            hasPictureFolder) {
            table += "<TR><TD><img src=\"" + UrlOfFolder(options.workDir) + "\\" +
                     options.lessonFile.substr(0, dot) + "\\" + PictureFileName(line) +
                     "\" border = 2></TD></TR>";
            continue;
        }

        if (inTable) {
            if (Contains(line, "</table") || Contains(line, "</TABLE")) {
                table += line + "</SPAN></TD></TR>";
                inTable = false;
            } else {
                table += line;
            }
        } else {
            const std::string open =
                "<TR><TD><SPAN class=\"file\" id=\"line" + std::to_string(lineId++) + "\">";
            if (Contains(line, "<table") || Contains(line, "<TABLE")) {
                table += open + line;
                inTable = true;
            } else {
                table += open + line + "</SPAN></TD></TR>";
            }
        }
        ++lineCount;
    }

    page.built = true;
    page.html = selector + table + "</TABLE>";
    page.lineCount = lineCount;
    return page;
}
