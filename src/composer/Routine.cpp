#include "composer/Routine.h"

#include "common/ByteText.h"
#include "composer/CallText.h"
#include "library/LineReader.h"
#include "library/Scanner.h"
#include "library/SourceView.h"

namespace tovel {

bool HasRoutineSource(std::string_view libraryPath, std::string_view prototype)
{
    return !IsHeaderLibrary(libraryPath) || !RoutineNameOf(prototype).empty();
}

RoutineBlock FindRoutineBlock(std::string_view sourcePath, std::string_view prototype, bool withText)
{
    RoutineBlock block;
    block.openedPath = std::string(sourcePath);
    if (sourcePath.empty() || prototype.empty() || LastPathSep(sourcePath) + 1 == static_cast<int>(sourcePath.size()))
        return block;
    FileLineReader reader;
    const auto opened = ChooseSourceFile(sourcePath, [&](const std::string& path) { return reader.Open(path); });
    block.sourceFound = opened.has_value();
    block.openedPath = opened ? *opened : CVariantPath(sourcePath);
    if (!block.sourceFound)
        return block;
    if (withText) {
        block.text = ExtractSourceBlock(reader, prototype);
        block.startFound = !block.text.empty();
        return block;
    }
    std::string line;
    do {
        reader.SkipToLineWith(prototype);
        reader.ReadLineInto(line);
    } while (!line.empty() && !IsBlockStartLine(line, prototype));
    block.startFound = !line.empty();
    return block;
}

ParameterPanelModel ReadParameterPanel(ParameterPanelModel model, const std::string& openedPath,
                                       std::string_view prototype)
{
    FileLineReader reader;
    const bool opened = reader.Open(openedPath);
    return ParsePrototypeSource(std::move(model), prototype, opened ? &reader : nullptr);
}

LoadedRoutine LoadRoutine(std::string_view libraryPath, std::string_view prototype, bool withBlock)
{
    LoadedRoutine routine;
    routine.sourcePath = SourcePathFor(libraryPath, prototype);
    if (!HasRoutineSource(libraryPath, prototype)) {
        routine.panel = ReadParameterPanel(ParameterPanelModel{}, std::string(), prototype);
        return routine;
    }
    routine.block = FindRoutineBlock(routine.sourcePath, prototype, withBlock);
    routine.panel = ReadParameterPanel(ParameterPanelModel{}, routine.block.openedPath, prototype);
    return routine;
}

std::string ComposeRoutineCallText(std::string_view function, const std::vector<std::string>& values,
                                   const std::vector<std::string>& extraNames)
{
    static const std::vector<std::string> kNone;
    const bool allSlots = values.size() == static_cast<size_t>(kMaxSlots);
    return ComposeCallText(function, values, allSlots ? extraNames : kNone);
}

} // namespace tovel
