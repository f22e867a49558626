#include "app/tonepicture/ToneStrip.h"

#include "app/tonepicture/PictureFile.h"
#include "tools/encoder-sim/audio/ToneSynthesis.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// Row of a frequency, as the strip lays 300..3200 Hz out from the bottom up.
int Row(double hz) {
    return static_cast<int>((ToneStripHighHz - hz) * ToneStripHeight /
                            (ToneStripHighHz - ToneStripLowHz));
}

TEST(ToneStrip, ShowsTheToneWhereItSoundsWithItsMarkAndBand) {
    const int rate = 16000;
    // 1 s silence, 1 s of 1000 Hz, 1 s silence; the strip's clock starts at 10 s.
    const auto samples =
        EncoderSim::SynthesiseBursts({{{}, 1.0}, {{1000}, 1.0}, {{}, 1.0}}, rate, 0.5);
    const std::vector<ToneMark> marks{{11.0, 0.5, 2000.0, ToneMarkState::Misses},
                                      {11.5, 0.5, 2500.0, ToneMarkState::Holds}};
    const std::vector<ExpectedBand> bands{{1480.0, 1520.0}};
    const QImage image = DrawToneStrip({samples.data(), samples.size(), rate, 10.0}, marks, bands);
    ASSERT_EQ(image.width(), 3 * ToneStripPixelsPerSecond);
    ASSERT_EQ(image.height(), ToneStripHeight);

    const auto at = [&](double seconds, double hz) {
        return image.pixelColor(static_cast<int>(seconds * ToneStripPixelsPerSecond), Row(hz));
    };
    EXPECT_GT(at(1.5, 1000).lightness(), 200) << "the tone";
    EXPECT_LT(at(0.5, 1000).lightness(), 60) << "silence before it";
    EXPECT_LT(at(1.5, 2800).lightness(), 60) << "nothing at other frequencies";
    EXPECT_EQ(at(1.2, 2000), QColor(235, 30, 30)) << "a miss is red";
    EXPECT_EQ(at(1.7, 2500), QColor(40, 210, 60)) << "a tone that held is green";
    EXPECT_GT(at(0.3, 1500).blue(), at(0.3, 1500).red() + 40) << "the band is blue";
    EXPECT_TRUE(DrawToneStrip({samples.data(), 0, rate, 0.0}, {}, {}).isNull());
}

// A write that fails part way (full disk, size limit) is in TonesProgramTest, with ulimit.
TEST(ToneStrip, APictureFileIsWrittenWholeOrNotAtAll) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("tone-picture-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "file") << "not a folder";
    std::ofstream(folder / "older.png") << "an older picture";
    QImage image(20, 12, QImage::Format_RGB32);
    image.fill(qRgb(10, 200, 30));
    const struct {
        const char* name;
        const char* reason; // empty: written
    } cases[] = {{"new.png", ""},
                 {"older.png", ""},
                 {"missing/new.png", "No such file or directory"},
                 {"file/new.png", "Not a directory"}};
    for (const auto& c : cases) {
        const QString path = QString::fromStdString((folder / c.name).string());
        const std::optional<std::string> reason = WritePicturePng(image, path);
        EXPECT_EQ(reason.value_or(""), c.reason) << c.name;
        EXPECT_EQ(QImage(path).convertToFormat(image.format()), *c.reason ? QImage() : image)
            << c.name;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 3)
        << "no temporary file is left";
    std::filesystem::remove_all(folder);
}

} // namespace
