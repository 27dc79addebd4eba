// The calling thread's id and last-error value.
#include "compat/posix/com.h"

#include <sys/syscall.h>
#include <unistd.h>

namespace {

thread_local DWORD t_LastError = 0;

}  // namespace

DWORD WINAPI GetCurrentThreadId() { return static_cast<DWORD>(::syscall(SYS_gettid)); }

DWORD WINAPI GetLastError() { return t_LastError; }

void WINAPI SetLastError(DWORD dwErrCode) { t_LastError = dwErrCode; }
