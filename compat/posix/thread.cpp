// The calling thread's id.
#include "compat/posix/com.h"

#include <sys/syscall.h>
#include <unistd.h>

DWORD WINAPI GetCurrentThreadId() { return static_cast<DWORD>(::syscall(SYS_gettid)); }
