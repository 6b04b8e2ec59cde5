// MPEG audio decoding speed against libmpg123 on the same files, as multiples of real time.
// The files are made by ffmpeg (libmp3lame, mp2) when the benchmark starts.
#include "decoder/MpDec.h"
#include "decoder/SimdLevel.h"
#include "mpeg/FrameLoader.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#ifdef SONVALE_HAVE_MPG123
#include <mpg123.h>
#endif

namespace {

struct TBenchFile {
    const char* Name;
    const char* Codec;
    int Kbps;
    bool Joint;
    std::string Path;
    double Seconds = 0;
};

constexpr double kSeconds = 300.0;

TBenchFile gFiles[] = {
    {"mp3_320k_joint", "libmp3lame", 320, true, {}},
    {"mp3_128k", "libmp3lame", 128, true, {}},
    {"mp2_256k", "mp2", 256, false, {}},
};

std::map<std::string, double> gRates; // "decoder/file" -> multiple of real time

bool Encode(TBenchFile& f, const QString& dir) {
    f.Path = (dir + "/" + f.Name + (f.Codec == std::string("mp2") ? ".mp2" : ".mp3")).toStdString();
    // a chord with vibrato, noise bursts and level changes: busy enough for every tool of the
    // encoders (stereo coding, block switching, the reservoir)
    const QString left =
        "0.3*sin(2*PI*(220+3*sin(2*PI*5*t))*t)+0.2*sin(2*PI*554*t)"
        "+0.15*random(0)*gt(mod(t\\,2)\\,1.5)+0.1*sin(2*PI*3520*t)*sin(2*PI*0.5*t)";
    const QString right = "0.3*sin(2*PI*330*t)+0.2*sin(2*PI*(659+5*sin(2*PI*3*t))*t)"
                          "+0.15*random(1)*gt(mod(t\\,3)\\,2.5)+0.05*random(2)";
    QStringList args = {
        "-hide_banner", "-loglevel",
        "error",        "-y",
        "-f",           "lavfi",
        "-i",           QString("aevalsrc=%1|%2:s=44100:d=%3").arg(left, right).arg(kSeconds),
        "-c:a",         f.Codec,
        "-b:a",         QString("%1k").arg(f.Kbps)};
    if (f.Codec == std::string("libmp3lame"))
        args << "-joint_stereo" << (f.Joint ? "1" : "0") << "-write_xing"
             << "0"
             << "-f"
             << "mp3";
    else
        args << "-f"
             << "mp2";
    args << QString::fromStdString(f.Path);
    QProcess p;
    p.start("ffmpeg", args);
    if (!p.waitForFinished(600000) || p.exitCode() != 0) return false;
    f.Seconds = kSeconds;
    return true;
}

const char* const kSimdNames[] = {"portable", "sse2", "avx2"};

void BM_Sonvale(benchmark::State& state, TBenchFile* f, mpdec::TSimd simd) {
    mpdec::SetSimd(simd);
    std::vector<uint8_t> frame(1152 * 2 * 2);
    int64_t samples = 0;
    for (auto _ : state) {
        TFrameLoader loader(QString::fromStdString(f->Path), false);
        TMpDec dec;
        if (!dec.Open(&loader)) {
            state.SkipWithError("decoder did not open");
            return;
        }
        const int bytes = dec.FrameBytes();
        do {
            dec.DecodeFrame(frame.data());
            samples += bytes;
        } while (loader.NextFrame());
        benchmark::DoNotOptimize(frame.data());
    }
    state.counters["x_realtime"] =
        benchmark::Counter(f->Seconds * double(state.iterations()), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(samples);
}

#ifdef SONVALE_HAVE_MPG123
void BM_Mpg123(benchmark::State& state, TBenchFile* f) {
    std::vector<unsigned char> buf(1 << 16);
    int64_t samples = 0;
    for (auto _ : state) {
        int err = 0;
        mpg123_handle* mh = mpg123_new(nullptr, &err);
        mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
        mpg123_format_none(mh);
        mpg123_format(mh, 44100, MPG123_STEREO, MPG123_ENC_SIGNED_16);
        if (mpg123_open(mh, f->Path.c_str()) != MPG123_OK) {
            state.SkipWithError("libmpg123 could not open the file");
            mpg123_delete(mh);
            return;
        }
        for (;;) {
            size_t done = 0;
            int r = mpg123_read(mh, buf.data(), buf.size(), &done);
            samples += int64_t(done);
            if (r != MPG123_OK && r != MPG123_NEW_FORMAT) break;
        }
        mpg123_close(mh);
        mpg123_delete(mh);
        benchmark::DoNotOptimize(buf.data());
    }
    state.counters["x_realtime"] =
        benchmark::Counter(f->Seconds * double(state.iterations()), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(samples);
}
#endif

// Keeps each run's real-time multiple for the closing comparison.
class TRateReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            auto it = r.counters.find("x_realtime");
            if (it == r.counters.end() || r.run_type != Run::RT_Iteration) continue;
            std::string name = r.benchmark_name();
            name = name.substr(0, name.find("/min_time"));
            gRates[name] = it->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    QTemporaryDir dir;
    for (TBenchFile& f : gFiles) {
        if (!Encode(f, dir.path())) {
            std::fprintf(stderr, "could not make %s with ffmpeg\n", f.Name);
            return 1;
        }
        // every filter-bank path this CPU has, the best one first
        for (int level = int(mpdec::BestSimd()); level >= 0; --level) {
            const std::string name =
                level == int(mpdec::BestSimd())
                    ? std::string("sonvale/") + f.Name
                    : std::string("sonvale-") + kSimdNames[level] + "/" + f.Name;
            benchmark::RegisterBenchmark(name.c_str(), BM_Sonvale, &f, mpdec::TSimd(level))
                ->Unit(benchmark::kMillisecond)
                ->MinTime(2.0);
        }
#ifdef SONVALE_HAVE_MPG123
        benchmark::RegisterBenchmark((std::string("mpg123/") + f.Name).c_str(), BM_Mpg123, &f)
            ->Unit(benchmark::kMillisecond)
            ->MinTime(2.0);
#endif
    }
    TRateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nsonvale with %s\n%-18s %14s %14s %8s\n", kSimdNames[int(mpdec::BestSimd())],
                "file", "sonvale (x RT)", "mpg123 (x RT)", "ratio");
    for (const TBenchFile& f : gFiles) {
        double ours = gRates[std::string("sonvale/") + f.Name];
        double theirs = gRates[std::string("mpg123/") + f.Name];
        std::printf("%-18s %14.1f %14.1f %8.2f\n", f.Name, ours, theirs,
                    theirs > 0 ? ours / theirs : 0.0);
    }
    benchmark::Shutdown();
    return 0;
}
