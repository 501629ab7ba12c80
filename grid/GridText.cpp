#include "grid/GridText.h"
#include "grid/GridCore.h"

namespace kelmora {

std::vector<std::string> SplitCells(std::string_view line) {
    std::vector<std::string> cells;
    ForEachCell(line, [&](std::string_view cell) {
        cells.emplace_back(cell);
        return true;
    });
    return cells;
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    ForEachLine(text, [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

int CountLines(std::string_view text) {
    int count = 0;
    ForEachLine(text, [&](std::string_view) { ++count; });
    return count;
}

}  // namespace kelmora
