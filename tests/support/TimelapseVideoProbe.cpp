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
    if (QStandardPaths::findExecutable(QStringLiteral("ffprobe")).isEmpty()
        || QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty())
        return QStringLiteral("ffprobe and ffmpeg are needed to check videos: install the Debian package \"ffmpeg\"");
    return {};
}

TimelapseVideoProbe::Facts TimelapseVideoProbe::probe(const QString& path)
{
    const QByteArray json = run(QStringLiteral("ffprobe"),
                                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_frames"),
                                 QStringLiteral("-select_streams"), QStringLiteral("v:0"),
                                 QStringLiteral("-show_streams"), QStringLiteral("-show_format"),
                                 QStringLiteral("-of"), QStringLiteral("json"), path});
    Facts facts;
    const QJsonObject root = QJsonDocument::fromJson(json).object();
    const QJsonObject stream = root.value(QStringLiteral("streams")).toArray().first().toObject();
    if (stream.isEmpty())
        return facts;
    facts.codec = stream.value(QStringLiteral("codec_name")).toString();
    facts.pixelFormat = stream.value(QStringLiteral("pix_fmt")).toString();
    facts.size = QSize(stream.value(QStringLiteral("width")).toInt(), stream.value(QStringLiteral("height")).toInt());
    facts.frameRate = stream.value(QStringLiteral("r_frame_rate")).toString();
    facts.frames = stream.value(QStringLiteral("nb_read_frames")).toString().toInt();
    facts.duration = root.value(QStringLiteral("format")).toObject().value(QStringLiteral("duration")).toString().toDouble();
    return facts;
}

QByteArray TimelapseVideoProbe::decodeFrameRgb(const QString& path, int index, QSize size)
{
    const QByteArray rgb = run(QStringLiteral("ffmpeg"),
                               {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path,
                                QStringLiteral("-vf"), QStringLiteral("select=eq(n\\,%1)").arg(index),
                                QStringLiteral("-frames:v"), QStringLiteral("1"), QStringLiteral("-f"),
                                QStringLiteral("rawvideo"), QStringLiteral("-pix_fmt"), QStringLiteral("rgb24"),
                                QStringLiteral("-")});
    return rgb.size() == qsizetype(size.width()) * size.height() * 3 ? rgb : QByteArray();
}

QColor TimelapseVideoProbe::pixel(const QByteArray& rgb, QSize size, int x, int y)
{
    const auto* p = reinterpret_cast<const uchar*>(rgb.constData()) + (qsizetype(y) * size.width() + x) * 3;
    return QColor(p[0], p[1], p[2]);
}
