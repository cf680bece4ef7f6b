#include "support/virtual_pump.h"

#include <QCoreApplication>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// No test or soak runs this long: a wait still pumping then waits for what never comes, while
// timers keep ticking.
constexpr std::int64_t kVirtualLimitMs = std::int64_t{24} * 60 * 60 * 1000;

}  // namespace

void VirtualPump::PumpOne() {
    QCoreApplication::sendPostedEvents();
    if (clock_.Now() > kVirtualLimitMs || !clock_.RunNext()) {
        std::fprintf(stderr, "VirtualPump: waiting at %lld ms for something that never comes\n",
                     static_cast<long long>(clock_.Now()));
        std::abort();
    }
    QCoreApplication::sendPostedEvents();
}
