#pragma once
// Fixed-length texts: the engine's names and paths are character fields of a fixed
// length, blank-padded on assignment and compared as if the shorter were padded.

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Equality of two texts as if the shorter were padded with blanks.
constexpr bool blank_padded_equal(std::string_view a, std::string_view b) {
  if (a.size() < b.size()) std::swap(a, b);
  if (a.substr(0, b.size()) != b) return false;
  for (std::size_t i = b.size(); i < a.size(); ++i)
    if (a[i] != ' ') return false;
  return true;
}

// The text without its trailing blanks (leading blanks are kept).
constexpr std::string_view trim_trailing(std::string_view s) {
  std::size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  return s.substr(0, n);
}

template <std::size_t N>
class FixedText {
 public:
  static constexpr std::size_t length = N;

  FixedText() { data_.fill(' '); }
  FixedText(std::string_view s) { assign(s); }              // NOLINT: implicit by design
  FixedText(const char* s) { assign(std::string_view(s)); }  // NOLINT
  FixedText(const std::string& s) { assign(std::string_view(s)); }  // NOLINT
  template <std::size_t M>
  FixedText(const FixedText<M>& other) {  // NOLINT: assignment between lengths pads or cuts
    assign(other.view());
  }

  FixedText& operator=(std::string_view s) {
    assign(s);
    return *this;
  }
  FixedText& operator=(const char* s) {
    assign(std::string_view(s));
    return *this;
  }
  FixedText& operator=(const std::string& s) {
    assign(std::string_view(s));
    return *this;
  }

  // Longer text is cut at N, shorter text padded with blanks.
  void assign(std::string_view s) {
    const std::size_t n = std::min(s.size(), N);
    std::copy_n(s.data(), n, data_.data());
    std::fill(data_.begin() + n, data_.end(), ' ');
  }

  std::string_view view() const { return {data_.data(), N}; }
  std::string_view trimmed() const { return trim_trailing(view()); }
  std::string str() const { return std::string(trimmed()); }
  bool is_blank() const { return trimmed().empty(); }

  char* data() { return data_.data(); }
  const char* data() const { return data_.data(); }
  static constexpr std::size_t size() { return N; }
  char& operator[](std::size_t i) { return data_[i]; }
  char operator[](std::size_t i) const { return data_[i]; }

  friend bool operator==(const FixedText& a, std::string_view b) {
    return blank_padded_equal(a.view(), b);
  }
  friend bool operator==(const FixedText& a, const char* b) {
    return blank_padded_equal(a.view(), std::string_view(b));
  }
  template <std::size_t M>
  friend bool operator==(const FixedText& a, const FixedText<M>& b) {
    return blank_padded_equal(a.view(), b.view());
  }

 private:
  std::array<char, N> data_;
};

// Concatenation into a fixed field: the parts joined, then cut at N.
template <std::size_t N, class... Parts>
FixedText<N> concat(const Parts&... parts) {
  std::string joined;
  (joined.append(std::string_view(parts)), ...);
  return FixedText<N>(std::string_view(joined));
}

}  // namespace platform
