#include "vdcommon/printing/XMLHelpers.h"

#include <wx/translation.h>

#include <cmath>
#include <limits>

namespace XMLHelpers {

namespace {

// The attribute's text, or `defaultValue` when the element has no such attribute.
wxString ReadAttribute(const wxXmlNode* node, const wxString& name, const wxString& defaultValue)
{
    if (node == nullptr)
        return defaultValue;
    wxString value;
    if (!node->GetAttribute(name, &value))
        return defaultValue;
    return value;
}

// True when the whole text is a base-10 long (the toolkit's rule, also for range).
bool ParseLong(const wxString& text, long* value)
{
    return text.ToLong(value, 10);
}

double FiniteOrZero(double value)
{
    if (std::isnan(value))
        return 0.0;
    if (std::isinf(value))
        return value > 0 ? std::numeric_limits<double>::max() : std::numeric_limits<double>::lowest();
    return value;
}

// A copy of one node without its children and siblings: type, name, content, line
// number, conversion flag and attributes in their order.
wxXmlNode* CopyShallow(const wxXmlNode& source)
{
    auto* copy = new wxXmlNode(source.GetType(), source.GetName(), source.GetContent(), source.GetLineNumber());
    copy->SetNoConversion(source.GetNoConversion());
    wxXmlAttribute* last = nullptr;
    for (const wxXmlAttribute* a = source.GetAttributes(); a != nullptr; a = a->GetNext()) {
        auto* attribute = new wxXmlAttribute(a->GetName(), a->GetValue());
        if (last == nullptr)
            copy->SetAttributes(attribute);
        else
            last->SetNext(attribute);
        last = attribute;
    }
    return copy;
}

void AppendChild(wxXmlNode* parent, wxXmlNode*& lastChild, wxXmlNode* child)
{
    child->SetParent(parent);
    if (lastChild == nullptr)
        parent->SetChildren(child);
    else
        lastChild->SetNext(child);
    lastChild = child;
}

// Deep-copies the children of `source` under `target` (after target's existing last
// child `lastChild`), level by level with an explicit work list instead of recursion.
void CopyChildrenInto(const wxXmlNode& source, wxXmlNode* target, wxXmlNode* lastChild)
{
    struct Pending {
        const wxXmlNode* from;
        wxXmlNode* to;
        wxXmlNode* last;
    };
    std::vector<Pending> work{{&source, target, lastChild}};
    while (!work.empty()) {
        Pending item = work.back();
        work.pop_back();
        for (const wxXmlNode* child = item.from->GetChildren(); child != nullptr; child = child->GetNext()) {
            wxXmlNode* copy = CopyShallow(*child);
            AppendChild(item.to, item.last, copy);
            if (child->GetChildren() != nullptr)
                work.push_back({child, copy, nullptr});
        }
    }
}

} // namespace

wxString AttributeAsString(const wxXmlNode* node, const wxString& name, const wxString& defaultValue)
{
    return ReadAttribute(node, name, defaultValue);
}

wxString AttributeAsLocalizedString(const wxXmlNode* node, const wxString& name)
{
    const wxString text = ReadAttribute(node, name, wxEmptyString);
    // The empty message id of a catalogue is its header, never a translation.
    if (text.empty())
        return text;
    if (const wxTranslations* translations = wxTranslations::Get()) {
        if (const wxString* translated = translations->GetTranslatedString(text))
            return *translated;
    }
    return text;
}

bool AttributeAsBool(const wxXmlNode* node, const wxString& name)
{
    long value = 0;
    return ParseLong(ReadAttribute(node, name, wxS("0")), &value) && value == 1;
}

int AttributeAsInt(const wxXmlNode* node, const wxString& name)
{
    const long value = AttributeAsLong(node, name);
    if (value > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

long AttributeAsLong(const wxXmlNode* node, const wxString& name)
{
    long value = 0;
    if (!ParseLong(ReadAttribute(node, name, wxS("0")), &value))
        return 0;
    return value;
}

double AttributeAsDouble(const wxXmlNode* node, const wxString& name)
{
    const wxString text = ReadAttribute(node, name, wxS("0.0"));
    if (text.empty())
        return 0.0;
    return FiniteOrZero(PdfUtility::String2Double(text));
}

PdfAlignment AttributeAsAlignment(const wxXmlNode* node)
{
    const wxString align = ReadAttribute(node, wxS("align"), wxS("left")).Lower();
    if (align == wxS("right"))
        return PdfAlignRight;
    if (align == wxS("center"))
        return PdfAlignCenter;
    return PdfAlignLeft;
}

int AttributeAsBorderType(const wxXmlNode* node)
{
    const wxString border = ReadAttribute(node, wxS("border"), wxEmptyString).Upper();
    int flags = PdfBorder::None;
    if (border.Find(wxS('L')) != wxNOT_FOUND)
        flags |= PdfBorder::Left;
    if (border.Find(wxS('R')) != wxNOT_FOUND)
        flags |= PdfBorder::Right;
    if (border.Find(wxS('T')) != wxNOT_FOUND)
        flags |= PdfBorder::Top;
    if (border.Find(wxS('B')) != wxNOT_FOUND)
        flags |= PdfBorder::Bottom;
    return flags;
}

wxPoint AttributePairAsPoint(const wxXmlNode* node, const std::pair<wxString, wxString>& names,
                             const wxPoint& defaultPoint)
{
    const wxString xText = ReadAttribute(node, names.first, wxString::Format(wxS("%d"), defaultPoint.x));
    const wxString yText = ReadAttribute(node, names.second, wxString::Format(wxS("%d"), defaultPoint.y));
    return wxPoint(ToIntTruncated(PdfUtility::String2Double(xText)), ToIntTruncated(PdfUtility::String2Double(yText)));
}

wxString GetNodeContent(const wxXmlNode* node)
{
    if (node == nullptr)
        return wxEmptyString;
    for (const wxXmlNode* child = node->GetChildren(); child != nullptr; child = child->GetNext()) {
        if (child->GetType() == wxXML_TEXT_NODE || child->GetType() == wxXML_CDATA_SECTION_NODE)
            return child->GetContent();
    }
    return wxEmptyString;
}

wxString StringWithoutMarkUp(const wxString& text)
{
    wxString result;
    result.reserve(text.length());
    bool inTag = false;
    for (wxString::const_iterator it = text.begin(); it != text.end(); ++it) {
        const wxUniChar c = *it;
        if (inTag) {
            if (c == wxS('>'))
                inTag = false;
        } else if (c == wxS('<')) {
            inTag = true;
        } else {
            result += c;
        }
    }
    return result;
}

std::unique_ptr<wxXmlNode> MergeNodes(const std::vector<wxXmlNode*>& nodes)
{
    if (nodes.empty() || nodes.front() == nullptr)
        return nullptr;
    std::unique_ptr<wxXmlNode> root = DeepCopy(nodes.front());
    wxXmlNode* lastChild = root->GetChildren();
    while (lastChild != nullptr && lastChild->GetNext() != nullptr)
        lastChild = lastChild->GetNext();
    for (std::size_t i = 1; i < nodes.size(); ++i) {
        if (nodes[i] == nullptr)
            continue;
        for (const wxXmlNode* child = nodes[i]->GetChildren(); child != nullptr; child = child->GetNext()) {
            wxXmlNode* copy = CopyShallow(*child);
            AppendChild(root.get(), lastChild, copy);
            CopyChildrenInto(*child, copy, nullptr);
        }
    }
    return root;
}

int ToIntTruncated(double value, int defaultValue)
{
    if (std::isnan(value))
        return defaultValue;
    // Compare in double before converting: converting an out-of-range double to int
    // is undefined behaviour.
    constexpr double upper = static_cast<double>(std::numeric_limits<int>::max()) + 1.0;
    constexpr double lower = static_cast<double>(std::numeric_limits<int>::min()) - 1.0;
    if (value >= upper)
        return std::numeric_limits<int>::max();
    if (value <= lower)
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

std::unique_ptr<wxXmlNode> DeepCopy(const wxXmlNode* node)
{
    if (node == nullptr)
        return nullptr;
    std::unique_ptr<wxXmlNode> copy(CopyShallow(*node));
    CopyChildrenInto(*node, copy.get(), nullptr);
    return copy;
}

void DeleteTree(wxXmlNode* node)
{
    if (node == nullptr)
        return;
    // Unlink every node from its children first so that each delete frees one node.
    std::vector<wxXmlNode*> all{node};
    for (std::size_t i = 0; i < all.size(); ++i) {
        for (wxXmlNode* child = all[i]->GetChildren(); child != nullptr; child = child->GetNext())
            all.push_back(child);
    }
    for (wxXmlNode* n : all) {
        n->SetChildren(nullptr);
        n->SetNext(nullptr);
    }
    for (wxXmlNode* n : all)
        delete n;
}

} // namespace XMLHelpers
