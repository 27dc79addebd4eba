// Late binding from member tables: names, argument order and conversion, results, codes.
#include "TestObject.h"

#include <gtest/gtest.h>

namespace {

class MemberDispatch : public ::testing::Test {
protected:
    void SetUp() override {
        object = NewTestObject();
        args.reserve(8);   // Arg() hands out references
    }
    void TearDown() override {
        ClearArgs();
        VariantClear(&result);
        object->Release();
    }
    DISPID Id(const OLECHAR* name) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID id = 0;
        EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
        return id;
    }
    // Invokes with args (in DISPPARAMS order, last argument first).
    HRESULT Call(DISPID id, WORD flags, bool namedPut = false) {
        DISPID put = DISPID_PROPERTYPUT;
        DISPPARAMS params = {args.data(), namedPut ? &put : nullptr, static_cast<UINT>(args.size()),
                             namedPut ? 1u : 0u};
        VariantClear(&result);
        argErr = 99;
        return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &result, nullptr, &argErr);
    }
    void ClearArgs() {
        for (VARIANT& v : args) VariantClear(&v);
        args.clear();
    }
    VARIANT& Arg() {
        args.emplace_back();
        VariantInit(&args.back());
        return args.back();
    }
    void Text(const OLECHAR* text) {
        VARIANT& v = Arg();
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = SysAllocString(text);
    }

    ITestAlpha* object = nullptr;
    std::vector<VARIANT> args;
    VARIANT result{};
    UINT argErr = 0;
};

TEST_F(MemberDispatch, NamesAreFoundWithoutRegardToCase) {
    EXPECT_EQ(Id(OLESTR("value")), 1);
    EXPECT_EQ(Id(OLESTR("SPLIT")), 3);
    LPOLESTR names[] = {const_cast<LPOLESTR>(OLESTR("Values")), const_cast<LPOLESTR>(OLESTR("x"))};
    DISPID ids[2] = {5, 5};
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], DISPID_UNKNOWN);
    names[0] = const_cast<LPOLESTR>(OLESTR("Describe"));
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 2, 0, ids), DISP_E_UNKNOWNNAME);   // no parameter names
    EXPECT_EQ(ids[0], 2);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);
    EXPECT_EQ(object->GetIDsOfNames(IID_ITestAlpha, names, 1, 0, ids), DISP_E_UNKNOWNINTERFACE);
}

TEST_F(MemberDispatch, PropertyPutConvertsAndGetReturns) {
    Text(OLESTR("12"));
    EXPECT_EQ(Call(1, DISPATCH_PROPERTYPUT), DISP_E_PARAMNOTFOUND);   // the value must be named
    EXPECT_EQ(Call(1, DISPATCH_PROPERTYPUT, true), S_OK);
    ClearArgs();
    EXPECT_EQ(Call(1, DISPATCH_PROPERTYGET), S_OK);
    EXPECT_EQ(V_VT(&result), VT_I4);
    EXPECT_EQ(V_I4(&result), 12);
    EXPECT_EQ(Call(1, DISPATCH_METHOD), DISP_E_MEMBERNOTFOUND);   // a property, not a method
}

TEST_F(MemberDispatch, ArgumentsArriveInReverseOrderAndTheRetvalBecomesTheResult) {
    VARIANT& scale = Arg();   // last argument first
    V_VT(&scale) = VT_I4;
    V_I4(&scale) = 3;
    Text(OLESTR("pre"));
    EXPECT_EQ(Call(2, DISPATCH_METHOD | DISPATCH_PROPERTYGET), S_OK);
    ASSERT_EQ(V_VT(&result), VT_BSTR);
    EXPECT_EQ(std::basic_string<OLECHAR>(V_BSTR(&result)), OLESTR("pre+big"));

    V_VT(&scale) = VT_DISPATCH;   // not convertible to double
    V_DISPATCH(&scale) = nullptr;
    EXPECT_NE(Call(2, DISPATCH_METHOD), S_OK);
    EXPECT_EQ(argErr, 0u);
    V_VT(&scale) = VT_EMPTY;
}

TEST_F(MemberDispatch, OutArgumentsAreByReferenceOfTheirType) {
    LONG half = 0;
    VARIANT& out = Arg();
    V_VT(&out) = VT_BYREF | VT_I4;
    V_I4REF(&out) = &half;
    VARIANT& total = Arg();
    V_VT(&total) = VT_R8;
    V_R8(&total) = 9.0;
    EXPECT_EQ(Call(3, DISPATCH_METHOD), S_OK);
    EXPECT_EQ(half, 4);
    EXPECT_EQ(V_I4(&result), 5);

    V_R8(&total) = -1;   // the member's own failure passes through, no result
    EXPECT_EQ(Call(3, DISPATCH_METHOD), E_INVALIDARG);
    EXPECT_EQ(V_VT(&result), VT_EMPTY);

    V_VT(&out) = VT_I4;   // not by reference
    EXPECT_EQ(Call(3, DISPATCH_METHOD), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 0u);
}

TEST_F(MemberDispatch, Codes) {
    EXPECT_EQ(Call(3, DISPATCH_METHOD), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Call(42, DISPATCH_METHOD), DISP_E_MEMBERNOTFOUND);
    Arg();
    EXPECT_EQ(Call(4, DISPATCH_METHOD), DISP_E_BADVARTYPE);   // BYTE* has no automation type
    DISPID named = 0;
    DISPPARAMS params = {args.data(), &named, 1, 1};
    EXPECT_EQ(object->Invoke(4, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), DISP_E_NONAMEDARGS);
    EXPECT_EQ(object->Invoke(4, IID_ITestAlpha, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);

    UINT count = 7;
    EXPECT_EQ(object->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
    ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
    EXPECT_EQ(object->GetTypeInfo(0, 0, &info), TYPE_E_ELEMENTNOTFOUND);
    EXPECT_EQ(info, nullptr);
}

TEST_F(MemberDispatch, EachInterfaceAnswersFromItsOwnTable) {
    void* p = nullptr;
    ASSERT_EQ(object->QueryInterface(IID_ITestBeta, &p), S_OK);
    auto* beta = static_cast<ITestBeta*>(p);
    object->put_Value(31);
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EXPECT_EQ(beta->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr), S_OK);
    EXPECT_EQ(V_VT(&result), VT_I4);
    EXPECT_EQ(V_I4(&result), 31);
    EXPECT_EQ(beta->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);
    beta->Release();
}

}  // namespace
