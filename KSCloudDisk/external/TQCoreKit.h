// Cloud-drive client library, as the plug-in calls it.
//
// Requests are compact UTF-8 JSON texts. Functions with an out-text answer a
// JSON object {"code": int, "data": ...} through *out when they return
// non-zero; the caller copies it and releases it with Drive_FreeBuf.
// Progress callbacks and the token-expiry callback run on library threads.
#ifndef TQCOREKIT_H
#define TQCOREKIT_H

#include <stdbool.h>
#include <stdint.h>

#if defined(_WIN32)
#if defined(TQCOREKIT_BUILDING)
#define TQCOREKIT_API __declspec(dllexport)
#else
#define TQCOREKIT_API __declspec(dllimport)
#endif
#else
#define TQCOREKIT_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* (custom_uid, report JSON, context) */
typedef void (*Drive_ProgressCallback)(const char *taskId, const char *info, void *context);
typedef void (*Drive_TokenExpireCallback)(void *context);

TQCOREKIT_API int Drive_Init(const char *request);
TQCOREKIT_API int Drive_InitSensors(const char *request);
TQCOREKIT_API int Drive_SetUserProInfo(const char *request);
TQCOREKIT_API int Drive_Login(const char *request);
TQCOREKIT_API int Drive_UpdateToken(const char *token);
TQCOREKIT_API int Drive_Logout(void);
TQCOREKIT_API int Drive_Uninit(void);
TQCOREKIT_API void Drive_SetTokenExpireCallback(Drive_TokenExpireCallback callback, void *context);

TQCOREKIT_API int Drive_QueryService(const char *request, char **out);
TQCOREKIT_API int Drive_OpenService(const char *request, char **out);
TQCOREKIT_API int Drive_ShareFile(const char *request, char **out);
TQCOREKIT_API int Drive_CreateDir(const char *request, char **out);
TQCOREKIT_API int Drive_GetProRootFileID(const char *request, char **out);
TQCOREKIT_API int Drive_SimpleDownloadFile(const char *request, char **out);
TQCOREKIT_API int Drive_GetSpaceList(const char *request, char **out);
TQCOREKIT_API int Drive_GetSpaceInfo(uint64_t spaceId, char **out);
TQCOREKIT_API int64_t Drive_GetFileList(const char *request, char **out);
TQCOREKIT_API int64_t Drive_SearchFile(const char *request, char **out);
TQCOREKIT_API int Drive_GetTransferList(const char *request, char **out);

TQCOREKIT_API int Drive_UploadFile(const char *request, Drive_ProgressCallback callback, void *context);
TQCOREKIT_API int Drive_ResumeUploadFile(const char *request, Drive_ProgressCallback callback, void *context);
TQCOREKIT_API int Drive_DownloadFile(const char *request, Drive_ProgressCallback callback, void *context);
TQCOREKIT_API int Drive_ResumeDownloadFile(const char *request, Drive_ProgressCallback callback, void *context);
TQCOREKIT_API int Drive_PauseUploadFile(const char *request);
TQCOREKIT_API int Drive_PauseDownloadFile(const char *request);
TQCOREKIT_API int Drive_CancelUploadFile(const char *request);
TQCOREKIT_API int Drive_CancelDownloadFile(const char *request);

TQCOREKIT_API int Drive_DeleteFile(const char *request);
TQCOREKIT_API int Drive_RecycleFile(const char *request);
TQCOREKIT_API int Drive_RenameFile(const char *request);
TQCOREKIT_API bool Drive_IsBePunishedFile(const char *request);

TQCOREKIT_API void Drive_FreeBuf(char *buffer);

#ifdef __cplusplus
}
#endif

#endif // TQCOREKIT_H
