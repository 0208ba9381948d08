#pragma once
// The help window's topics: tag, button caption and text, in the order of the buttons.
#include <span>

namespace mb {

struct HelpTopic {
    int tag;
    const char* caption;
    const char* text;
};

std::span<const HelpTopic> helpTopics();

}  // namespace mb
