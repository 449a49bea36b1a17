#pragma once

// A full card, made real: a file-size limit for this process, so that writing a regular file
// past aBytes fails with EFBIG as a write to a full card fails with ENOSPC. SIGXFSZ, which
// would end the process, is ignored meanwhile. Both are put back at the end of the scope.

#include <sys/resource.h>

#include <csignal>

class CFileSizeLimit {
  public:
    explicit CFileSizeLimit(rlim_t aBytes) {
        iOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        iSet = ::getrlimit(RLIMIT_FSIZE, &iOld) == 0;
        if (iSet) {
            rlimit limit = iOld;
            limit.rlim_cur = aBytes;
            iSet = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
        }
    }
    ~CFileSizeLimit() {
        if (iSet) {
            (void)::setrlimit(RLIMIT_FSIZE, &iOld);
        }
        (void)std::signal(SIGXFSZ, iOldHandler);
    }
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

    bool IsSet() const { return iSet; }

  private:
    rlimit iOld{};
    bool iSet = false;
    void (*iOldHandler)(int) = SIG_DFL;
};
