// An ordered list of object pointers with the recursive lock that guards it. The list holds the pointers
// only: it neither owns nor deletes the objects. The lock is created on demand (the server creates it
// when it starts); until then the list cannot be locked.
#pragma once

#include <algorithm>
#include <vector>

#include "corlink/foundation/nt_os.h"

template <class T>
class CLockedList {
  public:
    CLockedList() = default;
    ~CLockedList() {
        if (m_pLock != nullptr) os_DeleteLock(m_pLock);
    }
    CLockedList(const CLockedList&) = delete;
    CLockedList& operator=(const CLockedList&) = delete;

    // True when the list has its lock (made now or before).
    bool CreateLock() {
        if (m_pLock == nullptr) m_pLock = os_CreateLock();
        return m_pLock != nullptr;
    }
    // 1 taken; 0 when the lock does not exist or the wait failed.
    int Lock() { return m_pLock != nullptr ? os_Lock(m_pLock) : 0; }
    void Unlock() {
        if (m_pLock != nullptr) os_Unlock(m_pLock);
    }

    int GetCount() const { return static_cast<int>(m_Items.size()); }
    // The first element, or null for an empty list.
    T GetHead() const { return m_Items.empty() ? nullptr : m_Items.front(); }
    // The element after the given one (found by value from the head); null after the last or when the
    // given one is not in the list.
    T GetNext(T element) const {
        auto it = std::find(m_Items.begin(), m_Items.end(), element);
        if (it == m_Items.end() || ++it == m_Items.end()) return nullptr;
        return *it;
    }
    void AddTail(T element) { m_Items.push_back(element); }
    // Removes the element (found by value); false when it is not in the list.
    bool Remove(T element) {
        auto it = std::find(m_Items.begin(), m_Items.end(), element);
        if (it == m_Items.end()) return false;
        m_Items.erase(it);
        return true;
    }
    template <class Visit>
    void ForEach(Visit visit) const {
        for (T element : m_Items) visit(element);
    }

  private:
    OS_LOCK* m_pLock = nullptr;
    std::vector<T> m_Items;
};
