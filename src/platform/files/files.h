#pragma once

#include <optional>
#include <string>
#include <string_view>

// Places in the file system: the current directory, the program's own directories, and the
// backslash-separated names the program uses for files of a course.

// The absolute path of the current directory; empty if it cannot be read (for example when it
// has been removed).
std::string CurrentDirectory();

// Makes a directory current for the lifetime of the object and then restores the previous one,
// also when the scope is left by an exception. The previous directory is held open, so it is
// restored even if it has been renamed meanwhile. When the change fails (missing directory, no
// permission) nothing changes and Changed() is false; callers then go on in the current directory.
// Scopes nest. The current directory belongs to the process, so use this on one thread only.
class ScopedCurrentDirectory {
  public:
    explicit ScopedCurrentDirectory(const std::string& directory);
    ~ScopedCurrentDirectory();
    ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
    ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

    bool Changed() const { return previous_ >= 0; }

  private:
    int previous_ = -1;  // descriptor of the directory to go back to, -1 when nothing changed
};

// Turns a name written with backslashes ("W\\bkg.gif", "\\Viseme\\viseme.idx") into a file-system
// path: every backslash becomes '/', and runs of separators become one. A name that begins with a
// backslash names something below the current directory, so that separator is dropped ("\\Viseme\\"
// becomes "Viseme/"; a name of backslashes only becomes "."). A name that begins with '/' is an
// absolute path and stays one, so a directory followed by a backslash name
// ("/home/a/course" "\\Viseme\\") becomes "/home/a/course/Viseme/". A trailing separator is kept.
std::string NativePath(std::string_view designName);

// The directory of the running executable (symbolic links resolved); empty if unknown.
std::string ExecutableDirectory();

// The program's data directory: "<executable directory>/../share/quorvan", normalised. It is the
// same for the build tree (bin/ and share/quorvan/ side by side) and for an installed tree
// (prefix/bin, prefix/share/quorvan). Empty if the executable directory is unknown. The directory
// is not required to exist.
std::string DataDirectory();

// The whole content of a file, or nothing when it cannot be opened or read; errno then says why.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Replaces the content of `path` in one step: the bytes go to a new file in the same directory,
// which is synced and renamed over the old one. A replaced file keeps its permission bits; a new
// one gets 0666 less the umask. On failure the old file is as it was, no temporary file is left,
// and errno says why.
bool ReplaceFile(const std::string& path, std::string_view bytes);
