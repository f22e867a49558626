#include "app/tonepicture/ToneStrip.h"

#include "app/tonepicture/PictureFile.h"
#include "tools/encoder-sim/audio/ToneSynthesis.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>
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

// A file size limit makes a write fail part way, as a full disk does, without needing a mount.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &before_);
        signal_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = before_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &before_);
        std::signal(SIGXFSZ, signal_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit before_{};
    void (*signal_)(int) = nullptr;
};

TEST(ToneStrip, APictureFileIsWrittenWholeOrNotAtAll) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("tone-picture-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "file") << "not a folder";
    // Noise, so that the PNG stays far larger than the size limit below.
    QImage image(200, 120, QImage::Format_RGB32);
    std::uint32_t noise = 1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, noise = noise * 1664525u + 1013904223u);
    const struct {
        const char* name;
        rlim_t sizeLimit; // 0: none
        const char* reason; // empty: written
    } cases[] = {
        {"new.png", 0, ""},
        {"older.png", 0, ""},
        {"missing/new.png", 0, "No such file or directory"},
        {"file/new.png", 0, "Not a directory"},
        {"older.png", 4096, "File too large"},
    };
    std::ofstream(folder / "older.png") << "an older picture";
    for (const auto& c : cases) {
        const auto path = folder / c.name;
        const auto before = std::filesystem::exists(path) ? std::filesystem::file_size(path) : 0;
        std::optional<std::string> reason;
        {
            const std::optional<FileSizeLimit> limit =
                c.sizeLimit ? std::optional<FileSizeLimit>(std::in_place, c.sizeLimit)
                            : std::nullopt;
            reason = WritePicturePng(image, QString::fromStdString(path.string()));
        }
        if (!*c.reason) {
            EXPECT_EQ(reason, std::nullopt) << c.name;
            EXPECT_EQ(QImage(QString::fromStdString(path.string())).convertToFormat(image.format()),
                      image)
                << c.name;
        } else {
            ASSERT_TRUE(reason) << c.name;
            EXPECT_NE(reason->find(c.reason), std::string::npos) << c.name << ": " << *reason;
            EXPECT_EQ(std::filesystem::exists(path) ? std::filesystem::file_size(path) : 0, before)
                << c.name << ": what was there is kept";
        }
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            EXPECT_EQ(entry.path().filename().string().find(".png."), std::string::npos)
                << c.name << ": a temporary file is left: " << entry.path();
    }
    EXPECT_EQ(WritePicturePng(QImage(), QString::fromStdString((folder / "null.png").string())),
              "no picture to write");
    std::filesystem::remove_all(folder);
}

} // namespace
