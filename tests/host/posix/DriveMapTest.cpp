#include <gtest/gtest.h>

#include "host/posix/DriveMap.h"

namespace {

TEST(DriveMap, ZIsTheRootUnlessMappedOtherwise) {
    DriveMap drives;
    EXPECT_EQ(drives.ToPosix("Z:\\home\\ann\\out.xml"), "/home/ann/out.xml");
    EXPECT_EQ(drives.ToPosix("z:\\"), "/");
    EXPECT_EQ(drives.ToWindows("/home/ann/out.xml"), "Z:\\home\\ann\\out.xml");
    EXPECT_EQ(drives.ToWindows("/"), "Z:\\");
    EXPECT_FALSE(drives.ToPosix("C:\\x").has_value());
}

TEST(DriveMap, MappedDriveHoldsItsFolderMostClosely) {
    DriveMap drives;
    drives.MapDrive('d', "/srv/data/");
    EXPECT_EQ(drives.ToPosix("D:\\Tax\\a.xml"), "/srv/data/Tax/a.xml");
    EXPECT_EQ(drives.ToPosix("D:\\"), "/srv/data/");
    EXPECT_EQ(drives.ToWindows("/srv/data/Tax/a.xml"), "D:\\Tax\\a.xml");
    EXPECT_EQ(drives.ToWindows("/srv/data"), "D:\\");
    EXPECT_EQ(drives.ToWindows("/srv/database"), "Z:\\srv\\database");
}

TEST(DriveMap, ShiftJisInsideUtf8Outside) {
    DriveMap drives;
    // "表" (0x95 0x5C) and "ソ" (0x83 0x5C): the trail byte is not a separator.
    EXPECT_EQ(drives.ToPosix("Z:\\tmp\\\x95\x5C\\\x83\x5C.xml"),
              std::string("/tmp/\xE8\xA1\xA8/\xE3\x82\xBD.xml"));
    EXPECT_EQ(drives.ToWindows("/tmp/\xE8\xA1\xA8/\xE3\x82\xBD.xml"),
              std::string("Z:\\tmp\\\x95\x5C\\\x83\x5C.xml"));
    EXPECT_FALSE(drives.ToPosix("Z:\\tmp\\\x81").has_value());  // a lead byte without its trail
}

TEST(DriveMap, SharesAreMappedOnlyWhenNamed) {
    DriveMap drives;
    EXPECT_FALSE(drives.ToPosix("\\\\server\\share\\a.xml").has_value());
    drives.MapShare("Server/Share", "/mnt/share");
    EXPECT_EQ(drives.ToPosix("\\\\server\\share\\a.xml"), "/mnt/share/a.xml");
    EXPECT_TRUE(drives.IsShareMapped("SERVER\\share"));
    EXPECT_FALSE(drives.ToPosix("\\\\server\\other\\a.xml").has_value());
}

}  // namespace
