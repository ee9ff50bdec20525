// The command line of cloudctl: arguments checked, the plug-in started, one command run, the
// plug-in released, and the exit code (0 success, 1 the operation failed, 2 usage error, 130
// interrupted).
#ifndef CLOUDCOMMANDS_H
#define CLOUDCOMMANDS_H

#include "CloudCtl.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

class CloudCommands
{
    Q_DECLARE_TR_FUNCTIONS(CloudCommands)
public:
    enum ExitCode { Success = 0, Failure = 1, UsageError = 2, Interrupted = 130 };

    int run(const QStringList &arguments);

    // The commands, on a started host; the demo runs them too.
    int status();
    int upload(CloudCtl::ItemKind kind, const QString &path, const QString &cloudFolder);
    int download(CloudCtl::ItemKind kind, const QString &fileId, const QString &dest);
    int list(const QString &folderId, bool tree);
    int makeFolder(const QString &parentId, const QString &name);
    int rename(const QString &fileId, const QString &name);
    int recycle(const QString &fileId);
    int remove(const QString &fileId);
    int share(const QString &fileId, const QString &accessCode, int days);
    int tasks();
    int resume();
    // Removes tasks as the transfer center's delete does, their drive transfers with them.
    int cancel(const QStringList &taskIds);
    // Removes the finished and/or the failed tasks.
    int clear(bool done, bool failed);

    CloudCtl &host() { return m_host; }
    // Results go to stdout, complaints and progress to stderr.
    static void print(const QString &text);
    int fail(const QString &text, int exitCode = Failure);
    // The last item a command moved or made, for the demo's checks.
    const CloudCtl::Transfer &lastTransfer() const { return m_lastTransfer; }
    QString lastShareLink() const { return m_lastShareLink; }

private:
    void setUp(QCommandLineParser &parser) const;
    QString usage() const;
    int usageError(const QString &text);
    // Checks what can be checked before the plug-in starts; UsageError or Failure when wrong.
    int validate(const QStringList &args, const QCommandLineParser &parser);
    int dispatch(const QStringList &args, const QCommandLineParser &parser);
    int transferFailed(const CloudCtl::Transfer &transfer);
    static qint64 parseRate(const QString &text, bool *ok);

    CloudCtl m_host;
    CloudCtl::Transfer m_lastTransfer;
    QString m_lastShareLink;
};

#endif
