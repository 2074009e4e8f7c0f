#pragma once
// Small geometry shared by the PDF layer's drawing code.

namespace vdpdf {

// A rectangle given with a negative width or height as the same rectangle with positive
// ones: (x, y) moves to the corner with the smallest coordinates.
template <typename T>
void NormaliseRect(T& x, T& y, T& w, T& h)
{
    if (w < 0) {
        x += w;
        w = -w;
    }
    if (h < 0) {
        y += h;
        h = -h;
    }
}

} // namespace vdpdf
