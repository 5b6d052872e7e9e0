#include "platform/ui/Image.h"

#include <algorithm>
#include <cstdint>
#include <fstream>

namespace ui {

namespace {

std::string& resourceDirectoryStorage()
{
    static std::string directory = "assets";
    return directory;
}

// Width and height from the PNG header (signature, then the IHDR chunk); decoding is the
// renderer's job.
bool readPNGSize(const std::string& path, Size& size)
{
    std::ifstream in(path, std::ios::binary);
    unsigned char header[24];
    if (!in.read(reinterpret_cast<char*>(header), sizeof header))
        return false;
    static const unsigned char signature[8] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    if (!std::equal(signature, signature + 8, header) || std::string(reinterpret_cast<char*>(header + 12), 4) != "IHDR")
        return false;
    auto be32 = [](const unsigned char* p) { return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]); };
    size = { double(be32(header + 16)), double(be32(header + 20)) };
    return size.width > 0 && size.height > 0;
}

}

void Image::setResourceDirectory(std::string path)
{
    resourceDirectoryStorage() = std::move(path);
}

const std::string& Image::resourceDirectory()
{
    return resourceDirectoryStorage();
}

std::shared_ptr<Image> Image::named(const std::string& name)
{
    if (name.empty())
        return nullptr;
    std::string file = name;
    if (file.find('.') == std::string::npos)
        file += ".png";
    const std::string& directory = resourceDirectory();
    std::string path = directory.empty() ? file : directory + "/" + file;
    auto image = imageWithContentsOfFile(path);
    if (image)
        image->m_name = name;
    return image;
}

std::shared_ptr<Image> Image::imageWithContentsOfFile(const std::string& path)
{
    Size size;
    if (!readPNGSize(path, size))
        return nullptr;
    std::string name = path.substr(path.find_last_of('/') + 1);
    return std::shared_ptr<Image>(new Image(name, path, size));
}

}
