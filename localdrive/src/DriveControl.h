#ifndef TQDRIVE_DRIVECONTROL_H
#define TQDRIVE_DRIVECONTROL_H

#include "TQDriveAdmin.h"

#include <QHash>
#include <QMutex>

#include <atomic>
#include <deque>

namespace TQDrive {

// The test and demo hooks of the drive: armed faults, the speed limit and the record of calls.
class DriveControl
{
public:
    struct CallFault {
        int result = 0;
        int answerCode = TQDriveAdmin::NoAnswer;
        QByteArray rawAnswer; // when set, the answer text as it is
    };

    void failNextCalls(const QString &function, int count, int result, int answerCode);
    void answerNextCalls(const QString &function, int count, const QByteArray &answer);
    bool takeCallFault(const char *function, CallFault *out);
    void delayNextCalls(const QString &function, int count, int ms);
    // Milliseconds the next call of this function must wait, 0 for none.
    int takeCallDelay(const char *function);
    void failTransferAfter(const QString &uid, qint64 bytes, int code);
    // Disarms and hands over the fault meant for this transfer; bytes stays -1 when there is none.
    void takeTransferFault(const QString &uid, qint64 *bytes, int *code);

    void setThrottle(qint64 bytesPerSecond) { m_throttle.store(bytesPerSecond); }
    qint64 throttle() const { return m_throttle.load(); }

    void record(const char *function, const QString &request, qint64 result, const QByteArray &answer);
    QVector<TQDriveAdmin::CallRecord> calls() const;
    void clearCalls();
    void reset();

private:
    struct ArmedCallFault {
        int count = 0;
        CallFault fault;
    };
    struct TransferFault {
        qint64 bytes = 0;
        int code = 0;
    };

    mutable QMutex m_mutex;
    QHash<QString, ArmedCallFault> m_callFaults;
    QHash<QString, QPair<int, int>> m_callDelays; // count, milliseconds
    QHash<QString, TransferFault> m_transferFaults;
    std::deque<TQDriveAdmin::CallRecord> m_calls;
    std::atomic<qint64> m_throttle{0};
};

} // namespace TQDrive

#endif
