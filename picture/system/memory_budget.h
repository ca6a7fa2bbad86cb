#pragma once

// One memory budget for the whole process. Every picture-sized piece of
// memory (a pixel block, a scale run's work rows, a file read whole, the
// window's view of a picture, a band of a picture) is reserved here before
// it is taken, and the reservation is held as long as the memory is. A need
// is granted when it fits in what the system can give now (system_memory.h)
// less what the process's reservations already hold; otherwise it is
// refused with EOutOfMemory, whose message says what was needed and what
// could be had. Needs below a megabyte are counted without asking the
// system, so small pictures cost nothing extra.
//
// The process may also be given a ceiling (SetMemoryLimit), which all its
// reservations together never pass whatever the system could give. A need
// that passes the ceiling even with nothing else held (beside what its own
// account holds) is refused at once with EMemoryLimit, whose message names
// the need, the ceiling and where the ceiling was set.
//
// Work that runs beside other work (the jobs of a run, scale/jobs/, one per
// worker thread) is charged to a MemoryAccount of its own. When a need of
// such an account does not fit while other accounts hold memory, it is
// refused with EMemoryBusy instead: that memory will come back, so the work
// gives back what it holds, waits for others to finish and starts again.
// A need refused while no one else holds anything cannot fit at all.
//
// Thread-safe: reservations may be made and released on any thread.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "picture/system/system_errors.h"
#include "picture/system/system_memory.h"

namespace memory_budget_detail {
struct AccountState;
}

// Bytes held against the budget; given back when the object goes.
class MemoryReservation {
public:
    MemoryReservation() = default;
    ~MemoryReservation() { release(); }
    MemoryReservation(MemoryReservation&& other) noexcept;
    MemoryReservation& operator=(MemoryReservation&& other) noexcept;
    MemoryReservation(const MemoryReservation&) = delete;
    MemoryReservation& operator=(const MemoryReservation&) = delete;

    std::size_t bytes() const { return bytes_; }
    bool empty() const { return bytes_ == 0; }

    // Says that the memory has been mapped: from now on the process's own
    // size counts it against an address-space limit.
    void markTaken();
    void release();

private:
    friend MemoryReservation ReserveMemory(std::size_t, const std::string&);

    std::size_t bytes_ = 0;
    bool taken_ = false;
    std::shared_ptr<memory_budget_detail::AccountState> account_;
};

// Reserves `bytes` for `what` (named in the refusal, such as "Picture of
// 100 x 200 pixels"). Throws EOutOfMemory, or EMemoryBusy for a waiting
// account while others hold memory, when they cannot be had now.
MemoryReservation ReserveMemory(std::size_t bytes, const std::string& what = "A picture");

// Refuses as ReserveMemory does when `bytes` could not be reserved now,
// holding nothing: the check made before work starts that will need them.
void RequireMemory(std::size_t bytes, const std::string& what = "A picture");

// The share of one piece of work.
class MemoryAccount {
public:
    // `waitsForOthers`: refusals while other accounts hold memory are
    // EMemoryBusy rather than EOutOfMemory.
    explicit MemoryAccount(bool waitsForOthers = true);
    ~MemoryAccount();
    MemoryAccount(const MemoryAccount&) = delete;
    MemoryAccount& operator=(const MemoryAccount&) = delete;

    // Work that runs alone at last refuses what does not fit for good.
    void SetWaitsForOthers(bool waits);

    // Bytes its reservations hold now.
    std::size_t held() const;

private:
    friend class ChargeMemoryTo;
    std::shared_ptr<memory_budget_detail::AccountState> state_;
};

// While it lives, reservations made on this thread are charged to `account`
// (which must outlive it). Reservations made outside any account belong to
// the process at large and count as others' for every account.
class ChargeMemoryTo {
public:
    explicit ChargeMemoryTo(MemoryAccount& account);
    ~ChargeMemoryTo();
    ChargeMemoryTo(const ChargeMemoryTo&) = delete;
    ChargeMemoryTo& operator=(const ChargeMemoryTo&) = delete;

private:
    std::shared_ptr<memory_budget_detail::AccountState> previous_;
};

// Bytes all reservations of the process hold now.
std::size_t MemoryReserved();

// Sets the ceiling of all reservations together: `bytes`, or none but what
// the system can give when 0. `setBy` says where it came from (an option,
// a variable) for the refusals it causes: "... needs 7.7 GB of memory; the
// limit is 2 GiB: --memory-limit".
void SetMemoryLimit(std::uint64_t bytes, const std::string& setBy);
// The ceiling now; 0 when there is none.
std::uint64_t MemoryLimit();

// "12 MB": a size for messages, in whole megabytes rounded up.
std::string DescribeBytes(std::uint64_t bytes);
// The same, from a gigabyte on in tenths of gigabytes rounded up ("7.7 GB").
std::string DescribeLargeBytes(std::uint64_t bytes);
// A size as exactly as binary units say it: "2 GiB", "1536 MiB", "100 bytes".
std::string DescribeExactBytes(std::uint64_t bytes);

// For tests: what the budget believes the system can give (empty: ask the
// system again).
void SetSystemMemoryProbeForTesting(std::function<SystemMemory()> probe);
