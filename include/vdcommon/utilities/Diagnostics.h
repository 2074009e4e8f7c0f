#pragma once
#include "vdcommon/Export.h"
// One place where the library speaks. Every progress, debug, warning and error line the
// library produces goes through the sink the host sets; the library itself never writes
// to a stream. Without a host sink, progress lines and warnings go to standard output and
// debug lines to the toolkit's debug log, as the library has always done.

#include <memory>
#include <string>
#include <string_view>

namespace diagnostics {

enum class Level {
    Debug,   // detail for developers (the toolkit's debug log by default)
    Info,    // progress lines ("------- Adding font search path: ...")
    Warning, // something was left out or replaced, the result is still usable
    Error,   // an operation failed; usually followed by an exception
};

// "debug", "info", "warning", "error".
VDCOMMON_API std::string_view LevelName(Level level);

// Receives every line; called from any thread (the pipeline's workers too), one call
// at a time per sink: Emit serialises calls.
class VDCOMMON_API Sink
{
public:
    virtual ~Sink() = default;
    virtual void Write(Level level, std::string_view line) = 0;
};

// Replaces the process-wide sink; null restores the default. Returns the previous one
// (null when it was the default).
VDCOMMON_API std::shared_ptr<Sink> SetSink(std::shared_ptr<Sink> sink);

// The sink the library writes to now (never null).
VDCOMMON_API std::shared_ptr<Sink> GetSink();

// Sends one line (no line end) to the current sink.
VDCOMMON_API void Emit(Level level, std::string_view line);

inline void Debug(std::string_view line)
{
    Emit(Level::Debug, line);
}
inline void Info(std::string_view line)
{
    Emit(Level::Info, line);
}
inline void Warning(std::string_view line)
{
    Emit(Level::Warning, line);
}
inline void Error(std::string_view line)
{
    Emit(Level::Error, line);
}

// Installs a sink for the lifetime of the object and restores the previous one.
class VDCOMMON_API ScopedSink
{
public:
    explicit ScopedSink(std::shared_ptr<Sink> sink);
    ~ScopedSink();
    ScopedSink(const ScopedSink&) = delete;
    ScopedSink& operator=(const ScopedSink&) = delete;

private:
    std::shared_ptr<Sink> previous;
};

} // namespace diagnostics
