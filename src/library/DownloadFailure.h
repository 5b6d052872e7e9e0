#pragma once
#include "platform/core/Error.h"

#include <string>

namespace library {

// A content download's failure: an error in ContentDownload's domain that keeps what caused it,
// and the one sentence that tells a person why.
class DownloadFailure {
public:
    static core::Error make(long code, std::string description);
    // Keeps the cause's domain and code (or, for a file operation's failure, its errno) in the
    // userInfo, under ContentDownload's cause keys.
    static core::Error make(long code, std::string description, const core::Error& cause);
    static std::string causeOf(const core::Error& failure);
};

}
