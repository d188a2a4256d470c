/// \file
/// \brief Hash maps of the framework with its hash functions and iteration order.
// Hash maps of the framework with its hash functions and iteration order. Catalogue
// and profile files are written by walking such a map, so the order is part of the
// file format: buckets in ascending order, and inside a bucket the newest entry first
// (an entry is linked in at the head of its bucket). Changing the value of an existing
// key keeps its place.
#pragma once

#include <toolbox/types/collections.h>

#include <memory>
#include <type_traits>

struct __POSITION {};
typedef __POSITION* POSITION;  ///< A position while walking a CMap (GetStartPosition, GetNextAssoc); null after the last entry.

/// The framework's string hash: h = h * 33 + c over the bytes c of the key, modulo
/// 2^32, each byte taken as a signed char (bytes from 0x80 subtract), as the
/// framework's 8-bit strings did; files written in table order depend on it.
inline UINT HashKey(const char* key) {
    UINT hash = 0;
    if (key) {
        for (const char* p = key; *p; ++p)
            hash = (hash << 5) + hash + static_cast<UINT>(static_cast<int>(static_cast<signed char>(*p)));
    }
    return hash;
}
inline UINT HashKey(const CString& key) { return HashKey(key.GetString()); }  ///< The string hash of the key's text.
/// Integer and pointer keys: the value shifted right by four bits.
template <class T>
inline typename std::enable_if<std::is_integral<T>::value, UINT>::type HashKey(T key) {
    return static_cast<UINT>(static_cast<std::uintptr_t>(key) >> 4);
}
inline UINT HashKey(void* key) { return static_cast<UINT>(reinterpret_cast<std::uintptr_t>(key) >> 4); }  ///< Pointer keys: the address shifted right by four bits.

/// A hash map with the framework's hash and iteration order (buckets ascending, newest
/// first inside a bucket), which catalogue and profile files are written in.
template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
class CMap : public CObject {
public:
    /// An empty map; blockSize is accepted for compatibility and ignored.
    explicit CMap(int blockSize = 10) { (void)blockSize; }
    CMap(const CMap&) = delete;
    CMap& operator=(const CMap&) = delete;
    ~CMap() override { RemoveAll(); }

    /// Number of entries.
    int GetCount() const { return m_count; }
    /// Number of entries (same as GetCount).
    int GetSize() const { return m_count; }
    /// True when the map holds no entry.
    bool IsEmpty() const { return m_count == 0; }
    /// Number of hash buckets (17 unless InitHashTable chose another).
    UINT GetHashTableSize() const { return m_tableSize; }

    /// Chooses the number of buckets; takes effect only while the map is empty.
    void InitHashTable(UINT size, bool allocNow = true) {
        if (m_count != 0 || size == 0) return;
        m_buckets.reset();
        m_tableSize = size;
        if (allocNow) AllocBuckets();
    }

    /// Copies the value of key into value; returns true when the key is present, false (value untouched) otherwise.
    bool Lookup(ARG_KEY key, VALUE& value) const {
        const Node* node = Find(key);
        if (!node) return false;
        value = node->value;
        return true;
    }
    /// Pointer to the value of key, or null.
    const VALUE* PLookup(ARG_KEY key) const {
        const Node* node = Find(key);
        return node ? &node->value : nullptr;
    }
    /// The value of key, inserted default-constructed at the head of its bucket
    /// when the key is new.
    VALUE& operator[](ARG_KEY key) {
        if (Node* node = const_cast<Node*>(Find(key))) return node->value;
        if (!m_buckets) AllocBuckets();
        UINT bucket = HashKey(key) % m_tableSize;
        auto* node = new Node{KEY(key), VALUE(), m_buckets[bucket], bucket};
        m_buckets[bucket] = node;
        ++m_count;
        return node->value;
    }
    /// Sets the value of key; a new key goes to the head of its bucket, an existing one keeps its place.
    void SetAt(ARG_KEY key, ARG_VALUE value) { (*this)[key] = value; }

    /// Removes key; returns true when it was present.
    bool RemoveKey(ARG_KEY key) {
        if (!m_buckets) return false;
        Node** link = &m_buckets[HashKey(key) % m_tableSize];
        for (; *link; link = &(*link)->next) {
            if ((*link)->key == key) {
                Node* dead = *link;
                *link = dead->next;
                delete dead;
                --m_count;
                return true;
            }
        }
        return false;
    }
    /// Removes every entry and releases the buckets.
    void RemoveAll() {
        if (m_buckets) {
            for (UINT b = 0; b < m_tableSize; ++b) {
                for (Node* n = m_buckets[b]; n;) {
                    Node* next = n->next;
                    delete n;
                    n = next;
                }
            }
        }
        m_buckets.reset();
        m_count = 0;
    }

    /// Iteration: start, then GetNextAssoc until the position is null.
    POSITION GetStartPosition() const { return ToPos(FirstFrom(0)); }
    /// Returns the entry at pos and advances pos to the next one (null after the last); pos must come from GetStartPosition or an earlier call.
    void GetNextAssoc(POSITION& pos, KEY& key, VALUE& value) const {
        const Node* node = reinterpret_cast<const Node*>(pos);
        key = node->key;
        value = node->value;
        pos = ToPos(node->next ? node->next : FirstFrom(node->bucket + 1));
    }

private:
    struct Node {
        KEY key;
        VALUE value;
        Node* next;
        UINT bucket;
    };
    void AllocBuckets() { m_buckets.reset(new Node*[m_tableSize]()); }
    const Node* Find(ARG_KEY key) const {
        if (!m_buckets) return nullptr;
        for (const Node* n = m_buckets[HashKey(key) % m_tableSize]; n; n = n->next)
            if (n->key == key) return n;
        return nullptr;
    }
    const Node* FirstFrom(UINT bucket) const {
        if (!m_buckets) return nullptr;
        for (; bucket < m_tableSize; ++bucket)
            if (m_buckets[bucket]) return m_buckets[bucket];
        return nullptr;
    }
    static POSITION ToPos(const Node* n) { return reinterpret_cast<POSITION>(const_cast<Node*>(n)); }

    std::unique_ptr<Node*[]> m_buckets;
    UINT m_tableSize = 17;
    int m_count = 0;
};

/// Deletes the objects an owning map's values point to and empties the map.
template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
void DeleteMapValues(CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>& map) {
    KEY key;
    VALUE value = nullptr;
    for (POSITION pos = map.GetStartPosition(); pos;) {
        map.GetNextAssoc(pos, key, value);
        delete value;
    }
    map.RemoveAll();
}

class CMapStringToString : public CMap<CString, const char*, CString, const char*> {};
class CMapStringToPtr : public CMap<CString, const char*, void*, void*> {};
class CMapWordToPtr : public CMap<WORD, WORD, void*, void*> {};
class CMapPtrToPtr : public CMap<void*, void*, void*, void*> {};
