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
    std::uint64_t limit = 0;   // 0: none but the system's
    std::string limitSetBy;
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

// What the system lets a new need take now; the budget's mutex is held.
std::uint64_t systemRoomLocked(Budget& b) {
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

// Throws EMemoryLimit when `bytes`, with what the current account holds
// already, pass the ceiling: no one else giving memory back would help.
void checkCeilingLocked(const Budget& b, std::size_t bytes, const std::string& what) {
    const std::size_t own = currentAccount ? currentAccount->held : 0;
    if (b.limit == 0 || (bytes <= b.limit && own <= b.limit - bytes)) return;
    const std::string besides =
        own > 0 ? " besides the " + DescribeLargeBytes(own) + " its work holds" : "";
    throw EMemoryLimit(what + " needs " + DescribeLargeBytes(bytes) + " of memory" + besides +
                       "; the limit is " + DescribeExactBytes(b.limit) + ": " + b.limitSetBy);
}

void checkLocked(Budget& b, std::size_t bytes, const std::string& what) {
    checkCeilingLocked(b, bytes, what);
    // Small needs are not worth asking the system; the ceiling is a sum.
    std::uint64_t room = bytes < kSmallNeed ? SystemMemory::kUnlimited : systemRoomLocked(b);
    if (b.limit != 0) room = std::min(room, lessOrZero(b.limit, b.reserved));
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

void SetMemoryLimit(std::uint64_t bytes, const std::string& setBy) {
    Budget& b = budget();
    std::lock_guard<std::mutex> lock(b.mutex);
    b.limit = bytes;
    b.limitSetBy = setBy;
}

std::uint64_t MemoryLimit() {
    Budget& b = budget();
    std::lock_guard<std::mutex> lock(b.mutex);
    return b.limit;
}

std::string DescribeBytes(std::uint64_t bytes) {
    const std::uint64_t mb = bytes / (1 << 20) + (bytes % (1 << 20) != 0 ? 1 : 0);
    return std::to_string(mb) + " MB";
}

std::string DescribeLargeBytes(std::uint64_t bytes) {
    constexpr std::uint64_t kGb = std::uint64_t{1} << 30;
    if (bytes < kGb) return DescribeBytes(bytes);
    const std::uint64_t part = bytes % kGb * 10;  // below 2^34: no overflow
    const std::uint64_t tenths = bytes / kGb * 10 + part / kGb + (part % kGb != 0 ? 1 : 0);
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " GB";
}

std::string DescribeExactBytes(std::uint64_t bytes) {
    static const char* const kUnits[] = {"bytes", "KiB", "MiB", "GiB", "TiB"};
    int unit = 0;
    while (unit < 4 && bytes != 0 && bytes % 1024 == 0) {
        bytes /= 1024;
        ++unit;
    }
    return std::to_string(bytes) + " " + kUnits[unit];
}

void SetSystemMemoryProbeForTesting(std::function<SystemMemory()> probe) {
    Budget& b = budget();
    std::lock_guard<std::mutex> lock(b.mutex);
    b.probe = std::move(probe);
}
