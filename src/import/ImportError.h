#pragma once
#include "platform/core/Error.h"

#include <string>

namespace import {

// Failures of reading a score file. The description names the problem, not the file: the
// importer puts the file's name in front.
inline constexpr const char* importErrorDomain = "ImportErrorDomain";

enum class ImportErrorCode : long {
    CannotRead = 1,
    NotAScore = 2,
    Malformed = 3,
    Unsupported = 4,
    TooLarge = 5,
    Empty = 6,
    CannotWrite = 7,
};

inline core::Error importError(ImportErrorCode code, std::string description)
{
    return core::Error::make(importErrorDomain, long(code), std::move(description));
}

}
