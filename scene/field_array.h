// The container behind every multiple-valued field and every point or index
// list of the scene graph and the loading pipeline.
//
// Elements live in separately allocated chunks of chunkSize() elements, so
// an element never moves once appended: pointers to elements stay valid
// while the array grows. Slots are written before they count as elements:
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
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <utility>
#include <vector>

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
        return &chunks_[index / chunkSize_][index % chunkSize_];
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
            const T* chunk = chunks_[c].get();
            const int32_t n = left < chunkSize_ ? left : chunkSize_;
            for (int32_t i = 0; i < n; ++i) visit(chunk[i]);
            left -= n;
        }
    }

    // Appends `value` and returns its index, or -1 when no memory is left.
    int32_t append(const T& value) {
        if (count_ == std::numeric_limits<int32_t>::max()) return fail(-1);
        if (count_ == capacity() && !addChunk()) return -1;
        chunks_[count_ / chunkSize_][count_ % chunkSize_] = value;
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
        for (int32_t i = count_; i < index; ++i) chunks_[i / chunkSize_][i % chunkSize_] = T{};
        chunks_[index / chunkSize_][index % chunkSize_] = value;
        if (index >= count_) count_ = index + 1;
        return true;
    }

    // Drops the elements from `newCount` on, releasing what they hold, and
    // keeps the chunks for reuse. Cheaper than clear() for a list that is refilled.
    void truncate(int32_t newCount) {
        if (newCount < 0) newCount = 0;
        for (int32_t i = newCount; i < count_; ++i) chunks_[i / chunkSize_][i % chunkSize_] = T{};
        if (newCount < count_) count_ = newCount;
    }

    // Frees every chunk and returns to the constructed state with the
    // standard chunk size, whatever the chunk size was.
    void clear() {
        std::vector<std::unique_ptr<T[]>>().swap(chunks_);
        chunkSize_ = kStandardChunkSize;
        count_ = 0;
        failed_ = false;
    }

private:
    static const T& zeroElement() {
        static const T zero{};
        return zero;
    }

    template <typename R>
    R fail(R result) {
        failed_ = true;
        return result;
    }

    bool addChunk() {
        if (static_cast<int64_t>(capacity()) + chunkSize_ > std::numeric_limits<int32_t>::max()) return fail(false);
        try {
            // Not value-initialised: every slot is written before it is read.
            std::unique_ptr<T[]> chunk(new T[static_cast<size_t>(chunkSize_)]);
            chunks_.push_back(std::move(chunk));
        } catch (const std::bad_alloc&) {
            return fail(false);
        }
        return true;
    }

    void copyFrom(const FieldArray& other) {
        chunkSize_ = other.chunkSize_;
        try {
            chunks_.reserve(other.chunks_.size());
            int32_t left = other.count_;
            for (const std::unique_ptr<T[]>& source : other.chunks_) {
                std::unique_ptr<T[]> chunk(new T[static_cast<size_t>(chunkSize_)]);
                const int32_t used = left < chunkSize_ ? left : chunkSize_;
                for (int32_t i = 0; i < used; ++i) chunk[i] = source[i];
                left -= used;
                chunks_.push_back(std::move(chunk));
            }
        } catch (const std::bad_alloc&) {
            std::vector<std::unique_ptr<T[]>>().swap(chunks_);
            count_ = 0;
            failed_ = true;
            return;
        }
        count_ = other.count_;
        failed_ = other.failed_;
    }

    void takeFrom(FieldArray& other) {
        chunks_ = std::move(other.chunks_);
        chunkSize_ = other.chunkSize_;
        count_ = other.count_;
        failed_ = other.failed_;
        other.chunks_.clear();
        other.chunkSize_ = kStandardChunkSize;
        other.count_ = 0;
        other.failed_ = false;
    }

    std::vector<std::unique_ptr<T[]>> chunks_;
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
