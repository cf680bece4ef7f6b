#pragma once

// The study modes of the lesson view and its window timers. The values are fixed: the step timer
// of a mode has the id IDT_REPEAT_WAIT + mode.

enum StudyMode : int {
    MODE_IDLE = 0,
    MODE_READ = 1,
    MODE_READALONG = 3,
    MODE_REPEAT = 4,
    MODE_DICTATION = 5,
};

enum StudyTimer : int {
    IDT_READ_WAIT = 301,       // polls for the end of a line read aloud
    IDT_DRILL_WAIT = 302,      // polls for the end of a line of read-along or dictation
    IDT_REPEAT_WAIT = 304,     // polls for the end of a repeated line
    IDT_READ_STEP = 305,       // one shot: on to the next line
    IDT_READALONG_STEP = 307,  // one shot: replay or next line
    IDT_REPEAT_STEP = 308,     // one shot: the same line again
    IDT_DICTATION_STEP = 309,  // one shot: replay or next line, hidden
    IDT_NEXT_PIECE = 310,      // speaks the next run of the speak queue
};
