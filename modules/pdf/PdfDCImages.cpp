// PdfDC's device context: bitmaps, icons and blits from other device contexts.
#include "pdf/PdfDCImpl.h"

#include "vdcommon/pdf/PdfDocument.h"

#include <wx/dcmemory.h>
#include <wx/icon.h>
#include <wx/log.h>

#include <atomic>
#include <cstdlib>

using namespace vdpdf::dc;

namespace {

// A name for an image drawn through a DC; the document stores identical pixels once.
wxString NextImageName()
{
    static std::atomic<unsigned> counter{0};
    return wxString::Format("PdfDC-image-%u", ++counter);
}

// The pixels of `source` in the logical rectangle, cut to what the source holds.
wxBitmap SourcePixels(wxDC* source, wxCoord xsrc, wxCoord ysrc, wxCoord srcWidth, wxCoord srcHeight)
{
    // The source's pixels, in its device units.
    const wxPoint p = source->LogicalToDevice(xsrc, ysrc);
    const wxSize s = source->LogicalToDeviceRel(srcWidth, srcHeight);
    wxRect rect(p.x, p.y, std::abs(s.x), std::abs(s.y));
    wxBitmap bmp;
    if (auto* memory = wxDynamicCast(source, wxMemoryDC)) {
        const wxBitmap& selected = memory->GetSelectedBitmap();
        if (selected.IsOk()) {
            rect.Intersect(wxRect(0, 0, selected.GetWidth(), selected.GetHeight()));
            if (!rect.IsEmpty())
                bmp = selected.GetSubBitmap(rect);
        }
    } else {
        bmp = source->GetAsBitmap(&rect);
    }
    return bmp;
}

} // namespace

void PdfDCImpl::DrawImage(const wxImage& image, double x, double y, double w, double h)
{
    if (!image.IsOk() || !(w > 0) || !(h > 0))
        return;
    doc.Image(NextImageName(), image, x, y, w, h);
}

bool PdfDCImpl::DrawBitmap(const wxBitmap& bmp, bool useMask, UserPoint a, UserPoint b, bool mirrorX, bool mirrorY)
{
    wxImage image = bmp.ConvertToImage();
    if (!image.IsOk())
        return false;
    if (!useMask && image.HasMask())
        image.SetMask(false);
    if (mirrorX)
        image = image.Mirror(true);
    if (mirrorY)
        image = image.Mirror(false);
    const UserRect r = Between(a, b);
    DrawImage(image, r.x, r.y, r.w, r.h);
    return true;
}

void PdfDCImpl::DoDrawBitmap(const wxBitmap& bmp, wxCoord x, wxCoord y, bool useMask)
{
    if (!bmp.IsOk() || !HasTarget())
        return;
    const double lx = x, ly = y;
    const UserPoint a = ToUser(lx, ly), b = ToUser(lx + bmp.GetWidth(), ly + bmp.GetHeight());
    if (!DrawBitmap(bmp, useMask, a, b, ScaleX() < 0, ScaleY() < 0))
        return;
    CalcBoundingBox(x, y, ToInt(lx + bmp.GetWidth()), ToInt(ly + bmp.GetHeight()));
}

void PdfDCImpl::DoDrawIcon(const wxIcon& icon, wxCoord x, wxCoord y)
{
    if (!icon.IsOk())
        return;
    wxBitmap bmp;
    bmp.CopyFromIcon(icon);
    DoDrawBitmap(bmp, x, y, true);
}

bool PdfDCImpl::DoBlit(wxCoord xdest, wxCoord ydest, wxCoord width, wxCoord height, wxDC* source, wxCoord xsrc,
                       wxCoord ysrc, wxRasterOperationMode rop, bool useMask, wxCoord xsrcMask, wxCoord ysrcMask)
{
    return DoStretchBlit(xdest, ydest, width, height, source, xsrc, ysrc, width, height, rop, useMask, xsrcMask,
                         ysrcMask);
}

bool PdfDCImpl::DoStretchBlit(wxCoord xdest, wxCoord ydest, wxCoord dstWidth, wxCoord dstHeight, wxDC* source,
                              wxCoord xsrc, wxCoord ysrc, wxCoord srcWidth, wxCoord srcHeight,
                              wxRasterOperationMode rop, bool useMask, wxCoord, wxCoord)
{
    if (!source || !source->IsOk() || dstWidth == 0 || dstHeight == 0 || srcWidth <= 0 || srcHeight <= 0)
        return false;
    if (rop != wxCOPY)
        wxLogDebug("PdfDC: blit with raster operation %d drawn as a plain copy", static_cast<int>(rop));
    const wxBitmap bmp = SourcePixels(source, xsrc, ysrc, srcWidth, srcHeight);
    if (!bmp.IsOk() || !HasTarget())
        return false;
    const double lx = xdest, ly = ydest;
    const UserPoint a = ToUser(lx, ly), b = ToUser(lx + dstWidth, ly + dstHeight);
    if (!DrawBitmap(bmp, useMask, a, b, (b.x < a.x) != (dstWidth < 0), (b.y < a.y) != (dstHeight < 0)))
        return false;
    CalcBoundingBox(xdest, ydest, ToInt(lx + dstWidth), ToInt(ly + dstHeight));
    return true;
}
