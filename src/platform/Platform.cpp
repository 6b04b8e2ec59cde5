#include "Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace platform {

namespace {
QString& SettingsOverride() {
    static QString file;
    return file;
}

// The store holds the proxy password: only its owner may read it. QSettings keeps the
// mode of a file it rewrites, so a new file is made empty with mode 0600 just before the
// first write, and an existing one loses the other users' rights when opened. Reading
// alone creates nothing.
void TightenSettingsFile(const QString& file) {
    const QFileInfo info(file);
    const QFileDevice::Permissions own = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (info.isFile() &&
        (info.permissions() & ~(own | QFileDevice::ReadUser | QFileDevice::WriteUser)))
        QFile::setPermissions(file, own);
}

void PrepareSettingsWrite(QSettings& s) {
    const QString file = s.fileName();
    if (file.isEmpty() || QFileInfo::exists(file)) return;
    const QString group = s.group();
    while (!s.group().isEmpty())
        s.endGroup();
    const bool pending = !s.allKeys().isEmpty();
    if (!group.isEmpty()) s.beginGroup(group);
    if (!pending || !QDir().mkpath(QFileInfo(file).absolutePath())) return;
#ifdef Q_OS_UNIX
    const int fd =
        ::open(QFile::encodeName(file).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) ::close(fd);
#endif
}

// Writes what is pending when it goes, through PrepareSettingsWrite.
class TPrivateSettings : public QSettings {
public:
    using QSettings::QSettings;
    ~TPrivateSettings() override { PrepareSettingsWrite(*this); }
};

std::unique_ptr<QSettings> Open(const QString& group) {
    std::unique_ptr<QSettings> s;
    if (!SettingsOverride().isEmpty())
        s = std::make_unique<TPrivateSettings>(SettingsOverride(), QSettings::IniFormat);
    else
        s = std::make_unique<TPrivateSettings>(QStringLiteral("Orvane"), QStringLiteral("Sonvale"));
    TightenSettingsFile(s->fileName());
    if (!group.isEmpty()) s->beginGroup(group);
    return s;
}

// Desktop entry values escape backslashes and line breaks.
QString DesktopEscape(QString s) {
    s.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    s.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    s.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    return s;
}

// Exec arguments: quoted, with the reserved characters escaped.
QString ExecQuote(const QString& arg) {
    QString out;
    for (QChar c : arg) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        if (c == QLatin1Char('%')) out += QLatin1Char('%');
        out += c;
    }
    return QLatin1Char('"') + out + QLatin1Char('"');
}
} // namespace

void SetSettingsFileOverride(const QString& iniFile) {
    SettingsOverride() = iniFile;
}
std::unique_ptr<QSettings> OpenSettings() {
    return Open(QStringLiteral("Sonvale"));
}
std::unique_ptr<QSettings> OpenVendorSettings() {
    return Open(QString());
}
void SyncSettings(QSettings& settings) {
    PrepareSettingsWrite(settings);
    settings.sync();
}

const QStringList& ShellExtensions() {
    static const QStringList list = {
        QStringLiteral("mp3"), QStringLiteral("ogg"), QStringLiteral("ape"),  QStringLiteral("mpc"),
        QStringLiteral("mpp"), QStringLiteral("mp+"), QStringLiteral("flac"), QStringLiteral("fla"),
        QStringLiteral("wv"),  QStringLiteral("wvc")};
    return list;
}

QString ShellEntryPath(const QString& appsDir) {
    QString dir = appsDir;
    if (dir.isEmpty()) dir = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    return QDir(dir).filePath(QStringLiteral("sonvale-open.desktop"));
}

bool RegisterShellEntries(const QString& exePath, const QString& openWithText,
                          const QString& appsDir) {
    QMimeDatabase db;
    QStringList types;
    for (const QString& ext : ShellExtensions()) {
        const QList<QMimeType> found = db.mimeTypesForFileName(QStringLiteral("x.") + ext);
        for (const QMimeType& t : found)
            if (t.isValid() && !t.name().isEmpty() && !types.contains(t.name())) types << t.name();
    }
    types << QStringLiteral("inode/directory");

    const QString path = ShellEntryPath(appsDir);
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
    QString text;
    text += QStringLiteral("[Desktop Entry]\n");
    text += QStringLiteral("Type=Application\n");
    text += QStringLiteral("Name=") + DesktopEscape(openWithText) + QLatin1Char('\n');
    text += QStringLiteral("Exec=") + ExecQuote(exePath) + QStringLiteral(" %f\n");
    text += QStringLiteral("MimeType=") + types.join(QLatin1Char(';')) + QStringLiteral(";\n");
    text += QStringLiteral("Icon=org.orvane.Sonvale\n");
    text += QStringLiteral("NoDisplay=true\n");
    text += QStringLiteral("Terminal=false\n");
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    f.write(text.toUtf8());
    return f.commit();
}

bool UnregisterShellEntries(const QString& appsDir) {
    const QString path = ShellEntryPath(appsDir);
    if (!QFileInfo::exists(path)) return true;
    return QFile::remove(path);
}

QString DataFolder() {
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QString installed = QDir(exeDir).filePath(QStringLiteral("../share/sonvale"));
    if (!exeDir.isEmpty() && QFileInfo(installed).isDir()) return QDir(installed).absolutePath();
    return exeDir;
}

QString OutputFolder() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (dir.isEmpty()) dir = QDir::homePath() + QStringLiteral("/.local/share/sonvale");
    QDir().mkpath(dir);
    return dir;
}

QStringList SplitCommandLine(const QString& commandLine, TQuoteEscape escape) {
    QStringList args;
    QString cur;
    bool inQuotes = false, have = false;
    for (qsizetype i = 0; i < commandLine.size(); ++i) {
        const QChar c = commandLine.at(i);
        if (escape == TQuoteEscape::Backslash && inQuotes && c == QLatin1Char('\\') &&
            i + 1 < commandLine.size()) {
            cur += commandLine.at(++i);
        } else if (c == QLatin1Char('"')) {
            if (escape == TQuoteEscape::Doubled && inQuotes && i + 1 < commandLine.size() &&
                commandLine.at(i + 1) == QLatin1Char('"')) {
                cur += c;
                ++i;
            } else {
                inQuotes = !inQuotes;
            }
            have = true;
        } else if (!inQuotes && c.isSpace()) {
            if (have) args << cur;
            cur.clear();
            have = false;
        } else {
            cur += c;
            have = true;
        }
    }
    if (have) args << cur;
    return args;
}

QStringList PlayerArguments(const QString& commandLine, const QString& path) {
    QStringList args = SplitCommandLine(commandLine);
    for (QString& a : args) {
        const qsizetype at = a.indexOf(QStringLiteral("%1"));
        if (at >= 0) {
            a.replace(at, 2, path);
            return args.first().isEmpty() ? QStringList() : args;
        }
    }
    return {};
}

bool RunPlayer(const QString& commandLine, const QString& path) {
    QStringList args = PlayerArguments(commandLine, path);
    if (args.isEmpty()) return false;
    const QString program = args.takeFirst();
    return QProcess::startDetached(program, args);
}

QString RecommendedPlayerProgram() {
    const QVariant stored = OpenSettings()->value(QStringLiteral("lkp"));
    if (stored.typeId() == QMetaType::QStringList || stored.typeId() == QMetaType::QVariantList)
        return QString();
    const QString where = stored.toString();
    if (where.isEmpty()) return QString();
    const QFileInfo given(where);
    if (given.isFile()) return given.absoluteFilePath();
    if (!given.isDir()) return QString();
    for (const char* name : {"lkp", "lkp.exe"}) {
        const QFileInfo candidate(QDir(where).filePath(QString::fromLatin1(name)));
        if (candidate.isFile()) return candidate.absoluteFilePath();
    }
    return QString();
}

QStringList ReadServerList(const QString& fileName) {
    QStringList list;
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) return list;
    // Bounded: a server list is a few lines, never megabytes.
    const QByteArray data = f.read(1 << 20);
    for (const QByteArray& line : data.split('\n')) {
        const QString host = QString::fromUtf8(line).trimmed();
        if (!host.isEmpty()) list << host;
    }
    return list;
}

QString GetFileVersionText(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) return QStringLiteral("File not found");
    const QString self = QCoreApplication::applicationFilePath();
    if (!self.isEmpty() && QFileInfo(self).canonicalFilePath() == info.canonicalFilePath()) {
        QStringList parts = QStringLiteral(SONVALE_VERSION).split(QLatin1Char('.'));
        while (parts.size() < 4)
            parts << QStringLiteral("0");
        return parts.mid(0, 4).join(QLatin1Char('.'));
    }
    return QStringLiteral("Unable to retrieve file version info");
}

} // namespace platform
