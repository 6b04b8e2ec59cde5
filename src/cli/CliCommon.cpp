#include "cli/CliCommon.h"

#include "audio/AudioHelpers.h"
#include "io/FileUtils.h"
#include "tools/FolderScan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSet>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <vector>

int UsageError(const QString& usage, const QString& problem) {
    if (!problem.isEmpty()) PrintErr(QStringLiteral("sonvale-cli: %1\n").arg(problem));
    PrintErr(QStringLiteral("usage: %1\n").arg(usage));
    return kExitUsage;
}

int SplitCliArgs(const QStringList& args, const char* usage, const char* help, TCliArgs& out,
                 const QStringList& flags) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            PrintOut(
                QStringLiteral("usage: %1\n%2").arg(QLatin1String(usage), QLatin1String(help)));
            return kExitOk;
        }
        if (a == QLatin1String("--")) {
            out.Paths << args.mid(i + 1);
            break;
        }
        if (!a.startsWith(QLatin1String("--"))) {
            out.Paths << a;
            continue;
        }
        if (flags.contains(a.mid(2))) {
            out.Flags << a.mid(2);
            continue;
        }
        if (i + 1 >= args.size())
            return UsageError(QLatin1String(usage),
                              QStringLiteral("option '%1' needs a value").arg(a));
        out.Options.append({a.mid(2), args[++i]});
    }
    return -1;
}

int TakeCliAction(QStringList& args, const char* usage, const char* help, const char* actions,
                  QString& action) {
    if (args.isEmpty())
        return UsageError(QLatin1String(usage),
                          QStringLiteral("no action given (%1)").arg(QLatin1String(actions)));
    action = args.takeFirst();
    if (action == QLatin1String("--help") || action == QLatin1String("-h")) {
        PrintOut(QStringLiteral("usage: %1\n%2").arg(QLatin1String(usage), QLatin1String(help)));
        return kExitOk;
    }
    return -1;
}

bool ParseKindsOption(const QString& value, const char* usage, int& kinds) {
    bool ok = false;
    const int k = value.toInt(&ok, 10);
    if (!ok) {
        UsageError(QLatin1String(usage),
                   QStringLiteral("--kinds needs a number, not '%1'").arg(value));
        return false;
    }
    kinds = k;
    return true;
}

// Names that are not valid UTF-8 are printed as their own bytes.
void PrintOut(const QString& text) {
    QByteArray b = EncodeEscapedText(text);
    std::fwrite(b.constData(), 1, size_t(b.size()), stdout);
}

void PrintJsonLine(const QJsonObject& object) {
    PrintOut(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) +
             QLatin1Char('\n'));
}

void PrintErr(const QString& text) {
    QByteArray b = EncodeEscapedText(text);
    std::fwrite(b.constData(), 1, size_t(b.size()), stderr);
    std::fflush(stderr);
}

void PrintFileError(bool json, const QString& path, const QString& error) {
    if (json)
        PrintJsonLine({{QStringLiteral("path"), path}, {QStringLiteral("error"), error}});
    else
        PrintErr(QStringLiteral("%1: %2\n").arg(path, error));
}

QStringList ListToolFiles(const QStringList& paths, QStringList& refused) {
    QStringList files;
    QSet<QString> seen;
    auto add = [&](const QString& f) {
        if (seen.contains(f)) return;
        seen.insert(f);
        files << f;
    };
    for (const QString& p : paths) {
        if (WideDirectoryExists(p)) {
            const QStringList inFolder = ExpandPaths(
                {p}, [](const QString& f) { return IsSupportedExtension(WideExtractFileExt(f)); },
                nullptr);
            for (const QString& f : inFolder)
                add(f);
        } else if (!IsListablePath(p)) {
            refused << p;
        } else {
            add(p);
        }
    }
    return files;
}

QStringList ExpandPaths(const QStringList& paths, const std::function<bool(const QString&)>& keep,
                        QStringList* missing) {
    QStringList out;
    for (const QString& p : paths) {
        if (WideDirectoryExists(p)) {
            // The same walk as the windows' "Add Folder", so a folder numbers alike.
            TFolderScanHooks hooks;
            hooks.File = [&](const QString& f) {
                if (keep(f)) out << f;
            };
            ScanFolder(p, true, hooks);
        } else if (WideFileExists(p)) {
            out << p;
        } else if (missing) {
            *missing << p;
        }
    }
    return out;
}

QStringList ListedFiles(const QStringList& paths, int& status) {
    QStringList missing;
    QStringList files;
    QSet<QString> seen;
    for (const QString& f : ExpandPaths(paths, IsListablePath, &missing)) {
        const QString absolute = QFileInfo(f).absoluteFilePath();
        if (seen.contains(absolute)) continue;
        seen.insert(absolute);
        files << absolute;
    }
    for (const QString& m : missing) {
        PrintErr(QStringLiteral("%1: No such file or folder\n").arg(m));
        status = kExitFailure;
    }
    return files;
}

TCliProgress::TCliProgress(int total) : total(total), active(total > 20 && isatty(2)) {}

TCliProgress::~TCliProgress() {
    if (active) PrintErr(QStringLiteral("\r\033[K"));
}

void TCliProgress::Step(int index, const QString& name) {
    if (!active) return;
    QString shown = name.size() > 60 ? QStringLiteral("...") + name.right(57) : name;
    PrintErr(QStringLiteral("\r\033[K[%1/%2] %3").arg(index + 1).arg(total).arg(shown));
}

TCliPercentProgress::TCliPercentProgress(qsizetype items, const QString& what)
    : what(what), active(items > 20 && isatty(2)) {}

TCliPercentProgress::~TCliPercentProgress() {
    if (active && shown >= 0) PrintErr(QStringLiteral("\r\033[K"));
}

void TCliPercentProgress::SetPosition(int position) {
    const int percent = int(int64_t(position) * 100 / range);
    if (!active || percent == shown) return;
    shown = percent;
    PrintErr(QStringLiteral("\r\033[K[%1%] %2").arg(percent).arg(what));
}

int RunNetworkProgram(const char* command, const QStringList& args) {
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self);
    const QString dir = n > 0 && size_t(n) < sizeof self
                            ? QFileInfo(DecodeFileName(QByteArray(self, int(n)))).absolutePath()
                            : QString();
    const QString name = QStringLiteral("sonvale-cli-net");
    for (const QString& program :
         {dir + QLatin1Char('/') + name, dir + QStringLiteral("/../libexec/sonvale/") + name}) {
        if (dir.isEmpty() || !QFileInfo(program).isExecutable()) continue;
        std::vector<QByteArray> words{EncodeFileName(program), QByteArray(command)};
        for (const QString& a : args)
            words.push_back(EncodeFileName(a));
        std::vector<char*> argv;
        for (QByteArray& w : words)
            argv.push_back(w.data());
        argv.push_back(nullptr);
        std::fflush(stdout);
        execv(argv[0], argv.data());
        PrintErr(QStringLiteral("sonvale-cli: %1: %2\n")
                     .arg(program, QString::fromLocal8Bit(std::strerror(errno))));
        return kExitFailure;
    }
    PrintErr(QStringLiteral("sonvale-cli: '%1' needs %2, which is not beside this program\n")
                 .arg(QLatin1String(command), name));
    return kExitFailure;
}
