#pragma once
#include "platform/ui/Geometry.h"

#include <memory>
#include <string>

namespace ui {

// A PNG resource. Loading here only reads its size; the renderer decodes (and caches) pixels.
class Image {
public:
    // Looks `name` up in the resource directory; none when the file is missing or not a PNG.
    static std::shared_ptr<Image> named(const std::string& name);
    static std::shared_ptr<Image> imageWithContentsOfFile(const std::string& path);

    // Where named images come from; the app sets it to its assets folder at start.
    static void setResourceDirectory(std::string path);
    static const std::string& resourceDirectory();

    const std::string& path() const { return m_path; }
    const std::string& name() const { return m_name; }
    // In points (pixels: the resources are drawn at one pixel a point).
    Size size() const { return m_size; }

private:
    Image(std::string name, std::string path, Size size) : m_name(std::move(name)), m_path(std::move(path)), m_size(size) { }
    std::string m_name;
    std::string m_path;
    Size m_size;
};

}
