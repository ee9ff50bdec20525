#include "FailureText.h"

#include "KSCloudDiskTask.h"
#include "TQDriveCodes.h"

namespace {

constexpr int kNoAnswer = -1;
constexpr int kNoReason = 0;
// The notices' code for a failed synchronisation of the item's cloud folder.
constexpr int kSyncFailed = 19;

} // namespace

QString FailureText::of(int code)
{
    using namespace TQDrive;
    switch (code) {
    case kNoAnswer:
        return tr("no answer from the plug-in or the drive");
    case kNoReason:
        return tr("the plug-in gave no reason");
    case NotInitialized:
        return tr("the drive is not started");
    case CalledFromLibraryThread:
        return tr("the drive was called from its own thread");
    case NothingToResumeUpload:
        return tr("the drive holds no upload to resume");
    case NothingToResumeDownload:
        return tr("the drive holds no download to resume");
    case PartialStateExists:
        return tr("an unfinished transfer of this task is waiting to be resumed");
    case TransferBusy:
        return tr("the transfer is running in another program on this account; it finishes there");
    case NoSuchTransfer:
        return tr("the drive holds no such transfer");
    case TokenInvalid:
    case NotSignedIn:
    case TokenExpired:
        return tr("the account is not signed in");
    case ServiceOpened:
        return tr("the cloud service is already open");
    case ServiceUnavailable:
    case ServiceOpenedUnavailable:
        return tr("the cloud service is unavailable");
    case ServiceNotOpened:
        return tr("the cloud service is not opened");
    case BadJson:
        return tr("the drive could not read the request");
    case BadArgument:
        return tr("the request was refused (bad argument)");
    case BadName:
        return tr("the name is not valid in the cloud");
    case NotAFile:
        return tr("the cloud item is a folder, not a file");
    case SaveFolderMissing:
        return tr("the download folder does not exist");
    case LocalPathMissing:
        return tr("the local file does not exist or is a symbolic link");
    case InsecureServer:
        return tr("the server address must be https (plain http only to this machine)");
    case NotSupported:
        return tr("the server does not offer this (share links need Nextcloud or ownCloud)");
    case ServerUnreachable:
        return tr("the server did not answer or the connection broke; resume continues the transfer");
    case NotAFolder:
        return tr("the cloud item is a file, not a folder");
    case WrongSpace:
        return tr("the cloud space is not the account's");
    case FileBlocked:
        return tr("the item is blocked");
    case ShareCodeWrong:
        return tr("the access code of the share is wrong");
    case FileNotFound:
        return tr("no such cloud item");
    case ParentNotFound:
        return tr("no such cloud folder");
    case ShareNotFound:
        return tr("no such share link");
    case ShareExpired:
        return tr("the share link has expired");
    case NameClash:
        return tr("the name is already taken");
    case FileTooLarge:
        return tr("the file is larger than the file limit");
    case QuotaExceeded:
    case CloudSpaceInsufficient:
        return tr("not enough cloud space");
    case LocalReadFailed:
        return tr("the local file cannot be read");
    case LocalWriteFailed:
        return tr("the local file cannot be written");
    case ContentDamaged:
        return tr("the stored content is damaged");
    case StorageFailed:
        return tr("the drive's storage failed");
    case LocalDiskTooSmall:
        return tr("not enough local disk space");
    case kSyncFailed:
        return tr("the cloud folder could not be synchronised");
    case DownloadFolderNotWritable:
        return tr("the download folder is not writable");
    case MembershipExpired:
        return tr("the membership has expired");
    case FolderCreationUnanswered:
    case CloudFolderUnavailable:
        return tr("the cloud folder could not be created");
    case TaskListNotSaved:
        return tr("the task list could not be saved");
    case ProjectContainerRefused:
        return tr("the project file cannot be unpacked");
    case LocalFileMissing:
        return tr("the local file does not exist");
    default:
        return tr("error %1").arg(code);
    }
}

bool FailureText::isKnown(int code)
{
    return of(code) != tr("error %1").arg(code);
}

QString FailureText::of(int code, const QString &reason)
{
    return isKnown(code) || reason.isEmpty() ? of(code) : reason;
}
