#include "vdcommon/utilities/Diagnostics.h"

#include <gtest/gtest.h>

#include <thread>
#include <utility>
#include <vector>

namespace {

struct CapturingSink : diagnostics::Sink {
    std::vector<std::pair<diagnostics::Level, std::string>> lines;
    void Write(diagnostics::Level level, std::string_view line) override { lines.emplace_back(level, line); }
};

TEST(Diagnostics, HostSinkReceivesEveryLineFromEveryThreadAndIsRestored)
{
    auto outer = std::make_shared<CapturingSink>();
    diagnostics::ScopedSink scopedOuter(outer);
    {
        auto inner = std::make_shared<CapturingSink>();
        diagnostics::ScopedSink scopedInner(inner);
        std::vector<std::thread> workers;
        for (int t = 0; t < 4; ++t) {
            workers.emplace_back([] {
                for (int i = 0; i < 500; ++i) {
                    diagnostics::Warning("w");
                }
            });
        }
        for (auto& w : workers) {
            w.join();
        }
        diagnostics::Debug("d");
        ASSERT_EQ(inner->lines.size(), 2001u);
        EXPECT_EQ(inner->lines.back().first, diagnostics::Level::Debug);
        EXPECT_TRUE(outer->lines.empty());
    }
    diagnostics::Info("after");
    ASSERT_EQ(outer->lines.size(), 1u);
    EXPECT_EQ(outer->lines[0].second, "after");
    EXPECT_EQ(diagnostics::LevelName(outer->lines[0].first), "info");
}

} // namespace
