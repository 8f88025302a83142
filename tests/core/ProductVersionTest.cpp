#include <gtest/gtest.h>

#include "core/Declarations.h"
#include "core/ProductVersion.h"

namespace vantrel {
namespace {

TEST(PackVersion, ComponentsBelow256FillTheFourBytesHighestFirst) {
    EXPECT_EQ(PackVersion(4, 0, 0, 1), 0x04000001u);
    EXPECT_EQ(PackVersion(4, 1, 2, 3), 0x04010203u);
    EXPECT_EQ(PackVersion(255, 255, 255, 255), 0xFFFFFFFFu);
}

TEST(PackVersion, LargeComponentsCarryUpwardAndWrap) {
    // 1 * 256 + 300 = 556 = 0x22C in the upper half.
    EXPECT_EQ(PackVersion(1, 300, 0, 0), 0x022C0000u);
    EXPECT_EQ(PackVersion(0, 0, 1, 256), 0x00000200u);
    // Major 256 shifts out of 32 bits entirely.
    EXPECT_EQ(PackVersion(256, 0, 0, 7), 7u);
}

TEST(VersionText, FormatsEachByteInDecimal) {
    EXPECT_EQ(VersionToText(0), "0.0.0.0");
    EXPECT_EQ(VersionToText(0x04010203u), "4.1.2.3");
    EXPECT_EQ(VersionToText(0xFF0A6400u), "255.10.100.0");
}

TEST(VersionText, ParsesOnlyFourNumbersUpTo255) {
    EXPECT_EQ(VersionFromText("4.0.0.2"), 0x04000002u);
    EXPECT_EQ(VersionFromText("255.255.255.255"), 0xFFFFFFFFu);
    for (const char* bad : {"", "4.0.0", "4.0.0.2.1", "4.0.0.256", "4..0.2", "4.0.0.x", " 4.0.0.2",
                            "4.0.0.2 ", "-1.0.0.0", "4.0.0.+2"}) {
        EXPECT_FALSE(VersionFromText(bad).has_value()) << bad;
    }
}

TEST(ProductVersionRec, HasTheStoredLayout) {
    TProductVersionRec rec{true, 0x04000001u, "orbisk-4.0.0.1.exe"};
    const auto bytes = WriteProductVersionRec(rec);
    ASSERT_EQ(bytes.size(), 76u);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[1] | bytes[2] | bytes[3], 0);  // padding
    EXPECT_EQ(bytes[4], 0x01);                     // little-endian version
    EXPECT_EQ(bytes[7], 0x04);
    EXPECT_EQ(bytes[8], rec.FileName.size());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[9]), rec.FileName.size()),
              rec.FileName);
    EXPECT_EQ(bytes[73] | bytes[74] | bytes[75], 0);
    EXPECT_EQ(ReadProductVersionRec(bytes), rec);
}

TEST(ProductVersionRec, NameIsCutTo64BothWays) {
    const std::string longName(80, 'n');
    const auto bytes = WriteProductVersionRec({true, 1, longName});
    EXPECT_EQ(bytes[8], 64);
    EXPECT_EQ(ReadProductVersionRec(bytes).FileName, std::string(64, 'n'));

    // A length byte above 64 never reaches past the name field.
    auto damaged = WriteProductVersionRec({true, 1, std::string(64, 'a')});
    damaged[8] = 200;
    damaged[73] = 'X';
    EXPECT_EQ(ReadProductVersionRec(damaged).FileName, std::string(64, 'a'));
}

TEST(ProductVersionRec, AnyNonZeroFoundByteCountsAndPaddingIsIgnored) {
    auto bytes = WriteProductVersionRec({false, 5, "p"});
    bytes[1] = bytes[2] = bytes[3] = 0xEE;
    EXPECT_FALSE(ReadProductVersionRec(bytes).Found);
    bytes[0] = 7;
    EXPECT_TRUE(ReadProductVersionRec(bytes).Found);
    EXPECT_EQ(ReadProductVersionRec(bytes).Version, 5u);
}

TEST(AppDescriptions, ListsTheTwoEditionsInPreferenceOrder) {
    ASSERT_EQ(AppDescriptions.size(), 2u);
    EXPECT_EQ(AppDescriptions[0].FileName, "kvoutlook.dll");
    EXPECT_EQ(AppDescriptions[0].ProjectID, "Orbisk4Outlook");
    EXPECT_EQ(AppDescriptions[1].FileName, "orbisk4inside.dll");
    EXPECT_EQ(AppDescriptions[1].ProjectID, "Orbisk4OutlookEx");
    EXPECT_TRUE(AppDescriptions[0].RegistryPath.empty());
    EXPECT_TRUE(AppDescriptions[1].RegistryPath.empty());
}

}  // namespace
}  // namespace vantrel
