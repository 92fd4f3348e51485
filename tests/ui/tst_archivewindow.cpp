// The archive page against a simulated device through the real drivers:
// the listing of both generations, the TEMP files byte for byte, the
// number search, every failure message of the export, the menu command
// that reads and exports, and printing the window.
#include "archivefixture.h"
#include "commclass.h"
#include "devicevalues.h"
#include "dsmodul.h"
#include "inisettings.h"
#include "langsupp.h"
#include "meldung.h"
#include "printing.h"
#include "ptyserver.h"
#include "rq60main.h"
#include "testsupport.h"
#include "ui_rq60main.h"
#include "windowui.h"

#include <QAction>
#include <QDir>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <memory>
#include <sys/stat.h>

namespace {

// The values the device is given before each test, and the forms it
// answers them in (the counters as eight digits, a point and four).
const char *const DeviceSettings[] = {
    "freeze on",
    "set H2 401876.5432",
    "set H4 1234.5678",
    "set H8 00398765.4321",
};

QStringList fileLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {QStringLiteral("<no file %1>").arg(path)};
    const QByteArray bytes = f.readAll();
    if (!bytes.endsWith("\r\n"))
        return {QStringLiteral("<no CR LF at the end>")};
    QStringList lines = QString::fromLatin1(bytes).split(QStringLiteral("\r\n"));
    lines.removeLast();
    // A lone LF or CR inside would be a broken line end.
    for (const QString &l : lines)
        if (l.contains(QLatin1Char('\n')) || l.contains(QLatin1Char('\r')))
            return {QStringLiteral("<bare line end in: %1>").arg(l)};
    return lines;
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// Line 1: date, time, device number, date, three blanks, time.
void checkFirstLine(const QString &line, const QString &deviceNumber)
{
    static const QRegularExpression form(
        QStringLiteral("^(\\d\\d\\.\\d\\d\\.\\d\\d),(\\d\\d:\\d\\d:\\d\\d),(.*),"
                       "(\\d\\d\\.\\d\\d\\.\\d\\d)   (\\d\\d:\\d\\d:\\d\\d)$"));
    const QRegularExpressionMatch m = form.match(line);
    QVERIFY2(m.hasMatch(), qPrintable(line));
    QCOMPARE(m.captured(1), QDate::currentDate().toString(QStringLiteral("dd.MM.yy")));
    QCOMPARE(m.captured(3), deviceNumber);
    QCOMPARE(m.captured(4), m.captured(1));
}

// The page's drawing operations: the one stream that is no image,
// inflated.
QString pageContent(const QByteArray &pdf)
{
    static const QRegularExpression stream(QStringLiteral("<<([^<>]*)>>\\s*stream\\r?\\n"));
    QRegularExpressionMatchIterator it = stream.globalMatch(QString::fromLatin1(pdf));
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(1).contains(QLatin1String("/Image")) ||
            !m.captured(1).contains(QLatin1String("FlateDecode")))
            continue;
        const qsizetype start = m.capturedEnd();
        const QByteArray data = pdf.mid(start, pdf.indexOf("endstream", start) - start);
        // qUncompress wants the size ahead of the zlib stream; a guess does,
        // it grows the buffer as needed.
        const QByteArray text = qUncompress(QByteArray("\x00\x01\x00\x00", 4) + data);
        if (text.contains(" Do"))
            return QString::fromLatin1(text);
    }
    return QString();
}

QString cell(QTableWidget *grid, int row, int column)
{
    QTableWidgetItem *item = grid->item(row, column);
    return item ? item->text() : QStringLiteral("<no item>");
}

// Answers the next modal dialog of type D with accept or reject.
template <class D> void answerNextDialog(bool accept, QString *seen = nullptr)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, accept, seen] {
        auto *dialog = qobject_cast<D *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        timer->stop();
        timer->deleteLater();
        if (seen)
            *seen = QString::fromLatin1(dialog->metaObject()->className());
        if (accept)
            dialog->accept();
        else
            dialog->reject();
    });
    timer->start(20);
}

} // namespace

class ArchiveWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void v2xListsAndExportsTwoFiles();
    void v2xExportSkipsNumbersInUse();
    void v2xExportFailures();
    void v1xListsAndExportsTwoFiles();
    void v1xSecondReadoutWithFewerEntriesKeepsRows();
    void v1xSecondPassAfterAFailedFirst();
    void menuReadsThenExports();
    void startNumberThatIsNoNumber();
    void failedWriteLeavesNoFile();
    void printsTheShownPageToPdf();
    void cancelledPrintWritesNothing();
    void pageSetupUsesTheProgramPrinter();

private:
    QList<MessageRequest> boxes() const;
    QList<int> boxIds() const;
    void writeSettings(const QString &tempFileNo = QStringLiteral("999"));
    std::unique_ptr<TFormRQ60Main> connectedWindow(int generation);
    QString exportFile(int n) const { return m_export + QStringLiteral("/TEMP.%1").arg(n); }
    QString device(const char *address);
    void clickExport(TFormRQ60Main &w);

    std::unique_ptr<SettingsSandbox> m_settings;
    std::unique_ptr<DeviceSession> m_session;
    std::unique_ptr<MessageRecorder> m_boxes;
    std::unique_ptr<rq60::PtyServer> m_device;
    std::unique_ptr<TFormMeldung> m_notice;
    QString m_export;
};

void ArchiveWindowTest::initTestCase()
{
    useBuiltProgramDirectory();
    m_settings = std::make_unique<SettingsSandbox>();
    m_export = m_settings->file(QStringLiteral("auswert/temp"));
    writeSettings();
    LoadLanguageLibrary(QStringLiteral("DE"));
    QVERIFY(LanguageLibraryLoaded());
}

void ArchiveWindowTest::cleanupTestCase()
{
    m_session.reset();
    FreeLanguageLibrary();
    m_settings.reset();
}

void ArchiveWindowTest::init()
{
    writeSettings();
    QDir(m_export).removeRecursively();
    QVERIFY(QDir().mkpath(m_export));
    m_boxes = std::make_unique<MessageRecorder>();
    m_session = std::make_unique<DeviceSession>();
    m_notice = std::make_unique<TFormMeldung>();
    FormMeldung = m_notice.get();
}

void ArchiveWindowTest::cleanup()
{
    m_session.reset();
    m_device.reset();
    m_notice.reset();
    m_boxes.reset();
}

void ArchiveWindowTest::writeSettings(const QString &tempFileNo)
{
    m_settings->write(QStringLiteral("PXRQ60.INI"),
                      "[USER_OPTIONS]\r\nTEMPFILEPATH=" + m_export.toUtf8() +
                          "\r\nREADER=Schmidt\r\nTEMPFILENO=" + tempFileNo.toUtf8() +
                          "\r\n[COMMON]\r\nLANGUAGE=DE\r\n[COMM]\r\nCOM=1\r\n"
                          "INIT=4800,N,8,1,BIN,RS0,DS0\r\nCHECKTIME=300000\r\n");
}

QList<MessageRequest> ArchiveWindowTest::boxes() const
{
    QList<MessageRequest> l;
    for (const MessageRequest &r : m_boxes->shown)
        if (r.textId != 546) // a missing help file is the help's business
            l << r;
    return l;
}

QList<int> ArchiveWindowTest::boxIds() const
{
    QList<int> ids;
    for (const MessageRequest &r : boxes())
        ids << r.textId;
    return ids;
}

std::unique_ptr<TFormRQ60Main> ArchiveWindowTest::connectedWindow(int generation)
{
    m_device = std::make_unique<rq60::PtyServer>(generation);
    qputenv("SLINE_32_COM1", QByteArray::fromStdString(m_device->start()));
    for (const char *command : DeviceSettings)
        m_device->control(command);
    auto w = std::make_unique<TFormRQ60Main>(*m_session);
    w->show();
    w->acConnectExecute();
    if (!w->session().isConnected())
        qWarning() << "not connected; boxes:" << boxIds();
    m_boxes->clear();
    return w;
}

QString ArchiveWindowTest::device(const char *address)
{
    std::string reply;
    m_device->control(std::string("get ") + address, &reply);
    return QString::fromStdString(reply.substr(reply.find('=') + 1));
}

void ArchiveWindowTest::clickExport(TFormRQ60Main &w)
{
    m_boxes->clear();
    MeldungText.clear();
    // The wait notice stays on top of every window: it must be gone before
    // a box is shown.
    bool noticeOverABox = false;
    m_boxes->onShow = [&noticeOverABox](const MessageRequest &) {
        noticeOverABox = noticeOverABox || FormMeldung->isVisible();
    };
    QTest::mouseClick(WindowUi(w)->btCreateTempFile, Qt::LeftButton);
    m_boxes->onShow = nullptr;
    QVERIFY(!noticeOverABox);
    QCOMPARE(MeldungCaption, langText(501));
    QCOMPARE(MeldungText, langText(545));
    QVERIFY(!FormMeldung->isVisible() && !QApplication::overrideCursor());
}

void ArchiveWindowTest::v2xListsAndExportsTwoFiles()
{
    auto w = connectedWindow(2);
    QVERIFY(w->session().isConnected());
    for (int k = 1; k <= 15; ++k)
        m_device->control("set H" + std::to_string(200 + k) + " " + V2xArchiveEntries[k - 1]);
    WindowUi ui(*w);
    ui->TabbedNotebook1->setCurrentIndex(3);
    QVERIFY(boxes().isEmpty());

    // The listing: titles, entries 1..7 in the first grid, 8..15 in the
    // second, the V2x value as the device gives it.
    QCOMPARE(cell(ui->ArchivData1, 0, 0), langText(1401));
    QCOMPARE(cell(ui->ArchivData1, 0, 1), langText(1402));
    QCOMPARE(cell(ui->ArchivData1, 1, 0), QStringLiteral("01.12.24"));
    QCOMPARE(cell(ui->ArchivData1, 1, 1), QStringLiteral("02728398"));
    QCOMPARE(cell(ui->ArchivData1, 5, 0), QStringLiteral("01.08.24"));
    QCOMPARE(cell(ui->ArchivData1, 5, 1), QStringLiteral("02234570"));
    QCOMPARE(cell(ui->ArchivData2, 0, 0), QStringLiteral("01.05.24"));
    QCOMPARE(cell(ui->ArchivData2, 0, 1), QStringLiteral("01864199"));
    QCOMPARE(cell(ui->ArchivData2, 7, 0), QStringLiteral("01.10.23"));
    QCOMPARE(cell(ui->ArchivData2, 7, 1), QStringLiteral("01000000"));
    // Read-only, column width 150, help context 401.
    QVERIFY(!(ui->ArchivData1->item(1, 1)->flags() & Qt::ItemIsEditable));
    QVERIFY(!(ui->ArchivData2->item(3, 0)->flags() & Qt::ItemIsSelectable));
    QCOMPARE(ui->ArchivData2->columnWidth(1), 150);
    QCOMPARE(ui->ArchivData1->property("helpContext").toInt(), 401);

    const mode_t oldMask = ::umask(022);
    clickExport(*w);
    QCOMPARE(boxIds(), (QList<int>{536}));
    QCOMPARE(boxes().at(0).captionId, 501);
    QCOMPARE(entriesOf(m_export), (QStringList{"TEMP.999"}));
    const QStringList lines = fileLines(exportFile(999));
    QCOMPARE(lines.size(), 24);
    checkFirstLine(lines.at(0), QStringLiteral("123456"));
    QStringList expected{
        "84205,403111.1110,401876.5432,,,",
        ".3,2,98",
        "9876,12345678,1|m3|_z,Name,Schmidt",
        "0,0,0",
        ",0",
        "0,398765.43,0",
        "",
        "&HFF1",
    };
    for (const char *line : V2xArchiveLines)
        expected << QLatin1String(line);
    QCOMPARE(lines.mid(1), expected);
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(exportFile(999)).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, mode_t(0664));

    // The export read the identification and counters again first.
    const QStringList reads = readsIn(m_device->requestLog());
    for (const char *a : {"L18", "H2", "H6", "H8", "L12", "P4"})
        QVERIFY2(reads.contains(QLatin1String(a)), a);

    // The next export takes the next lower number; the first file stays.
    const QByteArray first = m_settings->read(QStringLiteral("auswert/temp/TEMP.999"));
    clickExport(*w);
    ::umask(oldMask);
    QCOMPARE(boxIds(), (QList<int>{536}));
    QCOMPARE(entriesOf(m_export), (QStringList{"TEMP.998", "TEMP.999"}));
    QCOMPARE(fileLines(exportFile(998)).mid(1), expected);
    QCOMPARE(m_settings->read(QStringLiteral("auswert/temp/TEMP.999")), first);
    QCOMPARE(IniSettings.UserOptions.TempFileNo, QStringLiteral("999"));
}

void ArchiveWindowTest::v2xExportSkipsNumbersInUse()
{
    // The evaluation program has taken TEMP.999 on and renamed it.
    m_settings->write(QStringLiteral("auswert/temp/TEMP_e.999"), "done\r\n");
    auto w = connectedWindow(2);
    WindowUi(*w)->TabbedNotebook1->setCurrentIndex(3);
    clickExport(*w);
    QCOMPARE(boxIds(), (QList<int>{536}));
    QCOMPARE(entriesOf(m_export), (QStringList{"TEMP.998", "TEMP_e.999"}));
    QCOMPARE(fileLines(exportFile(998)).size(), 24);
}

void ArchiveWindowTest::v2xExportFailures()
{
    auto w = connectedWindow(2);
    WindowUi(*w)->TabbedNotebook1->setCurrentIndex(3);

    // A folder that does not exist: 538 names the file and the menu where
    // the folder is chosen; nothing is created.
    QVERIFY(QDir(m_export).removeRecursively());
    clickExport(*w);
    QCOMPARE(boxIds(), (QList<int>{538}));
    QCOMPARE(boxes().at(0).captionId, 500);
    QCOMPARE(boxes().at(0).args, (QStringList{exportFile(999), QStringLiteral("Einstellungen"),
                                              QStringLiteral("Optionen Anwender ...")}));
    QVERIFY(!QFileInfo::exists(m_export));

    // A read that fails: 539 and no file.
    QVERIFY(QDir().mkpath(m_export));
    m_device->control("fail L123 ER01");
    clickExport(*w);
    QCOMPARE(boxIds(), (QList<int>{539}));
    QVERIFY(entriesOf(m_export).isEmpty());
    m_device->control("fail clear");

    // A value whose logarithm the file would need and that has none.
    m_device->control("set P4 0");
    clickExport(*w);
    QCOMPARE(boxIds(), (QList<int>{1411}));
    QCOMPARE(boxes().at(0).args, (QStringList{"P4", "0"}));
    QVERIFY(entriesOf(m_export).isEmpty());
}

void ArchiveWindowTest::v1xListsAndExportsTwoFiles()
{
    auto w = connectedWindow(1);
    QVERIFY(w->session().isConnected());
    WindowUi ui(*w);
    ui->TabbedNotebook1->setCurrentIndex(3);
    QVERIFY(boxes().isEmpty());
    QVERIFY(!m_session->dsData01().Field[11].isEmpty());

    // The device's fifteen entries, newest first; V1x values without their
    // leading zeros.
    QStringList entries; // "value;dd.mm.yy" as the device keeps them
    m_device->withSimulator([&entries](rq60::Simulator &s) {
        for (int k = 1; k <= 15; ++k)
            entries << QString::fromStdString(s.model().archiveEntry(k));
    });
    for (int k = 1; k <= 15; ++k) {
        QTableWidget *grid = k <= 7 ? ui->ArchivData1 : ui->ArchivData2;
        const int row = k <= 7 ? k : k - 8;
        const QString e = entries.at(k - 1);
        QCOMPARE(cell(grid, row, 0), e.mid(9, 8));
        QCOMPARE(cell(grid, row, 1), QString::number(e.left(8).toInt()));
    }

    clickExport(*w);
    QCOMPARE(boxIds(), (QList<int>{536}));
    QCOMPARE(entriesOf(m_export), (QStringList{"TEMP.998", "TEMP.999"}));

    // TEMP.999 from the current-values record, eight lines.
    const QStringList current = fileLines(exportFile(999));
    QCOMPARE(current.size(), 8);
    checkFirstLine(current.at(0), QStringLiteral("123456"));
    QCOMPARE(current.mid(1), (QStringList{"84122,403111.1110,401876.5432,,,", ".3,2,98",
                                          "9876,12345678,1|m3|_z,Name,Schmidt", "0,0,0", ",0",
                                          "0,398765.43,0", ""}));

    // TEMP.998 from the archive record: its month-end counters, the end
    // marker and one line per entry, oldest first, the newest included.
    std::string monthEndVn;
    m_device->withSimulator(
        [&monthEndVn](rq60::Simulator &s) { s.model().recordField(1, 't', &monthEndVn); });
    const QString vn = QString::fromStdString(monthEndVn);
    const QStringList archive = fileLines(exportFile(998));
    QCOMPARE(archive.size(), 8 + 1 + 15);
    QCOMPARE(archive.at(1),
             QStringLiteral("84122,398765.4321,%1,,,")
                 .arg(vn.mid(vn.indexOf(QRegularExpression(QStringLiteral("[^0]"))))));
    QCOMPARE(archive.at(8), QStringLiteral("&HFF1"));
    for (int k = 15; k >= 1; --k) {
        const QString e = entries.at(k - 1);
        QCOMPARE(archive.at(9 + 15 - k),
                 QStringLiteral("&HFFA,&H0%1,&H0%2,&H0%3,&H006,&H000,&H0%4,&H0%5,&H0%6,&H0%7,"
                                "&H098,&H000")
                     .arg(e.mid(15, 2), e.mid(12, 2), e.mid(9, 2), e.mid(0, 2), e.mid(2, 2),
                          e.mid(4, 2), e.mid(6, 2)));
    }
}

void ArchiveWindowTest::v1xSecondReadoutWithFewerEntriesKeepsRows()
{
    auto w = connectedWindow(1);
    WindowUi ui(*w);
    ui->TabbedNotebook1->setCurrentIndex(3);
    QStringList before;
    for (int row = 1; row <= 7; ++row)
        before << cell(ui->ArchivData1, row, 0);
    before << cell(ui->ArchivData2, 7, 0);

    // The month ends (a new entry in front) and the device keeps only its
    // newest three.
    m_device->control("set L7 01.02.25");
    m_device->control("set L8 05:59:30");
    m_device->control("elapse 60000");
    m_device->control("archive 3");
    ui->TabbedNotebook1->setCurrentIndex(0);
    ui->TabbedNotebook1->setCurrentIndex(3);
    QVERIFY2(boxes().isEmpty(), qPrintable(QString::number(boxIds().value(0))));
    QCOMPARE(cell(ui->ArchivData1, 1, 0), QStringLiteral("01.02.25"));
    QCOMPARE(cell(ui->ArchivData1, 2, 0), before.at(0));
    QCOMPARE(cell(ui->ArchivData1, 3, 0), before.at(1));
    // Rows the readout does not reach show what they showed.
    for (int row = 4; row <= 7; ++row)
        QCOMPARE(cell(ui->ArchivData1, row, 0), before.at(row - 1));
    QCOMPARE(cell(ui->ArchivData2, 7, 0), before.at(7));
}

void ArchiveWindowTest::v1xSecondPassAfterAFailedFirst()
{
    auto w = connectedWindow(1);
    // Record 00 is read first: while its field "n" is asked for, the device
    // holds a pulse value of 0 (no number for the file's logarithm).
    rq60::Simulator *sim = nullptr;
    m_device->withSimulator([&](rq60::Simulator &s) { sim = &s; });
    std::atomic<int> asked{0};
    m_device->setLogSink([sim, &asked](const std::string &entry) {
        if (entry == "DS n" && asked++ == 0)
            sim->control("set P4 0");
        else if (entry == "DS p" && asked == 1)
            sim->control("set P4 1");
    });
    WindowUi(*w)->TabbedNotebook1->setCurrentIndex(3);
    m_device->setLogSink(nullptr);
    clickExport(*w);
    // The first pass has no file; the second still writes its own, with
    // the highest free number; no success message.
    QCOMPARE(boxIds(), (QList<int>{1411}));
    QCOMPARE(boxes().at(0).args,
             (QStringList{langFormatId(1413, {"00", "n"}), QStringLiteral("0")}));
    QCOMPARE(boxes().at(0).args.at(0), QStringLiteral("Datensatz 00, Feld \"n\""));
    QCOMPARE(entriesOf(m_export), (QStringList{"TEMP.999"}));
    QCOMPARE(fileLines(exportFile(999)).size(), 24);
}

void ArchiveWindowTest::menuReadsThenExports()
{
    auto w = connectedWindow(2);
    WindowUi ui(*w);
    QCOMPARE(ui->TabbedNotebook1->currentIndex(), 0);
    m_device->clearLog();
    ui->acReadArchivData->trigger();
    // Page 0: the archive is read, its page shown, then the file written.
    QCOMPARE(ui->TabbedNotebook1->currentIndex(), 3);
    QStringList reads = readsIn(m_device->requestLog());
    QCOMPARE(reads.count(QStringLiteral("H201")), 1);
    QCOMPARE(reads.count(QStringLiteral("H215")), 1);
    QVERIFY(reads.indexOf(QStringLiteral("H215")) < reads.indexOf(QStringLiteral("L18")));
    QCOMPARE(boxIds(), (QList<int>{536}));
    QCOMPARE(entriesOf(m_export), (QStringList{"TEMP.999"}));

    // On page 3 the archive as last read is exported without reading it.
    m_device->clearLog();
    m_boxes->clear();
    ui->acReadArchivData->trigger();
    reads = readsIn(m_device->requestLog());
    QCOMPARE(reads.count(QStringLiteral("H201")), 0);
    QVERIFY(reads.contains(QStringLiteral("L18")));
    QCOMPARE(boxIds(), (QList<int>{536}));
    QCOMPARE(entriesOf(m_export), (QStringList{"TEMP.998", "TEMP.999"}));
}

void ArchiveWindowTest::startNumberThatIsNoNumber()
{
    writeSettings(QStringLiteral("99x"));
    auto w = connectedWindow(2);
    QCOMPARE(IniSettings.UserOptions.TempFileNo, QStringLiteral("99x"));
    WindowUi(*w)->TabbedNotebook1->setCurrentIndex(3);
    m_device->clearLog();
    clickExport(*w);
    QCOMPARE(boxIds(), (QList<int>{1410}));
    QCOMPARE(boxes().at(0).args, (QStringList{"99x", "Einstellungen", "Optionen Anwender ..."}));
    QVERIFY(boxes().at(0).text.contains(QLatin1String("TEMPFILENO=99x")));
    QVERIFY(entriesOf(m_export).isEmpty());
    QVERIFY(readsIn(m_device->requestLog()).isEmpty());
}

void ArchiveWindowTest::failedWriteLeavesNoFile()
{
    auto w = connectedWindow(2);
    WindowUi(*w)->TabbedNotebook1->setCurrentIndex(3);
    {
        const FileSizeLimit limit(300);
        clickExport(*w);
    }
    QCOMPARE(boxIds(), (QList<int>{537}));
    QCOMPARE(boxes().at(0).args, (QStringList{exportFile(999)}));
    QVERIFY(entriesOf(m_export).isEmpty());
}

void ArchiveWindowTest::printsTheShownPageToPdf()
{
    auto w = connectedWindow(2);
    WindowUi(*w)->TabbedNotebook1->setCurrentIndex(2);
    const QString pdf = m_settings->file(QStringLiteral("window.pdf"));
    QPrinter *printer = programPrinter();
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(pdf);
    QString dialog;
    answerNextDialog<QPrintDialog>(true, &dialog);
    WindowUi(*w)->mn11Print->trigger();
    QCOMPARE(dialog, QStringLiteral("QPrintDialog"));
    QVERIFY(boxes().isEmpty());

    QFile f(pdf);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QVERIFY(bytes.startsWith("%PDF"));
    // One page holding one image, the window's, with its aspect ratio.
    QCOMPARE(bytes.count("/Type /Page\n") + bytes.count("/Type /Page "), qsizetype(1));
    const QRegularExpression image(
        QStringLiteral("/Subtype /Image.*?/Width (\\d+).*?/Height (\\d+)"),
        QRegularExpression::DotMatchesEverythingOption);
    QRegularExpressionMatchIterator it = image.globalMatch(QString::fromLatin1(bytes));
    QVERIFY(it.hasNext());
    const QRegularExpressionMatch m = it.next();
    QVERIFY(!it.hasNext());
    const double width = m.captured(1).toDouble(), height = m.captured(2).toDouble();
    QCOMPARE(width / height, double(w->width()) / w->height());

    // Drawn at the same scale both ways and as wide as the printable area:
    // the window is broad, the A4 page upright, so the width limits.
    const QString content = pageContent(bytes);
    const QRegularExpression placed(
        QStringLiteral(
            "([\\d.]+) 0 0 -([\\d.]+) ([\\d.]+) [\\d.]+ cm.*?([\\d.]+) 0 0 ([\\d.]+) 0 0 cm\\s*"
            "(\\d+) 0 0 -(\\d+) 0 \\d+ cm /Im\\d+\\s+Do"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch p = placed.match(content);
    QVERIFY2(p.hasMatch(), qPrintable(content));
    const double unit = p.captured(1).toDouble(), margin = p.captured(3).toDouble();
    const double sx = p.captured(4).toDouble(), sy = p.captured(5).toDouble();
    QVERIFY2(qAbs(sx / sy - 1.0) < 0.002, qPrintable(QStringLiteral("%1 %2").arg(sx).arg(sy)));
    const double drawnWidth = p.captured(6).toDouble() * sx * unit;
    const double pageWidth = printer->pageLayout().fullRect(QPageLayout::Point).width();
    QVERIFY2(qAbs(drawnWidth - (pageWidth - 2 * margin)) < 1.0,
             qPrintable(QString::number(drawnWidth)));
}

void ArchiveWindowTest::cancelledPrintWritesNothing()
{
    // A printer that cannot start prints nothing and says so.
    {
        QWidget widget;
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_settings->file(QStringLiteral("missing/folder.pdf")));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral(".*")));
        QVERIFY(!printWidgetImage(&widget, &printer));
    }

    auto w = connectedWindow(2);
    const QString pdf = m_settings->file(QStringLiteral("cancelled.pdf"));
    QPrinter *printer = programPrinter();
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(pdf);
    answerNextDialog<QPrintDialog>(false);
    WindowUi(*w)->mn11Print->trigger();
    QVERIFY(!QFileInfo::exists(pdf));
    QVERIFY(boxes().isEmpty());
}

void ArchiveWindowTest::pageSetupUsesTheProgramPrinter()
{
    auto w = connectedWindow(2);
    QPrinter *printer = programPrinter();
    QPrinter *shown = nullptr;
    auto *timer = new QTimer;
    connect(timer, &QTimer::timeout, [timer, &shown] {
        auto *dialog = qobject_cast<QPageSetupDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        timer->stop();
        timer->deleteLater();
        shown = dialog->printer();
        dialog->accept();
    });
    timer->start(20);
    WindowUi(*w)->mn12PrinterSetup->trigger();
    QCOMPARE(shown, printer);
}

QTEST_MAIN(ArchiveWindowTest)
#include "tst_archivewindow.moc"
