// Turns a chosen prototype and the hint lines after its prototype comment
// into the model of the "Choose Parameters" panel: return type, routine
// name and up to kMaxSlots parameter slots (name, hint, preset value).
#pragma once

#include "composer/PanelLayout.h" // kMaxSlots
#include "library/Format.h"       // NormalizePrototype, MatchHintLine
#include "library/LineReader.h"

#include <string>
#include <string_view>
#include <vector>

namespace tovel {

struct ParameterPanelModel {
    std::string type;     // Type label text
    std::string function; // Function label text (routine name; the whole prototype text until the line is found)
    int nParams = 0;      // slots in use, 0..kMaxSlots
    std::vector<std::string> names, hints, values; // nParams each; slot k is index k-1
    std::vector<std::string> extraNames; // parameters past the last slot, in order (written as-is into the call)
};

// A choice hint has its first ',' at index 1 or later.
bool IsChoiceHint(std::string_view hint);

// The comma-separated items of a choice hint, in order, empty items kept.
std::vector<std::string> SplitChoiceHint(std::string_view hint);

// Looks up the prototype comment line of the prototype in the source and
// fills the model from it and the hint lines after it. source == nullptr
// means the source failed to open. The incoming model's type text is kept
// when the line is not found.
ParameterPanelModel ParsePrototypeSource(ParameterPanelModel model, std::string_view prototype, LineSource* source);

} // namespace tovel
