// A doubly linked list of pointers that remembers the last node reached by
// index, so that walking the list by increasing (or decreasing) index costs one
// step per call. The list never deletes what its pointers point to.
#pragma once

#include "xlib/XException.h"

#include <new>

template <class T>
class XLinkList {
public:
    XLinkList() = default;
    XLinkList(const XLinkList&) = delete;
    XLinkList& operator=(const XLinkList&) = delete;
    ~XLinkList() { RemoveAll(); }

    void AddTail(T* p) {
        Node* node = new (std::nothrow) Node{p, nullptr, m_Tail};
        if (!node) {
            throw XException(XERR_NO_MEMORY, "XLinkList",
                             m_Head ? "in AddTail could not allocate memory for link(2)."
                                    : "in AddTail could not allocate memory for first link.");
        }
        if (m_Tail)
            m_Tail->next = node;
        else
            m_Head = node;
        m_Tail = node;
        ++m_Count;
    }

    T* Get(unsigned index) {
        if (index >= m_Count) throw XException(XERR_INDEX, "XLinkList", "in Get index is out of range.");
        return Walk(index)->data;
    }

    // Unlinks the node at index and returns its pointer; the cursor moves to a neighbour.
    T* Remove(unsigned index) {
        if (index >= m_Count) throw XException(XERR_INDEX, "XLinkList", "in Remove index is out of range.");
        Node* node = Walk(index);
        T* data = node->data;
        if (node->next) {
            m_Cursor = node->next;  // takes over the removed node's index
            m_CursorIndex = index;
        } else if (node->prev) {
            m_Cursor = node->prev;
            m_CursorIndex = index - 1;
        } else {
            m_Cursor = nullptr;
            m_CursorIndex = 0;
        }
        Unlink(node);
        return data;
    }

    // Unlinks the first node and returns its pointer; null when the list is empty.
    T* RemoveHead() {
        if (!m_Head) return nullptr;
        Node* node = m_Head;
        T* data = node->data;
        Unlink(node);
        m_Cursor = nullptr;
        m_CursorIndex = 0;
        return data;
    }

    void RemoveAll() {
        Node* node = m_Head;
        while (node) {
            Node* next = node->next;
            delete node;
            node = next;
        }
        m_Head = m_Tail = m_Cursor = nullptr;
        m_Count = 0;
        m_CursorIndex = 0;
    }

    unsigned GetCount() const { return m_Count; }

    // How many links the last indexed walk followed (0 when it started on the
    // node it wanted); lets tests see that the walk took the short way.
    unsigned GetLastWalkSteps() const { return m_LastWalkSteps; }

private:
    struct Node {
        T* data;
        Node* next;
        Node* prev;
    };

    // Reaches the node at index (< count) from the nearest of the head, the
    // tail and the cursor, and leaves the cursor there.
    Node* Walk(unsigned index) {
        unsigned fromHead = index;
        unsigned fromTail = m_Count - 1 - index;
        Node* node;
        unsigned pos;
        if (m_Cursor) {
            unsigned fromCursor = index >= m_CursorIndex ? index - m_CursorIndex : m_CursorIndex - index;
            if (fromCursor <= m_Count / 2 && fromCursor <= fromHead && fromCursor <= fromTail) {
                node = m_Cursor;
                pos = m_CursorIndex;
                return Arrive(node, pos, index);
            }
        }
        if (fromHead <= fromTail) {
            node = m_Head;
            pos = 0;
        } else {
            node = m_Tail;
            pos = m_Count - 1;
        }
        return Arrive(node, pos, index);
    }

    Node* Arrive(Node* node, unsigned pos, unsigned index) {
        m_LastWalkSteps = 0;
        while (pos < index) {
            node = node->next;
            ++pos;
            ++m_LastWalkSteps;
        }
        while (pos > index) {
            node = node->prev;
            --pos;
            ++m_LastWalkSteps;
        }
        m_Cursor = node;
        m_CursorIndex = index;
        return node;
    }

    void Unlink(Node* node) {
        if (node->prev)
            node->prev->next = node->next;
        else
            m_Head = node->next;
        if (node->next)
            node->next->prev = node->prev;
        else
            m_Tail = node->prev;
        delete node;
        --m_Count;
    }

    Node* m_Head = nullptr;
    Node* m_Tail = nullptr;
    unsigned m_Count = 0;
    Node* m_Cursor = nullptr;
    unsigned m_CursorIndex = 0;
    unsigned m_LastWalkSteps = 0;
};
