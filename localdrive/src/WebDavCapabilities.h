#ifndef TQDRIVE_WEBDAVCAPABILITIES_H
#define TQDRIVE_WEBDAVCAPABILITIES_H

#include <QString>

namespace TQDrive {

class WebDavClient;

// What a WebDAV server really does, measured at sign-in rather than taken from what it announces:
// some servers accept a request and do something else with it.
struct WebDavCapabilities {
    QString davClasses; // the DAV header of OPTIONS, for the log
    bool deadProperties = false; // PROPPATCH'd properties are kept and follow a MOVE
    bool rangedPut = false; // PUT with Content-Range writes at the offset and keeps what is before it
    bool quota = false; // RFC 4331 quota-available-bytes and quota-used-bytes
    bool fileIds = false; // Nextcloud / ownCloud oc:fileid

    // Probes the server: OPTIONS, PROPFIND of the root, then a probe file in the hidden folder.
    // Returns Ok, TokenExpired (the server refused the credentials), ServerUnreachable or StorageFailed.
    static int detect(const WebDavClient &client, WebDavCapabilities *out);
    QString summary() const;
};

// The hidden folder of the drive on the server: probe files, upload staging and the recycle bin.
QString davHiddenFolder();
// The namespace of the drive's own dead properties.
QString davNamespace();
// A TQDrive::Code for an HTTP status of a failed request (0: no answer).
int davCode(int status, int fallback);

} // namespace TQDrive

#endif
