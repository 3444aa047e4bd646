// torvex-warp's --version, and its man page against its --help text.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "tests/support/TestSupport.h"
#include "tools/WarpCli.h"

namespace {

// The long options a text names ("--method", "--pairs", ...).
std::set<std::string> LongOptions(const std::string& text) {
    const std::regex option("--[a-z][a-z-]*");
    std::set<std::string> names;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), option);
         it != std::sregex_iterator(); ++it)
        names.insert(it->str());
    return names;
}

// The man page's text with roff's escaped hyphens ("\-") made plain.
std::string ManPageText() {
    return std::regex_replace(testsupport::ReadFile(TORVEX_SOURCE_DIR "/tools/torvex-warp.1"),
                              std::regex(R"(\\-)"), "-");
}

} // namespace

TEST(CliDocs, VersionPrintsTheProjectVersionWhateverElseIsGiven) {
    const std::vector<std::string> cases[] = {
        {"--version"}, {"--method", "idw", "--version", "in.bmp"}, {"--version", "a", "b", "c"}};
    for (const auto& args : cases) {
        std::ostringstream out, err;
        EXPECT_EQ(warpcli::Main(args, out, err), warpcli::kSuccess);
        EXPECT_EQ(out.str(), "torvex-warp " TORVEX_VERSION "\n");
        EXPECT_EQ(err.str(), "");
    }
}

TEST(CliDocs, ManPageDescribesExactlyTheOptionsOfTheHelpText) {
    const std::string page = ManPageText();
    ASSERT_FALSE(page.empty()) << "tools/torvex-warp.1 is missing";
    std::set<std::string> fromHelp = LongOptions(warpcli::Usage());
    fromHelp.insert("--name"); // the page's "--name=value" form of every option
    EXPECT_EQ(LongOptions(page), fromHelp);
    EXPECT_NE(page.find(".BR -h "), std::string::npos) << "the short -h";
}
