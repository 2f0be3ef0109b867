#pragma once
// Existence and size of a file, as the service asks for them.
#include <cstdint>
#include <string>

// False when the path does not exist; for a folder the answer is wantDirectory, for
// anything else its opposite.
bool FileExists(const std::string& path, bool wantDirectory = false);
// 0 when the path is no file or cannot be read.
uint64_t GetFileSizeOf(const std::string& path);
