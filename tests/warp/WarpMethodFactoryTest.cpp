#include <gtest/gtest.h>

#include "warp/WarpIDW.h"
#include "warp/WarpMLS.h"
#include "warp/WarpMethodFactory.h"
#include "warp/WarpRBF.h"

TEST(WarpMethodFactory, CodesAndNamesGiveTheirClassesAndNothingElse) {
    const auto isIdw = [](CWarpMethod* m) { return dynamic_cast<CWarpIDW*>(m) != nullptr; };
    const auto isRbf = [](CWarpMethod* m) { return dynamic_cast<CWarpRBF*>(m) != nullptr; };
    const auto isMls = [](CWarpMethod* m) { return dynamic_cast<CWarpMLS*>(m) != nullptr; };
    const struct {
        int code;
        const char* name;
        bool (*is)(CWarpMethod*);
    } cases[] = {{0, "idw", +isIdw}, {1, "rbf", +isRbf}, {2, "mls", +isMls}};
    for (const auto& c : cases) {
        EXPECT_TRUE(c.is(MakeWarpMethod(c.code).get())) << c.code;
        EXPECT_TRUE(c.is(MakeWarpMethod(std::string_view(c.name)).get())) << c.name;
    }
    for (int code : {-1, 3, 1000})
        EXPECT_EQ(MakeWarpMethod(code), nullptr) << code;
    for (const char* name : {"", "IDW", "tps", "rbf "})
        EXPECT_EQ(MakeWarpMethod(std::string_view(name)), nullptr) << name;
    EXPECT_TRUE(isMls(MakeWarpMethod(kWarpCodeNewView).get()));
    EXPECT_TRUE(isRbf(MakeWarpMethod(kWarpCodePreselected).get()));
    EXPECT_TRUE(isRbf(MakeWarpMethod(kWarpCodeFallback).get()));
    EXPECT_EQ(WarpMethodNames(), "idw, rbf or mls");
}
