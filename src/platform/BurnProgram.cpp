#include "platform/BurnProgram.h"

#include "platform/Platform.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

namespace {

// An executable file given by path, or a bare name looked up on the PATH.
QString ExecutablePath(const QString& nameOrPath) {
    if (nameOrPath.isEmpty()) return QString();
    if (!nameOrPath.contains(QLatin1Char('/'))) return QStandardPaths::findExecutable(nameOrPath);
    const QFileInfo info(nameOrPath);
    return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
}

struct TKnownBurner {
    const char* Name;
    const char* Program;
    const char* Switches; // blank-separated; open an audio CD project of the files that follow
    const char* Desktop;  // as XDG_CURRENT_DESKTOP names it
    bool ReversesFiles;
};

// Each was started with audio files after its switch and opened an audio CD project
// holding them (see the README). Without its first switch Brasero ends at once, files
// untaken, while another Brasero is open; Xfburn puts each file it is given at the top.
const TKnownBurner kKnownBurners[] = {
    {"Brasero", "brasero", "--no-existing-session --audio", "GNOME", false},
    {"K3b", "k3b", "--audiocd", "KDE", false},
    {"Xfburn", "xfburn", "--audio-composition", "XFCE", true},
};

} // namespace

TBurnProgram FindBurnhaven(const QString& configured) {
    TBurnProgram found;
    found.Name = QStringLiteral("Burnhaven");
    const QString text = configured.trimmed();
    if (text.isEmpty()) return found;
    if (text.contains(QStringLiteral("%1"))) {
        QStringList args = SplitCommandLine(text);
        const QString program = args.isEmpty() ? QString() : ExecutablePath(args.takeFirst());
        if (program.isEmpty() || !args.join(QLatin1Char(' ')).contains(QStringLiteral("%1")))
            return found;
        found.Program = program;
        found.Arguments = args;
        found.Form = TBurnForm::Placeholder;
        found.Name = QFileInfo(program).fileName();
        return found;
    }
    if (QFileInfo(text).isDir()) {
        for (const char* name : {"Burnhaven", "burnhaven", "Burnhaven.exe"}) {
            found.Program = ExecutablePath(QDir(text).filePath(QString::fromLatin1(name)));
            if (found.Installed()) break;
        }
        return found;
    }
    found.Program = ExecutablePath(text);
    return found;
}

QList<TBurnProgram> DetectBurningPrograms() {
    const QString desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    QList<TBurnProgram> found;
    for (const TKnownBurner& k : kKnownBurners) {
        const QString program = QStandardPaths::findExecutable(QString::fromLatin1(k.Program));
        if (program.isEmpty()) continue;
        const TBurnProgram p{QString::fromLatin1(k.Name), program,
                             QString::fromLatin1(k.Switches).split(QLatin1Char(' ')),
                             TBurnForm::AudioFiles, k.ReversesFiles};
        if (desktop.contains(QLatin1String(k.Desktop), Qt::CaseInsensitive))
            found.prepend(p);
        else
            found.append(p);
    }
    return found;
}

TWatchedProcess::~TWatchedProcess() {
    Release();
}

void TWatchedProcess::Release() {
    if (FPidFd >= 0) ::close(FPidFd);
    FPidFd = -1;
    FPid = 0;
}

bool TWatchedProcess::Start(const QString& program, const QStringList& arguments) {
    Release();
    qint64 pid = 0;
    if (!QProcess::startDetached(program, arguments, QString(), &pid) || pid <= 0) return false;
    FPid = pid;
#ifdef SYS_pidfd_open
    // A descriptor of the process itself: its end is seen even when nobody reaps it, and
    // a later process with the same number is never mistaken for it.
    FPidFd = int(::syscall(SYS_pidfd_open, pid_t(pid), 0));
    if (FPidFd < 0 && errno == ESRCH) FPid = 0; // already ended and reaped
#endif
    return true;
}

bool TWatchedProcess::Running() {
    if (FPidFd >= 0) {
        pollfd p{FPidFd, POLLIN, 0};
        if (::poll(&p, 1, 0) == 0) return true;
        Release();
        return false;
    }
    if (FPid > 0 && ::kill(pid_t(FPid), 0) == 0) return true;
    FPid = 0;
    return false;
}

} // namespace platform
