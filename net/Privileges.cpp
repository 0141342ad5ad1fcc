// Capabilities belong to each thread, and capset changes only the calling
// one: the threads that exist by then (Qt's among them) are asked by a signal
// to clear their own, as glibc does for setuid. /proc tells which still hold
// any.
#include "net/Privileges.h"

#include <dirent.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

bool clearThisThread() noexcept
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    return syscall(SYS_capset, &header, data) == 0;
}

void onDropSignal(int)
{
    const int saved = errno;
    clearThisThread();
    errno = saved;
}

// Neither Qt nor glibc uses it.
int dropSignal() { return SIGRTMAX - 3; }

std::vector<pid_t> threadsOfThisProcess()
{
    std::vector<pid_t> threads;
    DIR* dir = opendir("/proc/self/task");
    if (dir == nullptr) return threads;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
        threads.push_back(static_cast<pid_t>(std::stol(entry->d_name)));
    }
    closedir(dir);
    return threads;
}

// True when the thread holds no capability in any set; a thread that has
// ended holds none.
bool holdsNone(pid_t thread)
{
    std::ifstream status("/proc/self/task/" + std::to_string(thread) + "/status");
    if (!status) return true;
    int sets = 0;
    for (std::string line; std::getline(status, line);) {
        for (const char* set : {"CapInh:", "CapPrm:", "CapEff:", "CapAmb:"}) {
            if (line.rfind(set, 0) != 0) continue;
            ++sets;
            if (line.find_first_not_of("0\t ", std::strlen(set)) != std::string::npos) return false;
        }
    }
    return sets > 0;
}

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
    if (ruid == 0) return true;
    // A set-user-ID or set-group-ID binary: back to the user who started it
    // (glibc applies this to every thread).
    if ((egid != rgid || sgid != rgid) && setresgid(rgid, rgid, rgid) != 0) {
        why = reason("setresgid");
        return false;
    }
    if ((euid != ruid || suid != ruid) && setresuid(ruid, ruid, ruid) != 0) {
        why = reason("setresuid");
        return false;
    }
    if (!clearThisThread()) {
        why = reason("capset");
        return false;
    }

    const pid_t self = static_cast<pid_t>(syscall(SYS_gettid));
    std::vector<pid_t> holding;
    // A thread may start another before it has cleared its own; each round
    // catches the ones started meanwhile.
    for (int round = 0; round < 100; ++round) {
        holding.clear();
        for (const pid_t thread : threadsOfThisProcess())
            if (thread != self && !holdsNone(thread)) holding.push_back(thread);
        if (holding.empty()) return true;
        if (round == 0) {
            struct sigaction action {};
            action.sa_handler = onDropSignal;
            action.sa_flags = SA_RESTART;
            sigemptyset(&action.sa_mask);
            // Stays installed: a signal still pending in a thread that has it
            // blocked must never meet the default action, which ends the process.
            if (sigaction(dropSignal(), &action, nullptr) != 0) {
                why = reason("sigaction");
                return false;
            }
        }
        for (const pid_t thread : holding) syscall(SYS_tgkill, getpid(), thread, dropSignal());
        usleep(10000);
    }
    why = "a thread keeps its capabilities (thread " + std::to_string(holding.front()) + ")";
    return false;
}
