#include "place/place_files.h"

#include <gtest/gtest.h>

using namespace sorel;

// Both small files read back what was written, and anything else (another
// form, a damaged identity, a value that would break the lines) reads as no
// place at all.
TEST(PlaceFiles, ReadBackOrNothing) {
    const PlaceChoice choice = {"\\\\nas\\backup\\表", "{0123ABCD-4567-89ab-cdef-0123456789AB}"};
    const PlaceChoice back = ParsePlaceChoice(FormatPlaceChoice(choice));
    EXPECT_EQ(back.folder, choice.folder);
    EXPECT_EQ(back.identity, choice.identity);
    const PlaceMarker marker = {choice.identity, "PC-01", "花子"};
    EXPECT_EQ(ParsePlaceMarker(FormatPlaceMarker(marker)).user, "花子");

    const std::string good = FormatPlaceChoice(choice);
    const char* const damaged[] = {
        "",
        "Sorel place 2\r\nfolder\tE:\\x\r\nidentity\t{0123ABCD-4567-89ab-cdef-0123456789AB}\r\n",
        "Sorel place 1\r\nfolder\tE:\\x\r\nidentity\t{0123ABCD-4567-89ab-cdef-0123456789A}\r\n",
        "Sorel place 1\r\nidentity\t{0123ABCD-4567-89ab-cdef-0123456789AB}\r\n",
        "Sorel place 1\nfolder\tE:\\x\nidentity\t{0123ABCD-4567-89ab-cdef-0123456789AG}\n",
    };
    for (const char* bytes : damaged) {
        EXPECT_TRUE(ParsePlaceChoice(bytes).Empty()) << bytes;
    }
    EXPECT_TRUE(ParsePlaceChoice(good + std::string(5000, 'x')).Empty());
    EXPECT_TRUE(ParsePlaceMarker(good).identity.empty());  // a choice is no marker
    EXPECT_EQ(FormatPlaceChoice({"E:\\a\r\nb", choice.identity}), "");
    EXPECT_EQ(FormatPlaceMarker({choice.identity, "PC\t01", "u"}), "");
}
