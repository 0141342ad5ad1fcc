// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "startup/Privileges.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

std::string reason(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

} // namespace

bool dropPrivileges(std::string& why)
{
    uid_t ruid = 0, euid = 0, suid = 0;
    gid_t rgid = 0, egid = 0, sgid = 0;
    if (getresuid(&ruid, &euid, &suid) != 0 || getresgid(&rgid, &egid, &sgid) != 0) {
        why = reason("getresuid");
        return false;
    }
    // A set-user-ID or set-group-ID binary: back to the user who started it.
    if ((egid != rgid || sgid != rgid) && setresgid(rgid, rgid, rgid) != 0) {
        why = reason("setresgid");
        return false;
    }
    if ((euid != ruid || suid != ruid) && setresuid(ruid, ruid, ruid) != 0) {
        why = reason("setresuid");
        return false;
    }
    // Empty permitted and inheritable sets empty the ambient one too.
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (syscall(SYS_capset, &header, data) != 0) {
        why = reason("capset");
        return false;
    }
    return true;
}
