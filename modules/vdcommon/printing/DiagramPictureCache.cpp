#include "vdcommon/printing/DiagramPictureCache.h"

#include <wx/xml/xml.h>

#include <fmt/format.h>

#include <algorithm>

namespace {

// Appends a text with its length first, so that no two different trees give the same key.
void AppendField(std::string& key, const wxString& text)
{
    const wxScopedCharBuffer utf8 = text.utf8_str();
    key += std::to_string(utf8.length());
    key += ':';
    key.append(utf8.data(), utf8.length());
}

} // namespace

std::string DiagramPictureCache::KeyOf(const wxXmlNode* node, int type, double size)
{
    std::string key = fmt::format("{} {}|", type, size);
    if (node == nullptr)
        return key;
    // Depth-first through parent and sibling links, without recursion: the markup may
    // be deep. Each node's depth is implied by the open and close marks.
    const wxXmlNode* current = node;
    while (current != nullptr) {
        key += '<';
        key += std::to_string(static_cast<int>(current->GetType()));
        AppendField(key, current->GetName());
        AppendField(key, current->GetContent());
        for (const wxXmlAttribute* a = current->GetAttributes(); a != nullptr; a = a->GetNext()) {
            key += '@';
            AppendField(key, a->GetName());
            AppendField(key, a->GetValue());
        }
        if (current->GetChildren() != nullptr) {
            current = current->GetChildren();
            continue;
        }
        // No children: close it and its finished ancestors, then the next sibling.
        while (current != nullptr) {
            key += '>';
            if (current == node) {
                current = nullptr;
                break;
            }
            if (current->GetNext() != nullptr) {
                current = current->GetNext();
                break;
            }
            current = current->GetParent();
        }
    }
    return key;
}

const DiagramPictureCache::Picture* DiagramPictureCache::Find(const std::string& key)
{
    const auto it = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.key == key; });
    if (it == entries.end())
        return nullptr;
    std::rotate(entries.begin(), it, it + 1);
    return &entries.front().picture;
}

void DiagramPictureCache::Add(std::string key, Picture picture)
{
    if (entries.size() >= kPictures)
        entries.pop_back();
    entries.insert(entries.begin(), Entry{std::move(key), std::move(picture)});
}
