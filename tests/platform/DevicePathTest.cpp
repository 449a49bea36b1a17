#include <gtest/gtest.h>

#include <string>

#include "platform/DevicePath.h"
#include "support/TempRoot.h"

namespace {

struct TDevicePathCase {
    const char* iLegend;
    const char* iRoot;  // null: FIXTRAIL_ROOT unset
    const char* iPath;
    const char* iExpected;
};

const TDevicePathCase KDevicePathCases[] = {
    // Production: without a root every path is the device's own, byte for byte.
    {"unset root", nullptr, "/var/run/gpsfeed", "/var/run/gpsfeed"},
    {"empty root", "", "/mnt/sdcard/fixtrail/config.txt", "/mnt/sdcard/fixtrail/config.txt"},
    {"unset root keeps a trailing slash", nullptr, "/mnt/sdcard/", "/mnt/sdcard/"},
    {"unset root keeps a doubled slash", nullptr, "/var//run", "/var//run"},
    {"root without trailing slash", "/tmp/dev1", "/var/run/gpsfeed", "/tmp/dev1/var/run/gpsfeed"},
    {"root with trailing slash", "/tmp/dev1/", "/dev/fb", "/tmp/dev1/dev/fb"},
    {"root with several trailing slashes", "/tmp/dev1///", "/dev/ts", "/tmp/dev1/dev/ts"},
    {"root '/' is the device itself", "/", "/var/run/uipidshm", "/var/run/uipidshm"},
};

TEST(DevicePath, PrefixesTheRootFromTheEnvironment) {
    for (const TDevicePathCase& test : KDevicePathCases) {
        SCOPED_TRACE(test.iLegend);
        CScopedEnv root(KDeviceRootVariable, test.iRoot);
        const TDevicePath path = DevicePath(test.iPath);
        EXPECT_STREQ(path.c_str(), test.iExpected);
        EXPECT_TRUE(path.IsValid());
    }
}

TEST(DevicePath, PathThatDoesNotFitIsEmptyNotCut) {
    const std::string devicePath = "/var/run/gpsfeed";
    // Root and path together take every byte but the terminating NUL: the longest that fits.
    const std::string fitting(KMaxDevicePath - 1 - devicePath.size(), 'r');
    {
        CScopedEnv root(KDeviceRootVariable, fitting.c_str());
        const TDevicePath path = DevicePath(devicePath.c_str());
        EXPECT_TRUE(path.IsValid());
        EXPECT_EQ(std::string(path.c_str()), fitting + devicePath);
    }
    const std::string tooLong = fitting + "r";
    {
        CScopedEnv root(KDeviceRootVariable, tooLong.c_str());
        const TDevicePath path = DevicePath(devicePath.c_str());
        EXPECT_FALSE(path.IsValid());
        EXPECT_STREQ(path.c_str(), "");
    }
    const std::string huge(3 * KMaxDevicePath, 'r');
    {
        CScopedEnv root(KDeviceRootVariable, huge.c_str());
        EXPECT_FALSE(DevicePath(devicePath.c_str()).IsValid());
    }
}

TEST(DevicePath, FollowsTheEnvironmentAtEachCall) {
    // The root is read when a path is opened, not once at start-up: tests set it per test.
    {
        CScopedEnv root(KDeviceRootVariable, "/tmp/a");
        EXPECT_STREQ(DevicePath("/dev/fb").c_str(), "/tmp/a/dev/fb");
    }
    {
        CScopedEnv root(KDeviceRootVariable, "/tmp/b");
        EXPECT_STREQ(DevicePath("/dev/fb").c_str(), "/tmp/b/dev/fb");
    }
    CScopedEnv root(KDeviceRootVariable, nullptr);
    EXPECT_STREQ(DevicePath("/dev/fb").c_str(), "/dev/fb");
}

}  // namespace
