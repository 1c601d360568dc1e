#include "platform/ansi_code_page.h"

#include <unicode/ucnv.h>

namespace tundrel {

AnsiCodePage::AnsiCodePage(std::string_view name) {
    UErrorCode status = U_ZERO_ERROR;
    converter_ = ucnv_open(std::string(name).c_str(), &status);
    if (U_FAILURE(status) || converter_ == nullptr) {
        status = U_ZERO_ERROR;
        converter_ = ucnv_open("windows-1252", &status);
        if (U_FAILURE(status)) converter_ = nullptr;
    }
}

bool AnsiCodePage::Known(std::string_view name) {
    // An empty name would open ICU's default converter.
    if (name.empty()) return false;
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(std::string(name).c_str(), &status);
    if (converter != nullptr) ucnv_close(converter);
    return U_SUCCESS(status) && converter != nullptr;
}

AnsiCodePage::~AnsiCodePage() {
    if (converter_ != nullptr) ucnv_close(converter_);
}

std::u16string AnsiCodePage::Decode(std::span<const std::uint8_t> bytes) {
    std::u16string text;
    if (converter_ == nullptr) {
        for (const std::uint8_t b : bytes) text += static_cast<char16_t>(b);
        return text;
    }
    text.resize(2 * bytes.size() + 2);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_toUChars(converter_, text.data(), static_cast<int32_t>(text.size()),
                                         reinterpret_cast<const char*>(bytes.data()), static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status) || length < 0) return {};
    text.resize(static_cast<std::size_t>(length));
    return text;
}

}  // namespace tundrel
