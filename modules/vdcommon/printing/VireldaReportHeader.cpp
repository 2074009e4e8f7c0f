// The page header drawn on every page: logos, titles, module type, rule, timestamp
// and page number. Positions are absolute, laid out for a landscape A4 page in mm.
#include "vdcommon/printing/VireldaReport.h"
#include "vdcommon/utilities/Diagnostics.h"
#include "vdcommon/utilities/ImageHeader.h"

#include <fmt/format.h>

#include <wx/string.h>

void VireldaReport::Header()
{
    AddHeaderLogos();
    AddMainTitle();
    AddLongTitle();
    AddShortTitle();
    AddModuleType();
    AddHeaderLine();
    AddTimestamp();
    AddPageNumber();
}

void VireldaReport::AddHeaderLogos()
{
    const wxString logo = GetVireldaLogoFilePath();
    if (!IsImageWithinLimits(logo, "product logo"))
        return;
    Image(logo, 9.5, 10, 30, 0, wxEmptyString, PdfLink(), 0);
    Image(logo, 258, 10, 30, 0, wxEmptyString, PdfLink(), 0);
}

void VireldaReport::AddMainTitle()
{
    SetXY(125, 10);
    SetFont(GetDefaultFont(), wxS("B"), 15);
    Cell(50, 10, wxS("Virelda"), PdfBorder::None, 0, PdfAlignCenter, false, PdfLink());
}

void VireldaReport::AddScaledTitle(const wxString& title, double maxWidth, double x, double y, double cellWidth)
{
    SetFont(GetDefaultFont(), wxEmptyString, 10);
    const double width = GetStringWidth(title);
    if (width > maxWidth) {
        // The width grows linearly with the size: this size makes the title exactly maxWidth.
        SetFont(GetDefaultFont(), wxEmptyString, 10 * maxWidth / width);
    }
    SetXY(x, y);
    Cell(cellWidth, 5, title, PdfBorder::None, 0, PdfAlignCenter, false, PdfLink());
}

void VireldaReport::AddLongTitle()
{
    if (HasLongTitle()) {
        AddScaledTitle(GetLongTitle(), 200, 45, 17.5, 206);
    }
}

void VireldaReport::AddShortTitle()
{
    if (HasShortTitle()) {
        AddScaledTitle(GetShortTitle(), 120, 90, 23.5, 120);
    }
}

void VireldaReport::AddModuleType()
{
    SetFont(GetDefaultFont(), wxEmptyString, 9);
    SetXY(45, 23.5);
    Cell(80, 5, GetModuleType(), PdfBorder::None, 0, PdfAlignLeft, false, PdfLink());
}

void VireldaReport::AddHeaderLine()
{
    SetFont(GetDefaultFont(), wxEmptyString, 9);
    Line(10, 23, 286, 23);
    SetXY(9.5, 23.5);
}

void VireldaReport::AddTimestamp()
{
    Cell(30, 5, GetTimeStamp(), PdfBorder::None, 0, PdfAlignLeft, false, PdfLink());
    SetXY(268, 23.5);
}

void VireldaReport::AddPageNumber()
{
    SetFont(wxS("Arial"), wxEmptyString, 0);
    Cell(20, 5, wxString::Format(wxS("%d/{nb}"), PageNo()), PdfBorder::None, 0, PdfAlignRight, false, PdfLink());
    SetY(30);
    SetFont(GetDefaultFont(), wxEmptyString, 0);
}

bool VireldaReport::IsImageWithinLimits(const wxString& path, const char* what)
{
    const auto known = imageWithinLimits.find(path);
    if (known != imageWithinLimits.end())
        return known->second;
    const std::string reason = imageheader::CheckPixels(path.utf8_string());
    if (!reason.empty())
        diagnostics::Warning(fmt::format("{} left out: {} has {}", what, path.utf8_string(), reason));
    imageWithinLimits[path] = reason.empty();
    return reason.empty();
}
