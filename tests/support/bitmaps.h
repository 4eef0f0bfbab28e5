#pragma once
// Small bitmap files for logo tests.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace orvex::test {

// A 1-bit BMP of the given size whose pixel rows (bottom row first, as
// stored) are filled by pattern(row, byteIndex).
std::string MonoBmpBytes(int width, int height, std::uint8_t (*pattern)(int row, int column));
void WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& path);

// A fresh empty folder under the system's temporary folder.
std::filesystem::path TempFolder(const std::string& name);

// Runs a shell command; true when it exits 0.
bool Run(const std::string& command);

}  // namespace orvex::test
