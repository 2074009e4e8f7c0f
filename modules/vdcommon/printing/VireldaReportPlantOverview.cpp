// The `plantoverview` and `plantoverview_xml` elements: SVG plant graphics, loaded by
// the host per project or by the report from a file or the resource archive, with
// texts put into them, drawn by the SVG renderer.
#include "vdcommon/printing/VireldaReport.h"
#include "vdcommon/printing/XMLHelpers.h"
#include "vdcommon/utilities/Diagnostics.h"

#include "vdcommon/report/StaticReplaceMapping.h"
#include "vdcommon/report/TextReplaceMapping.h"
#include "vdcommon/svg/SvgToPdfConverter.h"
#include "vdcommon/utilities/ScopedLanguageSwitch.h"

#include <wx/log.h>
#include <wx/xml/xml.h>

#include <fmt/format.h>

#include <stdexcept>

namespace {

// The step number of the element; throws for a missing or non-integer `stepid`.
long ReadStepId(const wxXmlNode* node)
{
    const wxString step = node->GetAttribute(wxS("stepid"), wxEmptyString);
    if (step.empty()) {
        throw std::runtime_error("XSLT attribute stepid missing");
    }
    long value = 0;
    if (!step.ToLong(&value, 10)) {
        throw std::runtime_error("Invalid XSLT attribute stepid");
    }
    return value;
}

// First text node below `node` in document order, or null.
wxXmlNode* FirstTextBelow(wxXmlNode* node)
{
    for (wxXmlNode* child = node->GetChildren(); child; child = child->GetNext()) {
        if (child->GetType() == wxXML_TEXT_NODE) {
            return child;
        }
        if (wxXmlNode* found = FirstTextBelow(child)) {
            return found;
        }
    }
    return nullptr;
}

// The text a mapping at `node` writes to: its own first text first, else the first
// text of the siblings that follow it.
wxXmlNode* TextTarget(wxXmlNode* node)
{
    if (wxXmlNode* found = FirstTextBelow(node)) {
        return found;
    }
    for (wxXmlNode* sibling = node->GetNext(); sibling; sibling = sibling->GetNext()) {
        if (sibling->GetType() == wxXML_TEXT_NODE) {
            return sibling;
        }
        if (wxXmlNode* found = FirstTextBelow(sibling)) {
            return found;
        }
    }
    return nullptr;
}

void ReplaceTexts(wxXmlNode* node, const std::vector<std::shared_ptr<TextReplaceMapping>>& replacements,
                  const wxString& unitSystemId)
{
    // Explicit stack: deep SVG trees must not exhaust the call stack.
    std::vector<wxXmlNode*> pending{node};
    while (!pending.empty()) {
        wxXmlNode* current = pending.back();
        pending.pop_back();
        const wxString id = current->GetAttribute(wxS("id"), wxEmptyString);
        for (const auto& mapping : replacements) {
            if (mapping && mapping->GetId() == id) {
                if (wxXmlNode* text = TextTarget(current)) {
                    text->SetContent(mapping->GetDisplayValue(unitSystemId));
                }
                break;
            }
        }
        std::vector<wxXmlNode*> children;
        for (wxXmlNode* child = current->GetChildren(); child; child = child->GetNext()) {
            if (child->GetType() == wxXML_ELEMENT_NODE) {
                children.push_back(child);
            }
        }
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
}

std::vector<std::shared_ptr<TextReplaceMapping>> ReadReplacements(wxXmlNode* firstChild)
{
    std::vector<std::shared_ptr<TextReplaceMapping>> replacements;
    for (wxXmlNode* child = firstChild; child; child = child->GetNext()) {
        replacements.push_back(std::make_shared<StaticReplaceMapping>(
            child->GetAttribute(wxS("element"), wxEmptyString), child->GetAttribute(wxS("value"), wxEmptyString)));
    }
    return replacements;
}

} // namespace

void VireldaReport::AddPlantOverview(const wxXmlNode* node)
{
    const wxString projectUuid = node->GetAttribute(wxS("projectuuid"), wxEmptyString);
    const long step = ReadStepId(node);
    std::vector<SvgGraphicInfo<ArchiveLoadPolicy>> graphics = GetProjectGraphics(projectUuid);
    // Steps count from 1; a step of 0 or below names no graphic.
    if (step >= 1 && static_cast<unsigned long>(step) <= graphics.size()) {
        DrawSvgPlantOverview(node, graphics[static_cast<size_t>(step - 1)]);
    }
}

void VireldaReport::AddPlantOverviewXml(const wxXmlNode* node)
{
    const wxString fileName = node->GetAttribute(wxS("filename"), wxEmptyString);
    ReadStepId(node);
    const wxString archivePrefix = wxS("#zip:");
    wxString entry;
    if (fileName.StartsWith(archivePrefix, &entry)) {
        SvgGraphicInfo<ArchiveLoadPolicy> graphic = GetGraphicArchive(entry, node->GetChildren());
        DrawSvgPlantOverview(node, graphic);
    } else {
        SvgGraphicInfo<FileLoadPolicy> graphic = GetGraphic(fileName, node->GetChildren());
        DrawSvgPlantOverview(node, graphic);
    }
}

std::vector<SvgGraphicInfo<ArchiveLoadPolicy>> VireldaReport::GetProjectGraphics(const wxString& projectUuid) const
{
    const auto it = config.projectGraphics.find(projectUuid);
    if (it == config.projectGraphics.end()) {
        wxLogDebug("No graphic for project with UUID %s found", projectUuid);
        return {};
    }
    return it->second;
}

namespace {

// A plant graphic read through `LoadPolicy` below `folder`; a file it cannot read gives
// a warning and an empty graphic.
template <typename LoadPolicy>
SvgGraphicInfo<LoadPolicy> LoadGraphic(const wxString& fileName, const char* folder, const wxString& unitSystemId,
                                       wxXmlNode* firstChild)
{
    diagnostics::Debug("GetGraphic called with filename: " + fileName.utf8_string());
    const auto replacements = ReadReplacements(firstChild);
    try {
        return SvgGraphicInfo<LoadPolicy>(fileName.utf8_string(), folder, unitSystemId.utf8_string(), replacements);
    } catch (const std::exception& e) {
        wxLogDebug("Could not create Graphic");
        diagnostics::Warning(e.what());
    }
    return {};
}

} // namespace

SvgGraphicInfo<FileLoadPolicy> VireldaReport::GetGraphic(const wxString& fileName, wxXmlNode* firstChild) const
{
    // The name is a path below the data folder; the load policy refuses anything else.
    return LoadGraphic<FileLoadPolicy>(fileName, "data", config.unitSystem, firstChild);
}

SvgGraphicInfo<ArchiveLoadPolicy> VireldaReport::GetGraphicArchive(const wxString& fileName,
                                                                   wxXmlNode* firstChild) const
{
    return LoadGraphic<ArchiveLoadPolicy>(fileName, "data/", config.unitSystem, firstChild);
}

template <typename LoadPolicy>
void VireldaReport::DrawSvgPlantOverview(const wxXmlNode* node, SvgGraphicInfo<LoadPolicy>& graphic)
{
    ScopedLanguageSwitch language("en_EN");
    int x = XMLHelpers::AttributeAsInt(node, wxS("x"));
    int y = XMLHelpers::AttributeAsInt(node, wxS("y"));
    int w = XMLHelpers::AttributeAsInt(node, wxS("w"));
    int h = XMLHelpers::AttributeAsInt(node, wxS("h"));
    wxLogDebug("DrawSvgPlantOverview - x=%d, y=%d, w=%d, h=%d", x, y, w, h);
    diagnostics::Info(fmt::format("DrawSvgPlantOverview - x={}, y={}, w={}, h={}", x, y, w, h));
    if (w == 0) {
        w = 270;
    }
    if (h == 0) {
        h = 190;
    }

    wxXmlNode* root = nullptr;
    if (graphic.document) {
        graphic.drawingDocument = *graphic.document;
        root = graphic.drawingDocument.GetRoot();
    }
    if (!root) {
        wxLogDebug("SVG root is NULL!");
        return;
    }
    ReplaceTexts(root, graphic.replacements, graphic.unitSystemId);

    wxLogDebug("SVG attributes - width=%s, height=%s, viewBox=%s", root->GetAttribute(wxS("width"), wxS("not set")),
               root->GetAttribute(wxS("height"), wxS("not set")), root->GetAttribute(wxS("viewBox"), wxS("not set")));
    wxLogDebug("About to call ConvertSvgToPdf with x=%f, y=%f, w=%f, h=%f", static_cast<double>(x),
               static_cast<double>(y), static_cast<double>(w), static_cast<double>(h));
    SvgToPdfConverter converter;
    const bool converted = converter.ConvertSvgToPdf(root, this, x, y, w, h);
    if (!converted)
        diagnostics::Warning("plant graphic not drawn: its root element is not \"svg\"");
}

template void VireldaReport::DrawSvgPlantOverview(const wxXmlNode*, SvgGraphicInfo<FileLoadPolicy>&);
template void VireldaReport::DrawSvgPlantOverview(const wxXmlNode*, SvgGraphicInfo<ArchiveLoadPolicy>&);
