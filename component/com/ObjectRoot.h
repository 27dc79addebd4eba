// Reference counting, aggregation and the interface map of a COM object of the single-threaded
// (apartment) model: a plain counter, no interlocked operations.
//
// A class T derives from its interfaces and from ObjectRoot, and lists its interface map:
//     static const tarn::com::InterfaceMap& Interfaces() {
//         static const tarn::com::InterfaceEntry map[] = {
//             tarn::com::Entry<T, IFirst>(IID_IFirst),     // also answers IUnknown
//             tarn::com::Entry<T, IFirst>(IID_IDispatch),  // IDispatch leads to the first one
//             ...};
//         static const tarn::com::InterfaceMap m(map);
//         return m;
//     }
// tarn::com::ComObject<T> (ComObject.h) then supplies IUnknown and creation.
//
// Aggregated, the object's interfaces delegate IUnknown to the outer (controlling) unknown, and
// the outer holds the object through a separate, non-delegating IUnknown (InnerUnknown).
#pragma once

#include "compat/compat.h"

#include <cstddef>

namespace tarn::com {

class ObjectRoot;

struct InterfaceEntry {
    const IID* iid;
    IUnknown* (*cast)(ObjectRoot* object);   // the object's interface pointer for iid
};

// The interface map: searched in order; the first entry also answers IID_IUnknown.
class InterfaceMap {
public:
    template <std::size_t N>
    explicit InterfaceMap(const InterfaceEntry (&entries)[N]) : m_Entries(entries), m_Count(N) {}

    // The interface pointer for riid, or nullptr.
    IUnknown* Find(ObjectRoot* object, REFIID riid) const;

private:
    const InterfaceEntry* m_Entries;
    std::size_t m_Count;
};

// The map entry that answers iid with T's base interface I.
template <class T, class I>
InterfaceEntry Entry(const IID& iid) {
    return {&iid, [](ObjectRoot* object) -> IUnknown* { return static_cast<I*>(static_cast<T*>(object)); }};
}

// QueryInterface of an object with one interface besides IUnknown: self for IUnknown and own.
HRESULT QuerySingleInterface(IUnknown* self, REFIID own, REFIID riid, void** ppv);

class ObjectRoot {
public:
    ObjectRoot(const ObjectRoot&) = delete;
    ObjectRoot& operator=(const ObjectRoot&) = delete;

    // Called once after construction, before the first QueryInterface; a failure destroys the
    // object. Classes hide it with their own.
    HRESULT FinalConstruct() { return S_OK; }

    // The non-delegating IUnknown: the object's own identity when aggregated.
    IUnknown* InnerUnknown() { return &m_Inner; }
    // The controlling unknown: the outer one when aggregated, else the object itself.
    IUnknown* ControllingUnknown();

protected:
    explicit ObjectRoot(IUnknown* outer) : m_Inner(*this), m_Outer(outer) {}
    virtual ~ObjectRoot() = default;

    // IUnknown as seen through the object's interfaces (ComObject forwards to these).
    HRESULT OuterQueryInterface(REFIID riid, void** ppv);
    ULONG OuterAddRef();
    ULONG OuterRelease();

    virtual const InterfaceMap& InterfaceTable() const = 0;

private:
    class Inner final : public IUnknown {
    public:
        explicit Inner(ObjectRoot& root) : m_Root(root) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
        ULONG STDMETHODCALLTYPE AddRef() override;
        ULONG STDMETHODCALLTYPE Release() override;

    private:
        ObjectRoot& m_Root;
    };

    HRESULT InternalQueryInterface(REFIID riid, void** ppv);

    Inner m_Inner;
    IUnknown* m_Outer;   // not counted: the outer owns this object, not the other way round
    ULONG m_RefCount = 0;
};

}  // namespace tarn::com
