#pragma once
#include "vdcommon/Export.h"
// One loaded SVG plant graphic with the texts to put into it before drawing. The load
// policy only decides where the document comes from: a plain file below the data
// folder or an entry of the resource archive "vdbase.zrc". A name resolves there only:
// after normalising "..", following links and refusing nested "#" and scheme parts,
// anything that leads elsewhere is refused like a missing graphic. Loading keeps the
// bounds of SvgLimits (size once unpacked, nesting, element count).
#include "vdcommon/utilities/Diagnostics.h"

#include <wx/string.h>
#include <wx/xml/xml.h>

#include <memory>
#include <string>
#include <vector>

class TextReplaceMapping;

// Loads <resourcePath>/<fileName> from the file system.
struct VDCOMMON_API FileLoadPolicy {
    // Throws std::runtime_error, with one line that names the graphic, when the file
    // is missing, outside resourcePath, unreadable, too large or not XML.
    static std::shared_ptr<wxXmlDocument> Load(const wxString& fileName, const wxString& resourcePath);
};

// Loads the entry `fileName` of the archive <resourcePath>vdbase.zrc.
struct VDCOMMON_API ArchiveLoadPolicy {
    // Throws std::runtime_error, with one line that names the graphic, when the
    // archive or the entry cannot be found or read, the entry unpacks to more than the
    // size limit, or it is not XML.
    static std::shared_ptr<wxXmlDocument> Load(const wxString& fileName, const wxString& resourcePath);
};

template <typename LoadPolicy>
class VDCOMMON_API SvgGraphicInfo
{
public:
    SvgGraphicInfo() = default;

    // Loads the document at once; load failures pass to the caller.
    SvgGraphicInfo(const std::string& fileName, const std::string& resourcePath, const std::string& unitSystem,
                   const std::vector<std::shared_ptr<TextReplaceMapping>>& textReplacements)
        : unitSystemId(wxString::FromUTF8(unitSystem)), replacements(textReplacements)
    {
        diagnostics::Debug("Loading plant graphic " + fileName + " from " + resourcePath + " (units " + unitSystem +
                           ")");
        document = LoadPolicy::Load(wxString::FromUTF8(fileName), wxString::FromUTF8(resourcePath));
    }

    // Copies share the loaded document; each drawing works on drawingDocument.
    std::shared_ptr<wxXmlDocument> document;
    wxXmlDocument drawingDocument;
    wxString unitSystemId = wxS("iso");
    std::vector<std::shared_ptr<TextReplaceMapping>> replacements;
};
