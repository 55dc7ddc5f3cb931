// Loading picture files: the format follows the extension, except for the
// pictures that are always bitmaps.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "skin/Picture.h"
#include "test_picture_files.h"

namespace vexil {
namespace {

namespace fs = std::filesystem;
using test::TBytes;

class PictureLoad : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("vexil-pictures-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const TBytes& bytes) {
        const fs::path path = dir_ / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }

    static TBytes Bmp() {
        test::TBmpLayout s;
        s.Width = 2;
        s.Height = 2;
        return test::WriteBmp(s, [](int x, int) { return x ? 0xFF0000u : 0x00FF00u; });
    }
    static TBytes Gif() {
        test::TGifFrameSpec f;
        f.Width = f.Height = 1;
        f.Indices = {1};
        return test::WriteGif(1, 1, {Rgb(0, 0, 0), Rgb(1, 2, 3)}, {f});
    }
    static TBytes Ico() {
        return test::WriteIco({test::IconBitmap(1, 1, 24, {}, [](int, int) { return 0x0A0B0Cu; },
                                                [](int, int) { return false; })});
    }

    fs::path dir_;
};

TEST_F(PictureLoad, ExtensionChoosesTheDecoderWhateverItsCase) {
    EXPECT_EQ(LoadPictureFile(Write("btn.bmp", Bmp())).Format, TPictureFormat::Bmp);
    EXPECT_EQ(LoadPictureFile(Write("btn.BMP", Bmp())).First().Pixel(1, 0), Rgb(255, 0, 0));
    EXPECT_EQ(LoadPictureFile(Write("anim.GIF", Gif())).First().Pixel(0, 0), Rgb(1, 2, 3));
    EXPECT_EQ(LoadPictureFile(Write("flag.Ico", Ico())).First().Pixel(0, 0), Rgb(10, 11, 12));
    EXPECT_EQ(LoadPictureFile(Write("in.dir/sub.x/btn.bmp", Bmp())).Format, TPictureFormat::Bmp);
    // The content does not decide: a bitmap named .gif is a broken GIF.
    EXPECT_THROW(LoadPictureFile(Write("btn.gif", Bmp())), EPictureError);
}

TEST_F(PictureLoad, NamesWithoutAKnownExtensionFail) {
    // A skin key that is missing gives the skin directory + "none".
    for (const std::string name : {"none", "btn.png", "btn.", "btn.bmp.bak", "dir.bmp/none"}) {
        const std::string path = Write(name, Bmp());
        try {
            LoadPictureFile(path);
            ADD_FAILURE() << name << " loaded";
        } catch (const EPictureError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
    }
}

TEST_F(PictureLoad, MissingFileIsNamedInTheError) {
    const std::string path = (dir_ / "gone.bmp").string();
    for (auto load : {+[](const std::string& p) { return LoadPictureFile(p); },
                      +[](const std::string& p) { return LoadBitmapFile(p); }}) {
        try {
            load(path);
            ADD_FAILURE() << "no error";
        } catch (const EPictureError& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + path + "\".");
        }
    }
}

TEST_F(PictureLoad, MetafilesGoToTheirLoader) {
    const std::string path = Write("logo.WMF", {1, 2, 3});
    EXPECT_THROW(LoadPictureFile(path), EPictureError);

    std::string asked;
    const TPicture pic = LoadPictureFile(path, [&](const std::string& p) {
        asked = p;
        TPicture drawn;
        drawn.Frames.emplace_back(3, 2, kOpaque);
        return drawn;
    });
    EXPECT_EQ(asked, path);
    EXPECT_EQ(pic.Format, TPictureFormat::Metafile);
    EXPECT_EQ(pic.Width(), 3);
    EXPECT_EQ(LoadPictureFile(Write("logo.emf", {}), [](const std::string&) {
                  TPicture p;
                  p.Frames.emplace_back(1, 1);
                  return p;
              }).Width(), 1);
}

TEST_F(PictureLoad, BitmapFilesAreBitmapsWhateverTheirName) {
    EXPECT_EQ(LoadBitmapFile(Write("digits.fnt", Bmp())).First().Pixel(0, 1), Rgb(0, 255, 0));
    EXPECT_EQ(LoadBitmapFile(Write("back.gif", Bmp())).Format, TPictureFormat::Bmp);
    EXPECT_THROW(LoadBitmapFile(Write("back.bmp", Gif())), EPictureError);
    EXPECT_THROW(LoadBitmapFile(Write("empty.bmp", {})), EPictureError);
}

TEST(PictureSamples, ShippedSampleFilesLoad) {
    // The fuzzer's seeds; they must stay valid pictures to be worth anything.
    struct TSample {
        const char* Name;
        int Width, Height;
        std::size_t Frames;
    };
    for (const TSample& s : {TSample{"anim.gif", 6, 5, 4}, TSample{"interlaced87a.gif", 16, 17, 1},
                             TSample{"core24.bmp", 5, 3, 1}, TSample{"mono.bmp", 9, 4, 1},
                             TSample{"rgb565.bmp", 5, 3, 1}, TSample{"rle4.bmp", 7, 2, 1},
                             TSample{"rle8.bmp", 6, 3, 1}, TSample{"v5top32.bmp", 4, 3, 1},
                             TSample{"icon.ico", 5, 4, 1}}) {
        const TPicture pic = LoadPictureFile(std::string(VEXIL_SOURCE_DIR) + "/tests/data/pictures/" + s.Name);
        EXPECT_EQ(pic.Width(), s.Width) << s.Name;
        EXPECT_EQ(pic.Height(), s.Height) << s.Name;
        EXPECT_EQ(pic.Frames.size(), s.Frames) << s.Name;
    }
}

}  // namespace
}  // namespace vexil
