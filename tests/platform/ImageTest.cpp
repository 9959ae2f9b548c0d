#include "Image.h"
#include "TestImages.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

using platform::Data;
using platform::Image;
using namespace vantry::test;

TEST(Image, DecodesPngAndJpegBytesKeepingTransparency)
{
    const Image png = Image::fromData(encodePng(makeTileImage(3, 4, 5)));
    ASSERT_FALSE(png.isNull());
    EXPECT_EQ(png.size().width, 256.0f);
    EXPECT_EQ(png.height(), 256);
    EXPECT_TRUE(png.isOpaque());
    EXPECT_EQ(png.pixels().pixel(10, 10), tileColor(3, 4, 5).rgb());

    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(makeSolidImage(20, 30, Qt::red).save(&buffer, "JPEG"));
    const Image fromJpeg
        = Image::fromData(Data(std::span(reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size())));
    ASSERT_FALSE(fromJpeg.isNull());
    EXPECT_EQ(fromJpeg.width(), 20);
    EXPECT_EQ(fromJpeg.height(), 30);

    const Image translucent = Image::fromData(encodePng(makeSolidImage(4, 4, QColor(255, 0, 0, 128))));
    ASSERT_FALSE(translucent.isNull());
    EXPECT_FALSE(translucent.isOpaque());
    EXPECT_NEAR(translucent.pixels().pixelColor(1, 1).alpha(), 128, 1);
}

TEST(Image, BytesThatAreNoPictureGiveNull)
{
    const Data png = encodePng(makeTileImage(1, 0, 0));
    const Data hostile[] = {
        Data(),
        Data::fromString("<html><body>404 Not Found</body></html>"),
        png.subdata(0, 8), // the signature alone
        png.subdata(0, 40), // header without pixels
        Data::fromString(std::string(10000, '\0')),
    };
    for (const Data& bytes : hostile)
        EXPECT_TRUE(Image::fromData(bytes).isNull()) << bytes.size() << " bytes";
}

TEST(Image, ReadsFilesAndGivesNullForMissingOrBrokenOnes)
{
    QTemporaryDir folder;
    const std::string good = folder.filePath("good.png").toStdString();
    const std::string broken = folder.filePath("broken.png").toStdString();
    ASSERT_TRUE(makeSolidImage(7, 9, Qt::blue).save(QString::fromStdString(good)));
    std::ofstream(broken) << "not a picture";

    const Image image = Image::fromFile(good);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), 7);
    EXPECT_TRUE(Image::fromFile(broken).isNull());
    EXPECT_TRUE(Image::fromFile(folder.filePath("missing.png").toStdString()).isNull());
}

// A file named NAME@Nx holds N pixels per point; other names one.
TEST(Image, TakesItsScaleFromTheFileName)
{
    QTemporaryDir folder;
    const struct {
        const char* name;
        float scale;
    } files[] = { { "pin.png", 1 }, { "pin@2x.png", 2 }, { "pin@3x.png", 3 }, { "pin@4x.png", 1 },
        { "2x.png", 1 }, { "pin@2x.jpg.png", 1 } };
    for (const auto& file : files) {
        const std::string path = folder.filePath(file.name).toStdString();
        ASSERT_TRUE(makeSolidImage(30, 60, Qt::blue).save(QString::fromStdString(path), "PNG"));
        const Image image = Image::fromFile(path);
        EXPECT_EQ(image.scale(), file.scale) << file.name;
        EXPECT_EQ(image.width(), 30) << file.name;
        EXPECT_EQ(image.size().width, 30 / file.scale) << file.name;
        EXPECT_EQ(image.size().height, 60 / file.scale) << file.name;
    }
}

// On screens of one pixel per point the plain picture; no such picture, null.
TEST(Image, NamedPicturesComeAtTheScreensResolution)
{
    const Image marker = Image::named("marker");
    ASSERT_FALSE(marker.isNull());
    EXPECT_EQ(marker.scale(), 1);
    EXPECT_EQ(Image::named("coin", "img").scale(), 1);
    EXPECT_TRUE(Image::named("no-such-picture").isNull());
}

TEST(Image, CopiesShareThePixels)
{
    const Image image = Image::fromQImage(makeSolidImage(2, 2, Qt::green));
    const Image copy = image;
    EXPECT_EQ(copy, image);
    EXPECT_EQ(&copy.pixels(), &image.pixels());
    EXPECT_FALSE(Image() == image);
}
