#include "warp/WarpMethodFactory.h"

#include "warp/WarpIDW.h"
#include "warp/WarpMLS.h"
#include "warp/WarpRBF.h"

namespace {

template <class Method>
std::unique_ptr<CWarpMethod> Make() {
    return std::make_unique<Method>();
}

constexpr WarpMethodEntry kMethods[] = {
    {kWarpCodeIDW, "idw", &Make<CWarpIDW>},
    {kWarpCodeRBF, "rbf", &Make<CWarpRBF>},
    {kWarpCodeMLS, "mls", &Make<CWarpMLS>},
};

} // namespace

std::span<const WarpMethodEntry> WarpMethods() {
    return kMethods;
}

std::unique_ptr<CWarpMethod> MakeWarpMethod(int code) {
    for (const WarpMethodEntry& m : kMethods)
        if (m.code == code) return m.make();
    return nullptr;
}

std::unique_ptr<CWarpMethod> MakeWarpMethod(std::string_view name) {
    for (const WarpMethodEntry& m : kMethods)
        if (name == m.name) return m.make();
    return nullptr;
}

std::string WarpMethodNames() {
    std::string list;
    const std::size_t n = std::size(kMethods);
    for (std::size_t i = 0; i < n; ++i)
        list += (i == 0 ? "" : i + 1 == n ? " or " : ", ") + std::string(kMethods[i].name);
    return list;
}
