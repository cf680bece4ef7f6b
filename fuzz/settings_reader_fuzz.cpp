// Reads arbitrary bytes as a settings file, then checks that writing the record and reading it
// back gives the same record: whatever the reader accepts, the writer must be able to store.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "settings/tutor_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TutorSettings first;
    ParseSettings(first, std::string_view(reinterpret_cast<const char*>(data), size));

    const std::string bytes = SerializeSettings(first);
    if (bytes.size() != 64 + first.strCharacter1.size() + first.strCharacter2.size()) {
        std::abort();
    }
    TutorSettings second;
    ParseSettings(second, bytes);
    if (!(second == first) || SerializeSettings(second) != bytes) {
        std::abort();
    }
    return 0;
}
