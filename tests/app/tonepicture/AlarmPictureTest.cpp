#include "app/tonepicture/AlarmPicture.h"

#include "app/tonepicture/PictureFile.h"
#include "app/tonepicture/PictureStyle.h"
#include "tools/encoder-sim/audio/ToneSynthesis.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// The longest run of `colour` along a row inside `area`.
int LongestRun(const QImage& image, QRect area, const QColor& colour) {
    int longest = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(), run = 0; x <= area.right(); ++x) {
            run = image.pixelColor(x, y) == colour ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    return longest;
}

// Pixels inside `area` that `like` accepts.
int Count(const QImage& image, QRect area, bool (*like)(const QColor&)) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += like(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

bool Ink(const QColor& colour) {
    return colour.lightness() < 110;
}
bool Reddish(const QColor& colour) {
    return colour.red() > 150 && colour.green() < 120 && colour.blue() < 120;
}

// A call tone, a five-tone code and a two-tone pair, heard from 10 s on the audio's clock; the
// alarm starts with the call tone at 10.5 s.
struct HeardAlarm {
    std::vector<std::int16_t> samples;
    std::vector<TToneMark> marks;
};

HeardAlarm Alarm(TToneMarkState thirdTone, bool withCode) {
    const double code[] = {1060, 1160, 1270, 1400, 1530};
    std::vector<EncoderSim::TToneBurst> bursts{{{}, 0.5}, {{1750}, 1.0}, {{}, 0.2}};
    HeardAlarm alarm;
    alarm.marks.push_back({10.5, 1.0, 1750.0, TToneMarkState::Holds, 0, {1730, 1770}});
    for (int i = 0; withCode && i < 5; ++i) {
        bursts.push_back({{code[i]}, 0.07});
        const TToneMarkState state = i == 2 ? thirdTone : TToneMarkState::Holds;
        alarm.marks.push_back({11.7 + 0.07 * i,
                               0.07,
                               code[i] * (i == 2 ? 1.03 : 1.0),
                               state,
                               static_cast<char>('1' + i),
                               {code[i] * 0.985, code[i] * 1.015},
                               state == TToneMarkState::Misses ? "1308 Hz statt 1270 Hz" : ""});
    }
    bursts.push_back({{}, withCode ? 0.6 : 0.95});
    bursts.push_back({{675, 1240}, 2.0});
    bursts.push_back({{}, 0.5});
    alarm.marks.push_back({12.65, 2.0, 675.0, TToneMarkState::NotJudged});
    alarm.marks.push_back({12.65, 2.0, 1240.0, TToneMarkState::NotJudged});
    alarm.samples = EncoderSim::SynthesiseBursts(bursts, 22050, 0.5);
    return alarm;
}

TEST(AlarmPicture, ShowsTheWholeAlarmWithAxesAndLegendAndTheFirstCodeStretched) {
    const QColor missed = MarkColour(TToneMarkState::Misses);
    const struct {
        const char* name;
        TToneMarkState thirdTone;
        bool withCode;
    } cases[] = {{"a code that holds", TToneMarkState::Holds, true},
                 {"a code with a miss", TToneMarkState::Misses, true},
                 {"no code, so no zoom", TToneMarkState::Holds, false}};
    for (const auto& c : cases) {
        const HeardAlarm alarm = Alarm(c.thirdTone, c.withCode);
        const TAlarmHeard heard{{alarm.samples.data(), alarm.samples.size(), 22050, 10.0},
                                10.5,
                                alarm.marks,
                                {{1730, 1770}}};
        const QImage picture = DrawAlarmPicture(heard);
        ASSERT_EQ(picture.size(),
                  QSize(AlarmPictureWidth, AlarmOverviewHeight + (c.withCode ? CodeZoomHeight : 0)))
            << c.name;
        const QRect overview(0, 0, AlarmPictureWidth, AlarmOverviewHeight);
        const QRect legend(AlarmPictureWidth / 2, 0, AlarmPictureWidth / 2, 20);
        for (const TToneMarkState state :
             {TToneMarkState::Holds, TToneMarkState::Misses, TToneMarkState::NotJudged})
            EXPECT_GE(LongestRun(picture, legend, MarkColour(state)), 12) << c.name << ": legend";
        EXPECT_GT(Count(picture, QRect(0, 40, 40, 160), Ink), 150) << c.name << ": Hz labels";
        EXPECT_GT(Count(picture, QRect(40, AlarmOverviewHeight - 16, 760, 16), Ink), 60)
            << c.name << ": time labels";
        EXPECT_GE(LongestRun(picture, overview.adjusted(0, 24, 0, 0),
                             MarkColour(TToneMarkState::NotJudged)),
                  60)
            << c.name << ": the two-tone pair";
        EXPECT_TRUE(CodeZoomOf(picture) == picture || c.withCode) << c.name;
        if (!c.withCode) {
            EXPECT_TRUE(DrawCodeZoom(heard).isNull()) << c.name;
            continue;
        }

        const QRect zoom(0, AlarmOverviewHeight, AlarmPictureWidth, CodeZoomHeight);
        const QRect zoomPlot = zoom.adjusted(0, 24, 0, 0); // below the legend
        const int overviewMiss = LongestRun(picture, overview.adjusted(0, 24, 0, 0), missed);
        const int zoomMiss = LongestRun(picture, zoomPlot, missed);
        if (c.thirdTone == TToneMarkState::Misses) {
            EXPECT_GE(zoomMiss, 84) << c.name << ": a stretched miss, wide enough for its words";
            EXPECT_GE(zoomMiss, 10 * overviewMiss) << c.name;
            EXPECT_GT(Count(picture, zoomPlot, Reddish), zoomMiss * 3 + 100)
                << c.name << ": its symbol, frequency and words in red";
        } else {
            EXPECT_EQ(zoomMiss, 0) << c.name;
            EXPECT_GE(LongestRun(picture, zoomPlot, MarkColour(TToneMarkState::Holds)), 84)
                << c.name << ": every tone stretched";
            EXPECT_LT(Count(picture, zoomPlot, Reddish), 20) << c.name;
        }
        EXPECT_EQ(CodeZoomOf(picture), DrawCodeZoom(heard)) << c.name;
        EXPECT_EQ(DrawCodeZoom(heard, {830, 124}).size(), QSize(830, 124)) << c.name;
        EXPECT_EQ(DrawCodeZoom(heard, {100, 50}).size(), CodeZoomSmallest) << c.name;
    }
    EXPECT_TRUE(DrawAlarmPicture({{nullptr, 0, 8000, 0.0}, 0.0, {}, {}}).isNull());
}

// A write that fails part way (full disk, size limit) is in TonesProgramTest, with ulimit.
TEST(PictureFile, IsWrittenWholeOrNotAtAll) {
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
