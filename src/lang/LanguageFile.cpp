#include "lang/LanguageFile.h"

#include "io/SonvaleError.h"
#include "lang/Storefile.h"

#include <QFileInfo>
#include <QRegularExpression>

QString UnsupportedRevisionText() {
    return QStringLiteral("Format not supported in this revision");
}

bool ReadLanguageHeader(TStorefile& file, TLanguageHeader& h) {
    file.First();
    if (file.Count() < 6) return false;
    const QByteArray first = file.ReadBytes(true);
    QByteArray padded = first.leftJustified(4, '\0', true);
    h.LanguageId = uint16_t(uint8_t(padded[0]) | uint8_t(padded[1]) << 8);
    h.Revision = first.size() == 2 ? 0 : int(uint8_t(padded[2]) | uint8_t(padded[3]) << 8);
    if (h.Revision > kLanguageRevision) throw ESonvaleError(UnsupportedRevisionText());
    h.FirstText = file.ReadString(true);
    h.SecondText = file.ReadString(true);
    h.ThirdText = file.ReadString(true);
    h.Info = file.ReadString(true);
    h.Flag = file.ReadBytes(true);
    h.MinFontSize = kDefaultMinFontSize;
    if (h.Revision == 0) return true;
    const int needed = 6 + 4 + (h.Revision >= 2 ? 3 : 0) + (h.Revision == 4 ? 1 : 0);
    if (file.Count() < needed) return false;
    h.Version = file.ReadInt(true);
    if (h.Revision >= 2) {
        h.Number = file.ReadInt(true);
        h.String517 = file.ReadString(true);
        h.String518 = file.ReadString(true);
    }
    h.InputMethod = file.ReadString(true);
    h.FontName = file.ReadString(true);
    h.CharSet = file.ReadInt(true) & 0xFF;
    if (h.Revision == 4) h.MinFontSize = file.ReadInt(true);
    return true;
}

namespace {

// The texts that follow the path record of a revision 0 entry, by its kind.
bool ReadKindTexts(TStorefile& file, TLanguageEntry& e) {
    const uint32_t kind = e.PathTag;
    const bool captionAndHint = (kind >= 6 && kind <= 11) || kind == 13;
    const bool items = kind == 11 || kind == 12;
    if (!captionAndHint && !items) return false;
    if (file.Index() + int(captionAndHint) * 2 + int(items) > file.Count()) return false;
    if (captionAndHint) {
        e.Caption.Text = file.ReadString(true, &e.Caption.Flags);
        e.Hint.Text = file.ReadString(true, &e.Hint.Flags);
    }
    if (items) e.Items.Text = file.ReadString(true, &e.Items.Flags);
    return true;
}

} // namespace

bool ReadLanguageFile(const QString& fileName, TLanguageFile& out) {
    out = TLanguageFile();
    if (!QFileInfo(fileName).isFile()) return false;
    TStorefile file(fileName);
    file.ReadOnlyRequest = true;
    if (!file.Open() || file.Count() <= 5) return false;
    TLanguageHeader& h = out.Header;
    if (!ReadLanguageHeader(file, h)) return false;
    const int fixed = h.Revision >= 3 ? 5 : 4;
    while (!file.Eof()) {
        TLanguageEntry e;
        e.Path = file.ReadString(true, &e.PathTag);
        if (h.Revision == 0) {
            if (!ReadKindTexts(file, e)) break;
        } else {
            // An entry cut short by the end of the records is left out.
            if (file.Index() + fixed - 1 > file.Count()) break;
            if (h.Revision >= 3) e.Alignment = file.ReadInt(true);
            e.Caption.Text = file.ReadString(true, &e.Caption.Flags);
            e.Hint.Text = file.ReadString(true, &e.Hint.Flags);
            e.Items.Text = file.ReadString(true, &e.Items.Flags);
        }
        out.Entries.append(e);
    }
    return true;
}

void WriteLanguageFile(const QString& fileName, const TLanguageFile& f) {
    TStorefile file(fileName);
    if (!file.Open() || file.ReadOnly())
        throw ESonvaleError(QStringLiteral("Cannot write %1").arg(fileName));
    file.Clear();
    const TLanguageHeader& h = f.Header;
    file.AppendInt(kTagLanguage, uint32_t(kLanguageRevision) << 16 | h.LanguageId);
    file.AppendString(kTagFirstText, h.FirstText);
    file.AppendString(kTagSecondText, h.SecondText);
    file.AppendString(kTagThirdText, h.ThirdText);
    file.AppendString(kTagInfo, h.Info);
    file.AppendRecord(kTagFlag, h.Flag);
    file.AppendInt(kTagVersion, h.Version);
    file.AppendInt(kTagNumber, h.Number);
    file.AppendString(kTagString517, h.String517);
    file.AppendString(kTagString518, h.String518);
    file.AppendString(kTagInputMethod, h.InputMethod);
    file.AppendString(kTagFontName, h.FontName);
    file.AppendInt(kTagCharSet, h.CharSet);
    file.AppendInt(kTagNumber, h.MinFontSize);
    for (const TLanguageEntry& e : f.Entries) {
        file.AppendString(e.PathTag, e.Path);
        file.AppendInt(kTagAlignment, e.Alignment);
        file.AppendString(e.Caption.Flags, e.Caption.Text);
        file.AppendString(e.Hint.Flags, e.Hint.Text);
        file.AppendString(e.Items.Flags, e.Items.Text);
    }
    file.Close();
}

uint32_t PackVersion(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('.'));
    const uint32_t major = parts.value(0).toUInt(), minor = parts.value(1).toUInt(),
                   release = parts.value(2).toUInt(), build = parts.value(3).toUInt();
    return (major & 0xFF) << 24 | (minor & 0xFF) << 16 | (release & 0x3F) << 10 | (build & 0x3FF);
}

QString VersionText(uint32_t v) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(v >> 24)
        .arg(v >> 16 & 0xFF)
        .arg(v >> 10 & 0x3F)
        .arg(v & 0x3FF);
}

QString JoinItemLines(const QStringList& lines) {
    QString text;
    for (const QString& line : lines)
        text += line + QStringLiteral("\r\n");
    return text;
}

QStringList SplitItemLines(const QString& text) {
    if (text.isEmpty()) return {};
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = text.split(lineEnd);
    // A line end closes the last line instead of starting another.
    if (lines.last().isEmpty()) lines.removeLast();
    return lines;
}
