// The desktop finds the game by one id in many places: the desktop file's
// name, its icon, the AppStream component and the id the program announces.
// One of them renamed alone and the launcher loses the game's icon, badge
// or store page, so each file is read back here.
#include "ApplicationId.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QString>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

const QDir kPackaging(QStringLiteral(VANTRY_PACKAGING_DIR));

QString applicationId()
{
    return QString::fromLatin1(platform::kApplicationId);
}

// The [Desktop Entry] group's keys.
std::map<QString, QString> desktopEntry(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    std::map<QString, QString> keys;
    QString group;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith('['))
            group = line;
        else if (group == QLatin1String("[Desktop Entry]") && line.contains('='))
            keys[line.section('=', 0, 0)] = line.section('=', 1);
    }
    return keys;
}

// The text of every element named `name` in the metainfo file, with its type attribute.
std::multimap<QString, QString> metainfoElements(const QString& name)
{
    QFile file(kPackaging.filePath(applicationId() + ".metainfo.xml"));
    std::multimap<QString, QString> found;
    if (!file.open(QIODevice::ReadOnly))
        return found;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != name)
            continue;
        const QString type = xml.attributes().value("type").toString();
        found.emplace(type, xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed());
    }
    return found;
}

} // namespace

TEST(DesktopFiles, TheDesktopFileIsNamedAfterTheApplicationAndShowsItsIcon)
{
    const auto entry = desktopEntry(kPackaging.filePath(QString::fromLatin1(platform::kDesktopFileName)));
    ASSERT_FALSE(entry.empty()) << "no desktop file named " << platform::kDesktopFileName;
    EXPECT_EQ(entry.at("Icon"), applicationId());
    EXPECT_EQ(entry.at("Exec").section(' ', 0, 0), QLatin1String("vantry"));
    EXPECT_TRUE(entry.at("X-Purism-FormFactor").contains(QLatin1String("Mobile;")));
}

TEST(DesktopFiles, TheMetainfoNamesTheSameComponentAndDesktopFile)
{
    const auto ids = metainfoElements("id");
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_EQ(ids.begin()->second, applicationId());
    const auto launchables = metainfoElements("launchable");
    ASSERT_EQ(launchables.count("desktop-id"), 1u);
    EXPECT_EQ(launchables.find("desktop-id")->second, QString::fromLatin1(platform::kDesktopFileName));
}

TEST(DesktopFiles, EveryIconSizeHoldsAPictureOfThatSize)
{
    const QDir theme(kPackaging.filePath("icons/hicolor"));
    EXPECT_TRUE(QFile::exists(theme.filePath("scalable/apps/" + applicationId() + ".svg")));
    int sizes = 0;
    for (const QString& folder : theme.entryList({ "*x*" }, QDir::Dirs)) {
        const QString path = theme.filePath(folder + "/apps/" + applicationId() + ".png");
        const QSize size = QImageReader(path).size();
        EXPECT_EQ(QString("%1x%2").arg(size.width()).arg(size.height()), folder) << path.toStdString();
        ++sizes;
    }
    EXPECT_GE(sizes, 6) << "the desktops ask for 16 to 256 pixels";
}
