#include "export/destination_folder.h"

#include <filesystem>

namespace tundrel {

namespace fs = std::filesystem;

std::optional<DestinationFolder> LocateDestination(const std::string& destination, std::error_code& error) {
    fs::path path = fs::absolute(destination, error);
    if (error) return std::nullopt;
    fs::file_status status = fs::status(path, error);
    // A missing tail is made from its names alone, so "." and ".." in it are resolved first.
    if (status.type() == fs::file_type::not_found) {
        path = path.lexically_normal();
        status = fs::status(path, error);
    }
    DestinationFolder folder;
    folder.path = path.string();
    while (status.type() == fs::file_type::not_found && path.has_relative_path()) {
        if (!path.filename().empty()) folder.missing.insert(folder.missing.begin(), path.filename().string());
        path = path.parent_path();
        status = fs::status(path, error);
    }
    if (status.type() == fs::file_type::none || status.type() == fs::file_type::not_found) return std::nullopt;
    error.clear();
    folder.existing = path.string();
    folder.existingIsFolder = fs::is_directory(status);
    return folder;
}

std::optional<platform::DirectoryHandle> MakeDestination(const DestinationFolder& folder, int& error) {
    std::optional<platform::DirectoryHandle> current = platform::DirectoryHandle::Open(folder.existing, error);
    for (const std::string& name : folder.missing) {
        if (!current) break;
        current = current->MakeChild(name, error);
    }
    return current;
}

}  // namespace tundrel
