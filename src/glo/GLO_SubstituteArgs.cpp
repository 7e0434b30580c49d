#include "glo/GLO_SubstituteArgs.h"

#include <set>

#include "glo/GLO_Exception.h"

namespace glo {

std::string SubstituteArgs(const std::string& text, const std::vector<std::string>& args,
                           const char* file, unsigned line) {
    Check(args.size() <= kMaxSubstituteArgs, file, line);
    std::string out = text;
    std::set<std::size_t> used;
    std::size_t p = out.find('%');
    while (p != std::string::npos) {
        Check(p + 1 < out.size(), file, line);
        const char next = out[p + 1];
        if (next == '%') {
            out.erase(p + 1, 1);
            p = out.find('%', p + 1);
            continue;
        }
        Check(next >= '0' && next <= '9', file, line);
        const std::size_t index = static_cast<std::size_t>(next - '0');
        Check(index < args.size(), file, line);
        used.insert(index);
        out.replace(p, 2, args[index]);
        // The inserted text is never scanned again.
        p = out.find('%', p + args[index].size());
    }
    Check(used.size() == args.size(), file, line);
    return out;
}

std::string Format(const std::string& text, const std::string& arg, const char* file,
                   unsigned line) {
    return SubstituteArgs(text, {arg}, file, line);
}

}  // namespace glo
