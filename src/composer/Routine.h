// The road from a chosen function to its call, shared by the main dialog and
// tovel-cli: which file holds the routine's source, the source block the
// view shows, the parameter panel's model, and the call text Copy composes.
// Each step is the one the dialog's handler of the same job runs.
#pragma once

#include "common/RoutineName.h"
#include "composer/PrototypeParser.h"

#include <string>
#include <string_view>
#include <vector>

namespace tovel {

// The source block of a routine and the file it came from.
struct RoutineBlock {
    std::string openedPath;   // the first of SourcePathCandidates that could be opened
                              // (its ".c" variant when none could)
    bool sourceFound = false; // one of them could be opened
    bool startFound = false;  // the routine's prototype comment line is in it
    std::string text;         // the block, empty when its start line is missing;
                              // a block past the view's size ends with a note
};

// False for a header library's prototype without a routine name: the file
// that would hold its source is named by the routine, so there is none.
bool HasRoutineSource(std::string_view libraryPath, std::string_view prototype);

// Reads the block of prototype from the first of SourcePathCandidates
// (sourcePath, its other letter case, its ".c" variant) that opens. With an empty path or prototype nothing
// is opened and openedPath is the path as given. withText false only looks
// for the start line and leaves the block text empty.
RoutineBlock FindRoutineBlock(std::string_view sourcePath, std::string_view prototype, bool withText = true);

// The parameter panel's model after choosing prototype whose source is the
// file at openedPath (empty or unreadable: the model as ParsePrototypeSource
// leaves it without a source).
ParameterPanelModel ReadParameterPanel(ParameterPanelModel model, const std::string& openedPath,
                                       std::string_view prototype);

// A routine as choosing it in the function list loads it.
struct LoadedRoutine {
    std::string sourcePath; // SourcePathFor(library, prototype)
    RoutineBlock block;
    ParameterPanelModel panel;
};

// SourcePathFor, FindRoutineBlock and ReadParameterPanel in a row, starting
// from an empty panel.
LoadedRoutine LoadRoutine(std::string_view libraryPath, std::string_view prototype, bool withBlock = true);

// The call Copy puts on the clipboard: the values in slot order, and the
// names past the last slot only when every slot gave a value.
std::string ComposeRoutineCallText(std::string_view function, const std::vector<std::string>& values,
                                   const std::vector<std::string>& extraNames);

} // namespace tovel
