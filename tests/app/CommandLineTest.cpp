// SPDX-License-Identifier: MIT
#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace tarnquill::app {
namespace {

using Action = CommandLine::Action;

struct Case {
    const char* name;
    std::vector<std::string> args;
    Action action;
    std::string storeFile;
    const char* errorMentions = "";
};

class CommandLineTest : public testing::TestWithParam<Case> {};

TEST_P(CommandLineTest, Parses)
{
    const Case& c = GetParam();
    const CommandLine line = parseCommandLine(c.args);
    EXPECT_EQ(line.action, c.action);
    EXPECT_EQ(line.storeFile, c.storeFile);
    if (c.action == Action::Help) {
        EXPECT_NE(helpText().find("--store FILE"), std::string::npos);
    }
    if (c.action == Action::Error) {
        EXPECT_NE(line.error.find(c.errorMentions), std::string::npos) << line.error;
        EXPECT_EQ(line.error.find('\n'), std::string::npos) << "one line";
    }
}

INSTANTIATE_TEST_SUITE_P(
    All, CommandLineTest,
    testing::Values(Case{"Nothing", {}, Action::Run, ""},
                    Case{"Store", {"--store", "my history.txt"}, Action::Run, "my history.txt"},
                    Case{"StoreJoined", {"--store=/tmp/h.txt"}, Action::Run, "/tmp/h.txt"},
                    Case{"StoreLooksLikeAnOption", {"--store", "--version"}, Action::Run, "--version"},
                    Case{"Help", {"--help"}, Action::Help, ""},
                    Case{"ShortHelp", {"-h"}, Action::Help, ""},
                    Case{"Version", {"--version"}, Action::Version, ""},
                    Case{"HelpWinsOverLaterErrors", {"--help", "--bogus"}, Action::Help, ""},
                    Case{"Unknown", {"--bogus"}, Action::Error, "", "'--bogus'"},
                    Case{"UnknownAfterStore", {"--store", "a", "-x"}, Action::Error, "", "'-x'"},
                    Case{"Argument", {"file.txt"}, Action::Error, "", "argument 'file.txt'"},
                    Case{"MissingFile", {"--store"}, Action::Error, "", "FILE"},
                    Case{"EmptyFile", {"--store="}, Action::Error, "", "FILE"},
                    Case{"StoreTwice", {"--store", "a", "--store", "b"}, Action::Error, "", "twice"}),
    [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

TEST(GivenStoreFile, IsTakenFromTheCurrentFolderAsOneKeyAndNeedsAnExistingFolder)
{
    const std::filesystem::path here = std::filesystem::temp_directory_path();
    std::string error;
    EXPECT_EQ(givenStoreFile("h.txt", here, error), (here / "h.txt").lexically_normal());
    EXPECT_EQ(givenStoreFile("./sub/../h.txt", here, error), (here / "h.txt").lexically_normal());
    EXPECT_EQ(givenStoreFile((here / "h.txt").string(), "/elsewhere", error), (here / "h.txt").lexically_normal());
    EXPECT_EQ(error, "");

    EXPECT_EQ(givenStoreFile("missing-folder-of-tarnquill/h.txt", here, error), "");
    EXPECT_NE(error.find("no folder"), std::string::npos) << error;
    EXPECT_EQ(givenStoreFile(".", here, error), "");
    EXPECT_NE(error.find("is a folder"), std::string::npos) << error;
}

} // namespace
} // namespace tarnquill::app
