// File names are UTF-8 text inside the program; the file system takes
// std::filesystem::path. These two convert between them: to wide characters
// on Windows, byte for byte elsewhere, where a name need not be valid UTF-8.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace reportword::text {

std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string PathToUtf8(const std::filesystem::path& path);

}  // namespace reportword::text
