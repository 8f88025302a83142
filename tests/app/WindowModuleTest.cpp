#include <dlfcn.h>

#include <gtest/gtest.h>

#include "app/WindowModule.h"
#include "core/UpdateState.h"
#include "core/iProcs.h"
#include "tests/support/TempDir.h"

namespace vantrel {
namespace {

std::filesystem::path TestModule() {
    return test::BinDir() / "libvantrel-test-window-module.so";
}

TEST(WindowModule, TheModuleSharesTheProgramsOneCopyOfTheProcessWideValues) {
    const TWindowModule module(TestModule());
    void* handle = dlopen(TestModule().c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(handle, nullptr);
    using TAddress = const void* (*)();
    const auto errorMessage =
        reinterpret_cast<TAddress>(dlsym(handle, "TestModuleErrorMessageAddress"));
    const auto updateState =
        reinterpret_cast<TAddress>(dlsym(handle, "TestModuleUpdateStateAddress"));
    ASSERT_TRUE(errorMessage && updateState);
    EXPECT_EQ(errorMessage(), &ErrorMessage);
    EXPECT_EQ(updateState(), &UpdateState);
    dlclose(handle);

    ErrorMessage = "seen by the module";
    EXPECT_EQ(module.EntryPoint(kRunErrorDialog)(0, nullptr), 18);
    UpdateState.Mode = ModeNever;
    char* argv[] = {nullptr};
    EXPECT_EQ(module.EntryPoint(kRunMainWindow)(1, argv), 1);
    EXPECT_EQ(UpdateState.Mode, ModeMonthly);
}

TEST(WindowModule, LoadFailuresNameTheReason) {
    try {
        TWindowModule missing(test::BinDir() / "no-such-module.so");
        FAIL();
    } catch (const WindowModuleError& e) {
        EXPECT_NE(std::string(e.what()).find("no-such-module.so"), std::string::npos) << e.what();
    }
    const TWindowModule module(TestModule());
    EXPECT_THROW(module.EntryPoint("VantrelRunSomethingElse"), WindowModuleError);
}

TEST(WindowModule, TheProgramLinksNoQtLibrary) {
    const auto needed = [](const std::filesystem::path& file) {
        const std::string command = "readelf -d '" + file.string() + "' 2>&1";
        std::string output;
        FILE* pipe = popen(command.c_str(), "r");
        EXPECT_NE(pipe, nullptr);
        char buffer[4096];
        while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr)
            output += buffer;
        if (pipe != nullptr) {
            EXPECT_EQ(pclose(pipe), 0) << output;
        }
        return output;
    };
    const std::string program = needed(test::BinDir() / "vantrel");
    ASSERT_NE(program.find("(NEEDED)"), std::string::npos) << program;
    EXPECT_NE(program.find("libcurl"), std::string::npos) << program;
    EXPECT_EQ(program.find("libQt"), std::string::npos) << program;
    // The windows are the module's: it is built beside the program.
    EXPECT_TRUE(std::filesystem::exists(test::BinDir() / kWindowModuleFileName));
}

}  // namespace
}  // namespace vantrel
