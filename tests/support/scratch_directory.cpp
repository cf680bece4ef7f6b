#include "support/scratch_directory.h"

#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <system_error>

namespace fs = std::filesystem;

ScratchDirectory::ScratchDirectory(std::string_view purpose) {
    std::string pattern =
        (fs::temp_directory_path() / ("quorvan-" + std::string(purpose) + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw fs::filesystem_error("cannot make a scratch directory", pattern,
                                   std::error_code(errno, std::generic_category()));
    }
    path_ = fs::canonical(pattern);
}

ScratchDirectory::~ScratchDirectory() {
    // Never throws: a failure here must not hide the test's own result.
    std::error_code ignored;
    if (!previous_.empty()) {
        fs::current_path(previous_, ignored);
    }
    fs::remove_all(path_, ignored);
}

void ScratchDirectory::Enter() {
    if (previous_.empty()) {
        previous_ = fs::current_path();
    }
    fs::current_path(path_);
}

void ScratchDirectory::Write(std::string_view name, std::string_view bytes) const {
    const fs::path file = Path(name);
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        throw fs::filesystem_error("cannot write a scratch file", file,
                                   std::make_error_code(std::errc::io_error));
    }
}

std::string ScratchDirectory::Read(std::string_view name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool ScratchDirectory::Exists(std::string_view name) const {
    return fs::exists(Path(name));
}

std::vector<std::string> ScratchDirectory::Names(std::string_view folder) const {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(path_ / folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}
