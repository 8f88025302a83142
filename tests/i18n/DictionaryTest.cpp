// The hash dictionary and the value format it is stored in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "i18n/StDict.h"
#include "i18n/ValueStream.h"
#include "platform/TextConversion.h"
#include "tests/i18n/DictionaryBytes.h"

namespace vantrel {
namespace {

using test::TDictBytes;

std::vector<std::string> KeysInTableOrder(const TStDictionary& dictionary) {
    std::vector<std::string> keys;
    dictionary.Iterate([&](const std::string& key, void*) { keys.push_back(key); });
    return keys;
}

std::string Hex(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (char c : bytes) {
        hex += kDigits[static_cast<unsigned char>(c) >> 4];
        hex += kDigits[static_cast<unsigned char>(c) & 0x0F];
    }
    return hex;
}

void* Tag(std::intptr_t value) {
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the slot is opaque; a number is the simplest tag
    return reinterpret_cast<void*>(value);
}

TEST(HashTest, FoldsBeforeHashingAndRotatesByPositionModulo32) {
    // H, I, D, E rotated by 0..3: 0x48 ^ 0x92 ^ 0x110 ^ 0x228.
    EXPECT_EQ(HashFoldedKey(FoldKey("hide"), 2000), 0x3E2u);
    EXPECT_EQ(HashFoldedKey(FoldKey("Hide"), 2000), HashFoldedKey(FoldKey("HIDE"), 2000));
    // Position 32 rotates by 0 again.
    EXPECT_EQ(HashFoldedKey(std::string(32, '\0') + "A", 1000), 0x41u);
    // Position 31 carries the low bit round to the top: 0x80000040 taken
    // as unsigned (a signed remainder would be negative).
    EXPECT_EQ(HashFoldedKey(std::string(31, '\0') + "\x81", 1000), 2147483712u % 1000);
}

TEST(HashTest, NonAsciiKeysThatCompareEqualShareTheirFoldedForm) {
    EXPECT_EQ(FoldKey("\xC3\xA4rger"), FoldKey("\xC3\x84RGER"));  // ärger, ÄRGER
    EXPECT_EQ(FoldKey("Gr\xC3\xB6\xC3\x9F"
                      "e"),
              FoldKey("GR\xC3\x96SSE"));  // Größe
    // Full mappings that grow the text, and a letter outside the BMP.
    EXPECT_EQ(FoldKey("\xEF\xAC\x83"), "FFI");                            // ﬃ
    EXPECT_EQ(FoldKey("\xCE\x90"), "\xCE\x99\xCC\x88\xCC\x81");           // ΐ
    EXPECT_EQ(FoldKey("\xF0\x90\x90\xA8"), FoldKey("\xF0\x90\x90\x80"));  // Deseret
    // Not UTF-8: only ASCII letters fold, the other bytes stay distinct.
    EXPECT_EQ(FoldKey("a\xC3"), "A\xC3");
    EXPECT_NE(FoldKey("\xC3"), FoldKey("\xE3"));
}

TEST(StDictionaryTest, FindIgnoresCaseAndMovesTheHitToTheFront) {
    TStDictionary dictionary(1);  // one chain holds everything
    dictionary.Add("Alpha", Tag(1));
    dictionary.Add("Beta", Tag(2));
    dictionary.Add("Gamma", Tag(3));
    EXPECT_EQ(KeysInTableOrder(dictionary), (std::vector<std::string>{"Gamma", "Beta", "Alpha"}));

    void* data = nullptr;
    ASSERT_TRUE(dictionary.Find("ALPHA", data));
    EXPECT_EQ(data, Tag(1));
    EXPECT_EQ(KeysInTableOrder(dictionary), (std::vector<std::string>{"Alpha", "Gamma", "Beta"}));
    ASSERT_TRUE(dictionary.Find("alpha", data));
    EXPECT_EQ(KeysInTableOrder(dictionary), (std::vector<std::string>{"Alpha", "Gamma", "Beta"}));
    EXPECT_FALSE(dictionary.Find("Delta", data));
}

TEST(StDictionaryTest, RefusesDuplicatesAlsoWhenTheyDifferInCase) {
    TStDictionary dictionary;
    dictionary.Add("\xC3\xA4rger", Tag(1));
    EXPECT_THROW(dictionary.Add("\xC3\x84RGER", Tag(2)), TStDictError);
    EXPECT_THROW(dictionary.Add("\xC3\xA4rger", Tag(2)), TStDictError);
    EXPECT_EQ(dictionary.Count(), 1);
    void* data = nullptr;
    ASSERT_TRUE(dictionary.Find("\xC3\x84rger", data));
    EXPECT_EQ(data, Tag(1));
}

TEST(StDictionaryTest, EqualityEventReplacesTheCaseInsensitiveComparison) {
    TStDictionary dictionary;
    dictionary.SetEqualityEvent([](const std::string& a, const std::string& b) { return a == b; });
    dictionary.Add("Hide", Tag(1));
    void* data = nullptr;
    EXPECT_FALSE(dictionary.Find("HIDE", data));  // same bucket, but not equal now
    EXPECT_TRUE(dictionary.Find("Hide", data));
}

TEST(StDictionaryTest, HashSizeChangeKeepsEveryEntryAndItsData) {
    int disposed = 0;
    TStDictionary dictionary(1);
    dictionary.SetDisposeData([&](void*) { ++disposed; });
    for (int i = 0; i < 50; ++i) {
        dictionary.Add("key" + std::to_string(i), Tag(i + 1));
    }
    dictionary.SetHashSize(7);
    EXPECT_EQ(dictionary.HashSize(), 7);
    EXPECT_EQ(dictionary.Count(), 50);
    EXPECT_EQ(disposed, 0);
    for (int i = 0; i < 50; ++i) {
        void* data = nullptr;
        ASSERT_TRUE(dictionary.Find("KEY" + std::to_string(i), data)) << i;
        EXPECT_EQ(data, Tag(i + 1));
    }
    for (std::int32_t bad : {0, -1, kMaxHashSize + 1}) {
        EXPECT_THROW(dictionary.SetHashSize(bad), TStDictError) << bad;
    }
    EXPECT_EQ(dictionary.HashSize(), 7);
    dictionary.Clear();
    EXPECT_EQ(disposed, 50);
    EXPECT_EQ(dictionary.Count(), 0);
    EXPECT_FALSE(dictionary.Exists("key1"));
}

TEST(StDictionaryTest, LoadChecksClassNamesWithoutRegardToCase) {
    TStNVDictionary owner;  // registers the stored class names
    owner.SetLoadData([](TValueReader& reader) {
        reader.ReadListBegin();
        reader.ReadListEnd();
        return static_cast<void*>(nullptr);
    });
    auto load = [&](const std::string& bytes) {
        TValueReader reader(bytes);
        owner.Dictionary().LoadFromStream(reader);
    };
    const auto entries = [](TDictBytes bytes) {
        return bytes.Byte(0x03)
            .Byte(0xD0)
            .Byte(0x07)
            .Byte(0x01)
            .Short("Hide")
            .Byte(0x01)
            .Byte(0x00)
            .Byte(0x00)
            .Bytes();
    };
    load(entries(TDictBytes().Short("tstdictionary").Short("TSTDICTNODE")));
    EXPECT_EQ(owner.Dictionary().Count(), 1);
    EXPECT_THROW(load(entries(TDictBytes().Short("TStHashTable").Short("TStDictNode"))),
                 TStreamReadError);
    EXPECT_EQ(owner.Dictionary().Count(), 0);
    EXPECT_THROW(load(entries(TDictBytes().Short("TStDictionary").Short("TStNode"))),
                 TStreamReadError);
}

TEST(StDictionaryTest, HashSizeMayUseAnyIntegerTagButStaysWithinBounds) {
    TStNVDictionary owner;
    auto loadWithSize = [&](const TDictBytes& size) {
        TDictBytes bytes;
        bytes.Short("TStDictionary").Short("TStDictNode").Raw(size.Bytes());
        bytes.Byte(0x01).Byte(0x00);
        TValueReader reader(bytes.Bytes());
        owner.Dictionary().LoadFromStream(reader);
        return owner.HashSize();
    };
    EXPECT_EQ(loadWithSize(TDictBytes().Byte(0x02).Byte(0x05)), 5);
    EXPECT_EQ(loadWithSize(TDictBytes().Byte(0x04).Int32(kMaxHashSize)), kMaxHashSize);
    EXPECT_THROW(loadWithSize(TDictBytes().Byte(0x02).Byte(0x00)), TStreamReadError);
    EXPECT_THROW(loadWithSize(TDictBytes().Byte(0x02).Byte(0xFF)), TStreamReadError);  // -1
    // A size up to 2^31 would be a multi-gigabyte table: refused unallocated.
    EXPECT_THROW(loadWithSize(TDictBytes().Byte(0x04).Int32(0x7FFFFFFF)), TStreamReadError);
    EXPECT_THROW(loadWithSize(TDictBytes().Short("2000")), TStreamReadError);
}

TEST(StDictionaryTest, StoreWritesWhatLoadReads) {
    TStNVDictionary written(3);
    written.SetStoreData([](TValueWriter& writer, void* data) {
        writer.WriteListBegin();
        writer.WriteInteger(static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(data)));
        writer.WriteListEnd();
    });
    for (int i = 0; i < 20; ++i) {
        written.Dictionary().Add("entry " + std::to_string(i), Tag(std::intptr_t{i} * 1000));
    }
    TValueWriter writer;
    written.Dictionary().StoreToStream(writer);

    TStNVDictionary read(1);
    read.SetLoadData([](TValueReader& reader) {
        reader.ReadListBegin();
        void* data = Tag(reader.ReadInteger());
        reader.ReadListEnd();
        return data;
    });
    TValueReader reader(writer.Bytes());
    read.Dictionary().LoadFromStream(reader);
    EXPECT_EQ(reader.Remaining(), 0u);
    EXPECT_EQ(read.HashSize(), 3);
    EXPECT_EQ(KeysInTableOrder(read.Dictionary()).size(), 20u);
    for (int i = 0; i < 20; ++i) {
        void* data = nullptr;
        ASSERT_TRUE(read.Dictionary().Find("entry " + std::to_string(i), data));
        EXPECT_EQ(data, Tag(std::intptr_t{i} * 1000));
    }
}

TEST(ValueReaderTest, AcceptsEveryTextTagForWideAndNarrowTexts) {
    // The 8-bit tags hold the code page's bytes, whatever the code page.
    const std::u16string wide = u"Gr\u00F6\u00DFe";
    const std::string utf8 =
        "Gr\xC3\xB6\xC3\x9F"
        "e";
    const std::string narrow = platform::Utf16ToCodePage(wide);
    TDictBytes bytes;
    bytes.Short(narrow).Byte(0x0C).Int32(static_cast<std::int32_t>(narrow.size())).Raw(narrow);
    bytes.Utf8(utf8).Wide(wide);
    const std::string all = bytes.Bytes() + bytes.Bytes();
    TValueReader reader(all);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(reader.ReadWideString(), wide) << i;
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(reader.ReadString(), narrow) << i;
    }
    EXPECT_EQ(reader.Remaining(), 0u);
}

// A damaged text is no damaged file: it reads with replacement characters.
TEST(ValueReaderTest, TextsThatDoNotDecodeReadWithReplacementCharacters) {
    const std::string utf8 = TDictBytes()
                                 .Utf8("a\x80z")
                                 .Utf8("\xE2\x82z")  // cut short: one U+FFFD a byte
                                 .Utf8("\xEF\xBB\xBF\xF0\x9F\x98\x80")  // the mark goes
                                 .Bytes();
    TValueReader wide(utf8);
    EXPECT_EQ(wide.ReadWideString(), u"a\uFFFDz");
    EXPECT_EQ(wide.ReadWideString(), u"\uFFFD\uFFFDz");
    EXPECT_EQ(wide.ReadWideString(), u"\U0001F600");

    // No code page but UTF-8 holds U+1F600, and none a lone surrogate.
    const std::string lone =
        TDictBytes().Wide(u"Size \U0001F600" + std::u16string(1, 0xD800)).Bytes();
    const std::string& codePage = platform::SystemCodePage();
    const bool utf8CodePage = codePage == "UTF-8" || codePage == "CP65001";
    TValueReader narrow(lone);
    EXPECT_EQ(narrow.ReadString(), utf8CodePage ? "Size \xF0\x9F\x98\x80\xEF\xBF\xBD" : "Size ??");
}

TEST(ValueReaderTest, IntegersAreSignExtended) {
    const std::string bytes = TDictBytes()
                                  .Byte(0x02)
                                  .Byte(0x80)
                                  .Byte(0x03)
                                  .Byte(0x00)
                                  .Byte(0x80)
                                  .Byte(0x04)
                                  .Int32(-5)
                                  .Byte(0x04)
                                  .Bytes();
    TValueReader reader(bytes);
    EXPECT_EQ(reader.ReadInteger(), -128);
    EXPECT_EQ(reader.ReadInteger(), -32768);
    EXPECT_EQ(reader.ReadInteger(), -5);
    EXPECT_THROW(reader.ReadInteger(), TStreamReadError);  // tag without its four bytes
}

TEST(ValueReaderTest, LengthsBeyondTheDataFailAtTheLengthField) {
    struct TCase {
        const char* Name;
        std::string Bytes;
        std::size_t Offset;
    };
    const std::vector<TCase> cases = {
        {"short", TDictBytes().Byte(0x06).Byte(5).Raw("abcd").Bytes(), 1},
        {"long", TDictBytes().Byte(0x0C).Int32(0x7FFFFFFF).Raw("abcd").Bytes(), 1},
        {"negative long", TDictBytes().Byte(0x0C).Int32(-1).Bytes(), 1},
        {"wide", TDictBytes().Byte(0x12).Int32(3).Raw("abcde").Bytes(), 1},
        // Twice this count wraps round 32 bits: the check must not overflow.
        {"wide wrap",
         TDictBytes().Byte(0x12).Int32(static_cast<std::int32_t>(0x80000001u)).Raw("ab").Bytes(),
         1},
        {"utf-8", TDictBytes().Byte(0x14).Int32(0x40000000).Bytes(), 1},
        {"unknown tag", TDictBytes().Byte(0x07).Bytes(), 0},
        {"nothing", "", 0},
    };
    for (const TCase& c : cases) {
        TValueReader reader(c.Bytes);
        try {
            reader.ReadWideString();
            ADD_FAILURE() << c.Name << " was read";
        } catch (const TStreamReadError& failure) {
            EXPECT_EQ(failure.Offset(), c.Offset) << c.Name;
        }
    }
}

TEST(ValueWriterTest, PicksTheShortestFormsAndWideStringsForWideTexts) {
    TValueWriter writer;
    writer.WriteInteger(127);
    writer.WriteInteger(2000);
    writer.WriteInteger(-40000);
    writer.WriteString(std::string(255, 'x'));
    writer.WriteString(std::string(256, 'y'));
    writer.WriteWideString(u"Hi");
    const std::string& bytes = writer.Bytes();
    EXPECT_EQ(Hex(bytes.substr(0, 10)), "027f03d00704c063ffff");
    EXPECT_EQ(Hex(bytes.substr(10, 2)), "06ff");
    EXPECT_EQ(Hex(bytes.substr(267, 5)), "0c00010000");
    EXPECT_EQ(Hex(bytes.substr(bytes.size() - 9)), "120200000048006900");
}

}  // namespace
}  // namespace vantrel
