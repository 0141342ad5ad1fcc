// The persisted settings: seven lines of "Scanvet.cfg" in the working directory.
#pragma once

#include "net/Common.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

class TConfigurace : public TStringList {
public:
    // No folder: each load and save uses the working directory of that moment.
    std::string FileName = "Scanvet.cfg";

    // Empties the list, then reads the file; false (list empty) when it cannot be read.
    bool Load();
    // Creates or replaces the file; a failed write leaves the old file whole.
    bool Save() const;
};

// The range a setting's spinner holds.
struct TSettingRange {
    int32_t Min;
    int32_t Max;
};

// Reads line i (from 0) as a whole number brought into ranges[i], for each
// range in order, and hands it to apply. Raises at the first line that is
// missing (EStringListError) or no whole number (EConvertError); the lines
// before it have been applied by then.
void ReadSettingLines(const TStringList& lines, std::span<const TSettingRange> ranges,
                      const std::function<void(size_t line, int32_t value)>& apply);
