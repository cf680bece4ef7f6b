#include "content/lzw_encoder.h"
#include "file_tool.h"

int main(int argc, char** argv) {
    return file_tool::Run(argc, argv, "quorvan-pack",
                          "Compresses INPUT into the lesson file OUTPUT.",
                          [](const std::string& text) { return LzwEncode(text); });
}
