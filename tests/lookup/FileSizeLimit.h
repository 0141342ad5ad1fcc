// Makes every write to a regular file beyond a few bytes fail, as on a full
// disk. Works for root too, where read-only folders would not stop a write.
#pragma once

#include <sys/resource.h>

#include <csignal>

class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &FFormer);
        FFormerSignal = std::signal(SIGXFSZ, SIG_IGN);   // the write fails with EFBIG instead
        rlimit limit = FFormer;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &FFormer);
        std::signal(SIGXFSZ, FFormerSignal);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    rlimit FFormer{};
    void (*FFormerSignal)(int) = nullptr;
};
