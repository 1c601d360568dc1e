#include "carve/carve_attach.h"

#include <algorithm>
#include <limits>

#include "disk/volume_info.h"
#include "scan/directory_size.h"
#include "scan/name_pool.h"
#include "scan/node_links.h"
#include "support/text.h"

namespace tundrel {
namespace {


// These types' folders get a leading space, which sorts them first.
bool ListedFirst(std::string_view typeName) {
    return typeName == "DOC" || typeName == "XLS" || typeName == "PPT" || typeName == "JPG";
}

ScanNode& TypeFolder(ScanNode& typesRoot, std::u16string_view name, NamePool& names) {
    for (ScanNode& folder : typesRoot.children) {
        if (folder.IsDirectory() && folder.name != nullptr && name == folder.name) return folder;
    }
    ScanNode folder;
    folder.flags = kFlagDirectory;
    folder.name = names.Add(name);
    typesRoot.children.push_back(std::move(folder));
    return typesRoot.children.back();
}

}  // namespace

void AttachCarvedFiles(std::vector<CarveRule>& table, ScanNode& typesRoot, NamePool& names, std::uint64_t sourceSectors) {
    for (CarveRule& rule : table) {
        if (rule.found.empty()) continue;
        const std::string_view typeName = rule.info->typeName;
        const std::u16string folderName = (ListedFirst(typeName) ? u" " : u"") + ToUtf16(typeName);
        ScanNode& folder = TypeFolder(typesRoot, folderName, names);
        for (const CarvedFile& file : rule.found) {
            if (file.firstSector > std::numeric_limits<std::uint32_t>::max()) continue;
            if (sourceSectors != 0 && file.firstSector >= sourceSectors) continue;
            ScanNode node;
            node.flags = kFlagContiguous;
            node.location = static_cast<std::uint32_t>(file.firstSector);
            node.name = names.Add(file.name);
            node.size = file.size;
            if (sourceSectors != 0) node.size = std::min(node.size, (sourceSectors - file.firstSector) * kSectorBytes);
            node.createdDate = node.modifiedDate = file.date;
            node.createdTime = node.modifiedTime = file.time;
            folder.children.push_back(std::move(node));
        }
        std::vector<CarvedFile>().swap(rule.found);
        if (typeName == "JPG") {
            std::ranges::stable_sort(folder.children, std::ranges::greater{}, &ScanNode::size);
        }
    }
    typesRoot.Set(kFlagDirectory, true);
    LinkParents(typesRoot, LinkDepth::WholeSubtree);
    SumSizes(typesRoot);
}

}  // namespace tundrel
