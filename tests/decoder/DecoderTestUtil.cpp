#include "DecoderTestUtil.h"

#include "decoder/LayerDecoders.h"
#include "decoder/MpDec.h"
#include "mpeg/FrameLoader.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>

namespace dectest {

std::string CorpusPath(const std::string& relative) {
    return std::string(SONVALE_CORPUS_DIR) + "/" + relative;
}

bool FileExists(const std::string& path) {
    return QFileInfo::exists(QString::fromStdString(path));
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<int16_t> ReadPcm16(const std::string& path) {
    std::vector<uint8_t> bytes = ReadAll(path);
    std::vector<int16_t> pcm(bytes.size() / 2);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = int16_t(uint16_t(bytes[2 * i]) | (uint16_t(bytes[2 * i + 1]) << 8));
    return pcm;
}

TDecoded DecodeFile(const std::string& path, bool perFrameChannels) {
    TDecoded result;
    TFrameLoader loader(QString::fromStdString(path), false);
    TMpDec dec;
    if (!dec.Open(&loader)) return result;
    auto* layer = dynamic_cast<TMpegLayerDecoder*>(dec.Layer.get());
    result.SampleRate = loader.FirstHeader.SampleRate();
    result.Channels = loader.FirstHeader.Channels();
    result.Layer = loader.FirstHeader.Layer();
    std::vector<int16_t> frame(1152 * 2 + 64);
    for (;;) {
        int channels = loader.CurrentHeader.Channels();
        if (perFrameChannels && layer) layer->SetOutputChannels(channels);
        const int bytes = dec.FrameBytes();
        dec.DecodeFrame(frame.data());
        result.Pcm.insert(result.Pcm.end(), frame.begin(), frame.begin() + bytes / 2);
        result.FrameChannels.push_back(channels);
        result.FrameValues.push_back(bytes / 2);
        ++result.Frames;
        if (!dec.LastError().isEmpty()) result.LastError = dec.LastError();
        if (!loader.NextFrame()) break;
    }
    return result;
}

TDiff Compare(const int16_t* a, const int16_t* b, size_t count) {
    TDiff d;
    double sum = 0;
    for (size_t i = 0; i < count; ++i) {
        int diff = int(a[i]) - int(b[i]);
        sum += double(diff) * diff;
        d.MaxLsb = std::max(d.MaxLsb, std::abs(diff));
    }
    d.Compared = count;
    d.RmsLsb = count ? std::sqrt(sum / double(count)) : 0.0;
    return d;
}

bool HaveFfmpeg() {
    return !QStandardPaths::findExecutable("ffmpeg").isEmpty();
}

std::string TempDir() {
    static QTemporaryDir dir;
    return dir.path().toStdString();
}

bool EncodeTestFile(const std::string& path, const std::string& codec, int rate, int channels,
                    int kbps, double seconds, bool jointStereo) {
    // Two different tones with a little noise and a level change, so that stereo coding,
    // block switching and the reservoir all get used.
    // (commas inside a filter argument are escaped for the filter graph parser)
    QString expr = channels == 1
                       ? "0.5*sin(2*PI*440*t)*(0.3+0.7*gt(mod(t\\,1)\\,0.5))+0.05*random(0)"
                       : "0.5*sin(2*PI*440*t)*(0.3+0.7*gt(mod(t\\,1)\\,0.5))+0.05*random(0)|"
                         "0.4*sin(2*PI*660*t)+0.3*sin(2*PI*440*t)+0.05*random(1)";
    QStringList args = {
        "-hide_banner", "-loglevel",
        "error",        "-y",
        "-f",           "lavfi",
        "-i",           QString("aevalsrc=%1:s=%2:d=%3").arg(expr).arg(rate).arg(seconds),
        "-ac",          QString::number(channels),
        "-c:a",         QString::fromStdString(codec),
        "-b:a",         QString("%1k").arg(kbps)};
    if (codec == "libmp3lame") {
        args << "-joint_stereo" << (jointStereo ? "1" : "0") << "-write_xing"
             << "0"
             << "-id3v2_version"
             << "0"
             << "-f"
             << "mp3";
    } else {
        args << "-f"
             << "mp2";
    }
    args << QString::fromStdString(path);
    QProcess p;
    p.start("ffmpeg", args);
    if (!p.waitForFinished(60000)) return false;
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 && FileExists(path);
}

} // namespace dectest
