// Statements read ahead of their turn: what waits is bounded by its bytes, whatever the lines.

#include "script/line_reader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

#include "harness.h"

namespace {

char letter(int n) {
  return static_cast<char>('a' + n % 26);
}

// `count` lines of `size` bytes, the break included, made as they are read; each starts with a
// letter of its own among 26 in turn.
class LineMaker : public std::streambuf {
 public:
  LineMaker(size_t size, int count) : size_(size), count_(count) {}

 protected:
  int_type underflow() override {
    if (made_ == count_) return traits_type::eof();
    line_.assign(size_ - 1, 'x');
    line_[0] = letter(made_++);
    line_ += '\n';
    setg(line_.data(), line_.data(), line_.data() + line_.size());
    return traits_type::to_int_type(line_[0]);
  }

 private:
  size_t size_;
  int count_;
  int made_ = 0;
  std::string line_;
};

struct Lines : std::istream {
  Lines(size_t size, int count) : std::istream(nullptr), maker(size, count) { rdbuf(&maker); }
  LineMaker maker;
};

TEST(LineReader, LinesReadAheadWaitWithinABoundOfBytesNotOfLines) {
  // Many short lines are all read ahead of a run that takes none yet.
  host::LineReader few(std::make_shared<Lines>(8, 10000));
  EXPECT_TRUE(testing_support::until([&] {
    return few.endedOrWaiting([](auto&) { return false; });
  })) << "short lines held back";

  // Long ones, input faster than the run: one arrives and waits for room, not yet waiting.
  std::atomic<int> arrived{0};
  host::LineReader many(std::make_shared<Lines>(host::LineReader::kLongestLine / 2, 64),
                        [&] { ++arrived; });
  EXPECT_TRUE(testing_support::until([&] {
    const int last = arrived - 1;
    return last >= 0 &&
           !many.endedOrWaiting([&](const std::string& line) { return line[0] == letter(last); });
  })) << "long lines read ahead without a bound: "
      << arrived;
}

}  // namespace
