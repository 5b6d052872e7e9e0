#pragma once
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>

namespace core {

using Json = nlohmann::json;

// Any JSON value at the top level; none for absent or invalid bytes. Never throws.
std::optional<Json> JSONObject(std::string_view bytes);

}
