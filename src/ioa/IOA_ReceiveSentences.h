// The receive loop of the bridge, as the device protocol sees it.
#pragma once

#include <functional>
#include <string>

#include "ioa/IOA_Channel.h"

namespace ioa {

using SentenceHandler_t = std::function<void(const std::string& sentence)>;

// Switches NMEA output on and hands every sentence, unchanged, to
// onSentence, one fresh packet per wait with the link's timeout. Ends only by
// an exception (termination, time-out, link or frame error, or one thrown by
// onSentence), which it passes on after switching the output off again; what
// the switch-off throws is swallowed. Runs on the thread that owns the link.
[[noreturn]] void ReceiveSentences(Channel_t& channel, const SentenceHandler_t& onSentence);

}  // namespace ioa
