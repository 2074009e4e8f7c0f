#pragma once

#include <wx/string.h>

#include <chrono>
#include <string>
#include <wx/xml/xml.h>

#include <libxml/tree.h>
#include <libxslt/xsltInternals.h>

// Where the time of one tree's way to markup goes, in seconds, each stage added to
// as it runs; filled only when a caller asks for it (the benchmark's breakdown).
struct XsltStageTimes {
    double serialise = 0;  // project tree to UTF-8 text
    double freeTree = 0;   // the project tree deleted (and its memory given back)
    double styleSheet = 0; // style sheet parsed and compiled
    double parse = 0;      // project text parsed by libxml2
    double transform = 0;  // context set up, style sheet applied
    double save = 0;       // result document written as text (only where it cannot be made directly)
    double load = 0;       // result made into the toolkit's tree
    double release = 0;    // style sheet and libxml2's documents freed
};

// Adds the time from its making (or from the last Next) to one stage of `times`;
// does nothing when `times` is null.
class StageClock
{
public:
    StageClock(XsltStageTimes* times, double XsltStageTimes::*stage);
    ~StageClock();
    StageClock(const StageClock&) = delete;
    StageClock& operator=(const StageClock&) = delete;

    // Closes the current stage and starts `stage`.
    void Next(double XsltStageTimes::*stage);

private:
    XsltStageTimes* m_times;
    double XsltStageTimes::*m_stage;
    std::chrono::steady_clock::time_point m_start;
};

// Applies one XSLT style sheet file to one XML document held in memory as text and
// returns the result as a toolkit XML tree. One transformer serves one
// transformation; several may run at the same time on different threads.
class XsltInMemoryTransformer
{
public:
    XsltInMemoryTransformer();
    virtual ~XsltInMemoryTransformer();

    XsltInMemoryTransformer(const XsltInMemoryTransformer&) = delete;
    XsltInMemoryTransformer& operator=(const XsltInMemoryTransformer&) = delete;

    // Runs the transformation. The style sheet receives "unitsystem" and "decsep"
    // as XPath string literals and "pagelist" as a number. The returned tree is
    // owned by the caller and outlives the transformer; never null. Throws
    // std::runtime_error on every failure.
    wxXmlNode* Transform(const wxString& xmlText, const wxString& styleSheetPath, const wxString& unitSystem,
                         const wxString& decimalSeparator, int pageList);

    // The same for a source document that is already UTF-8 text, read up to its
    // first NUL (the wxString overload converts and comes here). Saves the
    // conversion for callers that produce UTF-8 themselves.
    wxXmlNode* TransformUtf8(const char* xmlUtf8, const wxString& styleSheetPath, const wxString& unitSystem,
                             const wxString& decimalSeparator, int pageList);

    // The same, taking the text over: it is freed as soon as libxml2 has read it, so a
    // large project is not held as text and as a tree while the style sheet runs.
    wxXmlNode* TransformUtf8(std::string&& xmlUtf8, const wxString& styleSheetPath, const wxString& unitSystem,
                             const wxString& decimalSeparator, int pageList);

    // Initialises libxml2 and libxslt once per process and installs the guard that
    // keeps source documents from loading external entities. Must run on one
    // thread before transformations start on others; Transform calls it too, so
    // single-threaded callers need not.
    static void InitialiseLibraries();

    // Records the time of each stage into `times` (null: not recorded, the default).
    void RecordStageTimes(XsltStageTimes* times) { m_stageTimes = times; }

    // Frees the style sheet and libxml2's documents (the result is kept as text) now
    // rather than with the transformer (timed as `release` when recorded).
    void ReleaseLibxmlData();

    // Keeps libxml2's documents after the result tree is made, for a later
    // ReleaseLibxmlData (or the destructor): a caller that hands the tree on first
    // frees them while the tree's user goes on.
    void KeepLibxmlData() { m_keepLibxmlData = true; }

private:
    void DoTransform(const char* xmlUtf8, const wxString& styleSheetPath, const wxString& unitSystem,
                     const wxString& decimalSeparator, int pageList, std::string* release = nullptr);
    wxXmlNode* MakeResultTree();
    void SaveResult();
    void ConvertResultToXmlDoc();
    wxXmlNode* GetXmlDocumentDetachedRoot();

    xsltStylesheetPtr m_styleSheet = nullptr;
    xmlDocPtr m_sourceDocument = nullptr;
    xmlDocPtr m_resultDocument = nullptr;
    wxXmlDocument m_resultXmlDocument;
    xmlChar* m_resultBuffer = nullptr;
    XsltStageTimes* m_stageTimes = nullptr;
    bool m_keepLibxmlData = false;
};
