#pragma once

#include "platform/events/event_pump.h"

// The pump of the Qt event loop of the calling thread; needs the application object.
class QtEventPump final : public EventPump {
  public:
    void PumpOne() override;
};
