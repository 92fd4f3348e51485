// Shared test fixtures: a recorder for message boxes that answers as the
// test says, an exit hook that turns programExit into an exception, and a
// private settings directory per test.
#ifndef PXRQ60_TESTSUPPORT_H
#define PXRQ60_TESTSUPPORT_H

#include "langsupp.h"

#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <vector>

class MessageRecorder : public MessagePresenter
{
public:
    MessageRecorder();
    ~MessageRecorder() override;
    int present(const MessageRequest &request) override;

    QList<MessageRequest> shown;
    // Answer to Yes/No questions, in order; when used up, `defaultAnswer`.
    QList<int> answers;
    int defaultAnswer = IdYes;
    // Runs while a box is "open", for tests that act during a modal box.
    std::function<void(const MessageRequest &)> onShow;

    QList<int> textIds() const;
    void clear() { shown.clear(); }
};

// Thrown by the exit hook in place of ending the process.
struct ProgramExitCalled {
    int code;
};

class ExitTrap
{
public:
    ExitTrap();
    ~ExitTrap();
};

// A settings directory of its own, set in PXRQ60_SETTINGS_DIR for the
// test's life.
class SettingsSandbox
{
public:
    SettingsSandbox();
    ~SettingsSandbox();
    QString dir() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }
    void write(const QString &name, const QByteArray &content) const;
    QByteArray read(const QString &name) const;

private:
    QTemporaryDir m_dir;
    QByteArray m_old;
    bool m_hadOld;
};

// The addresses read in a simulator's request log ("R1 L34" gives "L34"),
// in order.
QStringList readsIn(const std::vector<std::string> &log);

// Limits the size of every file this process writes while it lives, as a
// full disk would: writes beyond it fail with EFBIG (SIGXFSZ is ignored
// meanwhile).
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

// Makes the program's own files (language libraries, drivers, help) the
// ones "beside the program" for the test process.
void useBuiltProgramDirectory();

#endif
