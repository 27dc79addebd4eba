// The IEnumXXX enumerators the connection points hand out (IEnumConnectionPoints,
// IEnumConnections): a snapshot of the items taken when the enumerator is made, each holding a
// reference; clones share the snapshot and keep their own position.
#pragma once

#include "component/com/ComObject.h"

#include <memory>
#include <utility>
#include <vector>

namespace tarn::com {

inline void AddRefItem(IConnectionPoint* item) { item->AddRef(); }
inline void ReleaseItem(IConnectionPoint* item) { item->Release(); }
inline void AddRefItem(const CONNECTDATA& item) { item.pUnk->AddRef(); }
inline void ReleaseItem(const CONNECTDATA& item) { item.pUnk->Release(); }

// Items with one reference each, released with the snapshot.
template <class Item>
class Snapshot {
public:
    explicit Snapshot(std::vector<Item> items) : m_Items(std::move(items)) {
        for (const Item& item : m_Items) AddRefItem(item);
    }
    ~Snapshot() {
        for (const Item& item : m_Items) ReleaseItem(item);
    }
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;

    const std::vector<Item>& Items() const { return m_Items; }

private:
    std::vector<Item> m_Items;
};

template <class IEnum, class Item, const IID& Iid>
class Enumerator : public IEnum, public ObjectRoot {
public:
    using Items = std::shared_ptr<const Snapshot<Item>>;

    Enumerator(IUnknown* outer, Items items, std::size_t position)
        : ObjectRoot(outer), m_Items(std::move(items)), m_Position(position) {}

    static const InterfaceMap& Interfaces() {
        static const InterfaceEntry entries[] = {Entry<Enumerator, IEnum>(Iid)};
        static const InterfaceMap map(entries);
        return map;
    }

    // A new enumerator over items, positioned at the start.
    static HRESULT Create(std::vector<Item> items, IEnum** ppEnum) {
        if (!ppEnum) return E_POINTER;
        *ppEnum = nullptr;
        Items snapshot;
        try {
            snapshot = std::make_shared<const Snapshot<Item>>(std::move(items));
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        return ComObject<Enumerator>::CreateInstance(nullptr, Iid, reinterpret_cast<void**>(ppEnum),
                                                     std::move(snapshot), std::size_t{0});
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, Item* items, ULONG* fetched) override {
        if (fetched) *fetched = 0;
        if (!items || (count > 1 && !fetched)) return E_POINTER;
        const std::vector<Item>& all = m_Items->Items();
        ULONG n = 0;
        for (; n < count && m_Position < all.size(); ++n, ++m_Position) {
            items[n] = all[m_Position];
            AddRefItem(items[n]);
        }
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        const std::size_t left = m_Items->Items().size() - m_Position;
        const bool all = count <= left;
        m_Position += all ? count : left;
        return all ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE Reset() override {
        m_Position = 0;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Clone(IEnum** ppEnum) override {
        if (!ppEnum) return E_POINTER;
        return ComObject<Enumerator>::CreateInstance(nullptr, Iid, reinterpret_cast<void**>(ppEnum),
                                                     m_Items, m_Position);
    }

private:
    Items m_Items;
    std::size_t m_Position;
};

using ConnectionPointEnumerator = Enumerator<IEnumConnectionPoints, IConnectionPoint*, IID_IEnumConnectionPoints>;
using ConnectionEnumerator = Enumerator<IEnumConnections, CONNECTDATA, IID_IEnumConnections>;

}  // namespace tarn::com
