#include "platform/core/Json.h"

namespace core {

std::optional<Json> JSONObject(std::string_view bytes)
{
    if (bytes.empty())
        return std::nullopt;
    Json value = Json::parse(bytes.begin(), bytes.end(), nullptr, /*allow_exceptions=*/false);
    if (value.is_discarded())
        return std::nullopt;
    return value;
}

}
