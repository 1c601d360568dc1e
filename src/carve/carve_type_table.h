#pragma once
// The carving types that have a recognizer, in the fixed type order, and the table of rules a
// carving pass runs: one per switched-on type.

#include <memory>
#include <span>
#include <vector>

#include "carve/recognizer.h"
#include "support/carve_types.h"

namespace tundrel {

struct Settings;

struct CarveTypeRecognizer {
    std::size_t type;  // index into kCarveTypes
    RecognizerFactory make;
};

// Every type that has a recognizer, in table order.
std::span<const CarveTypeRecognizer> CarveRecognizers();

// One type of a pass: what it is, its recognizer and the files it found so far, in order of
// discovery; and for the dispatcher, the recognizer's start key and whether it follows a file.
struct CarveRule {
    const CarveTypeInfo* info = nullptr;
    std::unique_ptr<Recognizer> recognizer;
    std::vector<CarvedFile> found;
    StartKey key = StartKey::Any();
    bool pending = true;
};

// The rules of the switched-on types that have a recognizer, in table order, each with a fresh
// recognizer; empty when none is on.
std::vector<CarveRule> BuildCarveTable(const Settings& settings);

}  // namespace tundrel
