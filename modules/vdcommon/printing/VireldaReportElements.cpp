// The report markup: the walk over the tree and the element handlers.
#include "vdcommon/printing/VireldaReport.h"
#include "vdcommon/printing/XMLHelpers.h"

#include <wx/xml/xml.h>

namespace {

// Element nodes only take part in the walk; text, comments and the like are skipped.
bool IsElement(const wxXmlNode* node)
{
    return node->GetType() == wxXML_ELEMENT_NODE;
}

} // namespace

void VireldaReport::CreateXMLHandlerMap()
{
    const auto bind = [this](void (VireldaReport::*handler)(const wxXmlNode*)) {
        return [this, handler](const wxXmlNode* node) { (this->*handler)(node); };
    };
    xmlHandlers[wxS("projecttype")] = bind(&VireldaReport::GetProjectTypeFromXML);
    xmlHandlers[wxS("projecttitle")] = bind(&VireldaReport::GetProjectTitleFromXML);
    xmlHandlers[wxS("page")] = bind(static_cast<void (VireldaReport::*)(const wxXmlNode*)>(&VireldaReport::AddPage));
    xmlHandlers[wxS("companylogo")] = bind(&VireldaReport::AddCompanyLogo);
    xmlHandlers[wxS("bookmark")] = bind(&VireldaReport::AddBookmark);
    xmlHandlers[wxS("setxy")] = bind(&VireldaReport::SetPosition);
    xmlHandlers[wxS("ln")] = bind(&VireldaReport::AddLineFeed);
    xmlHandlers[wxS("cell")] = bind(&VireldaReport::AddCell);
    xmlHandlers[wxS("xmlcell")] = bind(&VireldaReport::AddXMLCell);
    xmlHandlers[wxS("diagram")] = bind(&VireldaReport::AddDiagram);
    xmlHandlers[wxS("notes")] = bind(&VireldaReport::AddMessages);
    xmlHandlers[wxS("plantoverview")] = bind(&VireldaReport::AddPlantOverview);
    xmlHandlers[wxS("plantoverview_xml")] = bind(&VireldaReport::AddPlantOverviewXml);
}

// Depth-first, pre-order: every element below the root runs its handler before its
// own children are visited; the root itself is never looked up.
void VireldaReport::CreateReportPartFromXML(const wxXmlNode* root)
{
    if (root == nullptr) {
        return;
    }
    for (const wxXmlNode* child = root->GetChildren(); child != nullptr; child = child->GetNext()) {
        InterpretTree(child);
    }
}

// The walk follows parent and sibling links instead of recursing, so markup of any
// depth is safe; it never leaves the subtree of `top`.
void VireldaReport::InterpretTree(const wxXmlNode* top)
{
    const wxXmlNode* node = top;
    while (node != nullptr) {
        const wxXmlNode* next = nullptr;
        if (IsElement(node)) {
            CallXmlNodeHandler(node);
            next = node->GetChildren();
        }
        // No children (or not an element): the next sibling, else the next sibling of
        // the nearest ancestor below `top` that has one.
        while (next == nullptr && node != top) {
            next = node->GetNext();
            if (next == nullptr) {
                node = node->GetParent();
            }
        }
        node = next;
    }
}

void VireldaReport::CallXmlNodeHandler(const wxXmlNode* node) const
{
    const auto it = xmlHandlers.find(node->GetName().Lower());
    if (it != xmlHandlers.end()) {
        it->second(node);
    }
}

wxPoint VireldaReport::GetPenPoint() const
{
    return wxPoint(XMLHelpers::ToIntTruncated(GetX()), XMLHelpers::ToIntTruncated(GetY()));
}

void VireldaReport::GetProjectTypeFromXML(const wxXmlNode* node)
{
    const wxString type = XMLHelpers::GetNodeContent(node);
    SetCurrentComponentType(type);
    SetHasROCC(type == wxS("ROCC"));
}

void VireldaReport::GetProjectTitleFromXML(const wxXmlNode* node)
{
    // The chapter name is plain text, or a "msg" element when the style sheet wants it
    // translated like every other text of the page.
    for (const wxXmlNode* child = node->GetChildren(); child != nullptr; child = child->GetNext()) {
        if (child->GetType() == wxXML_ELEMENT_NODE && child->GetName() == wxS("msg")) {
            SetModuleType(XMLHelpers::GetNodeContent(child));
            return;
        }
    }
    SetModuleType(XMLHelpers::GetNodeContent(node));
}

void VireldaReport::AddPage(const wxXmlNode* /*node*/)
{
    PdfDocument::AddPage(-1, true);
}

void VireldaReport::AddCompanyLogo(const wxXmlNode* node)
{
    if (!HasCompanyLogo() || !IsImageWithinLimits(config.companyLogoPath, "company logo")) {
        return;
    }
    const wxPoint at = XMLHelpers::AttributePairAsPoint(node, {wxS("x"), wxS("y")}, GetPenPoint());
    SetXY(at.x, at.y);
    Image(config.companyLogoPath, at.x, at.y, 40, 0, wxEmptyString, PdfLink(), 0);
}

void VireldaReport::AddBookmark(const wxXmlNode* node)
{
    Bookmark(XMLHelpers::AttributeAsLocalizedString(node, wxS("label")), XMLHelpers::AttributeAsInt(node, wxS("level")),
             XMLHelpers::AttributeAsDouble(node, wxS("position")));
}

void VireldaReport::SetPosition(const wxXmlNode* node)
{
    const wxPoint to = XMLHelpers::AttributePairAsPoint(node, {wxS("x"), wxS("y")}, GetPenPoint());
    SetXY(to.x, to.y);
}

void VireldaReport::AddLineFeed(const wxXmlNode* node)
{
    const wxString height = XMLHelpers::AttributeAsString(node, wxS("height"), wxEmptyString);
    if (height.empty()) {
        Ln(-1);
    } else {
        Ln(PdfUtility::String2Double(height));
    }
}

void VireldaReport::AddCell(const wxXmlNode* node)
{
    const wxPoint size = XMLHelpers::AttributePairAsPoint(node, {wxS("width"), wxS("height")}, wxPoint(0, 0));
    const bool fill = XMLHelpers::AttributeAsBool(node, wxS("fill"));
    const PdfAlignment align = XMLHelpers::AttributeAsAlignment(node);
    const bool ln = XMLHelpers::AttributeAsBool(node, wxS("ln"));
    const int border = XMLHelpers::AttributeAsBorderType(node);
    const wxString text = XMLHelpers::GetNodeContent(node);
    Cell(size.x, size.y, text, border, ln ? 1 : 0, align, fill, PdfLink());
}

void VireldaReport::AddXMLCell(const wxXmlNode* node)
{
    const double leftMargin = GetLeftMargin();
    const double rightMargin = GetRightMargin();
    const double x = GetX();
    SetLeftMargin(x);
    const wxPoint size = XMLHelpers::AttributePairAsPoint(node, {wxS("width"), wxS("height")}, wxPoint(0, 0));
    if (size.x > 0) {
        SetRightMargin(GetPageWidth() - x - size.x);
    }
    // The rich-text writer only reads the element's children.
    WriteXml(const_cast<wxXmlNode*>(node));
    SetLeftMargin(leftMargin);
    SetRightMargin(rightMargin);
}

// Diagrams are drawn without page breaks; afterwards automatic breaks resume with no
// bottom margin.
void VireldaReport::AddDiagram(const wxXmlNode* node)
{
    DisableAutoPageBreak();
    CallDiagramNodeHandler(node);
    EnableAutoPageBreak();
}

void VireldaReport::CallDiagramNodeHandler(const wxXmlNode* node) const
{
    const wxString type = XMLHelpers::AttributeAsString(node, wxS("type"), wxEmptyString).Lower();
    const wxPoint position = XMLHelpers::AttributePairAsPoint(node, {wxS("x"), wxS("y")}, wxPoint(0, 0));
    const int width = XMLHelpers::AttributeAsInt(node, wxS("width"));
    const auto it = diagramHandlers.find(type);
    if (it != diagramHandlers.end()) {
        it->second(node, position, static_cast<double>(width));
    }
}
