#include "app/course_folder.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>

namespace fs = std::filesystem;

CourseFolderChoice ChooseCourseFolder(const std::optional<std::string>& given,
                                      const std::string& current, const char* xdgDataHome,
                                      const char* home) {
    if (given) {
        return {fs::absolute(*given).lexically_normal().string(), false};
    }
    std::error_code error;
    if (fs::is_regular_file(fs::path(current) / "cntindex.idx", error)) {
        return {current, false};
    }
    // The XDG rule: a relative $XDG_DATA_HOME is invalid and counts as unset.
    fs::path data;
    if (xdgDataHome != nullptr && fs::path(xdgDataHome).is_absolute()) {
        data = xdgDataHome;
    } else {
        data = fs::path(home != nullptr && *home != '\0' ? home : current) / ".local" / "share";
    }
    return {(data / "quorvan" / "course").lexically_normal().string(), true};
}

std::error_code PrepareCourseFolder(const CourseFolderChoice& choice,
                                    const std::string& sampleCourse) {
    std::error_code error;
    const fs::path folder(choice.folder);
    if (choice.own && !fs::exists(folder, error)) {
        // Copied beside its final name and renamed, so that a failed copy leaves no half course.
        const fs::path partial = folder.string() + ".partial";
        fs::remove_all(partial, error);
        fs::create_directories(folder.parent_path(), error);
        if (error) {
            return error;
        }
        fs::copy(sampleCourse, partial, fs::copy_options::recursive, error);
        if (!error) {
            fs::rename(partial, folder, error);
        }
        if (error) {
            std::error_code ignored;
            fs::remove_all(partial, ignored);
            return error;
        }
    }
    if (!fs::is_directory(folder, error)) {
        return error ? error : std::make_error_code(std::errc::not_a_directory);
    }
    // Write permission alone does not say it: a read-only medium refuses even the owner.
    std::string probe = (folder / ".quorvan-XXXXXX").string();
    const int fd = ::mkostemp(probe.data(), O_CLOEXEC);
    if (fd < 0) {
        return std::error_code(errno, std::generic_category());
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return {};
}
