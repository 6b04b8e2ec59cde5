#include "tools/MagicFolder.h"

#include "audio/FileTags.h"
#include "io/FileUtils.h"
#include "io/SonvaleError.h"
#include "lang/TextStorage.h"
#include "platform/Platform.h"
#include "tags/FieldList.h"
#include "tools/BatchReport.h"
#include "tools/Patterns.h"
#include "tools/Progress.h"
#include "tools/Prompter.h"
#include "tools/SafeNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>

namespace {

bool ByText(const TMagicNode& a, const TMagicNode& b) {
    const int c = a.Text.compare(b.Text, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a.Text < b.Text;
}

void SortNode(TMagicNode& node) {
    std::sort(node.Children.begin(), node.Children.end(), ByText);
    node.FolderIndex.clear();
    for (int i = 0; i < int(node.Children.size()); ++i) {
        TMagicNode& child = node.Children[size_t(i)];
        if (!child.Folder) continue;
        node.FolderIndex.insert(child.Text, i);
        SortNode(child);
    }
}

void PlanNode(const TMagicNode& node, const QString& folder, QList<TMagicLink>& links) {
    QSet<QString> used;
    for (const TMagicNode& child : node.Children)
        if (child.Folder) used.insert(child.Text);
    for (const TMagicNode& child : node.Children) {
        if (child.Folder) {
            PlanNode(child, folder + kPathDelim + child.Text, links);
            continue;
        }
        const QString name = WideExtractFileName(child.Text);
        QString free = name;
        for (int n = 2; used.contains(free); ++n)
            free = WideExtractFileBase(name) + QStringLiteral(" (%1)").arg(n) +
                   WideExtractFileExt(name);
        used.insert(free);
        links.append({folder + kPathDelim + free, child.Text, false, QString()});
    }
}

bool Occupied(const QString& path) {
    const QFileInfo there(path);
    return there.exists() || there.isSymLink();
}

// Makes the link, taking the next " (n)" name while a name is taken by something that
// stayed in the folder (a user's own file).
bool MakeLink(TMagicLink& link) {
    const QString folder = WideExtractFileDir(link.Link);
    const QString name = WideExtractFileName(link.Link);
    QString path = link.Link;
    for (int n = 2; n < 1000; ++n) {
        QFile target(link.Target);
        if (target.link(path)) {
            link.Link = path;
            return true;
        }
        if (!Occupied(path)) {
            link.Reason = target.errorString();
            return false;
        }
        path = folder + kPathDelim + WideExtractFileBase(name) + QStringLiteral(" (%1)").arg(n) +
               WideExtractFileExt(name);
    }
    link.Reason = Tr("every name is taken");
    return false;
}

// The desktop's link to the folder; an older link of that name is ours to replace,
// anything else there is the user's.
bool LinkFromDesktop(TMagicLink& link) {
    const QFileInfo there(link.Link);
    if (there.isSymLink()) {
        if (there.symLinkTarget() == link.Target) return true;
        if (!QFile::remove(link.Link)) {
            link.Reason = Tr("the old link could not be removed");
            return false;
        }
    } else if (there.exists()) {
        link.Reason = Tr("a file of that name is in the way");
        return false;
    }
    QFile target(link.Target);
    if (target.link(link.Link)) return true;
    link.Reason = target.errorString();
    return false;
}

QString FailureText(const QList<TMagicLink>& failures) {
    QStringList lines;
    for (const TMagicLink& l : failures)
        lines << l.Link + QStringLiteral(": ") + l.Reason;
    return FailureListText(Tr("%1 links could not be made:").arg(failures.size()), lines);
}

} // namespace

void TMagicTree::AddSongToTree(const QString& folderPath, const QString& audioPath) {
    TMagicNode* parent = &FRoot;
    for (const QString& part : folderPath.split(QLatin1Char('\\'), Qt::SkipEmptyParts)) {
        auto found = parent->FolderIndex.constFind(part);
        int index;
        if (found != parent->FolderIndex.constEnd()) {
            index = found.value();
        } else {
            index = int(parent->Children.size());
            parent->Children.push_back(TMagicNode{part, true, {}, {}});
            parent->FolderIndex.insert(part, index);
        }
        parent = &parent->Children[size_t(index)];
    }
    parent->Children.push_back(TMagicNode{audioPath, false, {}, {}});
    ++Count;
}

void TMagicTree::Sort() {
    SortNode(FRoot);
}

void TMagicTree::Clear() {
    FRoot = TMagicNode();
    Count = 0;
}

bool MagicFolderPaths(const QString& artist, const QString& album, QStringList& paths,
                      QString* why) {
    paths.clear();
    const QString a = SanitizeFileName(artist).trimmed();
    const QString b = SanitizeFileName(album).trimmed();
    if (a.isEmpty() || b.isEmpty()) {
        if (why) *why = a.isEmpty() ? Tr("no artist") : Tr("no album");
        return false;
    }
    const QChar sep = QLatin1Char('\\');
    for (QString path :
         {kByArtistAndAlbum + sep + a + sep + b, kByAlbum + sep + b, kByArtist + sep + a}) {
        if (path.endsWith(QLatin1Char('.'))) path.chop(1);
        QStringList parts;
        // Clean parts; a tag that names "." or ".." must not lead out of its branch.
        if (!SafeFolderParts(SanitizeFileName(path, QString(sep)), parts, why)) return false;
        paths.append(parts.join(sep));
    }
    return true;
}

TMagicBuildResult BuildMagicTree(const TMagicBuildOptions& options, TMagicTree& tree,
                                 TProgress& progress, TPrompter& prompter) {
    TMagicBuildResult result;
    tree.Clear();
    const QStringList paths = options.Paths;
    if (paths.isEmpty()) return result;
    result.Ran = true;
    progress.SetRange(int(paths.size()) - 1);
    progress.SetPosition(0);
    for (int i = 0; i < paths.size(); ++i) {
        progress.SetPosition(i);
        TMagicSong song{paths[i], false, QString()};
        // Links point at absolute paths, or they would resolve against the link's folder.
        const QString audio =
            QDir::isRelativePath(song.Path) ? QFileInfo(song.Path).absoluteFilePath() : song.Path;
        QStringList unified;
        if (!WideFileExists(audio)) {
            song.Reason = Tr("No such file");
        } else {
            try {
                if (!ReadFileTags(audio, unified)) song.Reason = Tr("Unknown audio format");
            } catch (const ESonvaleError& e) {
                if (!options.KeepGoing) throw;
                song.Reason = e.Message;
            } catch (const std::exception& e) {
                if (!options.KeepGoing) throw;
                song.Reason = QString::fromLocal8Bit(e.what());
            }
        }
        QStringList folders;
        if (song.Reason.isEmpty() &&
            MagicFolderPaths(FieldValue(unified, QStringLiteral("artist")),
                             FieldValue(unified, QStringLiteral("album")), folders, &song.Reason)) {
            for (const QString& folder : folders)
                tree.AddSongToTree(folder, audio);
            song.Added = true;
            ++result.Added;
        } else {
            result.IncompleteTags.append(song.Path);
        }
        if (options.SongDone) options.SongDone(song);
    }
    if (!result.IncompleteTags.isEmpty())
        result.LoadIntoEditor =
            prompter.AskQuestion(Tr("Files with incomplete tags were found. Do you "
                                    "want to cancel the current operation and load "
                                    "these files in the tag editor ?"));
    return result;
}

QList<TMagicLink> PlanMagicLinks(const TMagicTree& tree, const QString& base) {
    QList<TMagicLink> links;
    links.reserve(tree.Count);
    for (const TMagicNode& top : tree.Roots())
        if (top.Folder) PlanNode(top, base + kPathDelim + top.Text, links);
    return links;
}

QString DefaultMagicFolder() {
    return platform::OutputFolder() + QStringLiteral("/MagicFolder");
}

QString DesktopFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

bool IsMagicFolder(const QString& folder) {
    const QFileInfo info(folder);
    if (!info.exists()) return !info.isSymLink();
    if (!info.isDir()) return false;
    const QDir dir(folder);
    if (dir.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
        return true;
    for (const QString& branch : {kByArtistAndAlbum, kByAlbum, kByArtist}) {
        const QFileInfo b(dir.filePath(branch));
        if (b.isDir() && !b.isSymLink()) return true;
    }
    return false;
}

bool ClearMagicFolder(const QString& folder) {
    bool ok = true;
    QDir dir(folder);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QFileInfo& entry : entries) {
        // A link is removed itself, never what it points to.
        if (entry.isSymLink()) {
            if (!QFile::remove(entry.filePath())) ok = false;
        } else if (entry.isDir()) {
            if (!ClearMagicFolder(entry.filePath())) ok = false;
            // A folder that still holds the user's files stays.
            if (!dir.rmdir(entry.fileName()) &&
                QDir(entry.filePath())
                    .isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
                ok = false;
        }
    }
    return ok;
}

TMagicCreateResult CreateMagicFolder(const TMagicTree& tree, const TMagicCreateOptions& options,
                                     TProgress& progress, TPrompter& prompter) {
    TMagicCreateResult result;
    const QString base = WideExcludeTrailingBackslash(options.BaseFolder);
    if (base.isEmpty() || !IsMagicFolder(base)) {
        prompter.ShowMessageBox(Tr("%1 holds files that are not a magic folder's; "
                                   "choose an empty folder.")
                                    .arg(base),
                                mbOk, mkError);
        return result;
    }
    result.Ran = true;
    progress.SetRange(tree.Count);
    progress.SetPosition(0);
    QList<TMagicLink> links = PlanMagicLinks(tree, base);
    if (!options.DryRun) {
        ClearMagicFolder(base);
        QDir().mkpath(base);
    }
    QSet<QString> folders; // made or found this run
    int done = 0;
    auto tell = [&](TMagicLink& link) {
        if (link.Made)
            ++result.Made;
        else
            result.Failures.append(link);
        if (options.LinkDone) options.LinkDone(link);
    };
    for (TMagicLink& link : links) {
        const QString folder = WideExtractFileDir(link.Link);
        if (options.DryRun) {
            link.Made = true;
        } else if (!folders.contains(folder) && !QDir().mkpath(folder)) {
            link.Reason = Tr("the folder could not be created");
        } else {
            folders.insert(folder);
            link.Made = MakeLink(link);
        }
        tell(link);
        progress.SetPosition(++done);
    }
    if (!options.DesktopFolder.isEmpty() && WideDirectoryExists(options.DesktopFolder)) {
        TMagicLink desktop{options.DesktopFolder + kPathDelim + kDesktopLinkName, base, false,
                           QString()};
        desktop.Made = options.DryRun || LinkFromDesktop(desktop);
        tell(desktop);
    }
    if (result.Failures.isEmpty())
        prompter.ShowPlainMessage(Tr("Magic Folder successfully updated."));
    else
        prompter.ShowMessageBox(FailureText(result.Failures), mbOk, mkWarning);
    return result;
}
