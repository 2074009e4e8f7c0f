// Compares a render of a converted SVG with its reference picture:
//
//   svg_compare REFERENCE.png RENDER.png [DIFF.png]
//
// RENDER is 4x the reference's size and is box-filtered down 4x; both are flattened on
// white. A pixel differs when a channel differs by more than 25 of 255. Prints the
// fraction of differing pixels; exits 0 when it is under 1 %, 1 when not, 2 on bad input.
#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Pixel (x, y) of `image` flattened on white, channel c.
inline int Flat(const wxImage& image, int x, int y, int c)
{
    const unsigned char* rgb = image.GetData() + (static_cast<size_t>(y) * image.GetWidth() + x) * 3;
    const int alpha = image.HasAlpha() ? image.GetAlpha(x, y) : 255;
    return (rgb[c] * alpha + 255 * (255 - alpha) + 127) / 255;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: svg_compare REFERENCE.png RENDER.png [DIFF.png]\n");
        return 2;
    }
    wxInitializer init;
    wxLog::EnableLogging(false);
    wxImage::AddHandler(new wxPNGHandler);
    wxImage reference, render;
    if (!reference.LoadFile(argv[1], wxBITMAP_TYPE_PNG) || !render.LoadFile(argv[2], wxBITMAP_TYPE_PNG)) {
        std::printf("unreadable\n");
        return 2;
    }
    const int w = reference.GetWidth(), h = reference.GetHeight();
    if (render.GetWidth() < w * 4 || render.GetHeight() < h * 4) {
        std::printf("size %dx%d for %dx%d\n", render.GetWidth(), render.GetHeight(), w, h);
        return 1;
    }
    long differing = 0;
    wxImage diff(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            bool differs = false;
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = 0; dy < 4; ++dy)
                    for (int dx = 0; dx < 4; ++dx)
                        sum += Flat(render, x * 4 + dx, y * 4 + dy, c);
                const int mine = (sum + 8) / 16;
                differs = differs || std::abs(mine - Flat(reference, x, y, c)) > 25;
            }
            differing += differs;
            const int grey = (Flat(reference, x, y, 0) + 510) / 3;
            diff.SetRGB(x, y, differs ? 255 : grey, differs ? 0 : grey, differs ? 0 : grey);
        }
    }
    const double fraction = static_cast<double>(differing) / (static_cast<double>(w) * h);
    std::printf("%.4f\n", fraction);
    if (argc > 3 && fraction >= 0.01)
        diff.SaveFile(argv[3], wxBITMAP_TYPE_PNG);
    return fraction < 0.01 ? 0 : 1;
}
