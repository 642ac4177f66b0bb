#pragma once

#include "text/Hook.h"

#include <cstdint>
#include <string>

namespace tamsenor::text {

// The tag pass for any text: while a "<" has a ">" after it, the text from
// the first "<" through the next ">" (the tag) and every copy of it become one
// space each, all copies at once. Works in one walk from left to right, so its
// cost grows with the text, not with the number of tags times the text.
// Hook calls, iteration count and progress values are those of the literal
// pass: per iteration a yield and a cancel test, then the progress moves
// V <- V + (T - V) / 10 (T = 100 when strip is checked, else 50); the last
// (empty) iteration only yields and tests for cancel.
// On cancel the text is what the literal pass would hold at that iteration.
// Throws std::length_error for a text of 2^31 - 1 bytes or more.
// Example: " <b> <a<b>" -> "   <a " in one iteration ("<b>" ends both groups;
// the "<a" left over has no ">" after it).
Outcome WalkTagPass(std::string& text, Hook& hook, long& iterations);

// The same with a given base for the polynomial hash behind the walk's table
// (1 <= hashBase < 2^61 - 1), and the tail filter (which lets a group whose
// tail no other group has become a tag without the table) made for a text of
// at least `filterFromGts` ">" (the first form: 65,536). Every match the hash
// suggests is confirmed by comparing characters, and the filter only errs
// towards the table, so both only decide the speed; tests pass weak bases to
// make texts collide on purpose, and 0 to use the filter on short texts too.
Outcome WalkTagPass(
    std::string& text, Hook& hook, long& iterations, std::uint64_t hashBase, std::size_t filterFromGts = 0);

} // namespace tamsenor::text
