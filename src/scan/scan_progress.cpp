#include "scan/scan_progress.h"

#include "support/strings.h"

namespace tundrel {
namespace {
// Texts longer than the display field are cut, as the field holds 1,024 units.
constexpr std::size_t kTextCapacity = 1023;

std::u16string Bounded(std::u16string text) {
    if (text.size() > kTextCapacity) text.resize(kTextCapacity);
    return text;
}
}  // namespace

void ScanProgress::SetStatusText(std::u16string text) {
    std::lock_guard lock(textLock_);
    statusText_ = Bounded(std::move(text));
}

void ScanProgress::SetCurrentName(std::u16string text) {
    std::lock_guard lock(textLock_);
    currentName_ = Bounded(std::move(text));
}

void ScanProgress::SetTargetName(std::u16string text) {
    std::lock_guard lock(textLock_);
    targetName_ = Bounded(std::move(text));
}

std::u16string ScanProgress::StatusText() const {
    std::lock_guard lock(textLock_);
    return statusText_;
}

std::u16string ScanProgress::CurrentName() const {
    std::lock_guard lock(textLock_);
    return currentName_;
}

std::u16string ScanProgress::TargetName() const {
    std::lock_guard lock(textLock_);
    return targetName_;
}

void ScanProgress::BeginScan() {
    totalUnits = 0;
    doneUnits = 0;
    busy = 0;
    timing = 0;
    SetStatusText(Text16(StringId::PreparingScan));
}

void ScanProgress::EndScan() {
    totalUnits = 0;
    doneUnits = 0;
    busy = 0;
    timing = 0;
}

void ScanProgress::Clear() {
    scanning = 0;
    totalUnits = 0;
    doneUnits = 0;
    taskMode = 0;
    busy = 0;
    taskCount = 0;
    taskNumber = 0;
    foundBytes = 0;
    foundCount = 0;
    timing = 0;
    std::lock_guard lock(textLock_);
    statusText_.clear();
    currentName_.clear();
    targetName_.clear();
}

}  // namespace tundrel
