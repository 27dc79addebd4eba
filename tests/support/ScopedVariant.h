// A VARIANT cleared when it goes out of scope, for tests that receive VARIANTs.
#pragma once

#include "compat/compat.h"

namespace tarn::test {

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
