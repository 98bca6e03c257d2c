// A growable array addressed through an index table: reordering and removal
// touch only the 8-byte index entries, never the (possibly large) elements.
//
// Index table A is always a permutation of every storage slot: its first
// `committed` entries are the logical order (some of them possibly marked as
// removed), the rest list the slots that no live element uses. That makes
// finding a free slot for Add a constant-time look at the first spare entry,
// and growth only has to append the new slots at the end. docs/containers.md
// has the reasoning.
#pragma once

#include "xlib/XException.h"

#include <cstdint>
#include <new>
#include <utility>

template <class T>
class XArray {
public:
    struct IndexEntry {
        uint32_t slot;  // storage slot the logical position refers to
        int32_t run;    // -1 normally, else the number of entries removed from here
    };

    explicit XArray(unsigned growStep = 0) : m_GrowStep(growStep) {}
    XArray(const XArray& other) : m_GrowStep(other.m_GrowStep) { CopyFrom(other); }
    XArray& operator=(const XArray& other) {
        if (this != &other) {
            Clear();
            m_GrowStep = other.m_GrowStep;
            CopyFrom(other);
        }
        return *this;
    }
    virtual ~XArray() { FreeAll(); }

    // Appends n copies of value; *pIndex (if given) receives the index of the first.
    void Add(const T& value, unsigned n = 1, int* pIndex = nullptr) {
        if (n == 0) return;
        Compact();
        // The value may live inside this array: copy it before growth frees the storage.
        T copy(value);
        GrowArray(n);
        if (pIndex) *pIndex = static_cast<int>(m_Count);
        for (unsigned k = 0; k < n; ++k) {
            // The first spare entry names a slot no live element uses.
            IndexEntry& e = m_IndexA[m_Count];
            m_Data[e.slot] = copy;
            e.run = -1;
            ++m_Count;
        }
        m_Committed = m_Count;
    }

    T& Get(unsigned index) {
        Compact();
        if (index >= m_Count) throw XException(XERR_INDEX, "XArray", "in Get could not obtain out of range index.");
        return m_Data[m_IndexA[index].slot];
    }
    const T& Get(unsigned index) const {
        Compact();
        if (index >= m_Count) throw XException(XERR_INDEX, "XArray", "in Get could not obtain out of range index.");
        return m_Data[m_IndexA[index].slot];
    }
    T& operator[](unsigned index) { return Get(index); }
    const T& operator[](unsigned index) const { return Get(index); }

    // Assigns value to n elements from index, appending where the range passes the end.
    void Set(const T& value, unsigned index, unsigned n = 1) {
        Compact();
        if (index > m_Count)
            throw XException(XERR_INDEX, "XArray", "in Set could not set the data for an out of range index.");
        if (n == 0) return;
        T copy(value);
        unsigned inPlace = m_Count - index;
        if (inPlace > n) inPlace = n;
        for (unsigned k = 0; k < inPlace; ++k) m_Data[m_IndexA[index + k].slot] = copy;
        if (n > inPlace) Add(copy, n - inPlace, nullptr);
    }

    // Removes n elements from index (fewer when the range passes the end). The
    // element slots stay untouched until a later Add reuses them.
    void Remove(unsigned index, unsigned n = 1) {
        if (index >= m_Count)
            throw XException(XERR_INDEX, "XArray", "in Remove could not remove the data for an out of range index.");
        if (n == 0) return;
        if (n > m_Count - index) n = m_Count - index;
        m_Ordered = 0;
        if (m_RemovalsPending) {
            // One pending run at table position p covers entries p .. p+k-1 and
            // everything before p is live, so a removal that starts at p (the
            // entries just after the run) or ends exactly at p merges into it.
            // Any other position is resolved by compacting first, so that the
            // recorded run always counts entries in the current order.
            if (m_PendingRuns == 1 && index == m_PendingPos) {
                m_IndexA[m_PendingPos].run += static_cast<int32_t>(n);
                m_Count -= n;
                return;
            }
            if (m_PendingRuns == 1 && index + n == m_PendingPos) {
                int32_t k = m_IndexA[m_PendingPos].run;
                m_IndexA[m_PendingPos].run = -1;
                m_IndexA[index].run = static_cast<int32_t>(n) + k;
                m_PendingPos = index;
                m_Count -= n;
                return;
            }
            Compact();
        }
        m_IndexA[index].run = static_cast<int32_t>(n);
        m_PendingPos = index;
        m_PendingRuns = 1;
        m_Count -= n;
        m_RemovalsPending = 1;
    }

    // Exchanges two elements by exchanging their index entries.
    void Swap(unsigned a, unsigned b) {
        Compact();
        if (a >= m_Count || b >= m_Count)
            throw XException(XERR_INDEX, "XArray", "in Swap could not access data for an out of range index.");
        m_Ordered = 0;
        std::swap(m_IndexA[a].slot, m_IndexA[b].slot);
    }

    unsigned GetCount() const { return m_Count; }
    unsigned GetCapacity() const { return m_Capacity; }
    unsigned GetGrowStep() const { return m_GrowStep; }
    void SetGrowStep(unsigned step) { m_GrowStep = step; }
    // 1 until the first Remove or Swap after construction or Clear.
    int IsOrdered() const { return m_Ordered; }
    bool HasRemovalsPending() const { return m_RemovalsPending != 0; }

    // Ensures room for n more elements.
    void GrowArray(unsigned n) {
        uint64_t needed64 = static_cast<uint64_t>(m_Count) + n;
        if (needed64 > 0x3FFFFFFFu)
            throw XException(XERR_NO_MEMORY, "XArray", "in GrowArray could not allocate memory for array.");
        unsigned needed = static_cast<unsigned>(needed64);
        if (m_Capacity >= needed) return;
        unsigned newCap = m_GrowStep != 0 ? needed + m_GrowStep : needed * 2 + 128;

        T* data = nullptr;
        try {
            data = new T[newCap];
        } catch (const std::bad_alloc&) {
            throw XException(XERR_NO_MEMORY, "XArray", "in GrowArray could not allocate memory for array.");
        }
        IndexEntry* a = new (std::nothrow) IndexEntry[newCap];
        if (!a) {
            delete[] data;
            throw XException(XERR_NO_MEMORY, "XArray", "in GrowArray could not allocate memory for indexA.");
        }
        IndexEntry* b = new (std::nothrow) IndexEntry[newCap];
        if (!b) {
            delete[] a;
            delete[] data;
            throw XException(XERR_NO_MEMORY, "XArray", "in GrowArray could not allocate memory for indexB.");
        }
        try {
            for (unsigned s = 0; s < m_Capacity; ++s) data[s] = std::move(m_Data[s]);
        } catch (...) {
            delete[] b;
            delete[] a;
            delete[] data;
            throw;
        }
        // Every old slot keeps its table entry (pending runs included); the new
        // slots join the spare part at the end.
        for (unsigned i = 0; i < m_Capacity; ++i) a[i] = m_IndexA[i];
        for (unsigned s = m_Capacity; s < newCap; ++s) a[s] = IndexEntry{s, -1};
        delete[] m_Data;
        delete[] m_IndexA;
        delete[] m_IndexB;
        m_Data = data;
        m_IndexA = a;
        m_IndexB = b;
        m_Capacity = newCap;
    }

    // Frees storage and tables; back to the state after construction.
    void Clear() {
        FreeAll();
        m_RemovalsPending = 0;
        m_Ordered = 1;
        m_Committed = m_Count = m_Capacity = 0;
        m_PendingPos = 0;
        m_PendingRuns = 0;
    }

private:
    // Walks the committed entries once: live ones keep their order, removed
    // ones move (with their slots) to the spare part, and the tables swap roles.
    void Compact() const {
        if (!m_RemovalsPending) return;
        unsigned live = 0;
        unsigned spare = m_Count;
        for (unsigned i = 0; i < m_Committed;) {
            int32_t run = m_IndexA[i].run;
            if (run <= 0) {
                m_IndexB[live++] = IndexEntry{m_IndexA[i].slot, -1};
                ++i;
                continue;
            }
            for (int32_t k = 0; k < run && i < m_Committed; ++k, ++i)
                m_IndexB[spare++] = IndexEntry{m_IndexA[i].slot, -1};
        }
        for (unsigned i = m_Committed; i < m_Capacity; ++i) m_IndexB[spare++] = IndexEntry{m_IndexA[i].slot, -1};
        std::swap(m_IndexA, m_IndexB);
        m_Committed = m_Count;
        m_RemovalsPending = 0;
        m_PendingRuns = 0;
    }

    void CopyFrom(const XArray& other) {
        unsigned n = other.GetCount();
        if (n == 0) return;
        GrowArray(n);
        for (unsigned i = 0; i < n; ++i) {
            IndexEntry& e = m_IndexA[m_Count];
            m_Data[e.slot] = other.Get(i);
            e.run = -1;
            ++m_Count;
        }
        m_Committed = m_Count;
    }

    void FreeAll() {
        delete[] m_Data;
        delete[] m_IndexA;
        delete[] m_IndexB;
        m_Data = nullptr;
        m_IndexA = m_IndexB = nullptr;
    }

    T* m_Data = nullptr;
    mutable int32_t m_RemovalsPending = 0;
    int32_t m_Ordered = 1;
    mutable IndexEntry* m_IndexA = nullptr;
    mutable IndexEntry* m_IndexB = nullptr;
    mutable unsigned m_Committed = 0;
    unsigned m_Count = 0;
    unsigned m_Capacity = 0;
    unsigned m_GrowStep = 0;
    // Where the one pending run starts, and how many runs are pending (0 or 1).
    mutable unsigned m_PendingPos = 0;
    mutable unsigned m_PendingRuns = 0;
};
