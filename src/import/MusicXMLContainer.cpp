#include "import/MusicXMLContainer.h"

#include "archive/ZipArchive.h"
#include "import/ImportError.h"
#include "platform/core/Log.h"
#include "platform/core/FileManager.h"

#include <pugixml.hpp>

#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace import {

namespace {

std::string readFileToString(const std::string& path, bool* ok)
{
    auto bytes = core::files::contentsAtPath(path);
    *ok = bool(bytes);
    return bytes ? std::move(*bytes) : std::string();
}

}

core::Result<std::string> MusicXMLContainer::rootFileText(const std::string& path)
{
    char pattern[] = "/tmp/beatstrip-mxl-XXXXXX";
    std::string folder;
    if (const char* tmp = getenv("TMPDIR"); tmp && *tmp) {
        std::string withTmp = std::string(tmp) + "/beatstrip-mxl-XXXXXX";
        if (mkdtemp(withTmp.data()))
            folder = withTmp;
    }
    if (folder.empty() && mkdtemp(pattern))
        folder = pattern;
    if (folder.empty())
        return importError(ImportErrorCode::CannotRead, "no temporary folder to unpack it in");
    struct Cleanup {
        std::string folder;
        ~Cleanup() { (void)core::files::removeItemAtPath(folder); }
    } cleanup { folder };

    core::Error error;
    if (!archive::ZipArchive::unzipFileAtPath(path, folder, true, std::nullopt, &error))
        return importError(ImportErrorCode::Malformed, "it is a damaged zip archive");
    bool ok = false;
    std::string container = readFileToString(folder + "/META-INF/container.xml", &ok);
    if (!ok)
        return importError(ImportErrorCode::NotAScore, "it is a zip archive but not a MusicXML container (no META-INF/container.xml)");
    pugi::xml_document document;
    if (!document.load_buffer(container.data(), container.size()))
        return importError(ImportErrorCode::Malformed, "its META-INF/container.xml is malformed");
    std::string rootPath;
    for (pugi::xml_node rootfile : document.child("container").child("rootfiles").children("rootfile")) {
        const char* type = rootfile.attribute("media-type").value();
        if (!*type || std::strstr(type, "musicxml")) {
            rootPath = rootfile.attribute("full-path").value();
            break;
        }
    }
    if (rootPath.empty())
        return importError(ImportErrorCode::NotAScore, "its META-INF/container.xml names no MusicXML root file");
    // The archive layer leaves out unsafe names, so a root file that climbs out is simply absent.
    std::string text = readFileToString(folder + "/" + rootPath, &ok);
    if (!ok || rootPath.find("..") != std::string::npos)
        return importError(ImportErrorCode::NotAScore, core::format("the root file %s named by its container is missing", rootPath.c_str()));
    return text;
}

}
