// The container behind every multiple-valued field and every point or index
// list of the scene graph and the loading pipeline.
//
// Elements live in chunks of chunkSize() elements, so an element never
// moves once appended: pointers to elements stay valid while the array
// grows. Chunks are carved from blocks that double with the array (one
// chunk at first, up to a few megabytes), so a list of millions of
// elements costs a few dozen allocations and its memory can be backed by
// huge pages. Slots are written before they count as elements:
// appends write them, and setAt zeroes the ones it skips. Only the table of
// chunk pointers grows as needed, so an array holds up to INT32_MAX
// elements, memory permitting.
//
// Running out of memory is not fatal: append() returns -1 and setAt()
// false, nothing is written, and failed() stays true until clear(). A reader
// that fills an array checks failed() (or the results) and reports the
// error through its load context.
#pragma once

#include <cassert>
#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "mesh/huge_pages.h"
#include "scene/values.h"

namespace glowpond {

template <typename T>
class FieldArray {
public:
    static constexpr int32_t kStandardChunkSize = 500;

    FieldArray() = default;
    explicit FieldArray(int32_t chunkSize) : chunkSize_(chunkSize) {
        assert(chunkSize > 0 && "a chunk holds at least one element");
    }

    // A copy has the source's chunk size and chunks where the source has
    // them. When memory runs out the copy is left empty with failed() set.
    FieldArray(const FieldArray& other) { copyFrom(other); }
    FieldArray& operator=(const FieldArray& other) {
        if (this != &other) {
            clear();
            copyFrom(other);
        }
        return *this;
    }

    // The source is left empty with the standard chunk size.
    FieldArray(FieldArray&& other) noexcept { takeFrom(other); }
    FieldArray& operator=(FieldArray&& other) noexcept {
        if (this != &other) {
            clear();
            takeFrom(other);
        }
        return *this;
    }

    ~FieldArray() = default;

    int32_t count() const { return count_; }
    bool empty() const { return count_ == 0; }
    // Element slots in the allocated chunks.
    int32_t capacity() const { return static_cast<int32_t>(chunks_.size()) * chunkSize_; }
    int32_t chunkSize() const { return chunkSize_; }
    // True once an append or setAt could not get memory; cleared by clear().
    bool failed() const { return failed_; }

    // Element `index`, or null when index is outside 0 .. count() - 1.
    const T* at(int32_t index) const {
        if (index < 0 || index >= count_) return nullptr;
        return slot(index);
    }
    T* at(int32_t index) {
        return const_cast<T*>(static_cast<const FieldArray&>(*this).at(index));
    }

    // Element `index`, which must be below count(); outside that range the
    // result is a zero element.
    const T& operator[](int32_t index) const {
        assert(index >= 0 && index < count_ && "FieldArray read outside its elements");
        const T* element = at(index);
        return element ? *element : zeroElement();
    }

    // Calls visit(element) for each element in order, without the index
    // arithmetic of operator[].
    template <typename Visit>
    void forEach(Visit&& visit) const {
        int32_t left = count_;
        for (size_t c = 0; left > 0; ++c) {
            const T* chunk = chunks_[c];
            const int32_t n = left < chunkSize_ ? left : chunkSize_;
            for (int32_t i = 0; i < n; ++i) visit(chunk[i]);
            left -= n;
        }
    }

    // Appends `value` and returns its index, or -1 when no memory is left.
    int32_t append(const T& value) {
        if (count_ == std::numeric_limits<int32_t>::max()) return fail(-1);
        if (count_ == capacity() && !addChunk()) return -1;
        *slot(count_) = value;
        return count_++;
    }

    // Stores `value` at `index`, allocating every chunk up to it and raising
    // count() to index + 1 when it is smaller; the elements in between keep
    // their zero values. False (nothing stored) for a negative index or
    // when no memory is left.
    bool setAt(int32_t index, const T& value) {
        if (index < 0) return false;
        if (index == std::numeric_limits<int32_t>::max()) return fail(false);
        while (index >= capacity()) {
            if (!addChunk()) return false;
        }
        for (int32_t i = count_; i < index; ++i) *slot(i) = T{};
        *slot(index) = value;
        if (index >= count_) count_ = index + 1;
        return true;
    }

    // Drops the elements from `newCount` on, releasing what they hold, and
    // keeps the chunks for reuse. Cheaper than clear() for a list that is refilled.
    void truncate(int32_t newCount) {
        if (newCount < 0) newCount = 0;
        for (int32_t i = newCount; i < count_; ++i) *slot(i) = T{};
        if (newCount < count_) count_ = newCount;
    }

    // Frees every chunk and returns to the constructed state with the
    // standard chunk size, whatever the chunk size was.
    void clear() {
        std::vector<T*>().swap(chunks_);
        std::vector<Block>().swap(blocks_);
        blockChunks_ = spareChunks_ = 0;
        chunkSize_ = kStandardChunkSize;
        count_ = 0;
        failed_ = false;
    }

private:
    // Where element `index` (not negative) lives. The usual chunk sizes, the
    // standard one and powers of two, are spared a division at run time.
    T* slot(int32_t index) const {
        const uint32_t i = static_cast<uint32_t>(index);
        const uint32_t size = static_cast<uint32_t>(chunkSize_);
        if (size == kStandardChunkSize) return chunks_[i / kStandardChunkSize] + i % kStandardChunkSize;
        if ((size & (size - 1)) == 0) return chunks_[i >> __builtin_ctz(size)] + (i & (size - 1));
        return chunks_[i / size] + i % size;
    }

    static const T& zeroElement() {
        static const T zero{};
        return zero;
    }

    template <typename R>
    R fail(R result) {
        failed_ = true;
        return result;
    }

    // Hands out the next chunk of the last block, or starts a block of as
    // many chunks as the array has (doubling it, at most kBlockBytes), or of
    // one chunk when that much memory is not left.
    bool addChunk() {
        const int64_t room = std::numeric_limits<int32_t>::max() - static_cast<int64_t>(capacity());
        if (room < chunkSize_) return fail(false);
        if (spareChunks_ == 0) {
            const size_t chunkBytes = sizeof(T) * static_cast<size_t>(chunkSize_);
            size_t chunks = std::min(std::max<size_t>(1, chunks_.size()), std::max<size_t>(1, kBlockBytes / chunkBytes));
            // Blocks of a megabyte and more fill whole huge pages.
            if (kHugePagesOffered && chunks * chunkBytes >= kHugePageBytes / 2) {
                chunks = (chunks * chunkBytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes / chunkBytes;
            }
            chunks = std::min(chunks, static_cast<size_t>(room / chunkSize_));
            if (!addBlock(chunks) && !(chunks > 1 && addBlock(1))) return fail(false);
        }
        try {
            chunks_.push_back(blocks_.back().elements + (blockChunks_ - spareChunks_) * static_cast<size_t>(chunkSize_));
        } catch (const std::bad_alloc&) {
            return fail(false);
        }
        --spareChunks_;
        return true;
    }

    bool addBlock(size_t chunks) {
        try {
            blocks_.reserve(blocks_.size() + 1);
            blocks_.emplace_back(chunks * static_cast<size_t>(chunkSize_));
        } catch (const std::bad_alloc&) {
            return false;
        }
        blockChunks_ = spareChunks_ = chunks;
        return true;
    }

    void copyFrom(const FieldArray& other) {
        chunkSize_ = other.chunkSize_;
        try {
            chunks_.reserve(other.chunks_.size());
        } catch (const std::bad_alloc&) {
            failed_ = true;
            return;
        }
        if (!other.chunks_.empty() && !addBlock(other.chunks_.size())) {
            failed_ = true;
            return;
        }
        while (chunks_.size() < other.chunks_.size()) addChunk();
        other.forEach([this](const T& value) {
            *slot(count_) = value;
            ++count_;
        });
        failed_ = other.failed_;
    }

    void takeFrom(FieldArray& other) {
        chunks_ = std::move(other.chunks_);
        blocks_ = std::move(other.blocks_);
        blockChunks_ = other.blockChunks_;
        spareChunks_ = other.spareChunks_;
        chunkSize_ = other.chunkSize_;
        count_ = other.count_;
        failed_ = other.failed_;
        other.chunks_.clear();
        other.blocks_.clear();
        other.blockChunks_ = other.spareChunks_ = 0;
        other.chunkSize_ = kStandardChunkSize;
        other.count_ = 0;
        other.failed_ = false;
    }

    static constexpr size_t kBlockBytes = size_t(8) << 20;

    // The elements of a block, constructed only after the memory was
    // offered huge pages, since constructing touches it.
    struct Block {
        explicit Block(size_t count) : elements(LargeAllocator<T>().allocate(count)), size(count) {
            std::uninitialized_default_construct_n(elements, size);
        }
        Block(Block&& other) noexcept
            : elements(std::exchange(other.elements, nullptr)), size(std::exchange(other.size, 0)) {}
        Block& operator=(Block&&) = delete;
        ~Block() {
            if (!elements) return;
            std::destroy_n(elements, size);
            LargeAllocator<T>().deallocate(elements, size);
        }
        T* elements;
        size_t size;
    };

    std::vector<T*> chunks_;
    std::vector<Block> blocks_;
    // Chunks in the last block, and how many of them are not handed out yet.
    size_t blockChunks_ = 0;
    size_t spareChunks_ = 0;
    int32_t chunkSize_ = kStandardChunkSize;
    int32_t count_ = 0;
    bool failed_ = false;
};

// Appends `point` to a point list and returns its index. With `reuse`, the
// index of the first point already closer than kCoincidence is returned
// instead, when there is one. -1 when no memory is left.
inline int32_t appendPoint(FieldArray<Vec3>& list, const Vec3& point, bool reuse) {
    if (reuse) {
        for (int32_t i = 0; i < list.count(); ++i) {
            if (distance(list[i], point) < kCoincidence) return i;
        }
    }
    return list.append(point);
}

}  // namespace glowpond
