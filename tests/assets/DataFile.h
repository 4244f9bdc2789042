#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// Reads one of the generated data files from the runtime folder.
inline std::vector<std::uint8_t> readDataFile(const std::string& name) {
    std::ifstream f(std::string(ZANRAI_DATA_DIR) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}
