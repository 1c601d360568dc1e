#include "carve/carve_type_table.h"

#include <algorithm>
#include <string_view>

#include "support/settings.h"

namespace tundrel {

// Each type's recognizer is made in the type's own file.
std::unique_ptr<Recognizer> MakeDocRecognizer();
std::unique_ptr<Recognizer> MakeXlsRecognizer();
std::unique_ptr<Recognizer> MakePptRecognizer();
std::unique_ptr<Recognizer> MakeVsdRecognizer();
std::unique_ptr<Recognizer> MakeOffice2007Recognizer();
std::unique_ptr<Recognizer> MakeWavRecognizer();
std::unique_ptr<Recognizer> MakeMp3Recognizer();
std::unique_ptr<Recognizer> MakeAviRecognizer();
std::unique_ptr<Recognizer> MakeMpegRecognizer();
std::unique_ptr<Recognizer> MakeThreeGpRecognizer();
std::unique_ptr<Recognizer> MakeRmvbRecognizer();
std::unique_ptr<Recognizer> MakeMp4Recognizer();
std::unique_ptr<Recognizer> MakeMovRecognizer();
std::unique_ptr<Recognizer> MakeFlvRecognizer();
std::unique_ptr<Recognizer> MakeJpegRecognizer();
std::unique_ptr<Recognizer> MakePdfRecognizer();
std::unique_ptr<Recognizer> MakePngRecognizer();
std::unique_ptr<Recognizer> MakeSwfRecognizer();
std::unique_ptr<Recognizer> MakeBmpRecognizer();
std::unique_ptr<Recognizer> MakeZipRecognizer();
std::unique_ptr<Recognizer> MakeRarRecognizer();
std::unique_ptr<Recognizer> MakeCdrRecognizer();
std::unique_ptr<Recognizer> MakeCr2Recognizer();
std::unique_ptr<Recognizer> MakeNefRecognizer();
std::unique_ptr<Recognizer> MakeOrfRecognizer();

namespace {

consteval std::size_t TypeIndex(std::string_view name) {
    for (std::size_t i = 0; i < kCarveTypes.size(); ++i) {
        if (kCarveTypes[i].typeName == name) return i;
    }
    throw "not a carving type";
}

// One line per type, in table order.
constexpr CarveTypeRecognizer kRecognizers[] = {
    {TypeIndex("DOC"), MakeDocRecognizer},
    {TypeIndex("XLS"), MakeXlsRecognizer},
    {TypeIndex("PPT"), MakePptRecognizer},
    {TypeIndex("VSD"), MakeVsdRecognizer},
    {TypeIndex("Office 2007"), MakeOffice2007Recognizer},
    {TypeIndex("WAV"), MakeWavRecognizer},
    {TypeIndex("MP3"), MakeMp3Recognizer},
    {TypeIndex("AVI"), MakeAviRecognizer},
    {TypeIndex("MPG"), MakeMpegRecognizer},
    {TypeIndex("3GP"), MakeThreeGpRecognizer},
    {TypeIndex("RMVB"), MakeRmvbRecognizer},
    {TypeIndex("MP4"), MakeMp4Recognizer},
    {TypeIndex("MOV"), MakeMovRecognizer},
    {TypeIndex("FLV"), MakeFlvRecognizer},
    {TypeIndex("SWF"), MakeSwfRecognizer},
    {TypeIndex("JPG"), MakeJpegRecognizer},
    {TypeIndex("PDF"), MakePdfRecognizer},
    {TypeIndex("BMP"), MakeBmpRecognizer},
    {TypeIndex("ZIP"), MakeZipRecognizer},
    {TypeIndex("RAR"), MakeRarRecognizer},
    {TypeIndex("CDR"), MakeCdrRecognizer},
    {TypeIndex("CR2"), MakeCr2Recognizer},
    {TypeIndex("NEF"), MakeNefRecognizer},
    {TypeIndex("ORF"), MakeOrfRecognizer},
    {TypeIndex("PNG"), MakePngRecognizer},
};
static_assert(std::ranges::is_sorted(kRecognizers, {}, &CarveTypeRecognizer::type));

}  // namespace

std::span<const CarveTypeRecognizer> CarveRecognizers() { return kRecognizers; }

std::vector<CarveRule> BuildCarveTable(const Settings& settings) {
    std::vector<CarveRule> table;
    for (const CarveTypeRecognizer& entry : kRecognizers) {
        if (!settings.carveTypes[entry.type]) continue;
        std::unique_ptr<Recognizer> recognizer = entry.make();
        const StartKey key = recognizer->Key();
        const bool pending = recognizer->Pending();
        table.push_back({&kCarveTypes[entry.type], std::move(recognizer), {}, key, pending});
    }
    return table;
}

}  // namespace tundrel
