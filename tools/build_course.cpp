// quorvan-build-course SOURCE OUTPUT: turns a course written in UTF-8 into a folder the tutor
// runs in. The index becomes CP936, every lesson text SOURCE/lessons/NAME.txt becomes the lesson
// file OUTPUT/NAME.dat, and every other file is copied as it is.
#include <cstdio>
#include <filesystem>
#include <string>

#include "content/lzw_encoder.h"
#include "file_tool.h"
#include "platform/codepage.h"

namespace fs = std::filesystem;

namespace {

// The course's text in the tutor's code page; a character the code page lacks is an error,
// since the learner would see "?" in its place.
std::string ToCodePage(const std::string& utf8, const fs::path& source) {
    std::string text = Utf8ToCp936(utf8);
    if (Cp936ToUtf8(text) != utf8)
        throw file_tool::Failure{"'" + source.string() +
                                 "' holds text that CP936 cannot represent"};
    return text;
}

std::string ReadText(const fs::path& path) {
    return file_tool::ReadWhole(path.string());
}

void BuildCourse(const fs::path& source, const fs::path& output) {
    fs::create_directories(output);
    const fs::path index = source / "cntindex.idx";
    file_tool::WriteReplacing((output / "cntindex.idx").string(),
                              ToCodePage(ReadText(index), index));

    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(source)) {
        const fs::path relative = fs::relative(entry.path(), source);
        if (relative == "cntindex.idx" || !entry.is_regular_file())
            continue;
        if (*relative.begin() == "lessons") {
            if (entry.path().extension() == ".txt") {
                const fs::path lesson = output / entry.path().stem().concat(".dat");
                file_tool::WriteReplacing(
                    lesson.string(), LzwEncode(ToCodePage(ReadText(entry.path()), entry.path())));
            }
            continue;
        }
        fs::create_directories((output / relative).parent_path());
        fs::copy_file(entry.path(), output / relative, fs::copy_options::overwrite_existing);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: quorvan-build-course SOURCE_DIR OUTPUT_DIR\n");
        return 2;
    }
    try {
        BuildCourse(argv[1], argv[2]);
    } catch (const file_tool::Failure& failure) {
        std::fprintf(stderr, "quorvan-build-course: %s\n", failure.message.c_str());
        return 1;
    } catch (const fs::filesystem_error& error) {
        std::fprintf(stderr, "quorvan-build-course: %s\n", error.what());
        return 1;
    }
    return 0;
}
