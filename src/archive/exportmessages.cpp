#include "exportmessages.h"

#include "fileproblemtext.h"
#include "langsupp.h"

namespace {

ExportMessage message(uint16_t id, const QList<LangArg> &args)
{
    ExportMessage m;
    m.textId = id;
    for (const LangArg &a : args)
        m.args << a.display();
    m.text = langFormat(langText(id), args);
    return m;
}

// "die TEMP-Datei", or which of the pair.
QString fileText(int fileIndex, int fileCount)
{
    if (fileCount < 2)
        return langText(1419);
    return langText(fileIndex == 0 ? 1420 : 1421);
}

// That nothing stays: one file, or both of the pair.
QString nothingKept(int fileCount)
{
    return langText(fileCount < 2 ? 1422 : 1423);
}

// A value by its address, or a record field by record kind and command.
QString valueName(const ExportValueError &e)
{
    if (!e.address.isEmpty())
        return e.address;
    return langFormatId(1413, {e.recordKind, QString(e.command)});
}

} // namespace

ExportMessage exportRefusalMessage(const ExportValueError &e, int fileCount)
{
    const QString rest = nothingKept(fileCount);
    switch (e.kind) {
    case ExportValueError::NotPositive: return message(1427, {valueName(e), e.text, rest});
    case ExportValueError::NotAFactor: return message(1428, {valueName(e), e.text, rest});
    case ExportValueError::ReadFailed:
        return message(1424, {e.addresses.join(QStringLiteral(", ")), rest});
    case ExportValueError::RecordNotFromReadout: return message(1425, {e.recordKind, rest});
    case ExportValueError::RecordIncomplete:
        return message(1426, {e.recordKind, e.blocksRead, e.blocksAnnounced, rest});
    }
    return ExportMessage();
}

ExportMessage exportWriteMessage(const ExportWriteResult &r, int fileCount, int startNumber,
                                 const QString &menu, const QString &item)
{
    const QString file = fileText(r.fileIndex, fileCount);
    const QString rest = nothingKept(fileCount);
    switch (r.step) {
    case ExportWriteResult::Done: return ExportMessage();
    case ExportWriteResult::Create:
        return message(1415, {r.folder, file, r.reason, rest, menu, item});
    case ExportWriteResult::Write:
    case ExportWriteResult::Flush: return message(1416, {r.folder, file, r.reason, rest});
    case ExportWriteResult::Name: return message(1417, {r.folder, file, r.reason, rest});
    case ExportWriteResult::Number: return message(1418, {r.folder, startNumber, rest});
    }
    return ExportMessage();
}

ExportMessage exportFolderMessage(const QString &folder, const FileProblem &problem)
{
    return message(1429, {folder, fileProblemText(problem)});
}

void showExportMessage(const ExportMessage &m)
{
    LangErrorBox(m.text, m.args, m.textId);
}
