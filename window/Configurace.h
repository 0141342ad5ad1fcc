// The persisted settings: seven lines of "Scanvet.cfg" in the working directory.
#pragma once

#include "net/Common.h"

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
