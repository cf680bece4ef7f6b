#pragma once

#include "platform/events/event_pump.h"
#include "support/virtual_clock.h"

// The nested pump in virtual time: each pass delivers the posted events (the voice
// notifications), then moves the clock to its next scheduled action (a timer tick, the end of a
// scripted utterance) and runs it. Waiting code that nothing will ever wake is a test fault: the
// pump then stops the test run with a message instead of spinning (when nothing at all is
// scheduled, or once a virtual day has passed).
class VirtualPump final : public EventPump {
  public:
    explicit VirtualPump(VirtualClock& clock) : clock_(clock) {}
    void PumpOne() override;

  private:
    VirtualClock& clock_;
};
