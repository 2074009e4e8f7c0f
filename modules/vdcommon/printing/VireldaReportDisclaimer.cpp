// The disclaimer page that closes every report, with the closed-circuit section for
// ROCC projects. The English texts are also the translation keys.
#include "vdcommon/printing/VireldaReport.h"
#include "vdcommon/report/ITranslationProvider.h"

#include <wx/string.h>

namespace {

const char* const disclaimerTitle = "Disclaimer";

const char* const mainDisclaimerText =
    "Virelda is a design program for water-treatment plants that use ion-exchange resins, "
    "reverse-osmosis membranes or ultrafiltration membranes. It is intended to help trained "
    "engineers with the preliminary design of such plants and with the selection of suitable "
    "products. The results in this report are calculated from the data entered by the user and "
    "from the product data stored in the program at the time of its release.\n"
    "\n"
    "The design know-how, calculation methods and product information provided by this program "
    "are given in good faith and reflect our knowledge at the time of release. They are provided "
    "without warranty of any kind, express or implied, including any warranty of fitness for a "
    "particular purpose or of freedom from errors. The actual performance of a plant depends on "
    "the feed water, the pretreatment, the operating conditions and the maintenance, and it may "
    "differ from the calculated values.\n"
    "\n"
    "The user alone is responsible for verifying the results of this report and for making sure "
    "that the selected products are suitable for the intended use. This includes compliance with "
    "all applicable laws, regulations, standards and approvals, in particular for drinking-water "
    "and food applications. Nothing in this report is a guarantee of product properties or a "
    "recommendation to use a product in a way that infringes the rights of others.\n"
    "\n"
    "The maker of this program accepts no liability for damage or loss of any kind arising from "
    "the use of this report or of the program, except where such liability is required by law. "
    "Product data, this report and the program may change without notice.";

const char* const noteLabel = "Note";

const char* const roccDisclaimerText =
    "The reverse-osmosis membranes recommended in this design may not be available in every "
    "region; please confirm their availability with your sales representative before the design "
    "is finalised. Closed-circuit reverse-osmosis operation, as calculated in this report, may be "
    "covered by patent rights held by another company. By providing this design, the maker of "
    "this program neither grants nor requires any licence under such rights, and it makes no "
    "statement on whether a licence is needed for a particular plant. Please clarify the patent "
    "situation yourself before you build or operate such a plant.";

// Rich-text markup: the address is a hyperlink.
const char* const roccLinkSentence = "For details on closed-circuit operation, please visit "
                                     "<a href=\"https://www.example.com\">www.example.com</a>.";

// Plain text placed into rich-text markup must not be read as markup: a stray "&" or
// "<" in a translation would otherwise make the whole section unreadable.
wxString EscapeMarkup(const wxString& text)
{
    wxString escaped;
    escaped.reserve(text.length());
    for (const auto ch : text) {
        switch (static_cast<wxUniChar>(ch).GetValue()) {
        case '&': escaped += wxS("&amp;"); break;
        case '<': escaped += wxS("&lt;"); break;
        case '>': escaped += wxS("&gt;"); break;
        default: escaped += ch; break;
        }
    }
    return escaped;
}

} // namespace

wxString VireldaReport::TranslateText(const char* text) const
{
    return wxString::FromUTF8(translationProvider.Translate(text));
}

void VireldaReport::AddDisclaimer()
{
    PdfDocument::AddPage(-1, true);
    AddDisclaimerHeader();
    AddDisclaimerMainPart();
    if (HasROCC()) {
        AddROCCDisclaimer();
    }
}

void VireldaReport::AddDisclaimerHeader()
{
    const wxString title = TranslateText(disclaimerTitle);
    Bookmark(title, 0, 0);
    SetFont(GetDefaultFont(), wxS("B"), 11);
    SetXY(10, 35);
    Cell(50, 5, title, PdfBorder::None, 0, PdfAlignLeft, false, PdfLink());
}

void VireldaReport::AddDisclaimerMainPart()
{
    SetFont(GetDefaultFont(), wxEmptyString, 11);
    SetXY(10, 45);
    MultiCell(275, 5, TranslateText(mainDisclaimerText), PdfBorder::None, PdfAlignJustify, false, 0);
}

void VireldaReport::AddROCCDisclaimer()
{
    const double leftMargin = GetLeftMargin();
    const double indented = leftMargin + GetCellMargin();
    SetLeftMargin(indented);
    SetXY(indented, GetY() + 5);
    const wxString link = TranslateText(roccLinkSentence);
    const wxString text = TranslateText(roccDisclaimerText);
    const wxString note = TranslateText(noteLabel);
    // Kept as a wide string throughout, so translated characters of any script survive.
    WriteXml(wxS("<b>") + EscapeMarkup(note) + wxS(":</b><br />") + EscapeMarkup(text) + wxS("<br />") + link);
    SetLeftMargin(leftMargin);
}
