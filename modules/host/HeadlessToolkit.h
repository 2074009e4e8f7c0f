#pragma once
// Starts the toolkit without a display for command-line hosts and tests: colours,
// stock pens and brushes, fonts, images and graphics contexts all work afterwards.
// The library itself never does this; the host owns the toolkit's lifetime.
#include <memory>
#include <wx/init.h>

namespace vdhost {

class HeadlessToolkit
{
public:
    HeadlessToolkit();
    ~HeadlessToolkit();
    HeadlessToolkit(const HeadlessToolkit&) = delete;
    HeadlessToolkit& operator=(const HeadlessToolkit&) = delete;

    bool IsOk() const;

private:
    std::unique_ptr<wxInitializer> initializer;
};

} // namespace vdhost
