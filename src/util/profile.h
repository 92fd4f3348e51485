// The settings directory and the private-profile (INI) read and write that
// the language module and the settings module share.
//
// Section and key names match without regard to case. CR LF, LF and a lone
// CR all end a line (files come from Windows, from Linux editors and from
// old Macintosh tools). A write replaces the entry in place, or appends it
// to the end of its section, or appends a new section; every other line
// keeps its bytes exactly, line end included. The file is read as UTF-8
// when its bytes are valid UTF-8, else as Windows-1252 (an older 8-bit
// install wrote it), and changed lines are written back in the encoding
// read. Every write is atomic and holds a lock beside the file for its
// read-modify-write (sharedfile.h), so two programs writing at once each
// keep their change.
#ifndef PXRQ60_UTIL_PROFILE_H
#define PXRQ60_UTIL_PROFILE_H

#include "sharedfile.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QVector>

// The machine-wide settings directory: $PXRQ60_SETTINGS_DIR when set, else
// /var/lib/pxrq60. No trailing slash.
QString settingsDirectory();
// settingsDirectory() + "/" + fileName when fileName is bare; an absolute
// path is kept.
QString settingsFilePath(const QString &fileName);

// The largest settings file read or written; a real one has about 500
// bytes, so anything larger is not a settings file.
constexpr qint64 MaxProfileBytes = 64 * 1024;

// A settings file's content: its lines with their original bytes, parsed
// once, looked up by section and key.
class ProfileText
{
public:
    enum class Encoding { Utf8, Windows1252 };

    // An empty file; what it gets is written as UTF-8.
    ProfileText() = default;
    static ProfileText fromBytes(const QByteArray &bytes);

    // The value of `key` in `section` (blanks around it removed); the
    // default when the section or key is missing, the empty text when the
    // key is present and empty. A section may appear more than once; its
    // first entry of the key counts.
    QString value(const QString &section, const QString &key, const QString &defaultValue) const;
    // Sets `key`=`value`: the entry that value() finds is replaced, else
    // the entry is appended to the section's first appearance, else a new
    // section is appended. Refuses (BadValue) a value, key or section with
    // CR, LF or NUL, which would add lines of its own, and (Unencodable) a
    // character a Windows-1252 file cannot hold.
    bool set(const QString &section, const QString &key, const QString &value,
             FileProblem *error = nullptr);

    QByteArray toBytes() const;
    Encoding encoding() const { return m_encoding; }
    int lineCount() const { return m_lines.size(); }

private:
    struct Line {
        QByteArray bytes; // without the line end
        QByteArray end;   // "\r\n", "\n", "\r" or empty (last line)
        QString text;     // decoded
    };
    struct Section {
        int header = -1; // line of the first "[name]"
        int last = -1;   // last non-blank line of that first appearance
        QHash<QString, int> keys;
    };
    void buildIndex();
    QByteArray encode(const QString &text, bool *ok) const;
    QByteArray lineEnd() const;

    QVector<Line> m_lines;
    Encoding m_encoding = Encoding::Utf8;
    QHash<QString, Section> m_sections;
};

// Reads and parses the settings file `fileName` (bare names live in the
// settings directory) once. A missing file is an empty text with `exists`
// false; a file that is not a plain file, too large or unreadable gives
// false and the reason.
bool readProfile(const QString &fileName, ProfileText *text, bool *exists, FileProblem *error);

// Reads `key` of `section` from `fileName`. The default when the file, the
// section or the key is missing; the empty text when the key is present
// and empty. `ok` (optional) is false only when something is at the path
// that cannot be read as a settings file.
QString GetPrivateProfileString(const QString &section, const QString &key,
                                const QString &defaultValue, const QString &fileName,
                                bool *ok = nullptr);

// Writes `key`=`value` into `section` of `fileName`, creating the file and
// the section when missing. False, with the reason in `error`, when the
// value is refused or the file cannot be read or written.
bool WritePrivateProfileString(const QString &section, const QString &key, const QString &value,
                               const QString &fileName, FileProblem *error = nullptr);
// Several keys of one section in one locked read-modify-write: all of them
// are written, or none.
using ProfileEntries = QList<QPair<QString, QString>>;
bool WritePrivateProfileStrings(const QString &section, const ProfileEntries &entries,
                                const QString &fileName, FileProblem *error = nullptr);

// The same rules on UTF-8 texts.
QString profileLookup(const QString &content, const QString &section, const QString &key,
                      const QString &defaultValue);
QString profileReplace(const QString &content, const QString &section, const QString &key,
                       const QString &value);

#endif
