// Processor affinity on Linux (sched_getcpu, gettid, sched_setaffinity).
#include "platform/processor.h"

#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

int CurrentProcessor() { return sched_getcpu(); }

int64_t SystemThreadId() { return static_cast<int64_t>(syscall(SYS_gettid)); }

bool KeepOffProcessor(int64_t thread, int processor) {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) return false;
    cpu_set_t set = allowed;
    if (processor >= 0 && processor < CPU_SETSIZE && CPU_ISSET(processor, &set)) {
        CPU_CLR(processor, &set);
        if (CPU_COUNT(&set) == 0) set = allowed;
    }
    return sched_setaffinity(static_cast<pid_t>(thread), sizeof set, &set) == 0;
}

}  // namespace platform
