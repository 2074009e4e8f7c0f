#pragma once
// The raster pictures of a report's last few UF diagrams, by what they were drawn from.
// A design report often shows the same picture again (trains of one design, a section
// repeated for each unit): drawing it once and reusing its pixels gives the same PDF,
// since the document stores equal pixels once anyway.

#include <wx/image.h>
#include <wx/string.h>

#include <cstddef>
#include <string>
#include <vector>

class wxXmlNode;

class DiagramPictureCache
{
public:
    struct Picture {
        wxImage image;
        wxString name;
    };

    // What a picture depends on: its kind, its size and the whole diagram element
    // (names, attributes and texts of every node below it, in document order).
    static std::string KeyOf(const wxXmlNode* node, int type, double size);

    // The picture drawn for `key`, or nullptr.
    const Picture* Find(const std::string& key);
    void Add(std::string key, Picture picture);

private:
    // Each picture holds its pixels (640 x 360 RGB, under 1 MB): a few are enough for
    // the pictures of one unit.
    static constexpr std::size_t kPictures = 4;
    struct Entry {
        std::string key;
        Picture picture;
    };
    std::vector<Entry> entries; // most recently used first
};
