#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// A new, empty folder under the system's temporary directory for one test, removed with
// everything in it when the object goes. Failures to make or fill it throw, so that a test never
// goes on with files that are not there.
class ScratchDirectory {
  public:
    // `purpose` goes into the folder's name, so that one left behind tells which test made it.
    explicit ScratchDirectory(std::string_view purpose);
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    // The folder, with symbolic links resolved, so that it compares equal to a current directory.
    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path Path(std::string_view name) const { return path_ / name; }

    // Makes the folder the current directory until the object goes; the directory that was
    // current now is restored then, wherever the test went in between.
    void Enter();

    // Writes a file inside the folder, making the folders on its way.
    void Write(std::string_view name, std::string_view bytes) const;
    // A file's bytes; empty when it cannot be read.
    std::string Read(std::string_view name) const;
    bool Exists(std::string_view name) const;
    // The names directly inside the folder, or inside `folder` in it, sorted.
    std::vector<std::string> Names(std::string_view folder = {}) const;

  private:
    std::filesystem::path path_;
    std::filesystem::path previous_;  // empty until Enter()
};
