#include "content/lzw_decoder.h"
#include "file_tool.h"

// Writes exactly the declared length, as the tutor does with the text of an opened lesson; a
// damaged lesson file yields whatever the decoder makes of it.
int main(int argc, char** argv) {
    return file_tool::Run(
        argc, argv, "quorvan-unpack", "Expands the lesson file INPUT into OUTPUT.",
        [](const std::string& file) {
            CLzwDecoder decoder;
            decoder.Decode(reinterpret_cast<const unsigned char*>(file.data()), file.size());
            return std::string(reinterpret_cast<const char*>(decoder.Output()), decoder.Length());
        });
}
