#include "vdcommon/diagrams/DrawUtilities.h"

#include <cmath>

namespace drawUtilities {

void AddArrowToPath(wxGraphicsPath* path, const wxPoint2DDouble& from, const wxPoint2DDouble& to, double length,
                    double angleDegrees)
{
    if (!path)
        return;
    path->MoveToPoint(from);
    path->AddLineToPoint(to);

    const double dx = to.m_x - from.m_x;
    const double dy = to.m_y - from.m_y;
    const double squared = dx * dx + dy * dy;
    // A zero-length segment has no direction; dividing by it would put NaN into the
    // picture, so such a segment stays without a head.
    if (!(squared > 0.0))
        return;
    const double k = std::sqrt(length * length / squared);
    const double ux = k * dx;
    const double uy = k * dy;

    constexpr double pi = 3.14159265;
    const auto wing = [&](double angle) {
        const double c = std::cos(angle);
        const double s = std::sin(angle);
        return wxPoint2DDouble(to.m_x - std::trunc(ux * c - uy * s), to.m_y - std::trunc(ux * s + uy * c));
    };
    const wxPoint2DDouble wing1 = wing(-angleDegrees * pi / 180.0);
    const wxPoint2DDouble wing2 = wing(angleDegrees * pi / 180.0);
    if (!std::isfinite(wing1.m_x) || !std::isfinite(wing1.m_y) || !std::isfinite(wing2.m_x) ||
        !std::isfinite(wing2.m_y))
        return;
    path->AddLineToPoint(wing1);
    path->MoveToPoint(to);
    path->AddLineToPoint(wing2);
}

} // namespace drawUtilities
