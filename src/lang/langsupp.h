// Texts by string ID from the language library, and message boxes built
// from them.
//
// One language library is loaded for the life of the program (pxrq60DE.so,
// pxrq60EN.so, ... beside the program; the caller passes the language code,
// which the settings key LANGUAGE chooses).
// A text the library lacks reads "str" followed by the ID, so a missing
// translation shows up on screen instead of an empty caption.
#ifndef PXRQ60_LANG_LANGSUPP_H
#define PXRQ60_LANG_LANGSUPP_H

#include <QLoggingCategory>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <initializer_list>

// The language chosen and the library paths tried (QT_LOGGING_RULES
// "pxrq60.lang.debug=true"); off by default.
Q_DECLARE_LOGGING_CATEGORY(lcLang)
// Boxes shown, at info level (QT_LOGGING_RULES="pxrq60.message.info=true").
Q_DECLARE_LOGGING_CATEGORY(lcMessage)

// Loads the library of `language`, or shows the two-language failure box
// (naming the library, and why the loader refused one that is there) and
// ends the program with exit code 1. A code that is no language code
// (isLanguageCode) is a missing library: it never becomes part of a path
// the program opens.
void LoadLanguageLibrary(const QString &language);
// Releases the library; every text falls back to "str" + ID afterwards.
void FreeLanguageLibrary();
bool LanguageLibraryLoaded();
// The language code of the loaded library as the settings give it ("DE");
// empty while none is loaded.
QString LoadedLanguage();

// A language code as it may stand in a file name: 1 to 8 ASCII letters. The
// code comes from the settings file, which every technician of the machine
// may edit; "../" or a "/" must not take the program elsewhere.
bool isLanguageCode(const QString &language);

// The full file name LoadLanguageLibrary uses for `language`: directory of
// the running program, stem of its file name (up to the first ".", at most 6
// characters), the language code exactly as given, ".so".
QString languageLibraryPath(const QString &language);

// The text of `id` (at most 999 characters) or the fallback "str" + ID.
void GetLangString(uint16_t id, QString &text);
QString langText(uint16_t id);

// Message box flags and results, as the program has always used them.
enum MessageFlags : uint16_t {
    MbOk = 0,         // OK, no icon
    MbYesNo = 4,      // Yes and No
    MbIconError = 16, // OK with the error icon
    MbDefaultNo = 256 // with MbYesNo: No is the default button, so that Enter
                      // does not confirm a question that destroys data
};
enum MessageResult : int { IdOk = 1, IdYes = 6, IdNo = 7 };

// One argument of a message text: a text for "%s", an integer for "%d", a
// decimal for "%f"-style placeholders.
class LangArg
{
public:
    LangArg(const QString &s) : m_value(s) {}
    LangArg(const char *s) : m_value(QString::fromUtf8(s)) {}
    LangArg(int i) : m_value(qlonglong(i)) {}
    LangArg(qlonglong i) : m_value(i) {}
    LangArg(double d) : m_value(d) {}
    const QVariant &value() const { return m_value; }
    QString display() const { return m_value.toString(); }

private:
    QVariant m_value;
};
using LangArgs = std::initializer_list<LangArg>;

// Fills the placeholders %s, %d, %i, %u, %x, %f, %g, %e (with flags, width
// and precision) and %% of `pattern` with `args` in order. It never reads
// past the arguments: a placeholder without an argument, or one whose kind
// does not fit its argument, stays in the text as it stands, so a translated
// text with a wrong placeholder shows wrong text instead of crashing.
QString langFormat(const QString &pattern, const QList<LangArg> &args);
QString langFormat(const QString &pattern, LangArgs args);
// langFormat(langText(id), args).
QString langFormatId(uint16_t id, LangArgs args);

// What a message box shows, for the presenter and for test recorders.
struct MessageRequest {
    QString text;
    QString caption;
    uint16_t flags = 0;
    int textId = 0;    // 0 when the text is fixed (start-up failures)
    int captionId = 0; // 0 when the caption is fixed or formatted
    QStringList args;  // the arguments filled into the text or caption
    QString details;   // shown on request below the text (plain text); empty: none
};

// Shows message boxes. The program installs one built on QMessageBox; tests
// install a recorder that answers Yes or No as the test says.
class MessagePresenter
{
public:
    virtual ~MessagePresenter();
    virtual int present(const MessageRequest &request) = 0;
};
// The presenter stays owned by the caller. nullptr restores the fallback,
// which writes the box to stderr and answers No to questions.
void setMessagePresenter(MessagePresenter *presenter);
MessagePresenter *messagePresenter();
// Runs before every box is shown, whichever presenter shows it: the program
// hides its wait notice there, which stays on top and would cover the box.
// An empty function removes the hook.
void setBeforeMessageHook(std::function<void()> hook);
int showMessage(const MessageRequest &request);

// A box with the texts of two IDs.
int LangMessageBox(uint16_t textId, uint16_t captionId, uint16_t flags);
// A box whose text is ID `textId` filled with `args`, caption ID `captionId`.
int LangMessageBoxArgs(uint16_t textId, LangArgs args, uint16_t captionId, uint16_t flags);
// A box with the texts of two IDs and a details part that the user can open
// (what failed, in the words of the program and its drivers).
int LangMessageBoxDetails(uint16_t textId, uint16_t captionId, uint16_t flags,
                          const QString &details);
// A failed device request: text ID, caption 500 followed by a blank and the
// driver status. The number is appended, not formatted into caption 500, so a
// translated caption holding a placeholder cannot swallow it.
int LangStatusBox(uint16_t textId, int status, uint16_t flags = MbOk);
// The same with a text that takes arguments: ID `textId` filled with `args`.
int LangStatusBoxArgs(uint16_t textId, LangArgs args, int status, uint16_t flags = MbOk);
// The program's one error box: `text` (already translated or formatted) under
// caption 500 with the error icon; `args` and the ID of the text `text` was
// built from (0 when none) are recorded for tests.
int LangErrorBox(const QString &text, const QStringList &args = {}, int textId = 0);
// A failure at start, before texts can be chosen: fixed caption
// "PXRQ60 - Initialization" and the error icon.
void StartupFailureBox(const QString &text);

#endif
