// Late binding from member tables: names, argument order and conversion, results, codes.
#include "TestObject.h"

#include <gtest/gtest.h>

namespace {

class MemberDispatch : public ::testing::Test {
protected:
    void TearDown() override {
        for (VARIANT& v : args) VariantClear(&v);
        VariantClear(&result);
        object->Release();
    }
    // Invokes with args (in DISPPARAMS order: the last argument first).
    HRESULT Call(DISPID id, WORD flags, bool namedPut = false) {
        DISPID put = DISPID_PROPERTYPUT;
        DISPPARAMS params = {args.data(), namedPut ? &put : nullptr, static_cast<UINT>(args.size()), namedPut ? 1u : 0u};
        VariantClear(&result);
        argErr = 99;
        return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &result, nullptr, &argErr);
    }
    VARIANT& Arg(VARTYPE type) {
        VARIANT& v = args.emplace_back();
        VariantInit(&v);
        V_VT(&v) = type;
        return v;
    }

    ITestAlpha* object = NewTestObject();
    std::vector<VARIANT> args;
    VARIANT result{};
    UINT argErr = 0;
};

TEST_F(MemberDispatch, NamesAreFoundWithoutRegardToCase) {
    const std::tuple<const OLECHAR*, UINT, HRESULT, DISPID, DISPID> cases[] = {
        {OLESTR("value"), 1, S_OK, 1, 5},
        {OLESTR("SPLIT"), 1, S_OK, 3, 5},
        {OLESTR("Values"), 1, DISP_E_UNKNOWNNAME, DISPID_UNKNOWN, 5},
        {OLESTR("Describe"), 2, DISP_E_UNKNOWNNAME, 2, DISPID_UNKNOWN},   // no parameter names
    };
    for (const auto& [name, count, hr, first, second] : cases) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name), const_cast<LPOLESTR>(OLESTR("x"))};
        DISPID ids[2] = {5, 5};
        EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, count, 0, ids), hr);
        EXPECT_EQ(ids[0], first);
        EXPECT_EQ(ids[1], second);
    }
    LPOLESTR name = const_cast<LPOLESTR>(OLESTR("Value"));
    DISPID id = 0;
    EXPECT_EQ(object->GetIDsOfNames(IID_ITestAlpha, &name, 1, 0, &id), DISP_E_UNKNOWNINTERFACE);
}

TEST_F(MemberDispatch, ArgumentsAreConvertedInReverseOrder) {
    V_BSTR(&Arg(VT_BSTR)) = SysAllocString(OLESTR("12"));
    EXPECT_EQ(Call(1, DISPATCH_PROPERTYPUT), DISP_E_PARAMNOTFOUND);   // the value must be named
    EXPECT_EQ(Call(1, DISPATCH_PROPERTYPUT, true), S_OK);
    EXPECT_EQ(Call(1, DISPATCH_METHOD), DISP_E_MEMBERNOTFOUND);        // a property, not a method
    VariantClear(&args[0]);
    args.clear();
    EXPECT_EQ(Call(1, DISPATCH_PROPERTYGET), S_OK);
    EXPECT_EQ(V_VT(&result), VT_I4);
    EXPECT_EQ(V_I4(&result), 12);

    V_I4(&Arg(VT_I4)) = 3;   // scale, the last argument, comes first
    V_BSTR(&Arg(VT_BSTR)) = SysAllocString(OLESTR("pre"));
    EXPECT_EQ(Call(2, DISPATCH_METHOD | DISPATCH_PROPERTYGET), S_OK);
    ASSERT_EQ(V_VT(&result), VT_BSTR);
    EXPECT_EQ(std::basic_string<OLECHAR>(V_BSTR(&result)), OLESTR("pre+big"));
    V_VT(&args[0]) = VT_DISPATCH;   // not convertible to double
    V_DISPATCH(&args[0]) = nullptr;
    EXPECT_NE(Call(2, DISPATCH_METHOD), S_OK);
    EXPECT_EQ(argErr, 0u);
}

TEST_F(MemberDispatch, OutArgumentsAreByReferenceOfTheirType) {
    LONG half = 0;
    V_I4REF(&Arg(VT_BYREF | VT_I4)) = &half;
    V_R8(&Arg(VT_R8)) = 9.0;
    EXPECT_EQ(Call(3, DISPATCH_METHOD), S_OK);
    EXPECT_EQ(half, 4);
    EXPECT_EQ(V_I4(&result), 5);
    V_R8(&args[1]) = -1;   // the member's own failure passes through, without a result
    EXPECT_EQ(Call(3, DISPATCH_METHOD), E_INVALIDARG);
    EXPECT_EQ(V_VT(&result), VT_EMPTY);
    V_VT(&args[0]) = VT_I4;   // not by reference
    EXPECT_EQ(Call(3, DISPATCH_METHOD), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 0u);
}

TEST_F(MemberDispatch, Codes) {
    EXPECT_EQ(Call(3, DISPATCH_METHOD), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Call(42, DISPATCH_METHOD), DISP_E_MEMBERNOTFOUND);
    Arg(VT_EMPTY);
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

}  // namespace
