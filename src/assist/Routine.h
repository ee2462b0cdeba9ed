// The main job without the window: a library's function list, one routine's
// source block and parameter panel, and the call that Copy would compose.
// Everything here runs the same logic as the dialog, in the same order.
#pragma once

#include "assist/ReadError.h"
#include "common/RoutineName.h"
#include "common/TextList.h"
#include "composer/PrototypeParser.h"
#include "composer/RoutineCall.h"
#include "composer/ValueEditors.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tovel::cli {

// The function list as the dialog's function combo shows it: every listed
// prototype text, sorted with case ignored, duplicates kept; or why the
// library cannot be read.
ReadResult<TextList> ReadFunctionTextList(const std::string& libraryPath);
// The same list as separate strings.
ReadResult<std::vector<std::string>> ReadFunctionList(const std::string& libraryPath);

// The routine name of a prototype text (common/RoutineName.h), and the
// composer's rules from a query to the call (composer/RoutineCall.h).
using tovel::CallResult;
using tovel::DescribeSlot;
using tovel::FunctionMatch;
using tovel::ListLine;
using tovel::MatchFunction;
using tovel::RoutineNameOf;
using tovel::SlotInfo;
using tovel::SlotKind;
using tovel::SlotKindName;

struct RoutineView {
    std::string libraryPath;
    std::string prototype;
    std::string sourcePath;      // the file read: ".s", its ".c" variant, or the library
    bool sourceFound = false;    // one of them could be opened
    bool prototypeFound = false; // its prototype comment line was found there
    std::string block;           // the source block as the source view shows it
                                 // (empty when loaded without it)
    ParameterPanelModel panel;
    std::vector<SlotInfo> slotList; // slots 1..n
};

// Reads the routine as choosing it in the function list does (the shared
// tovel::LoadRoutine): the source path, its ".c" variant, the source block
// and the parameter panel. withBlock false skips building the block, for
// the commands that do not print it.
RoutineView LoadRoutine(const std::string& libraryPath, const std::string& prototype, bool withBlock = true);

// tovel::ComposeRoutineCall for the loaded routine's panel and slots.
CallResult ComposeRoutineCall(const RoutineView& routine, const std::vector<std::string>& values, bool usePresets);

// The parameter panel's model as text, one "key: value" line each.
std::string FormatParamsText(const RoutineView& routine);

// The same as a JSON object.
std::string FormatParamsJson(const RoutineView& routine);

} // namespace tovel::cli
