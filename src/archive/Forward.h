#pragma once

namespace archive {

struct ZipGlobalInfo;
struct ZipFileInfo;
class ZipArchiveDelegate;
class ZipArchive;

}
