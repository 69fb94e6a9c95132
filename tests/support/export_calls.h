// One typical call of every export that takes a master handle, for the tests that sweep all of
// them (faults, bad handles, allocations). Each row also says what the export reports when its
// last SPI transaction completes or fails.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "QuorvelWCHDLL.h"

// Put into a status variable before a call, to see whether the export wrote it.
inline constexpr std::int16_t kUntouchedStatus = 0x5A5A;
// What a call returns when the export returns nothing.
inline constexpr int kNoFlag = -1;

// What one call reported: its success flag (kNoFlag for exports that return none) and the
// status variable afterwards.
struct Outcome {
    int flag = kNoFlag;
    std::int16_t status = kUntouchedStatus;
    friend bool operator==(const Outcome&, const Outcome&) = default;
};
std::ostream& operator<<(std::ostream& os, const Outcome& outcome);

struct ExportCall {
    const char* name;
    // Calls the export once on `card` with `status` as its status pointer (exports without one
    // ignore it); returns the success flag, or kNoFlag.
    std::function<int(DioMasterHandle* card, std::int16_t* status)> call;
    // What the call reports on an open card when its last transaction completed
    // (last_failed false) or failed (true). Earlier transactions never count.
    std::function<Outcome(bool last_failed)> expected;
    // The export runs SPI transactions (the others touch only registers or the frame buffer).
    bool transactions;
};

// Every export that takes a master handle, except DioClose.
const std::vector<ExportCall>& export_calls();

// Runs one row with a status variable that holds kUntouchedStatus before the call.
Outcome run_export(const ExportCall& row, DioMasterHandle* card);

// gtest parameter names and printing.
std::string export_call_name(const ExportCall& row);
void PrintTo(const ExportCall& row, std::ostream* os);
