#include "content/section_selector.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace {

// In CP936: <FONT face="宋体">课程：<SELECT id="Select1" name ="Select1" >
constexpr std::string_view kSelectorStart =
    "<FONT face=\"\xCB\xCE\xCC\xE5\">\xBF\xCE\xB3\xCC\xA3\xBA"
    "<SELECT id=\"Select1\" name =\"Select1\" >\n";

constexpr std::string_view kSelectorEnd =
    "</SELECT></FONT><INPUT id=\"Goto\" type=\"BUTTON\" value=\"Goto\" name=\"Goto\"><br>\n";

}  // namespace

void BuildSectionSelector(std::string& header, int selected) {
    std::string html(kSelectorStart);
    for (int n = 1; !header.empty(); ++n) {
        const std::string marker = "#" + std::to_string(n);
        const std::size_t found = header.find(marker);
        if (found == std::string::npos) {
            break;
        }
        header.erase(0, found + marker.size());
        const std::size_t next = header.find('#');
        if (next == std::string::npos) {
            break;  // an unclosed last section is left out
        }
        std::string title = header.substr(0, next);
        header.erase(0, next);
        title.resize(std::min(title.size(), title.find('@')));
        html += n == selected ? "<OPTION selected value = \"" : "<OPTION value = \"";
        html += std::to_string(n);
        html += "\">";
        html += title;
        html += '\n';
    }
    html += kSelectorEnd;
    header = std::move(html);
}
