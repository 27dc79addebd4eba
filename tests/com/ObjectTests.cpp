// Identity, reference counting, the module lock and aggregation, on a small object built from
// the COM support classes.
#include "component/com/ComObject.h"
#include "component/com/ConnectionPoint.h"
#include "component/com/Module.h"

#include <gtest/gtest.h>

using tarn::com::ComObject;
using tarn::com::Module;

namespace {

const IID DIID_IProbeEvents = {0x6f1c5a62, 0x0e0e, 0x4a8e, {0x9a, 0x55, 0x3c, 0x1e, 0x2f, 0x4b, 0x7d, 0x03}};

// Notes the module's lock count while its destructor runs.
class Probe : public tarn::com::ConnectionPointContainer, public tarn::com::ObjectRoot {
public:
    static inline LONG s_LocksInDestructor = -1;

    explicit Probe(IUnknown* outer) : ConnectionPointContainer(DIID_IProbeEvents), ObjectRoot(outer) {}
    ~Probe() override { s_LocksInDestructor = Module::LockCount(); }
    static const tarn::com::InterfaceMap& Interfaces() {
        static const tarn::com::InterfaceEntry entries[] = {
            tarn::com::Entry<Probe, IConnectionPointContainer>(IID_IConnectionPointContainer)};
        static const tarn::com::InterfaceMap map(entries);
        return map;
    }
};

HRESULT CreateProbe(IUnknown* outer, REFIID riid, void** ppv) {
    return ComObject<Probe>::CreateInstance(outer, riid, ppv);
}

IUnknown* Query(IUnknown* unknown, REFIID iid, HRESULT expected = S_OK) {
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(unknown->QueryInterface(iid, &p), expected);
    return static_cast<IUnknown*>(p);
}

// One identity and one count for all interfaces. The module stays locked until the object's
// destructor has run: it may still run the module's code there.
TEST(ComObject, IdentityCountAndModuleLock) {
    const LONG locks = Module::LockCount();
    IUnknown* container = nullptr;
    ASSERT_EQ(CreateProbe(nullptr, IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)), S_OK);
    EXPECT_EQ(Module::LockCount(), locks + 1);
    IUnknown* identity = Query(container, IID_IUnknown);
    EXPECT_EQ(identity, container);
    EXPECT_EQ(Query(identity, IID_IDispatch, E_NOINTERFACE), nullptr);
    EXPECT_EQ(container->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(identity->Release(), 1u);
    EXPECT_EQ(container->Release(), 0u);
    EXPECT_EQ(Probe::s_LocksInDestructor, locks + 1);
    EXPECT_EQ(Module::LockCount(), locks);
}

// The controlling unknown of an aggregate: forwards other interfaces to the inner object.
class Outer : public IUnknown {
public:
    ULONG refs = 1;
    IUnknown* inner = nullptr;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!IsEqualIID(riid, IID_IUnknown)) return inner->QueryInterface(riid, ppv);
        *ppv = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
};

TEST(ComObject, AggregatedInterfacesDelegateToTheOuterUnknown) {
    Outer outer;
    ASSERT_EQ(CreateProbe(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)), S_OK);
    EXPECT_EQ(outer.refs, 1u);   // the inner object does not hold its outer
    IUnknown* container = Query(&outer, IID_IConnectionPointContainer);
    EXPECT_EQ(outer.refs, 2u);   // interfaces count on the outer
    EXPECT_EQ(Query(container, IID_IUnknown), static_cast<IUnknown*>(&outer));
    EXPECT_EQ(Query(outer.inner, IID_IUnknown), outer.inner);   // its own identity, holding the count
    EXPECT_EQ(outer.inner->Release(), 1u);
    EXPECT_EQ(container->Release(), 2u);
    EXPECT_EQ(outer.inner->Release(), 0u);
}

}  // namespace
