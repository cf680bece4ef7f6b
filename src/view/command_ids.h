#pragma once

// The main window's command buttons, by the ids the lesson view enables and disables them by.
enum CommandId : int {
    kStopButton = 1001,
    kReadAloudButton = 1002,
    kNextButton = 1003,
    kPreviousButton = 1004,
    kDictationButton = 1005,
    kRepeatButton = 1006,
    kReadAlongButton = 1007,
    kPractiseButton = 1008,
};
