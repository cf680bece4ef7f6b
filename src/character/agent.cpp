#include "character/agent.h"

namespace {

class AgentErrorCategoryImpl : public std::error_category {
  public:
    const char* name() const noexcept override { return "character agent"; }
    std::string message(int value) const override {
        switch (static_cast<AgentError>(value)) {
            case AgentError::kNoAgent:
                return "no character agent";
            case AgentError::kInvalidFile:
                return "not a valid character file";
            case AgentError::kUnknownId:
                return "no such character";
            case AgentError::kNotInFolder:
                return "not a file name in the character folder";
        }
        return "unknown character agent error";
    }
};

}  // namespace

bool IsCharacterFileName(std::string_view name) {
    if (name.empty() || name.size() > 255 || name.front() == '.') {
        return false;
    }
    for (const char c : name) {
        if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return false;
        }
    }
    return true;
}

const std::error_category& AgentErrorCategory() {
    static const AgentErrorCategoryImpl kCategory;
    return kCategory;
}

std::error_code make_error_code(AgentError error) {
    return {static_cast<int>(error), AgentErrorCategory()};
}
