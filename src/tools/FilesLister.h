#pragma once
// The files lister: one line per audio file with the chosen columns, as raw text, CSV,
// quoted values for SQL import or XML.

#include "tools/BatchReport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class TProgress;
class TPrompter;
class TStreamWriter;

enum class TListLayout { Raw, Csv, Sql, Xml };

// The seven columns in their fixed order; a bit set of (1 << column).
enum TListColumn {
    lcFullName,
    lcFileName,
    lcFormat,
    lcSize,
    lcBitrate,
    lcSampleRate,
    lcDuration,
    kListColumnCount
};
// The XML element of each column ("fullname", "filename", ...).
QString ListColumnElement(int column);

struct TListerOptions {
    QStringList Paths; // in listing order
    QString OutputFolder;
    TListLayout Layout = TListLayout::Raw;
    int Columns = 0;        // bit set of TListColumn
    bool Kbps = false;      // "128 Kbps" rather than "128000"
    bool ColonTime = false; // "00:00" rather than "00 Mins 00 Secs"
    TFileDone FileDone;     // each file, ok = listed
};

struct TListerResult {
    bool Ran = false; // the checks passed and the listing was built
    bool Written = false;
    int Listed = 0;
    int Skipped = 0; // missing, unknown or unreadable files
    QString Target;
};

// "sonvale.txt" (raw and SQL), "sonvale.csv" or "sonvale.xml".
QString ListerFileName(TListLayout layout);

// One value per ticked column, in column order, as one line of the layout (without its
// line end). CSV and SQL quote a value that holds ";", a double quote or a line break;
// XML escapes its values.
QString FormatListLine(TListLayout layout, const QList<QPair<int, QString>>& values);

// "3min 5sec" or "03:05" for a duration in days (the facade's unit), rounded to whole
// seconds first (halves to even).
QString FormatListDuration(double days, bool colon);

// The whole listing text; files that cannot be opened are skipped. Progress 0 to 100.
QByteArray BuildListing(const TListerOptions& options, TProgress& progress, TListerResult& result);

// "Go": the three checks ("Invalid output directory", "Nothing to list", "No datafield
// selected."), the listing, the writer, "Done !" or "Failed.".
TListerResult RunFilesLister(const TListerOptions& options, TProgress& progress,
                             TStreamWriter& writer, TPrompter& prompter);
