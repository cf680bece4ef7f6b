#include "app/display_platform.h"

std::optional<std::string> ChooseQtPlatform(const char* qtQpaPlatform, const char* display) {
    const bool chosen = qtQpaPlatform != nullptr && *qtQpaPlatform != '\0';
    const bool x11 = display != nullptr && *display != '\0';
    if (chosen || !x11) {
        return std::nullopt;
    }
    return "xcb;wayland";
}
