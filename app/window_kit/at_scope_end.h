#pragma once

// Runs an action when a scope ends, however it ends (a return, an error).

#include <utility>

template <class F>
class AtScopeEnd {
public:
    explicit AtScopeEnd(F action) : action_(std::move(action)) {}
    ~AtScopeEnd() { action_(); }
    AtScopeEnd(const AtScopeEnd&) = delete;
    AtScopeEnd& operator=(const AtScopeEnd&) = delete;

private:
    F action_;
};
