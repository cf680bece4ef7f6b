#pragma once

#include <optional>
#include <string>

// The Qt platform the tutor asks for, or nothing to leave the choice to Qt. Characters are
// windows of their own that the tutor places on the screen, which Wayland does not let a program
// do: with an X display at hand (XWayland in a Wayland session) the tutor takes X, still falling
// back on Wayland when X cannot be reached. A platform the learner has chosen stays.
// `qtQpaPlatform` and `display` are the environment's QT_QPA_PLATFORM and DISPLAY, null when unset.
std::optional<std::string> ChooseQtPlatform(const char* qtQpaPlatform, const char* display);
