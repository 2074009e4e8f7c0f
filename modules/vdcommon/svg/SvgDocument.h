#pragma once
// Parse stage: the SVG's XML as a compact tree of elements, with the style sheets
// applied. Every element carries the properties specified for it (presentation
// attributes, then matching `<style>` rules by specificity, then its `style`
// attribute); nothing is inherited or resolved yet.
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

class wxXmlNode;

namespace svg {

struct Element {
    std::string tag;  // local name ("rect"), an "svg:" prefix removed
    std::string text; // a text node's characters (tag empty)
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<std::pair<std::string, std::string>> properties; // specified style properties
    std::vector<Element*> children;
    Element* parent = nullptr;
    int depth = 0;

    bool IsText() const { return tag.empty(); }
    const std::string* Attribute(std::string_view name) const;
    const std::string* Property(std::string_view name) const;
    void SetProperty(std::string_view name, std::string_view value);
};

class Document
{
public:
    // Copies the tree under `root` (elements nested deeper than the depth limit are left
    // out, with a warning); applies the style sheets found in it.
    static std::unique_ptr<Document> FromXml(const wxXmlNode* root);

    Element* Root() const { return root; }
    Element* FindById(std::string_view id) const;
    // Lines that tell what was left out (the converter passes them on as warnings).
    const std::vector<std::string>& Warnings() const { return warnings; }

private:
    void ApplyStyleSheets();

    std::deque<Element> elements;
    Element* root = nullptr;
    std::unordered_map<std::string, Element*> ids;
    std::vector<std::string> warnings;
};

// Whether `name` is a style property (may be given as a presentation attribute).
bool IsStyleProperty(std::string_view name);
// Declarations "name: value; ..." in order.
std::vector<std::pair<std::string, std::string>> ParseDeclarations(std::string_view text);

} // namespace svg
