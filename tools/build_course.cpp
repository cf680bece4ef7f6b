// quorvan-build-course SOURCE OUTPUT: turns a course written in UTF-8 into a folder the tutor
// runs in. The index becomes CP936, every lesson text SOURCE/lessons/NAME.txt becomes the lesson
// file OUTPUT/NAME.dat, and every other file is copied as it is.
//
// The course is built in a new folder next to OUTPUT and swapped into place only when it is
// complete, so a failure part way leaves no half-built course and an existing OUTPUT as it was.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>

#include "content/lzw_encoder.h"
#include "file_tool.h"
#include "platform/codepage.h"

namespace fs = std::filesystem;
using file_tool::Failure;
using file_tool::SystemFailure;

namespace {

constexpr const char* kIndexFile = "cntindex.idx";

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

// Both paths absolute and free of "." and "..".
bool IsWithin(const fs::path& path, const fs::path& folder) {
    return std::mismatch(folder.begin(), folder.end(), path.begin(), path.end()).first ==
           folder.end();
}

// The course's text in the tutor's code page; a character the code page lacks is an error,
// since the learner would see "?" in its place.
std::string ToCodePage(const std::string& utf8, const fs::path& source) {
    std::string text = Utf8ToCp936(utf8);
    if (Cp936ToUtf8(text) != utf8) {
        throw Failure{Quoted(source) + " holds text that CP936 cannot represent"};
    }
    return text;
}

// The status of what `path` leads to. A link is followed only when it resolves inside `source`:
// the built course must not pick up files from elsewhere on the author's machine. Links to
// folders are refused, since following them can loop.
fs::file_status Followed(const fs::path& path, const fs::path& source) {
    std::error_code error;
    const fs::file_status own = fs::symlink_status(path, error);
    if (error || !fs::is_symlink(own)) {
        return own;
    }
    const fs::path target = fs::canonical(path, error);
    if (error) {
        throw SystemFailure("cannot follow the link", path.string(), error);
    }
    if (!IsWithin(target, source)) {
        throw Failure{"link " + Quoted(path) + " leads outside the source folder"};
    }
    const fs::file_status status = fs::status(target);
    if (fs::is_directory(status)) {
        throw Failure{"link " + Quoted(path) + " leads to a folder; only links to files are built"};
    }
    return status;
}

// Streams rather than reads whole: pictures and sounds may be larger than a lesson text.
void CopyRegularFile(const fs::path& from, const fs::path& to) {
    UniqueFd in;
    if (const std::error_code error = OpenRegularFile(from.string(), in)) {
        throw SystemFailure("cannot read", from.string(), error);
    }
    fs::create_directories(to.parent_path());
    const UniqueFd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!out) {
        throw SystemFailure("cannot write", to.string(), errno);
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(in.Get(), buffer, sizeof buffer);
        if (got == 0) {
            break;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw SystemFailure("cannot read", from.string(), errno);
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(out.Get(), buffer + done, static_cast<size_t>(got - done));
            if (put < 0 && errno != EINTR) {
                throw SystemFailure("cannot write", to.string(), errno);
            }
            done += std::max<ssize_t>(put, 0);
        }
    }
    if (::fsync(out.Get()) != 0) {
        throw SystemFailure("cannot write", to.string(), errno);
    }
}

// Every file the build makes, with the source it came from, so that two sources that would land
// on one name are refused instead of one silently replacing the other.
class MadeFiles {
  public:
    void Claim(const fs::path& made, const fs::path& source) {
        const auto [at, added] = made_.emplace(made, source);
        if (!added) {
            throw Failure{Quoted(at->second) + " and " + Quoted(source) + " would both become " +
                          Quoted(made)};
        }
    }

  private:
    std::map<fs::path, fs::path> made_;
};

void BuildInto(const fs::path& source, const fs::path& output) {
    MadeFiles made;
    const fs::path index = source / kIndexFile;
    Followed(index, source);
    made.Claim(kIndexFile, index);
    file_tool::WriteReplacing((output / kIndexFile).string(),
                              ToCodePage(file_tool::ReadWhole(index.string()), index));

    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(source)) {
        const fs::path relative = entry.path().lexically_relative(source);
        if (relative == kIndexFile) {
            continue;
        }
        const fs::file_status status = Followed(entry.path(), source);
        if (fs::is_directory(status)) {
            continue;
        }
        if (!fs::is_regular_file(status)) {
            throw Failure{Quoted(entry.path()) + " is neither a regular file nor a folder"};
        }
        if (*relative.begin() == "lessons") {
            if (entry.path().extension() == ".txt") {
                const fs::path lesson = entry.path().stem().concat(".dat");
                made.Claim(lesson, entry.path());
                const std::string text = file_tool::ReadWhole(entry.path().string());
                file_tool::WriteReplacing((output / lesson).string(),
                                          LzwEncode(ToCodePage(text, entry.path())));
            }
            continue;
        }
        made.Claim(relative, entry.path());
        CopyRegularFile(entry.path(), output / relative);
    }
}

// A new folder next to the output, removed with whatever it holds when the build ends: the
// pieces of a failed build, or the old course that a successful one swapped out.
class TemporaryFolder {
  public:
    explicit TemporaryFolder(const fs::path& output) {
        std::string pattern =
            (output.parent_path() / ("." + output.filename().string() + ".build-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw SystemFailure("cannot make a folder next to", output.string(), errno);
        }
        path_ = pattern;
        // mkdtemp makes the folder private; the course should get a new folder's usual mode.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        fs::permissions(path_, static_cast<fs::perms>(0777 & ~mask));
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const fs::path& Path() const { return path_; }

  private:
    fs::path path_;
};

// An existing output folder is replaced whole, so it must be one this tool could have made:
// empty, or a built course. Anything else (a home folder given by mistake) is left alone.
void RefuseOutput(const fs::path& output, const fs::path& source) {
    if (output.filename().empty()) {
        throw Failure{"output " + Quoted(output) + " cannot be replaced"};
    }
    file_tool::RefuseOutputUnless(output.string(), "a folder");
    if (IsWithin(output, source)) {
        throw Failure{"output " + Quoted(output) + " lies inside the source folder " +
                      Quoted(source)};
    }
    if (IsWithin(source, output)) {
        throw Failure{"source " + Quoted(source) + " lies inside the output folder " +
                      Quoted(output) + ", which the build replaces"};
    }
    if (fs::is_directory(fs::symlink_status(output)) && !fs::is_empty(output) &&
        !fs::exists(fs::symlink_status(output / kIndexFile))) {
        throw Failure{"output " + Quoted(output) +
                      " is a folder that holds no built course; it is not replaced"};
    }
}

// Where OUTPUT is, its folder resolved but not OUTPUT itself: a link there is refused, not
// followed.
fs::path OutputLocation(const fs::path& output) {
    fs::path location = fs::absolute(output).lexically_normal();
    if (location.filename().empty()) {
        location = location.parent_path();
    }
    return fs::weakly_canonical(location.parent_path()) / location.filename();
}

void PutInPlace(const fs::path& built, const fs::path& output) {
    if (!fs::exists(fs::symlink_status(output))) {
        if (::rename(built.c_str(), output.c_str()) != 0) {
            throw SystemFailure("cannot move the course to", output.string(), errno);
        }
        return;
    }
    // One step, so that OUTPUT is never missing; the old course ends up in the temporary folder.
    if (::renameat2(AT_FDCWD, built.c_str(), AT_FDCWD, output.c_str(), RENAME_EXCHANGE) != 0) {
        throw SystemFailure("cannot replace", output.string(), errno);
    }
}

void BuildCourse(const fs::path& sourceArgument, const fs::path& outputArgument) {
    const fs::path source = fs::canonical(sourceArgument);
    if (!fs::is_directory(source)) {
        throw Failure{"source " + Quoted(sourceArgument) + " is not a folder"};
    }
    const fs::path output = OutputLocation(outputArgument);
    RefuseOutput(output, source);
    fs::create_directories(output.parent_path());
    const TemporaryFolder building(output);
    BuildInto(source, building.Path());
    PutInPlace(building.Path(), output);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: quorvan-build-course SOURCE_DIR OUTPUT_DIR\n");
        return 2;
    }
    try {
        BuildCourse(argv[1], argv[2]);
    } catch (const Failure& failure) {
        std::fprintf(stderr, "quorvan-build-course: %s\n", failure.message.c_str());
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quorvan-build-course: %s\n", error.what());
        return 1;
    }
    return 0;
}
