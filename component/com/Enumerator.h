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
    explicit Snapshot(std::vector<Item> items) : m_items(std::move(items)) {
        for (const Item& item : m_items) AddRefItem(item);
    }
    ~Snapshot() {
        for (const Item& item : m_items) ReleaseItem(item);
    }
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;

    const std::vector<Item>& Items() const { return m_items; }

private:
    std::vector<Item> m_items;
};

template <class IEnum, class Item, const IID& Iid>
class Enumerator : public IEnum, public ObjectRoot {
public:
    using Items = std::shared_ptr<const Snapshot<Item>>;

    Enumerator(IUnknown* outer, Items items, std::size_t position)
        : ObjectRoot(outer), m_items(std::move(items)), m_position(position) {}

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
        const std::vector<Item>& all = m_items->Items();
        ULONG n = 0;
        for (; n < count && m_position < all.size(); ++n, ++m_position) {
            items[n] = all[m_position];
            AddRefItem(items[n]);
        }
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        const std::size_t left = m_items->Items().size() - m_position;
        const bool all = count <= left;
        m_position += all ? count : left;
        return all ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE Reset() override {
        m_position = 0;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Clone(IEnum** ppEnum) override {
        if (!ppEnum) return E_POINTER;
        return ComObject<Enumerator>::CreateInstance(nullptr, Iid, reinterpret_cast<void**>(ppEnum),
                                                     m_items, m_position);
    }

private:
    Items m_items;
    std::size_t m_position;
};

using ConnectionPointEnumerator = Enumerator<IEnumConnectionPoints, IConnectionPoint*, IID_IEnumConnectionPoints>;
using ConnectionEnumerator = Enumerator<IEnumConnections, CONNECTDATA, IID_IEnumConnections>;

}  // namespace tarn::com
