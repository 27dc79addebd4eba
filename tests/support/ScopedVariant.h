// A VARIANT for tests that receive VARIANTs from the code under test, shared by several suites.
#pragma once

#include "compat/compat.h"

namespace tarn::test {

// A VARIANT cleared when it goes out of scope.
class ScopedVariant {
public:
    ScopedVariant() { VariantInit(&m_Value); }
    ~ScopedVariant() { VariantClear(&m_Value); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    VARIANT* get() { return &m_Value; }
    // Cleared for reuse.
    void reset() { VariantClear(&m_Value); }

private:
    VARIANT m_Value;
};

}  // namespace tarn::test
