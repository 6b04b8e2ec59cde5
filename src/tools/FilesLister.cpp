#include "tools/FilesLister.h"

#include "audio/AudioFile.h"
#include "io/FileUtils.h"
#include "io/SonvaleError.h"
#include "lang/TextStorage.h"
#include "tools/ByteSize.h"
#include "tools/Progress.h"
#include "tools/Prompter.h"
#include "tools/StreamWriter.h"
#include "tools/TextFile.h"

#include <cmath>

namespace {

const char* const kElements[kListColumnCount] = {"fullname", "filename",   "format",  "size",
                                                 "bitrate",  "samplerate", "duration"};

QString CsvQuoted(const QString& value) {
    return QLatin1Char('"') + QString(value).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

bool NeedsCsvQuotes(const QString& value) {
    for (QChar c : value)
        if (c == QLatin1Char(';') || c == QLatin1Char('"') || c == QLatin1Char('\r') ||
            c == QLatin1Char('\n'))
            return true;
    return false;
}

// Text content of an element: the markup characters as references, line breaks and tabs
// as references (one file stays one line), and what XML 1.0 cannot carry at all as U+FFFD.
QString XmlEscaped(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        const char16_t u = c.unicode();
        if (u == '&')
            out += QLatin1String("&amp;");
        else if (u == '<')
            out += QLatin1String("&lt;");
        else if (u == '>')
            out += QLatin1String("&gt;");
        else if (u == '"')
            out += QLatin1String("&quot;");
        else if (u == '\t' || u == '\n' || u == '\r')
            out += QStringLiteral("&#%1;").arg(int(u));
        else if (u < 0x20 || u == 0xFFFE || u == 0xFFFF)
            out += QChar(0xFFFD);
        else if (c.isHighSurrogate() && i + 1 < value.size() && value[i + 1].isLowSurrogate()) {
            out += c;
            out += value[++i];
        } else if (c.isSurrogate())
            out += QChar(0xFFFD);
        else
            out += c;
    }
    return out;
}

QString ColumnValue(int column, const QString& path, TAudioFile& af, const TListerOptions& o) {
    switch (column) {
    case lcFullName:
        return path;
    case lcFileName:
        return WideExtractFileBase(path);
    case lcFormat:
        return WideExtractFileExt(path, true).toUpper();
    case lcSize:
        return FormatByteSize(uint64_t(std::max<qint64>(0, WideFileSize(path))));
    case lcBitrate: {
        const int32_t bitrate = af.Reader->GetBitrate();
        if (!o.Kbps) return QString::number(bitrate);
        return QStringLiteral("%1 Kbps").arg(qint64(std::nearbyint(bitrate / 1000.0)));
    }
    case lcSampleRate:
        return QString::number(af.Reader->GetSampleRate());
    case lcDuration:
        return FormatListDuration(af.GetDuration(), o.ColonTime);
    default:
        return QString();
    }
}

} // namespace

QString ListColumnElement(int column) {
    return column >= 0 && column < kListColumnCount ? QString::fromLatin1(kElements[column])
                                                    : QString();
}

QString ListerFileName(TListLayout layout) {
    switch (layout) {
    case TListLayout::Csv:
        return QStringLiteral("sonvale.csv");
    case TListLayout::Xml:
        return QStringLiteral("sonvale.xml");
    default:
        return QStringLiteral("sonvale.txt");
    }
}

QString FormatListDuration(double days, bool colon) {
    const qint64 seconds = qint64(std::nearbyint(days * 86400.0));
    const qint64 minutes = seconds / 60, rest = seconds % 60;
    if (colon)
        return QStringLiteral("%1:%2")
            .arg(minutes, 2, 10, QLatin1Char('0'))
            .arg(rest, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1min %2sec").arg(minutes).arg(rest);
}

QString FormatListLine(TListLayout layout, const QList<QPair<int, QString>>& values) {
    QString line;
    switch (layout) {
    case TListLayout::Xml:
        line = QStringLiteral("<file>");
        for (const auto& [column, value] : values) {
            const QString element = ListColumnElement(column);
            line += QLatin1Char('<') + element + QLatin1Char('>') + XmlEscaped(value) +
                    QStringLiteral("</") + element + QLatin1Char('>');
        }
        return line + QStringLiteral("</file>");
    case TListLayout::Sql:
        for (const auto& v : values) {
            if (!line.isEmpty()) line += QLatin1Char(';');
            line += CsvQuoted(v.second);
        }
        return line;
    case TListLayout::Csv:
        for (qsizetype i = 0; i < values.size(); ++i) {
            if (i > 0) line += QLatin1Char(';');
            line +=
                NeedsCsvQuotes(values[i].second) ? CsvQuoted(values[i].second) : values[i].second;
        }
        return line;
    case TListLayout::Raw:
        break;
    }
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0) line += QLatin1Char('\t');
        line += values[i].second;
    }
    return line;
}

QByteArray BuildListing(const TListerOptions& options, TProgress& progress, TListerResult& result) {
    QByteArray text;
    const bool xml = options.Layout == TListLayout::Xml;
    if (xml) AppendTextLine(text, QStringLiteral("<sonvale>"));
    progress.SetRange(100);
    // The caller's list may change while pending events run; the run keeps its own copy.
    const QStringList paths = options.Paths;
    const qsizetype n = paths.size();
    TAudioFile af;
    for (qsizetype j = 0; j < n; ++j) {
        const QString& path = paths[j];
        QList<QPair<int, QString>> values;
        QString error;
        if (!WideFileExists(path)) {
            error = Tr("No such file");
        } else {
            af.SetFileName(path);
            try {
                if (af.Open()) {
                    for (int c = 0; c < kListColumnCount; ++c)
                        if (options.Columns & (1 << c))
                            values.append({c, ColumnValue(c, path, af, options)});
                } else {
                    error = Tr("Unknown audio format");
                }
            } catch (const ESonvaleError& e) {
                error = e.Message;
            }
            af.Close();
        }
        if (error.isEmpty()) {
            AppendTextLine(text, FormatListLine(options.Layout, values));
            ++result.Listed;
        } else {
            ++result.Skipped;
        }
        if (options.FileDone) options.FileDone(path, error.isEmpty(), error);
        progress.SetPosition(int(std::nearbyint(100.0 * double(j + 1) / double(n))));
    }
    if (xml) AppendTextLine(text, QStringLiteral("</sonvale>"));
    return text;
}

TListerResult RunFilesLister(const TListerOptions& options, TProgress& progress,
                             TStreamWriter& writer, TPrompter& prompter) {
    TListerResult result;
    QString folder = WideExtractFileDir(options.OutputFolder);
    if (folder.isEmpty() && options.OutputFolder.startsWith(kPathDelim)) folder = kPathDelim;
    if (folder.isEmpty() || !WideDirectoryExists(folder)) {
        prompter.ShowPlainMessage(Tr("Invalid output directory"));
        return result;
    }
    if (options.Paths.isEmpty()) {
        prompter.ShowPlainMessage(Tr("Nothing to list"));
        return result;
    }
    if ((options.Columns & ((1 << kListColumnCount) - 1)) == 0) {
        prompter.ShowPlainMessage(Tr("No datafield selected."));
        return result;
    }
    result.Ran = true;
    writer.Buffer = BuildListing(options, progress, result);
    result.Target = WideIncludeTrailingBackslash(folder) + ListerFileName(options.Layout);
    writer.Target = result.Target;
    result.Written = RunStreamWriterAndTell(writer, prompter);
    progress.SetPosition(0);
    return result;
}
