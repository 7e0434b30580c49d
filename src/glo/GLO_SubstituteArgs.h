// Placeholder substitution in loaded texts: "%0" to "%9" stand for the
// arguments, "%%" for one "%"; every other use of "%" is malformed. Every
// argument must be referenced at least once. Failed checks throw
// glo::Assert_t with the caller's file and line.
#pragma once

#include <string>
#include <vector>

namespace glo {

constexpr std::size_t kMaxSubstituteArgs = 10;

std::string SubstituteArgs(const std::string& text, const std::vector<std::string>& args,
                           const char* file, unsigned line);
// SubstituteArgs with exactly one argument.
std::string Format(const std::string& text, const std::string& arg, const char* file,
                   unsigned line);

}  // namespace glo
