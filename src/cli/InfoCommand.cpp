#include "cli/CliCommon.h"

#include "audio/AudioFile.h"
#include "audio/AudioHelpers.h"
#include "io/FileUtils.h"
#include "io/SonvaleError.h"
#include "io/WFileStream.h"
#include "tags/MetaTag.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const char* const kInfoUsage = "sonvale-cli info [--json] [--jobs N] PATH...";

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

// What info tells of one file, or why it could not.
struct TFileReport {
    QString Path;
    QString Error; // empty when the file was read
    int Format = 0;
    qint64 Bitrate = 0, Channels = 0, SampleRate = 0, Bits = 0, DurationMs = 0, FileSize = 0,
           PcmSize = 0, TagKinds = 0, AudioStart = 0;
    QStringList Tags;
    QList<QPair<QString, QString>> Unified; // lower-case names in name order
};

TFileReport Describe(const QString& path, TAbstractAudioFile& r) {
    TFileReport d;
    d.Path = path;
    d.Format = r.GetFormatCode();
    d.Bitrate = r.GetBitrate();
    d.Channels = r.GetChannels();
    d.SampleRate = r.GetSampleRate();
    d.Bits = r.GetBitsPerSample();
    d.DurationMs = qint64(std::nearbyint(r.GetDuration() * 86400000.0));
    d.FileSize = r.GetFileSize();
    d.PcmSize = r.GetPcmSize();
    d.TagKinds = r.TagKinds;
    d.AudioStart = r.AudioStart;
    d.Tags = r.Tags;
    TMetaTag meta;
    meta.FromFileTags(r.Tags, TMetaTag::FamilyOf(WideExtractFileExt(r.FileName, true)));
    for (const QString& name : UnifiedNames())
        d.Unified.append({name.toLower(), meta.Value(name)});
    std::sort(d.Unified.begin(), d.Unified.end());
    return d;
}

// A JSON string as QJsonDocument writes it: UTF-8, the quote, the backslash and control
// characters escaped, a lone surrogate as \uXXXX.
void AppendJsonString(QByteArray& out, const QString& s) {
    static const char hex[] = "0123456789abcdef";
    auto escape = [&](char16_t u) {
        out += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4)
            out += hex[(u >> shift) & 15];
    };
    out += '"';
    // Most text is printable ASCII with nothing to escape.
    const char16_t* p = reinterpret_cast<const char16_t*>(s.constData());
    if (std::all_of(p, p + s.size(),
                    [](char16_t u) { return u >= 0x20 && u < 0x7F && u != '"' && u != '\\'; })) {
        out += s.toLatin1();
        out += '"';
        return;
    }
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t u = s[i].unicode();
        if (u < 0x80) {
            switch (u) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (u < 0x20)
                    escape(u);
                else
                    out += char(u);
            }
        } else if (QChar::isHighSurrogate(u) && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
            out += QStringView(s).mid(i, 2).toUtf8();
            ++i;
        } else if (QChar::isSurrogate(u)) {
            escape(u);
        } else {
            out += QStringView(s).mid(i, 1).toUtf8();
        }
    }
    out += '"';
}

// One line of JSON, keys in name order as QJsonDocument writes them.
QByteArray JsonLine(const TFileReport& d) {
    QByteArray out = "{";
    auto key = [&](const char* name) {
        if (out.size() > 1) out += ',';
        out += '"';
        out += name;
        out += "\":";
    };
    auto number = [&](const char* name, qint64 v) {
        key(name);
        out += QByteArray::number(v);
    };
    auto text = [&](const char* name, const QString& v) {
        key(name);
        AppendJsonString(out, v);
    };
    if (!d.Error.isEmpty()) {
        text("error", d.Error);
        text("path", d.Path);
        return out + "}\n";
    }
    number("audiostart", d.AudioStart);
    number("bitrate", d.Bitrate);
    number("bits", d.Bits);
    number("channels", d.Channels);
    number("duration_ms", d.DurationMs);
    number("filesize", d.FileSize);
    number("format", d.Format);
    text("path", d.Path);
    number("pcmsize", d.PcmSize);
    number("samplerate", d.SampleRate);
    number("tagkinds", d.TagKinds);
    key("tags");
    out += '[';
    for (qsizetype i = 0; i < d.Tags.size(); ++i) {
        if (i > 0) out += ',';
        AppendJsonString(out, d.Tags[i]);
    }
    out += "],\"unified\":{";
    for (qsizetype i = 0; i < d.Unified.size(); ++i) {
        if (i > 0) out += ',';
        AppendJsonString(out, d.Unified[i].first);
        out += ':';
        AppendJsonString(out, d.Unified[i].second);
    }
    return out + "}}\n";
}

QString AsText(const TFileReport& d) {
    QString t = d.Path + QLatin1Char('\n');
    if (!d.Error.isEmpty()) return t + QStringLiteral("  error       %1\n").arg(d.Error);
    auto line = [&](const char* label, const QString& value, int width = 12) {
        t += QStringLiteral("  %1%2\n").arg(QString::fromLatin1(label).leftJustified(width), value);
    };
    line("format",
         QStringLiteral("%1 (%2)").arg(d.Format).arg(QString::fromLatin1(FormatName(d.Format))));
    const std::pair<const char*, qint64> numbers[] = {
        {"bitrate", d.Bitrate}, {"channels", d.Channels},      {"samplerate", d.SampleRate},
        {"bits", d.Bits},       {"duration_ms", d.DurationMs}, {"filesize", d.FileSize},
        {"pcmsize", d.PcmSize}, {"tagkinds", d.TagKinds},      {"audiostart", d.AudioStart}};
    for (const auto& [label, value] : numbers)
        line(label, QString::number(value));
    for (const QString& tag : d.Tags)
        line("tag", tag);
    for (const auto& [name, value] : d.Unified)
        line(("unified." + name.toStdString()).c_str(), value,
             17); // one column past "unified.comments"
    return t;
}

// The report of one file; its Error tells why it could not be read.
TFileReport Examine(const QString& path) {
    TFileReport failed;
    failed.Path = path;
    // The readers and tag scanners of the file share one open and its head and tail.
    const TFileReadScope scope(path);
    TAudioFile af;
    af.SetFileName(path);
    try {
        if (af.Open()) return Describe(path, *af.Reader);
        failed.Error = QStringLiteral("Unknown audio format");
    } catch (const ESonvaleError& e) {
        failed.Error = e.Message;
    } catch (const std::exception& e) {
        failed.Error = QString::fromLocal8Bit(e.what());
    }
    return failed;
}

// Runs examine(i) for every i below count on `jobs` threads and hands each result to
// deliver(i, result) on the calling thread, in the order of i.
template <class TResult>
void InOrder(int count, int jobs, const std::function<TResult(int)>& examine,
             const std::function<void(int, TResult&)>& deliver) {
    jobs = std::clamp(jobs, 1, std::max(count, 1));
    if (jobs == 1) {
        for (int i = 0; i < count; ++i) {
            TResult r = examine(i);
            deliver(i, r);
        }
        return;
    }
    std::vector<std::optional<TResult>> results(static_cast<size_t>(count));
    std::atomic<int> next = 0;
    std::mutex lock;
    std::condition_variable ready;
    std::vector<std::thread> pool;
    for (int t = 0; t < jobs; ++t)
        pool.emplace_back([&] {
            for (int i; (i = next++) < count;) {
                TResult r = examine(i);
                const std::lock_guard<std::mutex> g(lock);
                results[size_t(i)] = std::move(r);
                ready.notify_all();
            }
        });
    for (int i = 0; i < count; ++i) {
        std::unique_lock<std::mutex> g(lock);
        ready.wait(g, [&] { return results[size_t(i)].has_value(); });
        TResult r = std::move(*results[size_t(i)]);
        results[size_t(i)].reset();
        g.unlock();
        deliver(i, r);
    }
    for (std::thread& t : pool)
        t.join();
}

} // namespace

int RunInfo(const QStringList& args) {
    bool json = false;
    int jobs = std::max(1, int(std::thread::hardware_concurrency()));
    QStringList paths;
    for (qsizetype k = 0; k < args.size(); ++k) {
        const QString& a = args[k];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            PrintOut(
                QStringLiteral(
                    "usage: %1\n\nShows each file's format code, bitrate, channels, sample rate,\n"
                    "bits per sample, duration in ms, file size, PCM size, tag kinds, audio\n"
                    "start and tag lines. Folders are walked recursively (known formats only).\n"
                    "--json prints one JSON object per line. --jobs N reads N files at a time\n"
                    "(default: one per processor); the output keeps the order of the files.\n"
                    "Exit status 1 when a file failed.\n")
                    .arg(QLatin1String(kInfoUsage)));
            return kExitOk;
        }
        if (a == QLatin1String("--json")) {
            json = true;
        } else if (a == QLatin1String("--jobs")) {
            bool ok = false;
            jobs = k + 1 < args.size() ? args[++k].toInt(&ok) : 0;
            if (!ok || jobs < 1 || jobs > 256)
                return UsageError(QLatin1String(kInfoUsage),
                                  QStringLiteral("--jobs needs a number from 1 to 256"));
        } else if (a.startsWith(QLatin1String("--"))) {
            return UsageError(QLatin1String(kInfoUsage),
                              QStringLiteral("unknown option '%1'").arg(a));
        } else {
            paths << a;
        }
    }
    if (paths.isEmpty())
        return UsageError(QLatin1String(kInfoUsage), QStringLiteral("no PATH given"));

    // Into a pipe or a file the lines go in large writes, not one or more per file; a
    // terminal keeps its line buffering.
    static char outBuffer[1 << 16];
    if (!isatty(fileno(stdout))) std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);

    QStringList missing;
    QStringList files = ExpandPaths(
        paths, [](const QString& f) { return FormatCodeOfName(f) != fcUnknown; }, &missing);
    int status = kExitOk;
    auto bytes = [&](const TFileReport& d) {
        return json ? JsonLine(d) : EncodeEscapedText(AsText(d));
    };
    auto print = [&](const TFileReport& d) {
        const QByteArray b = bytes(d);
        std::fwrite(b.constData(), 1, size_t(b.size()), stdout);
        if (!d.Error.isEmpty()) status = kExitFailure;
    };
    for (const QString& m : missing) {
        TFileReport d;
        d.Path = m;
        d.Error = QStringLiteral("No such file or folder");
        print(d);
    }

    TCliProgress progress(int(files.size()));
    InOrder<TFileReport>(
        int(files.size()), jobs, [&](int i) { return Examine(files[i]); },
        [&](int i, TFileReport& d) {
            progress.Step(i, files[i]);
            print(d);
        });
    return status;
}
