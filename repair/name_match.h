// File-name comparison of two paths and the letters-and-digits overlap of
// two song names.
#ifndef REPAIR_NAME_MATCH_H_
#define REPAIR_NAME_MATCH_H_

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

// True when `a` and `b` both contain a separator ('\\' or '/', either in
// either path) and the texts after their last separators are equal ignoring
// ASCII case. Then `equalDirs` is set to the number of directory names, going
// upwards from the file, that are equal in the same way; the walk stops at
// the first differing name and at the first separator of either path (what
// stands before it, a drive or a relative first folder, never counts).
// `equalDirs` is left alone when the result is false.
bool sameFileName(std::string_view a, std::string_view b, int& equalDirs);

// A song name prepared for matching against many other names.
class QuickSearchString {
 public:
  explicit QuickSearchString(std::string searchText);
  virtual ~QuickSearchString();
  QuickSearchString(const QuickSearchString&) = default;
  QuickSearchString& operator=(const QuickSearchString&) = default;

  const std::string& searchText() const { return searchText_; }
  // Ascending indexes of `searchText` at which byte `code` stands, for the
  // codes 32..127; empty for any other code.
  const std::vector<std::size_t>& charPositions(unsigned char code) const;

 private:
  std::string searchText_;
  std::array<std::vector<std::size_t>, 96> charPositions_;
};

// A word character: an ASCII letter or digit, or any byte from 0x80 on.
bool isWordChar(unsigned char c);

// The share of word characters of both names that lie in common runs
// scoring at least three word characters, taken greedily (highest score
// first; on equal scores the run found first, by position in `other`, then
// in the search text). Consumed bytes of the search text match nothing any
// more; consumed runs are cut out of `other`, joining their neighbours.
// Result: 2 * matched word characters / (word characters of both), in 0..1;
// NaN when neither has a word character. Either name ends at its first zero
// byte, if any. Reuses thread-local work buffers that only grow, so it
// allocates nothing once they are large enough.
double nameMatch(const QuickSearchString& q, std::string_view other);

}  // namespace kw

#endif  // REPAIR_NAME_MATCH_H_
