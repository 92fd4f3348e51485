#include "langsupp.h"

#include "programexit.h"
#include "programpath.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <cstdio>
#include <dlfcn.h>

Q_LOGGING_CATEGORY(lcMessage, "pxrq60.message", QtWarningMsg)
Q_LOGGING_CATEGORY(lcLang, "pxrq60.lang", QtInfoMsg)

namespace {

using LangStringFn = int32_t (*)(uint16_t, char *, int32_t);

struct Library {
    void *handle = nullptr;
    LangStringFn entry = nullptr;
    QString language; // the code the library was chosen by, "DE"
};

Library &library()
{
    static Library lib;
    return lib;
}

MessagePresenter *&presenterSlot()
{
    static MessagePresenter *p = nullptr;
    return p;
}

// The longest text the program takes from the library, in characters.
constexpr int MaxTextChars = 999;

} // namespace

MessagePresenter::~MessagePresenter() = default;

bool isLanguageCode(const QString &language)
{
    if (language.isEmpty() || language.size() > 8)
        return false;
    for (QChar c : language)
        if (!((c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
              (c >= QLatin1Char('a') && c <= QLatin1Char('z'))))
            return false;
    return true;
}

QString languageLibraryPath(const QString &language)
{
    return programDirectory() + programStem() + language + QStringLiteral(".so");
}

void LoadLanguageLibrary(const QString &language)
{
    FreeLanguageLibrary();
    const QString path = languageLibraryPath(language);
    qCDebug(lcLang).noquote() << "language" << language;

    void *handle = nullptr;
    LangStringFn entry = nullptr;
    // Why a library that is there cannot serve: the loader's own words
    // (a wrong architecture, a missing dependency, no LangString in it).
    QString reason;
    const bool present = isLanguageCode(language) && QFileInfo::exists(path);
    if (present) {
        handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
        if (handle)
            entry = reinterpret_cast<LangStringFn>(dlsym(handle, "LangString"));
        if (!entry)
            reason = QString::fromLocal8Bit(dlerror());
    } else {
        reason = isLanguageCode(language) ? QStringLiteral("missing")
                                          : QStringLiteral("no language code");
    }
    qCDebug(lcLang).noquote() << "library" << path << (entry ? QStringLiteral("loaded") : reason);
    if (!entry) {
        if (handle)
            dlclose(handle);
        // Shown in both languages: no library means no texts to choose from.
        QString text = QStringLiteral("PXRQ60 - Initialization: Language support file not found! / "
                                      "Sprachdatei nicht gefunden!:  ") +
                       path;
        if (present)
            text += QLatin1Char('\n') + reason;
        StartupFailureBox(text);
        programExit(1);
    }
    library().handle = handle;
    library().entry = entry;
    library().language = language;
}

void FreeLanguageLibrary()
{
    Library &lib = library();
    if (lib.handle)
        dlclose(lib.handle);
    lib = Library();
}

bool LanguageLibraryLoaded()
{
    return library().entry != nullptr;
}

QString LoadedLanguage()
{
    return library().language;
}

void GetLangString(uint16_t id, QString &text)
{
    text = QStringLiteral("str") + QString::number(id);
    const Library &lib = library();
    if (!lib.entry)
        return;
    // Room for 999 characters of up to four UTF-8 bytes each.
    char buffer[MaxTextChars * 4 + 1];
    buffer[0] = '\0';
    const int32_t n = lib.entry(id, buffer, int32_t(sizeof buffer));
    if (n <= 0)
        return;
    buffer[sizeof buffer - 1] = '\0';
    QString t = QString::fromUtf8(buffer);
    if (t.isEmpty())
        return;
    if (t.size() > MaxTextChars) {
        int cut = MaxTextChars;
        if (t.at(cut - 1).isHighSurrogate())
            --cut;
        t.truncate(cut);
    }
    text = t;
}

QString langText(uint16_t id)
{
    QString t;
    GetLangString(id, t);
    return t;
}

namespace {

bool isIntegral(const QVariant &v)
{
    return v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int;
}

// One placeholder filled with a value whose kind is known to fit, so the
// C formatting below never sees a mismatched argument.
QString fillOne(const QString &flags, const QString &width, const QString &precision, QChar conv,
                const QVariant &v, bool *fits)
{
    *fits = true;
    const QByteArray head = (QLatin1Char('%') + flags + width +
                             (precision.isNull() ? QString() : QLatin1Char('.') + precision))
                                .toLatin1();
    switch (conv.unicode()) {
    case 's': {
        if (v.typeId() != QMetaType::QString) {
            *fits = false;
            return QString();
        }
        QString s = v.toString();
        if (!precision.isNull())
            s = s.left(precision.toInt());
        const int w = width.toInt();
        if (s.size() < w)
            s = flags.contains(QLatin1Char('-')) ? s.leftJustified(w) : s.rightJustified(w);
        return s;
    }
    case 'd':
    case 'i':
    case 'u':
    case 'x':
    case 'X': {
        if (!isIntegral(v)) {
            *fits = false;
            return QString();
        }
        const char c = conv.toLatin1() == 'i' ? 'd' : conv.toLatin1();
        return QString::asprintf((head + "ll" + c).constData(), v.toLongLong());
    }
    case 'f':
    case 'g':
    case 'e':
    case 'E':
    case 'G': {
        if (v.typeId() != QMetaType::Double && !isIntegral(v)) {
            *fits = false;
            return QString();
        }
        return QString::asprintf((head + conv.toLatin1()).constData(), v.toDouble());
    }
    }
    *fits = false;
    return QString();
}

} // namespace

QString langFormat(const QString &pattern, const QList<LangArg> &args)
{
    static const QRegularExpression re(
        QStringLiteral("%([-+ 0#]*)([0-9]{0,3})(?:\\.([0-9]{0,3}))?([sdiuxXfgeEG%])"));
    QString out;
    int pos = 0;
    int next = 0;
    auto it = re.globalMatch(pattern);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += pattern.mid(pos, m.capturedStart() - pos);
        pos = m.capturedEnd();
        const QChar conv = m.captured(4).at(0);
        if (conv == QLatin1Char('%')) {
            out += QLatin1Char('%');
            continue;
        }
        if (next >= args.size()) {
            out += m.captured(0);
            continue;
        }
        bool fits = false;
        const QString filled = fillOne(m.captured(1), m.captured(2), m.captured(3), conv,
                                       args.at(next++).value(), &fits);
        out += fits ? filled : m.captured(0);
    }
    out += pattern.mid(pos);
    return out;
}

QString langFormat(const QString &pattern, LangArgs args)
{
    return langFormat(pattern, QList<LangArg>(args));
}

QString langFormatId(uint16_t id, LangArgs args)
{
    return langFormat(langText(id), args);
}

void setMessagePresenter(MessagePresenter *presenter)
{
    presenterSlot() = presenter;
}

MessagePresenter *messagePresenter()
{
    return presenterSlot();
}

std::function<void()> &beforeMessageHookSlot()
{
    static std::function<void()> hook;
    return hook;
}

void setBeforeMessageHook(std::function<void()> hook)
{
    beforeMessageHookSlot() = std::move(hook);
}

int showMessage(const MessageRequest &request)
{
    if (const std::function<void()> &hook = beforeMessageHookSlot())
        hook();
    // Every box also goes to the log (off unless switched on), so that a
    // run without a screen, or a report from the field, shows what the user
    // was told.
    qCInfo(lcMessage).noquote() << "text" << request.textId << "caption" << request.captionId
                                << request.caption + QLatin1Char(':') << request.text;
    if (MessagePresenter *p = presenterSlot())
        return p->present(request);
    // No window system yet (or a tool without one): say it on stderr and
    // take the safe answer to a question.
    std::fprintf(stderr, "%s: %s\n", request.caption.toLocal8Bit().constData(),
                 request.text.toLocal8Bit().constData());
    if (!request.details.isEmpty())
        std::fprintf(stderr, "%s\n", request.details.toLocal8Bit().constData());
    return (request.flags & MbYesNo) ? IdNo : IdOk;
}

namespace {
QStringList argTexts(LangArgs args)
{
    QStringList l;
    for (const LangArg &a : args)
        l << a.display();
    return l;
}
} // namespace

int LangMessageBox(uint16_t textId, uint16_t captionId, uint16_t flags)
{
    return LangMessageBoxDetails(textId, captionId, flags, QString());
}

int LangMessageBoxDetails(uint16_t textId, uint16_t captionId, uint16_t flags,
                          const QString &details)
{
    MessageRequest r;
    r.text = langText(textId);
    r.caption = langText(captionId);
    r.flags = flags;
    r.textId = textId;
    r.captionId = captionId;
    r.details = details;
    return showMessage(r);
}

int LangMessageBoxArgs(uint16_t textId, LangArgs args, uint16_t captionId, uint16_t flags)
{
    MessageRequest r;
    r.text = langFormatId(textId, args);
    r.caption = langText(captionId);
    r.flags = flags;
    r.textId = textId;
    r.captionId = captionId;
    r.args = argTexts(args);
    return showMessage(r);
}

int LangStatusBox(uint16_t textId, int status, uint16_t flags)
{
    return LangStatusBoxArgs(textId, {}, status, flags);
}

int LangStatusBoxArgs(uint16_t textId, LangArgs args, int status, uint16_t flags)
{
    MessageRequest r;
    r.text = args.size() ? langFormatId(textId, args) : langText(textId);
    r.caption = langText(500) + QLatin1Char(' ') + QString::number(status);
    r.flags = flags;
    r.textId = textId;
    r.captionId = 500;
    for (const LangArg &a : args)
        r.args << a.display();
    r.args << QString::number(status);
    return showMessage(r);
}

int LangErrorBox(const QString &text, const QStringList &args, int textId)
{
    MessageRequest r;
    r.text = text;
    r.textId = textId;
    r.caption = langText(500);
    r.captionId = 500;
    r.flags = MbIconError;
    r.args = args;
    return showMessage(r);
}

void StartupFailureBox(const QString &text)
{
    MessageRequest r;
    r.text = text;
    r.caption = QStringLiteral("PXRQ60 - Initialization");
    r.flags = MbIconError;
    showMessage(r);
}
