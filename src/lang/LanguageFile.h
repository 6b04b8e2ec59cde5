#pragma once
// The records of a language file as data: the header (records 1 to 14) and one entry per
// translated component. Applying them to the running program is TLanguageRecord's work.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

class TStorefile;

// Tags of the header records and of a component entry's fixed records.
enum : uint32_t {
    kTagLanguage = 0,
    kTagFirstText = 1,
    kTagSecondText = 2,
    kTagThirdText = 3,
    kTagInfo = 4,
    kTagFlag = 5,
    kTagVersion = 512,
    kTagInputMethod = 513,
    kTagFontName = 514,
    kTagCharSet = 515,
    kTagNumber = 516, // record 8, and the minimum font size (record 14)
    kTagString517 = 517,
    kTagString518 = 518,
    kTagPathBase = 528, // + the number of translatable properties
    kTagAlignment = 768,
};

// Flags of a text record: what it holds, and whether it is translated.
enum : uint32_t {
    kTextCaption = 1,
    kTextHint = 2,
    kTextItems = 3,
    kTextHintShown = 0x10,
    kTextTranslated = 0x20,
};

inline constexpr int kLanguageRevision = 4;
inline constexpr uint32_t kDefaultMinFontSize = 9;

struct TLanguageHeader {
    uint16_t LanguageId = 0;
    int Revision = kLanguageRevision;
    QString FirstText, SecondText, ThirdText, Info;
    QByteArray Flag; // a bitmap file image
    uint32_t Version = 0;
    uint32_t Number = 0;
    QString String517, String518;
    QString InputMethod, FontName;
    uint32_t CharSet = 1; // kept for the file; Qt fonts have no character set
    uint32_t MinFontSize = kDefaultMinFontSize;
};

// A caption, hint or item-lines record.
struct TLanguageText {
    uint32_t Flags = 0;
    QString Text;
    // Revisions 1 to 4 apply only translated records.
    bool Translated() const { return (Flags & kTextTranslated) != 0; }
};

struct TLanguageEntry {
    QString Path;
    // kTagPathBase + the number of translatable properties; in revision 0 the kind (6 to 13).
    uint32_t PathTag = kTagPathBase;
    uint32_t Alignment = 0; // 1 right and top, 2 left and centred vertically
    TLanguageText Caption, Hint, Items;
};

struct TLanguageFile {
    TLanguageHeader Header;
    QList<TLanguageEntry> Entries;
};

// "Format not supported in this revision".
QString UnsupportedRevisionText();

// Reads the header records of an open file from its first record on. False when the file
// ends before them; raises UnsupportedRevisionText() for a revision above 4.
bool ReadLanguageHeader(TStorefile& file, TLanguageHeader& header);
// The whole file. False for a missing file, another signature, 5 records or fewer or a
// header cut short; the entries end where the records end. Raises for a revision above 4.
bool ReadLanguageFile(const QString& fileName, TLanguageFile& out);
// Replaces `fileName` by `file` as revision 4; raises ESonvaleError when it cannot be
// written.
void WriteLanguageFile(const QString& fileName, const TLanguageFile& file);

// The program version as the file stores it (major 31..24, minor 23..16, release 15..10,
// build 9..0) and as "major.minor.release.build".
uint32_t PackVersion(const QString& text);
QString VersionText(uint32_t version);

// Item lines as one record: each line followed by CR LF.
QString JoinItemLines(const QStringList& lines);
QStringList SplitItemLines(const QString& text);
