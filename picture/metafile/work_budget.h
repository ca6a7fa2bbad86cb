#pragma once

// A bound on the drawing work of one metafile. Every rasterising step charges
// the pixels and edges it visits; a file that asks for more work than any
// honest drawing needs (millions of full-picture fills, polygons with
// millions of edges crossing every row) stops drawing there, keeping what was
// drawn, instead of holding the program for minutes.

#include <cstdint>

// Thrown when the budget is spent; the renderer catches it and ends playback.
struct DrawingBudgetSpent {};

class WorkBudget {
public:
    explicit WorkBudget(std::uint64_t units) : left_(units) {}
    void charge(std::uint64_t units) {
        if (units > left_) {
            left_ = 0;
            throw DrawingBudgetSpent{};
        }
        left_ -= units;
    }
    std::uint64_t left() const { return left_; }

private:
    std::uint64_t left_;
};
