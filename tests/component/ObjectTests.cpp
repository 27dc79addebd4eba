// The object's identity: its interface map and connection point, the class object and the
// module's lock count.
#include <gtest/gtest.h>

#include "component/com/Module.h"
#include "tests/component/ComponentFixture.h"

namespace tarn::test {
namespace {

IUnknown* Query(IUnknown* object, REFIID iid, HRESULT expected) {
    void* p = nullptr;
    EXPECT_EQ(object->QueryInterface(iid, &p), expected);
    if (p) static_cast<IUnknown*>(p)->Release();
    return static_cast<IUnknown*>(p);
}

TEST_F(ComponentTest, InterfaceMapAndConnectionPoint) {
    IUnknown* reader = Query(object.Get(), IID_IQVRecorderFileReader, S_OK);
    EXPECT_EQ(Query(object.Get(), IID_IUnknown, S_OK), reader);
    EXPECT_EQ(Query(object.Get(), IID_IDispatch, S_OK), reader) << "IDispatch leads to the first reader interface";
    IUnknown* writer = Query(object.Get(), IID_IQVRecorderFileWriter, S_OK);
    EXPECT_NE(Query(object.Get(), IID_IQVRecorderFileReader2, S_OK), reader);
    EXPECT_NE(writer, reader);
    EXPECT_EQ(Query(writer, IID_IUnknown, S_OK), reader);
    for (const IID* iid : {&IID_IConnectionPoint, &IID_IClassFactory, &DIID__IQVRecorderFileReaderEvents})
        EXPECT_EQ(Query(object.Get(), *iid, E_NOINTERFACE), nullptr);
    auto container = object.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
    client::ComPtr<IConnectionPoint> point;
    EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, point.Put()), CONNECT_E_NOCONNECTION);
    ASSERT_EQ(container->FindConnectionPoint(DIID__IQVRecorderFileReaderEvents, point.Put()), S_OK);
}

TEST(ClassObject, CreatesObjectsAndCountsLocks) {
    const LONG before = com::Module::LockCount();
    client::ComPtr<IClassFactory> factory;
    EXPECT_EQ(component::GetClassObject(LIBID_TARNLib, IID_IClassFactory, factory.PutVoid()), CLASS_E_CLASSNOTAVAILABLE);
    ASSERT_EQ(component::GetClassObject(CLSID_QVRecorderFileReader, IID_IClassFactory, factory.PutVoid()), S_OK);
    {
        client::ComPtr<IQVRecorderFileReader2> object;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IQVRecorderFileReader2, object.PutVoid()), S_OK);
        EXPECT_EQ(component::CanUnloadNow(), S_FALSE);
        EXPECT_EQ(com::Module::LockCount(), before + 1);
    }
    EXPECT_EQ(com::Module::LockCount(), before);
    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(component::CanUnloadNow(), S_FALSE);
    ASSERT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(component::CanUnloadNow(), before == 0 ? S_OK : S_FALSE);
}

}  // namespace
}  // namespace tarn::test
