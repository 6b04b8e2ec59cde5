#include "cli/CliCommon.h"

#include "audio/AudioFile.h"
#include "audio/AudioHelpers.h"
#include "io/FileUtils.h"
#include "io/SonvaleError.h"
#include "tags/MetaTag.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cmath>

namespace {

const char* const kInfoUsage = "sonvale-cli info [--json] PATH...";

const char* FormatName(uint8_t code) {
    switch (code) {
    case fcWave:
        return "WAVE";
    case fcMpeg:
        return "MPEG audio";
    case fcWma:
        return "Windows Media audio";
    case fcOgg:
        return "Ogg Vorbis";
    case fcApe:
        return "Monkey's Audio";
    case fcAc3:
        return "AC-3";
    case fcMpc:
        return "Musepack";
    default:
        return "unknown";
    }
}

// The seven unified fields of the file's tags.
QJsonObject UnifiedJson(TAbstractAudioFile& reader) {
    TMetaTag meta;
    meta.FromFileTags(reader.Tags, TMetaTag::FamilyOf(WideExtractFileExt(reader.FileName, true)));
    QJsonObject o;
    for (const QString& name : UnifiedNames())
        o[name.toLower()] = meta.Value(name);
    return o;
}

QJsonObject Describe(const QString& path, TAbstractAudioFile& r) {
    QJsonObject o;
    o[QStringLiteral("path")] = path;
    o[QStringLiteral("format")] = int(r.GetFormatCode());
    o[QStringLiteral("bitrate")] = r.GetBitrate();
    o[QStringLiteral("channels")] = r.GetChannels();
    o[QStringLiteral("samplerate")] = r.GetSampleRate();
    o[QStringLiteral("bits")] = r.GetBitsPerSample();
    double ms = std::nearbyint(r.GetDuration() * 86400000.0);
    o[QStringLiteral("duration_ms")] = qint64(ms);
    o[QStringLiteral("filesize")] = qint64(r.GetFileSize());
    o[QStringLiteral("pcmsize")] = qint64(r.GetPcmSize());
    o[QStringLiteral("tagkinds")] = r.TagKinds;
    o[QStringLiteral("audiostart")] = qint64(r.AudioStart);
    o[QStringLiteral("tags")] = QJsonArray::fromStringList(r.Tags);
    o[QStringLiteral("unified")] = UnifiedJson(r);
    return o;
}

QString AsText(const QJsonObject& o) {
    QString t = o[QStringLiteral("path")].toString() + QLatin1Char('\n');
    if (o.contains(QStringLiteral("error")))
        return t + QStringLiteral("  error       %1\n").arg(o[QStringLiteral("error")].toString());
    auto line = [&](const char* label, const QString& value) {
        t += QStringLiteral("  %1%2\n").arg(QString::fromLatin1(label).leftJustified(12), value);
    };
    int code = o[QStringLiteral("format")].toInt();
    line("format", QStringLiteral("%1 (%2)").arg(code).arg(QString::fromLatin1(FormatName(code))));
    for (const char* k : {"bitrate", "channels", "samplerate", "bits", "duration_ms", "filesize",
                          "pcmsize", "tagkinds", "audiostart"}) {
        line(k, QString::number(o[QLatin1String(k)].toVariant().toLongLong()));
    }
    for (const QJsonValue& v : o[QStringLiteral("tags")].toArray())
        line("tag", v.toString());
    QJsonObject u = o[QStringLiteral("unified")].toObject();
    for (auto it = u.begin(); it != u.end(); ++it)
        line(("unified." + it.key().toStdString()).c_str(), it.value().toString());
    return t;
}

} // namespace

int RunInfo(const QStringList& args) {
    bool json = false;
    QStringList paths;
    for (const QString& a : args) {
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            PrintOut(
                QStringLiteral(
                    "usage: %1\n\nShows each file's format code, bitrate, channels, sample rate,\n"
                    "bits per sample, duration in ms, file size, PCM size, tag kinds, audio\n"
                    "start and tag lines. Folders are walked recursively (known formats only).\n"
                    "--json prints one JSON object per line. Exit status 1 when a file failed.\n")
                    .arg(QLatin1String(kInfoUsage)));
            return kExitOk;
        }
        if (a == QLatin1String("--json"))
            json = true;
        else if (a.startsWith(QLatin1String("--")))
            return UsageError(QLatin1String(kInfoUsage),
                              QStringLiteral("unknown option '%1'").arg(a));
        else
            paths << a;
    }
    if (paths.isEmpty())
        return UsageError(QLatin1String(kInfoUsage), QStringLiteral("no PATH given"));

    QStringList missing;
    QStringList files = ExpandPaths(
        paths, [](const QString& f) { return FormatCodeOfName(f) != fcUnknown; }, &missing);
    int status = kExitOk;
    auto report = [&](const QJsonObject& o) {
        if (json)
            PrintJsonLine(o);
        else
            PrintOut(AsText(o));
        std::fflush(stdout);
    };
    auto fail = [&](const QString& path, const QString& message) {
        QJsonObject o;
        o[QStringLiteral("path")] = path;
        o[QStringLiteral("error")] = message;
        report(o);
        status = kExitFailure;
    };
    for (const QString& m : missing)
        fail(m, QStringLiteral("No such file or folder"));

    TCliProgress progress(int(files.size()));
    TAudioFile af;
    for (int i = 0; i < files.size(); ++i) {
        const QString& f = files[i];
        progress.Step(i, f);
        af.SetFileName(f);
        try {
            if (!af.Open()) {
                fail(f, QStringLiteral("Unknown audio format"));
                continue;
            }
            report(Describe(f, *af.Reader));
        } catch (const ESonvaleError& e) {
            fail(f, e.Message);
        } catch (const std::exception& e) {
            fail(f, QString::fromLocal8Bit(e.what()));
        }
        af.Close();
    }
    return status;
}
