#include "window/Configurace.h"

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
