#include "archive/ZipArchiveDelegate.h"

namespace archive {

void ZipArchiveDelegate::zipArchiveWillUnzipArchiveAtPath(const std::string&, const ZipGlobalInfo&) { }
void ZipArchiveDelegate::zipArchiveWillUnzipFileAtIndex(long, long, const std::string&, ZipFileInfo) { }
void ZipArchiveDelegate::zipArchiveDidUnzipFileAtIndex(long, long, const std::string&, ZipFileInfo) { }
void ZipArchiveDelegate::zipArchiveDidUnzipArchiveAtPath(const std::string&, const ZipGlobalInfo&, const std::string&) { }

void ZipArchiveDelegate::zipArchiveDidFailToUnzipArchiveAtPath(const std::string&, const core::Error&) { }

}
