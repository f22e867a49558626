#include "app/toneinput/HeardPictures.h"

#include "app/testrecord/RecordPicture.h"
#include "app/tonecheck/AlarmJudge.h"
#include "app/tonepicture/AlarmPicture.h"
#include "app/tonepicture/PictureFile.h"

#include <QDir>
#include <QString>

namespace {

// The picture starts a little before the alarm went out, so its first tone is whole.
constexpr double PictureLeadSeconds = 0.5;

} // namespace

std::optional<std::string> SaveHeardPictures(const TTestRecordRow& row,
                                             const TToneListener& listener, QSize codeSize) {
    const TAlarmSent& alarm = row.Alarm;
    if (!alarm.Listening || !listener.Listening())
        return std::nullopt;
    const TListenedAudio audio = listener.HeardSince(alarm.HeardFrom - PictureLeadSeconds);
    if (audio.Samples.empty())
        return std::nullopt;
    const TAlarmHeard heard{
        {audio.Samples.data(), audio.Samples.size(), audio.Rate, audio.StartSeconds},
        alarm.HeardFrom,
        row.Judgement ? row.Judgement->Marks : UnjudgedMarks(row.Signals),
        row.Judgement ? row.Judgement->Bands : std::vector<TExpectedBand>{}};
    const QString folder = QString::fromStdString(RecordPictureFolder(alarm.Date)) + '/';
    // A folder that cannot be made shows in the write's own reason.
    QDir().mkpath(folder);
    std::optional<std::string> failure = WritePicturePng(
        DrawAlarmPicture(heard),
        folder + QString::fromStdString(RecordPictureFileName(alarm.Time, alarm.Code)));
    if (const QImage code = DrawCodeZoom(heard, codeSize); !code.isNull() && !failure)
        failure = WritePicturePng(code, folder + QString::fromStdString(RecordCodePictureFileName(
                                                     alarm.Time, alarm.Code)));
    return failure;
}
