#pragma once

#include <thread>

namespace gui {

// Reads the system's font configuration on a thread of its own while the
// application connects to the display, so that the first text laid out does
// not wait for it. Join before any widget is built.
class FontWarmUp {
public:
    FontWarmUp();
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

    void Join();

private:
    std::thread thread_;
};

}  // namespace gui
