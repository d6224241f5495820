#pragma once
// One JSON value as one line of text, its members in the order they were put
// in; text that is not UTF-8 is mended, never refused.
#include <string>

#include <nlohmann/json.hpp>

using Json = nlohmann::ordered_json;

std::string jsonLine(const Json& value);
