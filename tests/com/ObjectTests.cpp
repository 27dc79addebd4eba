// Identity, reference counting, aggregation, creation and the class object.
#include "TestObject.h"

#include "component/com/ClassFactory.h"
#include "component/com/Module.h"

#include <gtest/gtest.h>

using tarn::com::ComObject;
using tarn::com::Module;

namespace {

template <class I>
I* Query(IUnknown* unknown, REFIID iid) {
    void* p = nullptr;
    EXPECT_EQ(unknown->QueryInterface(iid, &p), S_OK);
    return static_cast<I*>(p);
}

TEST(ComObject, QueryInterfaceFollowsTheInterfaceMap) {
    ITestAlpha* alpha = NewTestObject();
    ASSERT_NE(alpha, nullptr);
    ITestBeta* beta = Query<ITestBeta>(alpha, IID_ITestBeta);
    auto* container = Query<IConnectionPointContainer>(beta, IID_IConnectionPointContainer);

    // One identity from every interface; IDispatch is the first interface.
    IUnknown* identity = Query<IUnknown>(alpha, IID_IUnknown);
    for (IUnknown* from : {static_cast<IUnknown*>(beta), static_cast<IUnknown*>(container)}) {
        IUnknown* again = Query<IUnknown>(from, IID_IUnknown);
        EXPECT_EQ(again, identity);
        again->Release();
        IDispatch* dispatch = Query<IDispatch>(from, IID_IDispatch);
        EXPECT_EQ(static_cast<void*>(dispatch), static_cast<void*>(alpha));
        dispatch->Release();
    }
    EXPECT_NE(static_cast<void*>(beta), static_cast<void*>(alpha));

    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(alpha->QueryInterface(IID_IConnectionPoint, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(alpha->QueryInterface(IID_ITestAlpha, nullptr), E_POINTER);

    for (IUnknown* u : {static_cast<IUnknown*>(identity), static_cast<IUnknown*>(container),
                        static_cast<IUnknown*>(beta)})
        u->Release();
    EXPECT_EQ(alpha->Release(), 0u);
}

TEST(ComObject, OneCountForAllInterfacesAndTheModuleLock) {
    const LONG locks = Module::LockCount();
    const int live = TestObject::s_live;
    ITestAlpha* alpha = NewTestObject();
    EXPECT_EQ(Module::LockCount(), locks + 1);
    EXPECT_EQ(RefCount(alpha), 1u);
    ITestBeta* beta = Query<ITestBeta>(alpha, IID_ITestBeta);
    EXPECT_EQ(RefCount(alpha), 2u);
    EXPECT_EQ(alpha->Release(), 1u);
    EXPECT_EQ(beta->Release(), 0u);
    EXPECT_EQ(TestObject::s_live, live);
    EXPECT_EQ(Module::LockCount(), locks);
}

// The controlling unknown of an aggregate: forwards unknown interfaces to the inner object.
class Outer : public IUnknown {
public:
    ULONG refs = 1;
    IUnknown* inner = nullptr;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown)) {
            *ppv = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        return inner->QueryInterface(riid, ppv);
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

    ITestBeta* beta = Query<ITestBeta>(&outer, IID_ITestBeta);
    EXPECT_EQ(outer.refs, 2u);   // interfaces count on the outer
    IUnknown* identity = Query<IUnknown>(beta, IID_IUnknown);
    EXPECT_EQ(identity, static_cast<IUnknown*>(&outer));
    identity->Release();
    // The inner unknown is its own identity and holds the object's count.
    IUnknown* inner = Query<IUnknown>(outer.inner, IID_IUnknown);
    EXPECT_EQ(inner, outer.inner);
    EXPECT_EQ(inner->Release(), 1u);
    beta->Release();
    EXPECT_EQ(outer.refs, 1u);

    const int live = TestObject::s_live;
    EXPECT_EQ(outer.inner->Release(), 0u);
    EXPECT_EQ(TestObject::s_live, live - 1);
}

HRESULT CreateTestObject(IUnknown* outer, REFIID riid, void** ppv) {
    return ComObject<TestObject>::CreateInstance(outer, riid, ppv);
}

TEST(ClassFactory, CreationCodesAndServerLock) {
    tarn::com::ClassFactory factory(&CreateTestObject);
    const int live = TestObject::s_live;
    Outer outer;
    void* p = reinterpret_cast<void*>(1);
    struct Case {
        IUnknown* outer;
        const IID* iid;
        HRESULT expected;
    } cases[] = {
        {&outer, &IID_ITestAlpha, CLASS_E_NOAGGREGATION},
        {nullptr, &IID_IConnectionPoint, E_NOINTERFACE},
        {nullptr, &IID_ITestBeta, S_OK},
        {&outer, &IID_IUnknown, S_OK},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(factory.CreateInstance(c.outer, *c.iid, &p), c.expected);
        EXPECT_EQ(p != nullptr, c.expected == S_OK);
        EXPECT_EQ(TestObject::s_live, live + (c.expected == S_OK ? 1 : 0));   // failures leave nothing
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
