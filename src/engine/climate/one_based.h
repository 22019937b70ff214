#pragma once
// Arrays indexed from 1, as the simulation's formulas count nodes, layers, days
// and months. Element i lives at storage position i - 1; the bounds are checked
// in debug builds (the sanitizer build), not in release loops.

#include <algorithm>
#include <array>
#include <cassert>
#include <cstddef>
#include <span>
#include <vector>

namespace engine {

template <class T, int N>
class OneBasedArray {
 public:
  static constexpr int capacity = N;

  T& operator()(int i) {
    assert(i >= 1 && i <= N);
    return data_[static_cast<std::size_t>(i - 1)];
  }
  const T& operator()(int i) const {
    assert(i >= 1 && i <= N);
    return data_[static_cast<std::size_t>(i - 1)];
  }

  // Elements first .. first + count - 1, for reads and writes of a run of values.
  std::span<T> span(int first, int count) {
    assert(first >= 1 && count >= 0 && first - 1 + count <= N);
    return std::span<T>(data_).subspan(static_cast<std::size_t>(first - 1),
                                       static_cast<std::size_t>(count));
  }
  std::span<const T> span(int first, int count) const {
    assert(first >= 1 && count >= 0 && first - 1 + count <= N);
    return std::span<const T>(data_).subspan(static_cast<std::size_t>(first - 1),
                                             static_cast<std::size_t>(count));
  }

  void fill(const T& v) { data_.fill(v); }
  bool operator==(const OneBasedArray&) const = default;

 private:
  std::array<T, static_cast<std::size_t>(N)> data_{};
};

// A run-time sized table with the same indexing; new elements are zero.
template <class T>
class OneBasedVector {
 public:
  OneBasedVector() = default;
  explicit OneBasedVector(int n) { resize(n); }

  T& operator()(int i) {
    assert(i >= 1 && i <= size());
    return data_[static_cast<std::size_t>(i - 1)];
  }
  const T& operator()(int i) const {
    assert(i >= 1 && i <= size());
    return data_[static_cast<std::size_t>(i - 1)];
  }

  int size() const { return static_cast<int>(data_.size()); }
  void resize(int n) { data_.resize(static_cast<std::size_t>(n > 0 ? n : 0), T{}); }
  void push_back(const T& v) { data_.push_back(v); }
  void fill(const T& v) { std::fill(data_.begin(), data_.end(), v); }
  std::span<T> all() { return data_; }
  std::span<const T> all() const { return data_; }
  bool operator==(const OneBasedVector&) const = default;

 private:
  std::vector<T> data_;
};

}  // namespace engine
