// Result and answer codes of the local cloud drive. PROTOCOL.md explains each.
#ifndef TQDRIVECODES_H
#define TQDRIVECODES_H

namespace TQDrive {

enum Code : int {
    Ok = 0,
    NotInitialized = 1,
    CalledFromLibraryThread = 2,
    NothingToResumeUpload = 8,
    NothingToResumeDownload = 9,
    PartialStateExists = 27,
    TransferBusy = 28,
    NoSuchTransfer = 29,

    TokenInvalid = 140011,
    NotSignedIn = 140012,
    TokenExpired = 140013,

    ServiceOpened = 381300,
    ServiceUnavailable = 381301,
    ServiceNotOpened = 381302,
    ServiceOpenedUnavailable = 381305,

    BadJson = 400001,
    BadArgument = 400002,
    BadName = 400003,
    NotAFile = 400004,
    SaveFolderMissing = 400005,
    LocalPathMissing = 400006,
    NotAFolder = 400007,
    InsecureServer = 400008,

    WrongSpace = 403001,
    FileBlocked = 403002,
    ShareCodeWrong = 403003,

    FileNotFound = 404001,
    ParentNotFound = 404002,
    ShareNotFound = 404003,
    ShareExpired = 404004,

    NameClash = 409001,

    FileTooLarge = 413001,
    QuotaExceeded = 413002,

    LocalReadFailed = 500001,
    LocalWriteFailed = 500002,
    ContentDamaged = 500003,
    StorageFailed = 500004,

    NotSupported = 501001,
    ServerUnreachable = 503001,
};

} // namespace TQDrive

#endif
