#pragma once
// A new file written out of sight in its folder and given its name only once it is whole, so
// that a stopped or failed export never leaves a short file that passes for a recovered one.
// Where the file system allows it the file has no name at all until then (O_TMPFILE);
// elsewhere (FAT, exFAT, most FUSE file systems) it is a hidden ".NAME.partial" beside it.

#include <optional>
#include <string>

#include "platform/directory_handle.h"
#include "platform/output_file.h"

namespace tundrel::platform {

class StagedFile {
public:
    // Starts the file that is to be called `name` in `folder`; the folder outlives it.
    static std::optional<StagedFile> Begin(const DirectoryHandle& folder, const std::string& name, int& error);
    StagedFile(StagedFile&& other) noexcept;
    StagedFile& operator=(StagedFile&&) = delete;
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;
    // Removes the file unless it was published.
    ~StagedFile();

    OutputFile& Output() { return output_; }

    // Closes the file and gives it its name. With `replace` a regular file of that name is
    // replaced as a directory entry, never written into, so another hard link to it keeps its
    // data; anything else in the way, or any entry at all without `replace`, makes it fail.
    bool Publish(bool replace, int& error);

private:
    StagedFile(int folder, std::string name, std::string hiddenName, int fd);
    bool LinkUnderHiddenName(int& error);
    // Renames the hidden name to the final one, over whatever entry is there.
    bool RenameToName(int& error);
    bool ReplaceEntry(int& error);
    bool TakeFreeName(int& error);

    int folder_;
    std::string name_;
    std::string hiddenName_;  // empty while the file has no name
    OutputFile output_;
    bool published_ = false;
};

}  // namespace tundrel::platform
