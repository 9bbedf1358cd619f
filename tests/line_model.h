// The line rules of the text layer read the slow, literal way, one byte at a
// time over the whole data; the layer's reads are checked against it.
#pragma once

#include <algorithm>
#include <string>

namespace relabel::testing {

// The rules, one byte at a time over the whole data: LF or CR LF ends a
// line, a lone CR is dropped, byte 26 ends the data.
class LineModel {
 public:
  explicit LineModel(const std::string& data)
      : data_(data), end_(std::min(data.find('\x1a'), data.size())) {}

  bool at_end() const { return pos_ >= end_; }

  // A line and its end.
  std::string read_line() {
    std::string line;
    while (pos_ < end_) {
      const char c = data_[pos_++];
      if (c == '\n') break;
      if (c == '\r') {
        if (pos_ < end_ && data_[pos_] == '\n') {
          ++pos_;
          break;
        }
        continue;
      }
      line += c;
    }
    return line;
  }

  bool at_end_skipping_blanks() {
    while (pos_ < end_ && static_cast<unsigned char>(data_[pos_]) <= 32) ++pos_;
    return pos_ >= end_;
  }

 private:
  std::string data_;
  std::size_t end_;
  std::size_t pos_ = 0;
};

}  // namespace relabel::testing
