// The Drive_* entry points: parse, apply armed faults, run, record the call.
#include "TQCoreKit.h"

#include "DriveJson.h"
#include "LocalDrive.h"
#include "TQDriveCodes.h"

#include <QThread>

#include <cstdlib>

using namespace TQDrive;

namespace {

QString requestText(const char *request)
{
    if (!request)
        return QString();
    // Tokens and access codes are secrets: the call record keeps that one was sent, not what it was.
    return DriveJson::masked(QString::fromUtf8(request));
}

LocalDrive &drive()
{
    return LocalDrive::instance();
}

// Functions answering a plain result.
// A delay armed by the admin interface: the call behaves like one over a slow network.
void delayIfArmed(const char *function)
{
    if (const int ms = drive().control().takeCallDelay(function))
        QThread::msleep(ulong(ms));
}

template<typename Op>
int plainCall(const char *function, const char *request, Op op)
{
    delayIfArmed(function);
    DriveControl::CallFault fault;
    int result = 0;
    if (drive().control().takeCallFault(function, &fault)) {
        result = fault.result;
    } else {
        result = op();
    }
    drive().control().record(function, requestText(request), result, QByteArray());
    return result;
}

template<typename Op>
int plainJsonCall(const char *function, const char *request, Op op)
{
    return plainCall(function, request, [&]() {
        QJsonObject object;
        const int code = DriveJson::parseObject(request, &object);
        return code != Ok ? code : op(object);
    });
}

// Functions answering through an out-text: 1 with an answer, 0 without one.
template<typename Op>
int answeredCall(const char *function, const char *request, char **out, Op op)
{
    if (out)
        *out = nullptr;
    delayIfArmed(function);
    DriveControl::CallFault fault;
    QByteArray answer;
    int result = 1;
    if (drive().control().takeCallFault(function, &fault)) {
        if (!fault.rawAnswer.isEmpty())
            answer = fault.rawAnswer;
        else if (fault.answerCode != TQDriveAdmin::NoAnswer)
            answer = DriveJson::answer(fault.answerCode);
        else
            result = fault.result;
    } else if (out) {
        QJsonValue data;
        const int code = op(&data);
        answer = DriveJson::answer(code, data);
    } else {
        result = 0;
    }
    if (!answer.isEmpty() && out)
        *out = DriveJson::toOutText(answer);
    drive().control().record(function, requestText(request), result, DriveJson::masked(answer));
    return result;
}

template<typename Op>
int answeredJsonCall(const char *function, const char *request, char **out, Op op)
{
    return answeredCall(function, request, out, [&](QJsonValue *data) {
        QJsonObject object;
        const int code = DriveJson::parseObject(request, &object);
        return code != Ok ? code : op(object, data);
    });
}

} // namespace

extern "C" {

int Drive_Init(const char *request)
{
    return plainJsonCall("Drive_Init", request, [](const QJsonObject &o) { return drive().init(o); });
}

int Drive_InitSensors(const char *request)
{
    return plainJsonCall("Drive_InitSensors", request,
        [](const QJsonObject &) { return drive().isInitialized() ? Ok : NotInitialized; });
}

int Drive_SetUserProInfo(const char *request)
{
    return plainJsonCall("Drive_SetUserProInfo", request,
        [](const QJsonObject &) { return drive().isInitialized() ? Ok : NotInitialized; });
}

int Drive_Login(const char *request)
{
    return plainJsonCall("Drive_Login", request, [](const QJsonObject &o) { return drive().login(o); });
}

int Drive_UpdateToken(const char *token)
{
    // The token is a secret: the call record keeps only that one was given.
    return plainCall(
        "Drive_UpdateToken", token ? "***" : nullptr, [&]() { return drive().updateToken(requestText(token)); });
}

int Drive_Logout(void)
{
    return plainCall("Drive_Logout", nullptr, []() { return drive().logout(); });
}

int Drive_Uninit(void)
{
    return plainCall("Drive_Uninit", nullptr, []() { return drive().uninit(); });
}

void Drive_SetTokenExpireCallback(Drive_TokenExpireCallback callback, void *context)
{
    drive().setExpireCallback(callback, context);
    drive().control().record("Drive_SetTokenExpireCallback", QString(), 0, QByteArray());
}

int Drive_QueryService(const char *request, char **out)
{
    return answeredJsonCall("Drive_QueryService", request, out,
        [](const QJsonObject &o, QJsonValue *d) { return drive().queryService(o, d); });
}

int Drive_OpenService(const char *request, char **out)
{
    return answeredJsonCall("Drive_OpenService", request, out,
        [](const QJsonObject &o, QJsonValue *d) { return drive().openService(o, d); });
}

int Drive_ShareFile(const char *request, char **out)
{
    return answeredJsonCall(
        "Drive_ShareFile", request, out, [](const QJsonObject &o, QJsonValue *d) { return drive().share(o, d); });
}

int Drive_CreateDir(const char *request, char **out)
{
    return answeredJsonCall(
        "Drive_CreateDir", request, out, [](const QJsonObject &o, QJsonValue *d) { return drive().createDir(o, d); });
}

int Drive_GetProRootFileID(const char *request, char **out)
{
    return answeredJsonCall("Drive_GetProRootFileID", request, out,
        [](const QJsonObject &o, QJsonValue *d) { return drive().projectRoot(o, d); });
}

int Drive_SimpleDownloadFile(const char *request, char **out)
{
    return answeredJsonCall("Drive_SimpleDownloadFile", request, out,
        [](const QJsonObject &o, QJsonValue *d) { return drive().simpleDownload(o, d); });
}

int Drive_GetSpaceList(const char *request, char **out)
{
    return answeredCall("Drive_GetSpaceList", request, out, [](QJsonValue *d) { return drive().spaceList(d); });
}

int Drive_GetSpaceInfo(uint64_t spaceId, char **out)
{
    const QByteArray id = QByteArray::number(qulonglong(spaceId));
    return answeredCall(
        "Drive_GetSpaceInfo", id.constData(), out, [spaceId](QJsonValue *d) { return drive().spaceInfo(spaceId, d); });
}

int64_t Drive_GetFileList(const char *request, char **out)
{
    return answeredJsonCall(
        "Drive_GetFileList", request, out, [](const QJsonObject &o, QJsonValue *d) { return drive().fileList(o, d); });
}

int64_t Drive_SearchFile(const char *request, char **out)
{
    return answeredJsonCall(
        "Drive_SearchFile", request, out, [](const QJsonObject &o, QJsonValue *d) { return drive().search(o, d); });
}

int Drive_GetTransferList(const char *request, char **out)
{
    return answeredJsonCall("Drive_GetTransferList", request, out,
        [](const QJsonObject &o, QJsonValue *d) { return drive().transferList(o, d); });
}

int Drive_UploadFile(const char *request, Drive_ProgressCallback callback, void *context)
{
    return plainJsonCall(
        "Drive_UploadFile", request, [&](const QJsonObject &o) { return drive().startUpload(o, callback, context); });
}

int Drive_ResumeUploadFile(const char *request, Drive_ProgressCallback callback, void *context)
{
    return plainJsonCall("Drive_ResumeUploadFile", request,
        [&](const QJsonObject &o) { return drive().resume(TransferKind::Upload, o, callback, context); });
}

int Drive_DownloadFile(const char *request, Drive_ProgressCallback callback, void *context)
{
    return plainJsonCall("Drive_DownloadFile", request,
        [&](const QJsonObject &o) { return drive().startDownload(o, callback, context); });
}

int Drive_ResumeDownloadFile(const char *request, Drive_ProgressCallback callback, void *context)
{
    return plainJsonCall("Drive_ResumeDownloadFile", request,
        [&](const QJsonObject &o) { return drive().resume(TransferKind::Download, o, callback, context); });
}

int Drive_PauseUploadFile(const char *request)
{
    return plainJsonCall(
        "Drive_PauseUploadFile", request, [](const QJsonObject &o) { return drive().pause(TransferKind::Upload, o); });
}

int Drive_PauseDownloadFile(const char *request)
{
    return plainJsonCall("Drive_PauseDownloadFile", request,
        [](const QJsonObject &o) { return drive().pause(TransferKind::Download, o); });
}

int Drive_CancelUploadFile(const char *request)
{
    return plainJsonCall("Drive_CancelUploadFile", request,
        [](const QJsonObject &o) { return drive().cancel(TransferKind::Upload, o); });
}

int Drive_CancelDownloadFile(const char *request)
{
    return plainJsonCall("Drive_CancelDownloadFile", request,
        [](const QJsonObject &o) { return drive().cancel(TransferKind::Download, o); });
}

int Drive_DeleteFile(const char *request)
{
    return plainJsonCall("Drive_DeleteFile", request, [](const QJsonObject &o) { return drive().deleteFile(o); });
}

int Drive_RecycleFile(const char *request)
{
    return plainJsonCall("Drive_RecycleFile", request, [](const QJsonObject &o) { return drive().recycleFile(o); });
}

int Drive_RenameFile(const char *request)
{
    return plainJsonCall("Drive_RenameFile", request, [](const QJsonObject &o) { return drive().renameFile(o); });
}

bool Drive_IsBePunishedFile(const char *request)
{
    // The answer is a plain boolean: a request that cannot be checked is not a blocked file.
    return plainCall("Drive_IsBePunishedFile", request, [request]() {
        QJsonObject object;
        bool blocked = false;
        return DriveJson::parseObject(request, &object) == Ok && drive().isBlocked(object, &blocked) == Ok && blocked;
    }) != 0;
}

void Drive_FreeBuf(char *buffer)
{
    std::free(buffer);
}

} // extern "C"
