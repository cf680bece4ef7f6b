#pragma once

#include <optional>
#include <string>
#include <system_error>

// Where the tutor runs: the course folder is its current directory, where it keeps the learner's
// settings and the opened lesson.

// The folder a run uses: the one named on the command line; else the current directory when it
// holds a course ("cntindex.idx"); else the learner's own course folder,
// $XDG_DATA_HOME/quorvan/course (by default ~/.local/share/quorvan/course). `xdgDataHome` and
// `home` are the environment's values, null when unset.
struct CourseFolderChoice {
    std::string folder;
    // The learner's own folder: made from the sample course when it does not exist yet.
    bool own = false;
};
CourseFolderChoice ChooseCourseFolder(const std::optional<std::string>& given,
                                      const std::string& current, const char* xdgDataHome,
                                      const char* home);

// Where the speaking practice keeps the learner's scores and recordings:
// $XDG_DATA_HOME/quorvan/practice (by default ~/.local/share/quorvan/practice), never inside a
// course. Empty when neither variable names a folder.
std::string PracticeFolder(const char* xdgDataHome, const char* home);

// For the learner's own folder (`choice.own`): makes it as a copy of `sampleCourse` when it does
// not exist, or gives it what it lacks of the sample when its index is missing, never replacing
// anything in it; removes the copies that killed starts left beside it. Starts at the same time
// each make a copy of their own, beside the folder, and the first to move it into place wins, so
// that none ever sees half a course. Then checks that the folder is a directory the tutor can
// write in (it probes with a file of its own, removed at once). The error says why not.
std::error_code PrepareCourseFolder(const CourseFolderChoice& choice,
                                    const std::string& sampleCourse);
