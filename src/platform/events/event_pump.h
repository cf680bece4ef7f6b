#pragma once

// The nested pump of code that waits on the GUI thread while the program keeps running (the
// sentence speaker's wait for the end of an utterance, a voice's wait for a phonetic sound).
//
// Contract, common to every backend: one call is one pass of the thread's event dispatcher. If
// nothing is pending it sleeps until something arrives (a posted event such as the voice
// notification, a timer coming due, input), then dispatches everything that is ready at that
// moment, including every event posted so far, and returns. So it returns after at least one
// dispatch, possibly after several, and never spins while nothing happens. Handlers run inside it
// and may re-enter the caller. Signalling a Waitable does not wake it, so a backend that signals
// the end of an utterance also posts the voice notification. GUI thread only.
class EventPump {
  public:
    virtual ~EventPump() = default;
    virtual void PumpOne() = 0;
};
