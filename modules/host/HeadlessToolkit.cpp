#include "host/HeadlessToolkit.h"

#include <wx/gdicmn.h>
#include <wx/image.h>
#include <wx/log.h>

namespace vdhost {

HeadlessToolkit::HeadlessToolkit()
{
    initializer = std::make_unique<wxInitializer>();
    if (!initializer->IsOk())
        return;
    wxInitializeStockLists();
    wxInitAllImageHandlers();
    // Diagnostics belong in the debug log, not in a modal box nobody can close.
    delete wxLog::SetActiveTarget(new wxLogStderr());
    wxLog::SetLogLevel(wxLOG_Warning);
}

HeadlessToolkit::~HeadlessToolkit()
{
    if (initializer && initializer->IsOk())
        wxDeleteStockLists();
}

bool HeadlessToolkit::IsOk() const
{
    return initializer && initializer->IsOk();
}

} // namespace vdhost
