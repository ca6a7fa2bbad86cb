#include "picture/system/memory_budget.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <utility>

namespace memory_budget_detail {

struct AccountState {
    explicit AccountState(bool waits) : waitsForOthers(waits) {}
    std::atomic<bool> waitsForOthers;
    std::size_t held = 0;  // guarded by the budget's mutex
};

}  // namespace memory_budget_detail

using memory_budget_detail::AccountState;

namespace {

// Needs below this are granted without asking the system: they cost less
// than the asking.
constexpr std::size_t kSmallNeed = std::size_t{1} << 20;

struct Budget {
    std::mutex mutex;
    std::size_t reserved = 0;  // every reservation
    std::size_t notTaken = 0;  // reservations whose memory is not mapped yet
    std::function<SystemMemory()> probe;
};

// Never destroyed: reservations in static objects may outlive any order of
// destruction.
Budget& budget() {
    static Budget* const instance = new Budget;
    return *instance;
}

thread_local std::shared_ptr<AccountState> currentAccount;

std::uint64_t lessOrZero(std::uint64_t a, std::uint64_t b) {
    return a > b ? a - b : 0;
}

// What a new need may take now; the budget's mutex is held.
std::uint64_t roomLocked(Budget& b) {
    const SystemMemory system = b.probe ? b.probe() : ProbeSystemMemory();
    // The available memory already leaves out what the process has touched;
    // of the reservations, at most the mapped ones are touched, and no more
    // of them than the process has touched in all. Reservations not yet
    // mapped are not in the process's size either.
    const std::size_t taken = b.reserved - b.notTaken;
    const std::uint64_t touched = std::min<std::uint64_t>(taken, system.touched);
    const std::uint64_t untouched = b.reserved - touched;
    return std::min(lessOrZero(system.memory, untouched),
                    lessOrZero(system.addressSpace, b.notTaken));
}

// Throws the refusal for a need of `bytes` with `room` left.
[[noreturn]] void refuse(const Budget& b, std::size_t bytes, std::uint64_t room,
                         const std::string& what) {
    const std::string message = what + " needs " + DescribeBytes(bytes) + " of memory; " +
                                DescribeBytes(room) + " can be had now";
    // Busy only when what the others hold would make room: a need larger
    // than that cannot be met by waiting.
    const AccountState* account = currentAccount.get();
    const std::size_t others = b.reserved - (account ? account->held : 0);
    if (account && account->waitsForOthers && others > 0 && bytes - room <= others)
        throw EMemoryBusy(message);
    throw EOutOfMemory(message);
}

void checkLocked(Budget& b, std::size_t bytes, const std::string& what) {
    if (bytes < kSmallNeed) return;
    const std::uint64_t room = roomLocked(b);
    if (bytes > room) refuse(b, bytes, room, what);
}

}  // namespace

MemoryReservation::MemoryReservation(MemoryReservation&& other) noexcept
    : bytes_(std::exchange(other.bytes_, 0)),
      taken_(std::exchange(other.taken_, false)),
      account_(std::move(other.account_)) {}

MemoryReservation& MemoryReservation::operator=(MemoryReservation&& other) noexcept {
    if (this != &other) {
        release();
        bytes_ = std::exchange(other.bytes_, 0);
        taken_ = std::exchange(other.taken_, false);
        account_ = std::move(other.account_);
    }
    return *this;
}

void MemoryReservation::markTaken() {
    if (taken_ || bytes_ == 0) return;
    Budget& b = budget();
    std::lock_guard<std::mutex> lock(b.mutex);
    b.notTaken -= bytes_;
    taken_ = true;
}

void MemoryReservation::release() {
    if (bytes_ == 0) return;
    Budget& b = budget();
    {
        std::lock_guard<std::mutex> lock(b.mutex);
        b.reserved -= bytes_;
        if (!taken_) b.notTaken -= bytes_;
        if (account_) account_->held -= bytes_;
    }
    bytes_ = 0;
    taken_ = false;
    account_.reset();
}

MemoryReservation ReserveMemory(std::size_t bytes, const std::string& what) {
    MemoryReservation reservation;
    if (bytes == 0) return reservation;
    Budget& b = budget();
    std::lock_guard<std::mutex> lock(b.mutex);
    checkLocked(b, bytes, what);
    b.reserved += bytes;
    b.notTaken += bytes;
    reservation.bytes_ = bytes;
    reservation.account_ = currentAccount;
    if (currentAccount) currentAccount->held += bytes;
    return reservation;
}

void RequireMemory(std::size_t bytes, const std::string& what) {
    Budget& b = budget();
    std::lock_guard<std::mutex> lock(b.mutex);
    checkLocked(b, bytes, what);
}

MemoryAccount::MemoryAccount(bool waitsForOthers)
    : state_(std::make_shared<AccountState>(waitsForOthers)) {}

MemoryAccount::~MemoryAccount() = default;

void MemoryAccount::SetWaitsForOthers(bool waits) {
    state_->waitsForOthers = waits;
}

std::size_t MemoryAccount::held() const {
    Budget& b = budget();
    std::lock_guard<std::mutex> lock(b.mutex);
    return state_->held;
}

ChargeMemoryTo::ChargeMemoryTo(MemoryAccount& account)
    : previous_(std::exchange(currentAccount, account.state_)) {}

ChargeMemoryTo::~ChargeMemoryTo() {
    currentAccount = std::move(previous_);
}

std::size_t MemoryReserved() {
    Budget& b = budget();
    std::lock_guard<std::mutex> lock(b.mutex);
    return b.reserved;
}

std::string DescribeBytes(std::uint64_t bytes) {
    const std::uint64_t mb = bytes / (1 << 20) + (bytes % (1 << 20) != 0 ? 1 : 0);
    return std::to_string(mb) + " MB";
}

void SetSystemMemoryProbeForTesting(std::function<SystemMemory()> probe) {
    Budget& b = budget();
    std::lock_guard<std::mutex> lock(b.mutex);
    b.probe = std::move(probe);
}
