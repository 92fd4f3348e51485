#include "testsupport.h"

#include "programexit.h"
#include "programpath.h"

#include <QFile>
#include <csignal>

MessageRecorder::MessageRecorder()
{
    setMessagePresenter(this);
}

MessageRecorder::~MessageRecorder()
{
    if (messagePresenter() == this)
        setMessagePresenter(nullptr);
}

int MessageRecorder::present(const MessageRequest &request)
{
    shown.append(request);
    if (onShow)
        onShow(request);
    if (!(request.flags & MbYesNo))
        return IdOk;
    return answers.isEmpty() ? defaultAnswer : answers.takeFirst();
}

QList<int> MessageRecorder::textIds() const
{
    QList<int> ids;
    for (const MessageRequest &r : shown)
        ids << r.textId;
    return ids;
}

ExitTrap::ExitTrap()
{
    setExitHook([](int code) { throw ProgramExitCalled{code}; });
}

ExitTrap::~ExitTrap()
{
    setExitHook({});
}

SettingsSandbox::SettingsSandbox()
{
    m_hadOld = qEnvironmentVariableIsSet("PXRQ60_SETTINGS_DIR");
    m_old = qgetenv("PXRQ60_SETTINGS_DIR");
    qputenv("PXRQ60_SETTINGS_DIR", QFile::encodeName(m_dir.path()));
}

SettingsSandbox::~SettingsSandbox()
{
    if (m_hadOld)
        qputenv("PXRQ60_SETTINGS_DIR", m_old);
    else
        qunsetenv("PXRQ60_SETTINGS_DIR");
}

void SettingsSandbox::write(const QString &name, const QByteArray &content) const
{
    QFile f(file(name));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(content);
}

QByteArray SettingsSandbox::read(const QString &name) const
{
    QFile f(file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void useBuiltProgramDirectory()
{
    setProgramFilePath(QStringLiteral(PX_BIN_DIR "/pxrq60"));
}

QStringList readsIn(const std::vector<std::string> &log)
{
    QStringList reads;
    for (const std::string &line : log)
        if (line.rfind("R1 ", 0) == 0)
            reads << QString::fromStdString(line.substr(3));
    return reads;
}

FileSizeLimit::FileSizeLimit(rlim_t bytes)
{
    ::getrlimit(RLIMIT_FSIZE, &m_old);
    m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = m_old;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    ::setrlimit(RLIMIT_FSIZE, &m_old);
    std::signal(SIGXFSZ, m_oldHandler);
}
