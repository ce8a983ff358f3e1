// The indexed name match against the plain reference: bit-identical values
// (NaN for NaN), a value in 0..1, and a prepared index that lists exactly
// the positions of each printable byte. The work buffers live across inputs,
// so names of every length meet buffers grown by earlier ones.
//
// Input: one mode byte, then the search text, then other names, all
// separated by line feeds (up to four other names are used). Mode bit 0
// lower-cases the names first, as the duplicate finder does.
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "repair/name_match.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/reference/reference.h"

namespace {

using trackmend_fuzz::fail;

// The reference scans every pair of positions for every run it takes.
constexpr size_t kMaxNameLength = 300;
constexpr size_t kMaxOtherNames = 4;

bool sameValue(double x, double y) {
  if (std::isnan(x) || std::isnan(y)) return std::isnan(x) && std::isnan(y);
  return std::memcmp(&x, &y, sizeof x) == 0;
}

std::string lowered(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

void checkIndex(const kw::QuickSearchString& q) {
  const std::string& text = q.searchText();
  for (int code = 0; code < 256; ++code) {
    std::vector<size_t> expected;
    if (code >= 32 && code <= 127)
      for (size_t k = 0; k < text.size(); ++k)
        if (static_cast<unsigned char>(text[k]) == code) expected.push_back(k);
    if (q.charPositions(static_cast<unsigned char>(code)) != expected)
      fail("charPositions wrong for byte " + std::to_string(code));
  }
}

void checkMatch(const kw::QuickSearchString& q, const std::string& other) {
  const double fast = kw::nameMatch(q, other);
  const double expected = kw::reference::nameMatch(q.searchText(), other);
  if (!sameValue(fast, expected))
    fail("nameMatch " + std::to_string(fast) + " != reference " + std::to_string(expected) +
         " for |q|=" + std::to_string(q.searchText().size()) + " |other|=" + std::to_string(other.size()));
  if (!std::isnan(fast) && (fast < 0 || fast > 1)) fail("nameMatch outside 0..1: " + std::to_string(fast));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  std::vector<std::string> pieces = trackmend_fuzz::splitAt(data + 1, size - 1, '\n');
  if (pieces.size() == 1) pieces.emplace_back();
  if (pieces.size() > kMaxOtherNames + 1) pieces.resize(kMaxOtherNames + 1);
  for (auto& piece : pieces) {
    if (piece.size() > kMaxNameLength) piece.resize(kMaxNameLength);
    if (mode & 1) piece = lowered(piece);
  }
  const kw::QuickSearchString q(pieces[0]);
  if (q.searchText() != pieces[0]) fail("searchText differs from the name given");
  checkIndex(q);
  for (size_t i = 1; i < pieces.size(); ++i) checkMatch(q, pieces[i]);
  // Matching is not symmetric in its work, but must not depend on which
  // buffer grew first: match the other way round as well.
  const kw::QuickSearchString back(pieces[1]);
  checkMatch(back, pieces[0]);
  return 0;
}
