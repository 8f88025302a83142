// The store on the real HKEY_CURRENT_USER: the keys and value types that the
// store file holds on Linux, read back by the registry's own calls and by
// regedit's export, which goes through the store file's parser.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/RegistryStore.h"
#include "platform/TextConversion.h"
#include "platform/windows/Win32Text.h"

namespace vantrel::platform {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

std::vector<std::uint8_t> WideBytes(std::u16string_view text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    return {bytes, bytes + text.size() * 2};
}

struct TValueRow {
    const char* Name;
    TRegValue Value;
    DWORD RegistryType;
    std::vector<std::uint8_t> RegistryBytes;  // as RegQueryValueExW hands them out
};

const std::vector<TValueRow>& Rows() {
    static const std::vector<TValueRow> rows = {
        {"UpdateStatus", {RegBinary, {1}}, REG_BINARY, {1}},
        {"UpdateMode", {RegDWord, {2, 0, 0, 0}}, REG_DWORD, {2, 0, 0, 0}},
        {"Title",
         {RegString, Bytes("Orbisk")},
         REG_SZ,
         WideBytes(std::u16string_view(u"Orbisk", 7))},
        {"Folder",
         {RegExpandString, WideBytes(std::u16string_view(u"%TEMP%\\x", 9))},
         REG_EXPAND_SZ,
         WideBytes(std::u16string_view(u"%TEMP%\\x", 9))},
    };
    return rows;
}

class RegistryStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        FRoot = "Software\\VantrelTests\\" + std::to_string(GetCurrentProcessId()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, WideFromUtf8(FRoot).c_str()); }

    TRegistryStore Store() const { return TRegistryStore(FRoot); }
    std::wstring Key(const std::string& path) const { return WideFromUtf8(FRoot + "\\" + path); }

    void WriteRows() const {
        Store().EditKey("Orbisk\\Vantrel", [](TRegKey& key) {
            for (const TValueRow& row : Rows())
                key.Set(row.Name, row.Value);
        });
    }

    std::string FRoot;
};

TEST_F(RegistryStoreTest, EachValueTypeIsStoredAsTheRegistryTypesIt) {
    WriteRows();
    for (const TValueRow& row : Rows()) {
        SCOPED_TRACE(row.Name);
        DWORD type = 0;
        std::vector<std::uint8_t> data(256);
        DWORD size = static_cast<DWORD>(data.size());
        ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, Key("Orbisk\\Vantrel").c_str(),
                               WideFromUtf8(row.Name).c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type,
                               data.data(), &size),
                  ERROR_SUCCESS);
        data.resize(size);
        EXPECT_EQ(type, row.RegistryType);
        EXPECT_EQ(data, row.RegistryBytes);
    }
    const std::optional<TRegKey> key = Store().ReadKey("orbisk\\vantrel\\");
    ASSERT_TRUE(key);
    ASSERT_EQ(key->Values.size(), Rows().size());
    for (const TValueRow& row : Rows())
        EXPECT_EQ(*key->Find(row.Name), row.Value) << row.Name;
}

TEST_F(RegistryStoreTest, AnEditKeepsValuesItDidNotTouchAndDeletesWhatItRemoved) {
    WriteRows();
    RegSetKeyValueW(HKEY_CURRENT_USER, Key("Orbisk\\Vantrel").c_str(), L"Foreign", REG_SZ, L"kept",
                    10);
    Store().EditKey("Orbisk\\Vantrel", [](TRegKey& key) { key.Remove("UpdateMode"); });
    const std::optional<TRegKey> key = Store().ReadKey("Orbisk\\Vantrel");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->Find("UpdateMode"), nullptr);
    EXPECT_NE(key->Find("Foreign"), nullptr);
    EXPECT_NE(key->Find("UpdateStatus"), nullptr);
}

TEST_F(RegistryStoreTest, DeletingATreeRemovesTheKeyAndWhatIsBelowIt) {
    WriteRows();
    Store().EditKey("Orbisk\\Vantrel\\Below", [](TRegKey& key) { key.Set("x", {RegBinary, {0}}); });
    EXPECT_TRUE(Store().DeleteKeyTree("Orbisk\\Vantrel"));
    EXPECT_FALSE(Store().ReadKey("Orbisk\\Vantrel"));
    EXPECT_FALSE(Store().ReadKey("Orbisk\\Vantrel\\Below"));
    EXPECT_TRUE(Store().ReadKey("Orbisk"));
    EXPECT_FALSE(Store().DeleteKeyTree("Orbisk\\Vantrel"));
    EXPECT_THROW(Store().DeleteKeyTree("\\"), RegistryError);
}

// regedit, a program nobody here wrote, exports what the store wrote; the
// store file's parser must read the export as the same keys and values.
TEST_F(RegistryStoreTest, RegeditsExportReadsBackThroughTheStoreFilesParser) {
    WriteRows();
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    const std::filesystem::path file =
        std::filesystem::path(temp) /
        ("vantrel-export-" + std::to_string(GetCurrentProcessId()) + ".reg");
    const std::wstring command = L"regedit /E \"" + file.native() + L"\" \"HKEY_CURRENT_USER\\" +
                                 WideFromUtf8(FRoot) + L"\"";
    ASSERT_EQ(_wsystem(command.c_str()), 0);
    std::ifstream in(file, std::ios::binary);
    const std::string raw((std::istreambuf_iterator<char>(in)), {});
    in.close();
    std::filesystem::remove(file);
    ASSERT_GE(raw.size(), 2u);
    // UTF-16LE with a byte-order mark, as regedit writes it.
    std::u16string wide((raw.size() - 2) / 2, u'\0');
    std::memcpy(wide.data(), raw.data() + 2, wide.size() * 2);
    const TRegistryFile parsed = ParseRegistryText(Utf8FromWide(
        std::wstring_view(reinterpret_cast<const wchar_t*>(wide.data()), wide.size())));
    const TRegKey* key = parsed.FindKey(FRoot + "\\Orbisk\\Vantrel");
    ASSERT_NE(key, nullptr);
    for (const TValueRow& row : Rows()) {
        const TRegValue* value = key->Find(row.Name);
        ASSERT_NE(value, nullptr) << row.Name;
        EXPECT_EQ(*value, row.Value) << row.Name;
    }
}

}  // namespace
}  // namespace vantrel::platform
