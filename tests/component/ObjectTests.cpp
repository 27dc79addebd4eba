// The object's identity: its interface map, the members that have no behaviour yet, the class
// object and the module's lock count.
#include <gtest/gtest.h>

#include "component/com/Module.h"
#include "tests/component/ComponentFixture.h"
#include "tests/component/Recordings.h"

namespace tarn::test {
namespace {

using client::ComPtr;

IUnknown* Query(IUnknown* object, REFIID iid, HRESULT expected) {
    void* p = nullptr;
    EXPECT_EQ(object->QueryInterface(iid, &p), expected);
    if (p) static_cast<IUnknown*>(p)->Release();
    return static_cast<IUnknown*>(p);
}

TEST(ComponentObject, InterfaceMap) {
    ComPtr<IQVRecorderFileReader> object = NewComponent();
    IUnknown* reader = Query(object.Get(), IID_IQVRecorderFileReader, S_OK);
    EXPECT_EQ(Query(object.Get(), IID_IUnknown, S_OK), reader);
    EXPECT_EQ(Query(object.Get(), IID_IDispatch, S_OK), reader) << "IDispatch leads to the first reader interface";
    IUnknown* writer = Query(object.Get(), IID_IQVRecorderFileWriter, S_OK);
    IUnknown* reader2 = Query(object.Get(), IID_IQVRecorderFileReader2, S_OK);
    IUnknown* container = Query(object.Get(), IID_IConnectionPointContainer, S_OK);
    EXPECT_NE(writer, reader);
    EXPECT_NE(reader2, reader);
    EXPECT_NE(container, nullptr);
    for (const IID* iid : {&IID_IConnectionPoint, &IID_IClassFactory, &DIID__IQVRecorderFileReaderEvents})
        EXPECT_EQ(Query(object.Get(), *iid, E_NOINTERFACE), nullptr);
    // Each interface finds its way back to the same identity.
    EXPECT_EQ(Query(writer, IID_IUnknown, S_OK), reader);
}

TEST(ComponentObject, FindConnectionPoint) {
    ComPtr<IQVRecorderFileReader> object = NewComponent();
    ComPtr<IConnectionPointContainer> container =
        object.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
    ComPtr<IConnectionPoint> point;
    EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, point.Put()), CONNECT_E_NOCONNECTION);
    ASSERT_EQ(container->FindConnectionPoint(DIID__IQVRecorderFileReaderEvents, point.Put()), S_OK);
    IID iid{};
    ASSERT_EQ(point->GetConnectionInterface(&iid), S_OK);
    EXPECT_TRUE(IsEqualIID(iid, DIID__IQVRecorderFileReaderEvents));
}

// Until their behaviour is built, and for the two that never have one, in every state.
TEST_F(ComponentTest, MembersWithoutBehaviourAnswerNotImplemented) {
    ComPtr<IQVRecorderFileReader2> reader2 = object.As<IQVRecorderFileReader2>(IID_IQVRecorderFileReader2);
    for (int round = 0; round < 2; ++round) {
        ScopedVariant value;
        LONG n = 0;
        short* block = nullptr;
        EXPECT_EQ(object->get_ChannelSelection(value.get()), E_NOTIMPL);
        EXPECT_EQ(object->setSampleSelection(0, 10), E_NOTIMPL);
        EXPECT_EQ(object->read(&n), E_NOTIMPL);
        EXPECT_EQ(object->_getBlock(&block), E_NOTIMPL);
        ULONG values = 0;
        EXPECT_EQ(reader2->GetCompressedSamples(1, 0, 10, &values, &block), E_NOTIMPL);
        if (round == 0) Open(TwoChannelRecording());
    }
}

TEST(ClassObject, CreatesObjectsAndCountsLocks) {
    const LONG before = com::Module::LockCount();
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(component::GetClassObject(LIBID_TARNLib, IID_IClassFactory, factory.PutVoid()), CLASS_E_CLASSNOTAVAILABLE);
    ASSERT_EQ(component::GetClassObject(CLSID_QVRecorderFileReader, IID_IClassFactory, factory.PutVoid()), S_OK);
    {
        ComPtr<IQVRecorderFileReader2> object;
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
