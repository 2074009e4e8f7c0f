#include "vdcommon/utilities/Limits.h"

#include <mutex>

namespace limits {
namespace {

struct State {
    std::mutex mutex;
    Limits limits;
};

State& GetState()
{
    static State state;
    return state;
}

} // namespace

Limits Get()
{
    State& state = GetState();
    std::lock_guard lock(state.mutex);
    return state.limits;
}

void Set(const Limits& limits)
{
    State& state = GetState();
    std::lock_guard lock(state.mutex);
    state.limits = limits;
}

ScopedLimits::ScopedLimits(const Limits& limits) : previous(Get())
{
    Set(limits);
}

ScopedLimits::~ScopedLimits()
{
    Set(previous);
}

} // namespace limits
