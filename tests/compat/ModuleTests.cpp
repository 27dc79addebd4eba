// Module handles from addresses and module file names, against both implementations.
#include "tests/compat/CompatTest.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using tarn::test::OleString;

void Anchor() {}

HMODULE ModuleOf(const void* address) {
    HMODULE module = nullptr;
    const BOOL found = GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                          static_cast<LPCWSTR>(address), &module);
    EXPECT_EQ(found != FALSE, module != nullptr);
    return module;
}

OleString FileName(HMODULE module) {
    OLECHAR path[4096];
    const DWORD length = GetModuleFileNameW(module, path, 4096);
    return OleString(path, length);
}

TEST(Module, AnAddressLeadsToItsModuleAndFile) {
    const HMODULE module = ModuleOf(reinterpret_cast<const void*>(&Anchor));
    ASSERT_NE(module, nullptr);
    const OleString path = FileName(module);
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path, FileName(nullptr));   // the test executable holds Anchor

    const auto onHeap = std::make_unique<int>(0);
    EXPECT_EQ(ModuleOf(onHeap.get()), nullptr);
    EXPECT_FALSE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&Anchor), nullptr));
}

TEST(Module, FileNamesAreCutToTheBuffer) {
    const OleString path = FileName(nullptr);
    const DWORD length = DWORD(path.size());
    ASSERT_GT(length, 4u);
    const struct {
        DWORD size;
        DWORD result;
        DWORD error;
    } cases[] = {
        {length + 1, length, ERROR_SUCCESS},
        {length, length, ERROR_INSUFFICIENT_BUFFER},   // no room for the NUL
        {4, 4, ERROR_INSUFFICIENT_BUFFER},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        OleString buffer(length + 1, OLECHAR('#'));
        SetLastError(12345);
        EXPECT_EQ(GetModuleFileNameW(nullptr, &buffer[0], c.size), c.result);
        if (c.error != ERROR_SUCCESS) {
            EXPECT_EQ(GetLastError(), c.error);
        }
        // What fits is the path's beginning; the last slot may hold the NUL.
        const DWORD kept = c.size > length ? length : c.size - 1;
        EXPECT_EQ(buffer.substr(0, kept), path.substr(0, kept));
        EXPECT_EQ(buffer[length], c.size > length ? OLECHAR(0) : OLECHAR('#'));
    }
}

}  // namespace
