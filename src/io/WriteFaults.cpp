#include "io/WriteFaults.h"

#include <algorithm>
#include <atomic>

namespace {

std::atomic<int64_t> budget{-1};
std::atomic<bool> renameFails{false};

} // namespace

namespace writefaults {

void FailWritesAfter(int64_t bytes) {
    budget = bytes;
}

void FailNextRename() {
    renameFails = true;
}

void Reset() {
    budget = -1;
    renameFails = false;
}

int64_t Allowance(int64_t count) {
    int64_t left = budget.load(std::memory_order_relaxed);
    if (left < 0) return count;
    const int64_t n = std::min(left, count);
    budget = left - n;
    return n;
}

bool TakeRenameFailure() {
    return renameFails.exchange(false);
}

} // namespace writefaults
