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
        }
        return "unknown character agent error";
    }
};

}  // namespace

const std::error_category& AgentErrorCategory() {
    static const AgentErrorCategoryImpl kCategory;
    return kCategory;
}

std::error_code make_error_code(AgentError error) {
    return {static_cast<int>(error), AgentErrorCategory()};
}
