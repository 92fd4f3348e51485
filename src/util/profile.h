// The settings directory and the private-profile (INI) read and write that
// the language module and the settings module share.
//
// Section and key names match without regard to case. Lines end in CR LF
// when written; LF or CR LF are read. A write replaces the entry in place, or
// appends it to the end of its section, or appends a new section; every other
// line stays as it was. Every write is atomic: the file on disk is always the
// old or the new one, never a torn mix (a technician's laptop can lose power
// while the program saves).
#ifndef PXRQ60_UTIL_PROFILE_H
#define PXRQ60_UTIL_PROFILE_H

#include <QString>

// The machine-wide settings directory: $PXRQ60_SETTINGS_DIR when set, else
// /var/lib/pxrq60. No trailing slash.
QString settingsDirectory();
// settingsDirectory() + "/" + fileName when fileName is bare; an absolute
// path is kept.
QString settingsFilePath(const QString &fileName);

// Reads `key` of `section` from `fileName` (bare names live in the settings
// directory). The default when the file, the section or the key is missing;
// the empty text when the key is present and empty. `ok` (optional) is false
// only when the file exists but cannot be read.
QString GetPrivateProfileString(const QString &section, const QString &key,
                                const QString &defaultValue, const QString &fileName,
                                bool *ok = nullptr);

// Writes `key`=`value` into `section` of `fileName`, creating the file and
// the section when missing. Returns false when the file cannot be read or
// written.
bool WritePrivateProfileString(const QString &section, const QString &key, const QString &value,
                               const QString &fileName);

// The whole file; a missing file reads as empty. False when it exists but
// cannot be read.
bool readWholeFile(const QString &path, QByteArray *bytes);
// Replaces the file with `bytes` through QSaveFile: it is always the old or
// the new one. False when it cannot be written.
bool replaceFileAtomically(const QString &path, const QByteArray &bytes);

// The same rules on texts, for the writer and for tests.
QString profileLookup(const QString &content, const QString &section, const QString &key,
                      const QString &defaultValue);
QString profileReplace(const QString &content, const QString &section, const QString &key,
                       const QString &value);

#endif
