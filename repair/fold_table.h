// What the identity of a song folds letters to, as data: generated once from
// the Unicode character database by scripts/generate_fold_table.py, so that
// every platform folds alike.
#ifndef REPAIR_FOLD_TABLE_H_
#define REPAIR_FOLD_TABLE_H_

#include <span>

namespace kw {

// A letter of the Basic Multilingual Plane from U+00C0 on that folds to
// other letters: its canonical decomposition less the dropped marks,
// case-folded (É, é: "e"; Σ, ς: "σ"; ß: "ss"); a Latin letter named "<x>
// WITH <mark>" that Unicode does not decompose (ø, đ, ł) folds to x, a
// Latin ligature to its letters (ĳ: "ij"), and æ, œ, þ, ð, ŋ, ı, ĸ as
// custom writes them. `folded` is UTF-8, NUL-terminated.
struct FoldedLetter {
  char16_t letter;
  char folded[6];
};

// Sorted by letter; a letter not listed stays as it is.
std::span<const FoldedLetter> foldedLetters();

// Combining marks that folding drops wherever they stand, inclusive ranges.
struct MarkRange {
  char32_t first, last;
};
std::span<const MarkRange> droppedMarks();

}  // namespace kw

#endif  // REPAIR_FOLD_TABLE_H_
