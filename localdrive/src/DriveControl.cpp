#include "DriveControl.h"

namespace TQDrive {

namespace {
constexpr size_t kMaxCalls = 10000;
}

void DriveControl::failNextCalls(const QString &function, int count, int result, int answerCode)
{
    QMutexLocker lock(&m_mutex);
    if (count <= 0) {
        m_callFaults.remove(function);
        return;
    }
    CallFault fault;
    fault.result = result;
    fault.answerCode = answerCode;
    m_callFaults.insert(function, {count, fault});
}

void DriveControl::answerNextCalls(const QString &function, int count, const QByteArray &answer)
{
    QMutexLocker lock(&m_mutex);
    if (count <= 0 || answer.isEmpty()) {
        m_callFaults.remove(function);
        return;
    }
    CallFault fault;
    fault.result = 1;
    fault.rawAnswer = answer;
    m_callFaults.insert(function, {count, fault});
}

bool DriveControl::takeCallFault(const char *function, CallFault *out)
{
    QMutexLocker lock(&m_mutex);
    if (m_callFaults.isEmpty())
        return false;
    auto it = m_callFaults.find(QLatin1String(function));
    if (it == m_callFaults.end())
        return false;
    *out = it->fault;
    if (--it->count <= 0)
        m_callFaults.erase(it);
    return true;
}

void DriveControl::delayNextCalls(const QString &function, int count, int ms)
{
    QMutexLocker lock(&m_mutex);
    if (count <= 0 || ms <= 0)
        m_callDelays.remove(function);
    else
        m_callDelays.insert(function, qMakePair(count, ms));
}

int DriveControl::takeCallDelay(const char *function)
{
    QMutexLocker lock(&m_mutex);
    if (m_callDelays.isEmpty())
        return 0;
    auto it = m_callDelays.find(QLatin1String(function));
    if (it == m_callDelays.end())
        return 0;
    const int ms = it->second;
    if (--it->first <= 0)
        m_callDelays.erase(it);
    return ms;
}

void DriveControl::failTransferAfter(const QString &uid, qint64 bytes, int code)
{
    QMutexLocker lock(&m_mutex);
    m_transferFaults.insert(uid, {qMax<qint64>(0, bytes), code});
}

void DriveControl::takeTransferFault(const QString &uid, qint64 *bytes, int *code)
{
    *bytes = -1;
    QMutexLocker lock(&m_mutex);
    auto it = m_transferFaults.find(uid);
    if (it == m_transferFaults.end())
        it = m_transferFaults.find(QString());
    if (it == m_transferFaults.end())
        return;
    *bytes = it->bytes;
    *code = it->code;
    m_transferFaults.erase(it);
}

void DriveControl::record(const char *function, const QString &request, qint64 result, const QByteArray &answer)
{
    QMutexLocker lock(&m_mutex);
    m_calls.push_back({QLatin1String(function), request, result, QString::fromUtf8(answer)});
    if (m_calls.size() > kMaxCalls)
        m_calls.pop_front();
}

QVector<TQDriveAdmin::CallRecord> DriveControl::calls() const
{
    QMutexLocker lock(&m_mutex);
    return QVector<TQDriveAdmin::CallRecord>(m_calls.begin(), m_calls.end());
}

void DriveControl::clearCalls()
{
    QMutexLocker lock(&m_mutex);
    m_calls.clear();
}

void DriveControl::reset()
{
    QMutexLocker lock(&m_mutex);
    m_callFaults.clear();
    m_callDelays.clear();
    m_transferFaults.clear();
    m_calls.clear();
    m_throttle.store(0);
}

} // namespace TQDrive
