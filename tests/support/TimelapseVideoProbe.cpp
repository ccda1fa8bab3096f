#include "support/TimelapseVideoProbe.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

namespace {

QByteArray run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput();
}

}  // namespace

QString TimelapseVideoProbe::missingTools()
{
    if (QStandardPaths::findExecutable("ffprobe").isEmpty() || QStandardPaths::findExecutable("ffmpeg").isEmpty())
        return "ffprobe and ffmpeg are needed to check videos: install the Debian package \"ffmpeg\"";
    return {};
}

TimelapseVideoProbe::Facts TimelapseVideoProbe::probe(const QString& path)
{
    const QByteArray json = run("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_streams",
                                            "-show_format", "-of", "json", path});
    Facts facts;
    const QJsonObject root = QJsonDocument::fromJson(json).object();
    const QJsonObject stream = root.value("streams").toArray().first().toObject();
    if (stream.isEmpty())
        return facts;
    facts.codec = stream.value("codec_name").toString();
    facts.pixelFormat = stream.value("pix_fmt").toString();
    facts.size = QSize(stream.value("width").toInt(), stream.value("height").toInt());
    facts.frameRate = stream.value("r_frame_rate").toString();
    facts.frames = stream.value("nb_read_frames").toString().toInt();
    facts.duration = root.value("format").toObject().value("duration").toString().toDouble();
    return facts;
}
