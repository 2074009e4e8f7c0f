#pragma once
#include "vdcommon/Export.h"
// One loaded SVG plant graphic with the texts to put into it before drawing. The load
// policy only decides where the document comes from: a plain file or the resource
// archive "vdbase.zrc".
#include "vdcommon/utilities/Diagnostics.h"

#include <wx/string.h>
#include <wx/xml/xml.h>

#include <memory>
#include <string>
#include <vector>

class TextReplaceMapping;

// Loads <resourcePath>/<fileName> from the file system.
struct VDCOMMON_API FileLoadPolicy {
    // Throws std::runtime_error when the file is missing, unreadable or not XML.
    static std::shared_ptr<wxXmlDocument> Load(const wxString& fileName, const wxString& resourcePath);
};

// Loads the entry `fileName` of the archive <resourcePath>vdbase.zrc.
struct VDCOMMON_API ArchiveLoadPolicy {
    // Throws std::runtime_error when the archive or the entry cannot be found. A
    // document that does not parse comes back without root.
    static std::shared_ptr<wxXmlDocument> Load(const wxString& fileName, const wxString& resourcePath);
};

template <typename LoadPolicy>
class VDCOMMON_API SvgGraphicInfo {
public:
    SvgGraphicInfo() = default;

    // Loads the document at once; load failures pass to the caller.
    SvgGraphicInfo(const std::string& fileName, const std::string& resourcePath, const std::string& unitSystem,
                   const std::vector<std::shared_ptr<TextReplaceMapping>>& textReplacements)
        : unitSystemId(wxString::FromUTF8(unitSystem)), replacements(textReplacements)
    {
        diagnostics::Info("!!!!!!! unitSystemId: " + unitSystem);
        diagnostics::Info("Loading XML with fileName: " + fileName + " and resourcePath: " + resourcePath);
        document = LoadPolicy::Load(wxString::FromUTF8(fileName), wxString::FromUTF8(resourcePath));
    }

    // Copies share the loaded document; each drawing works on drawingDocument.
    std::shared_ptr<wxXmlDocument> document;
    wxXmlDocument drawingDocument;
    wxString unitSystemId = wxS("iso");
    std::vector<std::shared_ptr<TextReplaceMapping>> replacements;
};
