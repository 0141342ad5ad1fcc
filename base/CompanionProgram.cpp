// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "base/CompanionProgram.h"

#include <filesystem>

std::string companionProgram(const std::string& name)
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path folder = error ? std::filesystem::path() : self.parent_path();
    const std::filesystem::path beside = folder / name;
    if (std::filesystem::exists(beside, error)) return beside.string();
    return (folder / SCANVET_COMPANIONS_FROM_PROGRAM / name).lexically_normal().string();
}
