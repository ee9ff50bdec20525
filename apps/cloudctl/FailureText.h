// What a failure code of the drive or the plug-in means, in words for the user of cloudctl.
#ifndef FAILURETEXT_H
#define FAILURETEXT_H

#include <QCoreApplication>
#include <QString>

class FailureText
{
    Q_DECLARE_TR_FUNCTIONS(FailureText)
public:
    // Every code the drive answers and every failure code the plug-in stores has its own text;
    // anything else reads "error <code>".
    static QString of(int code);
    // The code's own text; the task's reason where the code has none.
    static QString of(int code, const QString &reason);
    static bool isKnown(int code);
};

#endif
