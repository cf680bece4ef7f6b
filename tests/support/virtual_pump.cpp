#include "support/virtual_pump.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

void VirtualPump::PumpOne() {
    QCoreApplication::sendPostedEvents();
    if (!clock_.RunNext()) {
        std::fprintf(stderr, "VirtualPump: waiting at %lld ms for something that never comes\n",
                     static_cast<long long>(clock_.Now()));
        std::abort();
    }
    QCoreApplication::sendPostedEvents();
}
