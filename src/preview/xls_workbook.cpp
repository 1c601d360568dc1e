#include "preview/xls_workbook.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "support/byte_reader.h"
#include "support/strings.h"
#include "support/text.h"

namespace tundrel {
namespace {

enum RecordType : std::uint16_t {
    kFormula = 0x0006,
    kEof = 0x000A,
    kFont = 0x0031,
    kContinue = 0x003C,
    kColumnInfo = 0x007D,
    kBoundSheet = 0x0085,
    kMulRk = 0x00BD,
    kExtendedFormat = 0x00E0,
    kMergedCells = 0x00E5,
    kSharedStrings = 0x00FC,
    kLabelSst = 0x00FD,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kString = 0x0207,
    kRk = 0x027E,
    kArray = 0x0221,
    kTable = 0x0236,
    kSharedFormula = 0x04BC,
    kBof = 0x0809,
};

constexpr std::uint16_t kBiff8 = 0x0600;
constexpr std::uint16_t kWorkbookGlobals = 0x0005;
// All the text a workbook's cells may hold together, in UTF-16 units: one long shared string
// named by a million cells must not exhaust memory.
constexpr std::size_t kMaxCellTextUnits = 64 * 1024 * 1024;

// A record's data with the data of the CONTINUE records after it, read as one run.
class ContinuedRecord {
public:
    explicit ContinuedRecord(std::vector<std::span<const std::uint8_t>> parts) : parts_(std::move(parts)) {}

    bool AtPartEnd() const { return part_ >= parts_.size() || at_ >= parts_[part_].size(); }
    bool Exhausted() {
        Settle();
        return part_ >= parts_.size();
    }
    std::optional<std::uint64_t> Unsigned(std::size_t width) {
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < width; ++i) {
            Settle();
            if (part_ >= parts_.size()) return std::nullopt;
            value |= std::uint64_t{parts_[part_][at_++]} << (8 * i);
        }
        return value;
    }
    void Skip(std::uint64_t count) {
        while (count > 0) {
            Settle();
            if (part_ >= parts_.size()) return;
            const std::size_t step = static_cast<std::size_t>(std::min<std::uint64_t>(count, parts_[part_].size() - at_));
            at_ += step;
            count -= step;
        }
    }
    // `count` characters, 8-bit or UTF-16 as `wide` says; where the characters run on into the
    // next CONTINUE, that record opens with a fresh option byte.
    std::u16string Characters(std::size_t count, bool wide) {
        std::u16string text;
        while (text.size() < count) {
            if (AtPartEnd()) {
                if (++part_ >= parts_.size()) break;
                at_ = 0;
                const std::optional<std::uint64_t> options = Unsigned(1);
                if (!options) break;
                wide = (*options & 1) != 0;
                continue;
            }
            const std::span<const std::uint8_t> data = parts_[part_];
            if (wide) {
                if (at_ + 2 > data.size()) {
                    at_ = data.size();
                    continue;
                }
                text.push_back(static_cast<char16_t>(data[at_] | data[at_ + 1] << 8));
                at_ += 2;
            } else {
                text.push_back(static_cast<char16_t>(data[at_++]));
            }
        }
        return text;
    }

private:
    void Settle() {
        while (part_ < parts_.size() && at_ >= parts_[part_].size()) {
            ++part_;
            at_ = 0;
        }
    }

    std::vector<std::span<const std::uint8_t>> parts_;
    std::size_t part_ = 0;
    std::size_t at_ = 0;
};

struct Record {
    std::uint16_t type;
    std::size_t offset;  // of its header in the stream
    std::span<const std::uint8_t> data;
    std::vector<std::span<const std::uint8_t>> continued;  // the data of the CONTINUE records after it
};

std::vector<Record> ReadRecords(std::span<const std::uint8_t> stream) {
    const ByteReader reader(stream);
    std::vector<Record> records;
    for (std::size_t at = 0; reader.Has(at, 4);) {
        const std::uint16_t type = reader.U16(at);
        const std::size_t length = reader.U16(at + 2);
        if (!reader.Has(at + 4, length)) break;
        const std::span<const std::uint8_t> data = reader.Bytes(at + 4, length);
        if (type == kContinue && !records.empty()) {
            records.back().continued.push_back(data);
        } else {
            records.push_back(Record{type, at, data, {}});
        }
        at += 4 + length;
    }
    return records;
}

ContinuedRecord Continued(const Record& record, std::size_t skip) {
    std::vector<std::span<const std::uint8_t>> parts{record.data.size() >= skip ? record.data.subspan(skip) : std::span<const std::uint8_t>{}};
    parts.insert(parts.end(), record.continued.begin(), record.continued.end());
    return ContinuedRecord(std::move(parts));
}

double RkNumber(std::uint32_t rk) {
    double value;
    if ((rk & 2) != 0) {
        value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        const std::uint64_t bits = std::uint64_t{rk & 0xFFFFFFFC} << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 1) != 0 ? value / 100 : value;
}

double Float64(const ByteReader& reader, std::size_t offset) {
    const std::uint64_t bits = reader.U64(offset);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

class WorkbookReader {
public:
    WorkbookReader(Workbook& workbook, AnsiCodePage& codePage) : workbook_(workbook), codePage_(codePage) {}

    void Read(const std::vector<Record>& records) {
        for (const Record& record : records) Take(record);
    }

private:
    // A string whose character count is `countWidth` bytes wide; BIFF8 strings then carry an
    // option byte (and, where `rich` says so, the sizes of run and phonetic data to pass over).
    std::u16string String(ContinuedRecord& data, std::size_t countWidth, bool rich = false) {
        const std::size_t count = data.Unsigned(countWidth).value_or(0);
        if (!biff8_) {
            std::vector<std::uint8_t> bytes;
            for (std::size_t i = 0; i < count; ++i) {
                const std::optional<std::uint64_t> byte = data.Unsigned(1);
                if (!byte) break;
                bytes.push_back(static_cast<std::uint8_t>(*byte));
            }
            return codePage_.Decode(bytes);
        }
        const std::uint64_t options = data.Unsigned(1).value_or(0);
        const std::uint64_t runs = rich && (options & 0x08) != 0 ? data.Unsigned(2).value_or(0) : 0;
        const std::uint64_t phonetic = rich && (options & 0x04) != 0 ? data.Unsigned(4).value_or(0) : 0;
        std::u16string text = data.Characters(count, (options & 1) != 0);
        data.Skip(4 * runs + phonetic);
        return text;
    }

    void SetCell(std::uint32_t row, std::uint32_t column, std::u16string text, std::uint32_t style) {
        if (!takesCells_) return;
        if (text.size() > kMaxCellTextUnits - cellTextUnits_) text.clear();
        cellTextUnits_ += text.size();
        workbook_.SetCell(row, column, std::move(text), style);
    }
    void SetNumber(std::uint32_t row, std::uint32_t column, double value, std::uint32_t style) {
        SetCell(row, column, GeneralNumberText(value), style);
    }
    void SetBoolOrError(std::uint32_t row, std::uint32_t column, std::uint8_t value, bool error, std::uint32_t style) {
        if (error) {
            SetCell(row, column, ToUtf16(Formatted(StringId::CellErrorCode, int{value})), style);
        } else {
            SetCell(row, column, Text16(value != 0 ? StringId::CellTrue : StringId::CellFalse), style);
        }
    }

    void Take(const Record& record) {
        const ByteReader data(record.data);
        const std::uint32_t row = data.U16(0);
        const std::uint32_t column = data.U16(2);
        const std::uint32_t style = data.U16(4);
        // A string result follows its formula, after the formula's shared or array definition.
        if (record.type != kString && record.type != kSharedFormula && record.type != kArray && record.type != kTable) {
            pendingFormula_.reset();
        }
        switch (record.type) {
            case kBof: return StartSubstream(record, data);
            case kEof:
                if (depth_ > 0) --depth_;
                takesCells_ = depth_ == 1 && sheetOpen_;
                return;
            case kBoundSheet: {
                ContinuedRecord rest = Continued(record, 6);
                sheetNames_[data.U32(0)] = String(rest, 1);
                return;
            }
            case kSharedStrings: return ReadSharedStrings(record);
            case kFont: return ReadFont(record, data);
            case kExtendedFormat: return ReadStyle(data);
            case kColumnInfo:
                if (takesCells_ && data.Has(0, 6)) {
                    workbook_.AddColumns(ColumnWidth{data.U16(0), data.U16(2), data.U16(4) / 256.0});
                }
                return;
            case kMergedCells:
                if (!takesCells_) return;
                for (std::size_t i = 0, count = data.U16(0); i < count && data.Has(2 + 8 * i, 8); ++i) {
                    const std::size_t at = 2 + 8 * i;
                    workbook_.AddMerged(CellRange{data.U16(at), data.U16(at + 4), data.U16(at + 2), data.U16(at + 6)});
                }
                return;
            case kLabelSst:
                if (data.Has(6, 4) && data.U32(6) < sharedStrings_.size()) SetCell(row, column, sharedStrings_[data.U32(6)], style);
                return;
            case kLabel: {
                if (!data.Has(0, 8)) return;
                ContinuedRecord rest = Continued(record, 6);
                return SetCell(row, column, String(rest, 2), style);
            }
            case kNumber:
                if (data.Has(6, 8)) SetNumber(row, column, Float64(data, 6), style);
                return;
            case kRk:
                if (data.Has(6, 4)) SetNumber(row, column, RkNumber(data.U32(6)), style);
                return;
            case kMulRk:
                // Row, first column, then 6-byte (style, number) pairs, then the last column.
                for (std::uint32_t at = 4, next = column; data.Has(at, 6 + 2); at += 6, ++next) {
                    SetNumber(row, next, RkNumber(data.U32(at + 2)), data.U16(at));
                }
                return;
            case kBoolErr:
                // 8 bytes; some writers pad the record by a byte.
                if (data.size() >= 8) SetBoolOrError(row, column, data.U8(6), data.U8(7) != 0, style);
                return;
            case kFormula: return ReadFormula(data, row, column, style);
            case kString:
                if (pendingFormula_) {
                    ContinuedRecord rest = Continued(record, 0);
                    SetCell(pendingFormula_->row, pendingFormula_->column, String(rest, 2), pendingFormula_->style);
                    pendingFormula_.reset();
                }
                return;
            default: return;
        }
    }

    void StartSubstream(const Record& record, const ByteReader& data) {
        const std::uint16_t version = data.U16(0);
        const std::uint16_t kind = data.U16(2);
        if (depth_++ > 0) {  // a chart inside a sheet
            takesCells_ = false;
            return;
        }
        if (kind == kWorkbookGlobals) {
            biff8_ = version == kBiff8;
            sheetOpen_ = takesCells_ = false;
            return;
        }
        const auto name = sheetNames_.find(record.offset);
        sheetOpen_ = takesCells_ = workbook_.AddSheet(name != sheetNames_.end() ? name->second : Text16(StringId::DefaultSheetName));
    }

    void ReadSharedStrings(const Record& record) {
        ContinuedRecord strings = Continued(record, 8);
        const std::uint32_t unique = ByteReader(record.data).U32(4);
        while (sharedStrings_.size() < unique && !strings.Exhausted()) {
            std::u16string text = String(strings, 2, true);
            sharedStringUnits_ += text.size();
            if (sharedStringUnits_ > kMaxCellTextUnits) break;
            sharedStrings_.push_back(std::move(text));
        }
    }

    void ReadFont(const Record& record, const ByteReader& data) {
        ContinuedRecord rest = Continued(record, 14);
        SheetFont font{String(rest, 1), data.U8(12), data.U8(11)};
        // Font number 4 is never written, so the fonts after it are numbered one higher.
        if (workbook_.fonts.size() == 4) workbook_.fonts.push_back(font);
        if (workbook_.fonts.size() < Workbook::kMaxRanges) workbook_.fonts.push_back(std::move(font));
    }

    void ReadStyle(const ByteReader& data) {
        if (workbook_.styles.size() >= Workbook::kMaxRanges) return;
        const std::uint8_t alignment = data.U8(6);
        CellStyle style;
        style.fontId = data.U16(0);
        const unsigned horizontal = alignment & 0x07;
        style.horizontal = horizontal == 2 ? HorizontalAlign::Center : horizontal == 3 ? HorizontalAlign::Right : HorizontalAlign::General;
        const unsigned vertical = (alignment >> 4) & 0x07;
        style.vertical = vertical == 1 ? VerticalAlign::Center : vertical == 2 ? VerticalAlign::Bottom : VerticalAlign::Top;
        workbook_.styles.push_back(style);
    }

    // The cached result: a number, or (with 0xFFFF in its top bytes) a string in the STRING
    // record that follows, a Boolean, an error or an empty string.
    void ReadFormula(const ByteReader& data, std::uint32_t row, std::uint32_t column, std::uint32_t style) {
        if (!data.Has(6, 8)) return;
        if (data.U16(12) != 0xFFFF) return SetNumber(row, column, Float64(data, 6), style);
        switch (data.U8(6)) {
            case 0: pendingFormula_ = PendingFormula{row, column, style}; return;
            case 1: return SetBoolOrError(row, column, data.U8(8), false, style);
            case 2: return SetBoolOrError(row, column, data.U8(8), true, style);
            default: return SetCell(row, column, {}, style);
        }
    }

    struct PendingFormula {
        std::uint32_t row, column, style;
    };

    Workbook& workbook_;
    AnsiCodePage& codePage_;
    std::map<std::size_t, std::u16string> sheetNames_;  // by the stream offset of the sheet's BOF
    std::vector<std::u16string> sharedStrings_;
    std::size_t sharedStringUnits_ = 0;
    std::size_t cellTextUnits_ = 0;
    std::optional<PendingFormula> pendingFormula_;
    bool biff8_ = true;
    int depth_ = 0;
    bool sheetOpen_ = false;  // the outermost substream is a sheet the workbook took
    // Cells before any substream go to a sheet of their own; those of the globals or of a
    // chart inside a sheet are passed over.
    bool takesCells_ = true;
};

}  // namespace

std::u16string GeneralNumberText(double value) {
    if (!std::isfinite(value)) return {};
    if (value == 0) return u"0";
    char text[32];
    if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
        std::snprintf(text, sizeof text, "%.0f", value);
    } else {
        std::snprintf(text, sizeof text, "%.15g", value);
    }
    return ToUtf16(text);
}

Workbook XlsWorkbookOfStream(std::span<const std::uint8_t> stream, AnsiCodePage& codePage) {
    Workbook workbook;
    WorkbookReader(workbook, codePage).Read(ReadRecords(stream));
    return workbook;
}

Workbook XlsWorkbook(const CompoundDocument& document, AnsiCodePage& codePage) {
    const CompoundEntry* stream = document.FindStream(u"Workbook");
    if (stream == nullptr) stream = document.FindStream(u"Book");
    if (stream == nullptr) return {};
    return XlsWorkbookOfStream(document.ReadStream(*stream), codePage);
}

}  // namespace tundrel
