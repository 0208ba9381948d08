#pragma once
// A side window made the first time it is asked for, and fitted out then, once: the first
// frame shows none of the side windows, so none of them is built before it. Whatever asks
// for one gets it made; what only updates one that is open asks ifMade() instead, and the
// fitting out brings a window made later up to date.
#include <functional>
#include <utility>

namespace mb {

template <typename Window>
class FirstUse {
public:
    using Make = std::function<Window*()>;
    using FitOut = std::function<void(Window&)>;

    FirstUse() = default;
    explicit FirstUse(Make make, FitOut fitOut = {})
        : make_(std::move(make)), fitOut_(std::move(fitOut)) {}

    // The window, made now if it was not yet; null when there is nothing to make it with.
    Window* get() {
        if (!made_ && make_) {
            // Taken first: a fitting out that asks for the window again finds it made.
            made_ = std::exchange(make_, nullptr)();
            if (made_ && fitOut_) std::exchange(fitOut_, nullptr)(*made_);
        }
        return made_;
    }

    // The window if it has been made, without making it.
    Window* ifMade() const { return made_; }

private:
    Make make_;
    FitOut fitOut_;
    Window* made_ = nullptr;
};

}  // namespace mb
