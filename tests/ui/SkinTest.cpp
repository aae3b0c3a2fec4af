#include "ui/Skin.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/TempDir.h"
#include "ui/SkinCatalog.h"
#include "ui/SkinImage.h"

namespace quorvel::ui {
namespace {

void writeFile(const std::filesystem::path& file, std::string_view text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

TEST(SkinTest, ColoursInEveryFormAndDamagedTextFallsBack) {
    EXPECT_EQ(ParseSkinColor("#1d5fa8"), QColor(0x1d, 0x5f, 0xa8));
    // Windows colours are 0x00BBGGRR: 255 is red, 16711680 blue.
    EXPECT_EQ(ParseSkinColor("255"), QColor(255, 0, 0));
    EXPECT_EQ(ParseSkinColor(" 16711680 "), QColor(0, 0, 255));
    EXPECT_EQ(ParseSkinColor("$0000FF00"), QColor(0, 255, 0));
    EXPECT_EQ(ParseSkinColor("0"), QColor(0, 0, 0));
    for (const char* bad : {"", "#zz", "red", "-1", "99999999999", "12abc", "$"})
        EXPECT_FALSE(ParseSkinColor(bad).isValid()) << bad;
}

TEST(SkinTest, GeometryImagesAndDamagedFiles) {
    quorvel::testing::TempDir dir;
    writeFile(dir.path() / "s" / "skin.ini",
              "[Skin]\nDescription=Test\n[btnclose]\nright=10\nwidth=20\ntop=4\n"
              "[Area1]\nLeft=x\nwidth=99999999\n[files]\nmainpro=bg.svg\nmissing=none.svg\n"
              "[colors]\nnormal=#010203\nbroken=zz\n");
    writeFile(dir.path() / "s" / "bg.svg",
              "<svg xmlns='http://www.w3.org/2000/svg' width='4' height='4'>"
              "<rect width='4' height='4' fill='#ff0000'/></svg>");
    const Skin skin = Skin::load(dir.path() / "s" / "skin.ini");
    EXPECT_EQ(skin.description(), QStringLiteral("Test"));
    EXPECT_EQ(skin.rect("btnclose", QRect(1, 1, 5, 6), 598), QRect(598 - 10 - 20, 4, 20, 6));
    // Unreadable numbers keep the fallback's parts.
    EXPECT_EQ(skin.rect("Area1", QRect(8, 80, 582, 322)), QRect(8, 80, 582, 322));
    EXPECT_EQ(skin.color("normal", Qt::white), QColor(1, 2, 3));
    EXPECT_EQ(skin.color("broken", Qt::white), QColor(Qt::white));
    EXPECT_FALSE(skin.image("mainpro").empty());
    EXPECT_TRUE(skin.image("missing").empty());

    const QPixmap sharp = RenderSkinImage(skin.image("mainpro"), QSize(10, 10), 2.0);
    ASSERT_FALSE(sharp.isNull());
    EXPECT_EQ(sharp.size(), QSize(20, 20));
    EXPECT_EQ(sharp.toImage().pixelColor(10, 10), QColor(255, 0, 0));

    // A file that is not an image, or no file at all, draws nothing and never fails.
    writeFile(dir.path() / "s" / "junk.svg", std::string("\x00\xff<svg", 7));
    EXPECT_TRUE(RenderSkinImage(dir.path() / "s" / "junk.svg", QSize(10, 10), 1.0).isNull());
    EXPECT_TRUE(RenderSkinImage(dir.path() / "none.png", QSize(10, 10), 1.0).isNull());
    const Skin missing = Skin::load(dir.path() / "nothing.ini");
    EXPECT_TRUE(missing.description().isEmpty());
    EXPECT_EQ(missing.rect("main", QRect(0, 0, 598, 428)), QRect(0, 0, 598, 428));
}

TEST(SkinTest, CatalogFindsEverySkinFileWhateverItsCase) {
    quorvel::testing::TempDir dir;
    writeFile(dir.path() / "skins" / "A" / "skin.ini", "[Skin]\nDescription=Alpha\n");
    writeFile(dir.path() / "skins" / "B" / "deep" / "SKIN.INI", "[skin]\ndescription=Beta\n");
    writeFile(dir.path() / "skins" / "C" / "skin.ini.bak", "[Skin]\nDescription=No\n");
    writeFile(dir.path() / "skins" / "D" / "skin.ini", "no sections at all");
    std::filesystem::create_directories(dir.path() / "loop");
    std::filesystem::create_directory_symlink(dir.path(), dir.path() / "loop" / "back");

    const std::vector<SkinEntry> skins = FindSkins(dir.path());
    ASSERT_EQ(skins.size(), 3u);
    EXPECT_EQ(skins[0].description, QStringLiteral("Alpha"));
    EXPECT_EQ(skins[1].description, QStringLiteral("Beta"));
    EXPECT_TRUE(skins[2].description.isEmpty()) << "a skin without Description: empty caption";
    EXPECT_TRUE(SameSkinFile(dir.path() / "skins" / "A" / "SKIN.ini", skins[0].file));
    EXPECT_TRUE(FindSkins(dir.path() / "absent").empty());
}

}  // namespace
}  // namespace quorvel::ui
