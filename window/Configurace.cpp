#include "window/Configurace.h"

#include <algorithm>

bool TConfigurace::Load()
{
    if (LoadFromFile(FileName)) return true;
    Clear();
    return false;
}

bool TConfigurace::Save() const
{
    return SaveToFile(FileName);
}

void ReadSettingLines(const TStringList& lines, std::span<const TSettingRange> ranges,
                      const std::function<void(size_t line, int32_t value)>& apply)
{
    for (size_t line = 0; line < ranges.size(); ++line) {
        const int32_t value = StrToInt(lines.Strings(static_cast<int>(line)));
        apply(line, std::clamp(value, ranges[line].Min, ranges[line].Max));
    }
}
