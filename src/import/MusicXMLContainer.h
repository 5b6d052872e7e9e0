#pragma once
#include "platform/core/Error.h"

#include <string>

namespace import {

// A compressed MusicXML file (.mxl): a zip archive whose META-INF/container.xml names the root
// score file. Unpacked through the archive layer into a temporary folder that goes with it.
class MusicXMLContainer {
public:
    static core::Result<std::string> rootFileText(const std::string& path);
};

}
