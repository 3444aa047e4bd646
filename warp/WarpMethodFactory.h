// The warping methods by the option dialog's selection code and by the short
// name the command line uses: one table, so a new method is one entry here
// plus its class.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "warp/WarpMethod.h"

struct WarpMethodEntry {
    int code;         // the option dialog's radio-button index
    const char* name; // torvex-warp's --method value
    std::unique_ptr<CWarpMethod> (*make)();
};

// Selection codes with a role of their own.
inline constexpr int kWarpCodeIDW = 0;
inline constexpr int kWarpCodeRBF = 1;
inline constexpr int kWarpCodeMLS = 2;
// The method a new view starts with.
inline constexpr int kWarpCodeNewView = kWarpCodeMLS;
// The button the option dialog opens with checked.
inline constexpr int kWarpCodePreselected = kWarpCodeRBF;
// What stands in for a code outside the table.
inline constexpr int kWarpCodeFallback = kWarpCodeRBF;

// Every method, in selection-code order.
std::span<const WarpMethodEntry> WarpMethods();

// A new method object, or null for a code or name outside the table.
std::unique_ptr<CWarpMethod> MakeWarpMethod(int code);
std::unique_ptr<CWarpMethod> MakeWarpMethod(std::string_view name);

// "idw, rbf or mls": the names, for messages.
std::string WarpMethodNames();
