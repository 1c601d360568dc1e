#pragma once
// The product only ever opens a source read-only. Every committed image a test is handed is
// hashed when first handed out and again when the test ends: a test that changed it fails.

#include <filesystem>

namespace tundrel::test {

void GuardImageAgainstWrites(const std::filesystem::path& image);

}  // namespace tundrel::test
