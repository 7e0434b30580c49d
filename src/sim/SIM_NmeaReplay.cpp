#include "sim/SIM_NmeaReplay.h"

#include <fstream>
#include <iterator>

#include "sim/SIM_Error.h"

namespace sim {

namespace {

std::string_view SentenceType(std::string_view sentence) {
    return sentence.substr(0, sentence.find(','));
}

}  // namespace

NmeaReplay_t NmeaReplay_t::FromFile(const std::string& path, bool loop) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw Error_t(__FILE__, __LINE__, "cannot read the replay file " + path);
    }
    std::string text;
    char chunk[4096];
    while (file.read(chunk, sizeof chunk) || file.gcount() > 0) {
        text.append(chunk, static_cast<std::size_t>(file.gcount()));
        if (text.size() > kMaxFileSize) {
            throw Error_t(__FILE__, __LINE__, "replay file too large: " + path);
        }
    }
    if (file.bad()) {
        throw Error_t(__FILE__, __LINE__, "cannot read the replay file " + path);
    }
    return NmeaReplay_t(text, loop, path);
}

NmeaReplay_t::NmeaReplay_t(std::string_view text, bool loop, const std::string& origin)
    : loop_(loop) {
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            continue;
        }
        const std::string where = origin + ", line " + std::to_string(lineNumber);
        if (line.size() > kMaxLineLength) {
            throw Error_t(__FILE__, __LINE__, where + ": line too long");
        }
        for (char c : line) {
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                throw Error_t(__FILE__, __LINE__, where + ": control character");
            }
        }
        sentences_.push_back(std::string(line) + "\r\n");
    }
    if (sentences_.empty()) {
        throw Error_t(__FILE__, __LINE__, origin + ": no sentences to replay");
    }
    burstType_ = std::string(SentenceType(sentences_.front()));
}

std::vector<std::string> NmeaReplay_t::NextBurst() {
    std::vector<std::string> burst;
    if (next_ == sentences_.size()) {
        if (!loop_) {
            return burst;
        }
        next_ = 0;
    }
    do {
        burst.push_back(sentences_[next_++]);
    } while (next_ < sentences_.size() && SentenceType(sentences_[next_]) != burstType_);
    return burst;
}

}  // namespace sim
