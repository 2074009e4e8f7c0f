#include "vdcommon/utilities/Diagnostics.h"

#include <cstdio>
#include <mutex>

#include <wx/log.h>
#include <wx/string.h>

namespace diagnostics {
namespace {

// Progress lines and warnings on standard output, debug lines in the toolkit's debug log.
class DefaultSink final : public Sink
{
public:
    void Write(Level level, std::string_view line) override
    {
        if (level == Level::Debug) {
            wxLogDebug("%s", wxString::FromUTF8(line.data(), line.size()));
            return;
        }
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
};

struct State {
    std::mutex mutex;
    std::shared_ptr<Sink> sink;
    std::shared_ptr<Sink> fallback = std::make_shared<DefaultSink>();
};

State& GetState()
{
    static State state;
    return state;
}

} // namespace

std::string_view LevelName(Level level)
{
    switch (level) {
    case Level::Debug: return "debug";
    case Level::Info: return "info";
    case Level::Warning: return "warning";
    case Level::Error: return "error";
    }
    return "info";
}

std::shared_ptr<Sink> SetSink(std::shared_ptr<Sink> sink)
{
    State& state = GetState();
    std::lock_guard lock(state.mutex);
    std::swap(state.sink, sink);
    return sink;
}

std::shared_ptr<Sink> GetSink()
{
    State& state = GetState();
    std::lock_guard lock(state.mutex);
    return state.sink ? state.sink : state.fallback;
}

void Emit(Level level, std::string_view line)
{
    State& state = GetState();
    std::lock_guard lock(state.mutex);
    Sink& sink = state.sink ? *state.sink : *state.fallback;
    sink.Write(level, line);
}

ScopedSink::ScopedSink(std::shared_ptr<Sink> sink) : previous(SetSink(std::move(sink))) {}

ScopedSink::~ScopedSink()
{
    SetSink(std::move(previous));
}

} // namespace diagnostics
