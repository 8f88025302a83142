#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "platform/RegistryStore.h"
#include "tests/support/TempDir.h"

namespace vantrel::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(RegistryText, ParsesEveryValueFormat) {
    const TRegistryFile file = ParseRegistryText(
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
        "\r\n"
        "; a comment\n"
        "[HKEY_CURRENT_USER\\Vantrel]\n"
        "\"Update Status\"=hex:01\n"
        "\"Text\"=\"say \\\"hi\\\" C:\\\\dir\"\n"
        "\"Number\"=dword:0000002a\n"
        "\"Expand\"=hex(2):41,00,00,00\n"
        "\"Other\"=hex(b):01,02,03,04,05,06,07,08\n"
        "\"Long\"=hex:01,02,\\\n"
        "  03,04\n"
        "\"Empty\"=hex:\n"
        "@=\"default\"\n"
        "[hkey_current_user\\Vantrel\\Sub]\n");
    ASSERT_EQ(file.Keys.size(), 2u);
    const TRegKey& key = file.Keys[0];
    EXPECT_EQ(key.Path, "Vantrel");
    EXPECT_EQ(*key.Find("update status"), (TRegValue{RegBinary, {1}}));
    const TRegValue* text = key.Find("Text");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->Type, RegString);
    EXPECT_EQ(std::string(text->Data.begin(), text->Data.end()), "say \"hi\" C:\\dir");
    EXPECT_EQ(*key.Find("Number"), (TRegValue{RegDWord, {0x2a, 0, 0, 0}}));
    EXPECT_EQ(key.Find("Expand")->Type, RegExpandString);
    EXPECT_EQ(*key.Find("Other"), (TRegValue{11, {1, 2, 3, 4, 5, 6, 7, 8}}));
    EXPECT_EQ(key.Find("Long")->Data, (Bytes{1, 2, 3, 4}));
    EXPECT_TRUE(key.Find("Empty")->Data.empty());
    EXPECT_EQ(key.Find("")->Type, RegString);
    EXPECT_EQ(file.Keys[1].Path, "Vantrel\\Sub");
}

TEST(RegistryText, FormattedTextParsesBackToTheSameKeys) {
    TRegistryFile file;
    TRegKey& key = file.OpenKey("\\Vantrel\\");
    key.Set("Bin", {RegBinary, {0, 255, 16}});
    key.Set("Quote\"d\\", {RegString, {'a', '"', '\\'}});
    key.Set("Lines", {RegString, {'a', '\n', 'b'}});  // cannot stand in quotes
    key.Set("DW", {RegDWord, {1, 2, 3, 4}});
    key.Set("Odd dword", {RegDWord, {1, 2}});
    key.Set("Typed", {0x12345678u, {9}});
    key.Set("", {RegBinary, {}});
    file.OpenKey("Other").Set("x", {RegBinary, {7}});
    const TRegistryFile again = ParseRegistryText(FormatRegistryText(file));
    ASSERT_EQ(again.Keys.size(), 2u);
    EXPECT_EQ(again.Keys[0].Path, "Vantrel");
    EXPECT_EQ(again.Keys[0].Values, file.Keys[0].Values);
    EXPECT_EQ(again.Keys[1].Values, file.Keys[1].Values);
}

TEST(RegistryText, DamagedTextIsAReadFailureNamingTheLine) {
    const char* damaged[] = {
        "",
        "REGEDIT4\n",
        "Windows Registry Editor Version 5.00\n\"A\"=hex:01\n",  // value outside a key
        "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\X]\n",
        "Windows Registry Editor Version 5.00\n[-HKEY_CURRENT_USER\\X]\n",
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\X\n",
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\X]\n\"A=hex:01\n",
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\X]\n\"A\"=hex:1\n",
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\X]\n\"A\"=hex:0g\n",
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\X]\n\"A\"=hex:01;02\n",
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\X]\n\"A\"=dword:123456789\n",
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\X]\n\"A\"=hex(2:01\n",
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\X]\n\"A\"=\"x\"y\n",
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\X]\n\"A\"=-\n",
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\X]\n\"A\\q\"=hex:\n",
    };
    for (const char* text : damaged) {
        SCOPED_TRACE(text);
        EXPECT_THROW(ParseRegistryText(text), RegistryError);
    }
    try {
        ParseRegistryText("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\X]\nbad\n");
        FAIL();
    } catch (const RegistryError& e) {
        EXPECT_NE(std::string(e.what()).find("line 4"), std::string::npos) << e.what();
    }
}

TEST(RegistryText, SalvageKeepsEveryLineThatParses) {
    struct TCase {
        const char* Text;
        std::vector<std::pair<std::string, std::vector<std::string>>> Keys;  // path, value names
    };
    const TCase cases[] = {
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"x\"=hex:01\n"
         "\"bad\"=hex:1\n\"y\"=dword:00000001\n\"cut",
         {{"A", {"x", "y"}}}},
        // Values under a key line that does not parse belong to no key.
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"x\"=hex:01\n"
         "[HKEY_CURRENT_USER\\B\n\"lost\"=hex:02\n[HKEY_CURRENT_USER\\C]\n\"z\"=hex:03\n",
         {{"A", {"x"}}, {"C", {"z"}}}},
        // No header, garbage first: the keys are still found.
        {"\x01\x02garbage\n\"early\"=hex:01\n[HKEY_CURRENT_USER\\A]\n\"x\"=hex:01\n",
         {{"A", {"x"}}}},
        {"", {}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text);
        const TRegistryFile file = SalvageRegistryText(c.Text);
        std::vector<std::pair<std::string, std::vector<std::string>>> keys;
        for (const TRegKey& key : file.Keys) {
            keys.emplace_back(key.Path, std::vector<std::string>{});
            for (const auto& [name, value] : key.Values)
                keys.back().second.push_back(name);
        }
        EXPECT_EQ(keys, c.Keys);
    }
}

TEST(RegistryText, RepeatedKeysAndNamesInAnyCaseMergeInFirstPlace) {
    const TRegistryFile file = ParseRegistryText(
        "Windows Registry Editor Version 5.00\n"
        "[HKEY_CURRENT_USER\\Vantrel]\n\"Mode\"=hex:01\n\"Other\"=hex:02\n"
        "[HKEY_CURRENT_USER\\Second]\n"
        "[HKEY_CURRENT_USER\\VANTREL]\n\"MODE\"=hex:03\n");
    ASSERT_EQ(file.Keys.size(), 2u);
    EXPECT_EQ(file.Keys[0].Path, "Vantrel");
    ASSERT_EQ(file.Keys[0].Values.size(), 2u);
    EXPECT_EQ(file.Keys[0].Values[0].first, "Mode");
    EXPECT_EQ(file.Keys[0].Values[0].second.Data, Bytes{3});
}

TEST(RegistryText, DeletingAKeyTreeTakesItsSubkeysOnly) {
    TRegistryFile file;
    file.OpenKey("Vantrel");
    file.OpenKey("Vantrel\\Sub\\Deeper");
    file.OpenKey("VantrelOther");
    file.OpenKey("Keep");
    EXPECT_TRUE(file.DeleteKeyTree("\\VANTREL"));
    ASSERT_EQ(file.Keys.size(), 2u);
    EXPECT_EQ(file.Keys[0].Path, "VantrelOther");
    EXPECT_FALSE(file.DeleteKeyTree("Vantrel"));
}

class RegistryStoreFile : public ::testing::Test {
protected:
    test::TempDir FDir;
    std::filesystem::path FFile = FDir / "vantrel" / "user.reg";
    TRegistryStore FStore{FFile};
};

TEST_F(RegistryStoreFile, SavesKeepOtherKeysAndCreateAPrivateFile) {
    EXPECT_FALSE(FStore.ReadKey("Vantrel"));
    FStore.EditKey("Other", [](TRegKey& key) { key.Set("Keep", {RegString, {'y'}}); });
    FStore.EditKey("Vantrel", [](TRegKey& key) { key.Set("A", {RegBinary, {1}}); });
    FStore.EditKey("Vantrel", [](TRegKey& key) { key.Set("B", {RegBinary, {2}}); });
    const auto other = FStore.ReadKey("other");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->Find("Keep")->Data, (Bytes{'y'}));
    const auto vantrel = FStore.ReadKey("Vantrel");
    ASSERT_TRUE(vantrel);
    EXPECT_EQ(vantrel->Values.size(), 2u);

    struct stat info {};
    ASSERT_EQ(stat(FFile.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(stat(FFile.parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // No temporary file is left beside the store.
    for (const auto& entry : std::filesystem::directory_iterator(FFile.parent_path()))
        EXPECT_TRUE(entry.path() == FFile || entry.path().extension() == ".lock") << entry.path();
}

std::vector<std::string> FilesBeside(const std::filesystem::path& file) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(file.parent_path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(RegistryStoreFile, ADamagedStoreIsKeptAsideAndRepairedAtTheNextChange) {
    std::filesystem::create_directories(FFile.parent_path());
    const std::string damaged =
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\Other]\n\"Keep\"=hex:07\n"
        "[HKEY_CURRENT_USER\\Vantrel]\n\"A\"=hex:zz\n";
    std::vector<std::string> notices;
    FStore.SetNotice([&](const std::string& text) { notices.push_back(text); });
    // Twice, within the same second: the second copy must not replace the
    // first.
    for (int round = 0; round < 2; ++round) {
        test::WriteFile(FFile, damaged);
        EXPECT_THROW(FStore.ReadKey("Vantrel"), RegistryDamaged);
        FStore.EditKey("Vantrel", [](TRegKey& key) { key.Set("B", {RegBinary, {2}}); });
        EXPECT_EQ(FStore.ReadKey("Other")->Find("Keep")->Data, Bytes{7});
        const auto vantrel = FStore.ReadKey("Vantrel");
        ASSERT_TRUE(vantrel);
        EXPECT_EQ(vantrel->Values.size(), 1u);  // the unreadable "A" is gone
        FStore.EditKey("Vantrel", [](TRegKey& key) { key.Set("C", {RegBinary, {3}}); });
    }
    ASSERT_EQ(notices.size(), 2u);  // once per repair, not once per save
    EXPECT_NE(notices[0].find("line 5"), std::string::npos) << notices[0];
    const std::vector<std::string> names = FilesBeside(FFile);
    ASSERT_EQ(names.size(), 4u) << ::testing::PrintToString(names);
    EXPECT_TRUE(names[1].starts_with("user.reg.damaged-")) << names[1];
    EXPECT_EQ(names[2], names[1] + "-1");
    EXPECT_EQ(test::ReadFileText(FFile.parent_path() / names[1]), damaged);
    EXPECT_EQ(test::ReadFileText(FFile.parent_path() / names[2]), damaged);
    EXPECT_NE(notices[1].find(names[2]), std::string::npos) << notices[1];
}

TEST_F(RegistryStoreFile, WhatIsNoRegularFileIsAReadFailureWithoutWaiting) {
    std::filesystem::create_directories(FFile.parent_path());
    struct TCase {
        const char* Name;
        std::function<void(const std::filesystem::path&)> Make;
    };
    const TCase cases[] = {
        {"fifo", [](const auto& path) { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); }},
        {"directory", [](const auto& path) { std::filesystem::create_directory(path); }},
        {"link to a fifo",
         [](const auto& path) {
             ASSERT_EQ(mkfifo((path.string() + "-target").c_str(), 0600), 0);
             std::filesystem::create_symlink(path.string() + "-target", path);
         }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        std::filesystem::remove_all(FFile.parent_path());
        std::filesystem::create_directories(FFile.parent_path());
        c.Make(FFile);
        EXPECT_THROW(FStore.ReadKey("Vantrel"), RegistryDamaged);
        FStore.EditKey("Vantrel", [](TRegKey& key) { key.Set("A", {RegBinary, {1}}); });
        EXPECT_EQ(FStore.ReadKey("Vantrel")->Find("A")->Data, Bytes{1});
    }
}

TEST_F(RegistryStoreFile, ASaveRemovesTheTemporaryFilesOfKilledSavesOnly) {
    FStore.EditKey("Vantrel", [](TRegKey& key) { key.Set("A", {RegBinary, {1}}); });
    const std::filesystem::path dir = FFile.parent_path();
    // "user.reg.Ab12Cd" may be an earlier version's, or the user's: kept.
    for (const char* name : {"user.reg.saving-Ab12Cd", "user.reg.Ab12Cd",
                             "user.reg.damaged-20250101-000000", "other.saving-Ab12Cd"})
        test::WriteFile(dir / name, "x");
    FStore.EditKey("Vantrel", [](TRegKey& key) { key.Set("A", {RegBinary, {2}}); });
    EXPECT_EQ(FilesBeside(FFile),
              (std::vector<std::string>{"other.saving-Ab12Cd", "user.reg", "user.reg.Ab12Cd",
                                        "user.reg.damaged-20250101-000000", "user.reg.lock"}));
}

TEST_F(RegistryStoreFile, DeletingFromAMissingStoreCreatesNothing) {
    EXPECT_FALSE(FStore.DeleteKeyTree("Vantrel"));
    EXPECT_FALSE(std::filesystem::exists(FFile.parent_path()));
}

TEST_F(RegistryStoreFile, ASaveThatFailsHalfWayLeavesThePreviousStore) {
    FStore.EditKey("Vantrel", [](TRegKey& key) { key.Set("Count", {RegBinary, {1}}); });
    const Bytes before = test::ReadFile(FFile);
    // In a child, a file-size limit stops the write of a large store part
    // of the way through, as a full disk would.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        try {
            FStore.EditKey("Vantrel", [](TRegKey& key) {
                key.Set("Count", {RegBinary, {2}});
                key.Set("Bulk", {RegBinary, Bytes(100000, 0x5A)});
            });
        } catch (const RegistryError&) {
            _exit(0);
        }
        _exit(1);  // the failure went unreported
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(test::ReadFile(FFile), before);
    for (const auto& entry : std::filesystem::directory_iterator(FFile.parent_path()))
        EXPECT_TRUE(entry.path() == FFile || entry.path().extension() == ".lock") << entry.path();
}

TEST_F(RegistryStoreFile, ASaveKilledHalfWayLeavesTheLastCompleteStore) {
    // A child saves ever-growing values and reports each completed save;
    // it is killed in the middle of a later one. The store must then hold
    // one complete save at least as new as the last one reported.
    for (int round = 0; round < 5; ++round) {
        int report[2];
        ASSERT_EQ(pipe(report), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(report[0]);
            for (std::uint32_t n = 1;; ++n) {
                FStore.EditKey("Vantrel", [n](TRegKey& key) {
                    key.Set("Count", {RegDWord, {static_cast<std::uint8_t>(n), 0, 0, 0}});
                    key.Set("Bulk",
                            {RegBinary, Bytes(20000 + n * 100, static_cast<std::uint8_t>(n))});
                });
                const char done = 1;
                if (write(report[1], &done, 1) != 1)
                    _exit(1);
            }
        }
        close(report[1]);
        char done[8];
        std::size_t reported = 0;
        while (reported < 3) {
            const ssize_t got = read(report[0], done, 3 - reported);
            ASSERT_GT(got, 0);
            reported += static_cast<std::size_t>(got);
        }
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        close(report[0]);
        const auto key = FStore.ReadKey("Vantrel");
        ASSERT_TRUE(key);
        const std::uint8_t count = key->Find("Count")->Data.at(0);
        EXPECT_GE(count, 3);
        EXPECT_EQ(key->Find("Bulk")->Data, Bytes(20000 + count * 100u, count));
    }
}

}  // namespace
}  // namespace vantrel::platform
