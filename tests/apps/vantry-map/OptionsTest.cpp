// vantry-map's command line: the options the window and the snapshot share,
// the snapshot's own, and the exact sentence each mistake is reported with.
#include "MapTestPrinters.h"
#include "MapViewOptions.h"
#include "RMMapContents.h"
#include "SnapshotOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Arguments = std::vector<std::string>;

struct MistakeCase {
    Arguments arguments;
    std::string error;
};

void PrintTo(const MistakeCase& mistake, std::ostream* os)
{
    for (const std::string& argument : mistake.arguments)
        *os << '"' << argument << "\" ";
}

std::string windowError(const Arguments& arguments)
{
    std::string error;
    EXPECT_FALSE(parseWindowOptions(arguments, error));
    return error;
}

std::string snapshotError(const Arguments& arguments)
{
    std::string error;
    EXPECT_FALSE(parseSnapshotOptions(arguments, error));
    return error;
}

// Mistakes in the shared options read the same in both; the snapshot names
// them before it asks for its required options.
class SharedOptionMistakeTest : public testing::TestWithParam<MistakeCase> { };

TEST_P(SharedOptionMistakeTest, IsReportedAlikeByWindowAndSnapshot)
{
    EXPECT_EQ(GetParam().error, windowError(GetParam().arguments));
    EXPECT_EQ(GetParam().error, snapshotError(GetParam().arguments));
}

INSTANTIATE_TEST_SUITE_P(Mistakes, SharedOptionMistakeTest,
    testing::Values(MistakeCase { { "--center" }, "--center needs a value" },
        MistakeCase { { "--zoom", "3", "--size" }, "--size needs a value" },
        MistakeCase { { "stray" }, "unknown argument stray" },
        MistakeCase { { "stray", "value" }, "unknown argument stray" },
        MistakeCase { { "--bogus", "1" }, "unknown argument --bogus" },
        MistakeCase {
            { "--center", "51.5" }, "a position is LATITUDE,LONGITUDE in decimal degrees, not \"51.5\"" },
        MistakeCase { { "--center", "51.5,-0.1,x" },
            "a position is LATITUDE,LONGITUDE in decimal degrees, not \"51.5,-0.1,x\"" },
        MistakeCase { { "--center", "86,0" },
            "latitudes lie within ±85.0511 and longitudes within ±180 degrees, not \"86,0\"" },
        MistakeCase { { "--zoom", "3", "--zoom", "17" }, "the zoom is a number from 1 to 16, not \"17\"" },
        MistakeCase {
            { "--size", "640x0" }, "the size is WIDTHxHEIGHT in whole pixels from 1 to 8192, not \"640x0\"" },
        MistakeCase { { "--marker", "0,181,pin.png" },
            "latitudes lie within ±85.0511 and longitudes within ±180 degrees, not \"0,181,pin.png\"" },
        MistakeCase { { "--tile-host", "host/tiles" },
            "the tile host is HOST, HOST:PORT or https://HOST, not \"host/tiles\"" }));

TEST(WindowOptionsTest, DefaultsToTheMapsCentreAndZoomInA1024By768Window)
{
    std::string error;
    const auto options = parseWindowOptions({}, error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(RMMapContents::kDefaultCenter, options->center);
    EXPECT_EQ(RMMapContents::kDefaultZoom, options->zoom);
    EXPECT_TRUE(CGSizeEqualToSize(CGSizeMake(1024, 768), options->size));
    EXPECT_TRUE(options->markers.empty());
    EXPECT_EQ("", options->tileHost);
}

TEST(WindowOptionsTest, ReadsEveryOptionAndAMarkerWithoutAPicture)
{
    std::string error;
    const auto options = parseWindowOptions(
        { "--zoom", "3", "--center", "51.5,-0.125", "--size", "800x600", "--marker", "51.4,-0.1", "--marker",
            "51.6,-0.2,pin.png", "--tile-host", "127.0.0.1:8080", "--zoom", "12.5" },
        error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ((RMLatLong { 51.5, -0.125 }), options->center);
    EXPECT_EQ(12.5f, options->zoom);
    EXPECT_TRUE(CGSizeEqualToSize(CGSizeMake(800, 600), options->size));
    ASSERT_EQ(2u, options->markers.size());
    EXPECT_EQ((RMLatLong { 51.4, -0.1 }), options->markers[0].position);
    EXPECT_EQ("", options->markers[0].picture);
    EXPECT_EQ((RMLatLong { 51.6, -0.2 }), options->markers[1].position);
    EXPECT_EQ("pin.png", options->markers[1].picture);
    EXPECT_EQ("127.0.0.1:8080", options->tileHost);
}

TEST(WindowOptionsTest, TakesNoneOfTheSnapshotsOptions)
{
    EXPECT_EQ("unknown argument --out", windowError({ "--out", "map.png" }));
    EXPECT_EQ("unknown argument --timeout", windowError({ "--timeout", "5" }));
}

const Arguments kRequired { "--center", "51.5,-0.125", "--zoom", "14", "--size", "640x480", "--out",
    "map.png" };

Arguments required(Arguments more)
{
    more.insert(more.begin(), kRequired.begin(), kRequired.end());
    return more;
}

TEST(SnapshotOptionsTest, ReadsEveryOptionAndWaitsThirtySecondsByDefault)
{
    std::string error;
    auto options = parseSnapshotOptions(
        required({ "--marker", "51.4,-0.1,pin.png", "--tile-host", "tiles.example:81" }), error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ((RMLatLong { 51.5, -0.125 }), options->map.center);
    EXPECT_EQ(14.0f, options->map.zoom);
    EXPECT_TRUE(CGSizeEqualToSize(CGSizeMake(640, 480), options->map.size));
    EXPECT_EQ("map.png", options->out);
    ASSERT_EQ(1u, options->map.markers.size());
    EXPECT_EQ((RMLatLong { 51.4, -0.1 }), options->map.markers[0].position);
    EXPECT_EQ("pin.png", options->map.markers[0].picture);
    EXPECT_EQ("tiles.example:81", options->map.tileHost);
    EXPECT_EQ(30.0, options->timeout);

    options = parseSnapshotOptions(required({ "--timeout", "2.5" }), error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(2.5, options->timeout);
}

TEST(SnapshotOptionsTest, NeedsCentreZoomSizeAndOut)
{
    const std::string missing = "--center, --zoom, --size and --out are required";
    EXPECT_EQ(missing, snapshotError({}));
    for (std::size_t left = 0; left < kRequired.size(); left += 2) {
        Arguments arguments = kRequired;
        arguments.erase(arguments.begin() + static_cast<std::ptrdiff_t>(left),
            arguments.begin() + static_cast<std::ptrdiff_t>(left) + 2);
        EXPECT_EQ(missing, snapshotError(arguments)) << kRequired[left];
    }
    Arguments emptyOut = kRequired;
    emptyOut.back() = "";
    EXPECT_EQ(missing, snapshotError(emptyOut));
}

TEST(SnapshotOptionsTest, AMarkerNeedsAPictureAndTheTimeOutIsPositive)
{
    EXPECT_EQ("a marker is LATITUDE,LONGITUDE,PICTURE, not \"51.4,-0.1\"",
        snapshotError(required({ "--marker", "51.4,-0.1" })));
    EXPECT_EQ("a marker is LATITUDE,LONGITUDE,PICTURE, not \"51.4,-0.1,\"",
        snapshotError(required({ "--marker", "51.4,-0.1," })));
    for (const std::string seconds : { "0", "-1", "soon", "inf" }) {
        EXPECT_EQ("the time-out is a positive number of seconds, not \"" + seconds + "\"",
            snapshotError(required({ "--timeout", seconds })));
    }
}

} // namespace
