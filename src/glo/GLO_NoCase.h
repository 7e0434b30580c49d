// Comparison of names without regard to case. Narrow text is UTF-8:
// single-byte characters compare after conversion to upper case, as signed
// 8-bit values; multi-byte characters by their code value. A byte sequence
// that is no character fails the internal check.
#pragma once

#include <string>

namespace glo {

// Negative, zero or positive as a sorts before, with or after b; a name
// that is a prefix of the other sorts first.
int CompareNoCase(const std::string& a, const std::string& b);
bool LessNoCase(const std::string& a, const std::string& b);
// The same number of characters and no difference.
bool EqualNoCase(const std::string& a, const std::string& b);
// Whether every character of the text can be measured, so that the
// comparisons above accept it.
bool IsMeasurable(const std::string& text);

struct NoCaseLess_t {
    bool operator()(const std::string& a, const std::string& b) const { return LessNoCase(a, b); }
};

}  // namespace glo
