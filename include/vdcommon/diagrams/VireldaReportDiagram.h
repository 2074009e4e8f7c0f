#pragma once
#include "vdcommon/Export.h"
// Ultrafiltration pictures of the PDF report: each reads the "parameter" children of a
// diagram node, composes its label texts (translated caption, value, unit) and renders
// the matching uf graph into a white 640 x 360 image.
#include <wx/image.h>
#include <wx/string.h>
#include <wx/xml/xml.h>

class VDCOMMON_API VireldaReportDiagram
{
public:
    VireldaReportDiagram() = default;
    VireldaReportDiagram(const VireldaReportDiagram&) = default;
    VireldaReportDiagram& operator=(const VireldaReportDiagram&) = default;
    virtual ~VireldaReportDiagram();

    virtual wxImage GetImage() = 0;
    virtual wxString GetName() = 0;

private:
    virtual void Create() = 0;
};

// Frame shared by the four pictures: node, size, image and fixed name.
class VDCOMMON_API UFReportDiagramBase : public VireldaReportDiagram
{
public:
    static constexpr int ImageWidth = 640;
    static constexpr int ImageHeight = 360;

    wxImage GetImage() override;
    wxString GetName() override;
    double GetSize() const { return size; }

protected:
    UFReportDiagramBase(const wxXmlNode* node, double size, const wxString& name);

    // A fresh white image; false when there is no node to draw from.
    bool BeginImage();

    const wxXmlNode* node;
    double size;
    wxImage image;
    wxString name;
};

class VDCOMMON_API UFDesignDiagram : public UFReportDiagramBase
{
public:
    UFDesignDiagram(const wxXmlNode* node, double size);

private:
    void Create() override;
};

class VDCOMMON_API UFBackwashDiagram : public UFReportDiagramBase
{
public:
    UFBackwashDiagram(const wxXmlNode* node, double size);

private:
    void Create() override;
};

class VDCOMMON_API UFOverviewDiagram : public UFReportDiagramBase
{
public:
    UFOverviewDiagram(const wxXmlNode* node, double size);

private:
    void Create() override;
};

class VDCOMMON_API UFOverviewSeawaterDiagram : public UFReportDiagramBase
{
public:
    UFOverviewSeawaterDiagram(const wxXmlNode* node, double size);

private:
    void Create() override;
};
