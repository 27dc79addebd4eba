// Identity, reference counting, the module lock, aggregation and the class object.
#include "TestObject.h"

#include "component/com/ClassFactory.h"

#include <gtest/gtest.h>

using tarn::com::ComObject;
using tarn::com::Module;

namespace {

template <class I = IUnknown>
I* Query(IUnknown* unknown, REFIID iid, HRESULT expected = S_OK) {
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(unknown->QueryInterface(iid, &p), expected);
    return static_cast<I*>(p);
}

// One identity and one count for all interfaces; IDispatch is the first interface. The module
// stays locked until the object's destructor has run (it may still run the module's code).
TEST(ComObject, IdentityCountAndModuleLock) {
    const LONG locks = Module::LockCount();
    ITestAlpha* alpha = NewTestObject();
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(Module::LockCount(), locks + 1);
    auto* container = Query<IConnectionPointContainer>(alpha, IID_IConnectionPointContainer);
    EXPECT_EQ(RefCount(alpha), 2u);
    IUnknown* identity = Query(alpha, IID_IUnknown);
    IUnknown* again = Query(container, IID_IUnknown);
    EXPECT_EQ(again, identity);
    IUnknown* dispatch = Query(container, IID_IDispatch);
    EXPECT_EQ(static_cast<void*>(dispatch), static_cast<void*>(alpha));
    EXPECT_EQ(Query(alpha, IID_IConnectionPoint, E_NOINTERFACE), nullptr);
    EXPECT_EQ(alpha->QueryInterface(IID_ITestAlpha, nullptr), E_POINTER);
    for (IUnknown* u : {identity, again, dispatch, static_cast<IUnknown*>(container)}) u->Release();
    const int live = TestObject::s_Live;
    EXPECT_EQ(alpha->Release(), 0u);
    EXPECT_EQ(TestObject::s_Live, live - 1);
    EXPECT_EQ(TestObject::s_LocksInDestructor, locks + 1);
    EXPECT_EQ(Module::LockCount(), locks);
}

// The controlling unknown of an aggregate: forwards unknown interfaces to the inner object.
class Outer : public IUnknown {
public:
    ULONG refs = 1;
    IUnknown* inner = nullptr;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!IsEqualIID(riid, IID_IUnknown)) return inner->QueryInterface(riid, ppv);
        *ppv = static_cast<IUnknown*>(this);
        return AddRef(), S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
};

TEST(ComObject, AggregatedInterfacesDelegateToTheOuterUnknown) {
    Outer outer;
    void* p = nullptr;
    ASSERT_EQ(ComObject<TestObject>::CreateInstance(&outer, IID_IUnknown, &p), S_OK);
    outer.inner = static_cast<IUnknown*>(p);
    EXPECT_EQ(outer.refs, 1u);   // the inner object does not hold its outer
    auto* alpha = Query<ITestAlpha>(&outer, IID_ITestAlpha);
    EXPECT_EQ(outer.refs, 2u);   // interfaces count on the outer
    IUnknown* identity = Query(alpha, IID_IUnknown);
    EXPECT_EQ(identity, static_cast<IUnknown*>(&outer));
    identity->Release();
    IUnknown* inner = Query(outer.inner, IID_IUnknown);   // its own identity, holding the count
    EXPECT_EQ(inner, outer.inner);
    EXPECT_EQ(inner->Release(), 1u);
    alpha->Release();
    EXPECT_EQ(outer.refs, 1u);
    EXPECT_EQ(outer.inner->Release(), 0u);
}

HRESULT CreateTestObject(IUnknown* outer, REFIID riid, void** ppv) {
    return ComObject<TestObject>::CreateInstance(outer, riid, ppv);
}

TEST(ClassFactory, CreationCodesAndServerLock) {
    tarn::com::ClassFactory factory(&CreateTestObject);
    const int live = TestObject::s_Live;
    Outer outer;
    void* p = reinterpret_cast<void*>(1);
    const std::tuple<IUnknown*, const IID*, HRESULT> cases[] = {{&outer, &IID_ITestAlpha, CLASS_E_NOAGGREGATION},
                                                                {nullptr, &IID_IConnectionPoint, E_NOINTERFACE},
                                                                {nullptr, &IID_ITestAlpha, S_OK},
                                                                {&outer, &IID_IUnknown, S_OK}};
    for (const auto& [aggregate, iid, expected] : cases) {
        EXPECT_EQ(factory.CreateInstance(aggregate, *iid, &p), expected);
        EXPECT_EQ(p != nullptr, expected == S_OK);
        EXPECT_EQ(TestObject::s_Live, live + (expected == S_OK ? 1 : 0));   // failures leave nothing
        if (p) static_cast<IUnknown*>(p)->Release();
    }
    EXPECT_EQ(factory.CreateInstance(nullptr, IID_ITestAlpha, nullptr), E_POINTER);
    const LONG locks = Module::LockCount();
    EXPECT_EQ(factory.LockServer(TRUE), S_OK);
    EXPECT_EQ(Module::LockCount(), locks + 1);
    EXPECT_EQ(factory.LockServer(FALSE), S_OK);
    EXPECT_EQ(Module::LockCount(), locks);
}

}  // namespace
