#include "manager/MasterTable.h"

#include <new>

#include "list/ErrorEntry.h"

namespace VkNManager {
namespace {

constexpr int kLevels = 4;
constexpr int kBitsPerLevel = 8;
constexpr uint32_t kFanOut = 1u << kBitsPerLevel;

// The entry index of `slot` in a node at `level` (0: the root).
uint32_t indexAt(uint32_t slot, int level) {
    return (slot >> (kBitsPerLevel * (kLevels - 1 - level))) & (kFanOut - 1);
}

std::atomic<uint32_t>& countOf(void* list) {
    return VkErrorListAccess::masterSlotCount(*static_cast<VkCErrorListPool*>(list));
}

}  // namespace

// Entries of inner nodes point to the nodes below; those of leaves to lists.
struct MasterTable::Node {
    std::atomic<void*> entries[kFanOut];
    Node() {
        for (std::atomic<void*>& entry : entries) entry.store(nullptr, std::memory_order_relaxed);
    }
};

MasterTable::MasterTable() : root_(nullptr) {}

MasterTable* MasterTable::create() {
    auto* table = new (std::nothrow) MasterTable();
    if (table == nullptr) return nullptr;
    table->root_ = new (std::nothrow) Node();
    if (table->root_ == nullptr) {
        delete table;
        return nullptr;
    }
    return table;
}

MasterTable::~MasterTable() { deleteNode(root_, 0); }

VkCErrorListPool* MasterTable::get(uint32_t slot) const {
    const Node* node = root_;
    for (int level = 0; level < kLevels - 1; ++level) {
        node = static_cast<const Node*>(node->entries[indexAt(slot, level)].load(std::memory_order_acquire));
        if (node == nullptr) return nullptr;
    }
    return static_cast<VkCErrorListPool*>(
        node->entries[indexAt(slot, kLevels - 1)].load(std::memory_order_acquire));
}

std::atomic<void*>* MasterTable::cellFor(uint32_t slot, bool create) {
    Node* node = root_;
    for (int level = 0; level < kLevels - 1; ++level) {
        std::atomic<void*>& link = node->entries[indexAt(slot, level)];
        auto* child = static_cast<Node*>(link.load(std::memory_order_acquire));
        if (child == nullptr) {
            if (!create) return nullptr;
            child = newPath(slot, level + 1);
            if (child == nullptr) return nullptr;
            // One store publishes the whole new path, so that readers never
            // see a node before its entries are set.
            link.store(child, std::memory_order_release);
        }
        node = child;
    }
    return &node->entries[indexAt(slot, kLevels - 1)];
}

MasterTable::Node* MasterTable::newPath(uint32_t slot, int level) {
    auto* node = new (std::nothrow) Node();
    if (node == nullptr || level == kLevels - 1) return node;
    Node* below = newPath(slot, level + 1);
    if (below == nullptr) {
        delete node;
        return nullptr;
    }
    node->entries[indexAt(slot, level)].store(below, std::memory_order_relaxed);
    return node;
}

bool MasterTable::set(uint32_t slot, VkCErrorListPool* list, bool keepExisting) {
    std::atomic<void*>* cell = cellFor(slot, true);
    if (cell == nullptr) return false;
    if (keepExisting && cell->load(std::memory_order_relaxed) != nullptr) return true;
    // The count goes up before the slot names the list, so that a deletion
    // on another thread can never see the slot set but the count at 0.
    countOf(list).fetch_add(1, std::memory_order_relaxed);
    // A real exchange, so that clearIf() from a thread without the lock can
    // never make both of us count the same list out.
    void* old = cell->exchange(list, std::memory_order_acq_rel);
    if (old != nullptr) countOf(old).fetch_sub(1, std::memory_order_release);
    return true;
}

void MasterTable::clear(uint32_t slot) {
    std::atomic<void*>* cell = cellFor(slot, false);
    if (cell == nullptr) return;
    void* old = cell->exchange(nullptr, std::memory_order_acq_rel);
    if (old != nullptr) countOf(old).fetch_sub(1, std::memory_order_release);
}

bool MasterTable::clearIf(uint32_t slot, VkCErrorListPool* expected) {
    std::atomic<void*>* cell = cellFor(slot, false);
    void* named = expected;
    if (cell == nullptr || expected == nullptr ||
        !cell->compare_exchange_strong(named, nullptr, std::memory_order_acq_rel)) {
        return false;
    }
    countOf(expected).fetch_sub(1, std::memory_order_release);
    return true;
}

void MasterTable::deleteNode(Node* node, int level) {
    if (node == nullptr) return;
    if (level < kLevels - 1) {
        for (std::atomic<void*>& entry : node->entries) {
            deleteNode(static_cast<Node*>(entry.load(std::memory_order_relaxed)), level + 1);
        }
    }
    delete node;
}

}  // namespace VkNManager
